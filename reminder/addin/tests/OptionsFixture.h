// The options page's tests: the add-in's own sheet (the COM add-in's ConfigureReminders) run in
// the headless host, with the page driven inside it; the engine the real one of a session context
// or a test's stand-in in the cache.
#pragma once

#include "AddinFixture.h"

#include "COMAddin.h"
#include "PropPageOptionsMain.h"
#include "host/PropertySheet.h"

#include <functional>

namespace addintest {

class OptionsFixture : public AddinFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // The real engine of a session context (cached for the process, as the host's session makes it).
    void UseRealEngine();
    // Opens the page in the add-in's sheet; `body` drives it while it is open (the sheet is then
    // cancelled unless the body closed it).
    void RunSheet(const std::function<void(host::PropertySheet& sheet, CPropPageOptionsMain& page)>& body);

    ComPtr<CCOMAddin> m_addin;
    ComPtr<IExchExt> m_session;
};

} // namespace addintest
