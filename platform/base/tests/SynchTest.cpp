// Named mutexes: one object per name for the processes of a user and a platform root, gone
// when its last holder closes it or dies.
#include "base/Synch.h"

#include "base/PlatformRoot.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using platform::NamedMutex;

namespace {

std::shared_ptr<NamedMutex> OpenMutex(const std::string& name, bool& existed)
{
    DWORD error = 0;
    auto mutex = NamedMutex::Open(name, existed, error);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
    return mutex;
}

// A child process that opens the name, reports whether it existed, and holds it until killed.
struct Holder {
    pid_t pid = -1;
    bool existed = true;

    explicit Holder(const std::string& name)
    {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            bool was = false;
            DWORD error = 0;
            auto mutex = NamedMutex::Open(name, was, error);
            const char report = mutex ? (was ? 'e' : 'n') : 'x';
            (void)!write(fds[1], &report, 1);
            pause();
            _exit(0);
        }
        close(fds[1]);
        char report = 0;
        EXPECT_EQ(read(fds[0], &report, 1), 1);
        close(fds[0]);
        EXPECT_NE(report, 'x');
        existed = report == 'e';
    }
    void Kill()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    ~Holder() { Kill(); }
};

TEST(NamedMutex, SecondOpenInTheProcessFindsTheObjectUntilAllHandlesGo)
{
    TempRoot root;
    bool existed = true;
    auto first = OpenMutex("Sample-{1}", existed);
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);
    auto second = OpenMutex("Sample-{1}", existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(first, second);
    // Names are case-sensitive.
    auto other = OpenMutex("sample-{1}", existed);
    EXPECT_FALSE(existed);
    first.reset();
    second.reset();
    auto again = OpenMutex("Sample-{1}", existed);
    EXPECT_FALSE(existed);
}

TEST(NamedMutex, AnotherProcessSeesItAndItGoesWithItsHolder)
{
    TempRoot root;
    Holder holder("Tembrix-{test}");
    EXPECT_FALSE(holder.existed);
    bool existed = false;
    auto mine = OpenMutex("Tembrix-{test}", existed);
    EXPECT_TRUE(existed);
    mine.reset();

    // A second holder keeps the object alive after the first one is killed.
    Holder second("Tembrix-{test}");
    EXPECT_TRUE(second.existed);
    holder.Kill();
    mine = OpenMutex("Tembrix-{test}", existed);
    EXPECT_TRUE(existed);
    mine.reset();
    second.Kill();
    mine = OpenMutex("Tembrix-{test}", existed);
    EXPECT_FALSE(existed) << "killed holders let go of the object";
}

TEST(NamedMutex, NamesWithPathSignsStayOneFile)
{
    TempRoot root;
    bool existed = true;
    auto a = OpenMutex("Global\\a/b", existed);
    ASSERT_TRUE(a);
    EXPECT_FALSE(existed);
    auto b = OpenMutex("Global\\a_b", existed);
    EXPECT_FALSE(existed);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(platform::RootSubdirectory("objects"))) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 4u) << "one lock file and one guard per name";

    DWORD error = 0;
    EXPECT_FALSE(NamedMutex::Open("", existed, error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(NamedMutex, AnotherUsersObjectIsRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    TempRoot root;
    Holder holder("Shared-{x}");
    const pid_t pid = fork();
    if (pid == 0) {
        if (setuid(65534) != 0)
            _exit(3);
        bool was = false;
        DWORD error = 0;
        auto theirs = NamedMutex::Open("Shared-{x}", was, error);
        _exit(!theirs && error == ERROR_ACCESS_DENIED ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace

#include "base/LastError.h"

namespace {

TEST(CreateMutex, HandlesOfOneNameShareTheObjectUntilTheLastIsClosed)
{
    TempRoot root;
    HANDLE first = CreateMutexA(nullptr, FALSE, "Tembrix-{handles}");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE second = CreateMutexA(nullptr, FALSE, "Tembrix-{handles}");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(first, second);
    EXPECT_TRUE(CloseHandle(first));
    HANDLE third = CreateMutexA(nullptr, FALSE, "Tembrix-{handles}");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "the second handle keeps it";
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(third));
    EXPECT_FALSE(CloseHandle(third));
    HANDLE again = CreateMutexA(nullptr, FALSE, "Tembrix-{handles}");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(again, 0), static_cast<DWORD>(WAIT_FAILED)) << "not offered for waiting";
    CloseHandle(again);
}

TEST(CreateMutex, UnnamedOrOwnedMutexesAreNotOffered)
{
    TempRoot root;
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(CreateMutexA(nullptr, TRUE, "Tembrix-{owned}"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

} // namespace
