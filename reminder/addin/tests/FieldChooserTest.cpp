// The field chooser over a list in its stand-in window: what its buttons allow, moving, showing
// and hiding rows, the width edit, and what OK and Cancel leave in the list.
#include "DlgFieldChooser.h"
#include "ReminderListFixture.h"

#include "base/AnswerQueue.h"
#include "base/DialogItems.h"
#include "base/ListView.h"
#include "base/Window.h"

#include <functional>

using namespace remindertest;

namespace {

class FieldChooserTest : public ReminderListFixture {
protected:
    void SetUp() override
    {
        ReminderListFixture::SetUp();
        platform::ClearAnswers();
        OpenList(1);
    }
    void TearDown() override
    {
        CAddinDialog::SetModalPresenter(nullptr);
        ReminderListFixture::TearDown();
    }
    // Runs the chooser from the header's menu; `user` acts in it and answers for the dialog.
    void RunChooser(const std::function<INT_PTR(CDlgFieldChooser&)>& user)
    {
        int runs = 0;
        CAddinDialog::SetModalPresenter([&](CAddinDialog& dialog, HWND) -> INT_PTR {
            ++runs;
            auto* chooser = dynamic_cast<CDlgFieldChooser*>(&dialog);
            EXPECT_TRUE(chooser);
            return chooser ? user(*chooser) : IDCANCEL;
        });
        platform::PushAnswer("menu 2");
        list->UserHeaderMenu(POINT{20, 20});
        Pump(); // the menu's command is posted
        EXPECT_EQ(runs, 1);
        EXPECT_TRUE(platform::AnswerErrors().empty());
    }
    static bool Enabled(CDlgFieldChooser& chooser, int id) { return IsWindowEnabled(GetDlgItem(chooser.m_hWnd, id)); }
    static void Click(CDlgFieldChooser& chooser, int id) { SendMessageA(GetDlgItem(chooser.m_hWnd, id), BM_CLICK, 0, 0); }
    static INT_PTR Press(CDlgFieldChooser& chooser, int id)
    {
        Click(chooser, id);
        return chooser.Result();
    }
    static int Row(CDlgFieldChooser& chooser, const std::string& name)
    {
        for (int row = 0; row < chooser.Fields().GetItemCount(); ++row)
            if (chooser.Fields().GetItemText(row, 0) == name)
                return row;
        return -1;
    }
    std::vector<std::string> Headers()
    {
        std::vector<std::string> headers;
        for (int index : list->GetColumnOrderArray())
            headers.push_back(list->GetColumn(index).text);
        return headers;
    }
};

TEST_F(FieldChooserTest, RowsFollowTheListsDisplayWithTheirChecks)
{
    list->UserColumnsReordered({1, 0, 2, 3, 4, 5});
    RunChooser([&](CDlgFieldChooser& chooser) {
        EXPECT_EQ(chooser.Fields().GetItemCount(), 24);
        EXPECT_EQ(chooser.Fields().GetItemText(0, 0), "Subject");
        EXPECT_EQ(chooser.Fields().GetItemText(1, 0), "Type");
        EXPECT_TRUE(chooser.Fields().GetCheckState(0));
        EXPECT_FALSE(chooser.Fields().GetCheckState(Row(chooser, "Categories")));
        EXPECT_EQ(chooser.Fields().GetColumn(0).text, "Fieldname");
        // Nothing selected: no button of the rows, an empty width.
        for (int id : {249, 250, 251, 252})
            EXPECT_FALSE(Enabled(chooser, id)) << id;
        char width[8] = "x";
        GetDlgItemTextA(chooser.m_hWnd, 253, width, sizeof width);
        EXPECT_STREQ(width, "");
        return Press(chooser, IDCANCEL);
    });
}

TEST_F(FieldChooserTest, TheLastShownColumnStaysShown)
{
    RunChooser([&](CDlgFieldChooser& chooser) {
        CListView& fields = chooser.Fields();
        for (const char* name : {"Type", "Reminder Due in", "Location", "Start", "End"})
            fields.UserCheck(Row(chooser, name), false);
        const int subject = Row(chooser, "Subject");
        fields.UserSelect({subject});
        EXPECT_TRUE(fields.GetCheckState(subject));
        EXPECT_FALSE(Enabled(chooser, 252));
        Click(chooser, 252);
        fields.UserCheck(subject, false);
        EXPECT_TRUE(fields.GetCheckState(subject));
        EXPECT_TRUE(chooser.RowColumn(subject)->IsVisible());
        // Another one shown again: now either may go.
        const int location = Row(chooser, "Location");
        fields.UserSelect({location});
        EXPECT_TRUE(Enabled(chooser, 251));
        Click(chooser, 251);
        EXPECT_TRUE(fields.GetCheckState(location));
        EXPECT_TRUE(Enabled(chooser, 252));
        return Press(chooser, IDOK);
    });
    EXPECT_EQ(Headers(), (std::vector<std::string>{"Subject", "Location"}));
}

TEST_F(FieldChooserTest, MovesStayInsideTheRows)
{
    RunChooser([&](CDlgFieldChooser& chooser) {
        CListView& fields = chooser.Fields();
        fields.UserSelect({0});
        EXPECT_FALSE(Enabled(chooser, 249));
        EXPECT_TRUE(Enabled(chooser, 250));
        fields.UserSelect({23});
        EXPECT_TRUE(Enabled(chooser, 249));
        EXPECT_FALSE(Enabled(chooser, 250));
        const std::string last = fields.GetItemText(23, 0);
        chooser.MoveItem(23, 24);
        chooser.MoveItem(-1, 0);
        EXPECT_EQ(fields.GetItemText(23, 0), last);
        Click(chooser, 249);
        EXPECT_EQ(fields.GetItemText(22, 0), last);
        EXPECT_TRUE(fields.GetItemState(22, LVIS_SELECTED));
        EXPECT_EQ(chooser.RowColumn(22)->GetOrder(), 22);
        return Press(chooser, IDCANCEL);
    });
}

TEST_F(FieldChooserTest, WidthEditTakesThreeDigitsAndNoZero)
{
    RunChooser([&](CDlgFieldChooser& chooser) {
        const int subject = Row(chooser, "Subject");
        chooser.Fields().UserSelect({subject});
        char text[8] = "";
        GetDlgItemTextA(chooser.m_hWnd, 253, text, sizeof text);
        EXPECT_STREQ(text, "100");
        const HWND edit = GetDlgItem(chooser.m_hWnd, 253);
        platform::TypeDialogItemText(edit, "0");
        EXPECT_EQ(chooser.RowColumn(subject)->GetWidth(), 100);
        platform::TypeDialogItemText(edit, "2501");
        GetDlgItemTextA(chooser.m_hWnd, 253, text, sizeof text);
        EXPECT_STREQ(text, "250");
        EXPECT_EQ(chooser.RowColumn(subject)->GetWidth(), 250);
        return Press(chooser, IDOK);
    });
    EXPECT_EQ(list->GetColumnWidth(1), 250);
}

TEST_F(FieldChooserTest, CancelLeavesTheListAsItWas)
{
    const std::vector<std::string> before = Headers();
    RunChooser([&](CDlgFieldChooser& chooser) {
        CListView& fields = chooser.Fields();
        fields.UserCheck(Row(chooser, "Categories"), true);
        fields.UserCheck(Row(chooser, "Subject"), false);
        fields.UserSelect({5});
        Click(chooser, 249);
        return Press(chooser, IDCANCEL);
    });
    EXPECT_EQ(Headers(), before);
    EXPECT_FALSE(list->Columns()[16].IsVisible());
}

TEST_F(FieldChooserTest, CategoriesMovedToTheTopComeFirst)
{
    RunChooser([&](CDlgFieldChooser& chooser) {
        CListView& fields = chooser.Fields();
        int row = Row(chooser, "Categories");
        fields.UserCheck(row, true);
        fields.UserSelect({row});
        while (row-- > 0)
            Click(chooser, 249);
        EXPECT_EQ(fields.GetItemText(0, 0), "Categories");
        return Press(chooser, IDOK);
    });
    EXPECT_EQ(Headers(), (std::vector<std::string>{"Categories", "Type", "Subject", "Reminder Due in", "Location",
                                                   "Start", "End"}));
    // The layout reaches the registry when the list goes.
    CloseList();
    OpenList(1);
    EXPECT_EQ(Headers().front(), "Categories");
}

TEST_F(FieldChooserTest, WithoutDisplayTheQueuedAnswerEndsIt)
{
    platform::PushAnswer("menu 2");
    platform::PushAnswer("ok");
    list->UserHeaderMenu(POINT{20, 20});
    Pump();
    const std::vector<platform::PromptRecord> records = platform::PromptRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].kind, platform::PromptKind::Dialog);
    EXPECT_EQ(records[1].caption, "Choose Fields");
    EXPECT_EQ(records[1].answer, IDOK);
    EXPECT_EQ(list->GetColumnCount(), 6);
}

} // namespace
