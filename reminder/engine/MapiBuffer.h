// A MAPI buffer (MAPIAllocateBuffer and everything chained to it) freed with MAPIFreeBuffer
// when the holder goes.
#pragma once

#include "mapi/Mapi.h"

#include <utility>

template <class T>
class CMapiBuffer {
public:
    CMapiBuffer() = default;
    explicit CMapiBuffer(T* p) : m_p(p) {}
    ~CMapiBuffer() { Free(); }
    CMapiBuffer(const CMapiBuffer&) = delete;
    CMapiBuffer& operator=(const CMapiBuffer&) = delete;

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out parameters: frees what is held first.
    T** put()
    {
        Free();
        return &m_p;
    }
    T* release() { return std::exchange(m_p, nullptr); }
    void Free()
    {
        if (m_p)
            MAPIFreeBuffer(std::exchange(m_p, nullptr));
    }

private:
    T* m_p = nullptr;
};
