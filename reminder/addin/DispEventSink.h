// CDispEventSink<Derived>: the common part of the add-in's sinks on the host's outgoing
// dispinterfaces (explorers, explorer and button events): it answers the events' IID with its
// IDispatch, advises itself on a source and unadvises again, and hands each event to
// Derived::OnEvent(dispid, params), whose arguments come last first. While advised it holds the
// source, so a source that the host lets go stays valid until the sink unadvises.
#pragma once

#include "com/Advise.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/Dispatch.h"

template <class Derived>
class CDispEventSink : public ComObject<Derived, IDispatch> {
public:
    explicit CDispEventSink(const IID& events) : m_events(events) {}

    HRESULT QueryExtraInterface(REFIID riid, void** ppv)
    {
        if (!IsEqualIID(riid, m_events))
            return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        // A handler may unadvise and let go of this sink: keep it for the call.
        ComPtr<IDispatch> self(static_cast<IDispatch*>(this));
        static const DISPPARAMS kNone{nullptr, nullptr, 0, 0};
        return static_cast<Derived*>(this)->OnEvent(dispid, params ? *params : kNone);
    }

    HRESULT Advise(IUnknown* source)
    {
        if (m_cookie)
            return E_UNEXPECTED;
        const HRESULT hr = AdviseSink(source, static_cast<IDispatch*>(this), m_events, &m_cookie);
        if (SUCCEEDED(hr))
            m_source = source;
        return hr;
    }
    HRESULT Unadvise()
    {
        if (!m_cookie)
            return S_FALSE;
        const HRESULT hr = UnadviseSink(m_source.get(), m_events, m_cookie);
        m_cookie = 0;
        m_source = nullptr;
        return hr;
    }
    bool Advised() const { return m_cookie != 0; }

private:
    IID m_events;
    ComPtr<IUnknown> m_source;
    DWORD m_cookie = 0;
};
