#include "base/SoundPlayer.h"

#include "base/Process.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

SoundPlayer& SoundPlayer::Instance()
{
    static auto* player = new SoundPlayer;
    return *player;
}

void SoundPlayer::StopLocked()
{
    if (m_current == 0)
        return;
    // The player runs in a process group of its own, so that what it started stops with it.
    kill(-m_current, SIGTERM);
    if (!m_waitedFor) {
        while (waitpid(m_current, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_current = 0;
    m_waitedFor = false;
}

void SoundPlayer::Stop()
{
    std::lock_guard guard(m_lock);
    StopLocked();
}

bool SoundPlayer::Play(const std::vector<std::string>& command, const std::string& file, bool wait)
{
    if (command.empty())
        return false;
    const std::string program = FindProgram(command.front());
    if (program.empty())
        return false;
    std::vector<std::string> words = command;
    words.push_back(file);
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    {
        std::lock_guard guard(m_lock);
        StopLocked();
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
        posix_spawnattr_setpgroup(&attributes, 0);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        const int rc = posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        if (rc != 0)
            return false;
        m_current = pid;
        m_waitedFor = wait;
    }
    if (wait) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        std::lock_guard guard(m_lock);
        if (m_current == pid) {
            m_current = 0;
            m_waitedFor = false;
        }
    }
    return true;
}

} // namespace platform
