// The conflicts dialogs on a virtual display over a real run that left every kind of conflict:
// the toolkit window shows what the display-free dialog decides, clicks on the self-drawn list
// reach its model by column, and pictures of both modes with ticks and previews go to
// build/artifacts/orvinta.
#include "ConflictList.h"
#include "ConflictResource.h"
#include "ConflictsListBody.h"
#include "ConflictsListView.h"
#include "DialogResource.h"
#include "DlgConflicts.h"
#include "DlgConflictsWnd.h"

#include "ConflictTestSupport.h"
#include "ToolkitTestEnvironment.h"
#include "WindowTestSupport.h"

#include "base/UiLanguage.h"
#include "ui/ToolkitPlatform.h"

#include <wx/stattext.h>

namespace {

using namespace conflicttest;
using namespace tooltest;
using L = CConflictsListCtrl;

// A press of the left button inside the row and column of the list on the screen.
void Press(CConflictsListView* view, int row, int column)
{
    const auto widths = view->Widths();
    int x = 0;
    for (int c = 0; c < column; ++c)
        x += widths[static_cast<std::size_t>(c)];
    wxMouseEvent event(wxEVT_LEFT_DOWN);
    event.m_x = x + widths[static_cast<std::size_t>(column)] / 2;
    event.m_y = row * CConflictsListBody::kRowHeight + CConflictsListBody::kRowHeight / 2;
    event.SetEventObject(view->Body());
    view->Body()->GetEventHandler()->ProcessEvent(event);
    Settle();
}

class ConflictWindows : public ConflictRuns {
protected:
    void SetUp() override
    {
        REQUIRE_TOOLKIT();
        ConflictRuns::SetUp();
        toolkit = std::make_unique<platform::ui::ToolkitPlatform>();
    }
    void TearDown() override
    {
        Settle();
        toolkit.reset();
        ConflictRuns::TearDown();
    }

    static int RowOfType(const L& list, SHORT type)
    {
        for (int row = 0; row < list.GetItemCount(); ++row)
            if (!list.IsHeader(row) && list.GetRow(row).pEntry->nType == type)
                return row;
        return -1;
    }

    std::unique_ptr<platform::ui::ToolkitPlatform> toolkit;
};

} // namespace

TEST_F(ConflictWindows, DeletionsShowTheirIconTextAndTheOutcomeOfEachTick)
{
    ASSERT_EQ(EveryType(true), (std::vector<SHORT>{1, 2, 3, 4, 5, 6, 7}));
    ComPtr<IConflicts> conflicts = Conflicts();
    CConflictList model;
    ASSERT_EQ(model.Load(conflicts.get(), profile.get()), 0);
    {
        CDlgConflicts dialog(CDlgConflicts::MODE_DELETIONS, model.DeleteList(), conflicts.get(), profile.get(),
                             "Delete resolution - Public", "Personal Folders", "Public Folders");
        auto* window = new CDlgConflictsWnd(nullptr, dialog);
        window->Show();
        Settle();
        EXPECT_EQ(window->GetTitle().utf8_string(), "Delete resolution - Public");
        EXPECT_TRUE(Shown(window, IDC_CONFLICT_DELETE_ICON));
        EXPECT_FALSE(Shown(window, IDC_CONFLICT_CHANGE_ICON));
        EXPECT_TRUE(Shown(window, IDC_CONFLICT_DELETE_TEXT));
        EXPECT_FALSE(Shown(window, IDC_CONFLICT_CHANGE_TEXT));
        EXPECT_EQ(Label(window, IDC_CONFLICT_LOCAL), "Local - Personal Folders");
        EXPECT_EQ(Label(window, IDC_CONFLICT_GLOBAL), "Global - Public Folders");
        CConflictsListView* view = window->List();
        ASSERT_TRUE(view);
        EXPECT_EQ(view->Body()->GetRowCount(), 3u);
        EXPECT_FALSE(Enabled(window, IDC_COMMIT)) << "nothing ticked";
        EXPECT_FALSE(Enabled(window, IDOK)) << "something left";
        EXPECT_TRUE(Enabled(window, IDCANCEL));

        // A click in a tick column ticks that side; a click on a subject only selects the row.
        const int five = RowOfType(dialog.m_wndList, 5);
        const int six = RowOfType(dialog.m_wndList, 6);
        ASSERT_GT(five, 0);
        ASSERT_GT(six, 0);
        Press(view, five, L::COL_LOCAL_TICK);
        EXPECT_EQ(dialog.m_wndList.GetItemData(five) & (L::TICK_LOCAL | L::TICK_GLOBAL), L::TICK_LOCAL);
        Press(view, six, L::COL_GLOBAL_SUBJECT);
        EXPECT_EQ(dialog.m_wndList.GetItemData(six) & (L::TICK_LOCAL | L::TICK_GLOBAL), 0u);
        EXPECT_TRUE(dialog.m_wndList.IsSelected(six));
        EXPECT_FALSE(dialog.m_wndList.IsSelected(five));
        EXPECT_EQ(dialog.m_wndList.GetActiveSide(), L::SIDE_GLOBAL);
        Press(view, six, L::COL_GLOBAL_TICK);
        EXPECT_EQ(dialog.m_wndList.GetItemData(six) & (L::TICK_LOCAL | L::TICK_GLOBAL), L::TICK_GLOBAL);
        EXPECT_TRUE(Enabled(window, IDC_COMMIT));
        // Both are kept: five's local copy goes back to the public folder, six's public copy
        // comes back here.
        EXPECT_EQ(dialog.m_wndList.CellText(five, L::COL_GLOBAL_SUBJECT), "five");
        EXPECT_FALSE(dialog.m_wndList.IsCellStruckOut(five, L::COL_GLOBAL_SUBJECT));
        EXPECT_EQ(dialog.m_wndList.CellText(six, L::COL_LOCAL_SUBJECT), "six");
        EXPECT_FALSE(dialog.m_wndList.IsCellStruckOut(six, L::COL_LOCAL_SUBJECT));
        Picture(window, "conflicts-deletions");
        window->Destroy();
        Settle();
    }
}

TEST_F(ConflictWindows, ChangesOfEveryTypeWithTheirPreviewsInEnglishAndGerman)
{
    ASSERT_EQ(EveryType(true), (std::vector<SHORT>{1, 2, 3, 4, 5, 6, 7}));
    ComPtr<IConflicts> conflicts = Conflicts();
    CConflictList model;
    ASSERT_EQ(model.Load(conflicts.get(), profile.get()), 0);
    const struct {
        LANGID language;
        const char* picture;
        const char* local;
    } languages[] = {{1033, "conflicts-changes", "Local - Personal Folders"},
                     {1031, "conflicts-changes-de", "Lokal - Personal Folders"}};
    for (const auto& language : languages) {
        SetThreadUILanguage(language.language);
        CDlgConflicts dialog(CDlgConflicts::MODE_CHANGES, model.ChangeList(), conflicts.get(), profile.get(),
                             "caption", "Personal Folders", "Public Folders");
        auto* window = new CDlgConflictsWnd(nullptr, dialog);
        window->Show();
        Settle();
        EXPECT_FALSE(Shown(window, IDC_CONFLICT_DELETE_ICON));
        EXPECT_TRUE(Shown(window, IDC_CONFLICT_CHANGE_ICON));
        EXPECT_TRUE(Shown(window, IDC_CONFLICT_CHANGE_TEXT));
        EXPECT_EQ(Label(window, IDC_CONFLICT_LOCAL), language.local);
        CConflictsListView* view = window->List();
        EXPECT_EQ(view->Body()->GetRowCount(), 7u);

        // One, two and seven keep the local side, three the global one; four (a missing
        // folder) stays open.
        L& list = dialog.m_wndList;
        for (const auto& [type, column] : {std::pair<SHORT, int>{1, L::COL_LOCAL_TICK}, {2, L::COL_LOCAL_TICK},
                                           {3, L::COL_GLOBAL_TICK}, {7, L::COL_LOCAL_TICK}}) {
            const int row = RowOfType(list, type);
            ASSERT_GT(row, 0) << type;
            Press(view, row, column);
            EXPECT_NE(list.GetItemData(row) & (L::TICK_LOCAL | L::TICK_GLOBAL), 0u) << type;
        }
        const int one = RowOfType(list, 1);
        const int two = RowOfType(list, 2);
        const int three = RowOfType(list, 3);
        EXPECT_EQ(list.CellText(one, L::COL_GLOBAL_SUBJECT), "one") << "copied to the public folder";
        EXPECT_TRUE(list.IsCellStruckOut(two, L::COL_GLOBAL_SUBJECT)) << "the public copy deleted";
        EXPECT_EQ(list.CellText(three, L::COL_LOCAL_SUBJECT), "three");
        EXPECT_TRUE(Enabled(window, IDC_COMMIT));
        EXPECT_FALSE(Enabled(window, IDOK)) << "four is left";
        Picture(window, language.picture);
        window->Destroy();
        Settle();
    }
}
