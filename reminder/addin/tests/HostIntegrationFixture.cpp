#include "HostIntegrationFixture.h"

#include "OutlookDlgHook.h"
#include "base/PlatformRoot.h"
#include "com/ComBstr.h"
#include "host/HostSession.h"
#include "mapi/StoreAccess.h"

#include <fstream>

namespace addintest {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void HostIntegrationFixture::SetUp()
{
    AddinFixture::SetUp();
    seam.Install();
}

void HostIntegrationFixture::TearDown()
{
    StopExtension();
    EXPECT_FALSE(COutlookDlgHook::IsInstalled());
    seam.Uninstall();
    AddinFixture::TearDown();
}

void HostIntegrationFixture::Restart(const char* version, std::optional<unsigned> language)
{
    program.reset();
    host::HostOptions options;
    options.headless = true;
    options.version = version;
    options.language = language;
    program = std::make_unique<host::HostProgram>(options, out, err);
    ASSERT_TRUE(program->Start()) << err.str();
}

void HostIntegrationFixture::StartExtension()
{
    HRESULT hr = E_FAIL;
    extensions.push_back(Extension(EECONTEXT_TASK, &hr));
    ASSERT_EQ(hr, S_OK);
    extensions.push_back(Extension(EECONTEXT_SESSION, &hr));
    ASSERT_EQ(hr, S_OK);
    InstallViewer();
}

void HostIntegrationFixture::InstallViewer()
{
    HRESULT hr = E_FAIL;
    extensions.push_back(Extension(EECONTEXT_VIEWER, &hr));
    ASSERT_EQ(hr, S_OK);
}

void HostIntegrationFixture::StopExtension()
{
    // The session's holder goes last, as the host lets go of its objects.
    while (!extensions.empty())
        extensions.pop_back();
}

HostIntegrationFixture::FolderIds HostIntegrationFixture::NewFolder(const char* storeName, const char* name)
{
    const auto path = platform::StoresDirectory() / storeName;
    ComPtr<IMsgStore> store;
    EXPECT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    const host::Binary top = host::GetBinaryProp(store.get(), PR_IPM_SUBTREE_ENTRYID);
    ULONG type = 0;
    ComPtr<IMAPIFolder> parent, folder;
    EXPECT_EQ(store->OpenEntry(static_cast<ULONG>(top.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(top.data())),
                               nullptr, MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(parent.put())),
              S_OK);
    EXPECT_EQ(parent->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name), nullptr, nullptr, 0, folder.put()), S_OK);
    return {host::HexText(host::GetBinaryProp(store.get(), PR_STORE_ENTRYID)),
            host::HexText(host::GetBinaryProp(folder.get(), PR_ENTRYID))};
}

HostIntegrationFixture::FolderIds HostIntegrationFixture::DefaultFolder(LONG folderType)
{
    ComPtr<_NameSpace> ns;
    ComPtr<MAPIFolder> folder;
    EXPECT_EQ(program->Application()->get_Session(ns.put()), S_OK);
    EXPECT_EQ(ns->GetDefaultFolder(folderType, folder.put()), S_OK);
    ComBstr store, entry;
    folder->get_StoreID(store.put());
    folder->get_EntryID(entry.put());
    return {store.Utf8(), entry.Utf8()};
}

std::string HostIntegrationFixture::NewItem(const FolderIds& folder, const char* subject)
{
    host::Binary storeId, folderId;
    EXPECT_TRUE(host::ParseHex(folder.storeId, storeId));
    EXPECT_TRUE(host::ParseHex(folder.entryId, folderId));
    ComPtr<IUnknown> object;
    ULONG type = 0;
    EXPECT_EQ(program->Session().OpenEntry(folderId, &storeId, type, object), S_OK);
    ComPtr<IMAPIFolder> parent;
    EXPECT_EQ(object.As(parent), S_OK);
    ComPtr<IMessage> message;
    EXPECT_EQ(parent->CreateMessage(nullptr, 0, message.put()), S_OK);
    SPropValue p[2];
    p[0].ulPropTag = PR_SUBJECT_A;
    p[0].Value.lpszA = const_cast<char*>(subject);
    p[1].ulPropTag = PR_MESSAGE_CLASS_A;
    p[1].Value.lpszA = const_cast<char*>("IPM.Task");
    EXPECT_EQ(message->SetProps(2, p, nullptr), S_OK);
    EXPECT_EQ(message->SaveChanges(0), S_OK);
    return host::HexText(host::GetBinaryProp(message.get(), PR_ENTRYID));
}

void HostIntegrationFixture::MarkReminderFolder(const FolderIds& folder)
{
    IReminderEngine* engine = AddinCache::Engine();
    ASSERT_NE(engine, nullptr);
    host::Binary storeId, folderId;
    ASSERT_TRUE(host::ParseHex(folder.storeId, storeId));
    ASSERT_TRUE(host::ParseHex(folder.entryId, folderId));
    ComPtr<IMsgStore> store;
    ASSERT_EQ(program->Session().OpenStore(storeId, store), S_OK);
    const std::string storeKey = host::HexText(host::GetBinaryProp(store.get(), PR_RECORD_KEY));
    ComPtr<IUnknown> object;
    ULONG type = 0;
    ASSERT_EQ(program->Session().OpenEntry(folderId, &storeId, type, object), S_OK);
    ComPtr<IMAPIProp> folderProps;
    ASSERT_EQ(object.As(folderProps), S_OK);
    std::string folderKey = host::HexText(host::GetBinaryProp(folderProps.get(), PR_RECORD_KEY));

    ComPtr<ILVStores> stores;
    ASSERT_EQ(engine->get_Stores(stores.put()), S_OK);
    LONG count = 0;
    stores->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<ILVStore> lvStore;
        ASSERT_EQ(stores->get_Item(i, lvStore.put()), S_OK);
        ComBstr key;
        lvStore->get_RecordKey(key.put());
        if (key.Utf8() != storeKey)
            continue;
        std::string eid = folder.entryId;
        std::string display = "Folder";
        ASSERT_EQ(lvStore->SetReminderFolder(folderKey.data(), eid.data(), display.data(), RT_PERSONAL), S_OK);
        return;
    }
    FAIL() << "no store with record key " << storeKey;
}

std::vector<std::string> HostIntegrationFixture::Run(const std::string& command)
{
    out.str("");
    program->Execute(command);
    return Lines(out.str());
}

void HostIntegrationFixture::WriteIni(const std::string& text)
{
    std::ofstream(platform::WindowsDirectory() / "Lumivane.ini") << text;
}

} // namespace addintest
