// Named mutex objects shared by the processes of one user on one platform root, the way a
// program makes sure that it runs once: the object exists while any process holds a handle to
// it, and a process that ends (also by a crash or a kill) lets go of its handles. Each object is
// a lock file under <root>/objects/ that every holder keeps a shared lock on.
#pragma once

#include "base/Handles.h"
#include "base/WinTypes.h"

#include <memory>
#include <string>

namespace platform {

class NamedMutex {
public:
    // Opens the object of that name, creating it when no process holds it. `existed` tells
    // whether some holder (this process or another) had it already. Null with `error` set
    // when it cannot be opened: ERROR_ACCESS_DENIED when another user's object has the name,
    // ERROR_INVALID_PARAMETER for an empty name.
    static std::shared_ptr<NamedMutex> Open(const std::string& name, bool& existed, DWORD& error);

    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    const std::string& Name() const { return m_name; }

private:
    NamedMutex(std::string name, int fd) : m_name(std::move(name)), m_fd(fd) {}

    std::string m_name;
    int m_fd;
};

} // namespace platform

extern "C" {
// A handle to the named mutex, closed with CloseHandle. GetLastError is ERROR_ALREADY_EXISTS when
// some process held it already, else ERROR_SUCCESS. Null with the last error set when it cannot
// be opened (ERROR_ACCESS_DENIED: another user's). Only the object's existence is offered: an
// unnamed mutex or one owned at once (waiting on it, ReleaseMutex) gives ERROR_NOT_SUPPORTED.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
}
