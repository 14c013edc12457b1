#include "base/Process.h"

#include "base/LastError.h"
#include "base/PlatformRoot.h"
#include "base/Utf.h"
#include "base/WinError.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr UINT kStarted = 33;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Slashes(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string ExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Why a program path cannot be started, before trying: 0 when it looks startable.
DWORD CheckProgram(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOTDIR)
            return ERROR_PATH_NOT_FOUND;
        const fs::path parent = fs::path(path).parent_path();
        std::error_code ec;
        if (!parent.empty() && !fs::is_directory(parent, ec))
            return ERROR_PATH_NOT_FOUND;
        return ERROR_FILE_NOT_FOUND;
    }
    if (S_ISDIR(st.st_mode) || access(path.c_str(), X_OK) != 0)
        return ERROR_ACCESS_DENIED;
    if (!S_ISREG(st.st_mode))
        return ERROR_BAD_FORMAT;
    return 0;
}

DWORD ErrorOfExec(int err)
{
    switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOEXEC:
    case EINVAL:
    case ELIBBAD: return ERROR_BAD_FORMAT;
    default: return 0; // out of resources
    }
}

ssize_t WriteAll(int fd, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

// Starts `path` with `args` (argv[0] included) detached: an intermediate child starts the
// program and ends at once, so the program is not our child and leaves no zombie behind.
// Returns 0 when the program started, else a Win32 error code (0 means out of resources, which
// is reported as ERROR_NOT_ENOUGH_MEMORY here).
DWORD StartDetached(const std::string& path, const std::vector<std::string>& args, const std::string& directory)
{
    if (const DWORD problem = CheckProgram(path))
        return problem;

    // Everything the children need is prepared before fork: after it only async-signal-safe calls.
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return ERROR_NOT_ENOUGH_MEMORY;

    const pid_t middle = fork();
    if (middle < 0) {
        close(report[0]);
        close(report[1]);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (middle == 0) {
        close(report[0]);
        const pid_t program = fork();
        if (program == 0) {
            setsid();
            if (!directory.empty() && chdir(directory.c_str()) != 0) {
                const int err = errno;
                WriteAll(report[1], &err, sizeof err);
                _exit(127);
            }
            execve(path.c_str(), argv.data(), environ);
            const int err = errno;
            WriteAll(report[1], &err, sizeof err);
            _exit(127);
        }
        if (program < 0) {
            const int err = EAGAIN;
            WriteAll(report[1], &err, sizeof err);
        }
        _exit(0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes on a successful exec; an error number arrives otherwise.
    int err = 0;
    size_t got = 0;
    while (got < sizeof err) {
        const ssize_t n = read(report[0], reinterpret_cast<char*>(&err) + got, sizeof err - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(report[0]);
    if (got == 0)
        return 0;
    if (got != sizeof err)
        return ERROR_NOT_ENOUGH_MEMORY;
    if (err == ENOENT && !directory.empty()) {
        struct stat st {};
        if (stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return ERROR_PATH_NOT_FOUND;
    }
    const DWORD code = ErrorOfExec(err);
    return code ? code : ERROR_NOT_ENOUGH_MEMORY;
}

// A ShellExecute error number from a Win32 error of StartDetached.
INT_PTR ShellError(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return SE_ERR_FNF;
    case ERROR_PATH_NOT_FOUND: return SE_ERR_PNF;
    case ERROR_ACCESS_DENIED: return SE_ERR_ACCESSDENIED;
    case ERROR_BAD_FORMAT: return ERROR_BAD_FORMAT;
    default: return 0;
    }
}

HINSTANCE ShellResult(INT_PTR value)
{
    return reinterpret_cast<HINSTANCE>(value);
}

// "scheme:..." with a scheme of at least two characters (so that no single-letter prefix is
// taken for one).
bool IsUrl(std::string_view text)
{
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2)
        return false;
    if (!std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

std::optional<std::string> Environment(const std::string& name)
{
    if (const char* value = std::getenv(name.c_str()))
        return std::string(value);
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry(*e);
        const auto eq = entry.find('=');
        if (eq != std::string_view::npos && platform::EqualNoCase(entry.substr(0, eq), name))
            return std::string(entry.substr(eq + 1));
    }
    if (platform::EqualNoCase(name, "windir") || platform::EqualNoCase(name, "SystemRoot"))
        return platform::WindowsDirectory().string();
    return std::nullopt;
}

} // namespace

namespace platform {

std::vector<std::string> SplitArguments(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    const std::size_t n = text.size();
    for (;;) {
        while (i < n && IsBlank(text[i]))
            ++i;
        if (i >= n)
            break;
        std::string word;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(text[i]))) {
            if (text[i] == '\\') {
                std::size_t slashes = 0;
                while (i < n && text[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && text[i] == '"') {
                    word.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        word.push_back('"');
                        ++i;
                    }
                    // An even count leaves the quote to the code below.
                } else {
                    word.append(slashes, '\\');
                }
                continue;
            }
            if (text[i] == '"') {
                if (quoted && i + 1 < n && text[i + 1] == '"') {
                    word.push_back('"');
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            word.push_back(text[i]);
            ++i;
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<std::string> CommandLineToArgs(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i >= line.size())
        return {};
    std::string first;
    if (line[i] == '"') {
        const auto close = line.find('"', i + 1);
        if (close == std::string_view::npos) {
            first = std::string(line.substr(i + 1));
            i = line.size();
        } else {
            first = std::string(line.substr(i + 1, close - i - 1));
            i = close + 1;
        }
    } else {
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        first = std::string(line.substr(start, i - start));
    }
    std::vector<std::string> words{std::move(first)};
    for (auto& word : SplitArguments(line.substr(i)))
        words.push_back(std::move(word));
    return words;
}

std::string FindProgram(std::string_view name)
{
    const std::string program = Slashes(name);
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return program;
    std::vector<std::string> folders;
    if (const std::string own = ExecutableFolder(); !own.empty())
        folders.push_back(own);
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest(path);
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            const std::string_view folder = rest.substr(0, colon);
            folders.emplace_back(folder.empty() ? "." : folder);
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
    }
    for (const auto& folder : folders) {
        const std::string candidate = folder + "/" + program;
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

} // namespace platform

DWORD GetCurrentProcessId()
{
    return static_cast<DWORD>(getpid());
}

DWORD GetCurrentThreadId()
{
    return static_cast<DWORD>(gettid());
}

UINT WinExec(LPCSTR cmdLine, UINT)
{
    if (!cmdLine) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR_FILE_NOT_FOUND;
    }
    auto args = platform::CommandLineToArgs(cmdLine);
    if (args.empty() || args.front().empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    const std::string path = platform::FindProgram(args.front());
    if (path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    const DWORD error = StartDetached(path, args, {});
    if (error) {
        SetLastError(error);
        return error == ERROR_NOT_ENOUGH_MEMORY ? 0 : error;
    }
    return kStarted;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT)
{
    if (verb && *verb && !platform::EqualNoCase(verb, "open"))
        return ShellResult(SE_ERR_NOASSOC);
    if (!file || !*file)
        return ShellResult(SE_ERR_FNF);

    const std::string folder = directory && *directory ? Slashes(directory) : std::string();
    std::string target = file;
    if (!IsUrl(target)) {
        target = Slashes(target);
        std::error_code ec;
        fs::path where(target);
        if (where.is_relative() && !folder.empty())
            where = fs::path(folder) / where;
        // A bare program name is found as WinExec finds it.
        if (!fs::exists(where, ec) && target.find('/') == std::string::npos) {
            const std::string program = platform::FindProgram(target);
            if (!program.empty())
                where = program;
        }
        if (!fs::exists(where, ec)) {
            const fs::path parent = where.parent_path();
            return ShellResult(!parent.empty() && !fs::is_directory(parent, ec) ? SE_ERR_PNF : SE_ERR_FNF);
        }
        target = where.string();
        if (IsExecutableFile(target)) {
            std::vector<std::string> args{target};
            if (parameters)
                for (auto& a : platform::SplitArguments(parameters))
                    args.push_back(std::move(a));
            const DWORD error = StartDetached(target, args, folder);
            return ShellResult(error ? ShellError(error) : 42);
        }
    }

    std::string opener;
    if (const char* chosen = std::getenv(platform::kShellOpenVariable); chosen && *chosen)
        opener = platform::FindProgram(chosen);
    else
        opener = platform::FindProgram("xdg-open");
    if (opener.empty())
        return ShellResult(SE_ERR_NOASSOC);
    const DWORD error = StartDetached(opener, {opener, target}, folder);
    return ShellResult(error ? ShellError(error) : 42);
}

DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size)
{
    if (!source) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string out;
    const std::string_view text(source);
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '%') {
            const auto close = text.find('%', i + 1);
            if (close != std::string_view::npos && close > i + 1) {
                const std::string name(text.substr(i + 1, close - i - 1));
                if (const auto value = Environment(name)) {
                    out += *value;
                    i = close + 1;
                    continue;
                }
                // Unknown: keep "%NAME" and look again from the closing '%'.
                out.append(text.substr(i, close - i));
                i = close;
                continue;
            }
        }
        out.push_back(text[i]);
        ++i;
    }
    const DWORD needed = static_cast<DWORD>(out.size() + 1);
    if (destination && size >= needed)
        std::memcpy(destination, out.c_str(), needed);
    else if (destination && size > 0)
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return needed;
}
