// The COM add-in in the headless host of this process: idle below version 14 and on version
// texts it cannot read, the engine made, enabled and connected at 14 and let go again by its
// own disconnection only, the ribbon's markup in four languages, its commands, and the
// application sink.
#include "AddinFixture.h"
#include "TestDoubles.h"

#include "Application.h"
#include "COMAddin.h"
#include "EngineSeam.h"
#include "ExtPropertySheets.h"
#include "ReminderEngine.h"
#include "base/AnswerQueue.h"
#include "base/MessageBox.h"
#include "base/UiLanguage.h"
#include "com/ComBstr.h"
#include "com/ModuleLock.h"
#include "host/ApplicationEvents.h"
#include "host/RibbonMarkup.h"

using namespace addintest;

namespace {

// The engine the next connection makes (a stand-in), and whether making one is refused.
ComPtr<CStubEngine> g_nextEngine;
HRESULT g_refusal = S_OK;

HRESULT MakeStubEngine(IReminderEngine** engine)
{
    if (FAILED(g_refusal))
        return g_refusal;
    *engine = g_nextEngine.get();
    (*engine)->AddRef();
    return S_OK;
}

// Records the reminders windows the add-in asks for.
class CRecordingSeam : public CEngineSeam {
public:
    HRESULT OpenRemindersWindow(IReminderEngine* engine, LONG filter) override
    {
        opened.emplace_back(engine, filter);
        return S_OK;
    }
    std::vector<std::pair<IReminderEngine*, LONG>> opened;
};

class COMAddinTest : public AddinFixture {
protected:
    void SetUp() override
    {
        platform::ClearAnswers();
        AddinFixture::SetUp();
    }
    void TearDown() override
    {
        CCOMAddin::SetEngineCreator(nullptr);
        g_refusal = S_OK;
        g_nextEngine = nullptr;
        AddinCache::ClearEngine();
        program.reset();
        EXPECT_EQ(AddinCache::SessionHolds(), 0u);
        EXPECT_EQ(AddinCache::ApplicationHolds(), 0u);
        EXPECT_EQ(platform::com::ModuleLockCount(), 0);
        AddinFixture::TearDown();
    }

    IDispatch* Application() const { return static_cast<IDispatch*>(static_cast<_Application*>(program->Application())); }

    ComPtr<CCOMAddin> NewAddin()
    {
        CCOMAddin* addin = nullptr;
        EXPECT_EQ(CCOMAddin::CreateObject(&addin), S_OK);
        ComPtr<CCOMAddin> result;
        result.Attach(addin);
        return result;
    }

    // Makes the next connection's engine a stand-in that logs into `log`.
    CStubEngine* UseStubEngine(std::vector<std::string>& log)
    {
        CStubEngine* engine = nullptr;
        EXPECT_EQ(CStubEngine::CreateObject(&engine), S_OK);
        engine->log = &log;
        g_nextEngine.Attach(engine);
        CCOMAddin::SetEngineCreator(&MakeStubEngine);
        return engine;
    }

    static HRESULT Connect(CCOMAddin* addin, IDispatch* application)
    {
        SAFEARRAY* custom = nullptr;
        return addin->OnConnection(application, ext_cm_Startup, nullptr, &custom);
    }
    static HRESULT Disconnect(CCOMAddin* addin)
    {
        SAFEARRAY* custom = nullptr;
        return addin->OnDisconnection(ext_dm_HostShutdown, &custom);
    }
};

class COMAddinAtFourteen : public COMAddinTest {
protected:
    void SetUp() override
    {
        hostVersion = "14.0.7015.1000";
        COMAddinTest::SetUp();
    }
};

class COMAddinBelowFourteen : public COMAddinTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        hostVersion = GetParam();
        COMAddinTest::SetUp();
    }
};

} // namespace

TEST_P(COMAddinBelowFourteen, StaysIdleAndItsDisconnectionLeavesTheExtensionsEngine)
{
    // The client extension runs the engine here.
    ComPtr<IExchExt> session = Extension(EECONTEXT_SESSION);
    ComPtr<IExchExt> viewer = Extension(EECONTEXT_VIEWER);
    ASSERT_TRUE(EngineEnabled());
    IReminderEngine* engine = AddinCache::Engine();
    const ULONG sessionHolds = AddinCache::SessionHolds();

    ComPtr<CCOMAddin> addin = NewAddin();
    EXPECT_EQ(Connect(addin.get(), Application()), S_OK);
    EXPECT_FALSE(addin->Connected());
    EXPECT_EQ(addin->Sink(), nullptr);
    EXPECT_EQ(AddinCache::Engine(), engine);
    EXPECT_EQ(AddinCache::SessionHolds(), sessionHolds);

    EXPECT_EQ(Disconnect(addin.get()), S_OK);
    EXPECT_EQ(AddinCache::Engine(), engine);
    EXPECT_TRUE(EngineEnabled());
    EXPECT_EQ(AddinCache::SessionHolds(), sessionHolds);
    addin = nullptr;
    viewer = nullptr;
    session = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Versions, COMAddinBelowFourteen, ::testing::Values("12.0.6423.1000", "13.0.1.1"));

TEST_F(COMAddinTest, VersionTextsThatAreNotFourNumbersLeaveItIdle)
{
    for (const char16_t* version : {u"14.0", u"", u"14.0.1", u"abc", u"14.a.b.c", u"99999999999.0.0.0", u"13.9.9.9"}) {
        CStubApplication* stub = nullptr;
        ASSERT_EQ(CStubApplication::CreateObject(&stub, std::u16string(version)), S_OK);
        ComPtr<IDispatch> application;
        application.Attach(stub);
        ComPtr<CCOMAddin> addin = NewAddin();
        EXPECT_EQ(Connect(addin.get(), application.get()), S_OK);
        EXPECT_FALSE(addin->Connected());
        EXPECT_EQ(AddinCache::SessionHolds(), 0u);
    }
    ComPtr<CCOMAddin> addin = NewAddin();
    EXPECT_EQ(Connect(addin.get(), nullptr), S_OK);
    EXPECT_FALSE(addin->Connected());
}

TEST_F(COMAddinTest, AFourteenWithoutTheHostsObjectModelFailsAtTheSession)
{
    CStubApplication* stub = nullptr;
    ASSERT_EQ(CStubApplication::CreateObject(&stub, std::u16string(u"14.0.0.0")), S_OK);
    ComPtr<IDispatch> application;
    application.Attach(stub);
    ComPtr<CCOMAddin> addin = NewAddin();
    EXPECT_TRUE(FAILED(Connect(addin.get(), application.get())));
    EXPECT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_EQ(Disconnect(addin.get()), S_OK);
}

TEST_F(COMAddinAtFourteen, ConnectionMakesEnablesAndConnectsAndDisconnectionUndoesIt)
{
    ComPtr<CCOMAddin> addin = NewAddin();
    ASSERT_EQ(Connect(addin.get(), Application()), S_OK);
    EXPECT_TRUE(addin->Connected());
    ASSERT_NE(AddinCache::Engine(), nullptr);
    EXPECT_TRUE(EngineEnabled());
    EXPECT_EQ(AddinCache::SessionHolds(), 1u);
    EXPECT_EQ(AddinCache::ApplicationHolds(), 1u);
    auto* sink = static_cast<CApplication*>(addin->Sink());
    ASSERT_NE(sink, nullptr);
    EXPECT_NE(sink->Cookie(), 0u);
    EXPECT_NE(sink->Parent(), nullptr);

    EXPECT_EQ(Disconnect(addin.get()), S_OK);
    EXPECT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_EQ(AddinCache::SessionHolds(), 0u);
    EXPECT_EQ(AddinCache::ApplicationHolds(), 0u);
    EXPECT_EQ(sink->Cookie(), 0u);
    // The sink let go of the add-in: nothing keeps the add-in once the host lets go.
    EXPECT_EQ(sink->Parent(), nullptr);
    EXPECT_EQ(addin->RefCount(), 1u);
}

TEST_F(COMAddinAtFourteen, QuitThenTheHostsDisconnectionDisablesOnce)
{
    std::vector<std::string> log;
    UseStubEngine(log);
    ComPtr<CCOMAddin> addin = NewAddin();
    ASSERT_EQ(Connect(addin.get(), Application()), S_OK);
    ASSERT_EQ(log, (std::vector<std::string>{"initialized", "enabled"}));

    program->Application()->FireQuit();
    EXPECT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_EQ(Disconnect(addin.get()), S_OK);
    g_nextEngine = nullptr;
    EXPECT_EQ(log, (std::vector<std::string>{"initialized", "enabled", "disabled", "released"}));
}

TEST_F(COMAddinAtFourteen, AnEngineLeftInTheCacheIsDisabledBeforeItGoes)
{
    std::vector<std::string> earlier;
    CStubEngine* left = nullptr;
    ASSERT_EQ(CStubEngine::CreateObject(&left), S_OK);
    left->log = &earlier;
    left->enabled = true;
    AddinCache::SetEngine(left);
    left->Release();

    ComPtr<CCOMAddin> addin = NewAddin();
    ASSERT_EQ(Connect(addin.get(), Application()), S_OK);
    EXPECT_EQ(earlier, (std::vector<std::string>{"disabled", "released"}));
    EXPECT_NE(AddinCache::Engine(), nullptr);
    EXPECT_EQ(Disconnect(addin.get()), S_OK);
}

TEST_F(COMAddinAtFourteen, ARefusedEngineEndsTheConnectionWithTheSessionLeftCached)
{
    g_refusal = E_OUTOFMEMORY;
    CCOMAddin::SetEngineCreator(&MakeStubEngine);
    ComPtr<CCOMAddin> addin = NewAddin();
    EXPECT_EQ(Connect(addin.get(), Application()), E_OUTOFMEMORY);
    EXPECT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_EQ(AddinCache::SessionHolds(), 1u);
    EXPECT_EQ(addin->Sink(), nullptr);
    // Its own disconnection takes its hold back.
    EXPECT_EQ(Disconnect(addin.get()), S_OK);
    EXPECT_EQ(AddinCache::SessionHolds(), 0u);
}

TEST_F(COMAddinAtFourteen, AFailedDisablingStillLetsGoOfEverythingAndIsReturned)
{
    std::vector<std::string> log;
    CStubEngine* engine = UseStubEngine(log);
    engine->disableResult = E_ACCESSDENIED;
    ComPtr<CCOMAddin> addin = NewAddin();
    ASSERT_EQ(Connect(addin.get(), Application()), S_OK);
    auto* sink = static_cast<CApplication*>(addin->Sink());
    g_nextEngine = nullptr;

    EXPECT_EQ(Disconnect(addin.get()), E_ACCESSDENIED);
    EXPECT_EQ(log, (std::vector<std::string>{"initialized", "enabled", "disable failed", "released"}));
    EXPECT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_EQ(AddinCache::SessionHolds(), 0u);
    EXPECT_EQ(AddinCache::ApplicationHolds(), 0u);
    EXPECT_EQ(sink->Cookie(), 0u);
    EXPECT_EQ(Disconnect(addin.get()), S_OK);
}

TEST_F(COMAddinAtFourteen, TheHostLoadsAndUnloadsTheAddinThroughItsLoader)
{
    // The add-in as the host connects it: Quit, then its own disconnection.
    std::vector<std::string> log;
    UseStubEngine(log);
    ComPtr<CCOMAddin> addin = NewAddin();
    ASSERT_EQ(Connect(addin.get(), Application()), S_OK);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(addin->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
    ComPtr<ICOMAddin> own;
    ASSERT_EQ(addin->QueryInterface(IID_ICOMAddin, own.put_void()), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(dispatch.get()), static_cast<IUnknown*>(own.get()));
    const char16_t* names[] = {u"ShowRemindersWindowC", u"ShowRemindersWindow", u"ConfigureReminders"};
    for (DISPID expected = 1; expected <= 3; ++expected) {
        LPOLESTR name[] = {const_cast<LPOLESTR>(names[expected - 1])};
        DISPID id = 0;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, name, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, expected);
    }
    dispatch = nullptr;
    own = nullptr;
    program->Application()->FireQuit();
    EXPECT_EQ(Disconnect(addin.get()), S_OK);
    g_nextEngine = nullptr;
    EXPECT_EQ(std::count(log.begin(), log.end(), "disabled"), 1);
}

TEST_F(COMAddinTest, TheRibbonIsTheSameForEveryRibbonInEachLanguage)
{
    ComPtr<CCOMAddin> addin = NewAddin();
    const LANGID before = GetThreadUILanguage();
    const std::pair<LANGID, const char*> labels[] = {{1033, "Reminder Options"},
                                                     {1031, "Erinnerungsoptionen"},
                                                     {1040, "Opzioni promemoria"},
                                                     {3082, "Opción del recordatorio "}};
    for (const auto& [language, label] : labels) {
        SetThreadUILanguage(language);
        std::string first;
        for (const char16_t* id : {u"MailHost.Explorer", u"Other.Ribbon", u""}) {
            ComBstr xml;
            ASSERT_EQ(addin->GetCustomUI(ComBstr(std::u16string_view(id)), xml.put()), S_OK);
            if (first.empty())
                first = xml.Utf8();
            EXPECT_EQ(xml.Utf8(), first);
        }
        ComBstr none;
        ASSERT_EQ(addin->GetCustomUI(nullptr, none.put()), S_OK);
        EXPECT_EQ(none.Utf8(), first);
        host::RibbonMarkup markup;
        std::string error;
        ASSERT_TRUE(host::RibbonMarkup::Parse(first, markup, error)) << error;
        ASSERT_EQ(markup.commands.size(), 1u);
        EXPECT_EQ(markup.commands[0].idMso, "ShowRemindersWindow");
        EXPECT_EQ(markup.commands[0].onAction, "ShowRemindersWindowC");
        ASSERT_EQ(markup.tabs.size(), 1u);
        EXPECT_EQ(markup.tabs[0].idMso, "TabAddIns");
        ASSERT_EQ(markup.tabs[0].groups.size(), 1u);
        const host::RibbonGroup& group = markup.tabs[0].groups[0];
        EXPECT_EQ(group.id, "LumivaneAddIn");
        EXPECT_EQ(group.label, "Lumivane Add-In");
        ASSERT_EQ(group.buttons.size(), 2u);
        EXPECT_EQ(group.buttons[0].idMso, "ShowRemindersWindow");
        EXPECT_EQ(group.buttons[0].onAction, "ShowRemindersWindow");
        EXPECT_EQ(group.buttons[0].size, "large");
        EXPECT_EQ(group.buttons[1].id, "ConfigureReminders");
        EXPECT_EQ(group.buttons[1].imageMso, "AddInCommandsMenu");
        EXPECT_EQ(group.buttons[1].label, label);
        EXPECT_EQ(group.buttons[1].onAction, "ConfigureReminders");
    }
    SetThreadUILanguage(before);
    EXPECT_EQ(addin->GetCustomUI(nullptr, nullptr), E_POINTER);
}

TEST_F(COMAddinTest, TheWindowCommandsAskTheSeamAndNeverSetCancelDefault)
{
    CRecordingSeam seam;
    CEngineSeam* before = SetEngineSeam(&seam);
    ComPtr<CCOMAddin> addin = NewAddin();
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(addin->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
    const auto callC = [&](VARIANT_BOOL& cancel) {
        VARIANT args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = &cancel;
        args[1].vt = VT_DISPATCH;
        args[1].pdispVal = nullptr;
        DISPPARAMS params{args, nullptr, 2, 0};
        return dispatch->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    };

    // Without an engine: nothing shown, S_OK.
    VARIANT_BOOL cancel = VARIANT_FALSE;
    EXPECT_EQ(callC(cancel), S_OK);
    EXPECT_EQ(cancel, VARIANT_FALSE);
    EXPECT_TRUE(seam.opened.empty());

    std::vector<std::string> log;
    CStubEngine* engine = nullptr;
    ASSERT_EQ(CStubEngine::CreateObject(&engine), S_OK);
    AddinCache::SetEngine(engine);
    engine->Release();
    EXPECT_EQ(callC(cancel), S_OK);
    EXPECT_EQ(cancel, VARIANT_FALSE);
    cancel = VARIANT_TRUE;
    EXPECT_EQ(callC(cancel), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_EQ(addin->ShowRemindersWindow(nullptr), S_OK);
    ASSERT_EQ(seam.opened.size(), 3u);
    for (const auto& [opened, filter] : seam.opened) {
        EXPECT_EQ(opened, AddinCache::Engine());
        EXPECT_EQ(filter, 0);
    }
    dispatch = nullptr;
    SetEngineSeam(before);
}

TEST_F(COMAddinTest, ConfigureRemindersShowsTheSheetAndLetsGoOfThePage)
{
    std::vector<std::string> log;
    CStubEngine* engine = nullptr;
    ASSERT_EQ(CStubEngine::CreateObject(&engine), S_OK);
    engine->log = &log;
    AddinCache::SetEngine(engine);
    engine->Release();
    ComPtr<CCOMAddin> addin = NewAddin();

    for (const char* answer : {"ok", "cancel"}) {
        platform::ClearAnswers();
        ASSERT_TRUE(platform::PushAnswer(answer));
        EXPECT_EQ(addin->ConfigureReminders(nullptr), S_OK);
        const auto records = platform::PromptRecords();
        ASSERT_EQ(records.size(), 1u) << answer;
        EXPECT_EQ(records[0].kind, platform::PromptKind::Sheet);
        EXPECT_EQ(records[0].caption, "Lumivane Add-In Properties");
        EXPECT_EQ(records[0].answer, std::string(answer) == "ok" ? IDOK : IDCANCEL);
        EXPECT_FALSE(CExtPropertySheets::PagesGiven());
    }
    // The page held the engine in configuring mode while it lived, once per sheet.
    EXPECT_EQ(log, (std::vector<std::string>{"configuring", "configured", "configuring", "configured"}));

    // While the Options dialog holds the page there is no sheet, and its hold stays.
    IUnknown* sheets = nullptr;
    ASSERT_EQ(CreateExtPropertySheets(nullptr, &sheets), S_OK);
    ComPtr<IExchExtPropertySheets> options;
    ASSERT_EQ(sheets->QueryInterface(uuidof<IExchExtPropertySheets>(), options.put_void()), S_OK);
    sheets->Release();
    PROPSHEETPAGEA page{};
    ULONG count = 0;
    ASSERT_EQ(options->GetPages(nullptr, EEPS_TOOLSOPTIONS, &page, &count), S_OK);
    ASSERT_EQ(count, 1u);
    platform::ClearAnswers();
    ASSERT_TRUE(platform::PushAnswer("ok"));
    EXPECT_EQ(addin->ConfigureReminders(nullptr), S_OK);
    EXPECT_TRUE(platform::PromptRecords().empty());
    EXPECT_EQ(platform::PendingAnswers(), 1u);
    EXPECT_TRUE(CExtPropertySheets::PagesGiven());
    options->FreePages(&page, EEPS_TOOLSOPTIONS, 1);
    EXPECT_FALSE(CExtPropertySheets::PagesGiven());
    // The page the Options dialog was given goes with its release callback.
    page.pfnCallback(nullptr, PSPCB_RELEASE, &page);
    platform::ClearAnswers();
    // The engine goes while the log it writes its release into still exists.
    AddinCache::ClearEngine();
    EXPECT_EQ(log.back(), "released");
}

TEST_F(COMAddinAtFourteen, TheSinkAnswersTheEventsUnderTheirIdsAndQuitDisconnectsItsParent)
{
    CApplication* made = nullptr;
    ASSERT_EQ(CApplication::CreateObject(&made), S_OK);
    ComPtr<IApplicationSink> sink;
    sink.Attach(made);
    ComPtr<IUnknown> events;
    ASSERT_EQ(sink->QueryInterface(DIID_ApplicationEvents, events.put_void()), S_OK);
    EXPECT_EQ(static_cast<void*>(events.get()), static_cast<void*>(sink.get()));

    EXPECT_EQ(sink->Connect(nullptr), S_OK);
    EXPECT_EQ(made->Cookie(), 0u);
    // An object without the host's Application is not connected.
    CStubApplication* stub = nullptr;
    ASSERT_EQ(CStubApplication::CreateObject(&stub, std::u16string(u"14.0.0.0")), S_OK);
    ComPtr<IDispatch> other;
    other.Attach(stub);
    EXPECT_EQ(sink->Connect(other.get()), E_NOINTERFACE);
    EXPECT_EQ(made->ApplicationObject(), nullptr);

    ASSERT_EQ(sink->Connect(Application()), S_OK);
    EXPECT_NE(made->Cookie(), 0u);
    // Events the host fires reach the sink's members.
    program->Application()->FireNewMail();
    program->Application()->FireStartup();
    EXPECT_FALSE(program->Application()->FireItemSend(nullptr));
    // Quit without a parent does nothing.
    program->Application()->FireQuit();
    EXPECT_EQ(sink->Disconnect(), S_OK);
    EXPECT_EQ(made->Cookie(), 0u);
    EXPECT_EQ(sink->Disconnect(), S_OK);
}
