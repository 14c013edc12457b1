// The reminder list over real stores: the rows the fill takes for each view filter, the cells of
// the columns, the stored column layout, the list's own sink and the details pane.
#include "AddinCache.h"
#include "ColumnLayout.h"
#include "ReminderListFixture.h"

#include "RegKeyEx.h"
#include "ReminderEngine.h"
#include "base/AnswerQueue.h"
#include "base/ListView.h"
#include "host/HostApplication.h"
#include "host/HostProgram.h"
#include "mapi/MapiGuids.h"

#include <sstream>

using namespace remindertest;

namespace {

// 01.01.4501 00:00.
constexpr ULONGLONG kNever = 0x0CB34557A3DD4000ULL;

class ReminderListTest : public ReminderListFixture {
protected:
    void SetUp() override
    {
        ReminderListFixture::SetUp();
        platform::ClearAnswers();
    }

    void SetCopyBool(const std::string& subject, LONG id, bool value)
    {
        ChangeCopy(CopyOf(subject), [&](IMessage* m) { SetBool(m, PSETID_Common, id, value); });
        Pump();
    }
    void SetCopyTime(const std::string& subject, ULONGLONG value)
    {
        ChangeCopy(CopyOf(subject), [&](IMessage* m) { SetTime(m, PSETID_Common, kPidLidReminderSignalTime, value); });
        Pump();
    }
    std::vector<std::string> Subjects()
    {
        std::vector<std::string> subjects;
        for (int row = 0; row < list->GetItemCount(); ++row)
            subjects.push_back(Cell(row, 1));
        return subjects;
    }
    static ItemPlan At(const std::string& subject, std::optional<ULONGLONG> signal)
    {
        ItemPlan plan = Plan(subject);
        plan.signalTime = signal;
        return plan;
    }
    // Every column shown, in id order.
    static void ShowAllColumns()
    {
        std::vector<CReminderColumn> columns = ColumnLayout::DefaultColumns();
        for (CReminderColumn& column : columns)
            column.SetVisible(true);
        ASSERT_EQ(ColumnLayout::Write(columns), ERROR_SUCCESS);
    }
    static void WriteRaw(const std::vector<BYTE>& value)
    {
        CRegKeyEx key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);
        ASSERT_EQ(key.SetBinaryValue(ColumnLayout::kValueName, value.data(), static_cast<DWORD>(value.size())),
                  ERROR_SUCCESS);
    }
    std::vector<std::string> Headers()
    {
        std::vector<std::string> headers;
        for (int index : list->GetColumnOrderArray())
            headers.push_back(list->GetColumn(index).text);
        return headers;
    }
};

TEST_F(ReminderListTest, FiltersSortsAndSelectsDueRows)
{
    Item(At("Later", kNow + 120 * kMinute));
    Item(At("Due", kMay1st10h));
    Item(At("Exactly now", kNow));
    Item(Plan("Switched off"));
    Item(Plan("Dismissed"));
    SetCopyBool("Switched off", kPidLidReminderSet, false);
    SetCopyTime("Dismissed", kNever);

    OpenList(1);
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Due", "Exactly now", "Later"}));
    EXPECT_EQ(list->GetSelectedCount(), 2);
    EXPECT_TRUE(list->GetItemState(RowOf("Exactly now"), LVIS_SELECTED));
    EXPECT_FALSE(list->GetItemState(RowOf("Later"), LVIS_SELECTED));
    EXPECT_EQ(Cell(RowOf("Due"), 4), "since 15 minutes overdue");
    EXPECT_EQ(Cell(RowOf("Exactly now"), 4), "now");
    EXPECT_EQ(Cell(RowOf("Later"), 4), "2 hours");
    EXPECT_EQ(Detail(231), "2 items selected");

    OpenList(2);
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Due", "Exactly now"}));
    OpenList(3);
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Later"}));
    // Anything the window answers that is no filter counts as all; 16 acts as all.
    OpenList(7);
    EXPECT_EQ(list->GetItemCount(), 3);
    OpenList(16);
    EXPECT_EQ(list->GetItemCount(), 3);
}

TEST_F(ReminderListTest, CopyWithoutSignalTimeShowsUnderAllOnly)
{
    Item(At("Undated", std::nullopt));
    ChangeCopy(CopyOf("Undated"), [&](IMessage* m) {
        SizedSPropTagArray(1, tags) = {1, {NamedTag(m, PSETID_Common, kPidLidReminderSignalTime, PT_SYSTIME)}};
        m->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr);
    });
    Pump();
    OpenList(1);
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Undated"});
    EXPECT_EQ(Cell(0, 4), "");
    EXPECT_EQ(list->GetSelectedCount(), 0);
    OpenList(2);
    EXPECT_EQ(list->GetItemCount(), 0);
    OpenList(3);
    EXPECT_EQ(list->GetItemCount(), 0);
}

TEST_F(ReminderListTest, EveryColumnHasItsText)
{
    ShowAllColumns();
    CRegKeyEx international;
    ASSERT_EQ(international.Create(HKEY_CURRENT_USER, "Control Panel\\International"), ERROR_SUCCESS);
    ASSERT_EQ(international.SetStringValue("sDecimal", ","), ERROR_SUCCESS);
    ItemPlan plan = Plan("Review");
    plan.messageClass = "IPM.Task";
    Item(plan, [&](IMessage* m) {
        SetText(m, PSETID_Appointment, 0x8208, "Room 1");
        SetText(m, PSETID_Appointment, 0x822E, "Org");
        SetText(m, PSETID_Task, 0x811F, "Owen");
        SetText(m, PSETID_Common, 0x8530, "Follow up");
        SetText(m, u"ReminderEmailAddress", "ann@example.org");
        SPropValue values[6]{};
        char a[] = "A", b[] = "B";
        LPSTR keywords[] = {a, b};
        values[0].ulPropTag = CHANGE_PROP_TYPE(NamedTag(m, u"Keywords", PT_MV_STRING8), PT_MV_STRING8);
        values[0].Value.MVszA = {2, keywords};
        values[1].ulPropTag = NamedTag(m, PSETID_Task, 0x8102, PT_DOUBLE);
        values[1].Value.dbl = 0.125;
        values[2].ulPropTag = PR_FOLLOWUP_ICON;
        values[2].Value.l = 6;
        values[3].ulPropTag = NamedTag(m, u"ReminderImportance", PT_LONG);
        values[3].Value.l = 2;
        values[4].ulPropTag = NamedTag(m, u"ReminderEmail", PT_BOOLEAN);
        values[4].Value.b = 1;
        values[5].ulPropTag = PR_SENDER_NAME;
        values[5].Value.lpszA = const_cast<char*>("Sam");
        EXPECT_EQ(m->SetProps(6, values, nullptr), S_OK);
    });
    Item(Plan("Plain"));

    OpenList(1);
    ASSERT_EQ(list->GetColumnCount(), 24);
    const int row = RowOf("Review");
    ASSERT_GE(row, 0);
    EXPECT_EQ(Cell(row, 0), "");
    EXPECT_EQ(list->GetItemImage(row, 0), 5); // the task icon
    EXPECT_EQ(Cell(row, 2), "Team in Public Folders");
    EXPECT_EQ(Cell(row, 6), "Owen");
    EXPECT_EQ(Cell(row, 7), "high");
    EXPECT_EQ(Cell(row, 8), "Follow up");
    EXPECT_EQ(Cell(row, 9), "red flag");
    EXPECT_EQ(Cell(row, 10), "Yes");
    EXPECT_EQ(Cell(row, 11), "ann@example.org");
    EXPECT_EQ(Cell(row, 12), "Sam");
    EXPECT_EQ(Cell(row, 15), ""); // only mails have a sent time
    EXPECT_EQ(Cell(row, 16), "A; B");
    EXPECT_EQ(Cell(row, 17), "Org");
    EXPECT_EQ(Cell(row, 18), "Room 1");
    EXPECT_EQ(Cell(row, 21), "Owen");
    EXPECT_EQ(Cell(row, 22), "12,5%");
    EXPECT_EQ(Cell(row, 23), "");
    EXPECT_FALSE(Cell(row, 3).empty());

    const int plain = RowOf("Plain");
    EXPECT_EQ(list->GetItemImage(plain, 0), 1); // the appointment icon
    EXPECT_EQ(Cell(plain, 6), "");
    EXPECT_EQ(Cell(plain, 7), "normal");
    EXPECT_EQ(Cell(plain, 9), "no flag");
    EXPECT_EQ(Cell(plain, 10), "");
    EXPECT_EQ(Cell(plain, 16), "");
    EXPECT_EQ(Cell(plain, 22), "");
}

TEST_F(ReminderListTest, TypeIconsOfReportsAndOtherClasses)
{
    ItemPlan report = Plan("Report");
    report.messageClass = "REPORT.IPM.Note.NDR";
    Item(report);
    ItemPlan other = Plan("Other");
    other.messageClass = "IPM.Post";
    Item(other);
    OpenList(1);
    EXPECT_EQ(list->GetItemImage(RowOf("Report"), 0), 7);
    EXPECT_EQ(list->GetItemImage(RowOf("Other"), 0), 0);
}

TEST_F(ReminderListTest, RecurringRowWithARefusedPatternShowsNoTimes)
{
    ItemPlan plan = Plan("Weekly");
    plan.recurring = true;
    plan.reminderDelta = 15;
    Item(plan, [&](IMessage* m) {
        BYTE junk[] = {1, 2, 3};
        SPropValue v{};
        v.ulPropTag = NamedTag(m, PSETID_Appointment, 0x8216, PT_BINARY);
        v.Value.bin = {sizeof junk, junk};
        EXPECT_EQ(HrSetOneProp(m, &v), S_OK);
    });
    OpenList(1);
    ASSERT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(Cell(0, 4), "");
    EXPECT_EQ(Cell(0, 19), "");
    EXPECT_EQ(Cell(0, 20), "");
}

TEST_F(ReminderListTest, SinkAddsRemovesAndKeepsTheFilter)
{
    Item(At("First", kMay1st10h));
    OpenList(2);
    ASSERT_EQ(Subjects(), std::vector<std::string>{"First"});
    EXPECT_EQ(list->GetSelectedCount(), 1);
    const int before = updates;

    // A due item comes in; a coming one does not pass the filter of "Active Reminders".
    const Bytes second = Item(At("Second", kMay1st10h - 5 * kMinute));
    Item(At("Coming", kNow + 60 * kMinute));
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Second", "First"}));
    EXPECT_GT(updates, before);

    // A copy dismissed to 01.01.4501 is modified: it goes and does not come back.
    SetCopyTime("First", kNever);
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Second"});
    // Its reminder switched off: the modification removes the row.
    SetCopyBool("Second", kPidLidReminderSet, false);
    EXPECT_EQ(list->GetItemCount(), 0);
    // The selected count is the real one after rows went.
    EXPECT_EQ(list->GetSelectedCount(), 0);
    EXPECT_EQ(Detail(231), "0 items selected");
    (void)second;
}

TEST_F(ReminderListTest, DeletedSourceItemTakesItsRow)
{
    const Bytes id = Item(At("Gone", kMay1st10h));
    Item(At("Stays", kMay1st10h));
    OpenList(1);
    ASSERT_EQ(list->GetItemCount(), 2);
    EXPECT_EQ(list->GetSelectedCount(), 2);
    SBinary entry{static_cast<ULONG>(id.size()), const_cast<BYTE*>(id.data())};
    ENTRYLIST entries{1, &entry};
    ASSERT_EQ(calendar->DeleteMessages(&entries, 0, nullptr, 0), S_OK);
    Pump();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Stays"});
    EXPECT_EQ(list->GetSelectedCount(), 1);
}

TEST_F(ReminderListTest, DetailsPaneOfOneSelectedRow)
{
    Item(Plan("Meeting"), [&](IMessage* m) { SetText(m, PSETID_Appointment, 0x8208, "Room 7"); });
    Item(At("Other", kNow + 60 * kMinute));
    OpenList(1);
    // The one due row is selected by the fill and shown.
    EXPECT_EQ(Detail(231), "Meeting");
    list->UserSelect({RowOf("Other")});
    EXPECT_EQ(Detail(231), "Other");
    EXPECT_EQ(Detail(245), "Location: ");
    list->UserSelect({RowOf("Meeting")});
    EXPECT_EQ(Detail(231), "Meeting");
    EXPECT_EQ(Detail(245), "Location: Room 7");
    EXPECT_EQ(Detail(230).rfind("Reminder time: ", 0), 0u);
    EXPECT_GT(Detail(230).size(), std::string("Reminder time: ").size());
    EXPECT_EQ(Detail(244).rfind("Appointment time: ", 0), 0u);
    list->UserSelect({0, 1});
    EXPECT_EQ(Detail(231), "2 items selected");
    EXPECT_EQ(Detail(245), "");
}

TEST_F(ReminderListTest, OpenItemWithoutTheHostOnlyTraces)
{
    Item(Plan("Meeting"));
    OpenList(1);
    EXPECT_EQ(list->OpenItem(0), S_FALSE);
    EXPECT_EQ(list->OpenItem(5), E_FAIL);
    EXPECT_TRUE(platform::PromptRecords().empty());
}

TEST_F(ReminderListTest, OpenItemShowsTheSourceItemInTheHost)
{
    Item(Plan("Meeting"));
    Item(Plan("Elsewhere"));
    // The copy of "Elsewhere" names a store the profile does not hold.
    ChangeCopy(CopyOf("Elsewhere"), [&](IMessage* m) {
        BYTE unknown[] = {0, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
        SPropValue v{};
        v.ulPropTag = NamedTag(m, u"LVStoreID", PT_BINARY);
        v.Value.bin = {sizeof unknown, unknown};
        EXPECT_EQ(HrSetOneProp(m, &v), S_OK);
    });
    Pump();
    std::ostringstream out, err;
    host::HostOptions options;
    options.headless = true;
    options.version = "12.0.6423.1000";
    host::HostProgram program(options, out, err);
    ASSERT_TRUE(program.Start()) << err.str();
    {
        CCacheHolds holds;
        ASSERT_EQ(holds.CacheMapiSession(session.get()), S_OK);
        ASSERT_EQ(holds.CacheOutlookApplication(program.Application()), S_OK);
        OpenList(1);
        ASSERT_EQ(list->GetItemCount(), 2);
        EXPECT_EQ(list->OpenItem(RowOf("Meeting")), S_OK);
        ASSERT_EQ(program.Application()->Inspectors().size(), 1u);
        EXPECT_TRUE(platform::PromptRecords().empty());

        // A double click on a row whose store is not in the profile: the box says so.
        platform::PushAnswer("ok");
        list->UserActivate(RowOf("Elsewhere"));
        const std::vector<platform::PromptRecord> records = platform::PromptRecords();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].text, "The Store is not opened.");
        EXPECT_EQ(records[0].caption, "Lumivane Add-In");
        EXPECT_EQ(program.Application()->Inspectors().size(), 1u);
        CloseList();
    }
    program.Stop();
}

TEST_F(ReminderListTest, StoredLayoutOfTheWrongShapeGivesTheDefaults)
{
    const std::vector<std::string> defaults = {"Type", "Subject", "Reminder Due in", "Location", "Start", "End"};
    std::vector<CReminderColumn> all = ColumnLayout::DefaultColumns();
    for (CReminderColumn& column : all)
        column.SetVisible(true);
    const std::vector<BYTE> good = ColumnLayout::Format(all);

    for (std::size_t size : {std::size_t{479}, std::size_t{481}}) {
        std::vector<BYTE> value = good;
        value.resize(size);
        WriteRaw(value);
        OpenList(1);
        EXPECT_EQ(Headers(), defaults) << size;
        CloseList();
    }
    auto broken = [&](auto change) {
        std::vector<BYTE> value = good;
        change(value);
        WriteRaw(value);
        OpenList(1);
        EXPECT_EQ(Headers(), defaults);
        CloseList();
    };
    broken([](std::vector<BYTE>& v) { v[0] = 1; });               // id 1 twice
    broken([](std::vector<BYTE>& v) { v[12] = 5; });              // order 5 twice
    broken([](std::vector<BYTE>& v) { v[16] = 2; });              // visible neither 0 nor 1
    broken([](std::vector<BYTE>& v) { v[8] = 0xFF; v[9] = 0xFF; v[10] = 0xFF; v[11] = 0x7F; }); // width
    broken([](std::vector<BYTE>& v) {
        for (std::size_t i = 0; i < 24; ++i)
            v[i * 20 + 16] = 0; // nothing shown
    });
    WriteRaw(good);
    OpenList(1);
    EXPECT_EQ(list->GetColumnCount(), 24);
}

TEST_F(ReminderListTest, HeaderOrderIsRestoredAsDisplayed)
{
    OpenList(1);
    // Subject, Reminder Due in and Location rotated; Type and End swapped.
    list->UserColumnsReordered({5, 2, 3, 1, 4, 0});
    list->UserColumnResized(1, 230);
    const std::vector<std::string> shown = Headers();
    ASSERT_EQ(shown, (std::vector<std::string>{"End", "Reminder Due in", "Location", "Subject", "Start", "Type"}));
    CloseList();
    OpenList(1);
    EXPECT_EQ(Headers(), shown);
    EXPECT_EQ(list->GetColumnWidth(3), 230);
    EXPECT_EQ(list->GetColumnOrderArray(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ReminderListTest, HeaderMenuTracksTheFieldChooserCommand)
{
    OpenList(1);
    platform::PushAnswer("cancel");
    list->UserHeaderMenu(POINT{10, 10});
    const std::vector<platform::PromptRecord> records = platform::PromptRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, platform::PromptKind::Menu);
    EXPECT_TRUE(platform::AnswerErrors().empty());
}

} // namespace
