#include "base/SystemMessages.h"

#include "base/LastError.h"
#include "base/WinError.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>
#include <string>

namespace {

struct Message {
    DWORD code;
    const char* text;
};

// Win32 codes, by number.
constexpr Message kWin32[] = {
    {1, "The function is not valid for this object."},
    {2, "The file cannot be found."},
    {3, "The path cannot be found."},
    {4, "Too many files are open."},
    {5, "Access is denied."},
    {6, "The handle is not valid."},
    {8, "There is not enough memory to carry out this command."},
    {11, "The program has a format that cannot be run."},
    {13, "The data is not valid."},
    {14, "There is not enough memory to complete this operation."},
    {29, "The file cannot be written."},
    {30, "The file cannot be read."},
    {32, "The file is in use by another process."},
    {33, "A part of the file is locked by another process."},
    {38, "The end of the file has been reached."},
    {50, "This request is not supported."},
    {80, "The file already exists."},
    {87, "A parameter is not valid."},
    {109, "The pipe has been closed."},
    {112, "There is not enough space on the disk."},
    {120, "This function is not available here."},
    {122, "The buffer passed is too small for the data."},
    {123, "The file, folder or volume name is not valid."},
    {126, "The module cannot be found."},
    {127, "The procedure cannot be found."},
    {145, "The folder is not empty."},
    {161, "The path is not valid."},
    {170, "The resource is in use."},
    {183, "The object cannot be created because it already exists."},
    {193, "The file is not a program of this platform."},
    {206, "The file name or extension is too long."},
    {234, "More data is available."},
    {259, "There are no more items."},
    {487, "The address is not valid."},
    {998, "The memory cannot be accessed."},
    {1004, "The flags are not valid."},
    {1009, "The configuration registry database is corrupt."},
    {1010, "The registry key is not valid."},
    {1011, "The registry key cannot be opened."},
    {1012, "The registry key cannot be read."},
    {1013, "The registry key cannot be written."},
    {1015, "The configuration registry database is corrupt."},
    {1016, "A read or write of the registry failed."},
    {1018, "The registry key has been deleted."},
    {1020, "A registry key with subkeys cannot be deleted this way."},
    {1021, "A subkey of a volatile registry key must be volatile too."},
    {1113, "The text cannot be mapped to Unicode."},
    {1114, "The library failed to initialise."},
    {1168, "The element cannot be found."},
    {1223, "The operation was cancelled by the user."},
    {1400, "The window handle is not valid."},
    {1401, "The menu handle is not valid."},
    {1410, "The window class already exists."},
    {1413, "The index is not valid."},
    {1414, "The icon handle is not valid."},
    {1444, "The thread id is not valid."},
    {1460, "The operation returned because its time ran out."},
    {1812, "The file has no resources."},
    {1813, "The file has no resource of this type."},
    {1814, "The file has no resource of this name."},
    {1815, "The file has no resource in this language."},
};

// COM, automation and class-object codes the system has texts for, by value.
constexpr Message kCom[] = {
    {0x80004001, "Not implemented."},
    {0x80004002, "No such interface is supported."},
    {0x80004003, "The pointer is not valid."},
    {0x80004004, "The operation was aborted."},
    {0x80004005, "Unspecified error."},
    {0x8000000A, "The data needed to complete this operation is not available yet."},
    {0x8000FFFF, "Catastrophic failure."},
    {0x80020001, "Unknown interface."},
    {0x80020003, "Member not found."},
    {0x80020004, "Parameter not found."},
    {0x80020005, "Type mismatch."},
    {0x80020006, "Unknown name."},
    {0x80020007, "No named arguments."},
    {0x80020008, "Bad variable type."},
    {0x80020009, "Exception occurred."},
    {0x8002000A, "Out of present range."},
    {0x8002000B, "Invalid index."},
    {0x8002000E, "Invalid number of parameters."},
    {0x8002000F, "Parameter not optional."},
    {0x8002802B, "Element not found."},
    {0x80040007, "The object is not initialised."},
    {0x80040110, "Class does not support aggregation (or class object is remote)."},
    {0x80040111, "ClassFactory cannot supply requested class."},
    {0x80040150, "Could not read key from registry."},
    {0x80040151, "Could not write key to registry."},
    {0x80040152, "Could not find the key in the registry."},
    {0x80040154, "Class not registered."},
    {0x80040155, "Interface not registered."},
    {0x800401F0, "CoInitialize has not been called."},
    {0x800401F3, "Invalid class string."},
    {0x800401F4, "Invalid interface string."},
    {0x800401F8, "The library for the class was not found."},
    {0x800401F9, "Error in the library of the class."},
};

template <std::size_t N>
const char* Find(const Message (&table)[N], DWORD code)
{
    const auto it = std::find_if(std::begin(table), std::end(table), [&](const Message& m) { return m.code == code; });
    return it == std::end(table) ? nullptr : it->text;
}

// The blocks LocalAlloc handed out, so that LocalFree never frees what is not its own.
std::mutex g_localLock;
std::unordered_set<void*>& LocalBlocks()
{
    static auto* blocks = new std::unordered_set<void*>;
    return *blocks;
}

} // namespace

namespace platform {

const char* SystemMessageText(DWORD code)
{
    if (const char* text = Find(kWin32, code))
        return text;
    if ((code & 0xFFFF0000) == 0x80070000 && (code & 0xFFFF) != 0)
        return Find(kWin32, code & 0xFFFF);
    return Find(kCom, code);
}

} // namespace platform

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD, LPSTR buffer, DWORD size, va_list*)
{
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || (flags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) ||
        source || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER)
        *reinterpret_cast<LPSTR*>(buffer) = nullptr;
    const char* found = platform::SystemMessageText(messageId);
    if (!found) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const std::string text = std::string(found) + "\r\n";
    const DWORD length = static_cast<DWORD>(text.size());
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* block = static_cast<LPSTR>(LocalAlloc(LMEM_FIXED, std::max<SIZE_T>(size, length + 1)));
        if (!block)
            return 0;
        std::memcpy(block, text.c_str(), length + 1);
        *reinterpret_cast<LPSTR*>(buffer) = block;
        return length;
    }
    if (size < length + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), length + 1);
    return length;
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes)
{
    // A block of 0 bytes is still a block of its own.
    void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, std::max<SIZE_T>(bytes, 1)) : std::malloc(std::max<SIZE_T>(bytes, 1));
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard guard(g_localLock);
    LocalBlocks().insert(block);
    return block;
}

HLOCAL LocalFree(HLOCAL memory)
{
    if (!memory)
        return nullptr;
    {
        std::lock_guard guard(g_localLock);
        if (LocalBlocks().erase(memory) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return memory;
        }
    }
    std::free(memory);
    return nullptr;
}
