#include "base/CommandInterpreter.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

bool IsExecutable(const std::string& path)
{
    return ::access(path.c_str(), X_OK) == 0;
}

bool InterpreterAvailable(const char* interpreter)
{
    if (std::strchr(interpreter, '/'))
        return IsExecutable(interpreter);
    const char* path = std::getenv("PATH");
    std::string_view dirs = path && *path ? path : "/bin:/usr/bin";
    while (true) {
        const auto colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / interpreter;
        if (IsExecutable(candidate.string()))
            return true;
        if (colon == std::string_view::npos)
            return false;
        dirs.remove_prefix(colon + 1);
    }
}

} // namespace

const char* CommandInterpreter()
{
    const char* comspec = std::getenv("COMSPEC");
    return comspec && *comspec ? comspec : "/bin/sh";
}

int system(const char* command)
{
    const char* interpreter = CommandInterpreter();
    if (!command) {
        if (InterpreterAvailable(interpreter))
            return 1;
        errno = ENOENT;
        return 0;
    }

    std::fflush(nullptr);
    std::string program = interpreter;
    std::string dashC = "-c";
    std::string line = command;
    char* argv[] = {program.data(), dashC.data(), line.data(), nullptr};
    pid_t pid = 0;
    const int rc = std::strchr(interpreter, '/') ? posix_spawn(&pid, interpreter, nullptr, nullptr, argv, environ)
                                                 : posix_spawnp(&pid, interpreter, nullptr, nullptr, argv, environ);
    if (rc != 0) {
        errno = rc;
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace platform
