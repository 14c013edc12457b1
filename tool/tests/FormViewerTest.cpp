// The form viewer's site over the built-in form on a real store: what it answers for, what it
// refuses, saving and sending through the form, the parent list's form count, a site without a
// form or without its message, and a new message that reaches its folder only when its form
// saves it.
#include "ConflictResource.h"
#include "ConflictsListCtrl.h"
#include "MyMAPIFormViewer.h"

#include "FormTestFixture.h"

#include "base/DebugOutput.h"
#include "base/MessageLoop.h"
#include "base/PlatformRoot.h"
#include "base/Window.h"
#include "mapi/BuiltInForm.h"
#include "mapi/OpenForms.h"

#include <filesystem>

namespace {

using mapi::BuiltInForm;

std::vector<std::string> Verbs()
{
    std::vector<std::string> out;
    for (const auto& e : mapi::FormEvents())
        out.push_back(e.verb + (FAILED(e.result) ? "!" : ""));
    return out;
}

class FormViewer : public formtest::FormFixture {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        dialog = platform::CreateMessageWindow("#32770", "", [this](HWND, UINT message, WPARAM, LPARAM lParam) {
            if (message == WMU_FORM_COUNT_CHANGED)
                formStates.push_back(static_cast<int>(lParam));
            return LRESULT{0};
        });
        list.Create(dialog);
    }
    void TearDown() override
    {
        for (auto& form : mapi::OpenForms())
            form->ShutdownForm(SAVEOPTS_NOSAVE);
        EXPECT_EQ(list.FormCount(), 1) << "a site was not let go";
        DestroyWindow(dialog);
        FormFixture::TearDown();
    }

    // A site for the message with the list as its parent (one reference, the caller's).
    CMyMAPIFormViewer* NewSite(IMessage* msg)
    {
        return new CMyMAPIFormViewer(session.get(), store.get(), outbox.get(), msg, nullptr, &list);
    }

    // The message's form hosted as the conflict list hosts it: loaded for a new site, handed to
    // it and shown; the site lives on in the form.
    ComPtr<BuiltInForm> Host(IMessage* msg, ComPtr<CMyMAPIFormViewer>* keepSite = nullptr)
    {
        ComPtr<CMyMAPIFormViewer> site;
        site.Attach(NewSite(msg));
        ComPtr<IMAPIMessageSite> messageSite;
        ComPtr<IMAPIViewContext> viewContext;
        EXPECT_EQ(site->QueryInterface(IID_IMAPIMessageSite, messageSite.put_void()), S_OK);
        EXPECT_EQ(site->QueryInterface(IID_IMAPIViewContext, viewContext.put_void()), S_OK);
        LPSPropValue flags = nullptr;
        EXPECT_EQ(HrGetOneProp(msg, PR_MESSAGE_FLAGS, &flags), S_OK);
        ComPtr<IMAPIForm> form;
        EXPECT_EQ(manager->LoadForm(0, 0, "IPM.Note", 0, ULONG(flags->Value.l), outbox.get(), messageSite.get(), msg,
                                    viewContext.get(), IID_IMAPIForm, form.put_void()),
                  S_OK);
        MAPIFreeBuffer(flags);
        EXPECT_EQ(site->SetForm(form.get()), S_OK);
        EXPECT_EQ(form->DoVerb(EXCHIVERB_OPEN, viewContext.get(), 0, nullptr), S_OK);
        if (keepSite)
            *keepSite = site;
        const auto open = mapi::OpenForms();
        return open.empty() ? nullptr : open.back();
    }

    ULONG OutboxCount()
    {
        ComPtr<IMAPITable> table;
        EXPECT_EQ(outbox->GetContentsTable(0, table.put()), S_OK);
        ULONG rows = 99;
        EXPECT_EQ(table->GetRowCount(0, &rows), S_OK);
        return rows;
    }

    HWND dialog = nullptr;
    CConflictsListCtrl list;
    std::vector<int> formStates;
};

} // namespace

TEST_F(FormViewer, OneObjectWithThreeInterfacesThatRefusesCopyMoveAndDelete)
{
    auto msg = Draft("Agenda");
    platform::DebugOutputCapture debug;
    ComPtr<CMyMAPIFormViewer> site;
    site.Attach(NewSite(msg.get()));
    EXPECT_EQ(list.FormCount(), 2) << "the site counts on its list";

    ComPtr<IUnknown> unknown;
    ComPtr<IMAPIMessageSite> messageSite;
    ComPtr<IMAPIViewContext> viewContext;
    ComPtr<IMAPIViewAdviseSink> adviseSink;
    ComPtr<IMAPIForm> form;
    ASSERT_EQ(site->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    ASSERT_EQ(site->QueryInterface(IID_IMAPIMessageSite, messageSite.put_void()), S_OK);
    ASSERT_EQ(site->QueryInterface(IID_IMAPIViewContext, viewContext.put_void()), S_OK);
    ASSERT_EQ(site->QueryInterface(IID_IMAPIViewAdviseSink, adviseSink.put_void()), S_OK);
    EXPECT_EQ(site->QueryInterface(IID_IMAPIForm, form.put_void()), E_NOINTERFACE);
    EXPECT_FALSE(form);
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(messageSite.get()));
    EXPECT_NE(static_cast<void*>(viewContext.get()), static_cast<void*>(messageSite.get()));
    EXPECT_NE(static_cast<void*>(adviseSink.get()), static_cast<void*>(messageSite.get()));
    // Each interface answers for the others.
    ComPtr<IMAPIMessageSite> back;
    ASSERT_EQ(adviseSink->QueryInterface(IID_IMAPIMessageSite, back.put_void()), S_OK);
    EXPECT_EQ(back.get(), messageSite.get());

    EXPECT_EQ(messageSite->CopyMessage(outbox.get()), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(messageSite->MoveMessage(outbox.get(), viewContext.get(), nullptr), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(messageSite->DeleteMessage(viewContext.get(), nullptr), MAPI_E_NO_SUPPORT);
    ULONG status = 0;
    EXPECT_EQ(messageSite->GetSiteStatus(&status), S_OK);
    EXPECT_EQ(status, 0x00680000u);
    EXPECT_EQ(viewContext->GetViewStatus(&status), S_OK);
    EXPECT_EQ(status, 8u);
    LPMAPIERROR error = reinterpret_cast<LPMAPIERROR>(1);
    EXPECT_EQ(messageSite->GetLastError(E_FAIL, 0, &error), S_OK);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(viewContext->ActivateNext(VCDIR_NEXT, nullptr), S_OK);
    LPFORMPRINTSETUP print = reinterpret_cast<LPFORMPRINTSETUP>(1);
    EXPECT_EQ(viewContext->GetPrintSetup(0, &print), S_OK);
    EXPECT_EQ(print, nullptr);
    IStream* stream = reinterpret_cast<IStream*>(1);
    ULONG flags = 1, format = 1;
    EXPECT_EQ(viewContext->GetSaveStream(&flags, &format, &stream), S_OK);
    EXPECT_EQ(stream, nullptr);

    ComPtr<IMAPISession> gotSession;
    ComPtr<IMsgStore> gotStore;
    ComPtr<IMAPIFolder> gotFolder;
    ComPtr<IMessage> gotMessage;
    ComPtr<IMAPIFormMgr> gotManager;
    EXPECT_EQ(messageSite->GetSession(gotSession.put()), S_OK);
    EXPECT_EQ(gotSession.get(), session.get());
    EXPECT_EQ(messageSite->GetStore(gotStore.put()), S_OK);
    EXPECT_EQ(gotStore.get(), store.get());
    EXPECT_EQ(messageSite->GetFolder(gotFolder.put()), S_OK);
    EXPECT_EQ(gotFolder.get(), outbox.get());
    EXPECT_EQ(messageSite->GetMessage(gotMessage.put()), S_OK);
    EXPECT_EQ(gotMessage.get(), msg.get());
    EXPECT_EQ(messageSite->GetFormManager(gotManager.put()), S_OK);
    EXPECT_TRUE(gotManager);
    for (const char* line : {"CMyMAPIFormViewer::GetSession\n", "CMyMAPIFormViewer::CopyMessage\n",
                             "CMyMAPIFormViewer.m_cRef increased to 2.\n", "CFolderDlg::AddRef\n"})
        EXPECT_NE(debug.joined().find(line), std::string::npos) << line;

    // Without a form: nothing to save, send or stop listening to.
    EXPECT_EQ(messageSite->SaveMessage(), E_UNEXPECTED);
    EXPECT_EQ(messageSite->SubmitMessage(0), E_UNEXPECTED);
    EXPECT_EQ(adviseSink->OnShutdown(), E_UNEXPECTED);
    EXPECT_EQ(adviseSink->OnSaved(), S_OK);

    unknown.Release();
    messageSite.Release();
    viewContext.Release();
    adviseSink.Release();
    back.Release();
    site.Release();
    EXPECT_EQ(list.FormCount(), 1);
    EXPECT_NE(debug.joined().find("CMyMAPIFormViewer.m_cRef decreased to 0.\n"), std::string::npos);
    platform::MessageLoop::Current().RunPending();
    EXPECT_EQ(formStates, (std::vector<int>{1, 0}));
}

TEST_F(FormViewer, SaveAndSendGoThroughTheFormAndTheFormCountFalls)
{
    auto msg = Draft("Draft");
    const auto id = formtest::GetBin(msg.get(), PR_ENTRYID);
    auto form = Host(msg.get());
    ASSERT_TRUE(form);
    EXPECT_EQ(list.FormCount(), 2);
    ASSERT_TRUE(form->CanSave());
    form->SetSubject("Draft, changed");
    EXPECT_EQ(form->CommandSave(), S_OK);
    ComPtr<IMessage> saved = formtest::OpenAs<IMessage>(store.get(), id);
    LPSPropValue subject = nullptr;
    ASSERT_EQ(HrGetOneProp(saved.get(), PR_SUBJECT_A, &subject), S_OK);
    EXPECT_STREQ(subject->Value.lpszA, "Draft, changed");
    MAPIFreeBuffer(subject);
    saved.Release();

    msg.Release();
    ASSERT_TRUE(form->CanSend());
    EXPECT_EQ(form->CommandSend(), S_OK);
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Shutdown);
    form.Release();
    EXPECT_EQ(list.FormCount(), 1) << "the form let its site go";
    EXPECT_EQ(Verbs(), (std::vector<std::string>{"load", "open", "save", "send", "close"}));
    std::size_t spooled = 0;
    for (const auto& entry : std::filesystem::directory_iterator(platform::SpoolDirectory()))
        spooled += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(spooled, 1u);
}

TEST_F(FormViewer, ASentMessageIsNoLongerTheSitesToSave)
{
    auto msg = Draft("Once");
    ComPtr<CMyMAPIFormViewer> site;
    auto form = Host(msg.get(), &site);
    ASSERT_TRUE(form);
    msg.Release();
    EXPECT_EQ(site->SubmitMessage(0), S_OK);
    ComPtr<IMessage> none;
    EXPECT_EQ(site->GetMessage(none.put()), S_FALSE);
    EXPECT_FALSE(none);
    EXPECT_EQ(site->SaveMessage(), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(site->SubmitMessage(0), MAPI_E_NO_SUPPORT);
    // The form shuts down; the site stops listening to it.
    EXPECT_EQ(form->ShutdownForm(SAVEOPTS_NOSAVE), S_OK);
    form.Release();
    EXPECT_EQ(site->OnShutdown(), MAPI_E_NOT_FOUND) << "already unadvised";
    site.Release();
    EXPECT_EQ(list.FormCount(), 1);
}

TEST_F(FormViewer, ANewMessageReachesItsFolderOnlyWhenItsFormSavesIt)
{
    auto msg = Draft("Original");
    msg->SaveChanges(0);
    ComPtr<CMyMAPIFormViewer> site;
    auto form = Host(msg.get(), &site);
    ASSERT_TRUE(form);
    ASSERT_EQ(OutboxCount(), 1u);

    // A form composing a new message, then closed without saving.
    for (const bool save : {false, true}) {
        ComPtr<BuiltInForm> compose;
        ASSERT_EQ(BuiltInForm::Create(compose.put()), S_OK);
        ComPtr<IPersistMessage> persist;
        ASSERT_EQ(compose->QueryInterface(IID_IPersistMessage, persist.put_void()), S_OK);
        ComPtr<IMessage> fresh;
        ComPtr<IMAPIMessageSite> freshSite;
        ComPtr<IMAPIViewContext> freshView;
        ASSERT_EQ(site->NewMessage(FALSE, nullptr, persist.get(), fresh.put(), freshSite.put(), freshView.put()), S_OK);
        EXPECT_EQ(list.FormCount(), 3) << "the new site counts on the same list";
        EXPECT_EQ(OutboxCount(), 1u) << "not saved yet";
        ASSERT_EQ(compose->InitNew(freshSite.get(), fresh.get()), S_OK);
        fresh.Release();
        freshSite.Release();
        freshView.Release();
        if (save) {
            compose->SetSubject("Reply");
            EXPECT_EQ(compose->CommandSave(), S_OK);
        }
        EXPECT_EQ(compose->ShutdownForm(SAVEOPTS_NOSAVE), S_OK);
        persist.Release();
        compose.Release();
        EXPECT_EQ(list.FormCount(), 2) << "the new form's site went with it";
        EXPECT_EQ(OutboxCount(), save ? 2u : 1u);
    }
    site.Release();
    form->ShutdownForm(SAVEOPTS_NOSAVE);
}
