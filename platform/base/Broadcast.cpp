#include "base/Broadcast.h"

#include "base/LastError.h"
#include "base/MessageLoop.h"
#include "base/PlatformRoot.h"
#include "base/Process.h"
#include "base/WinError.h"
#include "base/Window.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

constexpr char kMagic[4] = {'B', 'R', 'D', '1'};
constexpr std::size_t kMaxName = 256;

// What a request carries over the socket.
struct Request {
    std::string name;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint32_t flags = 0;
    std::uint32_t timeout = 0;
};

// Waits until fd is ready for `events` or the deadline passes.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int rc = poll(&p, 1, static_cast<int>(left));
        if (rc > 0)
            return true;
        if (rc < 0 && errno != EINTR)
            return false;
    }
}

bool WriteAll(int fd, const void* data, std::size_t size, std::chrono::steady_clock::time_point deadline)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        if (!WaitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, std::size_t size, std::chrono::steady_clock::time_point deadline)
{
    char* p = static_cast<char*>(data);
    while (size > 0) {
        if (!WaitFor(fd, POLLIN, deadline))
            return false;
        const ssize_t n = recv(fd, p, size, 0);
        if (n == 0)
            return false;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string Encode(const Request& r)
{
    std::string out(kMagic, 4);
    auto put = [&out](const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); };
    const std::uint32_t nameLength = static_cast<std::uint32_t>(r.name.size());
    put(&nameLength, 4);
    out += r.name;
    put(&r.wParam, 8);
    put(&r.lParam, 8);
    put(&r.flags, 4);
    put(&r.timeout, 4);
    return out;
}

bool Decode(int fd, Request& r, std::chrono::steady_clock::time_point deadline)
{
    char magic[4];
    std::uint32_t nameLength = 0;
    if (!ReadAll(fd, magic, 4, deadline) || std::memcmp(magic, kMagic, 4) != 0 ||
        !ReadAll(fd, &nameLength, 4, deadline) || nameLength == 0 || nameLength > kMaxName)
        return false;
    r.name.resize(nameLength);
    return ReadAll(fd, r.name.data(), nameLength, deadline) && ReadAll(fd, &r.wParam, 8, deadline) &&
           ReadAll(fd, &r.lParam, 8, deadline) && ReadAll(fd, &r.flags, 4, deadline) &&
           ReadAll(fd, &r.timeout, 4, deadline);
}

bool PeerIsSameUser(int fd)
{
    ucred cred{};
    socklen_t length = sizeof(cred);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == geteuid();
}

bool FillAddress(const std::filesystem::path& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

std::filesystem::path BroadcastFolder()
{
    const auto folder = RootSubdirectory("objects") / "broadcast";
    std::error_code ec;
    if (std::filesystem::create_directories(folder, ec))
        chmod(folder.c_str(), 0700);
    return folder;
}

// Runs the window's procedure on its owner thread and waits at most `timeout` for the result.
// The message still runs when the wait ends first.
bool DeliverWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT timeout, LRESULT& result)
{
    DWORD processId = 0;
    const DWORD thread = GetWindowThreadProcessId(hwnd, &processId);
    if (!thread) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (thread == GetCurrentThreadId()) {
        bool found = false;
        result = CallWindowProcedure(hwnd, message, wParam, lParam, &found);
        return found;
    }
    const auto loop = MessageLoop::ForThread(thread);
    if (!loop) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    struct Answer {
        std::mutex lock;
        std::condition_variable done;
        bool answered = false;
        LRESULT result = 0;
    };
    auto answer = std::make_shared<Answer>();
    const bool posted = loop->PostTask([answer, hwnd, message, wParam, lParam] {
        const LRESULT r = CallWindowProcedure(hwnd, message, wParam, lParam);
        std::lock_guard lock(answer->lock);
        answer->result = r;
        answer->answered = true;
        answer->done.notify_all();
    });
    if (!posted) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    std::unique_lock lock(answer->lock);
    if (!answer->done.wait_for(lock, std::chrono::milliseconds(timeout), [&] { return answer->answered; })) {
        SetLastError(ERROR_TIMEOUT);
        return false;
    }
    result = answer->result;
    return true;
}

void DeliverToTopLevelWindows(UINT message, WPARAM wParam, LPARAM lParam, UINT timeout)
{
    for (HWND hwnd : TopLevelWindows()) {
        LRESULT ignored = 0;
        DeliverWithTimeout(hwnd, message, wParam, lParam, timeout, ignored);
    }
}

// This process's listening socket and the thread that serves it.
struct Listener {
    std::mutex lock;
    std::filesystem::path socketPath;
    int fd = -1;
    DWORD pid = 0;
};

Listener& TheListener()
{
    static auto* listener = new Listener;
    return *listener;
}

void Serve(int connection)
{
    if (!PeerIsSameUser(connection)) {
        close(connection);
        return;
    }
    Request request;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    if (Decode(connection, request, deadline)) {
        const UINT message = RegisterWindowMessageA(request.name.c_str());
        if (message)
            DeliverToTopLevelWindows(message, static_cast<WPARAM>(request.wParam),
                                     static_cast<LPARAM>(request.lParam), request.timeout);
        const char ack = 1;
        WriteAll(connection, &ack, 1, std::chrono::steady_clock::now() + std::chrono::seconds(1));
    }
    close(connection);
}

void ListenLoop(int fd)
{
    for (;;) {
        const int connection = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            // The socket was closed for a new root (EBADF, EINVAL): this thread is done.
            return;
        }
        Serve(connection);
    }
}

// Connects to another process's socket; false (and the file removed when nobody listens
// there any more) when it cannot be reached or belongs to someone else.
int ConnectTo(const std::filesystem::path& path)
{
    sockaddr_un address{};
    if (!FillAddress(path, address))
        return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        const int err = errno;
        close(fd);
        if (err == ECONNREFUSED) {
            std::error_code ec;
            std::filesystem::remove(path, ec); // its process has ended
        }
        return -1;
    }
    if (!PeerIsSameUser(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendToOtherProcesses(const Request& request)
{
    const auto folder = BroadcastFolder();
    const std::string own = std::to_string(GetCurrentProcessId());
    std::error_code ec;
    std::vector<std::filesystem::path> peers;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().filename() != own)
            peers.push_back(entry.path());
    const std::string bytes = Encode(request);
    for (const auto& peer : peers) {
        const int fd = ConnectTo(peer);
        if (fd < 0)
            continue;
        // Each process gets the time-out (and a little for the way there and back).
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(request.timeout + 50);
        char ack = 0;
        if (WriteAll(fd, bytes.data(), bytes.size(), deadline))
            ReadAll(fd, &ack, 1, deadline);
        close(fd);
    }
}

} // namespace

void ListenForBroadcasts()
{
    Listener& listener = TheListener();
    const auto folder = BroadcastFolder();
    const auto path = folder / std::to_string(GetCurrentProcessId());
    std::lock_guard lock(listener.lock);
    if (listener.fd >= 0 && listener.socketPath == path && listener.pid == GetCurrentProcessId())
        return;
    if (listener.fd >= 0 && listener.pid == GetCurrentProcessId()) {
        shutdown(listener.fd, SHUT_RDWR);
        close(listener.fd);
        std::error_code ec;
        std::filesystem::remove(listener.socketPath, ec);
    }
    listener.fd = -1;
    sockaddr_un address{};
    if (!FillAddress(path, address))
        return;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || chmod(path.c_str(), 0600) != 0 ||
        listen(fd, 16) != 0) {
        close(fd);
        return;
    }
    listener.fd = fd;
    listener.socketPath = path;
    listener.pid = GetCurrentProcessId();
    std::thread(ListenLoop, fd).detach();
}

} // namespace platform

LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
                            DWORD_PTR* lpdwResult)
{
    if (lpdwResult)
        *lpdwResult = 0;
    if (hWnd == HWND_BROADCAST) {
        platform::DeliverToTopLevelWindows(Msg, wParam, lParam, uTimeout);
        if (Msg >= MAXINTATOM) {
            const std::string name = platform::RegisteredMessageName(Msg);
            if (!name.empty()) {
                platform::Request request;
                request.name = name;
                request.wParam = wParam;
                request.lParam = lParam;
                request.flags = fuFlags;
                request.timeout = uTimeout;
                platform::SendToOtherProcesses(request);
            }
        }
        return TRUE;
    }
    LRESULT result = 0;
    if (!platform::DeliverWithTimeout(hWnd, Msg, wParam, lParam, uTimeout, result))
        return 0;
    if (lpdwResult)
        *lpdwResult = static_cast<DWORD_PTR>(result);
    return TRUE;
}
