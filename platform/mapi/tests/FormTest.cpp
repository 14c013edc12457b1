// The form manager and its built-in form, headless, hosted by a test site as a previewing
// program hosts it: loading, showing, the user's save, send and close, what the viewer hears,
// the form's message states, and the references let go at the end.
#include "FormTestFixture.h"

#include "base/MessageBox.h"

#include <fstream>

namespace {

using namespace mapitest;
using formtest::Num;
using formtest::Str;
using formtest::TestFormSite;
using mapi::BuiltInForm;
namespace fs = std::filesystem;

std::vector<std::string> Verbs()
{
    std::vector<std::string> out;
    for (const auto& e : mapi::FormEvents())
        out.push_back(e.verb + (FAILED(e.result) ? "!" : ""));
    return out;
}

// A display that writes down how the form used it.
struct DisplayLog {
    std::vector<std::string> calls;
    HWND parent = nullptr;
    bool hadPosition = false;
    RECT position{};
    bool modal = false;
};

class RecordingDisplay : public mapi::FormDisplay {
public:
    explicit RecordingDisplay(DisplayLog& log) : m_log(log) {}
    HRESULT Open(HWND parent, const RECT* position, bool modal) override
    {
        m_log.calls.push_back("Open");
        m_log.parent = parent;
        m_log.hadPosition = position != nullptr;
        if (position)
            m_log.position = *position;
        m_log.modal = modal;
        m_shown = true;
        return S_OK;
    }
    void Refresh() override { m_log.calls.push_back("Refresh"); }
    void Close() override
    {
        m_log.calls.push_back("Close");
        m_shown = false;
    }
    HWND Window() const override { return nullptr; }
    bool Shown() const override { return m_shown; }

private:
    DisplayLog& m_log;
    bool m_shown = false;
};

class RecordingDisplays : public mapi::FormDisplayFactory {
public:
    DisplayLog log;
    std::unique_ptr<mapi::FormDisplay> Create(BuiltInForm&) override
    {
        log.calls.push_back("Create");
        return std::make_unique<RecordingDisplay>(log);
    }
};

class FormTest : public formtest::FormFixture {};

TEST_F(FormTest, TheFormManagerLoadsOnlyAndChecksWhatItIsGiven)
{
    ComPtr<IMAPIFormMgr> none;
    EXPECT_EQ(MAPIOpenFormMgr(nullptr, none.put()), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(MAPIOpenFormMgr(session.get(), nullptr), MAPI_E_INVALID_PARAMETER);
    ComPtr<IUnknown> unk;
    EXPECT_EQ(manager->QueryInterface(IID_IMAPIFormMgr, unk.put_void()), S_OK);
    EXPECT_EQ(manager->QueryInterface(IID_IMAPIForm, unk.put_void()), E_NOINTERFACE);

    LPMAPIFORMINFO info = reinterpret_cast<LPMAPIFORMINFO>(1);
    EXPECT_EQ(manager->ResolveMessageClass("IPM.Note", 0, nullptr, &info), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(info, nullptr);
    void* created = reinterpret_cast<void*>(1);
    EXPECT_EQ(manager->CreateForm(0, 0, nullptr, IID_IMAPIForm, &created), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(created, nullptr);
    LPMAPIFORMCONTAINER container = nullptr;
    EXPECT_EQ(manager->SelectFormContainer(0, 0, &container), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(manager->IsInConflict(0, 0, "IPM.Note", nullptr), MAPI_E_NO_SUPPORT);

    auto msg = Draft("Checks");
    auto* site = new TestFormSite(session.get(), store.get(), outbox.get(), msg.get());
    void* form = reinterpret_cast<void*>(1);
    EXPECT_EQ(manager->LoadForm(0, 0x1, "IPM.Note", 0, 0, nullptr, site, msg.get(), site, IID_IMAPIForm, &form),
              MAPI_E_UNKNOWN_FLAGS);
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(manager->LoadForm(0, 0, "IPM.Note", 0, 0, nullptr, nullptr, msg.get(), site, IID_IMAPIForm, &form),
              MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(manager->LoadForm(0, 0, "IPM.Note", 0, 0, nullptr, site, nullptr, site, IID_IMAPIForm, &form),
              MAPI_E_INVALID_PARAMETER);
    // An interface the form lacks: the loaded form lets go of the site again.
    EXPECT_EQ(manager->LoadForm(0, 0, "IPM.Note", 0, 0, nullptr, site, msg.get(), site, IID_IMAPIFolder, &form),
              E_NOINTERFACE);
    EXPECT_EQ(site->Refs(), 1u);
    EXPECT_TRUE(mapi::OpenForms().empty());
    // Any class, also an exact match: the built-in form serves them all.
    EXPECT_EQ(manager->LoadForm(0, MAPIFORM_EXACTMATCH, "IPM.Contact.Special", 0, 0, nullptr, site, msg.get(), nullptr,
                                IID_IPersistMessage, &form),
              S_OK);
    auto* persist = static_cast<IPersistMessage*>(form);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, mapi::CLSID_BuiltInForm));
    ComPtr<IMAPIForm> asForm;
    ASSERT_EQ(persist->QueryInterface(IID_IMAPIForm, asForm.put_void()), S_OK);
    EXPECT_EQ(asForm->ShutdownForm(SAVEOPTS_NOSAVE), S_OK);
    persist->Release();
    asForm = nullptr;
    EXPECT_EQ(site->Refs(), 1u);
    site->Release();
}

TEST_F(FormTest, AnOpenedFormShowsTheMessageAndClosesWithItsSite)
{
    auto msg = Draft("Quarterly figures");
    auto recorder = std::make_shared<RecordingDisplays>();
    mapi::SetFormDisplayFactory(recorder);
    TestFormSite* site = nullptr;
    auto form = Open(msg.get(), &site);
    ASSERT_TRUE(form);
    // The form keeps the site alive (as site, view context and advise sink) once the viewer let go.
    EXPECT_EQ(TestFormSite::s_live, live + 1);
    EXPECT_EQ(site->log, (std::vector<std::string>{"SetAdviseSink"}));
    EXPECT_NE(site->FormSink(), nullptr);
    EXPECT_EQ(site->Connection(), 1u);
    EXPECT_TRUE(form->Shown());
    EXPECT_EQ(recorder->log.calls.front(), "Create");
    EXPECT_EQ(recorder->log.calls.back(), "Open");
    EXPECT_FALSE(recorder->log.modal);
    EXPECT_EQ(Verbs(), (std::vector<std::string>{"load", "open"}));

    const auto& c = form->Content();
    EXPECT_EQ(c.messageClass, "IPM.Note");
    EXPECT_EQ(c.subject, "Quarterly figures");
    EXPECT_EQ(c.body, "First line\nSecond line");
    EXPECT_EQ(c.sender, "Ann Example <ann@example.org>");
    EXPECT_EQ(c.to, "Bob <bob@example.org>");
    EXPECT_EQ(c.cc, "carl@example.org");
    EXPECT_EQ(c.bcc, "");
    ASSERT_EQ(c.attachments.size(), 1u);
    EXPECT_EQ(c.attachments[0].name, "report.pdf");
    EXPECT_GE(c.attachments[0].size, 1000u);
    std::vector<std::string> labels;
    for (const auto& t : c.times) {
        labels.push_back(t.label);
        EXPECT_FALSE(t.text.empty());
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Created", "Modified"}));
    bool subject = false, named = false, flags = false;
    for (const auto& p : c.properties) {
        subject |= p.name == "PR_SUBJECT" && p.tag == "0x0037001F" && p.value == "Quarterly figures";
        named |= p.name == "{00020329-0000-0000-C000-000000000046}/Colour" && p.value == "blue";
        flags |= p.name == "PR_MESSAGE_FLAGS";
    }
    EXPECT_TRUE(subject && named && flags);
    EXPECT_EQ(form->Caption(), "Quarterly figures - IPM.Note");
    EXPECT_TRUE(form->CanEdit() && form->CanSave() && form->CanSend());
    EXPECT_EQ(form->IsDirty(), S_FALSE);

    // Opening again brings the same window forward.
    EXPECT_EQ(form->DoVerb(EXCHIVERB_OPEN, nullptr, 0, nullptr), S_OK);
    EXPECT_EQ(std::count(recorder->log.calls.begin(), recorder->log.calls.end(), "Create"), 1);

    // Closing without changes asks nothing.
    EXPECT_EQ(form->CommandClose(), S_OK);
    EXPECT_TRUE(platform::PromptRecords().empty());
    EXPECT_EQ(recorder->log.calls.back(), "Close");
    EXPECT_FALSE(form->Shown());
    EXPECT_TRUE(mapi::OpenForms().empty());
    EXPECT_EQ(TestFormSite::s_live, live) << "the site outlived its form";
    EXPECT_EQ(Verbs(), (std::vector<std::string>{"load", "open", "open", "close"}));
    // A shut-down form refuses everything but letting go.
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Shutdown);
    EXPECT_EQ(form->DoVerb(EXCHIVERB_OPEN, nullptr, 0, nullptr), E_UNEXPECTED);
    EXPECT_EQ(form->ShutdownForm(SAVEOPTS_NOSAVE), E_UNEXPECTED);
    EXPECT_EQ(form->IsDirty(), E_UNEXPECTED);
    EXPECT_EQ(form->Save(msg.get(), TRUE), E_UNEXPECTED);
    ULONG connection = 0;
    EXPECT_EQ(form->Advise(nullptr, &connection), MAPI_E_INVALID_PARAMETER);
    LPMAPIVIEWCONTEXT context = nullptr;
    EXPECT_EQ(form->GetViewContext(&context), E_UNEXPECTED);
}

TEST_F(FormTest, SaveWritesSubjectAndTextThroughTheSite)
{
    auto msg = Draft("Draft");
    TestFormSite* site = nullptr;
    auto form = Open(msg.get(), &site);
    ASSERT_TRUE(form);
    const ULONGLONG before = GetTime(Reopen(msg.get()).get(), PR_LAST_MODIFICATION_TIME);
    form->SetSubject("Final");
    EXPECT_EQ(form->IsDirty(), S_OK);
    form->SetSubject("Draft");
    EXPECT_EQ(form->IsDirty(), S_FALSE) << "typing back what was there is no change";
    form->SetSubject("Final");
    form->SetBody("New text");
    EXPECT_TRUE(form->Dirty());
    EXPECT_EQ(form->CommandSave(), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Normal);
    EXPECT_EQ(form->IsDirty(), S_FALSE);
    EXPECT_EQ(site->log, (std::vector<std::string>{"SetAdviseSink", "SaveMessage", "OnSaved"}));
    auto stored = Reopen(msg.get());
    EXPECT_EQ(GetText(stored.get(), PR_SUBJECT), "Final");
    EXPECT_EQ(GetText(stored.get(), PR_BODY), "New text");
    EXPECT_GE(GetTime(stored.get(), PR_LAST_MODIFICATION_TIME), before);
    EXPECT_EQ(form->Content().subject, "Final");
    EXPECT_EQ(form->Caption(), "Final - IPM.Note");

    // The site's save fails: the user is told with the site's reason and keeps the changes.
    site->saveFailure = MAPI_E_NOT_ENOUGH_DISK;
    form->SetSubject("Later");
    platform::PushAnswer("ok");
    EXPECT_EQ(form->CommandSave(), MAPI_E_NOT_ENOUGH_DISK);
    const auto boxes = platform::PromptRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Later - IPM.Note");
    EXPECT_EQ(boxes[0].text, "The item could not be saved.\r\nThe folder is full.");
    EXPECT_TRUE(form->Dirty());
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Normal);
    EXPECT_EQ(GetText(Reopen(msg.get()).get(), PR_SUBJECT), "Final");
    site->saveFailure = S_OK;
    EXPECT_EQ(form->CommandSave(), S_OK);
    EXPECT_EQ(GetText(Reopen(msg.get()).get(), PR_SUBJECT), "Later");
    EXPECT_EQ(Verbs(), (std::vector<std::string>{"load", "open", "save", "save!", "save"}));
}

TEST_F(FormTest, ANewTextReplacesTheFormattedCopiesOfTheOld)
{
    auto msg = Draft("Formatted");
    ASSERT_EQ(SetBin(msg.get(), PR_HTML, "<p>Old</p>"), S_OK);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    auto form = Open(msg.get());
    ASSERT_TRUE(form);
    form->SetSubject("Still formatted");
    ASSERT_EQ(form->CommandSave(), S_OK);
    EXPECT_EQ(GetBin(Reopen(msg.get()).get(), PR_HTML), "<p>Old</p>") << "the text was not changed";
    form->SetBody("Plain now");
    ASSERT_EQ(form->CommandSave(), S_OK);
    EXPECT_EQ(GetBin(Reopen(msg.get()).get(), PR_HTML), "");
    EXPECT_EQ(GetText(Reopen(msg.get()).get(), PR_BODY), "Plain now");
}

TEST_F(FormTest, SendSubmitsThroughTheSiteAndClosesTheForm)
{
    auto msg = Draft("Off it goes");
    const Bytes id = GetBin(msg.get(), PR_ENTRYID);
    TestFormSite* site = nullptr;
    auto form = Open(msg.get(), &site);
    ASSERT_TRUE(form);
    msg = nullptr;
    form->SetBody("Sent text");
    EXPECT_EQ(form->CommandSend(), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Shutdown);
    EXPECT_EQ(TestFormSite::s_live, live);
    EXPECT_EQ(Verbs(), (std::vector<std::string>{"load", "open", "send", "close"}));
    std::vector<fs::path> spooled;
    for (const auto& e : fs::directory_iterator(platform::SpoolDirectory()))
        spooled.push_back(e.path());
    ASSERT_EQ(spooled.size(), 1u);
    std::ifstream in(spooled[0]);
    const std::string mail((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(mail.find("Subject: Off it goes"), std::string::npos);
    EXPECT_NE(mail.find("Sent text"), std::string::npos);
    EXPECT_TRUE(platform::PromptRecords().empty());
}

TEST_F(FormTest, AFailedSendKeepsTheFormWithItsMessage)
{
    setenv("PLATFORM_SENDMAIL", "cat > /dev/null; exit 3", 1);
    auto msg = Draft("Refused");
    TestFormSite* site = nullptr;
    auto form = Open(msg.get(), &site);
    ASSERT_TRUE(form);
    platform::PushAnswer("ok");
    EXPECT_EQ(form->CommandSend(), MAPI_E_NETWORK_ERROR);
    const auto boxes = platform::PromptRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("The item could not be sent.\r\n", 0), 0u);
    // The site let the form have the message back: it can still save and send.
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Normal);
    EXPECT_TRUE(form->CanSave() && form->CanSend());
    unsetenv("PLATFORM_SENDMAIL");
    EXPECT_EQ(form->CommandSend(), S_OK);
    EXPECT_EQ(Verbs(), (std::vector<std::string>{"load", "open", "send!", "send", "close"}));
}

TEST_F(FormTest, ClosingAChangedFormAsksWhetherToSave)
{
    auto msg = Draft("Question");
    TestFormSite* site = nullptr;
    auto form = Open(msg.get(), &site);
    ASSERT_TRUE(form);
    form->SetSubject("Answered");
    platform::PushAnswer("cancel");
    EXPECT_EQ(form->CommandClose(), MAPI_E_USER_CANCEL);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Normal);
    auto boxes = platform::PromptRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Do you want to save the changes to \"Answered\"?");
    EXPECT_EQ(boxes[0].type, UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
    platform::PushAnswer("no");
    EXPECT_EQ(form->CommandClose(), S_OK);
    EXPECT_EQ(GetText(Reopen(msg.get()).get(), PR_SUBJECT), "Question");

    auto again = Open(msg.get(), &site);
    ASSERT_TRUE(again);
    again->SetSubject("Answered");
    platform::PushAnswer("yes");
    EXPECT_EQ(again->CommandClose(), S_OK);
    EXPECT_EQ(GetText(Reopen(msg.get()).get(), PR_SUBJECT), "Answered");
    EXPECT_EQ(TestFormSite::s_live, live);
}

TEST_F(FormTest, TheViewerShutsTheFormDownWithItsSaveOption)
{
    auto msg = Draft("Viewer");
    TestFormSite* site = nullptr;
    auto form = Open(msg.get(), &site);
    ASSERT_TRUE(form);
    form->SetSubject("Saved on the way out");
    EXPECT_EQ(form->ShutdownForm(7), MAPI_E_INVALID_PARAMETER);
    // The site's save fails: the form stays, changes and all.
    site->saveFailure = MAPI_E_NOT_ENOUGH_DISK;
    EXPECT_EQ(form->ShutdownForm(SAVEOPTS_SAVEIFDIRTY), MAPI_E_NOT_ENOUGH_DISK);
    EXPECT_TRUE(platform::PromptRecords().empty()) << "the viewer asked; the user is not bothered";
    EXPECT_TRUE(form->Dirty());
    site->saveFailure = S_OK;
    EXPECT_EQ(form->ShutdownForm(SAVEOPTS_SAVEIFDIRTY), S_OK);
    EXPECT_EQ(GetText(Reopen(msg.get()).get(), PR_SUBJECT), "Saved on the way out");
    EXPECT_EQ(TestFormSite::s_live, live);

    auto dropped = Open(msg.get(), &site);
    ASSERT_TRUE(dropped);
    dropped->SetSubject("Dropped");
    EXPECT_EQ(dropped->ShutdownForm(SAVEOPTS_NOSAVE), S_OK);
    EXPECT_EQ(GetText(Reopen(msg.get()).get(), PR_SUBJECT), "Saved on the way out");
    EXPECT_TRUE(platform::PromptRecords().empty());
}

TEST_F(FormTest, TheViewerHearsEveryStepInOrder)
{
    auto msg = Draft("Heard");
    TestFormSite* site = nullptr;
    auto form = Open(msg.get(), &site);
    ASSERT_TRUE(form);
    // A second viewer advises and unadvises; the first hears save and shutdown.
    auto* other = new TestFormSite(session.get(), store.get(), outbox.get(), msg.get());
    ULONG second = 0;
    ASSERT_EQ(form->Advise(other, &second), S_OK);
    EXPECT_EQ(second, 2u);
    form->SetSubject("Heard twice");
    ASSERT_EQ(form->CommandSave(), S_OK);
    EXPECT_EQ(form->Unadvise(second), S_OK);
    EXPECT_EQ(form->Unadvise(second), MAPI_E_NOT_FOUND);
    EXPECT_EQ(other->log, (std::vector<std::string>{"OnSaved"}));
    other->Release();
    ASSERT_EQ(form->CommandClose(), S_OK);
    EXPECT_EQ(TestFormSite::s_live, live);
    // The order of the form's calls on a site that is kept to the end.
    auto* watched = new TestFormSite(session.get(), store.get(), outbox.get(), msg.get());
    ComPtr<IMAPIForm> f;
    ASSERT_EQ(manager->LoadForm(0, 0, "IPM.Note", 0, 0, nullptr, watched, msg.get(), watched, IID_IMAPIForm,
                                f.put_void()),
              S_OK);
    ASSERT_EQ(watched->SetForm(f.get()), S_OK);
    ASSERT_EQ(f->DoVerb(EXCHIVERB_OPEN, watched, 0, nullptr), S_OK);
    ASSERT_EQ(f->ShutdownForm(SAVEOPTS_PROMPTSAVE), S_OK);
    EXPECT_EQ(watched->log, (std::vector<std::string>{"SetAdviseSink", "OnShutdown", "SetAdviseSink(null)"}));
    EXPECT_EQ(watched->FormSink(), nullptr);
    EXPECT_EQ(watched->Refs(), 1u) << "the form let go of every reference to the site";
    watched->Release();
}

TEST_F(FormTest, TheMessageStatesOfTheFormFollowSaveAndHandsOff)
{
    auto msg = Draft("States");
    auto* site = new TestFormSite(session.get(), store.get(), outbox.get(), msg.get());
    ComPtr<BuiltInForm> form;
    ASSERT_EQ(BuiltInForm::Create(form.put()), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Uninitialized);
    EXPECT_EQ(form->DoVerb(EXCHIVERB_OPEN, nullptr, 0, nullptr), E_UNEXPECTED);
    EXPECT_EQ(form->Save(msg.get(), TRUE), E_UNEXPECTED);
    EXPECT_EQ(form->HandsOffMessage(), E_UNEXPECTED);
    ASSERT_EQ(form->Load(site, msg.get(), 0, MSGFLAG_UNSENT), S_OK);
    EXPECT_EQ(form->Load(site, msg.get(), 0, 0), E_UNEXPECTED);

    form->SetSubject("Written");
    ASSERT_EQ(form->Save(nullptr, TRUE), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::NoScribble);
    EXPECT_EQ(form->IsDirty(), S_FALSE);
    EXPECT_FALSE(form->CanEdit()) << "no changes while the caller saves";
    EXPECT_EQ(form->Save(nullptr, TRUE), E_UNEXPECTED);
    EXPECT_EQ(GetText(msg.get(), PR_SUBJECT), "Written") << "written into the message, not saved";
    EXPECT_EQ(GetText(Reopen(msg.get()).get(), PR_SUBJECT), "States");
    ASSERT_EQ(form->SaveCompleted(nullptr), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Normal);
    EXPECT_EQ(form->SaveCompleted(nullptr), E_UNEXPECTED);

    ASSERT_EQ(form->HandsOffMessage(), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::HandsOffFromNormal);
    EXPECT_FALSE(form->CanEdit());
    EXPECT_EQ(form->Save(msg.get(), TRUE), E_UNEXPECTED);
    EXPECT_EQ(form->SaveCompleted(nullptr), MAPI_E_INVALID_PARAMETER);
    ASSERT_EQ(form->SaveCompleted(msg.get()), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Normal);

    ASSERT_EQ(form->Save(nullptr, TRUE), S_OK);
    ASSERT_EQ(form->HandsOffMessage(), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::HandsOffAfterSave);
    // Load takes a message again in a hands-off state.
    ASSERT_EQ(form->Load(site, msg.get(), 0, MSGFLAG_UNSENT), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Normal);
    EXPECT_EQ(form->Subject(), "Written");

    // Save into another message: the whole message with the form's changes.
    ComPtr<IMessage> copy;
    ASSERT_EQ(outbox->CreateMessage(nullptr, 0, copy.put()), S_OK);
    form->SetBody("Copied text");
    ASSERT_EQ(form->Save(copy.get(), FALSE), S_OK);
    EXPECT_EQ(form->IsDirty(), S_OK) << "the form's own message still lacks the change";
    ASSERT_EQ(form->SaveCompleted(nullptr), S_OK);
    EXPECT_EQ(GetText(copy.get(), PR_SUBJECT), "Written");
    EXPECT_EQ(GetText(copy.get(), PR_BODY), "Copied text");
    EXPECT_EQ(GetText(copy.get(), PR_SENDER_NAME), "Ann Example");
    EXPECT_EQ(form->Save(nullptr, FALSE), MAPI_E_INVALID_PARAMETER);

    ASSERT_EQ(form->ShutdownForm(SAVEOPTS_NOSAVE), S_OK);
    EXPECT_EQ(site->Refs(), 1u);
    site->Release();
}

TEST_F(FormTest, ANewMessageIsSavedOnlyWhenItsFormSavesIt)
{
    auto* site = new TestFormSite(session.get(), store.get(), outbox.get(), nullptr);
    ComPtr<IMessage> fresh;
    ASSERT_EQ(outbox->CreateMessage(nullptr, 0, fresh.put()), S_OK);
    ComPtr<BuiltInForm> form;
    ASSERT_EQ(BuiltInForm::Create(form.put()), S_OK);
    ASSERT_EQ(form->InitNew(site, fresh.get()), S_OK);
    EXPECT_TRUE(form->CanEdit());
    form->SetSubject("Never kept");
    ASSERT_EQ(form->ShutdownForm(SAVEOPTS_NOSAVE), S_OK);
    ComPtr<IMAPITable> table;
    ASSERT_EQ(outbox->GetContentsTable(0, table.put()), S_OK);
    ULONG rows = 99;
    ASSERT_EQ(table->GetRowCount(0, &rows), S_OK);
    EXPECT_EQ(rows, 0u);
    EXPECT_EQ(Verbs(), (std::vector<std::string>{"new", "close"}));
    site->Release();
}

TEST_F(FormTest, VerbsAndViewStatusDecideHowTheFormShows)
{
    auto msg = Draft("Shown");
    auto recorder = std::make_shared<RecordingDisplays>();
    mapi::SetFormDisplayFactory(recorder);

    // Not interactive: no window at all.
    auto hidden = Open(msg.get(), nullptr, 0);
    ASSERT_TRUE(hidden);
    EXPECT_FALSE(hidden->Shown());
    EXPECT_TRUE(recorder->log.calls.empty());
    EXPECT_EQ(hidden->DoVerb(105, nullptr, 0, nullptr), MAPI_E_NO_SUPPORT);
    LPMAPIERROR error = nullptr;
    ASSERT_EQ(hidden->GetLastError(MAPI_E_NO_SUPPORT, 0, &error), S_OK);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->lpszError, "The form knows no verb 105.");
    EXPECT_STREQ(error->lpszComponent, "Built-in form");
    MAPIFreeBuffer(error);
    ASSERT_EQ(hidden->GetLastError(MAPI_E_NO_SUPPORT, MAPI_UNICODE, &error), S_OK);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(error->lpszError)), u"The form knows no verb 105.");
    MAPIFreeBuffer(error);
    EXPECT_EQ(hidden->GetLastError(E_FAIL, 0, &error), S_OK);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(hidden->GetLastError(MAPI_E_NO_SUPPORT, 0x1, &error), MAPI_E_UNKNOWN_FLAGS);
    hidden->ShutdownForm(SAVEOPTS_NOSAVE);

    // Modal and read-only: the display is asked for a modal window; nothing can be changed.
    auto modal = Open(msg.get(), nullptr, VCSTATUS_INTERACTIVE | VCSTATUS_MODAL | VCSTATUS_READONLY);
    ASSERT_TRUE(modal);
    EXPECT_TRUE(recorder->log.modal);
    EXPECT_FALSE(modal->CanEdit() || modal->CanSave() || modal->CanSend());
    modal->SetSubject("Ignored");
    EXPECT_EQ(modal->Subject(), "Shown");
    EXPECT_EQ(modal->CommandSave(), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(modal->CommandSend(), MAPI_E_NO_SUPPORT);
    modal->ShutdownForm(SAVEOPTS_NOSAVE);

    // The parent and the position reach the display.
    auto placed = Open(msg.get());
    ASSERT_TRUE(placed);
    const RECT where{10, 20, 610, 520};
    const HWND parent = reinterpret_cast<HWND>(0x1234);
    ASSERT_EQ(placed->DoVerb(EXCHIVERB_OPEN, nullptr, reinterpret_cast<ULONG_PTR>(parent), &where), S_OK);
    EXPECT_EQ(recorder->log.parent, parent);
    ASSERT_TRUE(recorder->log.hadPosition);
    EXPECT_EQ(recorder->log.position.right, 610);
    placed->ShutdownForm(SAVEOPTS_NOSAVE);

    // A site that neither saves nor submits, and a message already sent: read only.
    auto reader = Open(msg.get(), nullptr, VCSTATUS_INTERACTIVE, VCSTATUS_NEW_MESSAGE);
    ASSERT_TRUE(reader);
    EXPECT_TRUE(reader->CanEdit());
    EXPECT_FALSE(reader->CanSave() || reader->CanSend());
    reader->ShutdownForm(SAVEOPTS_NOSAVE);
    auto received = Open(msg.get(), nullptr, VCSTATUS_INTERACTIVE, VCSTATUS_NEW_MESSAGE | VCSTATUS_SAVE | VCSTATUS_SUBMIT,
                         MSGFLAG_READ);
    ASSERT_TRUE(received);
    EXPECT_TRUE(received->CanSave());
    EXPECT_FALSE(received->CanSend());
    // The view context's change of status reaches the form.
    TestFormSite* site = nullptr;
    received->ShutdownForm(SAVEOPTS_NOSAVE);
    auto watched = Open(msg.get(), &site);
    ASSERT_TRUE(watched);
    site->viewStatus = VCSTATUS_INTERACTIVE | VCSTATUS_READONLY;
    ASSERT_EQ(site->FormSink()->OnChange(VCDIR_NEXT), S_OK);
    EXPECT_FALSE(watched->CanEdit());
    LPPERSISTMESSAGE next = reinterpret_cast<LPPERSISTMESSAGE>(1);
    EXPECT_EQ(site->FormSink()->OnActivateNext("IPM.Note", 0, 0, &next), S_OK);
    EXPECT_EQ(next, nullptr);
}

TEST_F(FormTest, AMessageThisProgramMayNotChangeIsOnlyShown)
{
    auto msg = Draft("Locked");
    const Bytes id = GetBin(msg.get(), PR_ENTRYID);
    msg = nullptr;
    ComPtr<IMsgStore> readOnly;
    ASSERT_EQ(mapi::OpenStoreFile(path, 0, readOnly.put()), S_OK);
    auto locked = OpenAs<IMessage>(readOnly.get(), id, 0);
    ASSERT_TRUE(locked);
    auto form = Open(locked.get());
    ASSERT_TRUE(form);
    EXPECT_FALSE(form->Content().modifiable);
    EXPECT_FALSE(form->CanEdit() || form->CanSave() || form->CanSend());
    EXPECT_EQ(form->Content().subject, "Locked");
}

} // namespace
