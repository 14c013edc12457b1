#include "base/Profile.h"

#include "base/IniFile.h"
#include "base/LastError.h"
#include "base/PlatformRoot.h"
#include "base/WinError.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace platform {

fs::path ProfilePath(const char* fileName)
{
    std::string name = fileName ? fileName : "";
    for (char& c : name)
        if (c == '\\')
            c = '/';
    if (name.find('/') == std::string::npos)
        return WindowsDirectory() / name;
    return fs::path(name);
}

} // namespace platform

namespace {

// Serialises the read-modify-write of writers (threads or processes) through an advisory lock
// on the file's folder, so that no change is lost and no lock file is left behind.
class ProfileLock {
public:
    explicit ProfileLock(const fs::path& file)
    {
        const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
        m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~ProfileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

private:
    int m_fd = -1;
};

// Copies a list of names as zero-terminated strings followed by one more zero. When the
// buffer is too small the list is cut, still ends in two zeros, and size - 2 is returned.
DWORD CopyList(const std::vector<std::string>& names, LPSTR buffer, DWORD size)
{
    if (size == 0)
        return 0;
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    DWORD used = 0;
    for (const auto& n : names) {
        if (used + n.size() + 1 > size - 1) {
            // Cut inside this name: fill up to the room left and end with two zeros.
            if (used < size - 2)
                std::memcpy(buffer + used, n.data(), size - 2 - used);
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buffer + used, n.data(), n.size());
        used += static_cast<DWORD>(n.size());
        buffer[used++] = '\0';
    }
    buffer[used] = '\0';
    if (used == 0)
        buffer[1] = '\0'; // an empty list is two zeros
    return used;
}

// Copies one string; when it does not fit, size - 1 characters and a zero, returning size - 1.
DWORD CopyString(const std::string& text, LPSTR buffer, DWORD size)
{
    if (size == 0)
        return 0;
    const DWORD n = text.size() < size ? static_cast<DWORD>(text.size()) : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}

std::string StripQuotes(std::string value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string DefaultText(LPCSTR defaultValue)
{
    std::string text = defaultValue ? defaultValue : "";
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName)
{
    if (!buffer || !fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const fs::path path = platform::ProfilePath(fileName);
    platform::IniFile ini;
    // Writers replace the file by renaming, so a reader needs no lock to see a whole file.
    if (!ini.load(path))
        SetLastError(ERROR_FILE_NOT_FOUND);

    if (!section)
        return CopyList(ini.sectionNames(), buffer, size);
    if (!key) {
        const auto keys = ini.keyNames(section);
        return CopyList(keys ? *keys : std::vector<std::string>{}, buffer, size);
    }
    const auto value = ini.value(section, key);
    if (!value)
        return CopyString(DefaultText(defaultValue), buffer, size);
    return CopyString(StripQuotes(*value), buffer, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName)
{
    if (!section || !key)
        return static_cast<UINT>(defaultValue);
    char text[64];
    const DWORD n = GetPrivateProfileStringA(section, key, "", text, sizeof text, fileName);
    if (n == 0)
        return static_cast<UINT>(defaultValue);
    // Leading digits count, with an optional sign and "0x" for hexadecimal; "12abc" is 12
    // and a value without digits is 0.
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    unsigned long long v = 0;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        for (p += 2; std::isxdigit(static_cast<unsigned char>(*p)); ++p)
            v = (v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(*p)) ? *p - '0' : (*p | 0x20) - 'a' + 10)) & 0xFFFFFFFFULL;
    } else {
        for (; *p >= '0' && *p <= '9'; ++p)
            v = (v * 10 + static_cast<unsigned>(*p - '0')) & 0xFFFFFFFFULL;
    }
    const auto result = static_cast<UINT>(v);
    return negative ? 0u - result : result;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
{
    // A line break (or a ']' in a section name, a '=' in a key) would write other sections or
    // keys than the caller named.
    const auto breaks = [](LPCSTR text, const char* extra) {
        return text && (std::strpbrk(text, "\r\n") || (extra && std::strpbrk(text, extra)));
    };
    if (!section || !fileName || breaks(section, "]") || breaks(key, "=") || breaks(value, nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const fs::path path = platform::ProfilePath(fileName);
    std::error_code ec;
    if (!path.parent_path().empty() && !fs::is_directory(path.parent_path(), ec)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    ProfileLock lock(path);
    platform::IniFile ini;
    const bool existed = ini.load(path);
    if (!key)
        ini.removeSection(section);
    else if (!value)
        ini.removeKey(section, key);
    else
        ini.setValue(section, key, value);
    if (!existed && (!key || !value))
        return TRUE; // nothing to delete in a file that does not exist

    // Written beside and renamed over, so that a reader never sees half a file.
    const std::string temp = path.string() + ".new";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        SetLastError(Win32ErrorFromErrno(errno));
        return FALSE;
    }
    const std::string text = ini.serialize();
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        std::remove(temp.c_str());
        return FALSE;
    }
    return TRUE;
}
