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

namespace {

// What gdbm's own error means on Windows' terms; the errno of a system call only where gdbm
// failed in one, so that no stale errno of an earlier call is reported.
DWORD Win32ErrorOfGdbm(gdbm_error error, int systemError)
{
    if (gdbm_check_syserr(error) && systemError)
        return Win32ErrorFromErrno(systemError);
    switch (error) {
    case GDBM_MALLOC_ERROR:
        return ERROR_NOT_ENOUGH_MEMORY;
    case GDBM_CANT_BE_READER:
    case GDBM_CANT_BE_WRITER:
        return ERROR_SHARING_VIOLATION; // another process holds the database
    default:
        return ERROR_INVALID_DATA;
    }
}

// The file's content, not the system, is at fault: what a process killed while writing the
// database leaves (a header cut short, buckets without their directory), or a foreign file.
bool IsDamage(gdbm_error error)
{
    switch (error) {
    case GDBM_BLOCK_SIZE_ERROR:
    case GDBM_BAD_MAGIC_NUMBER:
    case GDBM_EMPTY_DATABASE:
    case GDBM_MALFORMED_DATA:
    case GDBM_BYTE_SWAPPED:
    case GDBM_BAD_FILE_OFFSET:
    case GDBM_FILE_EOF:
    case GDBM_NEED_RECOVERY:
    case GDBM_BAD_BUCKET:
    case GDBM_BAD_HEADER:
    case GDBM_BAD_AVAIL:
    case GDBM_BAD_HASH_TABLE:
    case GDBM_BAD_DIR_ENTRY:
    case GDBM_BAD_HASH_ENTRY:
        return true;
    default:
        return false;
    }
}

struct OpenResult {
    GDBM_FILE handle = nullptr;
    gdbm_error error = GDBM_NO_ERROR;
    int systemError = 0;
};

OpenResult OpenKeys(const char* name, int mode)
{
    gdbm_errno = GDBM_NO_ERROR;
    errno = 0;
    OpenResult r;
    // No fatal-error callback: gdbm ends the whole process once such a callback returns, so a
    // damaged key file would take the mail client down. Without one gdbm returns the error, and
    // it is logged here with the callback's line.
    r.handle = gdbm_open(name, 4096, mode, 0600, nullptr);
    r.error = gdbm_errno;
    r.systemError = errno;
    if (!r.handle)
        FatalDatabaseError(gdbm_strerror(r.error));
    return r;
}

// Reads every bucket once (a few milliseconds for 100,000 keys): damage shows now, where it can
// still be mended, and not as keys that silently seem missing in the middle of a run.
OpenResult CheckKeys(GDBM_FILE handle)
{
    gdbm_count_t count = 0;
    gdbm_errno = GDBM_NO_ERROR;
    errno = 0;
    OpenResult r;
    if (gdbm_count(handle, &count) == 0 && !gdbm_needs_recovery(handle))
        return r;
    r.error = gdbm_errno != GDBM_NO_ERROR ? gdbm_errno : GDBM_NEED_RECOVERY;
    r.systemError = errno;
    FatalDatabaseError(gdbm_strerror(r.error));
    return r;
}

} // namespace

GDBM_FILE DbOpen(const char* name)
{
    TracePrint(__FILE__, __LINE__, TL_CALL, "name=%s\n", name);
    const bool exists = FileExists(name);
    OpenResult opened = OpenKeys(name, exists ? GDBM_WRITER : GDBM_NEWDB);
    if (opened.handle && exists) {
        // A run killed while it wrote the database leaves it half updated. gdbm rebuilds it
        // from every key it can still read: those are keys whose copies were committed.
        const OpenResult check = CheckKeys(opened.handle);
        if (check.error != GDBM_NO_ERROR) {
            gdbm_recovery report{};
            const bool rebuilt = IsDamage(check.error) && gdbm_recover(opened.handle, &report, 0) == 0 &&
                                 CheckKeys(opened.handle).error == GDBM_NO_ERROR;
            if (rebuilt) {
                TracePrint(__FILE__, __LINE__, TL_ERROR, "%s was damaged (%s): rebuilt, %lu keys lost\n", name,
                           gdbm_strerror(check.error), static_cast<unsigned long>(report.failed_keys));
            } else {
                gdbm_close(opened.handle);
                opened = check;
            }
        }
    }
    if (!opened.handle && exists && IsDamage(opened.error)) {
        // Nothing to rebuild from. The keys only tell which messages the last run paired: without
        // them every message counts as new on both sides, so nothing is deleted (at worst a
        // message deleted on one side since comes back). Refusing the file would stop every later
        // run of the profile. The file is kept beside for a look.
        TracePrint(__FILE__, __LINE__, TL_ERROR, "%s is damaged (%s): kept as .damaged, started empty\n", name,
                   gdbm_strerror(opened.error));
        const std::string aside = std::string(name) + ".damaged";
        if (std::rename(name, aside.c_str()) != 0) {
            SetLastError(Win32ErrorFromErrno(errno));
            return nullptr;
        }
        opened = OpenKeys(name, GDBM_NEWDB);
    }
    if (!opened.handle)
        SetLastError(Win32ErrorOfGdbm(opened.error, opened.systemError));
    return opened.handle;
}

HRESULT DbPut(GDBM_FILE handle, std::span<const BYTE> key)
{
    static char value[] = "D";
    datum k{reinterpret_cast<char*>(const_cast<BYTE*>(key.data())), static_cast<int>(key.size())};
    datum v{value, 1};
    if (gdbm_store(handle, k, v, GDBM_REPLACE) != 0) {
        FatalDatabaseError(gdbm_strerror(gdbm_errno));
        TracePrint(__FILE__, __LINE__, TL_ERROR, "gdbm_store() failed: errno = %d\n", int(gdbm_errno));
        return E_FAIL;
    }
    return S_OK;
}

bool DbExists(GDBM_FILE handle, std::span<const BYTE> key)
{
    datum k{reinterpret_cast<char*>(const_cast<BYTE*>(key.data())), static_cast<int>(key.size())};
    gdbm_errno = GDBM_NO_ERROR;
    if (gdbm_exists(handle, k))
        return true;
    // A key that cannot be read counts as missing: its message is then taken for new, never
    // for deleted.
    if (gdbm_errno != GDBM_NO_ERROR && gdbm_errno != GDBM_ITEM_NOT_FOUND)
        FatalDatabaseError(gdbm_strerror(gdbm_errno));
    return false;
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
