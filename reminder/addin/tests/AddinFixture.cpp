#include "AddinFixture.h"

#include "base/PlatformRoot.h"
#include "mapi/ProfileRegistry.h"
#include "BackFolderItem.h"
#include "mapi/MapiUtil.h"
#include "mapi/StoreAccess.h"

namespace addintest {

HRESULT CTestCallback::GetVersion(ULONG* version, ULONG flags)
{
    ++versionQuestions;
    if (!version || flags != EECBGV_GETBUILDVERSION)
        return E_INVALIDARG;
    *version = m_buildVersion;
    return S_OK;
}

HRESULT CTestCallback::GetSession(LPMAPISESSION* session, IAddrBook** addressBook)
{
    if (addressBook)
        *addressBook = nullptr;
    if (!session)
        return E_INVALIDARG;
    return m_session.CopyTo(session);
}

HRESULT CTestCallback::GetObject(IUnknown** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return m_application ? m_application->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(object)) : E_FAIL;
}

HRESULT CTestCallback::GetOfficeCharacter(void** c)
{
    if (c)
        *c = nullptr;
    return E_NOTIMPL;
}

void AddinFixture::SetUp()
{
    ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
    const auto personal = platform::StoresDirectory() / "personal.store";
    const auto mailbox = platform::StoresDirectory() / "mailbox.store";
    ASSERT_EQ(mapi::CreateStoreFile(personal, mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
    ASSERT_EQ(mapi::CreateStoreFile(mailbox, mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", personal), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", mailbox), S_OK);
    PrepareProfile();
    host::HostOptions options;
    options.headless = true;
    options.version = hostVersion;
    program = std::make_unique<host::HostProgram>(options, out, err);
    ASSERT_TRUE(program->Start()) << err.str();
}

namespace {

// The folder of a store file whose entry ID the store's property `tag` holds, open for changes.
ComPtr<IMAPIFolder> OpenStoreFolder(const std::filesystem::path& store, ULONG tag)
{
    ComPtr<IMsgStore> opened;
    ComPtr<IMAPIFolder> folder;
    EXPECT_EQ(mapi::OpenStoreFile(store, MDB_WRITE, opened.put()), S_OK);
    LPSPropValue id = nullptr;
    if (!opened || HrGetOneProp(opened.get(), tag, &id) != S_OK)
        return folder;
    ULONG type = 0;
    ComPtr<IUnknown> object;
    EXPECT_EQ(opened->OpenEntry(id->Value.bin.cb, reinterpret_cast<LPENTRYID>(id->Value.bin.lpb), nullptr, MAPI_MODIFY,
                                &type, object.put()),
              S_OK);
    MAPIFreeBuffer(id);
    if (object) {
        EXPECT_EQ(object.As(folder), S_OK);
    }
    return folder;
}

} // namespace

void AddinFixture::AddDeletedFolder(const std::filesystem::path& store, const char* name, const char* containerClass)
{
    const ComPtr<IMAPIFolder> deleted = OpenStoreFolder(store, PR_IPM_WASTEBASKET_ENTRYID);
    ASSERT_NE(deleted, nullptr);
    ComPtr<IMAPIFolder> folder;
    ASSERT_EQ(deleted->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name), nullptr, nullptr, 0, folder.put()), S_OK);
    SPropValue cls{};
    cls.ulPropTag = PR_CONTAINER_CLASS_A;
    cls.Value.lpszA = const_cast<char*>(containerClass);
    ASSERT_EQ(HrSetOneProp(folder.get(), &cls), S_OK);
}

void AddinFixture::AddReminderTask(const std::filesystem::path& store, const char* folder, const char* subject)
{
    const ComPtr<IMAPIFolder> subtree = OpenStoreFolder(store, PR_IPM_SUBTREE_ENTRYID);
    ASSERT_NE(subtree, nullptr);
    ComPtr<IMAPIFolder> target;
    ASSERT_EQ(subtree->CreateFolder(FOLDER_GENERIC, const_cast<char*>(folder), nullptr, nullptr, OPEN_IF_EXISTS,
                                    target.put()),
              S_OK);
    ComPtr<IMessage> message;
    ASSERT_EQ(target->CreateMessage(nullptr, 0, message.put()), S_OK);
    const NamedProp names[] = {{&PSETID_Common, kPidLidReminderSet, nullptr, PT_BOOLEAN},
                               {&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME}};
    LPSPropTagArray tags = nullptr;
    ASSERT_EQ(ResolveNamedProps(message.get(), names, MAPI_CREATE, &tags), S_OK);
    SPropValue v[4]{};
    v[0].ulPropTag = PR_SUBJECT_A;
    v[0].Value.lpszA = const_cast<char*>(subject);
    v[1].ulPropTag = PR_MESSAGE_CLASS_A;
    v[1].Value.lpszA = const_cast<char*>("IPM.Task");
    v[2].ulPropTag = tags->aulPropTag[0];
    v[2].Value.b = 1;
    v[3].ulPropTag = tags->aulPropTag[1];
    v[3].Value.ft = {0x5e3c0000, 0x01c86b4f}; // May 2008
    MAPIFreeBuffer(tags);
    ASSERT_EQ(message->SetProps(4, v, nullptr), S_OK);
    ASSERT_EQ(message->SaveChanges(0), S_OK);
}

void AddinFixture::TearDown()
{
    program.reset();
}

ComPtr<CTestCallback> AddinFixture::Callback(ULONG buildVersion)
{
    CTestCallback* callback = nullptr;
    EXPECT_EQ(CTestCallback::CreateObject(&callback, program->Session().Session(),
                                          static_cast<IDispatch*>(static_cast<_Application*>(program->Application())),
                                          buildVersion ? buildVersion : program->Version().BuildVersion()),
              S_OK);
    ComPtr<CTestCallback> result;
    result.Attach(callback);
    return result;
}

ComPtr<IExchExt> AddinFixture::Extension(ULONG context, HRESULT* result, CTestCallback* callback)
{
    ComPtr<IExchExt> extension;
    EXPECT_EQ(CExchangeExtension::CreateInstance(extension.put()), S_OK);
    ComPtr<CTestCallback> made;
    if (!callback) {
        made = Callback();
        callback = made.get();
    }
    const HRESULT hr = extension->Install(callback, context, 0);
    if (result)
        *result = hr;
    return extension;
}

bool AddinFixture::EngineEnabled()
{
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (AddinCache::Engine())
        AddinCache::Engine()->get_Enabled(&enabled);
    return enabled != VARIANT_FALSE;
}

} // namespace addintest
