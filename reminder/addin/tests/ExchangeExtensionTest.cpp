// The client extension and the process-wide cache: the contexts it serves, the version check, the
// session and Application it caches with holds of each object's own, and the engine's life.
#include "AddinFixture.h"

#include "ReminderEngine.h"
#include "com/DispatchImpl.h"
#include "com/ModuleLock.h"

using namespace addintest;

namespace {

// A stand-in engine: records being switched on and off, and being let go.
class CRecordingEngine : public ComObject<CRecordingEngine, DispatchImpl<CRecordingEngine, IReminderEngine>> {
public:
    explicit CRecordingEngine(std::vector<std::string>* log) : m_log(log) {}
    ~CRecordingEngine() override { m_log->push_back("released"); }
    static std::span<const DispatchMember> DispatchMembers() { return ReminderEngineDispatchMembers(); }

    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* pVal) override
    {
        *pVal = enabled ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL newVal) override
    {
        enabled = newVal != VARIANT_FALSE;
        m_log->push_back(enabled ? "enabled" : "disabled");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_MapiSession(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetReminderFolder(ILVFolder*, ReminderType) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Stores(ILVStores**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_BackFolder(ILVFolder**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ProfileName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_UpdateInterval(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_UpdateInterval(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Configuring(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Configuring(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ShowReminders() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNextReminder(LONG_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsReminderFolder(BSTR, BSTR, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisableStore(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableStore(BSTR) override { return E_NOTIMPL; }

    bool enabled = false;

private:
    std::vector<std::string>* m_log;
};

class ExchangeExtensionTest : public AddinFixture {
protected:
    void TearDown() override
    {
        // Every object of the add-in is gone: the holds and references balanced.
        EXPECT_EQ(AddinCache::SessionHolds(), 0u);
        EXPECT_EQ(AddinCache::ApplicationHolds(), 0u);
        EXPECT_EQ(AddinCache::Engine(), nullptr);
        EXPECT_EQ(platform::com::ModuleLockCount(), 0);
        AddinFixture::TearDown();
    }
};

} // namespace

TEST_F(ExchangeExtensionTest, ContextsWithoutAHandlerAreDeclinedWithoutAskingTheVersion)
{
    for (ULONG context : {0u, 3u, 5u, 13u, 15u, 99u}) {
        ComPtr<CTestCallback> callback = Callback();
        HRESULT hr = S_OK;
        ComPtr<IExchExt> extension = Extension(context, &hr, callback.get());
        EXPECT_EQ(hr, S_FALSE) << context;
        EXPECT_EQ(callback->versionQuestions, 0) << context;
    }
}

TEST_F(ExchangeExtensionTest, AnotherMajorBuildVersionDeclinesEveryContext)
{
    for (ULONG context : {EECONTEXT_TASK, EECONTEXT_SESSION, EECONTEXT_VIEWER, EECONTEXT_PROPERTYSHEETS}) {
        ComPtr<CTestCallback> callback = Callback(0x000C1917);
        HRESULT hr = S_OK;
        ComPtr<IExchExt> extension = Extension(context, &hr, callback.get());
        EXPECT_EQ(hr, S_FALSE) << context;
        EXPECT_EQ(callback->versionQuestions, 1) << context;
    }
    EXPECT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_EQ(AddinCache::Session(), nullptr);
}

TEST_F(ExchangeExtensionTest, TheHostsObjectsAreCachedAndTheViewerEnablesTheEngine)
{
    HRESULT hr = E_FAIL;
    ComPtr<IExchExt> task = Extension(EECONTEXT_TASK, &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(AddinCache::Application(), static_cast<_Application*>(program->Application()));
    EXPECT_EQ(AddinCache::ApplicationHolds(), 1u);
    ComPtr<IExchExt> session = Extension(EECONTEXT_SESSION, &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(AddinCache::Session(), program->Session().Session());
    EXPECT_EQ(AddinCache::SessionHolds(), 1u);
    EXPECT_EQ(AddinCache::ApplicationHolds(), 2u);
    ASSERT_TRUE(AddinCache::Engine());
    EXPECT_FALSE(EngineEnabled());
    ComPtr<IUnknown> engineSession;
    AddinCache::Engine()->get_MapiSession(engineSession.put());
    EXPECT_TRUE(engineSession);

    // A second session context leaves everything as it is.
    IReminderEngine* engine = AddinCache::Engine();
    ComPtr<IExchExt> second = Extension(EECONTEXT_SESSION, &hr);
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(AddinCache::Engine(), engine);
    second = nullptr;
    EXPECT_EQ(AddinCache::SessionHolds(), 1u);

    ComPtr<IExchExt> viewer = Extension(EECONTEXT_VIEWER, &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_TRUE(EngineEnabled());
    EXPECT_EQ(AddinCache::SessionHolds(), 2u);
    ComPtr<IExchExt> viewer2 = Extension(EECONTEXT_VIEWER, &hr);
    EXPECT_TRUE(EngineEnabled());
    EXPECT_EQ(static_cast<CExchangeExtension*>(viewer2.get())->GetContext(), EECONTEXT_VIEWER);

    // The property-sheets context makes its member, and only that one.
    ComPtr<IExchExt> sheets = Extension(EECONTEXT_PROPERTYSHEETS, &hr);
    EXPECT_EQ(hr, S_OK);
    ComPtr<IUnknown> companion;
    EXPECT_EQ(sheets->QueryInterface(uuidof<IExchExtPropertySheets>(), companion.put_void()), S_OK);
    EXPECT_EQ(sheets->QueryInterface(uuidof<IExchExtSessionEvents>(), companion.put_void()), E_NOINTERFACE);
    sheets = nullptr;

    // The companions the interface map names answer only through their members: the session
    // context made its session events, no other.
    EXPECT_EQ(session->QueryInterface(IID_IExchExtCommands, companion.put_void()), E_NOINTERFACE);
    EXPECT_EQ(session->QueryInterface(uuidof<IExchExtSessionEvents>(), companion.put_void()), S_OK);
    EXPECT_EQ(session->QueryInterface(uuidof<IExchExtPropertySheets>(), companion.put_void()), E_NOINTERFACE);
    EXPECT_EQ(session->QueryInterface(IID_IExchExt, companion.put_void()), S_OK);
    companion = nullptr;

    // Two objects alive: letting one go keeps the session, the Application and the engine.
    viewer2 = nullptr;
    EXPECT_TRUE(AddinCache::Engine());
    EXPECT_TRUE(EngineEnabled());
    viewer = nullptr;
    task = nullptr;
    EXPECT_TRUE(AddinCache::Engine());
    EXPECT_TRUE(AddinCache::Application());
    // The last one disables the engine and clears all three.
    session = nullptr;
    EXPECT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_EQ(AddinCache::Session(), nullptr);
    EXPECT_EQ(AddinCache::Application(), nullptr);
}

TEST_F(ExchangeExtensionTest, ObjectsLetGoInOrderOfCreationKeepTheEngineWhileAViewerLives)
{
    std::vector<std::string> log;
    HRESULT hr = S_OK;
    ComPtr<IExchExt> task = Extension(EECONTEXT_TASK, &hr);
    ComPtr<IExchExt> session = Extension(EECONTEXT_SESSION, &hr);
    ComPtr<IExchExt> viewer = Extension(EECONTEXT_VIEWER, &hr);
    ASSERT_TRUE(EngineEnabled());
    // The task object was made before the session was cached: it holds none and releases none.
    task = nullptr;
    EXPECT_EQ(AddinCache::SessionHolds(), 2u);
    session = nullptr;
    EXPECT_TRUE(AddinCache::Engine());
    EXPECT_TRUE(EngineEnabled());
    EXPECT_TRUE(AddinCache::Application());
    EXPECT_EQ(AddinCache::SessionHolds(), 1u);
    viewer = nullptr;
    EXPECT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_EQ(AddinCache::Application(), nullptr);
}

TEST_F(ExchangeExtensionTest, ObjectsLetGoInReverseOrderKeepTheEngineWhileAViewerLives)
{
    HRESULT hr = S_OK;
    ComPtr<IExchExt> task = Extension(EECONTEXT_TASK, &hr);
    ComPtr<IExchExt> session = Extension(EECONTEXT_SESSION, &hr);
    ComPtr<IExchExt> viewer = Extension(EECONTEXT_VIEWER, &hr);
    ComPtr<IExchExt> viewer2 = Extension(EECONTEXT_VIEWER, &hr);
    viewer2 = nullptr;
    viewer = nullptr;
    EXPECT_TRUE(EngineEnabled());
    session = nullptr;
    EXPECT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_TRUE(AddinCache::Application());
    task = nullptr;
    EXPECT_EQ(AddinCache::Application(), nullptr);
}

TEST_F(ExchangeExtensionTest, CachingAnApplicationLeavesTheHoldsOfOthers)
{
    HRESULT hr = S_OK;
    ComPtr<IExchExt> task = Extension(EECONTEXT_TASK, &hr);
    ComPtr<IExchExt> session = Extension(EECONTEXT_SESSION, &hr);
    ASSERT_EQ(AddinCache::ApplicationHolds(), 2u);
    // Another holder (the COM add-in's way) caches the Application and lets it go again.
    {
        CCacheHolds other;
        EXPECT_EQ(other.CacheOutlookApplication(static_cast<_Application*>(program->Application())), S_OK);
        EXPECT_EQ(AddinCache::ApplicationHolds(), 3u);
        EXPECT_EQ(other.CacheOutlookApplication(nullptr), S_OK);
        EXPECT_EQ(AddinCache::ApplicationHolds(), 2u);
        EXPECT_EQ(other.CacheMapiSession(nullptr), S_OK);
        EXPECT_EQ(AddinCache::SessionHolds(), 1u);
    }
    EXPECT_TRUE(AddinCache::Engine());
    task = nullptr;
    session = nullptr;
    // Cleared: an object made now takes no hold.
    CCacheHolds later;
    later.TakeHolds();
    EXPECT_FALSE(later.HoldsApplication());
    EXPECT_EQ(AddinCache::ApplicationHolds(), 0u);
}

TEST_F(ExchangeExtensionTest, ASessionContextDisablesACachedEnabledEngineBeforeLettingItGo)
{
    std::vector<std::string> log;
    CRecordingEngine* made = nullptr;
    ASSERT_EQ(CRecordingEngine::CreateObject(&made, &log), S_OK);
    ComPtr<IReminderEngine> stale;
    stale.Attach(made);
    stale->put_Enabled(VARIANT_TRUE);
    AddinCache::SetEngine(stale.get());
    HRESULT hr = S_OK;
    ComPtr<IExchExt> session = Extension(EECONTEXT_SESSION, &hr);
    EXPECT_EQ(hr, S_OK);
    // Someone else still holds the old engine: it is off, not running beside the new one.
    EXPECT_EQ(log, (std::vector<std::string>{"enabled", "disabled"}));
    EXPECT_FALSE(made->enabled);
    EXPECT_NE(AddinCache::Engine(), stale.get());
    stale = nullptr;
    EXPECT_EQ(log.back(), "released");
    session = nullptr;
}

TEST_F(ExchangeExtensionTest, AViewerBeforeAnySessionContextMakesAnEngineOfItsOwn)
{
    HRESULT hr = S_OK;
    ComPtr<IExchExt> viewer = Extension(EECONTEXT_VIEWER, &hr);
    EXPECT_EQ(hr, S_OK);
    ASSERT_TRUE(AddinCache::Engine());
    // No session was cached: the engine found none to log on to, and stays off.
    EXPECT_FALSE(EngineEnabled());
    viewer = nullptr;
    AddinCache::ClearEngine();
}
