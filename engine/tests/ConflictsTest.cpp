// Conflicts of a run and every way of resolving them, with their effect on the messages and on
// the run's key database.
#include "SyncFixture.h"

#include <sqlite3.h>

using namespace enginetest;

namespace {

using Types = std::vector<SHORT>;
using Contents_t = std::multimap<std::string, std::string>;

class EngineConflicts : public SyncFixture {
protected:
    // Pairs the named source messages in a first run.
    void Paired(std::initializer_list<const char*> subjects)
    {
        for (const char* s : subjects)
            Add(Src().get(), s, "orig");
        ASSERT_EQ(Sync(), Types{});
    }
    SHORT TypeOf(IConflict* c)
    {
        SHORT t = -1;
        EXPECT_EQ(c->get_Type(&t), S_OK);
        return t;
    }
    // Makes every save into a store file fail until the returned guard goes.
    struct SaveBlock {
        sqlite3* db = nullptr;
        ~SaveBlock()
        {
            sqlite3_exec(db, "DROP TRIGGER block_saves", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
    };
    std::unique_ptr<SaveBlock> BlockSaves(const std::filesystem::path& file)
    {
        auto block = std::make_unique<SaveBlock>();
        EXPECT_EQ(sqlite3_open(file.c_str(), &block->db), SQLITE_OK);
        sqlite3_busy_timeout(block->db, 5000);
        EXPECT_EQ(sqlite3_exec(block->db,
                               "CREATE TRIGGER block_saves BEFORE INSERT ON props BEGIN "
                               "SELECT RAISE(ABORT, 'disk full'); END;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        return block;
    }
};

TEST_F(EngineConflicts, CollectionIsOneBasedAndHoldsItsItems)
{
    Paired({"a"});
    SetBody(Src().get(), "a", "s");
    SetBody(Dst().get(), "a", "d");
    ASSERT_EQ(Run(), Types{3});
    ComPtr<IConflicts> conflicts;
    ASSERT_EQ(profile->get_Conflicts(conflicts.put()), S_OK);
    LONG n = 0;
    EXPECT_EQ(conflicts->get_Count(&n), S_OK);
    EXPECT_EQ(n, 1);
    ComPtr<IConflict> c;
    EXPECT_EQ(conflicts->get_Items(0, c.put()), E_INVALIDARG);
    EXPECT_EQ(conflicts->get_Items(2, c.put()), E_INVALIDARG);
    ASSERT_EQ(conflicts->get_Items(1, c.put()), S_OK);

    // The collection and its item outlive the run's end without pointing at freed memory; the
    // conflict can no longer be resolved, as its run is over.
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_EQ(profile->FinalizeSynchronize(), S_OK) << "a second call does nothing";
    ComPtr<IConflict> again;
    ASSERT_EQ(conflicts->get_Items(1, again.put()), S_OK);
    EXPECT_EQ(TypeOf(again.get()), 3);
    EXPECT_EQ(again->Resolve(1), E_UNEXPECTED);
    EXPECT_EQ(TypeOf(again.get()), 3);
    ComPtr<IUnknown> msg;
    EXPECT_EQ(again->get_SourceMessage(msg.put()), S_OK);
    EXPECT_TRUE(msg);
    msg.Release();

    // Nor by a later run (which does not raise it again: nothing touched it).
    ASSERT_EQ(Run(), Types{});
    EXPECT_EQ(again->Resolve(1), E_UNEXPECTED);
    EXPECT_EQ(Contents(Dst().get()), (Contents_t{{"a", "d"}}));
}

TEST_F(EngineConflicts, SecondRunBeforeFinalizeIsRefused)
{
    Paired({"a"});
    ASSERT_EQ(Run(), Types{});
    const auto newFile = DbPath(".new");
    const auto size = std::filesystem::file_size(newFile);
    EXPECT_EQ(profile->Synchronize(&status), E_UNEXPECTED);
    EXPECT_EQ(std::filesystem::file_size(newFile), size);
    EXPECT_TRUE(DbHas(".new", Find(Src().get(), "a")->recordKey)) << "the run's database was not rotated";
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_EQ(Run(), Types{});
}

TEST_F(EngineConflicts, ModesOutsideTheTableAreRefusedAndChangeNothing)
{
    Paired({"a"});
    SetBody(Src().get(), "a", "s");
    SetBody(Dst().get(), "a", "d");
    ASSERT_EQ(Run(), Types{3});
    ComPtr<IConflict> c = Conflict(1);
    for (SHORT mode : {SHORT(-1), SHORT(5), SHORT(99)}) {
        EXPECT_EQ(c->Resolve(mode), E_INVALIDARG) << mode;
        EXPECT_EQ(TypeOf(c.get()), 3);
    }
    for (SHORT mode : {SHORT(2), SHORT(4)}) {
        EXPECT_EQ(c->Resolve(mode), E_INVALIDARG) << mode << " is not allowed for type 3";
        EXPECT_EQ(TypeOf(c.get()), 3);
    }
    EXPECT_EQ(Contents(Src().get()), (Contents_t{{"a", "s"}}));
    EXPECT_EQ(Contents(Dst().get()), (Contents_t{{"a", "d"}}));
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_EQ(Run(), Types{}) << "nothing was touched either, so it does not come up again";
}

TEST_F(EngineConflicts, SourceWinsOrDestinationWinsOnBothChanged)
{
    Paired({"a", "b"});
    SetBody(Src().get(), "a", "src a");
    SetBody(Dst().get(), "a", "dst a");
    SetBody(Src().get(), "b", "src b");
    SetBody(Dst().get(), "b", "dst b");
    ASSERT_EQ(Run(), (Types{3, 3}));
    for (LONG i = 1; i <= 2; ++i) {
        ComPtr<IConflict> c = Conflict(i);
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(c->get_SourceMessage(unknown.put()), S_OK);
        ComPtr<IMessage> m;
        unknown.As(m);
        LPSPropValue subject = nullptr;
        ASSERT_EQ(HrGetOneProp(m.get(), PR_SUBJECT_W, &subject), S_OK);
        const bool isA = subject->Value.lpszW[0] == u'a';
        MAPIFreeBuffer(subject);
        m.Release();
        unknown.Release();
        EXPECT_EQ(c->Resolve(isA ? 1 : 3), S_OK);
        EXPECT_EQ(TypeOf(c.get()), 0);
        EXPECT_EQ(c->Resolve(4), S_OK) << "resolved again: nothing to do";
    }
    Contents_t want{{"a", "src a"}, {"b", "dst b"}};
    EXPECT_EQ(Contents(Src().get()), want);
    EXPECT_EQ(Contents(Dst().get()), want);
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_EQ(Sync(), Types{});
    EXPECT_EQ(Contents(Src().get()), want);
    EXPECT_EQ(Contents(Dst().get()), want);
}

TEST_F(EngineConflicts, KeepingBothChangedBringsTheConflictBackAfterTheRun)
{
    Paired({"a"});
    SetBody(Src().get(), "a", "s");
    SetBody(Dst().get(), "a", "d");
    ASSERT_EQ(Run(), Types{3});
    ASSERT_EQ(Conflict(1)->Resolve(0), S_OK);
    const FILETIME srcBefore = Find(Src().get(), "a")->modified;
    const FILETIME dstBefore = Find(Dst().get(), "a")->modified;
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_GT(CompareFileTime(&Find(Src().get(), "a")->modified, &srcBefore), 0) << "touched";
    EXPECT_GT(CompareFileTime(&Find(Dst().get(), "a")->modified, &dstBefore), 0) << "touched";
    EXPECT_EQ(Run(), Types{3});
    EXPECT_EQ(Contents(Src().get()), (Contents_t{{"a", "s"}}));
}

TEST_F(EngineConflicts, DeletedCopyOfAChangedSource)
{
    Paired({"keep", "restore", "drop"});
    for (const char* s : {"keep", "restore", "drop"}) {
        SetBody(Src().get(), s, std::string("new ") + s);
        Delete(Dst().get(), s);
    }
    ASSERT_EQ(Run(), (Types{2, 2, 2}));
    std::map<std::string, ComPtr<IConflict>> bySubject;
    for (LONG i = 1; i <= 3; ++i) {
        ComPtr<IConflict> c = Conflict(i);
        ComBstr id;
        c->get_SourceEntryID(id.put());
        for (const Msg& m : List(Src().get())) {
            std::string text;
            for (BYTE b : m.entryId) {
                char t[3];
                std::snprintf(t, sizeof t, "%02x", b);
                text += t;
            }
            if (text == id.Utf8())
                bySubject[m.subject] = c;
        }
    }
    ASSERT_EQ(bySubject.size(), 3u);
    const std::vector<BYTE> keepKey = Find(Src().get(), "keep")->recordKey;
    const std::vector<BYTE> restoreKey = Find(Src().get(), "restore")->recordKey;
    EXPECT_EQ(bySubject["keep"]->Resolve(3), E_INVALIDARG);
    EXPECT_EQ(bySubject["keep"]->Resolve(0), S_OK);
    EXPECT_TRUE(DbHas(".new", keepKey)) << "remembered";
    EXPECT_EQ(bySubject["restore"]->Resolve(1), S_OK);
    EXPECT_TRUE(DbHas(".new", restoreKey));
    EXPECT_EQ(bySubject["drop"]->Resolve(2), S_OK);
    EXPECT_FALSE(Find(Src().get(), "drop"));
    std::optional<Msg> restored = Find(Dst().get(), "restore");
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->body, "new restore");
    EXPECT_EQ(restored->searchKey, restoreKey);
    EXPECT_TRUE(restored->hasFolderKey);
    bySubject.clear();
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);

    // The kept one was touched and remembered: conflict 2 again, not a new copy.
    EXPECT_EQ(Run(), Types{2});
    EXPECT_FALSE(Find(Dst().get(), "keep"));
    EXPECT_EQ(Contents(Dst().get()), (Contents_t{{"restore", "new restore"}}));
}

TEST_F(EngineConflicts, DeletedSourceOfAChangedOrUnlinkedDestination)
{
    Paired({"back", "gone", "asked", "nokey"});
    for (const char* s : {"back", "gone", "asked", "nokey"})
        Delete(Src().get(), s);
    SetBody(Dst().get(), "back", "edited back");
    SetBody(Dst().get(), "gone", "edited gone");
    {
        ComPtr<IMessage> m = Open(Dst().get(), Find(Dst().get(), "nokey")->entryId);
        SizedSPropTagArray(1, tags) = {1, {tagFolderKey}};
        ASSERT_EQ(m->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr), S_OK);
        ASSERT_EQ(m->SaveChanges(0), S_OK);
    }
    profile->put_QueryDelete(1);
    Run();
    std::map<std::string, ComPtr<IConflict>> bySubject;
    {
        ComPtr<IConflicts> conflicts;
        ASSERT_EQ(profile->get_Conflicts(conflicts.put()), S_OK);
        LONG n = 0;
        conflicts->get_Count(&n);
        ASSERT_EQ(n, 4);
        for (LONG i = 1; i <= n; ++i) {
            ComPtr<IConflict> c;
            conflicts->get_Items(i, c.put());
            ComPtr<IUnknown> unknown;
            ASSERT_EQ(c->get_DestinationMessage(unknown.put()), S_OK);
            ComPtr<IMessage> m;
            unknown.As(m);
            LPSPropValue subject = nullptr;
            ASSERT_EQ(HrGetOneProp(m.get(), PR_SUBJECT_W, &subject), S_OK);
            bySubject[platform::Utf16ToUtf8(reinterpret_cast<const char16_t*>(subject->Value.lpszW))] = c;
            MAPIFreeBuffer(subject);
        }
    }
    EXPECT_EQ(TypeOf(bySubject["back"].get()), 1);
    EXPECT_EQ(TypeOf(bySubject["gone"].get()), 1);
    EXPECT_EQ(TypeOf(bySubject["asked"].get()), 5);
    EXPECT_EQ(TypeOf(bySubject["nokey"].get()), 7);
    EXPECT_EQ(bySubject["back"]->Resolve(1), E_INVALIDARG);
    EXPECT_EQ(bySubject["back"]->Resolve(2), E_INVALIDARG);
    EXPECT_EQ(bySubject["back"]->Resolve(3), S_OK);
    EXPECT_EQ(bySubject["gone"]->Resolve(4), S_OK);
    EXPECT_EQ(bySubject["asked"]->Resolve(4), S_OK);
    EXPECT_EQ(bySubject["nokey"]->Resolve(3), S_OK);
    std::optional<Msg> back = Find(Src().get(), "back");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->body, "edited back");
    EXPECT_TRUE(DbHas(".new", back->recordKey));
    EXPECT_EQ(Find(Dst().get(), "back")->searchKey, back->recordKey);
    std::optional<Msg> nokey = Find(Src().get(), "nokey");
    ASSERT_TRUE(nokey);
    EXPECT_EQ(Find(Dst().get(), "nokey")->searchKey, nokey->recordKey);
    EXPECT_TRUE(Find(Dst().get(), "nokey")->hasFolderKey);
    EXPECT_FALSE(Find(Dst().get(), "gone"));
    EXPECT_FALSE(Find(Dst().get(), "asked"));
    bySubject.clear();
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    // Both partners were saved after the run's time, so the next run sees both changed; it
    // copies nothing and loses nothing.
    EXPECT_EQ(Sync(), (Types{3, 3}));
    Contents_t want{{"back", "edited back"}, {"nokey", "orig"}};
    EXPECT_EQ(Contents(Src().get()), want);
    EXPECT_EQ(Contents(Dst().get()), want);
}

TEST_F(EngineConflicts, MissingFolderAndFailedStepsOnlyKeepBoth)
{
    ComPtr<IMAPIFolder> subtree = OpenFolder(srcStore.get(), {});
    LPSPropValue eid = nullptr;
    ASSERT_EQ(HrGetOneProp(Src("News").get(), PR_ENTRYID, &eid), S_OK);
    ASSERT_EQ(subtree->DeleteFolder(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), 0, nullptr,
                                    DEL_FOLDERS | DEL_MESSAGES),
              S_OK);
    MAPIFreeBuffer(eid);
    ASSERT_EQ(Run(), Types{4});
    ComPtr<IConflict> four = Conflict(1);
    for (SHORT mode = 1; mode <= 4; ++mode)
        EXPECT_EQ(four->Resolve(mode), E_INVALIDARG) << mode;
    EXPECT_EQ(four->Resolve(0), S_OK);
    EXPECT_EQ(TypeOf(four.get()), 0);

    // A failure record made outside a run's folders (as the run makes them).
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"Tembrix.Conflict", &clsid), S_OK);
    ComPtr<IConflict> failure;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IConflict, failure.put_void()), S_OK);
    ASSERT_EQ(failure->Create(profile.get(), 99, nullptr, nullptr, nullptr, nullptr,
                              const_cast<char*>("fatal error in line 1 : x")),
              S_OK);
    for (SHORT mode = 1; mode <= 4; ++mode)
        EXPECT_EQ(failure->Resolve(mode), E_INVALIDARG) << mode;
    EXPECT_EQ(failure->Resolve(0), S_OK);
    EXPECT_EQ(TypeOf(failure.get()), 0);
    ComBstr id;
    EXPECT_EQ(failure->get_SourceEntryID(id.put()), S_OK);
    EXPECT_EQ(id.Utf8(), "");
}

TEST_F(EngineConflicts, MessageDeletedAfterTheRunCannotBeResolved)
{
    Paired({"a"});
    SetBody(Src().get(), "a", "s");
    SetBody(Dst().get(), "a", "d");
    ASSERT_EQ(Run(), Types{3});
    Delete(Src().get(), "a");
    ComPtr<IConflict> c = Conflict(1);
    for (SHORT mode = 0; mode <= 4; ++mode)
        EXPECT_EQ(c->Resolve(mode), MAPI_E_NOT_FOUND) << mode;
    EXPECT_EQ(TypeOf(c.get()), 3);
}

TEST_F(EngineConflicts, FailedSaveOfTheCopyRecordsNoKey)
{
    Paired({"a"});
    SetBody(Src().get(), "a", "new");
    Delete(Dst().get(), "a");
    ASSERT_EQ(Run(), Types{2});
    const std::vector<BYTE> key = Find(Src().get(), "a")->recordKey;
    ComPtr<IConflict> c = Conflict(1);
    {
        auto block = BlockSaves(personal);
        EXPECT_TRUE(FAILED(c->Resolve(1)));
    }
    EXPECT_EQ(TypeOf(c.get()), 2);
    EXPECT_FALSE(DbHas(".new", key)) << "no copy, so no key";
    EXPECT_TRUE(List(Dst().get()).empty());
    c.Release();
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    // Not recorded, so the next run copies the source again instead of deleting it.
    EXPECT_EQ(Sync(), Types{});
    EXPECT_EQ(Contents(Src().get()), (Contents_t{{"a", "new"}}));
    EXPECT_EQ(Contents(Dst().get()), (Contents_t{{"a", "new"}}));
}

TEST_F(EngineConflicts, FailedSaveOfThePairingTakesTheNewSourceBack)
{
    Paired({"a"});
    Delete(Src().get(), "a");
    SetBody(Dst().get(), "a", "edited");
    ASSERT_EQ(Run(), Types{1});
    ComPtr<IConflict> c = Conflict(1);
    {
        auto block = BlockSaves(personal);
        EXPECT_TRUE(FAILED(c->Resolve(3)));
    }
    EXPECT_EQ(TypeOf(c.get()), 1);
    EXPECT_TRUE(List(Src().get()).empty()) << "the copy without its pairing is taken back";
    // Once the store takes saves again the same conflict can be resolved.
    EXPECT_EQ(c->Resolve(3), S_OK);
    std::optional<Msg> s = Find(Src().get(), "a");
    ASSERT_TRUE(s);
    EXPECT_TRUE(DbHas(".new", s->recordKey));
    c.Release();
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_EQ(Sync(), Types{3}) << "both partners are younger than the run";
    EXPECT_EQ(Contents(Src().get()), (Contents_t{{"a", "edited"}}));
    EXPECT_EQ(Contents(Dst().get()), (Contents_t{{"a", "edited"}}));
}

} // namespace
