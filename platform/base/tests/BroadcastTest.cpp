// Registered messages broadcast to the top-level windows of this process and of other
// processes of the same user, with a time-out per window and per process.
#include "base/Broadcast.h"

#include "base/LastError.h"
#include "base/MessageLoop.h"
#include "base/WinError.h"
#include "base/PlatformRoot.h"
#include "base/Window.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kName = "Tembrix-{EBC54183-39B4-4b44-839B-2A80F191FB03}";

// Reads one line from fd within the time; "" when nothing came.
std::string ReadLine(int fd, int milliseconds)
{
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return "";
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char c = 0;
        if (read(fd, &c, 1) != 1)
            return "";
        if (c == '\n')
            return line;
        line.push_back(c);
    }
}

// Another process with one top-level window that writes each lParam of the registered message
// to a pipe (after sleeping `delayMs` in its procedure), running its loop until killed.
struct Peer {
    pid_t pid = -1;
    int out = -1;

    explicit Peer(int delayMs = 0, bool asNobody = false)
    {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            if (asNobody && setuid(65534) != 0)
                _exit(3);
            const int w = fds[1];
            const UINT message = RegisterWindowMessageA(kName);
            HWND hwnd = platform::CreateMessageWindow("PeerFrame", "Peer", [=](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
                if (m == message) {
                    if (delayMs)
                        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                    const std::string text = std::to_string(l) + "\n";
                    (void)!write(w, text.data(), text.size());
                }
                return 0;
            });
            platform::ListenForBroadcasts();
            const std::string ready = hwnd ? "ready\n" : "failed\n";
            (void)!write(w, ready.data(), ready.size());
            platform::MessageLoop::Current().Run();
            _exit(0);
        }
        close(fds[1]);
        out = fds[0];
        EXPECT_EQ(ReadLine(out, 5000), "ready");
    }
    ~Peer()
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(out);
    }
};

LRESULT Broadcast(LPARAM lParam, UINT timeout = 200)
{
    DWORD_PTR result = 99;
    const LRESULT rc = SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA(kName), 0, lParam,
                                           SMTO_BLOCK | SMTO_ABORTIFHUNG, timeout, &result);
    EXPECT_EQ(result, 0u);
    return rc;
}

TEST(Broadcast, ReachesTheTopLevelWindowsOfAnotherProcess)
{
    TempRoot root;
    Peer peer;
    Peer second;
    EXPECT_TRUE(Broadcast(3));
    EXPECT_EQ(ReadLine(peer.out, 2000), "3");
    EXPECT_EQ(ReadLine(second.out, 2000), "3");
    EXPECT_TRUE(Broadcast(0));
    EXPECT_EQ(ReadLine(peer.out, 2000), "0");
}

TEST(Broadcast, ReachesThisProcessesTopLevelWindowsButNotMessageOnlyOnes)
{
    TempRoot root;
    const UINT message = RegisterWindowMessageA(kName);
    std::vector<std::string> got;
    auto procedure = [&](const char* who) {
        return [&got, message, who](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
            if (m == message)
                got.push_back(std::string(who) + "=" + std::to_string(l));
            return 0;
        };
    };
    HWND frame = platform::CreateMessageWindow("Frame", "Frame", procedure("frame"));
    HWND sink = platform::CreateMessageWindow("Sink", "", procedure("sink"), HWND_MESSAGE);
    HWND child = platform::CreateMessageWindow("Child", "", procedure("child"), frame);
    ASSERT_TRUE(frame && sink && child);
    EXPECT_TRUE(Broadcast(2));
    EXPECT_EQ(got, (std::vector<std::string>{"frame=2"}));
    DestroyWindow(sink);
    DestroyWindow(frame);
}

TEST(Broadcast, HungPeersCostAtMostTheirTimeOut)
{
    TempRoot root;
    Peer hung(3000);
    // A process that listens but never answers.
    const auto silentPath = platform::RootSubdirectory("objects") / "broadcast" / "999999";
    const int silent = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, silentPath.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    Peer quick;

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Broadcast(1, 200));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
    EXPECT_EQ(ReadLine(quick.out, 2000), "1");
    close(silent);
}

TEST(Broadcast, StaleSocketsOfEndedProcessesAreRemoved)
{
    TempRoot root;
    std::filesystem::path stale;
    {
        Peer gone;
        stale = platform::RootSubdirectory("objects") / "broadcast" / std::to_string(gone.pid);
        EXPECT_TRUE(std::filesystem::exists(stale));
    }
    EXPECT_TRUE(Broadcast(1));
    EXPECT_FALSE(std::filesystem::exists(stale));
}

TEST(Broadcast, OtherUsersAreNeitherHeardNorSentTo)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    TempRoot root;
    // Let another user reach the folder at all, so that only the checks stand in the way.
    const auto folder = platform::RootSubdirectory("objects") / "broadcast";
    std::filesystem::create_directories(folder);
    for (auto dir = folder; dir != root.path().parent_path(); dir = dir.parent_path())
        chmod(dir.c_str(), 0777);
    Peer foreign(0, true);

    Peer own;
    const auto ownSocket = folder / std::to_string(own.pid);
    chmod(folder.c_str(), 0777);
    chmod(ownSocket.c_str(), 0666);
    EXPECT_TRUE(Broadcast(2));
    EXPECT_EQ(ReadLine(own.out, 2000), "2");
    EXPECT_EQ(ReadLine(foreign.out, 500), "") << "a listener of another user gets nothing";

    // A request of another user is refused by the listener.
    const pid_t pid = fork();
    if (pid == 0) {
        if (setuid(65534) != 0)
            _exit(3);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, ownSocket.c_str(), sizeof(address.sun_path) - 1);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
            _exit(4);
        std::string request = "BRD1";
        const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(kName));
        const std::uint64_t wParam = 0;
        const std::int64_t lParam = 1;
        const std::uint32_t flags = 3, timeout = 200;
        request.append(reinterpret_cast<const char*>(&length), 4);
        request += kName;
        request.append(reinterpret_cast<const char*>(&wParam), 8);
        request.append(reinterpret_cast<const char*>(&lParam), 8);
        request.append(reinterpret_cast<const char*>(&flags), 4);
        request.append(reinterpret_cast<const char*>(&timeout), 4);
        (void)!send(fd, request.data(), request.size(), MSG_NOSIGNAL); // the listener may hang up first
        char ack = 0;
        _exit(read(fd, &ack, 1) == 1 ? 5 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the listener answered another user";
    EXPECT_EQ(ReadLine(own.out, 500), "");
}

TEST(SendMessageTimeout, OneWindowOnAnotherThreadAnswersOrTimesOut)
{
    TempRoot root;
    HWND hwnd = nullptr;
    std::atomic<bool> stop{false};
    std::promise<void> made;
    std::thread owner([&] {
        hwnd = platform::CreateMessageWindow("Slow", "", [](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
            if (m == WM_USER + 1)
                std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(w)));
            return 42;
        }, HWND_MESSAGE);
        made.set_value();
        platform::MessageLoop::Current().RunUntil([&] { return stop.load(); });
    });
    made.get_future().wait();
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(hwnd, WM_USER + 1, 0, 0, SMTO_NORMAL, 1000, &result));
    EXPECT_EQ(result, 42u);
    EXPECT_FALSE(SendMessageTimeoutA(hwnd, WM_USER + 1, 500, 0, SMTO_NORMAL, 50, &result));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_FALSE(SendMessageTimeoutA(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0, SMTO_NORMAL, 50, &result));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    stop = true;
    PostMessageA(hwnd, WM_NULL, 0, 0);
    owner.join();
}

} // namespace
