// The reminders window over real stores: one window per process, its snooze span, snoozing,
// closing, dismissing single and recurring items and the ones that can no longer be dismissed
// at their source, the view filter and the tray icon's alert.
#include "ReminderDialog.h"
#include "ReminderListFixture.h"
#include "ReminderWindowSeam.h"

#include "PatternBuilder.h"
#include "RegKeyEx.h"
#include "ReminderEngine.h"
#include "ReminderMessages.h"
#include "TimeFixture.h"
#include "base/AnswerQueue.h"
#include "base/DialogItems.h"
#include "base/UiLanguage.h"
#include "base/Window.h"
#include "mapi/ProfileRegistry.h"

#include <sqlite3.h>

using namespace remindertest;

namespace {

constexpr ULONGLONG kNever = 0x0CB34557A3DD4000ULL;
constexpr ULONGLONG kSecond = 10000000ULL;
constexpr ULONGLONG kDay = 1440 * kMinute;

class ReminderDialogTest : public ReminderListFixture {
protected:
    void SetUp() override
    {
        ReminderListFixture::SetUp();
        platform::ClearAnswers();
        seam.Install();
    }
    void TearDown() override
    {
        if (const HWND window = CReminderDialog::RemindersWindow())
            DestroyWindow(window);
        seam.Uninstall();
        ReminderListFixture::TearDown();
    }

    // A window opened as the engine opens one (filter 0: the stored one).
    CReminderDialog* Open(LONG filterType = 1)
    {
        auto* dialog = new CReminderDialog(engine.get());
        dialog->SetFilterType(filterType);
        EXPECT_TRUE(dialog->Create());
        dialog->ActivateReminderWindow(SW_SHOW);
        window = dialog->m_hWnd;
        return dialog;
    }
    void Click(int id) { SendMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0); }
    void Type(const std::string& span) { platform::TypeDialogItemText(GetDlgItem(window, CReminderDialog::IDC_REM_SPAN), span); }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(window, id)); }

    std::optional<ULONGLONG> SignalOf(const std::string& subject)
    {
        for (const Copy& copy : Copies())
            if (copy.subject == subject)
                return copy.signalTime;
        return std::nullopt;
    }
    std::optional<bool> ReminderSetOf(const Bytes& item)
    {
        ULONG type = 0;
        ComPtr<IUnknown> object;
        ComPtr<IMessage> message;
        if (FAILED(publicStore->OpenEntry(static_cast<ULONG>(item.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(item.data())),
                                          nullptr, 0, &type, object.put())) ||
            FAILED(object.As(message)))
            return std::nullopt;
        SPropValue* value = nullptr;
        const ULONG tag = NamedTag(message.get(), PSETID_Common, kPidLidReminderSet, PT_BOOLEAN);
        if (FAILED(HrGetOneProp(message.get(), tag, &value)))
            return std::nullopt;
        const bool set = value->Value.b != 0;
        MAPIFreeBuffer(value);
        return set;
    }
    Bytes Recurring(const std::string& subject, const PatternBuilder& pattern)
    {
        ItemPlan plan = Plan(subject);
        plan.recurring = true;
        plan.reminderDelta = 15;
        plan.signalTime = kMay1st10h - 15 * kMinute;
        const std::vector<BYTE> bytes = pattern.Bytes();
        return Item(plan, [&](IMessage* m) {
            SPropValue v{};
            v.ulPropTag = NamedTag(m, PSETID_Appointment, 0x8216, PT_BINARY);
            v.Value.bin = {static_cast<ULONG>(bytes.size()), const_cast<BYTE*>(bytes.data())};
            EXPECT_EQ(HrSetOneProp(m, &v), S_OK);
        });
    }
    std::vector<platform::PromptRecord> Boxes()
    {
        std::vector<platform::PromptRecord> boxes;
        for (const platform::PromptRecord& record : platform::PromptRecords())
            if (record.kind == platform::PromptKind::MessageBox)
                boxes.push_back(record);
        return boxes;
    }

    ScopedTz utc{"UTC"};
    CReminderWindowSeam seam;
    HWND window = nullptr;
};

TEST_F(ReminderDialogTest, OneWindowPerProcess)
{
    Item(Plan("Due"));
    ASSERT_EQ(EngineSeam()->OpenRemindersWindow(engine.get(), 2), S_OK);
    const HWND first = EngineSeam()->RemindersWindow();
    ASSERT_TRUE(first);
    EXPECT_EQ(platform::WindowClassName(first), "#32770");
    EXPECT_EQ(platform::WindowName(first), "Lumivane Add-In");
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_EQ(SendMessageA(first, WMU_REMINDERS_GETFILTER, 0, 0), 2);

    // A second one goes at once; the first, minimised, is restored.
    ShowWindow(first, SW_MINIMIZE);
    ASSERT_EQ(EngineSeam()->OpenRemindersWindow(engine.get(), 0), S_OK);
    EXPECT_EQ(EngineSeam()->RemindersWindow(), first);
    EXPECT_FALSE(IsIconic(first));
    int windows = 0;
    for (HWND top : platform::TopLevelWindows())
        if (platform::WindowName(top) == "Lumivane Add-In")
            ++windows;
    EXPECT_EQ(windows, 1);

    // The engine closes it with IDCANCEL: the registration goes with it.
    SendMessageA(first, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(EngineSeam()->RemindersWindow(), nullptr);
}

TEST_F(ReminderDialogTest, SnoozeSpansInEveryLanguage)
{
    LONG minutes = 0;
    EXPECT_EQ(CReminderDialog::ParseMinutes("2,5 hours", minutes), S_OK);
    EXPECT_EQ(minutes, 150);
    EXPECT_EQ(CReminderDialog::ParseMinutes("3 Tage", minutes), S_OK);
    EXPECT_EQ(minutes, 4320);
    EXPECT_EQ(CReminderDialog::ParseMinutes("1,5 Stunden", minutes), S_OK);
    EXPECT_EQ(minutes, 90);
    EXPECT_EQ(CReminderDialog::ParseMinutes(" 2 WEEKS", minutes), S_OK);
    EXPECT_EQ(minutes, 20160);
    for (const char* refused : {"5 min", "-5 minutes", "0 minutes", "0.001 minutes", "nan minutes", "inf days", "1e300 days",
                                "3000000 weeks", "minutes", "5", "5minutes", "", "2,5,5 hours"}) {
        EXPECT_EQ(CReminderDialog::ParseMinutes(refused, minutes), S_FALSE) << refused;
        EXPECT_EQ(minutes, 0) << refused;
    }
    // Every choice offered parses, in each language.
    for (LANGID language : {LANGID(0x0409), LANGID(0x0407), LANGID(0x0410), LANGID(0x0C0A)}) {
        SetThreadUILanguage(language);
        const std::vector<std::string> choices = CReminderDialog::SnoozeChoices();
        ASSERT_EQ(choices.size(), 16u);
        const LONG expected[] = {5, 10, 15, 30, 45, 60, 120, 240, 480, 720, 1440, 2880, 4320, 5760, 10080, 20160};
        for (std::size_t i = 0; i < choices.size(); ++i) {
            EXPECT_EQ(CReminderDialog::ParseMinutes(choices[i], minutes), S_OK) << choices[i];
            EXPECT_EQ(minutes, expected[i]) << choices[i];
        }
    }
    SetThreadUILanguage(0x0409);
}

TEST_F(ReminderDialogTest, ButtonsAndChoicesFollowTheSelection)
{
    Item(Plan("Due"));
    Item([] {
        ItemPlan plan = Plan("Later");
        plan.signalTime = kNow + 60 * kMinute;
        return plan;
    }());
    CReminderDialog* dialog = Open(1);
    EXPECT_TRUE(IsDlgButtonChecked(window, CReminderDialog::IDC_REM_ALL));
    EXPECT_EQ(dialog->ListCtrl().GetSelectedCount(), 1);
    EXPECT_TRUE(Enabled(CReminderDialog::IDC_REM_AGAIN));
    EXPECT_TRUE(Enabled(CReminderDialog::IDC_REM_DELETE));
    const std::vector<std::string> choices = platform::ComboItems(GetDlgItem(window, CReminderDialog::IDC_REM_SPAN));
    EXPECT_EQ(choices, CReminderDialog::SnoozeChoices());
    char text[64] = "";
    GetDlgItemTextA(window, CReminderDialog::IDC_REM_SPAN, text, sizeof text);
    EXPECT_STREQ(text, "5 minutes");
    dialog->ListCtrl().UserSelect({});
    EXPECT_FALSE(Enabled(CReminderDialog::IDC_REM_AGAIN));
    EXPECT_FALSE(Enabled(CReminderDialog::IDC_REM_DELETE));
    EXPECT_FALSE(Enabled(CReminderDialog::IDC_REM_SPAN));
    EXPECT_TRUE(Enabled(CReminderDialog::IDC_REM_DELETE_ALL));
}

TEST_F(ReminderDialogTest, SnoozingSomeKeepsTheWindowAndAllClosesIt)
{
    Item(Plan("One"));
    Item(Plan("Two"));
    CReminderDialog* dialog = Open(1);
    ASSERT_EQ(dialog->ListCtrl().GetSelectedCount(), 2);
    dialog->ListCtrl().UserSelect({0});
    const std::string first = dialog->ListCtrl().GetItemText(0, 1);
    Type("2,5 hours");
    Click(CReminderDialog::IDC_REM_AGAIN);
    Pump();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(SignalOf(first), kNow + 150 * kMinute + kSecond);

    // A span that is none: the box, and the window stays for another try.
    dialog->ListCtrl().UserSelect({0, 1});
    platform::PushAnswer("ok");
    Type("5 min");
    Click(CReminderDialog::IDC_REM_AGAIN);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "The duration is not valid.");
    EXPECT_EQ(Boxes()[0].caption, "Lumivane Add-In");
    EXPECT_EQ(Boxes()[0].type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_TRUE(IsWindow(window));

    Type("3 Tage");
    Click(CReminderDialog::IDC_REM_AGAIN);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(SignalOf("One"), kNow + 3 * kDay + kSecond);
    EXPECT_EQ(SignalOf("Two"), kNow + 3 * kDay + kSecond);
}

TEST_F(ReminderDialogTest, ClosingBringsDueRowsBackInFiveMinutes)
{
    Item(Plan("Due"));
    ItemPlan later = Plan("Later");
    later.signalTime = kNow + 60 * kMinute;
    Item(later);
    Open(1);
    Click(IDOK);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(CReminderDialog::RemindersWindow(), nullptr);
    EXPECT_EQ(SignalOf("Due"), kNow + 5 * kMinute + kSecond);
    EXPECT_EQ(SignalOf("Later"), kNow + 60 * kMinute);
}

TEST_F(ReminderDialogTest, DismissingSwitchesTheSourceOff)
{
    const Bytes one = Item(Plan("One"));
    const Bytes two = Item(Plan("Two"));
    CReminderDialog* dialog = Open(1);
    dialog->ListCtrl().UserSelect({dialog->ListCtrl().GetItemText(0, 1) == "One" ? 0 : 1});
    Click(CReminderDialog::IDC_REM_DELETE);
    Pump();
    EXPECT_EQ(ReminderSetOf(one), false);
    EXPECT_EQ(ReminderSetOf(two), true);
    EXPECT_TRUE(IsWindow(window));
    // The mirroring took the copy away, and with it the row.
    EXPECT_EQ(dialog->ListCtrl().GetItemCount(), 1);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ReminderDialogTest, DismissingASeriesMovesOnlyTheCopy)
{
    const ULONG april1st = Minutes(2007, 4, 1);
    const Bytes going = Recurring("Daily", PatternBuilder::Daily(1, april1st, 600));
    const Bytes ended = Recurring("Ended", PatternBuilder::Daily(1, april1st, 600).Until(Minutes(2007, 5, 1)));
    Open(1);
    platform::PushAnswer("cancel");
    Click(CReminderDialog::IDC_REM_DELETE_ALL);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(SignalOf("Daily"), kMay1st10h - 15 * kMinute);
    platform::PushAnswer("ok");
    Click(CReminderDialog::IDC_REM_DELETE_ALL);
    Pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(ReminderSetOf(going), true);
    EXPECT_EQ(SignalOf("Daily"), kMay1st10h + kDay - 15 * kMinute);
    EXPECT_EQ(ReminderSetOf(ended), false);
    // The two questions, and no failure box.
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].text, "Please confirm with OK to delete all reminders.");
    EXPECT_EQ(Boxes()[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
}

TEST_F(ReminderDialogTest, RefusedPatternIsDismissedAtTheSource)
{
    PatternBuilder broken = PatternBuilder::Daily(1, Minutes(2007, 4, 1), 600);
    broken.period = 0;
    const Bytes item = Recurring("Broken", broken);
    CReminderDialog* dialog = Open(1);
    ASSERT_EQ(dialog->ListCtrl().GetItemCount(), 1);
    Click(CReminderDialog::IDC_REM_DELETE);
    EXPECT_EQ(ReminderSetOf(item), false);
}

TEST_F(ReminderDialogTest, CopiesThatCannotBeDismissedAtTheirSource)
{
    Item(Plan("Store gone, set"));
    Item(Plan("Store gone, off"));
    Item(Plan("Item gone"));
    const Bytes stays = Item(Plan("Stays"));
    auto changeCopy = [&](const std::string& subject, const std::function<void(IMessage*)>& change) {
        ChangeCopy(CopyOf(subject), change);
    };
    const BYTE unknownStore[] = {0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    for (const char* subject : {"Store gone, set", "Store gone, off"})
        changeCopy(subject, [&](IMessage* m) {
            SPropValue v{};
            v.ulPropTag = NamedTag(m, u"LVStoreID", PT_BINARY);
            v.Value.bin = {sizeof unknownStore, const_cast<BYTE*>(unknownStore)};
            EXPECT_EQ(HrSetOneProp(m, &v), S_OK);
        });
    changeCopy("Item gone", [&](IMessage* m) {
        Bytes id = GetBinary(m, NamedTag(m, u"LVEntryID", PT_BINARY));
        id.back() ^= 0x5A;
        SPropValue v{};
        v.ulPropTag = NamedTag(m, u"LVEntryID", PT_BINARY);
        v.Value.bin = {static_cast<ULONG>(id.size()), id.data()};
        EXPECT_EQ(HrSetOneProp(m, &v), S_OK);
    });
    Pump();
    CReminderDialog* dialog = Open(1);
    ASSERT_EQ(dialog->ListCtrl().GetItemCount(), 4);
    // "Store gone, off" has its reminder switched off on the copy only after the list was filled.
    changeCopy("Store gone, off", [&](IMessage* m) { SetBool(m, PSETID_Common, kPidLidReminderSet, false); });
    std::vector<int> rows;
    for (int row = 0; row < dialog->ListCtrl().GetItemCount(); ++row)
        if (dialog->ListCtrl().GetItemText(row, 1) != "Stays")
            rows.push_back(row);
    dialog->ListCtrl().UserSelect(rows);
    Click(CReminderDialog::IDC_REM_DELETE);
    Pump();
    EXPECT_EQ(SignalOf("Store gone, set"), kNever);
    EXPECT_EQ(SignalOf("Store gone, off"), kNever);
    EXPECT_EQ(SignalOf("Item gone"), kNever);
    EXPECT_EQ(ReminderSetOf(stays), true);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(dialog->ListCtrl().GetItemCount(), 1);
}

TEST_F(ReminderDialogTest, ReadOnlySourceGetsItsCopyRetired)
{
    const Bytes item = Item(Plan("Shared"));
    ASSERT_EQ(mapi::ProfileRegistry::SetStoreAccess("Work", publicPath, true, {}), S_OK);
    CReminderDialog* dialog = Open(1);
    ASSERT_EQ(dialog->ListCtrl().GetItemCount(), 1);
    Click(CReminderDialog::IDC_REM_DELETE);
    Pump();
    EXPECT_EQ(SignalOf("Shared"), kNever);
    EXPECT_EQ(ReminderSetOf(item), true);
    EXPECT_TRUE(Boxes().empty());
    // Dismissing all selected rows closes the window.
    EXPECT_FALSE(IsWindow(window));
}

// The public store refuses every change of a property from now on (another program's trigger).
void RefuseChanges(const std::filesystem::path& store)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    const char* sql = "CREATE TRIGGER refuse_insert BEFORE INSERT ON props BEGIN SELECT RAISE(ABORT, 'refused'); END;"
                      "CREATE TRIGGER refuse_update BEFORE UPDATE ON props BEGIN SELECT RAISE(ABORT, 'refused'); END;";
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

TEST_F(ReminderDialogTest, FailedSaveOfASingleDismissalIsShown)
{
    const Bytes english = Item(Plan("English"));
    const Bytes german = Item(Plan("Deutsch"));
    RefuseChanges(publicPath);
    for (LANGID language : {LANGID(0x0409), LANGID(0x0407)}) {
        SetThreadUILanguage(language);
        platform::ClearAnswers();
        const std::string subject = language == 0x0409 ? "English" : "Deutsch";
        CReminderDialog* dialog = Open(1);
        for (int row = 0; row < dialog->ListCtrl().GetItemCount(); ++row)
            if (dialog->ListCtrl().GetItemText(row, 1) == subject)
                dialog->ListCtrl().UserSelect({row});
        Click(CReminderDialog::IDC_REM_DELETE);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].text, language == 0x0409 ? "The reminder could not be dismissed (0x80004005)."
                                                       : "Die Erinnerung konnte nicht gel\xC3\xB6scht werden (0x80004005).");
        EXPECT_EQ(Boxes()[0].caption, "Lumivane Add-In");
        EXPECT_EQ(Boxes()[0].type, static_cast<UINT>(MB_ICONINFORMATION));
        Click(IDOK);
    }
    SetThreadUILanguage(0x0409);
    EXPECT_EQ(ReminderSetOf(english), true);
    EXPECT_EQ(ReminderSetOf(german), true);
}

TEST_F(ReminderDialogTest, FilterComesFromTheRegistryAndIsKept)
{
    Item(Plan("Due"));
    ItemPlan later = Plan("Later");
    later.signalTime = kNow + 60 * kMinute;
    Item(later);
    CRegKeyEx key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDWORDValue("FilterType", 7), ERROR_SUCCESS);
    CReminderDialog* dialog = Open(0);
    EXPECT_EQ(dialog->GetFilterType(), 1);
    EXPECT_TRUE(IsDlgButtonChecked(window, CReminderDialog::IDC_REM_ALL));
    EXPECT_EQ(dialog->ListCtrl().GetItemCount(), 2);
    Click(CReminderDialog::IDC_REM_FUTURE);
    EXPECT_EQ(dialog->GetFilterType(), 3);
    EXPECT_TRUE(IsDlgButtonChecked(window, CReminderDialog::IDC_REM_FUTURE));
    EXPECT_FALSE(IsDlgButtonChecked(window, CReminderDialog::IDC_REM_ALL));
    ASSERT_EQ(dialog->ListCtrl().GetItemCount(), 1);
    EXPECT_EQ(dialog->ListCtrl().GetItemText(0, 1), "Later");
    DWORD stored = 0;
    EXPECT_EQ(key.QueryDWORDValue("FilterType", stored), ERROR_SUCCESS);
    EXPECT_EQ(stored, 3u);
    Click(IDOK);
    CReminderDialog* again = Open(0);
    EXPECT_EQ(again->GetFilterType(), 3);
}

TEST_F(ReminderDialogTest, PendingRemindersBlinkTheTrayUntilActivated)
{
    Item(Plan("Due"));
    CReminderDialog* dialog = Open(2);
    SendMessageA(window, WMU_REMINDERS_PENDING, 0, 0);
    EXPECT_TRUE(dialog->Tray().Enabled());
    EXPECT_TRUE(dialog->Tray().Visible());
    EXPECT_TRUE(dialog->Tray().IsCycling());
    SendMessageA(window, WMU_REMINDERS_PENDING, 0, 0);
    EXPECT_TRUE(dialog->Tray().IsCycling());
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_FALSE(dialog->Tray().IsCycling());
    EXPECT_TRUE(dialog->Tray().IsHidden());
    SendMessageA(window, WMU_REMINDERS_PENDING, 0, 0);
    SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_FALSE(dialog->Tray().IsCycling());
}

} // namespace
