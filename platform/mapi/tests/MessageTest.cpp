// Messages: saving, modification times, attachments, recipients, CopyTo and streams.
#include "MapiTestUtil.h"

#include "com/Stream.h"

#include <cstring>

using namespace mapitest;

namespace {

std::vector<LONG> ColumnLongs(IMAPITable* table, ULONG tag)
{
    SizedSPropTagArray(1, cols) = {1, {tag}};
    LPSRowSet rows = nullptr;
    EXPECT_EQ(HrQueryAllRows(table, reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    std::vector<LONG> out;
    for (ULONG i = 0; rows && i < rows->cRows; ++i)
        out.push_back(rows->aRow[i].lpProps[0].Value.l);
    FreeProws(rows);
    return out;
}

void AddAttachment(IMessage* msg, const std::string& name, const Bytes& data)
{
    ComPtr<IAttach> att;
    ULONG num = 0;
    ASSERT_EQ(msg->CreateAttach(nullptr, 0, &num, att.put()), S_OK);
    ASSERT_EQ(SetLong(att.get(), PR_ATTACH_METHOD, ATTACH_BY_VALUE), S_OK);
    ASSERT_EQ(SetText(att.get(), PR_ATTACH_LONG_FILENAME, name), S_OK);
    ASSERT_EQ(SetBin(att.get(), PR_ATTACH_DATA_BIN, data), S_OK);
    ASSERT_EQ(att->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
}

void AddRecipient(IMessage* msg, const std::string& name, ULONG type)
{
    SPropValue props[2] = {};
    props[0].ulPropTag = PR_DISPLAY_NAME_A;
    props[0].Value.lpszA = const_cast<char*>(name.c_str());
    props[1].ulPropTag = PR_RECIPIENT_TYPE;
    props[1].Value.l = static_cast<LONG>(type);
    SRowSet list{1, {{0, 2, props}}};
    ASSERT_EQ(msg->ModifyRecipients(MODRECIP_ADD, &list), S_OK);
}

} // namespace

TEST_F(StoreTest, ModificationTimeAdvancesOnEverySave)
{
    auto folder = NewFolder(Subtree().get(), "Times");
    ComPtr<IMessage> msg;
    ASSERT_EQ(folder->CreateMessage(nullptr, 0, msg.put()), S_OK);
    ASSERT_EQ(SetText(msg.get(), PR_SUBJECT, "t"), S_OK);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    const ULONGLONG created = GetTime(msg.get(), PR_CREATION_TIME);
    ULONGLONG last = GetTime(msg.get(), PR_LAST_MODIFICATION_TIME);
    EXPECT_NE(created, 0u);
    // Saves within one clock tick, and saves that rewrite a value with itself, still advance it.
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(SetText(msg.get(), PR_SUBJECT, "t"), S_OK);
        ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
        const ULONGLONG now = GetTime(msg.get(), PR_LAST_MODIFICATION_TIME);
        EXPECT_GT(now, last);
        last = now;
    }
    // Writing the record key back (what a "touch" does) is accepted and is a change.
    const Bytes key = GetBin(msg.get(), PR_RECORD_KEY);
    ASSERT_EQ(SetBin(msg.get(), PR_RECORD_KEY, key), S_OK);
    ASSERT_EQ(msg->SaveChanges(0), S_OK);
    EXPECT_GT(GetTime(msg.get(), PR_LAST_MODIFICATION_TIME), last);
    EXPECT_EQ(GetBin(msg.get(), PR_RECORD_KEY), key);
    EXPECT_EQ(GetTime(msg.get(), PR_CREATION_TIME), created);
    EXPECT_EQ(GetText(msg.get(), PR_MESSAGE_CLASS), "IPM");
}

TEST_F(StoreTest, UnsavedChangesAreNotStored)
{
    auto folder = NewFolder(Subtree().get(), "Unsaved");
    auto msg = NewMessage(folder.get(), "saved");
    ASSERT_EQ(SetText(msg.get(), PR_SUBJECT, "not saved"), S_OK);
    const Bytes eid = GetBin(msg.get(), PR_ENTRYID);
    msg = nullptr;
    auto again = OpenAs<IMessage>(store.get(), eid);
    EXPECT_EQ(GetText(again.get(), PR_SUBJECT), "saved");
    ComPtr<IMessage> unsaved;
    ASSERT_EQ(folder->CreateMessage(nullptr, 0, unsaved.put()), S_OK);
    unsaved = nullptr;
    EXPECT_EQ(GetLong(folder.get(), PR_CONTENT_COUNT), 1);
}

TEST_F(StoreTest, AttachmentsAreSavedWithTheirMessage)
{
    auto folder = NewFolder(Subtree().get(), "Attachments");
    auto msg = NewMessage(folder.get(), "with files");
    AddAttachment(msg.get(), "a.txt", "alpha");
    AddAttachment(msg.get(), "b.bin", Bytes("\0\1\2", 3));
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_TRUE(GetLong(msg.get(), PR_MESSAGE_FLAGS) & MSGFLAG_HASATTACH);

    const Bytes eid = GetBin(msg.get(), PR_ENTRYID);
    msg = nullptr;
    auto again = OpenAs<IMessage>(store.get(), eid);
    ComPtr<IMAPITable> table;
    ASSERT_EQ(again->GetAttachmentTable(0, table.put()), S_OK);
    EXPECT_EQ(ColumnLongs(table.get(), PR_ATTACH_NUM), (std::vector<LONG>{0, 1}));
    ComPtr<IAttach> att;
    ASSERT_EQ(again->OpenAttach(1, nullptr, 0, att.put()), S_OK);
    EXPECT_EQ(GetBin(att.get(), PR_ATTACH_DATA_BIN), Bytes("\0\1\2", 3));
    EXPECT_EQ(GetText(att.get(), PR_ATTACH_LONG_FILENAME), "b.bin");

    // The data also reads as a stream.
    ComPtr<IUnknown> unk;
    ASSERT_EQ(att->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, unk.put()), S_OK);
    auto* stream = static_cast<IStream*>(unk.get());
    char buf[8] = {};
    ULONG read = 0;
    ASSERT_EQ(stream->Read(buf, sizeof buf, &read), S_OK);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(buf[2], 2);

    ASSERT_EQ(again->DeleteAttach(0, 0, nullptr, 0), S_OK);
    ASSERT_EQ(again->SaveChanges(0), S_OK);
    EXPECT_EQ(ColumnLongs(table.get(), PR_ATTACH_NUM), (std::vector<LONG>{1}));
    EXPECT_EQ(again->OpenAttach(0, nullptr, 0, att.put()), MAPI_E_NOT_FOUND);
}

TEST_F(StoreTest, BodyWrittenThroughAStream)
{
    auto folder = NewFolder(Subtree().get(), "Streams");
    auto msg = NewMessage(folder.get(), "body");
    ComPtr<IUnknown> unk;
    ASSERT_EQ(msg->OpenProperty(PR_BODY_A, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY, unk.put()), S_OK);
    auto* stream = static_cast<IStream*>(unk.get());
    const char text[] = "streamed body";
    ASSERT_EQ(stream->Write(text, sizeof text - 1, nullptr), S_OK);
    ASSERT_EQ(stream->Commit(0), S_OK);
    ASSERT_EQ(msg->SaveChanges(0), S_OK);
    EXPECT_EQ(GetText(msg.get(), PR_BODY), "streamed body");
}

TEST_F(StoreTest, WideTextStreamSizedFirstKeepsItsBytesAcrossCommits)
{
    auto folder = NewFolder(Subtree().get(), "Streams");
    auto msg = NewMessage(folder.get(), "wide");
    ComPtr<IUnknown> unk;
    ASSERT_EQ(msg->OpenProperty(PR_BODY_W, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY, unk.put()), S_OK);
    auto* stream = static_cast<IStream*>(unk.get());
    // Sized first: the room reads as zeros until written.
    ULARGE_INTEGER room{};
    room.QuadPart = 10;
    ASSERT_EQ(stream->SetSize(room), S_OK);
    char16_t back[5] = {u'?', u'?', u'?', u'?', u'?'};
    ULONG read = 0;
    ASSERT_EQ(stream->Read(back, sizeof back, &read), S_OK);
    EXPECT_EQ(read, 10u);
    EXPECT_EQ(std::u16string(back, 5), std::u16string(5, u'\0'));
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
    const char16_t text[] = u"wide"; // with its terminator: 10 bytes
    ASSERT_EQ(stream->Write(text, sizeof text, nullptr), S_OK);
    ASSERT_EQ(stream->Commit(0), S_OK);
    EXPECT_EQ(GetText(msg.get(), PR_BODY), "wide");
    // After the commit the stream still holds what was written, the terminator too.
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, sizeof text);
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(stream->Read(back, sizeof back, &read), S_OK);
    EXPECT_EQ(std::u16string(back, 5), std::u16string(text, 5));
    // Written again: the new text replaces it at the next commit only.
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(stream->Write(u"W", 2, nullptr), S_OK);
    EXPECT_EQ(GetText(msg.get(), PR_BODY), "wide");
    ASSERT_EQ(stream->Commit(0), S_OK);
    ASSERT_EQ(msg->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(GetText(msg.get(), PR_BODY), "Wide");
    unk = nullptr;
    // Opened for reading, it reads the saved value.
    ASSERT_EQ(msg->OpenProperty(PR_BODY_W, &IID_IStream, 0, 0, unk.put()), S_OK);
    stream = static_cast<IStream*>(unk.get());
    char16_t again[4] = {};
    ASSERT_EQ(stream->Read(again, sizeof again, &read), S_OK);
    EXPECT_EQ(read, 8u);
    EXPECT_EQ(std::u16string(again, 4), u"Wide");
}

TEST_F(StoreTest, RecipientsAreAddedModifiedAndRemovedByRowId)
{
    auto folder = NewFolder(Subtree().get(), "Recipients");
    auto msg = NewMessage(folder.get(), "to several");
    AddRecipient(msg.get(), "Ann", MAPI_TO);
    AddRecipient(msg.get(), "Bob", MAPI_CC);
    AddRecipient(msg.get(), "Cid", MAPI_BCC);
    ComPtr<IMAPITable> table;
    ASSERT_EQ(msg->GetRecipientTable(0, table.put()), S_OK);
    EXPECT_EQ(ColumnLongs(table.get(), PR_ROWID), (std::vector<LONG>{0, 1, 2}));

    SPropValue mod[2] = {};
    mod[0].ulPropTag = PR_ROWID;
    mod[0].Value.l = 1;
    mod[1].ulPropTag = PR_DISPLAY_NAME_A;
    mod[1].Value.lpszA = const_cast<char*>("Bert");
    SRowSet modList{1, {{0, 2, mod}}};
    ASSERT_EQ(msg->ModifyRecipients(MODRECIP_MODIFY, &modList), S_OK);
    SRowSet removeList{1, {{0, 1, mod}}};
    mod[0].Value.l = 0;
    ASSERT_EQ(msg->ModifyRecipients(MODRECIP_REMOVE, &removeList), S_OK);
    ASSERT_EQ(msg->SaveChanges(0), S_OK);

    const Bytes eid = GetBin(msg.get(), PR_ENTRYID);
    auto again = OpenAs<IMessage>(store.get(), eid);
    ASSERT_EQ(again->GetRecipientTable(0, table.put()), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_ROWID, PR_DISPLAY_NAME_A}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_EQ(rows->aRow[0].lpProps[0].Value.l, 1);
    EXPECT_STREQ(rows->aRow[0].lpProps[1].Value.lpszA, "Bert");
    EXPECT_STREQ(rows->aRow[1].lpProps[1].Value.lpszA, "Cid");
    // The engine's clean-up: every row removed at once.
    ASSERT_EQ(again->ModifyRecipients(MODRECIP_REMOVE, rows), S_OK);
    FreeProws(rows);
    EXPECT_EQ(ColumnLongs(table.get(), PR_ROWID), (std::vector<LONG>{}));
}

TEST_F(StoreTest, CopyToHonoursTheExclusionList)
{
    auto folder = NewFolder(Subtree().get(), "Copy");
    auto src = NewMessage(folder.get(), "source");
    ASSERT_EQ(SetText(src.get(), PR_BODY, "the body"), S_OK);
    ASSERT_EQ(SetLong(src.get(), PROP_TAG(PT_LONG, 0x6720), 7), S_OK);
    AddAttachment(src.get(), "x.txt", "x");
    AddRecipient(src.get(), "Ann", MAPI_TO);
    ASSERT_EQ(src->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

    ComPtr<IMessage> dst;
    ASSERT_EQ(folder->CreateMessage(nullptr, 0, dst.put()), S_OK);
    SizedSPropTagArray(2, exclude) = {2, {PR_RECORD_KEY, PROP_TAG(PT_LONG, 0x6720)}};
    ASSERT_EQ(src->CopyTo(0, nullptr, reinterpret_cast<LPSPropTagArray>(&exclude), 0, nullptr, &IID_IMessage, dst.get(),
                          0, nullptr),
              S_OK);
    ASSERT_EQ(dst->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(GetText(dst.get(), PR_SUBJECT), "source");
    EXPECT_EQ(GetText(dst.get(), PR_BODY), "the body");
    EXPECT_EQ(GetLong(dst.get(), PROP_TAG(PT_LONG, 0x6720)), -1);
    EXPECT_NE(GetBin(dst.get(), PR_RECORD_KEY), GetBin(src.get(), PR_RECORD_KEY));
    ComPtr<IMAPITable> t;
    ASSERT_EQ(dst->GetAttachmentTable(0, t.put()), S_OK);
    EXPECT_EQ(ColumnLongs(t.get(), PR_ATTACH_NUM).size(), 1u);
    ASSERT_EQ(dst->GetRecipientTable(0, t.put()), S_OK);
    EXPECT_EQ(ColumnLongs(t.get(), PR_ROWID).size(), 1u);

    // Excluding the attachment and recipient objects leaves them out.
    ComPtr<IMessage> bare;
    ASSERT_EQ(folder->CreateMessage(nullptr, 0, bare.put()), S_OK);
    SizedSPropTagArray(2, objs) = {2, {PR_MESSAGE_ATTACHMENTS, PR_MESSAGE_RECIPIENTS}};
    ASSERT_EQ(src->CopyTo(0, nullptr, reinterpret_cast<LPSPropTagArray>(&objs), 0, nullptr, &IID_IMessage, bare.get(), 0,
                          nullptr),
              S_OK);
    ASSERT_EQ(bare->GetAttachmentTable(0, t.put()), S_OK);
    EXPECT_TRUE(ColumnLongs(t.get(), PR_ATTACH_NUM).empty());
    ASSERT_EQ(bare->GetRecipientTable(0, t.put()), S_OK);
    EXPECT_TRUE(ColumnLongs(t.get(), PR_ROWID).empty());
    EXPECT_EQ(GetText(bare.get(), PR_SUBJECT), "source");
}

namespace {

// The id of a string-named property of PS_PUBLIC_STRINGS in the object's store (made when asked).
ULONG NamedId(IMAPIProp* obj, const char16_t* name, ULONG flags)
{
    MAPINAMEID id{};
    id.lpguid = const_cast<LPGUID>(&PS_PUBLIC_STRINGS);
    id.ulKind = MNID_STRING;
    id.Kind.lpwstrName = const_cast<LPWSTR>(name);
    LPMAPINAMEID list[] = {&id};
    LPSPropTagArray tags = nullptr;
    if (FAILED(obj->GetIDsFromNames(1, list, flags, &tags)) || !tags)
        return 0;
    const ULONG tag = tags->aulPropTag[0];
    MAPIFreeBuffer(tags);
    return PROP_TYPE(tag) == PT_ERROR ? 0 : PROP_ID(tag);
}

} // namespace

TEST_F(StoreTest, CopyToAnotherStoreCarriesNamedPropertiesByName)
{
    const auto otherPath = platform::StoresDirectory() / "other.store";
    ASSERT_EQ(mapi::CreateStoreFile(otherPath, mapi::StoreKind::Personal, u"Other"), S_OK);
    ComPtr<IMsgStore> other;
    ASSERT_EQ(mapi::OpenStoreFile(otherPath, MDB_WRITE, other.put()), S_OK);
    // The other store hands out its first ids to other names, so the same name gets another id.
    ASSERT_NE(NamedId(other.get(), u"Unrelated", MAPI_CREATE), 0u);
    ASSERT_NE(NamedId(other.get(), u"Unrelated too", MAPI_CREATE), 0u);

    auto src = NewMessage(NewFolder(Subtree().get(), "Here").get(), "named");
    const ULONG colour = NamedId(src.get(), u"Colour", MAPI_CREATE);
    ASSERT_NE(colour, 0u);
    ASSERT_EQ(SetLong(src.get(), PROP_TAG(PT_LONG, colour), 42), S_OK);
    ASSERT_EQ(src->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

    auto otherSubtree = OpenAs<IMAPIFolder>(other.get(), GetBin(other.get(), PR_IPM_SUBTREE_ENTRYID));
    ComPtr<IMessage> dst;
    ASSERT_EQ(otherSubtree->CreateMessage(nullptr, 0, dst.put()), S_OK);
    ASSERT_EQ(src->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IMessage, dst.get(), 0, nullptr), S_OK);
    ASSERT_EQ(dst->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

    const ULONG there = NamedId(dst.get(), u"Colour", 0);
    ASSERT_NE(there, 0u);
    EXPECT_NE(there, colour);
    EXPECT_EQ(GetLong(dst.get(), PROP_TAG(PT_LONG, there)), 42);
    // Nothing landed on the id the name has in the source store.
    EXPECT_EQ(GetLong(dst.get(), PROP_TAG(PT_LONG, colour)), -1);
    EXPECT_EQ(GetText(dst.get(), PR_SUBJECT), "named");
}

TEST_F(StoreTest, ReadOnlyMessagesRefuseChanges)
{
    auto folder = NewFolder(Subtree().get(), "ReadOnly");
    auto msg = NewMessage(folder.get(), "ro");
    auto ro = OpenAs<IMessage>(store.get(), GetBin(msg.get(), PR_ENTRYID), 0);
    EXPECT_EQ(SetText(ro.get(), PR_SUBJECT, "changed"), MAPI_E_NO_ACCESS);
    EXPECT_EQ(ro->SaveChanges(0), MAPI_E_NO_ACCESS);
}

TEST_F(StoreTest, SavingADeletedMessageFails)
{
    auto folder = NewFolder(Subtree().get(), "Deleted");
    auto msg = NewMessage(folder.get(), "doomed");
    Bytes eid = GetBin(msg.get(), PR_ENTRYID);
    SBinary bin{ULONG(eid.size()), (LPBYTE)eid.data()};
    ENTRYLIST list{1, &bin};
    ASSERT_EQ(folder->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    ASSERT_EQ(SetText(msg.get(), PR_SUBJECT, "resurrect"), S_OK);
    EXPECT_EQ(msg->SaveChanges(0), MAPI_E_OBJECT_DELETED);
    EXPECT_EQ(GetLong(folder.get(), PR_CONTENT_COUNT), 0);
}
