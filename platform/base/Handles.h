// Kernel handles: one table for every kind of kernel object of the process, closed with
// CloseHandle. A kind is a class derived from KernelObject; it is put into the table with
// AddKernelHandle and found again with KernelObjectOf. The first kind here is the in-process
// event; waitable kinds answer WaitForSingleObject.
#pragma once

#include "base/WinTypes.h"

#include <memory>

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED 0xFFFFFFFF

namespace platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Waits until the object is signalled (taking it, for kinds that are taken by a wait) or the
    // time runs out: WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED with the last error set. Kinds
    // that cannot be waited for keep this: WAIT_FAILED, ERROR_INVALID_HANDLE.
    virtual DWORD Wait(DWORD milliseconds);
};

// A new handle for the object. The object lives while a handle (or a wait) holds it.
HANDLE AddKernelHandle(std::shared_ptr<KernelObject> object);
// The object of a live handle (null for a closed or unknown one).
std::shared_ptr<KernelObject> KernelObjectOf(HANDLE handle);

template <typename T>
std::shared_ptr<T> KernelObjectAs(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(KernelObjectOf(handle));
}

} // namespace platform

extern "C" {
// Removes the handle from the table; FALSE and ERROR_INVALID_HANDLE for one that is not open.
BOOL CloseHandle(HANDLE handle);

// An unnamed in-process event: manual reset (stays signalled until ResetEvent) or auto reset
// (a wait that it releases resets it, so one SetEvent releases one waiter). A name gives null
// and ERROR_NOT_SUPPORTED.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Milliseconds or INFINITE; WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED (ERROR_INVALID_HANDLE
// for a handle that is not open or cannot be waited for).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
}
