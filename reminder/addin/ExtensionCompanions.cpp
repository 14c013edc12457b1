// The companion objects of the extension's interface map. The add-in offers no session-events
// object and no options page: the session context goes on without the former (traced), and the
// property-sheets context is declined.
#include "ExchangeExtension.h"

HRESULT CreateExtSessionEvents(CExchangeExtension*, IUnknown** out)
{
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

HRESULT CreateExtPropertySheets(CExchangeExtension*, IUnknown** out)
{
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}
