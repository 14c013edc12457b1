// Sync runs through the engine's COM interfaces on real store files and real key databases.
#include "SyncFixture.h"

#include "base/DebugOutput.h"

#include <algorithm>

using namespace enginetest;

namespace {

using Types = std::vector<SHORT>;

class EngineSync : public SyncFixture {};

TEST_F(EngineSync, FirstRunCopiesNewMessagesBothWaysAndPairsThem)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    Add(src.get(), "from source", "s");
    Add(src.get(), "second", "s2");
    Add(dst.get(), "from destination", "d");
    EXPECT_FALSE(LastSync());

    EXPECT_EQ(Sync(), Types{});
    std::multimap<std::string, std::string> want{{"from source", "s"}, {"second", "s2"}, {"from destination", "d"}};
    EXPECT_EQ(Contents(src.get()), want);
    EXPECT_EQ(Contents(dst.get()), want);
    // Each destination message carries its partner's record key and its folder's key.
    for (const Msg& d : List(dst.get())) {
        EXPECT_TRUE(d.hasFolderKey) << d.subject;
        std::optional<Msg> s = Find(src.get(), d.subject);
        ASSERT_TRUE(s);
        EXPECT_EQ(d.searchKey, s->recordKey) << d.subject;
        EXPECT_TRUE(DbHas(".new", s->recordKey)) << d.subject;
    }
    ASSERT_TRUE(LastSync());

    // A second run finds everything in step and writes nothing.
    std::vector<Msg> before = List(dst.get());
    EXPECT_EQ(Sync(), Types{});
    EXPECT_EQ(Contents(src.get()), want);
    std::vector<Msg> after = List(dst.get());
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(CompareFileTime(&before[i].modified, &after[i].modified), 0);
    // The first run's keys rotated into ".old".
    EXPECT_TRUE(DbHas(".old", Find(src.get(), "second")->recordKey));
}

TEST_F(EngineSync, ChangesTravelFromTheChangedSide)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    Add(src.get(), "a", "1");
    Add(dst.get(), "b", "1");
    ASSERT_EQ(Sync(), Types{});

    SetBody(src.get(), "a", "source edit");
    SetBody(dst.get(), "b", "destination edit");
    EXPECT_EQ(Sync(), Types{});
    std::multimap<std::string, std::string> want{{"a", "source edit"}, {"b", "destination edit"}};
    EXPECT_EQ(Contents(src.get()), want);
    EXPECT_EQ(Contents(dst.get()), want);
    EXPECT_EQ(Sync(), Types{});
    EXPECT_EQ(Contents(src.get()), want);
}

TEST_F(EngineSync, BothSidesChangedIsConflictThreeAndNothingIsCopied)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    Add(src.get(), "a", "1");
    ASSERT_EQ(Sync(), Types{});
    SetBody(src.get(), "a", "src");
    SetBody(dst.get(), "a", "dst");
    EXPECT_EQ(Run(), Types{3});
    EXPECT_EQ(Contents(src.get()), (std::multimap<std::string, std::string>{{"a", "src"}}));
    EXPECT_EQ(Contents(dst.get()), (std::multimap<std::string, std::string>{{"a", "dst"}}));
    ComPtr<IConflict> c = Conflict(1);
    ComBstr srcId, dstId;
    EXPECT_EQ(c->get_SourceEntryID(srcId.put()), S_OK);
    EXPECT_EQ(c->get_DestinationEntryID(dstId.put()), S_OK);
    EXPECT_FALSE(srcId.Utf8().empty());
    EXPECT_FALSE(dstId.Utf8().empty());
}

TEST_F(EngineSync, DeletionInTheDestinationDeletesTheSourceOrAsks)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    Add(src.get(), "plain");
    Add(src.get(), "asked");
    Add(src.get(), "changed");
    ASSERT_EQ(Sync(), Types{});
    // The key is in ".new" of the pairing run; the deletion is seen by the run after.
    Delete(dst.get(), "plain");
    EXPECT_EQ(Sync(), Types{});
    EXPECT_FALSE(Find(src.get(), "plain"));

    profile->put_QueryDelete(1);
    Delete(dst.get(), "asked");
    EXPECT_EQ(Run(), Types{6});
    EXPECT_TRUE(Find(src.get(), "asked")) << "asked, not deleted";
    ComPtr<IConflict> c = Conflict(1);
    ComBstr dstId;
    EXPECT_EQ(c->get_DestinationEntryID(dstId.put()), S_OK);
    EXPECT_EQ(dstId.Utf8(), "");
    ComPtr<IUnknown> none;
    EXPECT_EQ(c->get_DestinationMessage(none.put()), S_OK);
    EXPECT_FALSE(none);
    ASSERT_EQ(c->Resolve(0), S_OK);
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);

    profile->put_QueryDelete(0);
    Delete(dst.get(), "changed");
    SetBody(src.get(), "changed", "new text");
    EXPECT_EQ(Run(), (Types{2}));
    EXPECT_FALSE(Find(src.get(), "asked")) << "kept once, its key was remembered: deleted now";
    EXPECT_TRUE(Find(src.get(), "changed"));
}

TEST_F(EngineSync, DeletionInTheSourceDeletesTheDestinationOrAsks)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    for (const char* s : {"plain", "asked", "changed", "nokey"})
        Add(src.get(), s);
    ASSERT_EQ(Sync(), Types{});

    Delete(src.get(), "plain");
    EXPECT_EQ(Sync(), Types{});
    EXPECT_FALSE(Find(dst.get(), "plain"));

    Delete(src.get(), "changed");
    SetBody(dst.get(), "changed", "edited");
    Delete(src.get(), "nokey");
    {
        ComPtr<IMessage> m = Open(dst.get(), Find(dst.get(), "nokey")->entryId);
        SizedSPropTagArray(1, tags) = {1, {tagFolderKey}};
        ASSERT_EQ(m->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr), S_OK);
        ASSERT_EQ(m->SaveChanges(0), S_OK);
    }
    Delete(src.get(), "asked");
    profile->put_QueryDelete(1);
    Types types = Run();
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (Types{1, 5, 7}));
    EXPECT_TRUE(Find(dst.get(), "changed"));
    EXPECT_TRUE(Find(dst.get(), "nokey"));
    EXPECT_TRUE(Find(dst.get(), "asked"));
}

TEST_F(EngineSync, MissingSourceFolderIsOneConflictFourAndNoMessageWork)
{
    Add(Dst("Calendar").get(), "stays");
    {
        ComPtr<IMAPIFolder> subtree = OpenFolder(srcStore.get(), {});
        LPSPropValue eid = nullptr;
        ASSERT_EQ(HrGetOneProp(Src("News").get(), PR_ENTRYID, &eid), S_OK);
        ASSERT_EQ(subtree->DeleteFolder(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), 0,
                                        nullptr, DEL_FOLDERS | DEL_MESSAGES),
                  S_OK);
        MAPIFreeBuffer(eid);
    }
    EXPECT_EQ(Run(), Types{4});
    ComPtr<IConflict> c = Conflict(1);
    ComPtr<IUnknown> folder;
    EXPECT_EQ(c->get_SourceFolder(folder.put()), S_OK);
    EXPECT_FALSE(folder);
    EXPECT_EQ(c->get_DestinationFolder(folder.put()), S_OK);
    EXPECT_TRUE(folder);
    EXPECT_EQ(List(Dst("Calendar").get()).size(), 1u);
    EXPECT_FALSE(List(Dst("Calendar").get())[0].hasFolderKey) << "not touched";
}

TEST_F(EngineSync, WithoutLastSyncTimeEveryPairIsConflictThree)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    Add(src.get(), "a");
    Add(src.get(), "b");
    ASSERT_EQ(Sync(), Types{});
    SizedSPropTagArray(1, tags) = {1, {tagLastSync}};
    ASSERT_EQ(dstStore->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr), S_OK);
    EXPECT_EQ(Run(), (Types{3, 3}));
}

TEST_F(EngineSync, YoungerOfTwoDestinationMessagesWithOneKeyBecomesNew)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    Add(src.get(), "original");
    ASSERT_EQ(Sync(), Types{});
    std::optional<Msg> paired = Find(dst.get(), "original");
    ComPtr<IMessage> twin = Add(dst.get(), "twin");
    SPropValue v{};
    v.ulPropTag = tagSearchKey;
    v.Value.bin = {static_cast<ULONG>(paired->searchKey.size()), paired->searchKey.data()};
    ASSERT_EQ(HrSetOneProp(twin.get(), &v), S_OK);
    ASSERT_EQ(twin->SaveChanges(0), S_OK);

    EXPECT_EQ(Sync(), Types{});
    std::multimap<std::string, std::string> want{{"original", "body"}, {"twin", "body"}};
    EXPECT_EQ(Contents(src.get()), want);
    EXPECT_EQ(Contents(dst.get()), want);
    EXPECT_EQ(Find(dst.get(), "original")->searchKey, Find(src.get(), "original")->recordKey);
    EXPECT_EQ(Find(dst.get(), "twin")->searchKey, Find(src.get(), "twin")->recordKey);
    EXPECT_TRUE(std::any_of(status.calls.begin(), status.calls.end(),
                            [](const std::string& s) { return s == "Information preparing folder..."; }));
}

TEST_F(EngineSync, MessageMovedBetweenLinkedFoldersFollowsInTheSource)
{
    ComPtr<IMAPIFolder> projects = Src("Projects"), news = Src("News");
    ComPtr<IMAPIFolder> inbox = Dst("Inbox"), calendar = Dst("Calendar");
    Add(projects.get(), "wanderer", "w");
    ASSERT_EQ(Sync(), Types{});
    std::optional<Msg> m = Find(inbox.get(), "wanderer");
    ASSERT_TRUE(m);
    SBinary bin{static_cast<ULONG>(m->entryId.size()), m->entryId.data()};
    ENTRYLIST list{1, &bin};
    ASSERT_EQ(inbox->CopyMessages(&list, nullptr, calendar.get(), 0, nullptr, MESSAGE_MOVE), S_OK);

    EXPECT_EQ(Sync(), Types{});
    EXPECT_TRUE(Contents(projects.get()).empty());
    EXPECT_EQ(Contents(news.get()), (std::multimap<std::string, std::string>{{"wanderer", "w"}}));
    EXPECT_EQ(Find(calendar.get(), "wanderer")->searchKey, Find(news.get(), "wanderer")->recordKey);
    EXPECT_EQ(Sync(), Types{});
    EXPECT_EQ(Contents(news.get()).size(), 1u);
}

// Attachments and recipients of a message.
void AddParts(IMessage* msg, const std::string& attachment, const std::string& recipient)
{
    ComPtr<IAttach> att;
    ULONG num = 0;
    ASSERT_EQ(msg->CreateAttach(nullptr, 0, &num, att.put()), S_OK);
    std::u16string name = platform::Utf8ToUtf16(attachment);
    SPropValue props[3]{};
    props[0].ulPropTag = PR_ATTACH_METHOD;
    props[0].Value.l = ATTACH_BY_VALUE;
    props[1].ulPropTag = PR_ATTACH_FILENAME_W;
    props[1].Value.lpszW = reinterpret_cast<LPWSTR>(name.data());
    props[2].ulPropTag = PR_ATTACH_DATA_BIN;
    props[2].Value.bin = {static_cast<ULONG>(attachment.size()),
                          reinterpret_cast<BYTE*>(const_cast<char*>(attachment.data()))};
    ASSERT_EQ(att->SetProps(3, props, nullptr), S_OK);
    ASSERT_EQ(att->SaveChanges(0), S_OK);

    std::u16string who = platform::Utf8ToUtf16(recipient);
    LPADRLIST list = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(CbNewADRLIST(1), reinterpret_cast<void**>(&list)), S_OK);
    list->cRows = 1;
    list->aRow[0].cValues = 2;
    ASSERT_EQ(MAPIAllocateBuffer(2 * sizeof(SPropValue), reinterpret_cast<void**>(&list->aRow[0].lpProps)), S_OK);
    list->aRow[0].lpProps[0].ulPropTag = PR_DISPLAY_NAME_W;
    list->aRow[0].lpProps[0].Value.lpszW = reinterpret_cast<LPWSTR>(who.data());
    list->aRow[0].lpProps[1].ulPropTag = PR_RECIPIENT_TYPE;
    list->aRow[0].lpProps[1].Value.l = MAPI_TO;
    ASSERT_EQ(msg->ModifyRecipients(MODRECIP_ADD, list), S_OK);
    FreePadrlist(list);
    ASSERT_EQ(msg->SaveChanges(0), S_OK);
}

// "file=content" of each attachment and the recipients' names.
std::vector<std::string> Parts(IMessage* msg)
{
    std::vector<std::string> out;
    ComPtr<IMAPITable> table;
    EXPECT_EQ(msg->GetAttachmentTable(0, table.put()), S_OK);
    SizedSPropTagArray(1, cols) = {1, {PR_ATTACH_NUM}};
    LPSRowSet rows = nullptr;
    EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    for (ULONG i = 0; rows && i < rows->cRows; ++i) {
        ComPtr<IAttach> att;
        EXPECT_EQ(msg->OpenAttach(rows->aRow[i].lpProps[0].Value.l, nullptr, 0, att.put()), S_OK);
        LPSPropValue data = nullptr;
        EXPECT_EQ(HrGetOneProp(att.get(), PR_ATTACH_DATA_BIN, &data), S_OK);
        if (data)
            out.push_back("attach " + std::string(reinterpret_cast<char*>(data->Value.bin.lpb), data->Value.bin.cb));
        MAPIFreeBuffer(data);
    }
    FreeProws(rows);
    table.Release();
    EXPECT_EQ(msg->GetRecipientTable(MAPI_UNICODE, table.put()), S_OK);
    SizedSPropTagArray(1, rcols) = {1, {PR_DISPLAY_NAME_W}};
    rows = nullptr;
    EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&rcols), nullptr, nullptr, 0, &rows),
              S_OK);
    for (ULONG i = 0; rows && i < rows->cRows; ++i)
        out.push_back("to " + platform::Utf16ToUtf8(reinterpret_cast<const char16_t*>(rows->aRow[i].lpProps[0].Value.lpszW)));
    FreeProws(rows);
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(EngineSync, AttachmentsAndRecipientsTravelBothWaysAndReplaceTheOldOnes)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    AddParts(Add(src.get(), "from source").get(), "src.txt", "Ann");
    AddParts(Add(dst.get(), "from destination").get(), "dst.txt", "Bob");
    ASSERT_EQ(Sync(), Types{});
    EXPECT_EQ(Parts(Open(dst.get(), Find(dst.get(), "from source")->entryId).get()),
              (std::vector<std::string>{"attach src.txt", "to Ann"}));
    EXPECT_EQ(Parts(Open(src.get(), Find(src.get(), "from destination")->entryId).get()),
              (std::vector<std::string>{"attach dst.txt", "to Bob"}));

    // A changed message replaces its partner's parts instead of adding to them.
    AddParts(Open(src.get(), Find(src.get(), "from source")->entryId).get(), "more.txt", "Cid");
    ASSERT_EQ(Sync(), Types{});
    EXPECT_EQ(Parts(Open(dst.get(), Find(dst.get(), "from source")->entryId).get()),
              (std::vector<std::string>{"attach more.txt", "attach src.txt", "to Ann", "to Cid"}));
}

TEST_F(EngineSync, PairingPropertiesOfNoProfileReachTheSourceStore)
{
    // A second profile with pairing properties in the same destination store.
    ComPtr<IProfile> other = SavedProfile(profiles.get(), engine.get(), "Other");
    ASSERT_TRUE(other);
    GUID otherGuid{};
    other->GetGUID(&otherGuid);
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    ComPtr<IMessage> m = Add(dst.get(), "carrier");
    {
        GUID keep = guid;
        guid = otherGuid;
        ULONG otherSearch = NamedTag(dstStore.get(), u"PRS_SEARCH_KEY", PT_BINARY);
        ULONG otherFolder = NamedTag(dstStore.get(), u"PRS_FOLDER_KEY", PT_BINARY);
        guid = keep;
        BYTE junk[4] = {1, 2, 3, 4};
        SPropValue v[2]{};
        v[0].ulPropTag = otherSearch;
        v[0].Value.bin = {4, junk};
        v[1].ulPropTag = otherFolder;
        v[1].Value.bin = {4, junk};
        ASSERT_EQ(m->SetProps(2, v, nullptr), S_OK);
        ASSERT_EQ(m->SaveChanges(0), S_OK);
    }
    ASSERT_EQ(Sync(), Types{});
    SetBody(dst.get(), "carrier", "changed"); // the changed-copy path as well
    ASSERT_EQ(Sync(), Types{});
    std::optional<Msg> s = Find(src.get(), "carrier");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->body, "changed");
    ComPtr<IMessage> copy = Open(src.get(), s->entryId);
    LPSPropTagArray tags = nullptr;
    ASSERT_EQ(copy->GetPropList(0, &tags), S_OK);
    for (ULONG i = 0; i < tags->cValues; ++i)
        EXPECT_LT(PROP_ID(tags->aulPropTag[i]), 0x8000u) << std::hex << tags->aulPropTag[i];
    MAPIFreeBuffer(tags);
}

TEST_F(EngineSync, ProfilesWithMalformedKeysDoNotStopTheOthers)
{
    // Two sync profiles whose keys another program wrote: one too short, one not hexadecimal.
    for (const std::string key : {"handmade", "zz000000000000000000000000000000"}) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ("Software\\Tembrix\\profiles\\" + key).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        const BYTE name[] = {'X', 0, 0, 0};
        RegSetValueExA(k, "Name", 0, REG_BINARY, name, sizeof name);
        RegCloseKey(k);
    }
    ASSERT_EQ(profiles->Create(engine.get()), S_OK); // the collection reads the keys again
    LONG count = 0;
    ASSERT_EQ(profiles->get_Count(&count), S_OK);
    ASSERT_EQ(count, 3);
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    Add(src.get(), "from source", "s");
    Add(dst.get(), "from destination", "d");
    platform::DebugOutputCapture capture;
    EXPECT_EQ(Sync(), Types{});
    SetBody(dst.get(), "from destination", "changed");
    EXPECT_EQ(Sync(), Types{});
    std::multimap<std::string, std::string> want{{"from source", "s"}, {"from destination", "changed"}};
    EXPECT_EQ(Contents(src.get()), want);
    EXPECT_EQ(Contents(dst.get()), want);
    const std::string out = capture.joined();
    // Each run says so at the error level, once for each of the two.
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = out.find("skipped: its key is no profile key", at)) != std::string::npos; ++at) {
        const std::size_t start = out.rfind('\n', at) == std::string::npos ? 0 : out.rfind('\n', at) + 1;
        EXPECT_NE(out.substr(start, at - start).find(" E["), std::string::npos) << out.substr(start, at - start);
        ++lines;
    }
    EXPECT_EQ(lines, 4u) << out;
}

TEST_F(EngineSync, StatusCallsComeInTheirOrder)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    Add(src.get(), "one");
    Add(dst.get(), "two");
    ASSERT_EQ(Sync(), Types{});
    // Names of the linked destination folders in the walk's order (ascending source keys).
    ComPtr<IStore> destination;
    ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
    std::vector<std::string> order;
    ComPtr<IFolder> f;
    ASSERT_EQ(destination->get_FirstSyncFolder(f.put()), S_OK);
    while (f) {
        ComBstr name;
        f->get_Name(name.put());
        order.push_back(name.Utf8());
        ComPtr<IFolder> next;
        destination->get_NextSyncFolder(next.put());
        f = next;
    }
    ASSERT_EQ(order.size(), 2u);
    auto folderCalls = [](const std::string& name, int i, int dups, int src, int dst) {
        std::vector<std::string> calls{"Folders " + std::to_string(i) + "/2", "Folder " + name,
                                       "Information preparing folder...", "Messages 0/" + std::to_string(dups)};
        for (int k = 1; k <= dups; ++k)
            calls.push_back("Messages " + std::to_string(k) + "/" + std::to_string(dups));
        calls.push_back("Information processing folder...");
        const int total = src + dst;
        calls.push_back("Messages 0/" + std::to_string(total));
        for (int k = 1; k <= total; ++k)
            calls.push_back("Messages " + std::to_string(k) + "/" + std::to_string(total));
        return calls;
    };
    std::vector<std::string> want{"Information Initializing..", "Folders 0/2"};
    for (int i = 0; i < 2; ++i) {
        const bool inbox = order[i] == "Inbox";
        auto calls = inbox ? folderCalls("Inbox", i + 1, 2, 2, 2) : folderCalls("Calendar", i + 1, 0, 0, 0);
        want.insert(want.end(), calls.begin(), calls.end());
    }
    want.push_back("Information done.");
    // The second run: Inbox holds two pairs.
    ASSERT_EQ(Sync(), Types{});
    EXPECT_EQ(status.calls, want);
    EXPECT_EQ(status.refs, 1u) << "every reference handed out came back";
}

TEST_F(EngineSync, WithoutAStatusObjectTheDefaultSinkWritesToTheDebugger)
{
    Add(Src().get(), "one");
    platform::DebugOutputCapture capture;
    ASSERT_EQ(profile->Synchronize(nullptr), S_OK);
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    const std::string out = capture.joined();
    EXPECT_NE(out.find("Initializing..\r\n"), std::string::npos);
    EXPECT_NE(out.find("Folder 0 of 2\r\n"), std::string::npos);
    EXPECT_NE(out.find("Folder: Inbox\r\n"), std::string::npos);
    EXPECT_NE(out.find("Message 1 of 1\r\n"), std::string::npos);
    EXPECT_NE(out.find("done.\r\n"), std::string::npos);
    EXPECT_EQ(Contents(Dst().get()).size(), 1u);
}

TEST_F(EngineSync, NoLinkedFoldersStillStoresTheTime)
{
    ComPtr<IStore> destination;
    ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
    ComPtr<IFolders> dstFolders = SubtreeFolders(destination.get());
    FolderNamed(dstFolders.get(), "Inbox")->put_Source(nullptr);
    FolderNamed(dstFolders.get(), "Calendar")->put_Source(nullptr);
    EXPECT_EQ(Sync(), Types{});
    EXPECT_EQ(status.calls, (std::vector<std::string>{"Information Initializing..", "Folders 0/0", "Information done."}));
    EXPECT_TRUE(LastSync());
}

} // namespace

namespace {

TEST_F(EngineSync, UnreachableSourceStoreEndsTheRunBeforeTheDatabasesAndTheTime)
{
    ComPtr<IMAPIFolder> src = Src(), dst = Dst();
    Add(src.get(), "a");
    Add(src.get(), "b");
    ASSERT_EQ(Sync(), Types{});
    ASSERT_EQ(Sync(), Types{});
    const FILETIME stored = *LastSync();
    Delete(dst.get(), "a"); // a deletion the next run is to carry over
    const std::vector<BYTE> keyA = Find(src.get(), "a")->recordKey;

    // Reopen everything with the source store gone from its MAPI profile.
    auto reopen = [&] {
        profile.Release();
        profiles.Release();
        engine.Release();
        engine = CreateEngine();
        ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
        ASSERT_EQ(profiles->get_Items(1, profile.put()), S_OK);
    };
    ASSERT_EQ(mapi::ProfileRegistry::RemoveStore("Work", publicStore), S_OK);
    reopen();
    status = RecordingStatus{};
    EXPECT_EQ(profile->Synchronize(&status), MAPI_E_NOT_FOUND);
    EXPECT_EQ(status.calls, std::vector<std::string>{"Information Initializing.."});
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_TRUE(DbHas(".new", keyA)) << "not rotated";
    std::optional<FILETIME> after = LastSync();
    ASSERT_TRUE(after);
    EXPECT_EQ(CompareFileTime(&*after, &stored), 0) << "time not stored";

    // Back again, the deletion made before is carried over instead of the copy coming back.
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", publicStore), S_OK);
    reopen();
    EXPECT_EQ(Sync(), Types{});
    EXPECT_FALSE(Find(Src().get(), "a"));
    EXPECT_FALSE(Find(Dst().get(), "a"));
    EXPECT_TRUE(Find(Dst().get(), "b"));
}

} // namespace
