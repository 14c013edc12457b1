#include "base/Path.h"

#include "base/LastError.h"
#include "base/WinError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <unistd.h>

namespace {

void CopyCut(char* target, std::string_view text, std::size_t capacity)
{
    if (!target)
        return;
    const std::size_t n = text.size() < capacity ? text.size() : capacity - 1;
    if (n > 0)
        std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

} // namespace

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext)
{
    const std::string_view p = path ? path : "";
    const std::size_t slash = p.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view name = p.substr(nameStart);
    const std::size_t dot = name.find_last_of('.');
    CopyCut(drive, "", _MAX_DRIVE);
    CopyCut(dir, p.substr(0, nameStart), _MAX_DIR);
    CopyCut(fname, name.substr(0, dot), _MAX_FNAME);
    CopyCut(ext, dot == std::string_view::npos ? std::string_view() : name.substr(dot), _MAX_EXT);
}

void _makepath(char* path, const char* drive, const char* dir, const char* fname, const char* ext)
{
    if (!path)
        return;
    std::string out;
    if (drive && *drive) {
        out += drive;
        if (out.back() != ':')
            out += ':';
    }
    if (dir && *dir) {
        out += dir;
        if (!IsSeparator(out.back()))
            out += '/';
    }
    if (fname)
        out += fname;
    if (ext && *ext) {
        if (*ext != '.')
            out += '.';
        out += ext;
    }
    CopyCut(path, out, _MAX_PATH);
}

FILE* _fsopen(const char* fileName, const char* mode, int shflag)
{
    if (!fileName || !mode || !*mode) {
        errno = EINVAL;
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string path = platform::NativePath(fileName);

    const char kind = mode[0];
    const bool plus = std::strchr(mode, '+') != nullptr;
    int flags = O_CLOEXEC;
    switch (kind) {
    case 'r': flags |= plus ? O_RDWR : O_RDONLY; break;
    case 'w': flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT; break;
    case 'a': flags |= (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
    default:
        errno = EINVAL;
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const bool writes = kind != 'r' || plus;
    // Writers hold a shared lock, so that a later deny-write open sees them; openers that deny
    // others hold an exclusive one. Plain readers take none, as deny-write lets them in.
    int lock = 0;
    if (shflag == _SH_DENYWR || shflag == _SH_DENYRD || shflag == _SH_DENYRW)
        lock = LOCK_EX;
    else if (writes)
        lock = LOCK_SH;

    const int fd = platform::OpenSharedFile(path, flags, lock, kind == 'w');
    if (fd < 0)
        return nullptr;
    // fdopen takes the mode without the text/binary letters' platform meanings.
    std::string streamMode(1, kind);
    if (plus)
        streamMode += '+';
    FILE* f = ::fdopen(fd, streamMode.c_str());
    if (!f) {
        const int err = errno;
        ::close(fd);
        SetLastError(Win32ErrorFromErrno(err));
        errno = err;
    }
    return f;
}

namespace platform {

std::string NativePath(std::string_view path)
{
    std::string native(path);
    for (char& c : native)
        if (c == '\\')
            c = '/';
    return native;
}

int OpenSharedFile(const std::string& path, int flags, int lock, bool truncate)
{
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        const int err = errno;
        SetLastError(Win32ErrorFromErrno(err));
        errno = err;
        return -1;
    }
    if (lock && ::flock(fd, lock | LOCK_NB) != 0) {
        ::close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        errno = EACCES;
        return -1;
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        const int err = errno;
        ::close(fd);
        SetLastError(Win32ErrorFromErrno(err));
        errno = err;
        return -1;
    }
    return fd;
}

} // namespace platform
