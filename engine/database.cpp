#include "database.h"

#include "TraceScope.h"
#include "base/LastError.h"
#include "base/Module.h"
#include "base/ShellFolder.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using PFN_SHGetFolderPathA = HRESULT (*)(HWND, int, HANDLE, DWORD, LPSTR);

// Looked up once per process, as the shell may lack the function and only its folder library
// carry it.
PFN_SHGetFolderPathA ShGetFolderPath()
{
    static PFN_SHGetFolderPathA function = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        HMODULE module = LoadLibraryA("SHELL32.DLL");
        if (module)
            function = reinterpret_cast<PFN_SHGetFolderPathA>(GetProcAddress(module, "SHGetFolderPathA"));
        if (!function) {
            if (module)
                FreeLibrary(module);
            module = LoadLibraryA("SHFolder.dll");
            if (module)
                function = reinterpret_cast<PFN_SHGetFolderPathA>(GetProcAddress(module, "SHGetFolderPathA"));
        }
    });
    return function;
}

HRESULT LastErrorResult()
{
    return HRESULT(0x80070000 | (GetLastError() & 0xFFFF));
}

void FatalDatabaseError(const char* message)
{
    TracePrint(__FILE__, __LINE__, TL_ERROR, "FATAL DATABASE ERROR: %s\n", message);
}

HRESULT DbOpenWhich(IProfile* pProfile, int which, GDBM_FILE* pHandle)
{
    HRESULT hr = S_OK;
    std::string path;
    *pHandle = nullptr;
    hr = GetDbPath(pProfile, which, path);
    if (FAILED(hr)) {
        TRACE_FAILED(GetDbPath, hr);
        return hr;
    }
    *pHandle = DbOpen(path.c_str());
    if (!*pHandle) {
        hr = LastErrorResult();
        TRACE_FAILED(DbOpen, hr);
    }
    return hr;
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

HRESULT GetDbPath(IProfile* pProfile, int which, std::string& path)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("GetDbPath", &hr);
    char folder[MAX_PATH] = "";
    GUID guid{};

    PFN_SHGetFolderPathA shGetFolderPath = ShGetFolderPath();
    hr = shGetFolderPath ? shGetFolderPath(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder) : E_FAIL;
    if (FAILED(hr)) {
        // Without the application-data folder the files would land relative to nowhere: stop.
        if (hr != E_FAIL)
            TRACE_FAILED(SHGetFolderPathA, hr);
        return hr;
    }
    hr = pProfile->GetGUID(&guid);
    if (FAILED(hr)) {
        TRACE_FAILED(GetGUID, hr);
        return hr;
    }
    path = folder;
    path += "/Dravenholt";
    ::mkdir(path.c_str(), 0700); // result not checked: it usually exists
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&guid);
    char name[40];
    for (int i = 0; i < 16; ++i)
        std::snprintf(name + 2 * i, 3, "%02x", bytes[i]);
    path += "/";
    path += name;
    path += which == DB_OLD ? ".old" : ".new";
    return hr;
}

HRESULT New2Old(IProfile* pProfile)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("New2Old", &hr);
    std::string oldPath, newPath;
    hr = GetDbPath(pProfile, DB_OLD, oldPath);
    if (SUCCEEDED(hr))
        hr = GetDbPath(pProfile, DB_NEW, newPath);
    if (FAILED(hr)) {
        TRACE_FAILED(GetDbPath, hr);
        return hr;
    }
    // Without ".new" there is nothing to rotate: a run that stopped right after its own
    // rotation leaves exactly this, and its ".old" is still the last pairing state.
    if (!FileExists(oldPath) || !FileExists(newPath))
        return hr;
    // rename() replaces ".old" in one step, so a failure never leaves the profile without it.
    if (std::rename(newPath.c_str(), oldPath.c_str()) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        hr = LastErrorResult();
        TRACE_FAILED(rename, hr);
    }
    return hr;
}

HRESULT DbOpenOld(IProfile* pProfile, GDBM_FILE* pHandle)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("DbOpenOld", &hr);
    hr = DbOpenWhich(pProfile, DB_OLD, pHandle);
    return hr;
}

HRESULT DbOpenNew(IProfile* pProfile, GDBM_FILE* pHandle)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("DbOpenNew", &hr);
    hr = DbOpenWhich(pProfile, DB_NEW, pHandle);
    return hr;
}

GDBM_FILE DbOpen(const char* name)
{
    TracePrint(__FILE__, __LINE__, TL_CALL, "name=%s\n", name);
    const int mode = FileExists(name) ? GDBM_WRITER : GDBM_NEWDB;
    GDBM_FILE handle = gdbm_open(name, 4096, mode, 0600, FatalDatabaseError);
    if (!handle) {
        const int err = errno;
        SetLastError(err ? Win32ErrorFromErrno(err) : ERROR_INVALID_DATA);
    }
    return handle;
}

HRESULT DbPut(GDBM_FILE handle, std::span<const BYTE> key)
{
    static char value[] = "D";
    datum k{reinterpret_cast<char*>(const_cast<BYTE*>(key.data())), static_cast<int>(key.size())};
    datum v{value, 1};
    if (gdbm_store(handle, k, v, GDBM_REPLACE) != 0) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "gdbm_store() failed: errno = %d\n", int(gdbm_errno));
        return E_FAIL;
    }
    return S_OK;
}

bool DbExists(GDBM_FILE handle, std::span<const BYTE> key)
{
    datum k{reinterpret_cast<char*>(const_cast<BYTE*>(key.data())), static_cast<int>(key.size())};
    return gdbm_exists(handle, k) != 0;
}

void DbClose(GDBM_FILE handle)
{
    if (handle)
        gdbm_close(handle);
}

void DbDelete(IProfile* pProfile)
{
    std::string path;
    if (SUCCEEDED(GetDbPath(pProfile, DB_OLD, path)))
        ::unlink(path.c_str());
    if (SUCCEEDED(GetDbPath(pProfile, DB_NEW, path)))
        ::unlink(path.c_str());
}
