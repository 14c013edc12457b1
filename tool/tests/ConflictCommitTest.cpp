// Commit of the conflicts dialog against the real engine: every kind of conflict with either
// side kept, what the stores hold afterwards, and what the next run finds; and the run's
// conflicts handed from the worker to the dialogs on the window thread.
#include "ConflictDialogs.h"
#include "ConflictList.h"
#include "ConflictResource.h"
#include "ConflictsListCtrl.h"
#include "DlgConflicts.h"

#include "ConflictTestSupport.h"
#include "ToolTestSupport.h"
#include "ViewHarness.h"

#include "base/MessageLoop.h"
#include "base/Process.h"
#include "base/Window.h"
#include "mapi/BuiltInForm.h"
#include "mapi/OpenForms.h"

namespace {

using namespace conflicttest;
using L = CConflictsListCtrl;
using Contents_t = std::multimap<std::string, std::string>;

class ConflictCommit : public ConflictRuns {
protected:
    // Runs a dialog over the rows with every header ticked on that side, commits and closes.
    void CommitAll(int mode, const std::vector<ConflictRow>& rows, IConflicts* conflicts, int side)
    {
        CDlgConflicts dialog(mode, rows, conflicts, profile.get(), "caption", "Personal Folders", "Public Folders");
        ASSERT_TRUE(dialog.Create());
        for (int row = 0; row < dialog.m_wndList.GetItemCount(); ++row)
            if (dialog.m_wndList.IsHeader(row))
                dialog.m_wndList.ToggleCheck(row, side);
        platform::MessageLoop::Current().RunPending();
        ASSERT_TRUE(dialog.IsItemEnabled(IDC_COMMIT));
        dialog.ClickItem(IDC_COMMIT);
        EXPECT_TRUE(tooltest::Boxes().empty()) << tooltest::Boxes().front().text;
        EXPECT_TRUE(dialog.IsItemEnabled(IDOK)) << "nothing left";
        for (int row = 0; row < dialog.m_wndList.GetItemCount(); ++row)
            EXPECT_EQ(dialog.m_wndList.GetItemData(row), static_cast<DWORD>(L::NOTHING_TO_RESOLVE)) << row;
        dialog.ClickItem(IDOK);
        EXPECT_TRUE(dialog.IsEnded());
    }

    tooltest::ConsoleBoxes boxes;
};

} // namespace

TEST_F(ConflictCommit, KeepingTheLocalSideOfEveryKind)
{
    ASSERT_EQ(EveryType(false), (std::vector<SHORT>{1, 2, 3, 5, 6, 7}));
    ComPtr<IConflicts> conflicts = Conflicts();
    {
        CConflictList model;
        ASSERT_EQ(model.Load(conflicts.get(), profile.get()), 0);
        CommitAll(CDlgConflicts::MODE_DELETIONS, model.DeleteList(), conflicts.get(), L::SIDE_LOCAL);
        CommitAll(CDlgConflicts::MODE_CHANGES, model.ChangeList(), conflicts.get(), L::SIDE_LOCAL);
        EXPECT_EQ(SortedTypes(), std::vector<SHORT>(6, 0));
    }
    // 1, 3, 5 and 7 copied the local item over; 2 and 6 deleted the global one.
    const Contents_t want{{"one", "local one"}, {"three", "local three"}, {"five", "orig"}, {"seven", "orig"}};
    EXPECT_EQ(Contents(Src().get()), want);
    EXPECT_EQ(Contents(Dst().get()), want);
    conflicts.Release();
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);

    // Resolved with the local side, types 1, 5 and 7 leave both partners saved after the run:
    // the next run sees both changed. Nothing else comes back.
    const std::vector<SHORT> next = Run();
    EXPECT_EQ(SortedTypes(), (std::vector<SHORT>{3, 3, 3}));
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_EQ(Contents(Src().get()), want);
    EXPECT_EQ(Contents(Dst().get()), want);
}

TEST_F(ConflictCommit, KeepingTheGlobalSideOfEveryKind)
{
    ASSERT_EQ(EveryType(false), (std::vector<SHORT>{1, 2, 3, 5, 6, 7}));
    ComPtr<IConflicts> conflicts = Conflicts();
    {
        CConflictList model;
        ASSERT_EQ(model.Load(conflicts.get(), profile.get()), 0);
        CommitAll(CDlgConflicts::MODE_DELETIONS, model.DeleteList(), conflicts.get(), L::SIDE_GLOBAL);
        CommitAll(CDlgConflicts::MODE_CHANGES, model.ChangeList(), conflicts.get(), L::SIDE_GLOBAL);
    }
    // 2, 3 and 6 copied the global item over; 1, 5 and 7 deleted the local one.
    const Contents_t want{{"two", "global two"}, {"three", "global three"}, {"six", "orig"}};
    EXPECT_EQ(Contents(Src().get()), want);
    EXPECT_EQ(Contents(Dst().get()), want);
    conflicts.Release();
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_EQ(Run(), std::vector<SHORT>{}) << "nothing comes back";
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    EXPECT_EQ(Contents(Src().get()), want);
    EXPECT_EQ(Contents(Dst().get()), want);
}

TEST_F(ConflictCommit, TheWorkersConflictsReachTheDialogsOnTheWindowThread)
{
    Paired({"three", "five"});
    SetBody(Src().get(), "three", "global three");
    SetBody(Dst().get(), "three", "local three");
    Delete(Src().get(), "five");
    profile.Release();

    // The program's objects on this thread; the dialogs keep the global side of each.
    CViewHarness harness;
    harness.Make();
    ASSERT_TRUE(harness.doc->m_pEngine);
    const DWORD windowThread = GetCurrentThreadId();
    std::vector<std::string> shown;
    CConflictDialogs dialogs([&](CDlgConflicts& dialog) {
        EXPECT_EQ(GetCurrentThreadId(), windowThread);
        EXPECT_TRUE(dialog.Create());
        shown.push_back(dialog.GetTitle() + " / " + dialog.GetItemText(IDC_CONFLICT_LOCAL) + " / " +
                        std::to_string(dialog.m_wndList.GetItemCount()));
        dialog.m_wndList.ToggleCheck(0, L::SIDE_GLOBAL);
        platform::MessageLoop::Current().RunPending();
        dialog.ClickItem(IDC_COMMIT);
        dialog.ClickItem(IDOK);
        return dialog.GetResult();
    });
    COrvView& view = *harness.view;
    view.SetConflictHandler(&dialogs);
    view.OnInitialUpdate();
    ASSERT_TRUE(view.m_wndProfiles.SetCheck(view.m_wndProfiles.FindItem("Public"), true));
    harness.app->m_bQueryDelete = true;
    view.StartSync();
    platform::MessageLoop::Current().RunUntil([&] { return !view.IsRunning(); });
    EXPECT_EQ(shown, (std::vector<std::string>{"Delete resolution - Public / Local - Personal Folders / 2",
                                               "Conflict resolution - Public / Local - Personal Folders / 2"}));
    EXPECT_EQ(Contents(Src().get()), (Contents_t{{"three", "global three"}}));
    EXPECT_EQ(Contents(Dst().get()), (Contents_t{{"three", "global three"}}));
    harness.Destroy();
}

TEST_F(ConflictCommit, EitherSidesMessageOpensInAFormThatHoldsTheDialogUntilItCloses)
{
    Paired({"three"});
    SetBody(Src().get(), "three", "global three");
    SetBody(Dst().get(), "three", "local three");
    ASSERT_EQ(Run(), std::vector<SHORT>{3});
    mapi::ClearFormEvents();
    ComPtr<IConflicts> conflicts = Conflicts();
    CConflictList model;
    ASSERT_EQ(model.Load(conflicts.get(), profile.get()), 0);
    CDlgConflicts dialog(CDlgConflicts::MODE_CHANGES, model.ChangeList(), conflicts.get(), profile.get(), "caption",
                         "Personal Folders", "Public Folders");
    ASSERT_TRUE(dialog.Create());
    L& list = dialog.m_wndList;
    EXPECT_EQ(list.OpenConflictMessage(1, L::COL_LOCAL_DATE), S_OK);
    EXPECT_EQ(list.OpenConflictMessage(1, L::COL_GLOBAL_SUBJECT), S_OK);
    EXPECT_EQ(list.OpenConflictMessage(0, L::COL_GLOBAL_SUBJECT), S_FALSE) << "a header has no message";
    EXPECT_EQ(list.OpenConflictMessage(1, L::COL_STATE), S_FALSE);
    ASSERT_EQ(mapi::OpenForms().size(), 2u);
    EXPECT_EQ(mapi::OpenForms()[0]->Body(), "local three");
    EXPECT_EQ(mapi::OpenForms()[1]->Body(), "global three");
    EXPECT_EQ(list.FormCount(), 3);
    platform::MessageLoop::Current().RunPending();
    EXPECT_TRUE(dialog.IsFormOpen());

    list.ToggleCheck(1, L::SIDE_LOCAL);
    platform::MessageLoop::Current().RunPending();
    dialog.ClickItem(IDC_COMMIT);
    EXPECT_EQ(dialog.m_wndList.GetItemData(1), static_cast<DWORD>(L::TICK_LOCAL)) << "nothing resolved";
    ASSERT_EQ(tooltest::Boxes().size(), 1u);
    EXPECT_EQ(tooltest::Boxes()[0].text, "A form window is open. Close it and try again.");

    for (const auto& form : mapi::OpenForms())
        EXPECT_EQ(form->CommandClose(), S_OK);
    EXPECT_EQ(list.FormCount(), 1);
    platform::MessageLoop::Current().RunPending();
    EXPECT_FALSE(dialog.IsFormOpen());
    dialog.ClickItem(IDC_COMMIT);
    EXPECT_EQ(model.ChangeList()[1].pEntry->nType, 0);
    dialog.ClickItem(IDOK);
    EXPECT_TRUE(dialog.IsEnded());
}
