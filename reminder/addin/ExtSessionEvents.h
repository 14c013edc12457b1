// CExtSessionEvents: the client extension's session-events object. New mail is left to the
// host's own processing.
#pragma once

#include "ExtensionBase.h"
#include "com/ComObject.h"
#include "host/ExchExtCompanions.h"

class CExtSessionEvents : public ComObject<CExtSessionEvents, IExchExtSessionEvents>, public CExtensionBase {
public:
    CExtSessionEvents();
    ~CExtSessionEvents() override;

    // S_FALSE: the host goes on with its own processing.
    HRESULT STDMETHODCALLTYPE OnDelivery(LPEXCHEXTCALLBACK lpeecb) override;
};
