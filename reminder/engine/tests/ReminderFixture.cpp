#include "ReminderFixture.h"

#include "BackFolderItem.h"
#include "MapiBuffer.h"
#include "base/MessageLoop.h"
#include "base/PlatformRoot.h"
#include "base/Utf.h"
#include "com/ModuleLock.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <algorithm>
#include <cstring>

namespace remindertest {

std::string Hex(const Bytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (BYTE b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

std::string Text(BSTR text)
{
    return text ? platform::Utf16ToUtf8(std::u16string_view(text, SysStringLen(text))) : std::string();
}

Bytes GetBinary(IMAPIProp* object, ULONG tag)
{
    CMapiBuffer<SPropValue> value;
    if (FAILED(HrGetOneProp(object, tag, value.put())))
        return {};
    return Bytes(value->Value.bin.lpb, value->Value.bin.lpb + value->Value.bin.cb);
}

ULONG NamedTag(IMAPIProp* object, const GUID& set, LONG id, ULONG type)
{
    const NamedProp prop[] = {{&set, id, nullptr, type}};
    CMapiBuffer<SPropTagArray> tags;
    if (FAILED(ResolveNamedProps(object, prop, MAPI_CREATE, tags.put())))
        return PR_NULL;
    return tags->aulPropTag[0];
}

ULONG NamedTag(IMAPIProp* object, const char16_t* name, ULONG type)
{
    const NamedProp prop[] = {{&PS_PUBLIC_STRINGS, 0, name, type}};
    CMapiBuffer<SPropTagArray> tags;
    if (FAILED(ResolveNamedProps(object, prop, MAPI_CREATE, tags.put())))
        return PR_NULL;
    return tags->aulPropTag[0];
}

HRESULT Late(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result)
{
    DISPID dispid = DISPID_UNKNOWN;
    std::u16string text(name);
    LPOLESTR names[] = {text.data()};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (FAILED(hr))
        return hr;
    std::reverse(args.begin(), args.end());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    return object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

void ReminderFixture::SetUp()
{
    ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
    personalPath = platform::StoresDirectory() / "personal.store";
    mailboxPath = platform::StoresDirectory() / "mailbox.store";
    publicPath = platform::StoresDirectory() / "public.store";
    ASSERT_EQ(mapi::CreateStoreFile(personalPath, mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
    ASSERT_EQ(mapi::CreateStoreFile(mailboxPath, mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann"), S_OK);
    ASSERT_EQ(mapi::CreateStoreFile(publicPath, mapi::StoreKind::PublicFolders, u"Public Folders"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", personalPath), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", mailboxPath), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", publicPath), S_OK);
    ASSERT_EQ(mapi::OpenStoreFile(personalPath, MDB_WRITE, personal.put()), S_OK);
    ASSERT_EQ(mapi::OpenStoreFile(mailboxPath, MDB_WRITE, mailbox.put()), S_OK);
    ASSERT_EQ(mapi::OpenStoreFile(publicPath, MDB_WRITE, publicStore.put()), S_OK);
    char profile[] = "Work";
    ASSERT_EQ(MAPILogonEx(0, profile, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL | MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE,
                          session.put()),
              S_OK);
    ASSERT_EQ(CTestEngine::Start(session.get(), engine), S_OK);
}

void ReminderFixture::TearDown()
{
    engine = nullptr;
    Pump();
    personal = nullptr;
    mailbox = nullptr;
    publicStore = nullptr;
    if (session)
        session->Logoff(0, 0, 0);
    session = nullptr;
    // Every object of the folder model is gone: the references balanced.
    EXPECT_EQ(platform::com::ModuleLockCount(), 0);
    MAPIUninitialize();
}

ComPtr<ILVStore> ReminderFixture::Store(const std::u16string& name)
{
    ComPtr<ILVStores> stores;
    EXPECT_EQ(engine->get_Stores(stores.put()), S_OK);
    LONG count = 0;
    stores->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<ILVStore> store;
        EXPECT_EQ(stores->get_Item(i, store.put()), S_OK);
        ComBstr text;
        store->get_Name(text.put());
        if (std::u16string_view(text.get(), text.Length()) == name)
            return store;
    }
    ADD_FAILURE() << "no store " << platform::Utf16ToUtf8(name);
    return nullptr;
}

ComPtr<IMAPIFolder> ReminderFixture::Open(IMsgStore* store, const Bytes& entryId)
{
    ULONG type = 0;
    ComPtr<IUnknown> object;
    ComPtr<IMAPIFolder> folder;
    EXPECT_EQ(store->OpenEntry(static_cast<ULONG>(entryId.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data())),
                               nullptr, MAPI_MODIFY, &type, object.put()),
              S_OK);
    if (object) {
        EXPECT_EQ(object.As(folder), S_OK);
    }
    return folder;
}

ComPtr<IMAPIFolder> ReminderFixture::Subtree(IMsgStore* store)
{
    return Open(store, GetBinary(store, PR_IPM_SUBTREE_ENTRYID));
}

ComPtr<IMAPIFolder> ReminderFixture::NewFolder(IMAPIFolder* parent, const std::string& name, const char* containerClass)
{
    ComPtr<IMAPIFolder> folder;
    EXPECT_EQ(parent->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name.c_str()), nullptr, nullptr, 0, folder.put()),
              S_OK);
    if (folder && containerClass) {
        SPropValue cls{};
        cls.ulPropTag = PR_CONTAINER_CLASS_A;
        cls.Value.lpszA = const_cast<char*>(containerClass);
        EXPECT_EQ(HrSetOneProp(folder.get(), &cls), S_OK);
    }
    return folder;
}

ComPtr<ILVFolder> ReminderFixture::FolderObject(const std::u16string& storeName, IMAPIFolder* folder)
{
    ComPtr<ILVStore> store = Store(storeName);
    ComPtr<ILVFolder> object;
    if (!store)
        return object;
    ComBstr eid(Hex(GetBinary(folder, PR_ENTRYID)));
    EXPECT_EQ(store->GetFolderFromEID(eid, object.put()), S_OK);
    return object;
}

void ReminderFixture::SetBool(IMessage* message, const GUID& set, LONG id, bool value)
{
    SPropValue v{};
    v.ulPropTag = NamedTag(message, set, id, PT_BOOLEAN);
    v.Value.b = value ? 1 : 0;
    EXPECT_EQ(HrSetOneProp(message, &v), S_OK);
}

void ReminderFixture::SetTime(IMessage* message, const GUID& set, LONG id, ULONGLONG value)
{
    SPropValue v{};
    v.ulPropTag = NamedTag(message, set, id, PT_SYSTIME);
    v.Value.ft.dwLowDateTime = static_cast<DWORD>(value);
    v.Value.ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
    EXPECT_EQ(HrSetOneProp(message, &v), S_OK);
}

Bytes ReminderFixture::NewItem(IMAPIFolder* folder, const ItemPlan& plan)
{
    ComPtr<IMessage> message;
    EXPECT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
    if (!message)
        return {};
    SPropValue subject{};
    subject.ulPropTag = PR_SUBJECT_A;
    subject.Value.lpszA = const_cast<char*>(plan.subject.c_str());
    EXPECT_EQ(HrSetOneProp(message.get(), &subject), S_OK);
    if (plan.messageClass) {
        SPropValue cls{};
        cls.ulPropTag = PR_MESSAGE_CLASS_A;
        cls.Value.lpszA = const_cast<char*>(plan.messageClass->c_str());
        EXPECT_EQ(HrSetOneProp(message.get(), &cls), S_OK);
    }
    SetBool(message.get(), PSETID_Common, kPidLidReminderSet, plan.reminderSet);
    if (plan.signalTime)
        SetTime(message.get(), PSETID_Common, kPidLidReminderSignalTime, *plan.signalTime);
    if (plan.reminderTime)
        SetTime(message.get(), PSETID_Common, kPidLidReminderTime, *plan.reminderTime);
    if (plan.reminderDelta) {
        SPropValue delta{};
        delta.ulPropTag = NamedTag(message.get(), PSETID_Common, kPidLidReminderDelta, PT_LONG);
        delta.Value.l = *plan.reminderDelta;
        EXPECT_EQ(HrSetOneProp(message.get(), &delta), S_OK);
    }
    if (plan.recurring)
        SetBool(message.get(), PSETID_Appointment, kPidLidRecurring, true);
    if (plan.attachment) {
        ULONG num = 0;
        ComPtr<IAttach> attach;
        EXPECT_EQ(message->CreateAttach(nullptr, 0, &num, attach.put()), S_OK);
        SPropValue props[2]{};
        props[0].ulPropTag = PR_ATTACH_METHOD;
        props[0].Value.l = ATTACH_BY_VALUE;
        props[1].ulPropTag = PR_ATTACH_FILENAME_A;
        props[1].Value.lpszA = const_cast<char*>("agenda.txt");
        EXPECT_EQ(attach->SetProps(2, props, nullptr), S_OK);
        EXPECT_EQ(attach->SaveChanges(0), S_OK);
    }
    EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    return GetBinary(message.get(), PR_ENTRYID);
}

void ReminderFixture::Change(IMsgStore* store, const Bytes& entryId, const std::function<void(IMessage*)>& change)
{
    ULONG type = 0;
    ComPtr<IUnknown> object;
    ComPtr<IMessage> message;
    ASSERT_EQ(store->OpenEntry(static_cast<ULONG>(entryId.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data())),
                               nullptr, MAPI_MODIFY, &type, object.put()),
              S_OK);
    ASSERT_EQ(object.As(message), S_OK);
    change(message.get());
    EXPECT_EQ(message->SaveChanges(0), S_OK);
}

void ReminderFixture::Pump()
{
    auto& loop = platform::MessageLoop::Current();
    int idle = 0;
    for (int i = 0; i < 100 && idle < 2; ++i) {
        HrDispatchNotifications(0);
        idle = loop.RunPending() == 0 ? idle + 1 : 0;
    }
}

ComPtr<IMAPIFolder> ReminderFixture::BackFolder()
{
    ULONG cb = 0;
    CMapiBuffer<ENTRYID> inboxId;
    EXPECT_EQ(personal->GetReceiveFolder(nullptr, 0, &cb, inboxId.put(), nullptr), S_OK);
    ComPtr<IMAPIFolder> inbox = Open(personal.get(), Bytes(reinterpret_cast<BYTE*>(inboxId.get()),
                                                           reinterpret_cast<BYTE*>(inboxId.get()) + cb));
    return Open(personal.get(), GetBinary(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID));
}

void ReminderFixture::ChangeCopy(const Bytes& copyId, const std::function<void(IMessage*)>& change)
{
    Change(personal.get(), copyId, change);
}

std::vector<Copy> ReminderFixture::Copies()
{
    std::vector<Copy> copies;
    ComPtr<IMAPIFolder> folder = BackFolder();
    ComPtr<IMAPITable> table;
    EXPECT_EQ(folder->GetContentsTable(MAPI_ASSOCIATED, table.put()), S_OK);
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    LPSRowSet rows = nullptr;
    EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows),
              S_OK);
    for (ULONG i = 0; rows && i < rows->cRows; ++i) {
        const SBinary& id = rows->aRow[i].lpProps[0].Value.bin;
        Copy copy;
        copy.entryId.assign(id.lpb, id.lpb + id.cb);
        ULONG type = 0;
        ComPtr<IUnknown> object;
        ComPtr<IMessage> message;
        EXPECT_EQ(folder->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0, &type, object.put()), S_OK);
        if (!object || FAILED(object.As(message)))
            continue;
        CMapiBuffer<SPropValue> v;
        auto text = [&](ULONG tag) -> std::optional<std::string> {
            if (FAILED(HrGetOneProp(message.get(), CHANGE_PROP_TYPE(tag, PT_STRING8), v.put())))
                return std::nullopt;
            return std::string(v->Value.lpszA);
        };
        auto binary = [&](ULONG tag) -> std::optional<Bytes> {
            if (FAILED(HrGetOneProp(message.get(), CHANGE_PROP_TYPE(tag, PT_BINARY), v.put())))
                return std::nullopt;
            return Bytes(v->Value.bin.lpb, v->Value.bin.lpb + v->Value.bin.cb);
        };
        auto boolean = [&](ULONG tag) -> std::optional<bool> {
            if (FAILED(HrGetOneProp(message.get(), CHANGE_PROP_TYPE(tag, PT_BOOLEAN), v.put())))
                return std::nullopt;
            return v->Value.b != 0;
        };
        auto named = [&](BackFolderItem::Name name) {
            return NamedTag(message.get(), BackFolderItem::NameOf(name), BackFolderItem::TypeOf(name));
        };
        copy.subject = text(PR_SUBJECT_A).value_or("");
        copy.itemMessageClass = text(named(BackFolderItem::ItemMessageClass));
        copy.folderName = text(named(BackFolderItem::FolderName));
        copy.storeName = text(named(BackFolderItem::StoreName));
        copy.lvEntryId = binary(named(BackFolderItem::LVEntryID));
        copy.lvFolderId = binary(named(BackFolderItem::LVFolderID));
        copy.lvStoreId = binary(named(BackFolderItem::LVStoreID));
        copy.lvRecordKey = binary(named(BackFolderItem::LVRecordKey));
        copy.lvFolderRecordKey = binary(named(BackFolderItem::LVFolderRecordKey));
        copy.lvStoreRecordKey = binary(named(BackFolderItem::LVStoreRecordKey));
        copy.lumivaneItem = boolean(named(BackFolderItem::LumivaneItem));
        copy.reminderMailSent = boolean(named(BackFolderItem::ReminderMailSent));
        const ULONG signal = NamedTag(message.get(), PSETID_Common, kPidLidReminderSignalTime, PT_SYSTIME);
        if (SUCCEEDED(HrGetOneProp(message.get(), signal, v.put())))
            copy.signalTime = (ULONGLONG(v->Value.ft.dwHighDateTime) << 32) | v->Value.ft.dwLowDateTime;
        ComPtr<IMAPITable> attachments;
        if (SUCCEEDED(message->GetAttachmentTable(0, attachments.put())))
            attachments->GetRowCount(0, &copy.attachments);
        copies.push_back(std::move(copy));
    }
    FreeProws(rows);
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) { return a.subject < b.subject; });
    return copies;
}

} // namespace remindertest
