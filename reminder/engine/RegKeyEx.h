// CRegKeyEx: an open registry key, closed when the object goes, with the ordinary open, create,
// query and set operations (Win32 error codes) and the add-in's own value operations.
#pragma once

#include "base/WinMessages.h"
#include "registry/Registry.h"

#include <string>
#include <vector>

class CRegKeyEx {
public:
    CRegKeyEx() = default;
    ~CRegKeyEx() { Close(); }
    CRegKeyEx(const CRegKeyEx&) = delete;
    CRegKeyEx& operator=(const CRegKeyEx&) = delete;

    LONG Open(HKEY parent, LPCSTR name, REGSAM access = KEY_READ | KEY_WRITE);
    LONG Create(HKEY parent, LPCSTR name, REGSAM access = KEY_READ | KEY_WRITE);
    LONG Close();
    void Attach(HKEY key);
    HKEY Detach();
    operator HKEY() const { return m_hKey; }

    LONG QueryDWORDValue(LPCSTR name, DWORD& value) const;
    LONG QueryBinaryValue(LPCSTR name, std::vector<BYTE>& value) const;
    LONG SetDWORDValue(LPCSTR name, DWORD value) const;
    LONG SetStringValue(LPCSTR name, LPCSTR value, DWORD type = REG_SZ) const;
    LONG SetBinaryValue(LPCSTR name, const void* data, DWORD size) const;
    LONG DeleteValue(LPCSTR name) const;
    // Fails on a subkey that has subkeys of its own.
    LONG DeleteSubKey(LPCSTR name) const;
    // The subkey with everything below it.
    LONG RecurseDeleteKey(LPCSTR name) const;
    // The name of the subkey at index; ERROR_NO_MORE_ITEMS past the last.
    LONG EnumKey(DWORD index, std::string& name) const;

    // A window placement as REG_BINARY of placement->length bytes. A length beyond the structure
    // gives ERROR_INVALID_PARAMETER and writes nothing.
    LONG SetValue(const WINDOWPLACEMENT* placement, LPCSTR name) const;
    // Reads a placement stored by SetValue when its size equals placement->length (set by the
    // caller); another size gives ERROR_INVALID_DATA (13) and leaves the structure unchanged.
    LONG QueryValue(LPCSTR name, WINDOWPLACEMENT* placement) const;
    // A string value (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ up to its first string's end) into
    // result. A value of another type leaves result as it was and gives ERROR_SUCCESS.
    LONG QueryStringValue(LPCSTR name, std::string* result) const;

    HKEY m_hKey = nullptr;
};
