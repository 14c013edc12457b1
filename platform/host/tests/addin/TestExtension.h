// CTestExtension: a client extension for the host's tests. It logs each Install with the
// context and the host's build version, looks at the session and the application through the
// callbacks, hears of delivered mail and gives one Tools-Options page.
#pragma once

#include "com/ComObject.h"
#include "host/ExchExtCompanions.h"

class CTestExtension
    : public ComObject<CTestExtension, IExchExt, IExchExtSessionEvents, IExchExtPropertySheets> {
public:
    ~CTestExtension() override;

    HRESULT STDMETHODCALLTYPE Install(LPEXCHEXTCALLBACK lpeecb, ULONG mecontext, ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE OnDelivery(LPEXCHEXTCALLBACK lpeecb) override;
    ULONG STDMETHODCALLTYPE GetMaxPageCount(ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetPages(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags, LPPROPSHEETPAGE lppsp,
                                       ULONG* lpcpsp) override;
    void STDMETHODCALLTYPE FreePages(LPPROPSHEETPAGE lppsp, ULONG ulFlags, ULONG cpsp) override;

private:
    ULONG m_context = 0;
};
