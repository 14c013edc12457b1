// Folders: creating, deleting, copying and moving messages, associated contents.
#include "MapiTestUtil.h"

using namespace mapitest;

namespace {

std::vector<std::string> Subjects(IMAPIFolder* folder, ULONG flags = 0)
{
    ComPtr<IMAPITable> table;
    EXPECT_EQ(folder->GetContentsTable(flags, table.put()), S_OK);
    SizedSPropTagArray(1, cols) = {1, {PR_SUBJECT_A}};
    LPSRowSet rows = nullptr;
    EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    std::vector<std::string> out;
    for (ULONG i = 0; rows && i < rows->cRows; ++i)
        out.push_back(PROP_TYPE(rows->aRow[i].lpProps[0].ulPropTag) == PT_STRING8 ? rows->aRow[i].lpProps[0].Value.lpszA
                                                                                   : "<none>");
    FreeProws(rows);
    return out;
}

} // namespace

TEST_F(StoreTest, CreateFolderRefusesDuplicateNamesUnlessAskedToOpen)
{
    auto subtree = Subtree();
    auto first = NewFolder(subtree.get(), "Projects");
    ComPtr<IMAPIFolder> dup;
    EXPECT_EQ(subtree->CreateFolder(FOLDER_GENERIC, const_cast<char*>("projects"), nullptr, nullptr, 0, dup.put()),
              MAPI_E_COLLISION);
    ASSERT_EQ(subtree->CreateFolder(FOLDER_GENERIC, const_cast<char*>("PROJECTS"), nullptr, nullptr, OPEN_IF_EXISTS,
                                    dup.put()),
              S_OK);
    EXPECT_EQ(GetBin(dup.get(), PR_ENTRYID), GetBin(first.get(), PR_ENTRYID));
    // A wide name with MAPI_UNICODE.
    ComPtr<IMAPIFolder> wide;
    ASSERT_EQ(subtree->CreateFolder(FOLDER_GENERIC, reinterpret_cast<LPTSTR>(const_cast<char16_t*>(u"Übersicht")),
                                    nullptr, nullptr, MAPI_UNICODE, wide.put()),
              S_OK);
    EXPECT_EQ(GetText(wide.get(), PR_DISPLAY_NAME), "Übersicht");
    EXPECT_EQ(GetLong(wide.get(), PR_FOLDER_TYPE), static_cast<LONG>(FOLDER_GENERIC));
}

TEST_F(StoreTest, DeleteFolderNeedsFlagsForContents)
{
    auto subtree = Subtree();
    auto parent = NewFolder(subtree.get(), "Parent");
    auto child = NewFolder(parent.get(), "Child");
    NewFolder(child.get(), "Grandchild");
    NewMessage(child.get(), "inside");
    Bytes eid = GetBin(child.get(), PR_ENTRYID);
    ComPtr<IMAPITable> contents;
    ASSERT_EQ(child->GetContentsTable(0, contents.put()), S_OK);
    ULONG rows = 0;
    ASSERT_EQ(contents->GetRowCount(0, &rows), S_OK);
    EXPECT_EQ(rows, 1u);
    auto del = [&](ULONG flags) {
        return parent->DeleteFolder(ULONG(eid.size()), (LPENTRYID)eid.data(), 0, nullptr, flags);
    };
    EXPECT_EQ(del(0), MAPI_E_HAS_MESSAGES);
    EXPECT_EQ(del(DEL_MESSAGES), MAPI_E_HAS_FOLDERS);
    // Only a folder's own subfolders are deleted through it.
    EXPECT_EQ(subtree->DeleteFolder(ULONG(eid.size()), (LPENTRYID)eid.data(), 0, nullptr, DEL_MESSAGES | DEL_FOLDERS),
              MAPI_E_NOT_FOUND);
    EXPECT_EQ(del(DEL_MESSAGES | DEL_FOLDERS), S_OK);
    EXPECT_EQ(GetLong(parent.get(), PR_SUBFOLDERS), 0);
    // A table that was open on the deleted folder is empty now.
    ASSERT_EQ(contents->GetRowCount(0, &rows), S_OK);
    EXPECT_EQ(rows, 0u);
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    EXPECT_EQ(store->OpenEntry(ULONG(eid.size()), (LPENTRYID)eid.data(), nullptr, 0, &type, unk.put()),
              MAPI_E_NOT_FOUND);
    // An open object of a deleted folder says so.
    EXPECT_EQ(SetText(child.get(), PR_COMMENT, "x"), MAPI_E_OBJECT_DELETED);
}

TEST_F(StoreTest, CopyAndMoveMessagesWithinAndAcrossStores)
{
    auto subtree = Subtree();
    auto a = NewFolder(subtree.get(), "A");
    auto b = NewFolder(subtree.get(), "B");
    auto m1 = NewMessage(a.get(), "one");
    auto m2 = NewMessage(a.get(), "two");
    Bytes e1 = GetBin(m1.get(), PR_ENTRYID), e2 = GetBin(m2.get(), PR_ENTRYID);
    SBinary bins[] = {{ULONG(e1.size()), (LPBYTE)e1.data()}, {ULONG(e2.size()), (LPBYTE)e2.data()}};
    ENTRYLIST one{1, bins};
    ENTRYLIST both{2, bins};

    ASSERT_EQ(a->CopyMessages(&one, nullptr, b.get(), 0, nullptr, 0), S_OK);
    EXPECT_EQ(Subjects(a.get()), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(Subjects(b.get()), (std::vector<std::string>{"one"}));

    ASSERT_EQ(a->CopyMessages(&both, nullptr, b.get(), 0, nullptr, MESSAGE_MOVE), S_OK);
    EXPECT_TRUE(Subjects(a.get()).empty());
    // Rows keep creation order: the moved messages are older than the copy.
    EXPECT_EQ(Subjects(b.get()), (std::vector<std::string>{"one", "two", "one"}));
    // A moved message keeps its entry ID and record key within the store.
    auto moved = OpenAs<IMessage>(store.get(), e1, 0);
    EXPECT_EQ(GetBin(moved.get(), PR_PARENT_ENTRYID), GetBin(b.get(), PR_ENTRYID));

    // Into another store: a copy with its own identity.
    auto otherPath = platform::StoresDirectory() / "other.store";
    ASSERT_EQ(mapi::CreateStoreFile(otherPath, mapi::StoreKind::PublicFolders, u"Public"), S_OK);
    ComPtr<IMsgStore> other;
    ASSERT_EQ(mapi::OpenStoreFile(otherPath, MDB_WRITE, other.put()), S_OK);
    auto pubTop = OpenAs<IMAPIFolder>(other.get(), GetBin(other.get(), PR_IPM_SUBTREE_ENTRYID));
    ASSERT_EQ(b->CopyMessages(&one, nullptr, pubTop.get(), 0, nullptr, MESSAGE_MOVE), S_OK);
    EXPECT_EQ(Subjects(pubTop.get()), (std::vector<std::string>{"one"}));
    EXPECT_EQ(Subjects(b.get()), (std::vector<std::string>{"two", "one"}));

    // Entries not in the folder give a partial completion.
    EXPECT_EQ(a->CopyMessages(&one, nullptr, b.get(), 0, nullptr, 0), MAPI_W_PARTIAL_COMPLETION);
}

TEST_F(StoreTest, AssociatedMessagesHaveTheirOwnTable)
{
    auto calendar = NewFolder(Subtree().get(), "Cal");
    NewMessage(calendar.get(), "normal");
    auto hidden = NewMessage(calendar.get(), "hidden", MAPI_ASSOCIATED);
    EXPECT_TRUE(GetLong(hidden.get(), PR_MESSAGE_FLAGS) & MSGFLAG_ASSOCIATED);
    EXPECT_EQ(Subjects(calendar.get()), (std::vector<std::string>{"normal"}));
    EXPECT_EQ(Subjects(calendar.get(), MAPI_ASSOCIATED), (std::vector<std::string>{"hidden"}));
    EXPECT_EQ(GetLong(calendar.get(), PR_CONTENT_COUNT), 1);
    EXPECT_EQ(GetLong(calendar.get(), PR_ASSOC_CONTENT_COUNT), 1);
    ASSERT_EQ(calendar->EmptyFolder(0, nullptr, 0), S_OK);
    EXPECT_TRUE(Subjects(calendar.get()).empty());
    EXPECT_EQ(Subjects(calendar.get(), MAPI_ASSOCIATED), (std::vector<std::string>{"hidden"}));
}

TEST_F(StoreTest, FolderPropertiesAskedForByNameComeWithWhatTheStoreComputes)
{
    auto folder = NewFolder(Subtree().get(), "Asked");
    NewMessage(folder.get(), "one");
    ASSERT_EQ(SetText(folder.get(), PR_COMMENT_A, "kept"), S_OK);
    // Stored, computed (identity, counts, access) and missing properties in one call, and then
    // each on its own: every answer the same as from a call that reads everything.
    SizedSPropTagArray(7, tags) = {7,
                                   {PR_RECORD_KEY, PR_DISPLAY_NAME_A, PR_CONTENT_COUNT, PR_BODY_A, PR_COMMENT_A,
                                    PR_PARENT_ENTRYID, PR_ACCESS}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    ASSERT_EQ(folder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values), MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 7u);
    ULONG allCount = 0;
    LPSPropValue all = nullptr;
    ASSERT_EQ(folder->GetProps(nullptr, 0, &allCount, &all), S_OK);
    const auto fromAll = [&](ULONG tag) -> const SPropValue* { return PpropFindProp(all, allCount, tag); };
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(values[0].Value.bin.lpb), values[0].Value.bin.cb),
              GetBin(folder.get(), PR_RECORD_KEY));
    EXPECT_EQ(std::string(values[1].Value.lpszA), "Asked");
    ASSERT_EQ(values[2].ulPropTag, PR_CONTENT_COUNT);
    EXPECT_EQ(values[2].Value.l, 1);
    EXPECT_EQ(values[3].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_BODY)));
    EXPECT_EQ(std::string(values[4].Value.lpszA), "kept");
    ASSERT_NE(fromAll(PR_PARENT_ENTRYID), nullptr);
    EXPECT_EQ(values[5].Value.bin.cb, fromAll(PR_PARENT_ENTRYID)->Value.bin.cb);
    ASSERT_NE(fromAll(PR_ACCESS), nullptr);
    EXPECT_EQ(values[6].Value.l, fromAll(PR_ACCESS)->Value.l);
    MAPIFreeBuffer(values);
    MAPIFreeBuffer(all);
    EXPECT_EQ(GetText(folder.get(), PR_COMMENT_A), "kept");
    EXPECT_EQ(GetLong(folder.get(), PR_FOLDER_TYPE), static_cast<LONG>(FOLDER_GENERIC));
    // A folder deleted meanwhile answers as deleted even when only computed values are asked for.
    ComPtr<IMAPIFolder> subtree = Subtree();
    const Bytes eid = GetBin(folder.get(), PR_ENTRYID);
    ASSERT_EQ(subtree->DeleteFolder(ULONG(eid.size()), reinterpret_cast<LPENTRYID>(const_cast<char*>(eid.data())), 0,
                                    nullptr, DEL_MESSAGES),
              S_OK);
    SizedSPropTagArray(1, key) = {1, {PR_RECORD_KEY}};
    EXPECT_EQ(folder->GetProps(reinterpret_cast<LPSPropTagArray>(&key), 0, &count, &values), MAPI_E_OBJECT_DELETED);
}
