// The library's client extension: it accepts the session context and does nothing else.
#pragma once

#include "host/ExchExt.h"

class CSyncExtension : public IExchExt {
public:
    CSyncExtension();
    virtual ~CSyncExtension();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Install(LPEXCHEXTCALLBACK lpeecb, ULONG mecontext, ULONG ulFlags) override;

private:
    ULONG m_cRef = 1;
};
