// What a profile makes read-only for its sessions: a whole store, or some folders with the
// messages in them; set through ProfileRegistry and through mapiadmin.
#include "MapiTestUtil.h"

#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"
#include "registry/Registry.h"

#include <cstdio>
#include <fstream>
#include <sys/wait.h>

using namespace mapitest;

namespace {

class ReadOnlyAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
        ASSERT_EQ(MAPIAdminProfiles(0, admin.put()), S_OK);
        mailbox = platform::StoresDirectory() / "mailbox.store";
        pub = platform::StoresDirectory() / "public.store";
        ASSERT_EQ(mapi::CreateStoreFile(mailbox, mapi::StoreKind::PrivateMailbox, u"Mailbox"), S_OK);
        ASSERT_EQ(mapi::CreateStoreFile(pub, mapi::StoreKind::PublicFolders, u"Public Folders"), S_OK);
        for (const char* profile : {"Work", "Admin"}) {
            ASSERT_EQ(admin->CreateProfile(const_cast<char*>(profile), nullptr, 0, 0), S_OK);
            ASSERT_EQ(mapi::ProfileRegistry::AddStore(profile, mailbox), S_OK);
            ASSERT_EQ(mapi::ProfileRegistry::AddStore(profile, pub), S_OK);
        }
        // Folders and an item in each, written straight into the file.
        ComPtr<IMsgStore> direct;
        ASSERT_EQ(mapi::OpenStoreFile(pub, MDB_WRITE, direct.put()), S_OK);
        auto top = OpenAs<IMAPIFolder>(direct.get(), GetBin(direct.get(), PR_IPM_SUBTREE_ENTRYID));
        for (const char* name : {"Team", "Open"}) {
            ComPtr<IMAPIFolder> folder;
            ASSERT_EQ(top->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name), nullptr, nullptr, 0, folder.put()),
                      S_OK);
            ComPtr<IMessage> item;
            ASSERT_EQ(folder->CreateMessage(nullptr, 0, item.put()), S_OK);
            ASSERT_EQ(SetText(item.get(), PR_SUBJECT, name), S_OK);
            ASSERT_EQ(item->SaveChanges(0), S_OK);
            folders[name] = GetBin(folder.get(), PR_ENTRYID);
            items[name] = GetBin(item.get(), PR_ENTRYID);
        }
        topFolder = GetBin(top.get(), PR_ENTRYID);
        publicId = GetBin(direct.get(), PR_ENTRYID);
    }
    void TearDown() override { MAPIUninitialize(); }

    ComPtr<IMAPISession> Logon(const char* profile = "Work")
    {
        ComPtr<IMAPISession> s;
        EXPECT_EQ(MAPILogonEx(0, const_cast<char*>(profile), nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION, s.put()), S_OK);
        return s;
    }

    HRESULT Open(IMAPISession* session, const Bytes& eid, ULONG flags, IUnknown** out)
    {
        ULONG type = 0;
        return session->OpenEntry(ULONG(eid.size()), (LPENTRYID)eid.data(), nullptr, flags, &type, out);
    }

    // Opens with MAPI_BEST_ACCESS and tries to change the subject.
    HRESULT Change(IMAPISession* session, const Bytes& eid)
    {
        ComPtr<IUnknown> unk;
        HRESULT hr = Open(session, eid, MAPI_BEST_ACCESS, unk.put());
        if (FAILED(hr))
            return hr;
        auto* message = static_cast<IMessage*>(unk.get());
        if (FAILED(hr = SetText(message, PR_SUBJECT, "changed")))
            return hr;
        return message->SaveChanges(0);
    }

    struct Result {
        int code;
        std::string out, err;
    };

    Result Admin(const std::string& args)
    {
        const auto errFile = root.path() / "stderr.txt";
        FILE* p = popen((std::string(MAPIADMIN) + " " + args + " 2>" + errFile.string()).c_str(), "r");
        Result r{-1, {}, {}};
        char buf[4096];
        std::size_t n;
        while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0)
            r.out.append(buf, n);
        const int status = p ? pclose(p) : -1;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(errFile);
        r.err.assign(std::istreambuf_iterator<char>(in), {});
        return r;
    }

    TempRoot root;
    ComPtr<IProfAdmin> admin;
    std::filesystem::path mailbox, pub;
    std::map<std::string, Bytes> folders, items;
    Bytes topFolder, publicId;
};

} // namespace

TEST_F(ReadOnlyAccess, AReadOnlyStoreRefusesEveryChangeOfItsSessions)
{
    ASSERT_EQ(mapi::ProfileRegistry::SetStoreAccess("Work", pub, true, {}), S_OK);
    auto session = Logon();
    ComPtr<IUnknown> unk;
    EXPECT_EQ(Open(session.get(), items["Team"], MAPI_MODIFY, unk.put()), MAPI_E_NO_ACCESS);
    EXPECT_EQ(Open(session.get(), folders["Team"], MAPI_MODIFY, unk.put()), MAPI_E_NO_ACCESS);
    EXPECT_EQ(Change(session.get(), items["Team"]), MAPI_E_NO_ACCESS);
    ASSERT_EQ(Open(session.get(), items["Team"], 0, unk.put()), S_OK);
    EXPECT_EQ(GetText(static_cast<IMessage*>(unk.get()), PR_SUBJECT), "Team");

    // The store itself opens, even when writing is asked for, and says it is read-only.
    ComPtr<IMsgStore> store;
    ASSERT_EQ(session->OpenMsgStore(0, ULONG(publicId.size()), (LPENTRYID)publicId.data(), nullptr, MDB_WRITE,
                                    store.put()),
              S_OK);
    EXPECT_NE(GetLong(store.get(), PR_STORE_SUPPORT_MASK) & STORE_READONLY, 0);
    EXPECT_EQ(SetText(store.get(), PR_COMMENT, "x"), MAPI_E_NO_ACCESS);
    ASSERT_EQ(Open(session.get(), folders["Open"], MAPI_BEST_ACCESS, unk.put()), S_OK);
    ComPtr<IMessage> created;
    EXPECT_EQ(static_cast<IMAPIFolder*>(unk.get())->CreateMessage(nullptr, 0, created.put()), MAPI_E_NO_ACCESS);

    // The profile's other store, and the same store in another profile, stay writable.
    ComPtr<IMsgStore> mail;
    const Bytes mailId = [&] {
        ComPtr<IMsgStore> direct;
        mapi::OpenStoreFile(mailbox, 0, direct.put());
        return GetBin(direct.get(), PR_ENTRYID);
    }();
    ASSERT_EQ(session->OpenMsgStore(0, ULONG(mailId.size()), (LPENTRYID)mailId.data(), nullptr, MDB_WRITE, mail.put()),
              S_OK);
    EXPECT_EQ(GetLong(mail.get(), PR_STORE_SUPPORT_MASK) & STORE_READONLY, 0);
    EXPECT_EQ(Change(Logon("Admin").get(), items["Team"]), S_OK);
}

TEST_F(ReadOnlyAccess, AReadOnlyFolderKeepsItsItemsAndItselfUnchanged)
{
    ASSERT_EQ(mapi::ProfileRegistry::SetStoreAccess("Work", pub, false, {folders["Team"]}), S_OK);
    auto session = Logon();
    ComPtr<IUnknown> unk;
    EXPECT_EQ(Open(session.get(), items["Team"], MAPI_MODIFY, unk.put()), MAPI_E_NO_ACCESS);
    EXPECT_EQ(Change(session.get(), items["Team"]), MAPI_E_NO_ACCESS);
    EXPECT_EQ(Change(session.get(), items["Open"]), S_OK);

    EXPECT_EQ(Open(session.get(), folders["Team"], MAPI_MODIFY, unk.put()), MAPI_E_NO_ACCESS);
    ASSERT_EQ(Open(session.get(), folders["Team"], MAPI_BEST_ACCESS, unk.put()), S_OK);
    ComPtr<IMAPIFolder> team;
    team.Attach(static_cast<IMAPIFolder*>(unk.Detach()));
    EXPECT_EQ(GetLong(team.get(), PR_ACCESS_LEVEL), 0);
    ComPtr<IMessage> created;
    EXPECT_EQ(team->CreateMessage(nullptr, 0, created.put()), MAPI_E_NO_ACCESS);
    EXPECT_EQ(SetText(team.get(), PR_COMMENT, "x"), MAPI_E_NO_ACCESS);
    SBinary eid{ULONG(items["Team"].size()), (LPBYTE)items["Team"].data()};
    ENTRYLIST list{1, &eid};
    EXPECT_EQ(team->DeleteMessages(&list, 0, nullptr, 0), MAPI_E_NO_ACCESS);

    // Nothing comes in either, and the folder found again by name is no more writable.
    ASSERT_EQ(Open(session.get(), folders["Open"], MAPI_MODIFY, unk.put()), S_OK);
    ComPtr<IMAPIFolder> open;
    open.Attach(static_cast<IMAPIFolder*>(unk.Detach()));
    SBinary openItem{ULONG(items["Open"].size()), (LPBYTE)items["Open"].data()};
    ENTRYLIST openList{1, &openItem};
    EXPECT_EQ(open->CopyMessages(&openList, nullptr, team.get(), 0, nullptr, 0), MAPI_E_NO_ACCESS);
    ASSERT_EQ(Open(session.get(), topFolder, MAPI_MODIFY, unk.put()), S_OK);
    ComPtr<IMAPIFolder> again;
    ASSERT_EQ(static_cast<IMAPIFolder*>(unk.get())
                  ->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Team"), nullptr, nullptr, OPEN_IF_EXISTS,
                                 again.put()),
              S_OK);
    EXPECT_EQ(SetText(again.get(), PR_COMMENT, "x"), MAPI_E_NO_ACCESS);

    // Made writable again.
    ASSERT_EQ(mapi::ProfileRegistry::SetStoreAccess("Work", pub, false, {}), S_OK);
    EXPECT_EQ(Change(Logon().get(), items["Team"]), S_OK);
}

TEST_F(ReadOnlyAccess, TheProfileRecordsWhatIsReadOnly)
{
    ASSERT_EQ(mapi::ProfileRegistry::SetStoreAccess("Work", pub, false, {folders["Team"], folders["Open"]}), S_OK);
    std::vector<mapi::ProfileStore> stores;
    ASSERT_EQ(mapi::ProfileRegistry::Stores("Work", stores), S_OK);
    ASSERT_EQ(stores.size(), 2u);
    EXPECT_FALSE(stores[0].readOnly);
    EXPECT_TRUE(stores[0].readOnlyFolders.empty());
    EXPECT_FALSE(stores[1].readOnly);
    EXPECT_EQ(stores[1].readOnlyFolders, (std::vector<Bytes>{folders["Team"], folders["Open"]}));

    EXPECT_EQ(mapi::ProfileRegistry::SetStoreAccess("Work", root.path() / "none.store", true, {}), MAPI_E_NOT_FOUND);
    EXPECT_EQ(mapi::ProfileRegistry::SetStoreAccess("Work", mailbox, false, {folders["Team"]}),
              MAPI_E_INVALID_ENTRYID); // a folder of another store
    EXPECT_EQ(mapi::ProfileRegistry::SetStoreAccess("Work", pub, false, {items["Team"]}), MAPI_E_INVALID_ENTRYID);
    EXPECT_EQ(mapi::ProfileRegistry::SetStoreAccess("Nobody", pub, true, {}), MAPI_E_NOT_FOUND);
}

TEST_F(ReadOnlyAccess, ADamagedSettingMakesTheWholeStoreReadOnly)
{
    ASSERT_EQ(mapi::ProfileRegistry::SetStoreAccess("Work", pub, false, {folders["Team"]}), S_OK);
    std::vector<mapi::ProfileStore> stores;
    ASSERT_EQ(mapi::ProfileRegistry::Stores("Work", stores), S_OK);
    const std::string key = "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles\\Work\\" + stores[1].key;
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    const char broken[] = "not hex\0";
    ASSERT_EQ(RegSetValueExA(k, "ReadOnlyFolders", 0, REG_MULTI_SZ, (const BYTE*)broken, sizeof broken), ERROR_SUCCESS);
    ASSERT_EQ(mapi::ProfileRegistry::Stores("Work", stores), S_OK);
    EXPECT_TRUE(stores[1].readOnly);
    EXPECT_EQ(Change(Logon().get(), items["Open"]), MAPI_E_NO_ACCESS);

    RegDeleteValueA(k, "ReadOnlyFolders");
    const char text[] = "yes";
    ASSERT_EQ(RegSetValueExA(k, "ReadOnly", 0, REG_SZ, (const BYTE*)text, sizeof text), ERROR_SUCCESS);
    RegCloseKey(k);
    ASSERT_EQ(mapi::ProfileRegistry::Stores("Work", stores), S_OK);
    EXPECT_TRUE(stores[1].readOnly);
}

TEST_F(ReadOnlyAccess, AdminAttachesReadOnlyAndChangesTheAccess)
{
    auto second = platform::StoresDirectory() / "second.store";
    ASSERT_EQ(mapi::CreateStoreFile(second, mapi::StoreKind::PublicFolders, u"Second"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::RemoveStore("Work", pub), S_OK);

    // An unknown folder attaches nothing.
    Result r = Admin("store attach Work " + pub.string() + " --read-only-folder Nowhere");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no folder \"/Nowhere\""), std::string::npos) << r.err;
    EXPECT_EQ(Admin("store list Work").out.find("public.store"), std::string::npos);
    EXPECT_EQ(Admin("store attach Work " + pub.string() + " --writable").code, 2);

    r = Admin("store attach Work " + pub.string() + " --read-only-folder Team");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Change(Logon().get(), items["Team"]), MAPI_E_NO_ACCESS);
    EXPECT_EQ(Change(Logon().get(), items["Open"]), S_OK);
    EXPECT_NE(Admin("store list Work").out.find("(read-only folders: 1)"), std::string::npos);

    r = Admin("store attach Work " + second.string() + " --read-only");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(Admin("store list Work").out.find("second.store\t"), std::string::npos);
    EXPECT_NE(Admin("store list Work").out.find("(read-only)"), std::string::npos);

    EXPECT_EQ(Admin("store access Work " + pub.string() + " --read-only").code, 0);
    EXPECT_EQ(Change(Logon().get(), items["Open"]), MAPI_E_NO_ACCESS);
    EXPECT_EQ(Admin("store access Work " + pub.string()).code, 0);
    EXPECT_EQ(Change(Logon().get(), items["Team"]), S_OK);

    r = Admin("store access Admin " + second.string() + " --read-only");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is not a store of \"Admin\""), std::string::npos) << r.err;
}
