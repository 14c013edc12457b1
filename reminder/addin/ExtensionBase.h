// CExtensionBase: what the client extension's interface objects share: the extension that made
// them (a plain pointer, null when made without one), and their creation as the interface
// they offer with one reference.
#pragma once

#include "TraceScope.h"
#include "com/ComPtr.h"

class CExchangeExtension;

class CExtensionBase {
public:
    // Keeps the extension that made this object.
    HRESULT Create(CExchangeExtension* parent)
    {
        m_pParent = parent;
        return S_OK;
    }
    CExchangeExtension* Parent() const { return m_pParent; }

    // A new T made for `parent`, handed out as its interface Itf with one reference.
    template <class T, class Itf>
    static HRESULT CreateInstance(CExchangeExtension* parent, Itf** ppOut)
    {
        HRESULT hr = S_OK;
        T* object = nullptr;
        ComPtr<Itf> made;
        if (!ppOut)
            return E_POINTER;
        *ppOut = nullptr;
        hr = T::CreateObject(&object);
        if (FAILED(hr)) {
            TracePrint(__FILE__, __LINE__, TL_ERROR, "CreateInstance() failed. hr=0x%08lx\n", hr);
            return hr;
        }
        made.Attach(object);
        hr = object->Create(parent);
        if (FAILED(hr)) {
            TracePrint(__FILE__, __LINE__, TL_ERROR, "Create() failed. hr=0x%08lx\n", hr);
            return hr;
        }
        *ppOut = made.Detach();
        return hr;
    }

protected:
    CExtensionBase() = default;
    ~CExtensionBase() = default;

private:
    CExchangeExtension* m_pParent = nullptr;
};
