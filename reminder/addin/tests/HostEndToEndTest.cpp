// The add-in library in the headless host of version 12 in this process, loaded as a client
// extension: a watched public folder's items get their copies, a due reminder is raised on the
// engine's timer with its sound and mail, and the host's own reminders are silent where the
// add-in reminds, and back once the host has quit.
#include "ReminderLib.h"

#include "TempRoot.h"
#include "base/ManualClock.h"
#include "base/MessageLoop.h"
#include "base/PlatformRoot.h"
#include "base/Sound.h"
#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ComRuntime.h"
#include "host/ExtensionList.h"
#include "host/HostProgram.h"
#include "host/HostReminders.h"
#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using Bytes = std::vector<BYTE>;

constexpr ULONGLONG kMinute = 600000000ULL;
// 2007-05-01 10:00 UTC.
constexpr ULONGLONG kStart = 128224872000000000ULL;

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

Bytes Binary(IMAPIProp* object, ULONG tag)
{
    LPSPropValue v = nullptr;
    if (FAILED(HrGetOneProp(object, tag, &v)))
        return {};
    Bytes bytes(v->Value.bin.lpb, v->Value.bin.lpb + v->Value.bin.cb);
    MAPIFreeBuffer(v);
    return bytes;
}

ULONG Named(IMAPIProp* object, const GUID& set, LONG id, ULONG type)
{
    MAPINAMEID name{const_cast<LPGUID>(&set), MNID_ID, {id}};
    LPMAPINAMEID names[] = {&name};
    LPSPropTagArray tags = nullptr;
    if (FAILED(object->GetIDsFromNames(1, names, MAPI_CREATE, &tags)))
        return PR_NULL;
    const ULONG tag = CHANGE_PROP_TYPE(tags->aulPropTag[0], type);
    MAPIFreeBuffer(tags);
    return tag;
}

class HostEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::ClearSoundRecords();
        ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
        const auto dir = platform::StoresDirectory();
        ASSERT_EQ(mapi::CreateStoreFile(dir / "personal.store", mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
        ASSERT_EQ(mapi::CreateStoreFile(dir / "mailbox.store", mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann"), S_OK);
        ASSERT_EQ(mapi::CreateStoreFile(dir / "public.store", mapi::StoreKind::PublicFolders, u"Public Folders"), S_OK);
        for (const char* name : {"personal.store", "mailbox.store", "public.store"})
            ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", dir / name), S_OK);
        ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
        ASSERT_EQ(mapi::OpenStoreFile(dir / "personal.store", MDB_WRITE, personal.put()), S_OK);
        ASSERT_EQ(mapi::OpenStoreFile(dir / "mailbox.store", MDB_WRITE, mailbox.put()), S_OK);
        ASSERT_EQ(mapi::OpenStoreFile(dir / "public.store", MDB_WRITE, publicStore.put()), S_OK);
        projects = NewFolder(publicStore.get(), "Projects");
        team = NewFolder(mailbox.get(), "Team");

        // The client extension, as its setup would leave it.
        SetString(HKEY_LOCAL_MACHINE, host::kExtensionsKey, "Lumivane Add-In",
                  std::string("4.0;") + LUMIVANE_LIBRARY + ";5;11000000000101;0010010");
        SetString(HKEY_LOCAL_MACHINE, host::kExtensionsKey, host::kReloadMarker, "");
        // Mail and sound on.
        SetDword("Software\\Halvesta\\Lumivane Add-In\\Settings", "Mail", 1);
        SetString(HKEY_CURRENT_USER, "Software\\Halvesta\\Lumivane Add-In\\Settings", "MailAddress", "ann@example.com");
        SetDword("Software\\Halvesta\\Lumivane Add-In\\Settings", "Sound", 1);
        sound = platform::RootDirectory() / "chime.wav";
        std::ofstream(sound) << "RIFF";
        SetString(HKEY_CURRENT_USER, "Software\\Halvesta\\Lumivane Add-In\\Settings", "SoundFile", sound.string());
        MarkFolders();
    }

    void TearDown() override
    {
        program.reset();
        projects = nullptr;
        team = nullptr;
        personal = nullptr;
        mailbox = nullptr;
        publicStore = nullptr;
        MAPIUninitialize();
    }

    // The Folders registry tree, written through the library's own store objects.
    void MarkFolders()
    {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        void* module = dlopen(LUMIVANE_LIBRARY, RTLD_NOW);
        ASSERT_NE(module, nullptr) << dlerror();
        auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllRegisterServer"));
        ASSERT_EQ(registerServer(), S_OK);
        {
            ComPtr<IReminderEngine> engine;
            ASSERT_EQ(CoCreateInstance(CLSID_ReminderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IReminderEngine,
                                       engine.put_void()),
                      S_OK);
            VARIANT profile;
            VariantInit(&profile);
            profile.vt = VT_BSTR;
            profile.bstrVal = SysAllocString(u"Work");
            ASSERT_EQ(engine->Initialize(profile), S_OK);
            VariantClear(&profile);
            ComPtr<ILVStores> stores;
            ASSERT_EQ(engine->get_Stores(stores.put()), S_OK);
            LONG count = 0;
            stores->get_Count(&count);
            for (LONG i = 1; i <= count; ++i) {
                ComPtr<ILVStore> store;
                ASSERT_EQ(stores->get_Item(i, store.put()), S_OK);
                ComBstr name;
                store->get_Name(name.put());
                IMAPIFolder* folder = name.Utf8() == "Public Folders" ? projects.get()
                                      : name.Utf8() == "Mailbox - Ann" ? team.get()
                                                                        : nullptr;
                if (!folder)
                    continue;
                std::string key = Hex(Binary(folder, PR_RECORD_KEY));
                std::string eid = Hex(Binary(folder, PR_ENTRYID));
                std::string display = "Folder";
                ASSERT_EQ(store->SetReminderFolder(key.data(), eid.data(), display.data(),
                                                   folder == projects.get() ? RT_PUBLIC : RT_PERSONAL),
                          S_OK);
            }
        }
        CoUninitialize();
        dlclose(module);
    }

    void SetString(HKEY root, const char* path, const char* name, const std::string& value)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    void SetDword(const char* path, const char* name, DWORD value)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    ComPtr<IMAPIFolder> Open(IMsgStore* store, const Bytes& id)
    {
        ULONG type = 0;
        ComPtr<IMAPIFolder> folder;
        EXPECT_EQ(store->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.data())),
                                   nullptr, MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(folder.put())),
                  S_OK);
        return folder;
    }

    ComPtr<IMAPIFolder> NewFolder(IMsgStore* store, const char* name)
    {
        ComPtr<IMAPIFolder> subtree = Open(store, Binary(store, PR_IPM_SUBTREE_ENTRYID));
        ComPtr<IMAPIFolder> folder;
        EXPECT_EQ(subtree->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name), nullptr, nullptr, 0, folder.put()),
                  S_OK);
        return folder;
    }

    // An item with its reminder set and due at `due`.
    Bytes NewItem(IMAPIFolder* folder, const char* subject, ULONGLONG due)
    {
        ComPtr<IMessage> message;
        EXPECT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
        SPropValue props[4]{};
        props[0].ulPropTag = PR_SUBJECT_A;
        props[0].Value.lpszA = const_cast<char*>(subject);
        props[1].ulPropTag = PR_MESSAGE_CLASS_A;
        props[1].Value.lpszA = const_cast<char*>("IPM.Appointment");
        props[2].ulPropTag = Named(message.get(), PSETID_Common, 0x8503, PT_BOOLEAN);
        props[2].Value.b = 1;
        props[3].ulPropTag = Named(message.get(), PSETID_Common, 0x8560, PT_SYSTIME);
        props[3].Value.ft = {static_cast<DWORD>(due), static_cast<DWORD>(due >> 32)};
        EXPECT_EQ(message->SetProps(4, props, nullptr), S_OK);
        EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        return Binary(message.get(), PR_ENTRYID);
    }

    // The subjects of the copies in the back folder.
    std::vector<std::string> Copies()
    {
        ULONG cb = 0;
        LPENTRYID inboxId = nullptr;
        EXPECT_EQ(personal->GetReceiveFolder(nullptr, 0, &cb, &inboxId, nullptr), S_OK);
        ComPtr<IMAPIFolder> inbox = Open(personal.get(), Bytes(reinterpret_cast<BYTE*>(inboxId),
                                                               reinterpret_cast<BYTE*>(inboxId) + cb));
        MAPIFreeBuffer(inboxId);
        ComPtr<IMAPIFolder> calendar = Open(personal.get(), Binary(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID));
        ComPtr<IMAPITable> table;
        EXPECT_EQ(calendar->GetContentsTable(MAPI_ASSOCIATED, table.put()), S_OK);
        SizedSPropTagArray(1, columns) = {1, {PR_SUBJECT_A}};
        LPSRowSet rows = nullptr;
        EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows),
                  S_OK);
        std::vector<std::string> subjects;
        for (ULONG i = 0; rows && i < rows->cRows; ++i)
            if (rows->aRow[i].lpProps[0].ulPropTag == PR_SUBJECT_A)
                subjects.emplace_back(rows->aRow[i].lpProps[0].Value.lpszA);
        FreeProws(rows);
        std::sort(subjects.begin(), subjects.end());
        return subjects;
    }

    void Run(ULONGLONG milliseconds)
    {
        auto& loop = platform::MessageLoop::Current();
        loop.AdvanceAndRun(*clock, milliseconds);
        for (int i = 0; i < 20; ++i) {
            HrDispatchNotifications(0);
            if (loop.RunPending() == 0)
                break;
        }
    }

    // What the host finds due in the mailbox.
    std::vector<std::string> HostDueInMailbox()
    {
        host::HostSession session;
        EXPECT_EQ(session.Logon("Work"), S_OK);
        std::vector<std::string> subjects;
        for (const auto& r : host::HostReminders::Due(session, 0x7000000000000000ULL))
            subjects.push_back(platform::Utf16ToUtf8(r.subject));
        session.Logoff();
        std::sort(subjects.begin(), subjects.end());
        return subjects;
    }

    std::size_t SpoolFiles()
    {
        if (!std::filesystem::exists(platform::SpoolDirectory()))
            return 0;
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(platform::SpoolDirectory()),
                                                      std::filesystem::directory_iterator()));
    }

    TempRoot root;
    std::shared_ptr<platform::ManualClock> clock = std::make_shared<platform::ManualClock>(kStart, 1000);
    platform::ScopedClock scopedClock{clock};
    ComPtr<IMsgStore> personal, mailbox, publicStore;
    ComPtr<IMAPIFolder> projects, team;
    std::filesystem::path sound;
    std::ostringstream out, err;
    std::unique_ptr<host::HostProgram> program;
};

} // namespace

TEST_F(HostEndToEnd, AWatchedFolderIsMirroredAndItsDueReminderRaisedByTheEngine)
{
    // An item of the mailbox's watched folder, which the host would remind of itself.
    NewItem(team.get(), "Standup", kStart - 60 * kMinute);
    ASSERT_EQ(HostDueInMailbox(), std::vector<std::string>{"Standup"});

    host::HostOptions options;
    options.headless = true;
    options.version = "12.0.6423.1000";
    program = std::make_unique<host::HostProgram>(options, out, err);
    ASSERT_TRUE(program->Start()) << err.str();
    EXPECT_NE(out.str().find("extension Lumivane Add-In loaded"), std::string::npos) << out.str();
    Run(0);
    // The engine is on: the mailbox's own reminders are silent, the add-in keeps a copy instead.
    EXPECT_TRUE(HostDueInMailbox().empty());
    EXPECT_EQ(Copies(), std::vector<std::string>{"Standup"});

    // A new item of the watched public folder gets its copy; a change and a deletion follow.
    const Bytes review = NewItem(projects.get(), "Review", kStart + 30 * 1000 * 10000ULL);
    Run(0);
    EXPECT_EQ(Copies(), (std::vector<std::string>{"Review", "Standup"}));
    {
        ComPtr<IMessage> message;
        ULONG type = 0;
        ASSERT_EQ(publicStore->OpenEntry(static_cast<ULONG>(review.size()),
                                         reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(review.data())), nullptr,
                                         MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(message.put())),
                  S_OK);
        SPropValue subject{};
        subject.ulPropTag = PR_SUBJECT_A;
        subject.Value.lpszA = const_cast<char*>("Design review");
        ASSERT_EQ(HrSetOneProp(message.get(), &subject), S_OK);
        ASSERT_EQ(message->SaveChanges(0), S_OK);
    }
    Run(0);
    EXPECT_EQ(Copies(), (std::vector<std::string>{"Design review", "Standup"}));

    // The engine's timer raises what is due: the sound plays and a mail goes out per copy.
    platform::ClearSoundRecords();
    Run(10 * 1000);
    const auto sounds = platform::SoundRecords();
    ASSERT_FALSE(sounds.empty());
    EXPECT_EQ(sounds[0].file, sound.string());
    EXPECT_EQ(SpoolFiles(), 1u); // Standup is due; Design review is not yet
    Run(30 * 1000);
    EXPECT_EQ(SpoolFiles(), 2u);

    {
        SBinary id{static_cast<ULONG>(review.size()), const_cast<BYTE*>(review.data())};
        ENTRYLIST list{1, &id};
        ASSERT_EQ(projects->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    }
    Run(0);
    EXPECT_EQ(Copies(), std::vector<std::string>{"Standup"});

    // After the host has quit, the mailbox's reminders are the host's again.
    program->Stop();
    program.reset();
    EXPECT_EQ(HostDueInMailbox(), std::vector<std::string>{"Standup"});
}
