// The fixture of the form tests: a store with an Outbox, a session for the form manager, an
// unsent message with a recipient on To and Cc, an attachment and a named property, and the
// steps by which a previewing program loads a form for a new site and shows it.
#pragma once

#include "MapiTestUtil.h"
#include "TestFormSite.h"

#include "base/AnswerQueue.h"
#include "mapi/BuiltInForm.h"
#include "mapi/FormDisplay.h"
#include "mapi/OpenForms.h"

#include <cstdlib>
#include <optional>

namespace formtest {

using mapitest::Bytes;
using mapitest::GetBin;
using mapitest::GetLong;
using mapitest::OpenAs;
using mapitest::SetBin;
using mapitest::SetText;

inline SPropValue Str(ULONG tag, const char* s)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszA = const_cast<char*>(s);
    return v;
}

inline SPropValue Num(ULONG tag, LONG n)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.l = n;
    return v;
}

class FormFixture : public mapitest::StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        unsetenv("PLATFORM_SENDMAIL");
        setenv("PLATFORM_MESSAGEBOX", "console", 1);
        platform::ClearAnswers();
        mapi::ClearFormEvents();
        LogOn(session);
        if (HasFatalFailure())
            return;
        outbox = OpenAs<IMAPIFolder>(store.get(), GetBin(store.get(), PR_IPM_OUTBOX_ENTRYID));
        ASSERT_EQ(MAPIOpenFormMgr(session.get(), manager.put()), S_OK);
        live = TestFormSite::s_live;
    }

    void TearDown() override
    {
        for (auto& form : mapi::OpenForms())
            form->ShutdownForm(SAVEOPTS_NOSAVE);
        EXPECT_EQ(TestFormSite::s_live, live) << "a site was not let go";
        mapi::SetFormDisplayFactory(nullptr);
        unsetenv("PLATFORM_MESSAGEBOX");
        platform::ClearAnswers();
        manager = nullptr;
        outbox = nullptr;
        if (session)
            session->Logoff(0, 0, 0);
        session = nullptr;
        MAPIUninitialize();
    }

    // An unsent message in the Outbox with a recipient, an attachment and a named property.
    ComPtr<IMessage> Draft(const char* subject)
    {
        ComPtr<IMessage> msg;
        EXPECT_EQ(outbox->CreateMessage(nullptr, 0, msg.put()), S_OK);
        std::vector<SPropValue> props = {Str(PR_SUBJECT_A, subject), Str(PR_BODY_A, "First line\nSecond line"),
                                         Str(PR_MESSAGE_CLASS_A, "IPM.Note"), Str(PR_SENDER_NAME_A, "Ann Example"),
                                         Str(PR_SENDER_EMAIL_ADDRESS_A, "ann@example.org")};
        EXPECT_EQ(msg->SetProps(ULONG(props.size()), props.data(), nullptr), S_OK);
        std::vector<char> buf(CbNewADRLIST(2));
        auto* list = reinterpret_cast<LPADRLIST>(buf.data());
        list->cRows = 2;
        SPropValue to[] = {Str(PR_DISPLAY_NAME_A, "Bob"), Str(PR_ADDRTYPE_A, "SMTP"),
                           Str(PR_EMAIL_ADDRESS_A, "bob@example.org"), Num(PR_RECIPIENT_TYPE, MAPI_TO)};
        SPropValue cc[] = {Str(PR_DISPLAY_NAME_A, "carl@example.org"), Str(PR_ADDRTYPE_A, "SMTP"),
                           Str(PR_EMAIL_ADDRESS_A, "carl@example.org"), Num(PR_RECIPIENT_TYPE, MAPI_CC)};
        list->aRow[0] = {0, 4, to};
        list->aRow[1] = {0, 4, cc};
        EXPECT_EQ(msg->ModifyRecipients(MODRECIP_ADD, list), S_OK);
        ComPtr<IAttach> att;
        ULONG num = 0;
        EXPECT_EQ(msg->CreateAttach(nullptr, 0, &num, att.put()), S_OK);
        SPropValue a[] = {Num(PR_ATTACH_METHOD, ATTACH_BY_VALUE), Str(PR_ATTACH_LONG_FILENAME_A, "report.pdf")};
        EXPECT_EQ(att->SetProps(2, a, nullptr), S_OK);
        EXPECT_EQ(SetBin(att.get(), PR_ATTACH_DATA_BIN, Bytes(1000, 'x')), S_OK);
        EXPECT_EQ(att->SaveChanges(0), S_OK);
        MAPINAMEID name{const_cast<GUID*>(&PS_PUBLIC_STRINGS), MNID_STRING, {}};
        std::u16string wide = u"Colour";
        name.Kind.lpwstrName = wide.data();
        LPMAPINAMEID names[] = {&name};
        LPSPropTagArray tags = nullptr;
        EXPECT_EQ(msg->GetIDsFromNames(1, names, MAPI_CREATE, &tags), S_OK);
        EXPECT_EQ(SetText(msg.get(), CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_STRING8), "blue"), S_OK);
        MAPIFreeBuffer(tags);
        EXPECT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        return msg;
    }

    // The message again, as the store has it now.
    ComPtr<IMessage> Reopen(IMessage* msg) { return OpenAs<IMessage>(store.get(), GetBin(msg, PR_ENTRYID)); }

    // Loads the message's form for a new site as the previewing program does, hands the form to
    // the site, shows it (owned by `parent`), and keeps no reference of its own to either.
    ComPtr<mapi::BuiltInForm> Open(IMessage* msg, TestFormSite** siteOut = nullptr, ULONG viewStatus = VCSTATUS_INTERACTIVE,
                             ULONG siteStatus = VCSTATUS_NEW_MESSAGE | VCSTATUS_SAVE | VCSTATUS_SUBMIT,
                             std::optional<ULONG> messageFlags = std::nullopt, HWND parent = nullptr)
    {
        auto* site = new TestFormSite(session.get(), store.get(), outbox.get(), msg);
        site->viewStatus = viewStatus;
        site->siteStatus = siteStatus;
        ComPtr<IMAPIForm> form;
        const ULONG flags = messageFlags ? *messageFlags : ULONG(GetLong(msg, PR_MESSAGE_FLAGS, 0));
        EXPECT_EQ(manager->LoadForm(0, 0, "IPM.Note", 0, ULONG(flags), outbox.get(), site, msg, site, IID_IMAPIForm,
                                    form.put_void()),
                  S_OK);
        EXPECT_TRUE(form);
        if (!form) {
            site->Release();
            return nullptr;
        }
        EXPECT_EQ(site->SetForm(form.get()), S_OK);
        EXPECT_EQ(form->DoVerb(EXCHIVERB_OPEN, site, reinterpret_cast<ULONG_PTR>(parent), nullptr), S_OK);
        if (siteOut)
            *siteOut = site;
        site->Release();
        auto open = mapi::OpenForms();
        return open.empty() ? nullptr : open.back();
    }

    ComPtr<IMAPISession> session;
    ComPtr<IMAPIFolder> outbox;
    ComPtr<IMAPIFormMgr> manager;
    int live = 0;
};

} // namespace formtest
