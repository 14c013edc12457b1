// Watched folders mirrored into the back folder: the copies' properties, the changes that reach
// them (from this process and from another), moves between watched folders, and the set of
// watched folders that starts and stops the watching.
#include "ReminderFixture.h"

#include "RunChild.h"
#include "base/MessageLoop.h"
#include "mapi/StoreFile.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

using namespace remindertest;

namespace {

class MirrorTest : public ReminderFixture {
protected:
    void SetUp() override
    {
        ReminderFixture::SetUp();
        sharedFolder = NewFolder(Subtree(publicStore.get()).get(), "Shared", "IPF.Appointment");
        shared = FolderObject(u"Public Folders", sharedFolder.get());
        ASSERT_TRUE(shared);
    }
    void TearDown() override
    {
        shared = nullptr;
        sharedFolder = nullptr;
        ReminderFixture::TearDown();
    }

    void Watch(ILVFolder* folder) { ASSERT_EQ(engine->SetReminderFolder(folder, RT_PUBLIC), S_OK); }
    void Unwatch(ILVFolder* folder) { ASSERT_EQ(engine->SetReminderFolder(folder, RT_NONE), S_OK); }

    Bytes Item(const std::string& subject, ItemPlan plan = {})
    {
        plan.subject = subject;
        return NewItem(sharedFolder.get(), plan);
    }
    void Rename(const Bytes& item, const std::string& subject)
    {
        Change(publicStore.get(), item, [&](IMessage* m) {
            SPropValue v{};
            v.ulPropTag = PR_SUBJECT_A;
            v.Value.lpszA = const_cast<char*>(subject.c_str());
            EXPECT_EQ(HrSetOneProp(m, &v), S_OK);
        });
    }
    void Delete(IMAPIFolder* folder, const Bytes& item)
    {
        SBinary id{static_cast<ULONG>(item.size()), const_cast<BYTE*>(item.data())};
        ENTRYLIST list{1, &id};
        ASSERT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    }
    void Snooze(const Copy& copy, ULONGLONG when)
    {
        ChangeCopy(copy.entryId, [&](IMessage* m) { SetTime(m, PSETID_Common, kPidLidReminderSignalTime, when); });
    }
    void MarkMailSent(const Copy& copy)
    {
        ChangeCopy(copy.entryId, [&](IMessage* m) {
            SPropValue v{};
            v.ulPropTag = NamedTag(m, u"ReminderMailSent", PT_BOOLEAN);
            v.Value.b = 1;
            EXPECT_EQ(HrSetOneProp(m, &v), S_OK);
        });
    }
    std::vector<std::string> Subjects()
    {
        std::vector<std::string> subjects;
        for (const auto& c : Copies())
            subjects.push_back(c.subject);
        return subjects;
    }
    ComPtr<IMAPIAdviseSink> SinkOf(ILVFolder* folder)
    {
        ComPtr<IMAPIAdviseSink> sink;
        EXPECT_EQ(folder->QueryInterface(IID_IMAPIAdviseSink, sink.put_void()), S_OK);
        return sink;
    }
    void Notify(ILVFolder* folder, ULONG tableEvent)
    {
        NOTIFICATION n{};
        n.ulEventType = fnevTableModified;
        n.info.tab.ulTableEvent = tableEvent;
        SinkOf(folder)->OnNotify(1, &n);
    }

    ComPtr<IMAPIFolder> sharedFolder;
    ComPtr<ILVFolder> shared;
};

TEST_F(MirrorTest, ANewItemWithAReminderGetsOneCopyWithTheTenProperties)
{
    ItemPlan plan;
    plan.attachment = true;
    const Bytes before = Item("Before", plan);
    Watch(shared.get());
    const Bytes after = Item("After", plan);
    Pump();
    const auto copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    const Bytes storeId = GetBinary(publicStore.get(), PR_ENTRYID);
    const Bytes storeKey = GetBinary(publicStore.get(), PR_RECORD_KEY);
    for (const auto& [copy, item] : {std::pair{copies[0], after}, std::pair{copies[1], before}}) {
        ComPtr<IMessage> source;
        {
            ULONG type = 0;
            ComPtr<IUnknown> unknown;
            ASSERT_EQ(publicStore->OpenEntry(static_cast<ULONG>(item.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(item.data())),
                                             nullptr, 0, &type, unknown.put()),
                      S_OK);
            ASSERT_EQ(unknown.As(source), S_OK);
        }
        EXPECT_EQ(copy.itemMessageClass, std::optional<std::string>("IPM.Appointment"));
        EXPECT_EQ(copy.lvEntryId, std::optional<Bytes>(item));
        EXPECT_EQ(copy.lvFolderId, std::optional<Bytes>(GetBinary(sharedFolder.get(), PR_ENTRYID)));
        EXPECT_EQ(copy.lvStoreId, std::optional<Bytes>(GetBinary(source.get(), PR_STORE_ENTRYID)));
        EXPECT_EQ(copy.folderName, std::optional<std::string>("Shared"));
        EXPECT_EQ(copy.storeName, std::optional<std::string>("Public Folders"));
        EXPECT_EQ(copy.lumivaneItem, std::optional<bool>(true));
        EXPECT_EQ(copy.lvRecordKey, std::optional<Bytes>(GetBinary(source.get(), PR_RECORD_KEY)));
        EXPECT_EQ(copy.lvFolderRecordKey, std::optional<Bytes>(GetBinary(sharedFolder.get(), PR_RECORD_KEY)));
        EXPECT_EQ(copy.lvStoreRecordKey, std::optional<Bytes>(storeKey));
        EXPECT_EQ(copy.signalTime, std::optional<ULONGLONG>(kMay1st10h));
        EXPECT_FALSE(copy.reminderMailSent);
        EXPECT_EQ(copy.attachments, 0u);
    }
    EXPECT_EQ(copies[0].subject, "After");
    EXPECT_EQ(copies[1].subject, "Before");
}

TEST_F(MirrorTest, ItemsWithoutReminderOrRecurrenceAreNotCopied)
{
    ItemPlan off;
    off.reminderSet = false;
    Item("No reminder", off);
    ItemPlan recurring = off;
    recurring.recurring = true;
    Item("Recurring", recurring);
    Watch(shared.get());
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Recurring"});
}

TEST_F(MirrorTest, AnItemWithoutMessageClassGivesACopyWithoutIt)
{
    const Bytes item = Item("No class");
    // The platform gives every saved message a class: take it away in the file.
    long long id = 0;
    for (std::size_t i = item.size() - 8; i < item.size(); ++i)
        id |= static_cast<long long>(item[i]) << (8 * (i - (item.size() - 8)));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(publicPath.c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    const std::string sql = "DELETE FROM props WHERE obj = " + std::to_string(id) + " AND tag BETWEEN " +
                            std::to_string(0x001AL << 16) + " AND " + std::to_string((0x001AL << 16) | 0xFFFF);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_changes(db), 1);
    sqlite3_close(db);
    Watch(shared.get());
    const auto copies = Copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_FALSE(copies[0].itemMessageClass);
    EXPECT_TRUE(copies[0].lvEntryId && copies[0].lvFolderId && copies[0].lvStoreId && copies[0].folderName &&
                copies[0].storeName && copies[0].lumivaneItem && copies[0].lvRecordKey && copies[0].lvFolderRecordKey &&
                copies[0].lvStoreRecordKey);
}

TEST_F(MirrorTest, ACopyWithoutSignalTimeGetsOneFromTheReminderTime)
{
    ItemPlan plan;
    plan.signalTime.reset();
    plan.reminderTime = kMay1st10h;
    plan.reminderDelta = 15;
    Item("Delta", plan);
    ItemPlan none;
    none.signalTime.reset();
    Item("Nothing", none);
    Watch(shared.get());
    const auto copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].signalTime, std::optional<ULONGLONG>(kMay1st10h - 15 * kMinute));
    EXPECT_FALSE(copies[1].signalTime); // saved all the same
}

TEST_F(MirrorTest, ChangesOfTheItemReachItsCopy)
{
    Watch(shared.get());
    const Bytes item = Item("Meeting");
    Pump();
    ASSERT_EQ(Subjects(), std::vector<std::string>{"Meeting"});
    Rename(item, "Meeting moved");
    Pump();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Meeting moved"});
}

TEST_F(MirrorTest, ASnoozedRecurringItemKeepsItsSignalTimeAndANonRecurringOneDoesNot)
{
    ItemPlan recurring;
    recurring.recurring = true;
    const Bytes series = Item("Series", recurring);
    const Bytes single = Item("Single");
    Watch(shared.get());
    auto copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    const ULONGLONG snoozed = kMay1st10h + 30 * kMinute;
    for (const auto& c : copies) {
        Snooze(c, snoozed);
        MarkMailSent(c);
    }
    Rename(series, "Series 2");
    Rename(single, "Single 2");
    Pump();
    copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].subject, "Series 2");
    EXPECT_EQ(copies[0].signalTime, std::optional<ULONGLONG>(snoozed));
    EXPECT_EQ(copies[1].subject, "Single 2");
    EXPECT_EQ(copies[1].signalTime, std::optional<ULONGLONG>(kMay1st10h));
    // What only the copy has stays.
    EXPECT_EQ(copies[0].reminderMailSent, std::optional<bool>(true));
    EXPECT_EQ(copies[1].reminderMailSent, std::optional<bool>(true));
    EXPECT_EQ(copies[0].lumivaneItem, std::optional<bool>(true));
}

TEST_F(MirrorTest, DeletingTheItemOrClearingItsReminderDeletesTheCopy)
{
    const Bytes a = Item("A"), b = Item("B");
    Watch(shared.get());
    ASSERT_EQ(Copies().size(), 2u);
    Delete(sharedFolder.get(), a);
    Change(publicStore.get(), b, [&](IMessage* m) { SetBool(m, PSETID_Common, kPidLidReminderSet, false); });
    Pump();
    EXPECT_TRUE(Copies().empty());
}

TEST_F(MirrorTest, DeletingAnItemWhoseCopyIsGoneSucceedsSilently)
{
    const Bytes a = Item("A");
    Item("B");
    Watch(shared.get());
    auto copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    ComPtr<IMAPIFolder> back = BackFolder();
    Delete(back.get(), copies[0].entryId);
    Delete(sharedFolder.get(), a);
    Pump();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"B"});
}

TEST_F(MirrorTest, CopiesOfAnEarlierRunAreRewritten)
{
    // An earlier run: copies of A and B, and of another folder's item.
    auto otherFolder = NewFolder(Subtree(publicStore.get()).get(), "Other", "IPF.Task");
    auto other = FolderObject(u"Public Folders", otherFolder.get());
    NewItem(otherFolder.get(), Plan("Other"));
    const Bytes a = Item("A"), b = Item("B");
    Watch(shared.get());
    Watch(other.get());
    ASSERT_EQ(Subjects(), (std::vector<std::string>{"A", "B", "Other"}));
    engine->Folders().RemoveAll();
    ASSERT_EQ(Subjects(), (std::vector<std::string>{"A", "B", "Other"}));
    // Meanwhile, unwatched: A changes, B goes, C comes.
    Rename(a, "A 2");
    Delete(sharedFolder.get(), b);
    Item("C");
    Pump();
    ASSERT_EQ(Subjects(), (std::vector<std::string>{"A", "B", "Other"}));
    Watch(shared.get());
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"A 2", "C", "Other"}));
}

TEST_F(MirrorTest, AChangeByAnotherProcessIsFollowed)
{
    Watch(shared.get());
    const Bytes item = Item("Before");
    Pump();
    ASSERT_EQ(Subjects(), std::vector<std::string>{"Before"});
    const ChildResult result =
        RunChild(MAPIADMIN, {"message", "change", publicPath.string(), Hex(item), "--subject", "Changed elsewhere"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (int i = 0; i < 100 && Subjects() != std::vector<std::string>{"Changed elsewhere"}; ++i) {
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Changed elsewhere"});
}

class MoveTest : public MirrorTest, public ::testing::WithParamInterface<bool> {};

// An item moved between two watched folders of one store keeps its record key: whichever
// folder hears of it first, exactly one copy stays, with the new folder's keys.
TEST_P(MoveTest, AMoveBetweenWatchedFoldersLeavesOneCopyWithTheNewFolder)
{
    const bool addFirst = GetParam();
    auto targetFolder = NewFolder(Subtree(publicStore.get()).get(), "Target", "IPF.Appointment");
    auto target = FolderObject(u"Public Folders", targetFolder.get());
    ItemPlan recurring;
    recurring.recurring = true;
    const Bytes item = Item("Series", recurring);
    // The folder advised first hears first.
    if (addFirst) {
        Watch(target.get());
        Watch(shared.get());
    } else {
        Watch(shared.get());
        Watch(target.get());
    }
    auto copies = Copies();
    ASSERT_EQ(copies.size(), 1u);
    const ULONGLONG snoozed = kMay1st10h + 45 * kMinute;
    Snooze(copies[0], snoozed);
    MarkMailSent(copies[0]);

    SBinary id{static_cast<ULONG>(item.size()), const_cast<BYTE*>(item.data())};
    ENTRYLIST list{1, &id};
    ASSERT_EQ(sharedFolder->CopyMessages(&list, nullptr, targetFolder.get(), 0, nullptr, MESSAGE_MOVE), S_OK);
    Pump();

    copies = Copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].lvFolderRecordKey, std::optional<Bytes>(GetBinary(targetFolder.get(), PR_RECORD_KEY)));
    EXPECT_EQ(copies[0].lvFolderId, std::optional<Bytes>(GetBinary(targetFolder.get(), PR_ENTRYID)));
    EXPECT_EQ(copies[0].folderName, std::optional<std::string>("Target"));
    if (addFirst) {
        // The copy was taken over, not made anew.
        EXPECT_EQ(copies[0].signalTime, std::optional<ULONGLONG>(snoozed));
        EXPECT_EQ(copies[0].reminderMailSent, std::optional<bool>(true));
    }
    // Both watchers stay in step afterwards.
    Rename(item, "Series 2");
    Pump();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Series 2"});
    Notify(shared.get(), TABLE_RELOAD);
    Notify(target.get(), TABLE_RELOAD);
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Series 2"});
}

INSTANTIATE_TEST_SUITE_P(BothOrders, MoveTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AddedFirst" : "DeletedFirst"; });

TEST_F(MirrorTest, OneFolderAddedTwiceOrByTwoEntryIdsHasOneWatcher)
{
    Watch(shared.get());
    // Another object for the same folder, and one opened through another entry ID of it.
    Watch(FolderObject(u"Public Folders", sharedFolder.get()).get());
    Bytes otherId = GetBinary(sharedFolder.get(), PR_ENTRYID);
    otherId[0] = 0x01; // the flags bytes differ; the folder is the same
    ComPtr<ILVFolder> byOtherId;
    ASSERT_EQ(Store(u"Public Folders")->GetFolderFromEID(ComBstr(Hex(otherId)), byOtherId.put()), S_OK);
    Watch(byOtherId.get());
    EXPECT_EQ(engine->Folders().Count(), 1u);

    const Bytes item = Item("Once");
    Pump();
    Rename(item, "Once more");
    Pump();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Once more"});
    // Removing it through any of its objects stops the one watcher.
    Unwatch(byOtherId.get());
    EXPECT_EQ(engine->Folders().Count(), 0u);
    EXPECT_TRUE(Copies().empty());
}

TEST_F(MirrorTest, AWatchedFolderDoesNotHoldTheEngine)
{
    const ULONG before = engine->RefCount();
    Watch(shared.get());
    Item("Item");
    Pump();
    EXPECT_EQ(engine->RefCount(), before);
}

TEST_F(MirrorTest, UnwatchingOneFolderDeletesItsCopiesOnly)
{
    auto otherFolder = NewFolder(Subtree(publicStore.get()).get(), "Other");
    auto other = FolderObject(u"Public Folders", otherFolder.get());
    NewItem(otherFolder.get(), Plan("Other"));
    Item("Mine");
    Watch(shared.get());
    Watch(other.get());
    ASSERT_EQ(Subjects(), (std::vector<std::string>{"Mine", "Other"}));
    Unwatch(shared.get());
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Other"});
    EXPECT_EQ(engine->Folders().Count(), 1u);
}

TEST_F(MirrorTest, RemoveAllAndRemoveFoldersKeepTheCopies)
{
    Item("Mine");
    Watch(shared.get());
    const std::string storeKey = Hex(GetBinary(publicStore.get(), PR_RECORD_KEY));
    std::string upper = storeKey;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    engine->Folders().RemoveFolders(upper.c_str());
    EXPECT_EQ(engine->Folders().Count(), 1u);
    engine->Folders().RemoveFolders(storeKey.c_str());
    EXPECT_EQ(engine->Folders().Count(), 0u);
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Mine"});
    // Unwatched: changes no longer reach the copy.
    Item("Later");
    Pump();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Mine"});

    Watch(shared.get());
    ASSERT_EQ(Subjects(), (std::vector<std::string>{"Later", "Mine"}));
    engine->Folders().RemoveAll();
    EXPECT_EQ(engine->Folders().Count(), 0u);
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Later", "Mine"}));
    // Removing a folder that is not in the set changes nothing.
    Unwatch(shared.get());
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Later", "Mine"}));
}

TEST_F(MirrorTest, WithoutBackFolderTheFolderStillLeavesTheSet)
{
    Item("Mine");
    Watch(shared.get());
    engine->SetNoBackFolder(true);
    EXPECT_EQ(engine->Folders().RemoveItemsFromBackfolder(engine.get(), shared.get()), MAPI_E_NOT_INITIALIZED);
    Unwatch(shared.get());
    EXPECT_EQ(engine->Folders().Count(), 0u);
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Mine"});
}

TEST_F(MirrorTest, ALaterReReadStartsFromTheFirstRow)
{
    for (int i = 0; i < 45; ++i)
        Item("Item " + std::to_string(100 + i));
    Watch(shared.get());
    ASSERT_EQ(Copies().size(), 45u);
    Notify(shared.get(), TABLE_CHANGED);
    Notify(shared.get(), TABLE_RELOAD);
    EXPECT_EQ(Copies().size(), 45u);
    for (ULONG event : {TABLE_SORT_DONE, TABLE_SETCOL_DONE, TABLE_ERROR})
        Notify(shared.get(), event);
    EXPECT_EQ(Copies().size(), 45u);
    auto* folder = static_cast<CLVFolder*>(shared.get());
    ASSERT_TRUE(folder->CachedRows());
    EXPECT_EQ(folder->CachedRows()->cRows, 45u);
}

TEST_F(MirrorTest, DuplicateCopiesOfOneItemGoTogether)
{
    const Bytes a = Item("A");
    const Bytes b = Item("B");
    Watch(shared.get());
    auto copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    // Two more copies of each, as an earlier fault or a second watcher could have left them.
    ComPtr<IMAPIFolder> back = BackFolder();
    for (const auto& c : copies) {
        SBinary id{static_cast<ULONG>(c.entryId.size()), const_cast<BYTE*>(c.entryId.data())};
        ENTRYLIST list{1, &id};
        ASSERT_EQ(back->CopyMessages(&list, nullptr, back.get(), 0, nullptr, 0), S_OK);
    }
    ASSERT_EQ(Copies().size(), 4u);
    // The item's deletion takes every copy of it.
    Delete(sharedFolder.get(), a);
    Pump();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"B", "B"}));
    // A rewrite keeps one copy per item.
    Notify(shared.get(), TABLE_RELOAD);
    EXPECT_EQ(Subjects(), std::vector<std::string>{"B"});
}

TEST_F(MirrorTest, LateBoundWatching)
{
    Item("Mine");
    VARIANT engineArg;
    VariantInit(&engineArg);
    engineArg.vt = VT_DISPATCH;
    engineArg.pdispVal = engine.get();
    ASSERT_EQ(Late(shared.get(), u"Advise", DISPATCH_METHOD, {engineArg}, nullptr), S_OK);
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Mine"});
    ASSERT_EQ(Late(shared.get(), u"Unadvise", DISPATCH_METHOD, {}, nullptr), S_OK);
    Item("Later");
    Pump();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Mine"});
}

} // namespace

namespace {

TEST_F(MirrorTest, AFailedReReadRewritesNothing)
{
    const Bytes a = Item("A");
    Item("B");
    Watch(shared.get());
    ASSERT_EQ(Copies().size(), 2u);
    // A's reminder flag is damaged in the file, and the change journal names A: the table reads
    // A again and fails, while the folder itself stays readable.
    auto objectId = [](const Bytes& entryId) {
        long long id = 0;
        for (std::size_t i = 0; i < 8; ++i)
            id |= static_cast<long long>(entryId[entryId.size() - 8 + i]) << (8 * i);
        return id;
    };
    const ULONG reminderSet = NamedTag(sharedFolder.get(), PSETID_Common, kPidLidReminderSet, PT_BOOLEAN);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(publicPath.c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    const std::string item = std::to_string(objectId(a));
    const std::string sql = "UPDATE props SET value = x'01' WHERE obj = " + item + " AND tag = " +
                            std::to_string(reminderSet) + "; INSERT INTO changes(obj, parent, type) VALUES(" + item +
                            ", " + std::to_string(objectId(GetBinary(sharedFolder.get(), PR_ENTRYID))) + ", 5);";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    mapi::StoreFile::NewBatch(); // the next call looks for other writers' changes
    Notify(shared.get(), TABLE_RELOAD);
    // Without the rows, a rewrite would have taken both copies for copies of items that are gone.
    EXPECT_EQ(Copies().size(), 2u);
}

} // namespace
