// CEventSink: a sink for one outgoing dispinterface that logs each event as
// "<prefix> <dispid in hex>"; for a button's Click (CancelDefault) and the application's
// ItemSend (Cancel) it cancels when asked to.
#pragma once

#include "com/ComObject.h"

#include <string>

class CEventSink : public ComObject<CEventSink, IDispatch> {
public:
    CEventSink(const IID& iid, std::string prefix, bool cancelClicks = false)
        : m_iid(iid), m_prefix(std::move(prefix)), m_cancel(cancelClicks)
    {
    }

    HRESULT QueryExtraInterface(REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    IID m_iid;
    std::string m_prefix;
    bool m_cancel;
};
