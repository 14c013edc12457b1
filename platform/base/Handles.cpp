#include "base/Handles.h"

#include "base/Event.h"
#include "base/LastError.h"
#include "base/ObjectTable.h"
#include "base/WinError.h"

namespace {

platform::ObjectTable<platform::KernelObject>& Table()
{
    static auto* table = new platform::ObjectTable<platform::KernelObject>;
    return *table;
}

} // namespace

namespace platform {

DWORD KernelObject::Wait(DWORD)
{
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

HANDLE AddKernelHandle(std::shared_ptr<KernelObject> object)
{
    return object ? reinterpret_cast<HANDLE>(Table().Add(std::move(object))) : nullptr;
}

std::shared_ptr<KernelObject> KernelObjectOf(HANDLE handle)
{
    return Table().Get(reinterpret_cast<std::uintptr_t>(handle));
}

} // namespace platform

BOOL CloseHandle(HANDLE handle)
{
    if (!Table().Remove(reinterpret_cast<std::uintptr_t>(handle))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name)
{
    if (name) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return platform::AddKernelHandle(std::make_shared<platform::Event>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event)
{
    const auto object = platform::KernelObjectAs<platform::Event>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event)
{
    const auto object = platform::KernelObjectAs<platform::Event>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    const auto object = platform::KernelObjectOf(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(milliseconds);
}
