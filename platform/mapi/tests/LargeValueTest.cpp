// Large property values: kept out of the properties' tree, written and read in pieces when very
// large, removed with their properties and objects, copied between stores whole; files of the
// older layout (every value in the tree) read as they are and take the new layout when written.
#include "MapiTestUtil.h"

#include <sqlite3.h>

#include <string>

using namespace mapitest;

namespace {

class LargeValueTest : public StoreTest {
protected:
    // Rows of a table of the file, read past the store layer.
    long long Count(const char* sql)
    {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        long long n = -1;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return n;
    }
    long long BigValues() { return Count("SELECT count(*) FROM bigvalues"); }

    // Changes the file past the store layer (the store closed first).
    void ChangeFile(const char* sql)
    {
        store = nullptr;
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    static Bytes Pattern(std::size_t n, unsigned seed)
    {
        Bytes b(n, '\0');
        for (std::size_t i = 0; i < n; ++i)
            b[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 12)) & 0xFF);
        return b;
    }

    static Bytes AttachmentData(IMessage* m, ULONG num)
    {
        ComPtr<IAttach> att;
        EXPECT_EQ(m->OpenAttach(num, nullptr, 0, att.put()), S_OK);
        return att ? GetBin(att.get(), PR_ATTACH_DATA_BIN) : Bytes();
    }

    static void Attach(IMessage* m, const Bytes& data)
    {
        ComPtr<IAttach> att;
        ULONG num = 0;
        ASSERT_EQ(m->CreateAttach(nullptr, 0, &num, att.put()), S_OK);
        ASSERT_EQ(SetBin(att.get(), PR_ATTACH_DATA_BIN, data), S_OK);
        ASSERT_EQ(att->SaveChanges(0), S_OK);
    }

    ComPtr<IMessage> Reopen(IMessage* m)
    {
        store = nullptr; // the next open reads the file anew
        EXPECT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
        return OpenAs<IMessage>(store.get(), GetBin(m, PR_ENTRYID));
    }
};

TEST_F(LargeValueTest, SmallMiddleAndHugeValuesComeBackWhole)
{
    auto folder = NewFolder(Subtree().get(), "Big");
    auto m = NewMessage(folder.get(), "sizes");
    const std::string body(300, 'b');                 // out of the tree, read by a query
    const Bytes huge = Pattern(3u << 20, 1);           // streamed both ways
    const Bytes edge = Pattern((1u << 20) + 1, 2);     // just past the streaming size
    ASSERT_EQ(SetText(m.get(), PR_BODY, body), S_OK);
    ASSERT_EQ(SetBin(m.get(), PROP_TAG(PT_BINARY, 0x6701), Pattern(255, 3)), S_OK); // stays in the tree
    Attach(m.get(), huge);
    Attach(m.get(), edge);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(BigValues(), 3);

    auto again = Reopen(m.get());
    ASSERT_TRUE(again);
    EXPECT_EQ(GetText(again.get(), PR_BODY), body);
    EXPECT_EQ(GetBin(again.get(), PROP_TAG(PT_BINARY, 0x6701)), Pattern(255, 3));
    EXPECT_TRUE(AttachmentData(again.get(), 0) == huge);
    EXPECT_TRUE(AttachmentData(again.get(), 1) == edge);
}

TEST_F(LargeValueTest, ReplacedDeletedAndRemovedValuesLeaveNothingBehind)
{
    auto folder = NewFolder(Subtree().get(), "Big");
    auto m = NewMessage(folder.get(), "changes");
    ASSERT_EQ(SetText(m.get(), PR_BODY, std::string(5000, 'x')), S_OK);
    Attach(m.get(), Pattern(2u << 20, 4));
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(BigValues(), 2);

    // Saved again: the old values go, the new ones come.
    ASSERT_EQ(SetText(m.get(), PR_BODY, std::string(6000, 'y')), S_OK);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(BigValues(), 2);
    SizedSPropTagArray(1, body) = {1, {PR_BODY_W}};
    ASSERT_EQ(m->DeleteProps(reinterpret_cast<LPSPropTagArray>(&body), nullptr), S_OK);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(BigValues(), 1);

    // Folder properties are written at once, one by one.
    ASSERT_EQ(SetText(folder.get(), PR_COMMENT, std::string(1000, 'c')), S_OK);
    ASSERT_EQ(SetText(folder.get(), PR_COMMENT, std::string(900, 'd')), S_OK);
    EXPECT_EQ(BigValues(), 2);
    EXPECT_EQ(GetText(folder.get(), PR_COMMENT), std::string(900, 'd'));

    // A folder deleted with its message takes every value along.
    const Bytes eid = GetBin(folder.get(), PR_ENTRYID);
    m = nullptr;
    folder = nullptr;
    ASSERT_EQ(Subtree()->DeleteFolder(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(const_cast<char*>(eid.data())),
                                      0, nullptr, DEL_FOLDERS | DEL_MESSAGES),
              S_OK);
    EXPECT_EQ(BigValues(), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM props WHERE typeof(value) = 'integer'"), 0);
}

TEST_F(LargeValueTest, MessageCopiedToAnotherStoreKeepsItsLargeValues)
{
    const auto otherPath = platform::StoresDirectory() / "other.store";
    ASSERT_EQ(mapi::CreateStoreFile(otherPath, mapi::StoreKind::Personal, u"Other"), S_OK);
    ComPtr<IMsgStore> other;
    ASSERT_EQ(mapi::OpenStoreFile(otherPath, MDB_WRITE, other.put()), S_OK);
    auto target = OpenAs<IMAPIFolder>(other.get(), GetBin(other.get(), PR_IPM_SUBTREE_ENTRYID));

    auto m = NewMessage(Subtree().get(), "copied");
    const std::string body(200000, 'q');
    const Bytes data = Pattern(3u << 20, 5);
    ASSERT_EQ(SetText(m.get(), PR_BODY, body), S_OK);
    Attach(m.get(), data);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

    ComPtr<IMessage> copy;
    ASSERT_EQ(target->CreateMessage(nullptr, 0, copy.put()), S_OK);
    ASSERT_EQ(m->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, copy.get(), 0, nullptr), S_OK);
    ASSERT_EQ(copy->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    // Changing the copy leaves the original as it was.
    ASSERT_EQ(SetText(copy.get(), PR_BODY, "changed"), S_OK);
    ASSERT_EQ(copy->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(GetText(m.get(), PR_BODY), body);

    auto read = OpenAs<IMessage>(other.get(), GetBin(copy.get(), PR_ENTRYID));
    ASSERT_TRUE(read);
    EXPECT_EQ(GetText(read.get(), PR_SUBJECT), "copied");
    EXPECT_EQ(GetText(read.get(), PR_BODY), "changed");
    EXPECT_TRUE(AttachmentData(read.get(), 0) == data);
}

TEST_F(LargeValueTest, FileOfTheOlderLayoutIsReadAndTakesTheNewOneWhenWritten)
{
    auto m = NewMessage(Subtree().get(), "old layout");
    const std::string body(3000, 'o');
    const Bytes data = Pattern(2u << 20, 6);
    ASSERT_EQ(SetText(m.get(), PR_BODY, body), S_OK);
    Attach(m.get(), data);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const Bytes eid = GetBin(m.get(), PR_ENTRYID);
    m = nullptr;

    // The file as the first layout kept it: every value in the tree, no bigvalues, version 1.
    ChangeFile("UPDATE props SET value = (SELECT b.value FROM bigvalues b WHERE b.id = abs(props.value))"
               " WHERE typeof(value) = 'integer'; DROP TABLE bigvalues; UPDATE meta SET value = 1 WHERE key = 'version';");
    EXPECT_EQ(Count("SELECT count(*) FROM sqlite_master WHERE name = 'bigvalues'"), 0);

    ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    EXPECT_EQ(Count("SELECT value FROM meta WHERE key = 'version'"), 2);
    auto old = OpenAs<IMessage>(store.get(), eid);
    ASSERT_TRUE(old);
    EXPECT_EQ(GetText(old.get(), PR_BODY), body);
    EXPECT_TRUE(AttachmentData(old.get(), 0) == data);

    // Values written now go out of the tree; the old ones stay where they are, readable.
    auto fresh = NewMessage(Subtree().get(), "new layout");
    ASSERT_EQ(SetText(fresh.get(), PR_BODY, body), S_OK);
    ASSERT_EQ(fresh->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(BigValues(), 1);
    ASSERT_EQ(SetText(old.get(), PR_SUBJECT, "old, saved again"), S_OK);
    ASSERT_EQ(old->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(BigValues(), 3);
    auto reread = Reopen(old.get());
    ASSERT_TRUE(reread);
    EXPECT_EQ(GetText(reread.get(), PR_BODY), body);
    EXPECT_TRUE(AttachmentData(reread.get(), 0) == data);
}

TEST_F(LargeValueTest, ReferenceToAMissingValueIsReportedAsDamage)
{
    auto m = NewMessage(Subtree().get(), "dangling");
    ASSERT_EQ(SetText(m.get(), PR_BODY, std::string(1000, 'z')), S_OK);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const Bytes eid = GetBin(m.get(), PR_ENTRYID);
    m = nullptr;
    ChangeFile("DELETE FROM bigvalues");
    ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    EXPECT_EQ(store->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(const_cast<char*>(eid.data())),
                               nullptr, 0, &type, unk.put()),
              MAPI_E_CORRUPT_STORE);
}

} // namespace
