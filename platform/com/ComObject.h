// ComObject<Derived, Interfaces...>: the reference-counted base of a COM class. It answers
// QueryInterface for IUnknown and each listed interface (IDispatch with the first listed
// interface derived from it), keeps the module's lock count while the object lives, and
// deletes the object when the last reference goes.
//
// Derived may define
//   HRESULT FinalConstruct();                         called after construction; failure deletes
//   void FinalRelease();                              called before deletion
//   HRESULT QueryExtraInterface(REFIID, void** ppv);  more IIDs: set *ppv (no AddRef) or fail
#pragma once

#include "com/Dispatch.h"
#include "com/ModuleLock.h"

#include <atomic>
#include <new>
#include <tuple>
#include <type_traits>
#include <utility>

template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
    static_assert(sizeof...(Interfaces) > 0, "a COM class implements at least one interface");
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = GetUnknown();
        } else if (!(FindListed<Interfaces>(riid, ppv) || ...)) {
            if (IsEqualIID(riid, IID_IDispatch))
                (FindDispatch<Interfaces>(ppv) || ...);
            if (!*ppv) {
                const HRESULT hr = static_cast<Derived*>(this)->QueryExtraInterface(riid, ppv);
                if (FAILED(hr) || !*ppv) {
                    *ppv = nullptr;
                    return FAILED(hr) ? hr : E_NOINTERFACE;
                }
            }
        }
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG refs = --m_refs;
        if (refs == 0) {
            // FinalRelease may hand out and drop references of its own: keep the count far
            // from zero while it runs.
            m_refs = kDestroying;
            static_cast<Derived*>(this)->FinalRelease();
            delete static_cast<Derived*>(this);
        }
        return refs;
    }

    // The object's identity.
    IUnknown* GetUnknown() noexcept { return static_cast<First*>(this); }

    // A new object with one reference in *pp.
    template <class... Args>
    static HRESULT CreateObject(Derived** pp, Args&&... args)
    {
        if (!pp)
            return E_POINTER;
        *pp = nullptr;
        Derived* p = nullptr;
        try {
            p = new Derived(std::forward<Args>(args)...);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        p->m_refs = 1;
        const HRESULT hr = p->FinalConstruct();
        if (FAILED(hr)) {
            delete p;
            return hr;
        }
        *pp = p;
        return S_OK;
    }

    // A new object, asked for riid (the object goes again when it lacks riid).
    template <class... Args>
    static HRESULT CreateObject(REFIID riid, void** ppv, Args&&... args)
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        Derived* p = nullptr;
        HRESULT hr = CreateObject(&p, std::forward<Args>(args)...);
        if (FAILED(hr))
            return hr;
        hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }

    ULONG RefCount() const noexcept { return m_refs; }

    // Default hooks.
    HRESULT FinalConstruct() { return S_OK; }
    void FinalRelease() {}
    HRESULT QueryExtraInterface(REFIID, void**) { return E_NOINTERFACE; }

protected:
    ComObject() { platform::com::ModuleLock(); }
    virtual ~ComObject() { platform::com::ModuleUnlock(); }

private:
    template <class I>
    bool FindListed(REFIID riid, void** ppv)
    {
        if (!IsEqualIID(riid, uuidof<I>()))
            return false;
        *ppv = static_cast<I*>(this);
        return true;
    }

    template <class I>
    bool FindDispatch(void** ppv)
    {
        if constexpr (std::is_base_of_v<IDispatch, I>) {
            *ppv = static_cast<IDispatch*>(static_cast<I*>(this));
            return true;
        }
        return false;
    }

    static constexpr ULONG kDestroying = 0x40000000;
    std::atomic<ULONG> m_refs{0};
};
