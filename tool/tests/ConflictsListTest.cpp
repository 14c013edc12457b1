// The conflicts dialog and its list without a display, over rows made by the test and stand-in
// conflicts: ticks and header summaries, the resolve modes, the preview of every type and tick,
// the buttons, Commit's outcome, the form count and the keys and clicks by column.
#include "ConflictResource.h"
#include "ConflictsListCtrl.h"
#include "DialogResource.h"
#include "DlgConflicts.h"
#include "FakeEngine.h"
#include "ToolTestSupport.h"

#include "base/DebugOutput.h"
#include "base/MessageLoop.h"
#include "base/UiLanguage.h"
#include "base/Window.h"

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>

namespace {

using L = CConflictsListCtrl;
using fakeengine::CallLog;
using fakeengine::FakeConflicts;
using fakeengine::Make;

// Rows as the conflict model makes them.
class Rows {
public:
    void Header(const std::string& local, const std::string& global)
    {
        auto pair = std::make_unique<ConflictFolderPair>();
        pair->strLocalPath = local;
        pair->strGlobalPath = global;
        rows.push_back(ConflictRow{pair.get(), nullptr});
        pairs.push_back(std::move(pair));
    }
    // A conflict with the next index.
    ConflictEntry& Entry(SHORT type, const std::string& local = "local", const std::string& global = "global")
    {
        auto entry = std::make_unique<ConflictEntry>();
        entry->nIndex = ++index;
        entry->nType = type;
        entry->strDstSubject = local;
        entry->strSrcSubject = global;
        // 2026-03-02 09:30 UTC and 10:45 UTC.
        entry->ftDstTime = FILETIME{0x2413DC00u, 0x01DCAA27u};
        entry->ftSrcTime = FILETIME{0x9E495E00u, 0x01DCAA31u};
        rows.push_back(ConflictRow{nullptr, entry.get()});
        entries.push_back(std::move(entry));
        return *entries.back();
    }
    std::vector<ConflictRow> rows;

private:
    std::vector<std::unique_ptr<ConflictEntry>> entries;
    std::vector<std::unique_ptr<ConflictFolderPair>> pairs;
    int index = 0;
};

// A stand-in dialog window that counts what the list posts to it.
class ListHost {
public:
    ListHost()
    {
        dialog = platform::CreateMessageWindow("#32770", "", [this](HWND, UINT message, WPARAM, LPARAM lParam) {
            if (message == WMU_CONFLICT_CHECK_CHANGED)
                ++checks;
            if (message == WMU_FORM_COUNT_CHANGED)
                formStates.push_back(static_cast<int>(lParam));
            return LRESULT{0};
        });
        list.Create(dialog);
    }
    ~ListHost() { DestroyWindow(dialog); }
    void Pump() { platform::MessageLoop::Current().RunPending(); }

    HWND dialog = nullptr;
    CConflictsListCtrl list;
    int checks = 0;
    std::vector<int> formStates;
};

// A conflict that only says which side's folder was asked for.
class SideConflict : public fakeengine::FakeObject<IConflict> {
public:
    explicit SideConflict(std::vector<std::string>& asked) : m_asked(asked) {}
    HRESULT STDMETHODCALLTYPE Create(IProfile*, SHORT, IUnknown*, IUnknown*, IUnknown*, IUnknown*, LPSTR) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Type(SHORT* pVal) override
    {
        *pVal = 3;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_SourceFolder(IUnknown** pVal) override
    {
        m_asked.push_back("global");
        *pVal = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_DestinationFolder(IUnknown** pVal) override
    {
        m_asked.push_back("local");
        *pVal = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_SourceEntryID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_DestinationEntryID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SourceMessage(IUnknown** pVal) override
    {
        *pVal = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_DestinationMessage(IUnknown** pVal) override
    {
        *pVal = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Resolve(SHORT) override { return E_NOTIMPL; }

private:
    std::vector<std::string>& m_asked;
};

class SideConflicts : public fakeengine::FakeObject<IConflicts> {
public:
    explicit SideConflicts(std::vector<std::string>& asked) : m_conflict(Make<SideConflict>(asked)) {}
    HRESULT STDMETHODCALLTYPE Create(IProfile*, LONG, IConflict**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override
    {
        *pVal = 100;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Items(LONG, IConflict** pVal) override
    {
        *pVal = m_conflict.get();
        (*pVal)->AddRef();
        return S_OK;
    }

private:
    ComPtr<SideConflict> m_conflict;
};

class ConflictsList : public ::testing::Test {
protected:
    // Times show in local time: the zone is fixed.
    void SetUp() override
    {
        SetThreadUILanguage(1033);
        if (const char* tz = std::getenv("TZ"))
            zone = tz;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override
    {
        SetThreadUILanguage(0);
        zone ? setenv("TZ", zone->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    std::optional<std::string> zone;
    tooltest::ConsoleBoxes boxes;
};

} // namespace

TEST_F(ConflictsList, ARowHoldsOneTickAndHeadersSummariseTheirGroup)
{
    Rows rows;
    rows.Header("*/Inbox", "*/Projects");
    rows.Entry(1);
    rows.Entry(3);
    rows.Entry(4); // a missing folder: nothing to resolve
    rows.Header("*/Calendar", "*/News");
    rows.Entry(0);
    rows.Entry(99);
    ListHost host;
    L& list = host.list;
    list.Fill(rows.rows, nullptr);
    ASSERT_EQ(list.GetItemCount(), 7);
    EXPECT_EQ(list.GetItemData(0), 0u);
    EXPECT_EQ(list.GetItemData(3), static_cast<DWORD>(L::NOTHING_TO_RESOLVE));
    EXPECT_EQ(list.GetItemData(4), static_cast<DWORD>(L::NOTHING_TO_RESOLVE)) << "a group with nothing to resolve";
    EXPECT_EQ(list.GetItemText(0, L::COL_LOCAL_SUBJECT), "*/Inbox");
    EXPECT_EQ(list.GetItemText(0, L::COL_GLOBAL_SUBJECT), "*/Projects");
    EXPECT_EQ(list.HeaderOf(6), 4);

    list.ToggleCheck(1, L::SIDE_LOCAL);
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::TICK_LOCAL));
    EXPECT_EQ(list.GetItemData(0), static_cast<DWORD>(L::SOME_LOCAL));
    list.ToggleCheck(1, L::SIDE_GLOBAL);
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::TICK_GLOBAL)) << "the other side's tick goes";
    EXPECT_EQ(list.GetItemData(0), static_cast<DWORD>(L::SOME_GLOBAL));
    list.ToggleCheck(2, L::SIDE_GLOBAL);
    EXPECT_EQ(list.GetItemData(0), static_cast<DWORD>(L::TICK_GLOBAL)) << "every row with something to resolve";
    list.ToggleCheck(2, L::SIDE_LOCAL);
    EXPECT_EQ(list.GetItemData(0), static_cast<DWORD>(L::SOME_LOCAL | L::SOME_GLOBAL));
    list.ToggleCheck(1, L::SIDE_GLOBAL);
    EXPECT_EQ(list.GetItemData(1), 0u) << "toggled off";

    // A header sets its side on the group, then clears it.
    list.ToggleCheck(0, L::SIDE_GLOBAL);
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::TICK_GLOBAL));
    EXPECT_EQ(list.GetItemData(2), static_cast<DWORD>(L::TICK_GLOBAL));
    EXPECT_EQ(list.GetItemData(3), static_cast<DWORD>(L::NOTHING_TO_RESOLVE));
    EXPECT_EQ(list.GetItemData(0), static_cast<DWORD>(L::TICK_GLOBAL));
    list.ToggleCheck(0, L::SIDE_LOCAL);
    EXPECT_EQ(list.GetItemData(0), static_cast<DWORD>(L::TICK_LOCAL));
    EXPECT_EQ(list.GetItemData(2), static_cast<DWORD>(L::TICK_LOCAL));
    list.ToggleCheck(0, L::SIDE_LOCAL);
    EXPECT_EQ(list.GetItemData(0), 0u);
    EXPECT_EQ(list.GetItemData(1), 0u);

    // Rows with nothing to resolve do not change.
    list.ToggleCheck(3, L::SIDE_LOCAL);
    list.ToggleCheck(4, L::SIDE_LOCAL);
    list.ToggleCheck(5, L::SIDE_GLOBAL);
    EXPECT_EQ(list.GetItemData(3), static_cast<DWORD>(L::NOTHING_TO_RESOLVE));
    EXPECT_EQ(list.GetItemData(4), static_cast<DWORD>(L::NOTHING_TO_RESOLVE));
    EXPECT_EQ(list.GetItemData(5), static_cast<DWORD>(L::NOTHING_TO_RESOLVE));

    host.Pump();
    EXPECT_EQ(host.checks, 8) << "each toggle that changed something told the dialog";
}

TEST_F(ConflictsList, TheModeOfEachTypeAndTick)
{
    const DWORD local = L::TICK_LOCAL, global = L::TICK_GLOBAL, both = local | global;
    struct Case {
        SHORT type;
        int local, global;
    };
    // Types 1, 5 and a destination message without a source (7) keep or delete the local one;
    // 2 and 6 delete or bring back the global one; 3 keeps either side.
    for (const Case& c : {Case{1, 3, 4}, Case{2, 2, 1}, Case{3, 3, 1}, Case{5, 3, 4}, Case{6, 2, 1}, Case{7, 3, 4}}) {
        EXPECT_EQ(L::ModeFor(c.type, local), c.local) << c.type;
        EXPECT_EQ(L::ModeFor(c.type, global), c.global) << c.type;
        EXPECT_EQ(L::ModeFor(c.type, both), c.global) << "the global tick decides: " << c.type;
        EXPECT_EQ(L::ModeFor(c.type, 0), -1) << c.type;
        EXPECT_TRUE(L::IsPending(c.type)) << c.type;
    }
    for (const SHORT type : {0, 4, 8, 99}) {
        EXPECT_EQ(L::ModeFor(type, local), -1) << type;
        EXPECT_EQ(L::ModeFor(type, global), -1) << type;
        EXPECT_FALSE(L::IsPending(type)) << type;
    }
}

TEST_F(ConflictsList, EachTypeAndTickPreviewsItsOutcome)
{
    Rows rows;
    rows.Header("*/Inbox", "*/Projects");
    for (const SHORT type : {1, 2, 3, 4, 5, 6, 7})
        rows.Entry(type, type == 2 || type == 6 ? "" : "L" + std::to_string(type),
                   type == 1 || type == 5 || type == 7 ? "" : "G" + std::to_string(type));
    ListHost host;
    L& list = host.list;
    list.Fill(rows.rows, nullptr);
    const auto row = [](SHORT type) { return static_cast<int>(type); };
    const auto texts = [&](int r) {
        return list.CellText(r, L::COL_LOCAL_SUBJECT) + "|" + list.CellText(r, L::COL_GLOBAL_SUBJECT);
    };
    const auto struck = [&](int r) {
        std::string marks;
        for (const int column : {L::COL_LOCAL_SUBJECT, L::COL_LOCAL_DATE, L::COL_GLOBAL_SUBJECT, L::COL_GLOBAL_DATE})
            marks += list.IsCellStruckOut(r, column) ? 'x' : '.';
        return marks;
    };
    EXPECT_EQ(list.CellText(row(1), L::COL_LOCAL_DATE), "02.03. 09:30") << "times in local time (UTC here)";
    EXPECT_EQ(list.CellText(row(3), L::COL_GLOBAL_DATE), "02.03. 10:45");

    // Unticked: the missing side shows the other side's texts, grey and struck out.
    EXPECT_EQ(texts(row(1)), "L1|L1");
    EXPECT_EQ(struck(row(1)), "..xx");
    EXPECT_EQ(texts(row(2)), "G2|G2");
    EXPECT_EQ(struck(row(2)), "xx..");
    EXPECT_EQ(texts(row(3)), "L3|G3");
    EXPECT_EQ(struck(row(3)), "....");
    EXPECT_EQ(texts(row(4)), "L4|G4");
    EXPECT_EQ(texts(row(7)), "L7|L7");
    EXPECT_EQ(struck(row(7)), "..xx");
    EXPECT_EQ(list.CellText(row(7), L::COL_GLOBAL_DATE), "02.03. 09:30");

    // The local side kept.
    for (const SHORT type : {1, 2, 3, 5, 6, 7})
        list.ToggleCheck(row(type), L::SIDE_LOCAL);
    EXPECT_EQ(texts(row(1)), "L1|L1");
    EXPECT_EQ(struck(row(1)), "....") << "copied back to the global store";
    EXPECT_EQ(texts(row(2)), "G2|G2");
    EXPECT_EQ(struck(row(2)), "xxxx") << "the global one is deleted too";
    EXPECT_EQ(texts(row(3)), "L3|L3");
    EXPECT_EQ(struck(row(3)), "....");
    EXPECT_EQ(texts(row(5)), "L5|L5");
    EXPECT_EQ(struck(row(5)), "....");
    EXPECT_EQ(texts(row(6)), "G6|G6");
    EXPECT_EQ(struck(row(6)), "xxxx");
    EXPECT_EQ(texts(row(7)), "L7|L7");
    EXPECT_EQ(struck(row(7)), "....");

    // The global side kept.
    for (const SHORT type : {1, 2, 3, 5, 6, 7})
        list.ToggleCheck(row(type), L::SIDE_GLOBAL);
    EXPECT_EQ(texts(row(1)), "L1|L1");
    EXPECT_EQ(struck(row(1)), "xxxx") << "the local one is deleted";
    EXPECT_EQ(texts(row(2)), "G2|G2");
    EXPECT_EQ(struck(row(2)), "....") << "copied to the local store";
    EXPECT_EQ(texts(row(3)), "G3|G3");
    EXPECT_EQ(struck(row(3)), "....");
    EXPECT_EQ(struck(row(5)), "xxxx");
    EXPECT_EQ(struck(row(6)), "....");
    EXPECT_EQ(struck(row(7)), "xxxx");

    // Icons and tick boxes.
    EXPECT_EQ(list.RowIcon(0), 0u);
    EXPECT_EQ(list.RowIcon(row(3)), static_cast<UINT>(IDI_CURRENT));
    EXPECT_EQ(list.RowIcon(row(7)), static_cast<UINT>(IDI_CURRENT)) << "ticked, as the other types";
    EXPECT_EQ(list.RowIcon(row(4)), static_cast<UINT>(IDI_NOTHING_TO_RESOLVE));
    list.ToggleCheck(row(7), L::SIDE_GLOBAL);
    EXPECT_EQ(list.RowIcon(row(7)), static_cast<UINT>(IDI_PENDING));
    EXPECT_EQ(list.StateImage(row(7), L::SIDE_GLOBAL), 0);
    EXPECT_EQ(list.StateImage(row(3), L::SIDE_GLOBAL), 1);
    EXPECT_EQ(list.StateImage(row(3), L::SIDE_LOCAL), 0);
    EXPECT_EQ(list.StateImage(row(4), L::SIDE_LOCAL), 3);
    EXPECT_EQ(list.StateImage(0, L::SIDE_GLOBAL), 6) << "a header with some rows ticked";
    EXPECT_EQ(list.StateImage(0, L::SIDE_LOCAL), 4);
}

TEST_F(ConflictsList, KeysAndClicksByColumn)
{
    Rows rows;
    rows.Header("*/Inbox", "*/Projects");
    rows.Entry(3);
    rows.Entry(3);
    std::vector<std::string> asked;
    auto conflicts = Make<SideConflicts>(asked);
    ListHost host;
    L& list = host.list;
    list.Fill(rows.rows, conflicts.get());
    // The forms open in the profile's stores; without the stores nothing opens, but the side
    // asked for shows.
    fakeengine::CallLog log;
    auto profile = Make<fakeengine::FakeProfile>(log, 1, fakeengine::FakeProfileSetup{});
    list.SetProfile(profile.get());

    // A press on a text or date column makes its side active; on a tick column it also ticks.
    list.OnButtonDown(1, L::COL_GLOBAL_SUBJECT);
    EXPECT_EQ(list.GetActiveSide(), L::SIDE_GLOBAL);
    EXPECT_EQ(list.GetItemData(1), 0u);
    list.OnButtonDown(1, L::COL_LOCAL_DATE);
    EXPECT_EQ(list.GetActiveSide(), L::SIDE_LOCAL);
    list.OnButtonDown(1, L::COL_GLOBAL_TICK);
    EXPECT_EQ(list.GetActiveSide(), L::SIDE_GLOBAL);
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::TICK_GLOBAL));
    list.OnButtonDown(1, L::COL_LOCAL_TICK);
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::TICK_LOCAL));
    list.OnButtonDown(1, L::COL_STATE);
    EXPECT_EQ(list.GetActiveSide(), L::SIDE_LOCAL) << "the icon column does nothing";
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::TICK_LOCAL));

    // Left and Right choose the side; Space ticks it on the selected rows.
    list.OnKeyDown(VK_RIGHT);
    EXPECT_EQ(list.GetActiveSide(), L::SIDE_GLOBAL);
    list.SetSelected(1, true);
    list.SetSelected(2, true);
    EXPECT_TRUE(list.IsCellHighlighted(1, L::COL_GLOBAL_SUBJECT));
    EXPECT_FALSE(list.IsCellHighlighted(1, L::COL_LOCAL_SUBJECT)) << "only the active side";
    list.OnKeyUp(VK_SPACE);
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::TICK_GLOBAL));
    EXPECT_EQ(list.GetItemData(2), static_cast<DWORD>(L::TICK_GLOBAL));
    EXPECT_EQ(list.GetItemData(0), static_cast<DWORD>(L::TICK_GLOBAL));
    list.OnKeyDown(VK_SPACE);
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::TICK_GLOBAL)) << "Space acts when it is released";
    // A header among other selected rows is left alone; selected alone it acts.
    list.SetSelected(0, true);
    list.OnKeyUp(VK_SPACE);
    EXPECT_EQ(list.GetItemData(1), 0u);
    EXPECT_EQ(list.GetItemData(2), 0u);
    list.SelectOnly(0);
    list.OnKeyUp(VK_SPACE);
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::TICK_GLOBAL));

    // Enter opens the active side's message of the selected conflicts; a double-click the side
    // whose text column was hit.
    list.SelectOnly(2);
    list.OnKeyDown(VK_RETURN);
    list.OnKeyDown(VK_LEFT);
    list.OnKeyDown(VK_RETURN);
    list.OnDoubleClick(1, L::COL_GLOBAL_DATE);
    list.OnDoubleClick(1, L::COL_LOCAL_SUBJECT);
    list.OnDoubleClick(1, L::COL_LOCAL_TICK);
    list.OnDoubleClick(0, L::COL_LOCAL_SUBJECT);
    EXPECT_EQ(asked, (std::vector<std::string>{"global", "local", "global", "local"}));
}

TEST_F(ConflictsList, TheButtonsFollowWhatIsTickedAndWhatIsLeft)
{
    Rows rows;
    rows.Header("*/Inbox", "*/Projects");
    rows.Entry(3, "Minutes", "Minutes (public)");
    rows.Entry(2, "", "Plan");
    rows.Entry(4);
    CallLog log;
    auto conflicts = Make<FakeConflicts>(log, std::vector<SHORT>{3, 2, 4});
    CDlgConflicts dialog(CDlgConflicts::MODE_CHANGES, rows.rows, conflicts.get(), nullptr, "Conflict resolution - A",
                         "Personal Folders", "Public Folders");
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetTitle(), "Conflict resolution - A");
    EXPECT_EQ(dialog.GetItemText(IDC_CONFLICT_LOCAL), "Local - Personal Folders");
    EXPECT_EQ(dialog.GetItemText(IDC_CONFLICT_GLOBAL), "Global - Public Folders");
    EXPECT_TRUE(dialog.IsItemShown(IDC_CONFLICT_CHANGE_TEXT));
    EXPECT_FALSE(dialog.IsItemShown(IDC_CONFLICT_DELETE_TEXT));
    EXPECT_FALSE(dialog.IsItemEnabled(IDC_COMMIT));
    EXPECT_FALSE(dialog.IsItemEnabled(IDOK));
    EXPECT_TRUE(dialog.IsItemEnabled(IDCANCEL));

    L& list = dialog.m_wndList;
    list.ToggleCheck(1, L::SIDE_GLOBAL);
    list.ToggleCheck(2, L::SIDE_LOCAL);
    platform::MessageLoop::Current().RunPending();
    EXPECT_TRUE(dialog.IsItemEnabled(IDC_COMMIT));

    dialog.ClickItem(IDC_COMMIT);
    EXPECT_EQ(log.Calls(), (std::vector<std::string>{"Conflict(1)", "Type(1)", "Resolve(1,1)", "Type(1)", "Conflict(2)",
                                                     "Type(2)", "Resolve(2,2)", "Type(2)"}));
    // Mode 1 copies the global texts, mode 2 deletes both.
    EXPECT_EQ(list.GetItemText(1, L::COL_LOCAL_SUBJECT), "Minutes (public)");
    EXPECT_EQ(list.GetItemText(1, L::COL_LOCAL_DATE), list.GetItemText(1, L::COL_GLOBAL_DATE));
    EXPECT_EQ(list.GetItemText(2, L::COL_LOCAL_SUBJECT), "(deleted)");
    EXPECT_EQ(list.GetItemText(2, L::COL_GLOBAL_SUBJECT), "(deleted)");
    EXPECT_EQ(list.GetItemText(2, L::COL_GLOBAL_DATE), "");
    EXPECT_EQ(list.GetRow(1).pEntry->nType, 0);
    EXPECT_EQ(list.RowIcon(1), static_cast<UINT>(IDI_DONE));
    EXPECT_EQ(list.GetItemData(0), static_cast<DWORD>(L::NOTHING_TO_RESOLVE)) << "the group is done";
    // Nothing is left: Close instead of Cancel.
    EXPECT_FALSE(dialog.IsItemEnabled(IDC_COMMIT));
    EXPECT_TRUE(dialog.IsItemEnabled(IDOK));
    EXPECT_FALSE(dialog.IsItemEnabled(IDCANCEL));
    dialog.ClickItem(IDOK);
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResult(), IDOK);
}

TEST_F(ConflictsList, CommitAndTheEndWaitForOpenFormsAndFailuresAreShown)
{
    Rows rows;
    rows.Header("*/Inbox", "*/Projects");
    rows.Entry(3);
    rows.Entry(1).nIndex = 9; // the collection has no such conflict
    CallLog log;
    auto conflicts = Make<FakeConflicts>(log, std::vector<SHORT>{3});
    CDlgConflicts dialog(CDlgConflicts::MODE_DELETIONS, rows.rows, conflicts.get(), nullptr, "Delete resolution - A",
                         "L", "G");
    ASSERT_TRUE(dialog.Create());
    EXPECT_TRUE(dialog.IsItemShown(IDC_CONFLICT_DELETE_ICON));
    EXPECT_FALSE(dialog.IsItemShown(IDC_CONFLICT_CHANGE_ICON));
    L& list = dialog.m_wndList;
    list.ToggleCheck(0, L::SIDE_LOCAL);
    platform::MessageLoop::Current().RunPending();
    EXPECT_TRUE(dialog.IsItemEnabled(IDC_COMMIT));

    // A form opens (its site counts itself on the list).
    platform::DebugOutputCapture debug;
    EXPECT_EQ(list.AddRef(), 2);
    EXPECT_TRUE(dialog.IsFormOpen());
    dialog.ClickItem(IDC_COMMIT);
    dialog.ClickItem(IDCANCEL);
    SendMessageA(dialog.GetSafeHwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(dialog.IsEnded());
    EXPECT_TRUE(log.Calls().empty()) << "nothing resolved";
    auto shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 3u);
    for (const auto& box : shown)
        EXPECT_EQ(box.text, "A form window is open. Close it and try again.");
    EXPECT_EQ(list.Release(), 1);
    platform::MessageLoop::Current().RunPending();
    EXPECT_FALSE(dialog.IsFormOpen());
    EXPECT_NE(debug.joined().find("CFolderDlg::AddRef\nCMessageListCtrl.m_cRef increased to 2.\n"), std::string::npos)
        << debug.joined();
    EXPECT_NE(debug.joined().find("CFolderDlg::Release\nCMessageListCtrl.m_cRef decreased to 1.\n"), std::string::npos);

    // One conflict resolves; the other cannot be read: its box, and it stays open.
    platform::ClearAnswers();
    dialog.ClickItem(IDC_COMMIT);
    shown = tooltest::Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text.rfind("The conflict could not be resolved.\r\n", 0), 0u) << shown[0].text;
    EXPECT_EQ(list.GetItemData(1), static_cast<DWORD>(L::NOTHING_TO_RESOLVE));
    EXPECT_EQ(list.GetItemData(2), static_cast<DWORD>(L::TICK_LOCAL));
    EXPECT_EQ(list.GetItemData(0), static_cast<DWORD>(L::TICK_LOCAL));
    EXPECT_TRUE(dialog.IsItemEnabled(IDC_COMMIT));
    dialog.ClickItem(IDCANCEL);
    EXPECT_EQ(dialog.GetResult(), IDCANCEL);
}
