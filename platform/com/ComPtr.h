// ComPtr<T>: a counted reference to a COM object, released when it goes.
#pragma once

#include "com/Unknown.h"

#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference.
    ComPtr(T* p) noexcept : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Release(); }

    ComPtr& operator=(const ComPtr& other) noexcept
    {
        if (other.m_p)
            other.m_p->AddRef();
        Release();
        m_p = other.m_p;
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            Release();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    ComPtr& operator=(T* p) noexcept
    {
        if (p)
            p->AddRef();
        Release();
        m_p = p;
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept
    {
        Release();
        return *this;
    }

    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    T* get() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    // Releases what it holds and gives the address for an out-parameter.
    T** put() noexcept
    {
        Release();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // Takes over a reference without adding one.
    void Attach(T* p) noexcept
    {
        Release();
        m_p = p;
    }
    // Hands over the reference without releasing it.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(m_p, nullptr); }

    void Release() noexcept
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }

    // Copies the reference into an out-parameter, adding one.
    HRESULT CopyTo(T** pp) const noexcept
    {
        if (!pp)
            return E_POINTER;
        *pp = m_p;
        if (m_p)
            m_p->AddRef();
        return S_OK;
    }

    template <class Q>
    HRESULT As(ComPtr<Q>& out) const noexcept
    {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(uuidof<Q>(), out.put_void());
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.m_p == b.m_p; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.m_p == nullptr; }

private:
    T* m_p = nullptr;
};
