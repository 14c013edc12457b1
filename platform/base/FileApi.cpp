#include "base/FileApi.h"

#include "base/LastError.h"
#include "base/ObjectTable.h"
#include "base/Path.h"
#include "base/WinError.h"
#include "base/WinTime.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class FileObject : public platform::KernelObject {
public:
    FileObject(int fd, bool writable) : m_fd(fd), m_writable(writable) {}
    ~FileObject() override { ::close(m_fd); }
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    int Descriptor() const { return m_fd; }
    bool Writable() const { return m_writable; }

private:
    int m_fd;
    bool m_writable;
};

struct Search {
    std::vector<WIN32_FIND_DATAA> entries;
    std::size_t next = 0;
};

platform::ObjectTable<Search>& Searches()
{
    static auto* table = new platform::ObjectTable<Search>;
    return *table;
}

// The folder part of a path, "" when it has none.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// ERROR_PATH_NOT_FOUND when the folder the path names is missing, else the error for errno.
DWORD MissingError(const std::string& path, int err)
{
    if (err != ENOENT)
        return Win32ErrorFromErrno(err);
    const std::string folder = FolderOf(path);
    struct stat st {};
    if (!folder.empty() && (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
        return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

FILETIME FileTimeOf(const timespec& t)
{
    const auto seconds = static_cast<ULONGLONG>(t.tv_sec + platform::kUnixEpochSeconds);
    return platform::UInt64ToFileTime(seconds * platform::kFileTimeTicksPerSecond +
                                      static_cast<ULONGLONG>(t.tv_nsec) / 100);
}

DWORD AttributesOf(const std::string& path, const std::string& name, const struct stat& st)
{
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (::access(path.c_str(), W_OK) != 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// Windows wildcards: '*' any text, '?' one character, letter case aside.
bool Matches(const char* pattern, const char* name)
{
    for (; *pattern; ++pattern, ++name) {
        if (*pattern == '*') {
            while (pattern[1] == '*')
                ++pattern;
            if (!pattern[1])
                return true;
            for (; *name; ++name)
                if (Matches(pattern + 1, name))
                    return true;
            return false;
        }
        if (!*name)
            return false;
        if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                                   std::tolower(static_cast<unsigned char>(*name)))
            return false;
    }
    return !*name;
}

bool NameLess(const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b)
{
    const int folded = strcasecmp(a.cFileName, b.cFileName);
    return folded != 0 ? folded < 0 : std::strcmp(a.cFileName, b.cFileName) < 0;
}

} // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD flagsAndAttributes, HANDLE templateFile)
{
    const bool reads = (desiredAccess & (GENERIC_READ | GENERIC_ALL)) != 0;
    const bool writes = (desiredAccess & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    if (!fileName || !*fileName || (!reads && !writes) || templateFile || disposition < CREATE_NEW ||
        disposition > TRUNCATE_EXISTING || (disposition == TRUNCATE_EXISTING && !writes)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = platform::NativePath(fileName);
    struct stat st {};
    const bool existed = ::stat(path.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if (existed && disposition == CREATE_NEW) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    if (!existed && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)) {
        SetLastError(MissingError(path, ENOENT));
        return INVALID_HANDLE_VALUE;
    }

    int flags = O_CLOEXEC | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
    if (disposition == CREATE_NEW)
        flags |= O_CREAT | O_EXCL;
    else if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
        flags |= O_CREAT;
    // An open that lets others neither read nor write holds the file alone; writers hold it
    // shared, so that such an open sees them.
    const bool exclusive = (shareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE)) != (FILE_SHARE_READ | FILE_SHARE_WRITE);
    const int lock = exclusive ? LOCK_EX : writes ? LOCK_SH : 0;
    const bool truncate = existed && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
    const int fd = platform::OpenSharedFile(path, flags, lock, truncate);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT)
            SetLastError(MissingError(path, err));
        else if (err == EEXIST)
            SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    if (!existed && (flagsAndAttributes & FILE_ATTRIBUTE_READONLY))
        ::fchmod(fd, 0444);
    const HANDLE handle = platform::AddKernelHandle(std::make_shared<FileObject>(fd, writes));
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                        : ERROR_SUCCESS);
    return handle;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, LPDWORD written, LPOVERLAPPED overlapped)
{
    if (written)
        *written = 0;
    if (overlapped || !written || (!buffer && bytes)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto object = platform::KernelObjectAs<FileObject>(file);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->Writable()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const auto* data = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(object->Descriptor(), data + done, bytes - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *written = done;
            SetLastError(n < 0 ? Win32ErrorFromErrno(errno) : ERROR_DISK_FULL);
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    *written = done;
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string path = platform::NativePath(fileName);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(path.c_str()) != 0) {
        SetLastError(MissingError(path, errno));
        return FALSE;
    }
    return TRUE;
}

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData)
{
    if (!fileName || !*fileName || !findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = platform::NativePath(fileName);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<Search>();
    const bool everything = pattern == "*.*" || pattern == "*";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() >= MAX_PATH || (!everything && !Matches(pattern.c_str(), name.c_str())))
            continue;
        const std::string full = (folder == "/" ? "" : folder) + "/" + name;
        struct stat st {};
        if (::stat(full.c_str(), &st) != 0)
            continue; // a dangling link or an entry gone meanwhile
        WIN32_FIND_DATAA data{};
        data.dwFileAttributes = AttributesOf(full, name, st);
        data.ftCreationTime = FileTimeOf(st.st_ctim);
        data.ftLastAccessTime = FileTimeOf(st.st_atim);
        data.ftLastWriteTime = FileTimeOf(st.st_mtim);
        if (!S_ISDIR(st.st_mode)) {
            const auto size = static_cast<ULONGLONG>(st.st_size);
            data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
            data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
        }
        std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
        search->entries.push_back(data);
    }
    ::closedir(dir);
    if (search->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::sort(search->entries.begin(), search->entries.end(), NameLess);
    *findData = search->entries[0];
    search->next = 1;
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HANDLE>(Searches().Add(std::move(search)));
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData)
{
    const auto search = Searches().Get(reinterpret_cast<std::uintptr_t>(find));
    if (!search || !findData) {
        SetLastError(search ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (search->next >= search->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *findData = search->entries[search->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find)
{
    if (!Searches().Remove(reinterpret_cast<std::uintptr_t>(find))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string path = platform::NativePath(fileName);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        SetLastError(MissingError(path, errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    return AttributesOf(path, slash == std::string::npos ? path : path.substr(slash + 1), st);
}
