// The add-in's tests: a fresh platform root with the profile "Work" (a personal default store and
// a second mailbox), the headless host started in this process (for its session and Application),
// and extension callbacks of that host for any context, whose version a test may change.
#pragma once

#include "ExchangeExtension.h"
#include "TempRoot.h"
#include "host/HostProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace addintest {

// The host's callbacks for an extension: its build version (of the test's choosing), its session
// and its Application; the other questions have no answer here. Counts the version questions.
class CTestCallback : public ComObject<CTestCallback, IExchExtCallback, IOutlookExtCallback> {
public:
    CTestCallback(IMAPISession* session, IDispatch* application, ULONG buildVersion)
        : m_session(session), m_application(application), m_buildVersion(buildVersion)
    {
    }

    HRESULT STDMETHODCALLTYPE GetVersion(ULONG* version, ULONG flags) override;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE GetMenu(HMENU*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE GetToolbar(ULONG, HWND*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE GetSession(LPMAPISESSION* session, IAddrBook** addressBook) override;
    HRESULT STDMETHODCALLTYPE GetObject(LPMDB*, LPMAPIPROP*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE GetSelectionCount(ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE GetSelectionItem(ULONG, ULONG*, LPENTRYID*, ULONG*, LPTSTR, ULONG, ULONG*,
                                               ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT STDMETHODCALLTYPE GetMenuPos(ULONG, HMENU*, ULONG*, ULONG*, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE GetSharedExtsDir(ULONG, LPTSTR, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE GetRecipients(LPADRLIST*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE SetRecipients(LPADRLIST) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE GetNewMessageSite(ULONG, LPMAPIFOLDER, IPersistMessage*, LPMESSAGE*,
                                                IMAPIMessageSite**, IMAPIViewContext**, ULONG) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT STDMETHODCALLTYPE RegisterModeless(IMAPIViewAdviseSink*, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE UnregisterModeless(ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE ChooseFolder(LPMDB*, LPMAPIFOLDER*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT STDMETHODCALLTYPE GetObject(IUnknown** object) override;
    HRESULT STDMETHODCALLTYPE GetOfficeCharacter(void** c) override;

    int versionQuestions = 0;

private:
    ComPtr<IMAPISession> m_session;
    ComPtr<IDispatch> m_application;
    ULONG m_buildVersion;
};

class AddinFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Before the host starts: more stores or folders of the profile "Work".
    virtual void PrepareProfile() {}
    // A folder of the class (IPF.Task and the like) in the deleted items of a store file.
    static void AddDeletedFolder(const std::filesystem::path& store, const char* name, const char* containerClass);
    // A task with a reminder in a folder of the store's IPM subtree.
    static void AddReminderTask(const std::filesystem::path& store, const char* folder, const char* subject);

    // A callback of the host for an extension context; buildVersion 0: the host's own.
    ComPtr<CTestCallback> Callback(ULONG buildVersion = 0);
    // A new extension object installed in `context`; the result of Install in *result.
    ComPtr<IExchExt> Extension(ULONG context, HRESULT* result = nullptr, CTestCallback* callback = nullptr);
    bool EngineEnabled();

    TempRoot root;
    // The version the host reports (set before SetUp).
    std::string hostVersion = "12.0.6423.1000";
    std::ostringstream out, err;
    std::unique_ptr<host::HostProgram> program;
};

} // namespace addintest
