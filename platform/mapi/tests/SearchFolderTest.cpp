// Search folders: criteria kept and handed back, contents that follow the store, and the
// Reminders folder every store starts with.
#include "MapiTestUtil.h"

#include "base/MessageLoop.h"

#include <functional>

namespace {

using namespace mapitest;

class SearchFolderTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        GUID common = PSETID_Common;
        MAPINAMEID name{&common, MNID_ID, {}};
        name.Kind.lID = 0x8503;
        LPMAPINAMEID names = &name;
        LPSPropTagArray tags = nullptr;
        ASSERT_EQ(store->GetIDsFromNames(1, &names, MAPI_CREATE, &tags), S_OK);
        reminderSet = CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_BOOLEAN);
        MAPIFreeBuffer(tags);
    }

    ComPtr<IMAPIFolder> Special(IMAPIProp* holder, ULONG tag) { return OpenAs<IMAPIFolder>(store.get(), GetBin(holder, tag)); }

    ComPtr<IMAPIFolder> Inbox()
    {
        ULONG cb = 0;
        LPENTRYID eid = nullptr;
        EXPECT_EQ(store->GetReceiveFolder(nullptr, 0, &cb, &eid, nullptr), S_OK);
        auto inbox = OpenAs<IMAPIFolder>(store.get(), Bytes(reinterpret_cast<const char*>(eid), cb));
        MAPIFreeBuffer(eid);
        return inbox;
    }

    void AddItem(IMAPIFolder* folder, const std::string& subject, bool reminder)
    {
        auto m = NewMessage(folder, subject);
        SPropValue v{};
        v.ulPropTag = reminderSet;
        v.Value.b = reminder ? 1 : 0;
        ASSERT_EQ(HrSetOneProp(m.get(), &v), S_OK);
        ASSERT_EQ(m->SaveChanges(0), S_OK);
    }

    std::vector<std::string> Subjects(IMAPIFolder* folder)
    {
        ComPtr<IMAPITable> table;
        EXPECT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
        SizedSPropTagArray(1, cols) = {1, {PR_SUBJECT_A}};
        SizedSSortOrderSet(1, sort) = {1, 0, 0, {{PR_SUBJECT_A, TABLE_SORT_ASCEND}}};
        LPSRowSet rows = nullptr;
        EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr,
                                 reinterpret_cast<LPSSortOrderSet>(&sort), 0, &rows),
                  S_OK);
        std::vector<std::string> out;
        for (ULONG i = 0; rows && i < rows->cRows; ++i)
            out.push_back(rows->aRow[i].lpProps[0].Value.lpszA);
        FreeProws(rows);
        return out;
    }

    // Points the search at other folders, keeping its restriction.
    HRESULT Rescope(IMAPIFolder* search, std::vector<Bytes> folders, ULONG flags = RESTART_SEARCH)
    {
        LPSRestriction res = nullptr;
        LPENTRYLIST list = nullptr;
        ULONG state = 0;
        HRESULT hr = search->GetSearchCriteria(0, &res, &list, &state);
        if (FAILED(hr))
            return hr;
        std::vector<SBinary> bins;
        for (auto& f : folders)
            bins.push_back({ULONG(f.size()), reinterpret_cast<LPBYTE>(f.data())});
        ENTRYLIST scope{ULONG(bins.size()), bins.data()};
        hr = search->SetSearchCriteria(res, &scope, flags);
        MAPIFreeBuffer(res);
        MAPIFreeBuffer(list);
        return hr;
    }

    ULONG reminderSet = 0;
};

} // namespace

TEST_F(SearchFolderTest, EveryStoreHasARemindersFolderThatFindsItemsWithAReminder)
{
    auto inbox = Inbox();
    EXPECT_EQ(GetBin(inbox.get(), PR_REM_ONLINE_ENTRYID), GetBin(inbox.get(), PR_REM_OFFLINE_ENTRYID));
    LPSPropValue offline = nullptr;
    ASSERT_EQ(HrGetOneProp(store.get(), PR_STORE_OFFLINE, &offline), S_OK);
    EXPECT_EQ(offline->Value.b, 0);
    MAPIFreeBuffer(offline);

    auto reminders = Special(inbox.get(), PR_REM_ONLINE_ENTRYID);
    ASSERT_TRUE(reminders);
    EXPECT_EQ(GetLong(reminders.get(), PR_FOLDER_TYPE), LONG(FOLDER_SEARCH));
    LPSRestriction res = nullptr;
    LPENTRYLIST list = nullptr;
    ULONG state = 0;
    ASSERT_EQ(reminders->GetSearchCriteria(0, &res, &list, &state), S_OK);
    EXPECT_EQ(state, SEARCH_RUNNING | SEARCH_RECURSIVE);
    ASSERT_EQ(list->cValues, 1u);
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(list->lpbin[0].lpb), list->lpbin[0].cb),
              GetBin(store.get(), PR_IPM_SUBTREE_ENTRYID));
    ASSERT_EQ(res->rt, RES_AND);
    ASSERT_EQ(res->res.resAnd.cRes, 2u);
    EXPECT_EQ(res->res.resAnd.lpRes[0].rt, RES_EXIST);
    EXPECT_EQ(res->res.resAnd.lpRes[0].res.resExist.ulPropTag, reminderSet);
    EXPECT_EQ(res->res.resAnd.lpRes[1].res.resProperty.lpProp->ulPropTag, reminderSet);
    EXPECT_EQ(res->res.resAnd.lpRes[1].res.resProperty.lpProp->Value.b, 1);
    MAPIFreeBuffer(res);
    MAPIFreeBuffer(list);

    auto calendar = Special(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID);
    auto deeper = NewFolder(calendar.get(), "Deeper");
    AddItem(calendar.get(), "meeting", true);
    AddItem(calendar.get(), "no reminder", false);
    AddItem(deeper.get(), "deep", true);
    NewMessage(inbox.get(), "plain mail");
    EXPECT_EQ(Subjects(reminders.get()), (std::vector<std::string>{"deep", "meeting"}));
    // Its entries open the items themselves.
    ComPtr<IMAPITable> table;
    ASSERT_EQ(reminders->GetContentsTable(0, table.put()), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_ENTRYID, PR_PARENT_ENTRYID}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    ASSERT_EQ(rows->cRows, 2u);
    auto item = OpenAs<IMessage>(store.get(), Bytes(reinterpret_cast<const char*>(rows->aRow[0].lpProps[0].Value.bin.lpb),
                                                    rows->aRow[0].lpProps[0].Value.bin.cb));
    EXPECT_TRUE(item);
    FreeProws(rows);
    // Nothing can be created in it.
    ComPtr<IMessage> m;
    EXPECT_EQ(reminders->CreateMessage(nullptr, 0, m.put()), MAPI_E_NO_SUPPORT);
}

TEST_F(SearchFolderTest, PointingTheRemindersAtTheOutboxHidesThemAndBackShowsThem)
{
    auto inbox = Inbox();
    auto reminders = Special(inbox.get(), PR_REM_ONLINE_ENTRYID);
    auto calendar = Special(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID);
    AddItem(calendar.get(), "meeting", true);
    ASSERT_EQ(Subjects(reminders.get()).size(), 1u);

    ASSERT_EQ(Rescope(reminders.get(), {GetBin(store.get(), PR_IPM_OUTBOX_ENTRYID)}), S_OK);
    EXPECT_TRUE(Subjects(reminders.get()).empty());
    LPENTRYLIST list = nullptr;
    ULONG state = 0;
    ASSERT_EQ(reminders->GetSearchCriteria(0, nullptr, &list, &state), S_OK);
    EXPECT_EQ(list->cValues, 1u);
    EXPECT_TRUE(state & SEARCH_RECURSIVE); // the flags given kept the search recursive
    MAPIFreeBuffer(list);

    ASSERT_EQ(Rescope(reminders.get(), {GetBin(store.get(), PR_IPM_SUBTREE_ENTRYID)}), S_OK);
    EXPECT_EQ(Subjects(reminders.get()), std::vector<std::string>{"meeting"});

    // A shallow search of the listed folders only.
    ASSERT_EQ(Rescope(reminders.get(),
                      {GetBin(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID), GetBin(inbox.get(), PR_IPM_TASK_ENTRYID)},
                      RESTART_SEARCH | SHALLOW_SEARCH),
              S_OK);
    auto deeper = NewFolder(calendar.get(), "Deeper");
    AddItem(deeper.get(), "deep", true);
    EXPECT_EQ(Subjects(reminders.get()), std::vector<std::string>{"meeting"});
    ASSERT_EQ(reminders->GetSearchCriteria(0, nullptr, nullptr, &state), S_OK);
    EXPECT_EQ(state, SEARCH_RUNNING);
}

TEST_F(SearchFolderTest, CriteriaRoundTripWithTheirStringWidth)
{
    auto finder = Special(store.get(), PR_FINDER_ENTRYID);
    ComPtr<IMAPIFolder> search;
    ASSERT_EQ(finder->CreateFolder(FOLDER_SEARCH, const_cast<char*>("Found"), nullptr, nullptr, 0, search.put()), S_OK);
    LPSRestriction none = nullptr;
    EXPECT_EQ(search->GetSearchCriteria(0, &none, nullptr, nullptr), MAPI_E_NOT_INITIALIZED);
    EXPECT_EQ(Subjects(search.get()).size(), 0u);

    char word[] = "report";
    SPropValue value{};
    value.ulPropTag = PR_SUBJECT_A;
    value.Value.lpszA = word;
    SRestriction content{};
    content.rt = RES_CONTENT;
    content.res.resContent = {FL_SUBSTRING | FL_IGNORECASE, PR_SUBJECT_A, &value};
    Bytes subtree = GetBin(store.get(), PR_IPM_SUBTREE_ENTRYID);
    SBinary bin{ULONG(subtree.size()), reinterpret_cast<LPBYTE>(subtree.data())};
    ENTRYLIST scope{1, &bin};
    EXPECT_EQ(search->SetSearchCriteria(&content, nullptr, 0), MAPI_E_INVALID_PARAMETER); // first needs both
    EXPECT_EQ(search->SetSearchCriteria(&content, &scope, STOP_SEARCH | RESTART_SEARCH), MAPI_E_INVALID_PARAMETER);
    ASSERT_EQ(search->SetSearchCriteria(&content, &scope, RECURSIVE_SEARCH | FOREGROUND_SEARCH), S_OK);

    LPSRestriction res = nullptr;
    ULONG state = 0;
    ASSERT_EQ(search->GetSearchCriteria(MAPI_UNICODE, &res, nullptr, &state), S_OK);
    EXPECT_EQ(state, SEARCH_RUNNING | SEARCH_RECURSIVE | SEARCH_FOREGROUND);
    ASSERT_EQ(res->rt, RES_CONTENT);
    EXPECT_EQ(res->res.resContent.ulFuzzyLevel, FL_SUBSTRING | FL_IGNORECASE);
    EXPECT_EQ(res->res.resContent.ulPropTag, PR_SUBJECT_W);
    EXPECT_EQ(std::u16string(res->res.resContent.lpProp->Value.lpszW), u"report");
    MAPIFreeBuffer(res);
    ASSERT_EQ(search->GetSearchCriteria(0, &res, nullptr, nullptr), S_OK);
    EXPECT_EQ(res->res.resContent.ulPropTag, PR_SUBJECT_A);
    EXPECT_STREQ(res->res.resContent.lpProp->Value.lpszA, "report");
    MAPIFreeBuffer(res);

    auto inbox = Inbox();
    NewMessage(inbox.get(), "Monthly Report");
    NewMessage(inbox.get(), "lunch");
    EXPECT_EQ(Subjects(search.get()), std::vector<std::string>{"Monthly Report"});

    // A stopped search keeps what it found.
    ASSERT_EQ(search->SetSearchCriteria(nullptr, nullptr, STOP_SEARCH), S_OK);
    NewMessage(inbox.get(), "second report");
    EXPECT_EQ(Subjects(search.get()), std::vector<std::string>{"Monthly Report"});
    ASSERT_EQ(search->GetSearchCriteria(0, nullptr, nullptr, &state), S_OK);
    EXPECT_FALSE(state & SEARCH_RUNNING);
    ASSERT_EQ(search->SetSearchCriteria(nullptr, nullptr, RESTART_SEARCH), S_OK);
    EXPECT_EQ(Subjects(search.get()), (std::vector<std::string>{"Monthly Report", "second report"}));
}

TEST_F(SearchFolderTest, BadCriteriaAreRefusedAndLeaveTheOldOnes)
{
    auto inbox = Inbox();
    auto reminders = Special(inbox.get(), PR_REM_ONLINE_ENTRYID);
    // Not a search folder.
    LPSRestriction res = nullptr;
    EXPECT_EQ(inbox->GetSearchCriteria(0, &res, nullptr, nullptr), MAPI_E_NO_SUPPORT);
    EXPECT_EQ(inbox->SetSearchCriteria(nullptr, nullptr, RESTART_SEARCH), MAPI_E_NO_SUPPORT);
    // A folder of another store.
    const auto otherPath = platform::StoresDirectory() / "other.store";
    ASSERT_EQ(mapi::CreateStoreFile(otherPath, mapi::StoreKind::Personal, u"Other"), S_OK);
    ComPtr<IMsgStore> other;
    ASSERT_EQ(mapi::OpenStoreFile(otherPath, MDB_WRITE, other.put()), S_OK);
    EXPECT_EQ(Rescope(reminders.get(), {GetBin(other.get(), PR_IPM_SUBTREE_ENTRYID)}), MAPI_E_INVALID_ENTRYID);
    // A deleted folder.
    auto gone = NewFolder(Subtree().get(), "Gone");
    Bytes goneId = GetBin(gone.get(), PR_ENTRYID);
    gone = nullptr;
    ASSERT_EQ(Subtree()->DeleteFolder(ULONG(goneId.size()), reinterpret_cast<LPENTRYID>(goneId.data()), 0, nullptr,
                                      DEL_FOLDERS | DEL_MESSAGES),
              S_OK);
    EXPECT_EQ(Rescope(reminders.get(), {goneId}), MAPI_E_NOT_FOUND);
    // A restriction the store cannot evaluate.
    SRestriction count{};
    count.rt = RES_COUNT;
    EXPECT_NE(reminders->SetSearchCriteria(&count, nullptr, 0), S_OK);
    // Still the subtree.
    LPENTRYLIST list = nullptr;
    ASSERT_EQ(reminders->GetSearchCriteria(0, nullptr, &list, nullptr), S_OK);
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(list->lpbin[0].lpb), list->lpbin[0].cb),
              GetBin(store.get(), PR_IPM_SUBTREE_ENTRYID));
    MAPIFreeBuffer(list);
}

TEST_F(SearchFolderTest, AdvisedSearchContentsTellOfItemsFoundAndLost)
{
    auto inbox = Inbox();
    auto reminders = Special(inbox.get(), PR_REM_ONLINE_ENTRYID);
    auto calendar = Special(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID);
    ComPtr<IMAPITable> table;
    ASSERT_EQ(reminders->GetContentsTable(0, table.put()), S_OK);
    struct Sink : IMAPIAdviseSink {
        HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        ULONG OnNotify(ULONG c, LPNOTIFICATION n) override
        {
            for (ULONG i = 0; i < c; ++i)
                seen.push_back(n[i].info.tab.ulTableEvent);
            return 0;
        }
        std::vector<ULONG> seen;
    } sink;
    ULONG conn = 0;
    ASSERT_EQ(table->Advise(fnevTableModified, &sink, &conn), S_OK);
    auto m = NewMessage(calendar.get(), "meeting");
    SPropValue v{};
    v.ulPropTag = reminderSet;
    v.Value.b = 1;
    ASSERT_EQ(HrSetOneProp(m.get(), &v), S_OK);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    auto& loop = platform::MessageLoop::Current();
    while (loop.RunPending() > 0) {
    }
    ASSERT_EQ(sink.seen, std::vector<ULONG>{TABLE_ROW_ADDED});
    v.Value.b = 0; // dismissed
    ASSERT_EQ(HrSetOneProp(m.get(), &v), S_OK);
    ASSERT_EQ(m->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    while (loop.RunPending() > 0) {
    }
    EXPECT_EQ(sink.seen, (std::vector<ULONG>{TABLE_ROW_ADDED, TABLE_ROW_DELETED}));
    ASSERT_EQ(table->Unadvise(conn), S_OK);
}
