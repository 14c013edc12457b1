// Smaller behaviours of stores, folders and messages: receive folders, read flags, message
// status, property streams, copies that keep the destination's values, store kinds.
#include "MapiTestUtil.h"

#include "com/Stream.h"

#include <cstring>

using namespace mapitest;

namespace {

Bytes ReceiveFolder(IMsgStore* store, const char* cls, std::string* explicitClass = nullptr)
{
    ULONG cb = 0;
    LPENTRYID eid = nullptr;
    LPTSTR found = nullptr;
    if (FAILED(store->GetReceiveFolder(const_cast<char*>(cls), 0, &cb, &eid, &found)))
        return {};
    Bytes out(reinterpret_cast<char*>(eid), cb);
    if (explicitClass)
        *explicitClass = found;
    MAPIFreeBuffer(eid);
    MAPIFreeBuffer(found);
    return out;
}

} // namespace

TEST_F(StoreTest, ReceiveFoldersMatchTheLongestClassPrefix)
{
    const Bytes inbox = ReceiveFolder(store.get(), "");
    ASSERT_FALSE(inbox.empty());
    auto reports = NewFolder(Subtree().get(), "Reports");
    const Bytes eid = GetBin(reports.get(), PR_ENTRYID);
    ASSERT_EQ(store->SetReceiveFolder(const_cast<char*>("IPM.Report"), 0, ULONG(eid.size()), (LPENTRYID)eid.data()),
              S_OK);
    std::string cls;
    EXPECT_EQ(ReceiveFolder(store.get(), "IPM.Report.Daily", &cls), eid);
    EXPECT_EQ(cls, "IPM.Report");
    EXPECT_EQ(ReceiveFolder(store.get(), "ipm.report", &cls), eid); // classes compare without case
    EXPECT_EQ(ReceiveFolder(store.get(), "IPM.Reporting", &cls), inbox); // only at a "." boundary
    EXPECT_EQ(cls, "");
    EXPECT_EQ(ReceiveFolder(store.get(), "IPM.Note"), inbox);
    // Removing the class falls back to the default again.
    ASSERT_EQ(store->SetReceiveFolder(const_cast<char*>("IPM.Report"), 0, 0, nullptr), S_OK);
    EXPECT_EQ(ReceiveFolder(store.get(), "IPM.Report.Daily"), inbox);
}

TEST_F(StoreTest, ReadFlagsAndMessageStatusAreKeptWithoutASave)
{
    auto folder = NewFolder(Subtree().get(), "Flags");
    auto a = NewMessage(folder.get(), "a");
    auto b = NewMessage(folder.get(), "b");
    const Bytes ea = GetBin(a.get(), PR_ENTRYID);
    SBinary bin{ULONG(ea.size()), (LPBYTE)ea.data()};
    ENTRYLIST one{1, &bin};
    ASSERT_EQ(folder->SetReadFlags(&one, 0, nullptr, CLEAR_READ_FLAG), S_OK);
    EXPECT_FALSE(GetLong(OpenAs<IMessage>(store.get(), ea, 0).get(), PR_MESSAGE_FLAGS) & MSGFLAG_READ);
    EXPECT_TRUE(GetLong(OpenAs<IMessage>(store.get(), GetBin(b.get(), PR_ENTRYID), 0).get(), PR_MESSAGE_FLAGS) &
                MSGFLAG_READ);
    ASSERT_EQ(folder->SetReadFlags(nullptr, 0, nullptr, 0), S_OK); // all messages
    EXPECT_TRUE(GetLong(OpenAs<IMessage>(store.get(), ea, 0).get(), PR_MESSAGE_FLAGS) & MSGFLAG_READ);

    ASSERT_EQ(b->SetReadFlag(CLEAR_READ_FLAG), S_OK);
    EXPECT_FALSE(GetLong(OpenAs<IMessage>(store.get(), GetBin(b.get(), PR_ENTRYID), 0).get(), PR_MESSAGE_FLAGS) &
                 MSGFLAG_READ);

    ULONG old = 99, status = 0;
    ASSERT_EQ(folder->SetMessageStatus(ULONG(ea.size()), (LPENTRYID)ea.data(), MSGSTATUS_HIGHLIGHTED | MSGSTATUS_TAGGED,
                                       MSGSTATUS_HIGHLIGHTED, &old),
              S_OK);
    EXPECT_EQ(old, 0u);
    ASSERT_EQ(folder->GetMessageStatus(ULONG(ea.size()), (LPENTRYID)ea.data(), 0, &status), S_OK);
    EXPECT_EQ(status, static_cast<ULONG>(MSGSTATUS_HIGHLIGHTED)); // only the masked bit changes
}

TEST_F(StoreTest, PropertyStreamsSeekResizeAndRespectAccess)
{
    auto folder = NewFolder(Subtree().get(), "Streams");
    auto msg = NewMessage(folder.get(), "s");
    ASSERT_EQ(SetText(msg.get(), PR_BODY, "0123456789"), S_OK);
    ComPtr<IUnknown> unk;
    ASSERT_EQ(msg->OpenProperty(PR_BODY_A, &IID_IStream, 0, MAPI_MODIFY, unk.put()), S_OK);
    auto* s = static_cast<IStream*>(unk.get());
    STATSTG stat{};
    ASSERT_EQ(s->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 10u);
    ULARGE_INTEGER pos{};
    ASSERT_EQ(s->Seek(LARGE_INTEGER{-3}, STREAM_SEEK_END, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 7u);
    char buf[8] = {};
    ULONG read = 0;
    ASSERT_EQ(s->Read(buf, sizeof buf, &read), S_OK);
    EXPECT_EQ(std::string(buf, read), "789");
    EXPECT_EQ(s->Seek(LARGE_INTEGER{-20}, STREAM_SEEK_CUR, &pos), STG_E_INVALIDFUNCTION);
    ASSERT_EQ(s->SetSize(ULARGE_INTEGER{4}), S_OK);
    ASSERT_EQ(s->Seek(LARGE_INTEGER{0}, STREAM_SEEK_END, nullptr), S_OK);
    ASSERT_EQ(s->Write("X\0", 2, nullptr), S_OK); // a terminating zero is not kept
    ASSERT_EQ(s->Commit(STGC_DEFAULT), S_OK);
    EXPECT_EQ(GetText(msg.get(), PR_BODY), "0123X");

    // Read-only: the stream refuses writes, and MAPI_MODIFY is refused on a read-only message.
    ASSERT_EQ(msg->SaveChanges(0), S_OK);
    auto ro = OpenAs<IMessage>(store.get(), GetBin(msg.get(), PR_ENTRYID), 0);
    EXPECT_EQ(ro->OpenProperty(PR_BODY_A, &IID_IStream, 0, MAPI_MODIFY, unk.put()), MAPI_E_NO_ACCESS);
    ASSERT_EQ(ro->OpenProperty(PR_BODY_W, &IID_IStream, 0, 0, unk.put()), S_OK);
    EXPECT_EQ(static_cast<IStream*>(unk.get())->Write("x", 1, nullptr), STG_E_ACCESSDENIED);
    char16_t wide[8] = {};
    ASSERT_EQ(static_cast<IStream*>(unk.get())->Read(wide, sizeof wide, &read), S_OK);
    EXPECT_EQ(std::u16string(wide, read / 2), u"0123X");
    EXPECT_EQ(ro->OpenProperty(PR_SUBJECT_A, &IID_IMAPITable, 0, 0, unk.put()), MAPI_E_INTERFACE_NOT_SUPPORTED);
    EXPECT_EQ(ro->OpenProperty(PR_COMMENT_A, &IID_IStream, 0, 0, unk.put()), MAPI_E_NOT_FOUND);
}

TEST_F(StoreTest, CopyToWithNoReplaceKeepsTheDestinationsValues)
{
    auto folder = NewFolder(Subtree().get(), "NoReplace");
    auto src = NewMessage(folder.get(), "from source");
    ASSERT_EQ(SetText(src.get(), PR_BODY, "source body"), S_OK);
    ComPtr<IMessage> dst;
    ASSERT_EQ(folder->CreateMessage(nullptr, 0, dst.put()), S_OK);
    ASSERT_EQ(SetText(dst.get(), PR_SUBJECT, "kept"), S_OK);
    ASSERT_EQ(src->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, dst.get(), MAPI_NOREPLACE, nullptr), S_OK);
    EXPECT_EQ(GetText(dst.get(), PR_SUBJECT), "kept");
    EXPECT_EQ(GetText(dst.get(), PR_BODY), "source body");
    // Excluding the IMessage interface copies nothing; a wrong interface is refused.
    ComPtr<IMessage> none;
    ASSERT_EQ(folder->CreateMessage(nullptr, 0, none.put()), S_OK);
    ASSERT_EQ(src->CopyTo(1, &IID_IMessage, nullptr, 0, nullptr, &IID_IMessage, none.get(), 0, nullptr), S_OK);
    EXPECT_EQ(GetText(none.get(), PR_SUBJECT), "<missing>");
    EXPECT_EQ(src->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMAPIFolder, none.get(), 0, nullptr),
              MAPI_E_INTERFACE_NOT_SUPPORTED);
    // Error and null values in SetProps are passed over.
    SPropValue odd[2] = {};
    odd[0].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_COMMENT));
    odd[0].Value.err = MAPI_E_NOT_FOUND;
    odd[1].ulPropTag = PR_NULL;
    ASSERT_EQ(none->SetProps(2, odd, nullptr), S_OK);
    EXPECT_EQ(GetText(none.get(), PR_COMMENT), "<missing>");
}

TEST_F(StoreTest, MailboxStoresHaveTheirOwnTopFolderName)
{
    for (auto kind : {mapi::StoreKind::PrivateMailbox, mapi::StoreKind::DelegateMailbox}) {
        auto p = platform::StoresDirectory() / (kind == mapi::StoreKind::PrivateMailbox ? "own.store" : "delegate.store");
        ASSERT_EQ(mapi::CreateStoreFile(p, kind, u"Mailbox"), S_OK);
        ComPtr<IMsgStore> s;
        ASSERT_EQ(mapi::OpenStoreFile(p, 0, s.put()), S_OK);
        auto top = OpenAs<IMAPIFolder>(s.get(), GetBin(s.get(), PR_IPM_SUBTREE_ENTRYID), 0);
        EXPECT_EQ(GetText(top.get(), PR_DISPLAY_NAME), "Top of Information Store");
        EXPECT_EQ(GetBin(s.get(), PR_MDB_PROVIDER),
                  Bytes(reinterpret_cast<const char*>(mapi::ProviderUidOf(kind).ab), 16));
        EXPECT_FALSE(GetLong(s.get(), PR_STORE_SUPPORT_MASK) & STORE_LOCALSTORE);
        EXPECT_TRUE(GetLong(s.get(), PR_STORE_SUPPORT_MASK) & STORE_READONLY); // opened without MDB_WRITE
    }
}

TEST_F(StoreTest, HierarchyTablesRestrictOnFolderType)
{
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    ASSERT_EQ(store->OpenEntry(0, nullptr, nullptr, 0, &type, unk.put()), S_OK);
    auto* root = static_cast<IMAPIFolder*>(unk.get());
    ComPtr<IMAPITable> table;
    ASSERT_EQ(root->GetHierarchyTable(CONVENIENT_DEPTH | MAPI_UNICODE, table.put()), S_OK);
    SPropValue v{};
    v.ulPropTag = PR_FOLDER_TYPE;
    v.Value.l = FOLDER_SEARCH;
    SRestriction r{};
    r.rt = RES_PROPERTY;
    r.res.resProperty = {RELOP_EQ, PR_FOLDER_TYPE, &v};
    SizedSPropTagArray(2, cols) = {2, {PR_DISPLAY_NAME_W, PR_DEPTH}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), &r, nullptr, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    EXPECT_EQ(std::u16string(rows->aRow[0].lpProps[0].Value.lpszW), u"Reminders");
    EXPECT_EQ(rows->aRow[0].lpProps[1].Value.l, 1);
    FreeProws(rows);
    // The table follows a new folder deep down.
    auto deep = NewFolder(NewFolder(Subtree().get(), "Deep").get(), "Deeper");
    ASSERT_EQ(table->Restrict(nullptr, 0), S_OK);
    ASSERT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, &rows), S_OK);
    bool found = false;
    for (ULONG i = 0; i < rows->cRows; ++i)
        found |= std::u16string(rows->aRow[i].lpProps[0].Value.lpszW) == u"Deeper" && rows->aRow[i].lpProps[1].Value.l == 3;
    FreeProws(rows);
    EXPECT_TRUE(found);
}

TEST_F(StoreTest, NumericAndStringNamesAreDistinct)
{
    GUID set = MakeGuid("22222222-3333-4444-5555-666666666666");
    WCHAR name[] = u"33";
    MAPINAMEID byName{&set, MNID_STRING, {}};
    byName.Kind.lpwstrName = name;
    MAPINAMEID byId{&set, MNID_ID, {}};
    byId.Kind.lID = 33;
    MAPINAMEID otherSet{const_cast<GUID*>(&PS_PUBLIC_STRINGS), MNID_ID, {}};
    otherSet.Kind.lID = 33;
    LPMAPINAMEID list[3] = {&byName, &byId, &otherSet};
    LPSPropTagArray tags = nullptr;
    ASSERT_EQ(store->GetIDsFromNames(3, list, MAPI_CREATE, &tags), S_OK);
    EXPECT_NE(tags->aulPropTag[0], tags->aulPropTag[1]);
    EXPECT_NE(tags->aulPropTag[1], tags->aulPropTag[2]);
    MAPIFreeBuffer(tags);
    // A malformed name is an error for that name only.
    MAPINAMEID bad{nullptr, MNID_STRING, {}};
    LPMAPINAMEID badList[2] = {&bad, &byId};
    ASSERT_EQ(store->GetIDsFromNames(2, badList, MAPI_CREATE, &tags), MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(PROP_TYPE(tags->aulPropTag[0]), PT_ERROR);
    EXPECT_NE(PROP_TYPE(tags->aulPropTag[1]), PT_ERROR);
    MAPIFreeBuffer(tags);
}
