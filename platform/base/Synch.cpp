#include "base/Synch.h"

#include "base/LastError.h"
#include "base/PlatformRoot.h"
#include "base/WinError.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

struct OpenMutexes {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<NamedMutex>> byName; // names are case-sensitive
};

OpenMutexes& Mutexes()
{
    static auto* table = new OpenMutexes;
    return *table;
}

// Letters, digits and a few marks stand as they are; every other byte as %XX, so that any name
// is one file name of its own.
std::string FileNameOf(const std::string& name)
{
    static const char* hex = "0123456789ABCDEF";
    std::string file = "mutex-";
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '{' || c == '}')
            file.push_back(static_cast<char>(c));
        else {
            file.push_back('%');
            file.push_back(hex[c >> 4]);
            file.push_back(hex[c & 15]);
        }
    }
    return file;
}

DWORD OpenError(int err) { return err == EACCES || err == EPERM ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE; }

int FlockRetrying(int fd, int operation)
{
    int rc;
    do
        rc = flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

} // namespace

std::shared_ptr<NamedMutex> NamedMutex::Open(const std::string& name, bool& existed, DWORD& error)
{
    existed = false;
    error = ERROR_SUCCESS;
    if (name.empty()) {
        error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    auto& table = Mutexes();
    std::lock_guard lock(table.lock);
    if (auto it = table.byName.find(name); it != table.byName.end()) {
        if (auto held = it->second.lock()) {
            existed = true;
            return held;
        }
        table.byName.erase(it);
    }

    const auto folder = RootSubdirectory("objects");
    const auto path = folder / FileNameOf(name);
    // Creation and the test for other holders happen under a second lock, so that two
    // processes starting together cannot both find the object free.
    const auto guardPath = folder / (FileNameOf(name) + ".guard");
    const int guard = open(guardPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (guard < 0) {
        error = OpenError(errno);
        return nullptr;
    }
    FlockRetrying(guard, LOCK_EX);
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = OpenError(errno);
        close(guard);
        return nullptr;
    }
    if (FlockRetrying(fd, LOCK_EX | LOCK_NB) == 0) {
        existed = false;
    } else {
        existed = true;
    }
    // Every holder keeps a shared lock; under the guard nobody holds it exclusively meanwhile.
    FlockRetrying(fd, LOCK_SH);
    close(guard); // drops the guard's lock

    std::shared_ptr<NamedMutex> mutex(new NamedMutex(name, fd));
    table.byName[name] = mutex;
    return mutex;
}

namespace {

// The mutex as a kind of kernel handle: a handle keeps the object open.
class MutexHandle : public KernelObject {
public:
    explicit MutexHandle(std::shared_ptr<NamedMutex> mutex) : m_mutex(std::move(mutex)) {}

private:
    std::shared_ptr<NamedMutex> m_mutex;
};

} // namespace

NamedMutex::~NamedMutex()
{
    // Under the table's lock, so that this process opening the name again meanwhile waits until
    // the lock is given back.
    std::lock_guard lock(Mutexes().lock);
    if (m_fd >= 0)
        close(m_fd);
}

} // namespace platform

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name)
{
    if (!name || !*name || initialOwner) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    bool existed = false;
    DWORD error = ERROR_SUCCESS;
    auto mutex = platform::NamedMutex::Open(name, existed, error);
    if (!mutex) {
        SetLastError(error);
        return nullptr;
    }
    HANDLE handle = platform::AddKernelHandle(std::make_shared<platform::MutexHandle>(std::move(mutex)));
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}
