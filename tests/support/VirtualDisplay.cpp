#include "VirtualDisplay.h"

#include "base/Process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Waiting longer than this for the server to report its display means it will not.
constexpr auto kStartTimeout = std::chrono::seconds(20);

std::string QuoteForShell(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

bool VirtualDisplay::Available()
{
    return !platform::FindProgram("Xvfb").empty();
}

VirtualDisplay::VirtualDisplay(int width, int height)
{
    const std::string program = platform::FindProgram("Xvfb");
    if (program.empty()) {
        m_error = "Xvfb is not installed";
        return;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        m_error = "pipe failed";
        return;
    }
    // The write end must not already be the descriptor it is duplicated to, or it would keep
    // its close-on-exec mark.
    const int high = fcntl(pipeFds[1], F_DUPFD_CLOEXEC, 10);
    close(pipeFds[1]);
    pipeFds[1] = high;
    if (high < 0) {
        close(pipeFds[0]);
        m_error = "pipe failed";
        return;
    }
    // The server writes its display number to a descriptor it inherits; every other descriptor
    // of ours stays closed to it.
    constexpr int kReportFd = 3;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], kReportFd);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::vector<std::string> args{program, "-displayfd", std::to_string(kReportFd), "-screen", "0", screen,
                                  "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        m_pid = -1;
        m_error = "Xvfb cannot be started";
        return;
    }
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd fd{pipeFds[0], POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char c = 0;
        const ssize_t n = read(pipeFds[0], &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        number += c;
    }
    close(pipeFds[0]);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
        m_error = "Xvfb did not report a display";
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        return;
    }
    m_name = ":" + number;
}

VirtualDisplay::~VirtualDisplay()
{
    if (m_changedEnvironment) {
        if (m_hadDisplay)
            setenv("DISPLAY", m_previousDisplay.c_str(), 1);
        else
            unsetenv("DISPLAY");
    }
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

void VirtualDisplay::makeCurrent()
{
    if (!ok())
        return;
    if (!m_changedEnvironment) {
        const char* previous = std::getenv("DISPLAY");
        m_hadDisplay = previous != nullptr;
        m_previousDisplay = previous ? previous : "";
        m_changedEnvironment = true;
    }
    setenv("DISPLAY", m_name.c_str(), 1);
}

int VirtualDisplay::run(const std::string& shellCommand) const
{
    if (!ok())
        return -1;
    const std::string command = "DISPLAY=" + QuoteForShell(m_name) + " /bin/sh -c " + QuoteForShell(shellCommand);
    return std::system(command.c_str());
}
