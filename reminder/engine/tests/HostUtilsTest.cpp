// The MAPI session behind the host's Application object, and the signal time of reminder items.
#include "HostUtils.h"
#include "TimeFixture.h"

#include "TempRoot.h"
#include "base/DebugOutput.h"
#include "base/PlatformRoot.h"
#include "host/HostProgram.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

class SignalTime : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto path = platform::StoresDirectory() / "personal.store";
        ASSERT_EQ(mapi::CreateStoreFile(path, mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
        ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
        ULONG cb = 0;
        LPENTRYID eid = nullptr;
        ASSERT_EQ(store->GetReceiveFolder(nullptr, 0, &cb, &eid, nullptr), S_OK);
        ULONG type = 0;
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(store->OpenEntry(cb, eid, nullptr, MAPI_MODIFY, &type, unknown.put()), S_OK);
        MAPIFreeBuffer(eid);
        ASSERT_EQ(unknown.As(folder), S_OK);
        GUID common = PSETID_Common;
        MAPINAMEID ids[3] = {{&common, MNID_ID, {0x8560}}, {&common, MNID_ID, {0x8502}}, {&common, MNID_ID, {0x8501}}};
        LPMAPINAMEID names[3] = {&ids[0], &ids[1], &ids[2]};
        LPSPropTagArray tags = nullptr;
        ASSERT_EQ(folder->GetIDsFromNames(3, names, MAPI_CREATE, &tags), S_OK);
        signalTag = CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_SYSTIME);
        reminderTag = CHANGE_PROP_TYPE(tags->aulPropTag[1], PT_SYSTIME);
        deltaTag = CHANGE_PROP_TYPE(tags->aulPropTag[2], PT_LONG);
        MAPIFreeBuffer(tags);
    }

    ComPtr<IMessage> Item(const FILETIME* reminder, const LONG* delta, const FILETIME* signal = nullptr)
    {
        ComPtr<IMessage> message;
        EXPECT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
        SPropValue props[3]{};
        ULONG n = 0;
        if (reminder) {
            props[n].ulPropTag = reminderTag;
            props[n++].Value.ft = *reminder;
        }
        if (delta) {
            props[n].ulPropTag = deltaTag;
            props[n++].Value.l = *delta;
        }
        if (signal) {
            props[n].ulPropTag = signalTag;
            props[n++].Value.ft = *signal;
        }
        if (n) {
            EXPECT_EQ(message->SetProps(n, props, nullptr), S_OK);
        }
        return message;
    }

    std::string Signal(IMessage* message)
    {
        LPSPropValue v = nullptr;
        if (FAILED(HrGetOneProp(message, signalTag, &v)))
            return "none";
        const std::string text = Show(v->Value.ft);
        MAPIFreeBuffer(v);
        return text;
    }

    TempRoot root;
    ComPtr<IMsgStore> store;
    ComPtr<IMAPIFolder> folder;
    ULONG signalTag = 0, reminderTag = 0, deltaTag = 0;
};

} // namespace

TEST_F(SignalTime, ReminderTimeMinusTheDelta)
{
    const FILETIME reminder = Ft(2007, 5, 1, 10, 0);
    const LONG fifteen = 15, before = -30;
    auto item = Item(&reminder, &fifteen);
    ASSERT_EQ(EnsureFlagDueBy(item.get()), S_OK);
    EXPECT_EQ(Signal(item.get()), "2007-05-01 09:45:00");
    item = Item(&reminder, nullptr); // no delta: the reminder time itself
    ASSERT_EQ(EnsureFlagDueBy(item.get()), S_OK);
    EXPECT_EQ(Signal(item.get()), "2007-05-01 10:00:00");
    item = Item(&reminder, &before); // a reminder after the time
    ASSERT_EQ(EnsureFlagDueBy(item.get()), S_OK);
    EXPECT_EQ(Signal(item.get()), "2007-05-01 10:30:00");
}

TEST_F(SignalTime, AnItemWithASignalTimeKeepsIt)
{
    const FILETIME reminder = Ft(2007, 5, 1, 10, 0), signal = Ft(2007, 5, 2, 8, 0);
    const LONG fifteen = 15;
    auto item = Item(&reminder, &fifteen, &signal);
    ASSERT_EQ(EnsureFlagDueBy(item.get()), S_OK);
    EXPECT_EQ(Signal(item.get()), "2007-05-02 08:00:00");
}

TEST_F(SignalTime, WithoutAReminderTimeOrBefore1601NothingIsWritten)
{
    platform::DebugOutputCapture capture;
    const LONG fifteen = 15;
    auto item = Item(nullptr, &fifteen);
    EXPECT_EQ(EnsureFlagDueBy(item.get()), E_FAIL);
    EXPECT_NE(capture.joined().find("dispidReminderTime is not set\n"), std::string::npos);
    EXPECT_EQ(Signal(item.get()), "none");

    const FILETIME early = Ft(1601, 1, 1, 0, 10);
    item = Item(&early, &fifteen);
    EXPECT_EQ(EnsureFlagDueBy(item.get()), E_FAIL);
    EXPECT_EQ(Signal(item.get()), "none");
    EXPECT_EQ(EnsureFlagDueBy(nullptr), E_INVALIDARG);
}

namespace {

class MapiSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
        const auto store = platform::StoresDirectory() / "mailbox.store";
        ASSERT_EQ(mapi::CreateStoreFile(store, mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", store), S_OK);
    }

    TempRoot root;
    std::ostringstream out, err;
};

} // namespace

TEST_F(MapiSession, TheSessionBehindTheHostsApplication)
{
    host::HostOptions options;
    options.headless = true;
    host::HostProgram program(options, out, err);
    ASSERT_TRUE(program.Start()) << err.str();
    ComPtr<IDispatch> application;
    ASSERT_EQ(program.Application()->QueryInterface(IID_IDispatch, application.put_void()), S_OK);

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(GetMapiSession(application.get(), unknown.put()), S_OK);
    ComPtr<IMAPISession> session;
    ASSERT_EQ(unknown.As(session), S_OK);
    EXPECT_EQ(session.get(), program.Session().Session());
    LPMAPITABLE table = nullptr;
    ASSERT_EQ(session->GetMsgStoresTable(0, &table), S_OK);
    table->Release();

    platform::DebugOutputCapture capture;
    IUnknown* none = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(GetMapiSession(nullptr, &none), E_INVALIDARG);
    EXPECT_EQ(none, nullptr);
    EXPECT_NE(capture.joined().find("pApplication == NULL. hr=0x80070057\n"), std::string::npos);
    unknown = nullptr;
    session = nullptr;
    application = nullptr;
    program.Stop();
}
