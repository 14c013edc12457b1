// The engine's objects as the tool holds them: a counted reference that raises E_POINTER as a
// CComError when a member is reached through it while it is empty. Handlers that may meet an
// empty engine catch it and show the failure like any other.
#pragma once

#include "com/ComPtr.h"

#include <stdexcept>

class CComError : public std::runtime_error {
public:
    explicit CComError(HRESULT hr) : std::runtime_error("COM error"), m_hr(hr) {}
    HRESULT Error() const noexcept { return m_hr; }

private:
    HRESULT m_hr;
};

template <class T>
class CEnginePtr : public ComPtr<T> {
public:
    using ComPtr<T>::ComPtr;
    using ComPtr<T>::operator=;
    CEnginePtr() noexcept = default;
    CEnginePtr(const ComPtr<T>& other) noexcept : ComPtr<T>(other) {}

    T* operator->() const
    {
        if (!this->get())
            throw CComError(E_POINTER);
        return this->get();
    }
};
