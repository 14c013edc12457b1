// The application's object model over a real session: name space, folders, items, windows.
#include "HostFixture.h"

#include "base/Utf.h"
#include "com/ComBstr.h"
#include "addin/EventSink.h"
#include "com/Advise.h"
#include "host/ApplicationEvents.h"
#include "host/Folder.h"

namespace {

class ObjectModel : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        messageId = CreateInboxMessage("Hello");
        host = StartHost();
        app = host->Application();
        ASSERT_EQ(app->GetNamespace(ComBstr("mapi"), ns.put()), S_OK);
    }

    // Late-bound call by name; returns the HRESULT and the result.
    HRESULT CallByName(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> args, VARIANT& result,
                       EXCEPINFO* excep = nullptr)
    {
        DISPID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
        if (FAILED(hr))
            return hr;
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        VariantInit(&result);
        hr = object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &params, &result, excep, nullptr);
        for (VARIANT& v : args)
            VariantClear(&v);
        return hr;
    }

    static VARIANT Text(const std::string& s)
    {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = ComBstr(s).Detach();
        return v;
    }

    std::string messageId;
    std::unique_ptr<host::HostProgram> host;
    CHostApplication* app = nullptr;
    ComPtr<_NameSpace> ns;
};

} // namespace

TEST_F(ObjectModel, DefaultFoldersHaveNamesAndIds)
{
    ComPtr<MAPIFolder> inbox, outbox, calendar;
    ASSERT_EQ(ns->GetDefaultFolder(olFolderInbox, inbox.put()), S_OK);
    ASSERT_EQ(ns->GetDefaultFolder(olFolderOutbox, outbox.put()), S_OK);
    ASSERT_EQ(ns->GetDefaultFolder(olFolderCalendar, calendar.put()), S_OK);
    ComBstr name, entry, store, outboxStore;
    inbox->get_Name(name.put());
    EXPECT_EQ(name.Utf8(), "Inbox");
    inbox->get_EntryID(entry.put());
    inbox->get_StoreID(store.put());
    outbox->get_StoreID(outboxStore.put());
    EXPECT_EQ(store.Utf8(), outboxStore.Utf8());
    EXPECT_EQ(entry.Utf8().find_first_not_of("0123456789abcdef"), std::string::npos);

    // Found again from its IDs, also late-bound.
    VARIANT storeArg = Text(store.Utf8());
    ComPtr<MAPIFolder> again;
    ASSERT_EQ(ns->GetFolderFromID(entry, storeArg, again.put()), S_OK);
    VariantClear(&storeArg);
    ComBstr againName;
    again->get_Name(againName.put());
    EXPECT_EQ(againName.Utf8(), "Inbox");

    ComPtr<IMAPIFolder> mapiFolder;
    VARIANT result;
    ASSERT_EQ(CallByName(again.get(), u"MAPIOBJECT", DISPATCH_PROPERTYGET, {}, result), S_OK);
    ASSERT_EQ(result.vt, VT_UNKNOWN);
    EXPECT_EQ(result.punkVal->QueryInterface(IID_OF(IMAPIFolder), mapiFolder.put_void()), S_OK);
    VariantClear(&result);

    ComPtr<MAPIFolder> none;
    EXPECT_EQ(ns->GetDefaultFolder(99, none.put()), E_INVALIDARG);
}

TEST_F(ObjectModel, ItemsAreFoundByIdAndDisplayedInAnInspector)
{
    VARIANT result;
    ASSERT_EQ(CallByName(ns.get(), u"GetItemFromID", DISPATCH_METHOD, {Text(messageId)}, result), S_OK);
    ASSERT_EQ(result.vt, VT_DISPATCH);
    ComPtr<IDispatch> item(result.pdispVal);
    VariantClear(&result);

    ASSERT_EQ(CallByName(item.get(), u"Subject", DISPATCH_PROPERTYGET, {}, result), S_OK);
    EXPECT_EQ(ComBstr(result.bstrVal).Utf8(), "Hello");
    VariantClear(&result);
    ASSERT_EQ(CallByName(item.get(), u"EntryID", DISPATCH_PROPERTYGET, {}, result), S_OK);
    EXPECT_EQ(ComBstr(result.bstrVal).Utf8(), messageId);
    VariantClear(&result);
    ASSERT_EQ(CallByName(item.get(), u"MAPIOBJECT", DISPATCH_PROPERTYGET, {}, result), S_OK);
    ComPtr<IMessage> message;
    EXPECT_EQ(result.punkVal->QueryInterface(IID_OF(IMessage), message.put_void()), S_OK);
    VariantClear(&result);

    ASSERT_EQ(CallByName(item.get(), u"Display", DISPATCH_METHOD, {}, result), S_OK);
    ComPtr<IDispatch> window;
    ASSERT_EQ(app->ActiveWindow(window.put()), S_OK);
    ComPtr<_Inspector> inspector;
    ASSERT_EQ(window.As(inspector), S_OK);
    ComPtr<IDispatch> current;
    ASSERT_EQ(inspector->get_CurrentItem(current.put()), S_OK);
    ASSERT_EQ(CallByName(current.get(), u"Subject", DISPATCH_PROPERTYGET, {}, result), S_OK);
    EXPECT_EQ(ComBstr(result.bstrVal).Utf8(), "Hello");
    VariantClear(&result);
    // The explorer is still the active explorer; closing the inspector brings it to the front.
    ComPtr<_Explorer> explorer;
    ASSERT_EQ(app->ActiveExplorer(explorer.put()), S_OK);
    EXPECT_TRUE(explorer);
    ASSERT_EQ(inspector->Close(0), S_OK);
    window = nullptr;
    ASSERT_EQ(app->ActiveWindow(window.put()), S_OK);
    ComPtr<_Explorer> front;
    EXPECT_EQ(window.As(front), S_OK);
}

TEST_F(ObjectModel, BadIdsRaiseErrorsWithATextAndChangeNothing)
{
    VARIANT result;
    EXCEPINFO excep{};
    EXPECT_EQ(CallByName(ns.get(), u"GetItemFromID", DISPATCH_METHOD, {Text("xyz1")}, result, &excep),
              DISP_E_EXCEPTION);
    EXPECT_EQ(ComBstr(excep.bstrDescription).Utf8(), "The entry ID is not valid hexadecimal text.");
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    excep = {};
    EXPECT_EQ(CallByName(ns.get(), u"GetItemFromID", DISPATCH_METHOD, {Text("00112233")}, result, &excep),
              DISP_E_EXCEPTION);
    EXPECT_EQ(ComBstr(excep.bstrDescription).Utf8(), "The item cannot be found.");
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    ComPtr<_NameSpace> other;
    EXPECT_EQ(app->GetNamespace(ComBstr("LDAP"), other.put()), E_INVALIDARG);
    EXPECT_EQ(app->Inspectors().size(), 0u);
}

TEST_F(ObjectModel, ApplicationAnswersVersionLanguageAndSession)
{
    VARIANT result;
    ASSERT_EQ(CallByName(app, u"Version", DISPATCH_PROPERTYGET, {}, result), S_OK);
    EXPECT_EQ(ComBstr(result.bstrVal).Utf8(), host::kDefaultVersion);
    VariantClear(&result);
    ASSERT_EQ(CallByName(app, u"Session", DISPATCH_PROPERTYGET, {}, result), S_OK);
    ASSERT_EQ(result.vt, VT_DISPATCH);
    ComPtr<IDispatch> session(result.pdispVal);
    VariantClear(&result);
    ASSERT_EQ(CallByName(session.get(), u"MAPIOBJECT", DISPATCH_PROPERTYGET, {}, result), S_OK);
    ComPtr<IMAPISession> mapiSession;
    EXPECT_EQ(result.punkVal->QueryInterface(IID_OF(IMAPISession), mapiSession.put_void()), S_OK);
    VariantClear(&result);
    ASSERT_EQ(CallByName(session.get(), u"CurrentProfileName", DISPATCH_PROPERTYGET, {}, result), S_OK);
    EXPECT_EQ(ComBstr(result.bstrVal).Utf8(), "Work");
    VariantClear(&result);

    ComPtr<LanguageSettings> language;
    LONG lcid = 0;
    ASSERT_EQ(app->get_LanguageSettings(language.put()), S_OK);
    ASSERT_EQ(language->get_LanguageID(msoLanguageIDUI, &lcid), S_OK);
    EXPECT_EQ(lcid, 1033);

    ComPtr<_Explorers> explorers;
    LONG count = 0;
    ASSERT_EQ(app->get_Explorers(explorers.put()), S_OK);
    explorers->get_Count(&count);
    EXPECT_EQ(count, 1);
    ComPtr<_Explorer> first;
    VARIANT one;
    VariantInit(&one);
    one.vt = VT_I4;
    one.lVal = 1;
    ASSERT_EQ(explorers->Item(one, first.put()), S_OK);
    one.lVal = 2;
    ComPtr<_Explorer> second;
    EXPECT_EQ(explorers->Item(one, second.put()), E_INVALIDARG);
    ComPtr<MAPIFolder> folder;
    ASSERT_EQ(first->get_CurrentFolder(folder.put()), S_OK);
    ComBstr name;
    folder->get_Name(name.put());
    EXPECT_EQ(name.Utf8(), "Inbox");
}

TEST_F(ObjectModel, ObjectsHeldAfterShutdownFailCleanly)
{
    ComPtr<_Explorer> explorer;
    ASSERT_EQ(app->ActiveExplorer(explorer.put()), S_OK);
    ComPtr<_CommandBars> bars;
    ASSERT_EQ(explorer->get_CommandBars(bars.put()), S_OK);
    host->Stop();
    ComPtr<_CommandBars> again;
    EXPECT_EQ(explorer->get_CommandBars(again.put()), E_ACCESSDENIED);
    LONG count = -1;
    EXPECT_EQ(bars->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(ObjectModel, ApplicationEventsReachAdvisedSinks)
{
    CEventSink* sink = nullptr;
    ASSERT_EQ(CEventSink::CreateObject(&sink, DIID_ApplicationEvents, "app"), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(AdviseSink(static_cast<_Application*>(app), static_cast<IDispatch*>(sink), DIID_ApplicationEvents, &cookie),
              S_OK);
    sink->Release();
    ComPtr<IDispatch> item;
    VARIANT result;
    ASSERT_EQ(CallByName(ns.get(), u"GetItemFromID", DISPATCH_METHOD, {Text(messageId)}, result), S_OK);
    item.Attach(result.pdispVal);
    EXPECT_FALSE(app->FireItemSend(item.get()));
    app->FireNewMail();
    app->FireReminder(item.get());
    ASSERT_EQ(UnadviseSink(static_cast<_Application*>(app), DIID_ApplicationEvents, cookie), S_OK);
    app->FireNewMail(); // no sink any more
    const auto log = AddInLog();
    EXPECT_EQ(log, (std::vector<std::string>{"app f002", "app f003", "app f004"}));
}
