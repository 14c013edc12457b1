// The wizard's store list: marks in the state bits, the single selection and its look, and
// the columns sharing a change of width.
#include "CheckListCtrl.h"

#include <gtest/gtest.h>

namespace {

CCheckListCtrl List(int rows)
{
    CCheckListCtrl list;
    list.InsertColumn(0, "Name", 177);
    list.InsertColumn(1, "File", 140);
    for (int row = 0; row < rows; ++row)
        list.InsertItem(row, "Store " + std::to_string(row));
    return list;
}

TEST(CheckListCtrl, MarksLiveInTheOverlayBitsAndDecideTheChoice)
{
    CCheckListCtrl list = List(3);
    list.SetCheckImage(1, 1);
    list.SetCheckImage(2, 2);
    EXPECT_EQ(list.GetItemState(1, LVIS_OVERLAYMASK), 0x100u);
    EXPECT_EQ(list.GetCheckImage(2), 2);
    EXPECT_FALSE(list.HasMark(0));
    EXPECT_TRUE(list.HasMark(1));

    EXPECT_FALSE(list.IsSelectedFree()) << "nothing selected";
    list.SelectItem(0);
    EXPECT_TRUE(list.IsSelectedFree());
    list.SelectItem(2);
    EXPECT_FALSE(list.IsSelectedFree());
    EXPECT_EQ(list.GetSelectedItem(), 2);
    EXPECT_EQ(list.GetItemState(0, LVIS_SELECTED), 0u) << "one row at a time";
    list.SetCheckImage(2, 0);
    EXPECT_TRUE(list.IsSelectedFree());
    EXPECT_EQ(list.GetItemState(2, LVIS_SELECTED), UINT(LVIS_SELECTED)) << "the mark leaves the selection alone";
}

TEST(CheckListCtrl, SelectionChangesReachTheParentWithTheirBits)
{
    CCheckListCtrl list = List(2);
    std::vector<CCheckListCtrl::Change> changes;
    list.m_onItemChanged = [&](const CCheckListCtrl::Change& change) { changes.push_back(change); };
    list.SelectItem(0);
    list.SelectItem(1);
    list.SetCheckImage(1, 1);
    ASSERT_EQ(changes.size(), 4u);
    EXPECT_EQ(changes[0].iItem, 0);
    EXPECT_TRUE(changes[0].uNewState & LVIS_SELECTED);
    EXPECT_EQ(changes[1].iItem, 0) << "the old row is deselected first";
    EXPECT_FALSE(changes[1].uNewState & LVIS_SELECTED);
    EXPECT_EQ(changes[2].iItem, 1);
    EXPECT_EQ(changes[3].uNewState ^ changes[3].uOldState, UINT(LVIS_OVERLAYMASK & 0x100));
}

TEST(CheckListCtrl, LookIsTheSameWithAndWithoutFocus)
{
    CCheckListCtrl list = List(3);
    list.SetCheckImage(1, 1);
    list.SetCheckImage(2, 1);
    list.SelectItem(2);
    EXPECT_EQ(list.GetRowLook(0), CCheckListCtrl::RowLook::Normal);
    EXPECT_EQ(list.GetRowLook(1), CCheckListCtrl::RowLook::Marked);
    EXPECT_EQ(list.GetRowLook(2), CCheckListCtrl::RowLook::MarkedSelected);
    list.SelectItem(0);
    EXPECT_EQ(list.GetRowLook(0), CCheckListCtrl::RowLook::Selected);
}

TEST(CheckListCtrl, WidthChangesAreSharedWithAThirtyPixelFloor)
{
    CCheckListCtrl list = List(1);
    list.SetWidth(320);
    list.OnWidthChanging(421);
    EXPECT_EQ(list.GetColumnWidth(0), 177 + 50);
    EXPECT_EQ(list.GetColumnWidth(1), 140 + 51);
    list.OnWidthChanging(421);
    EXPECT_EQ(list.GetColumnWidth(0), 227) << "no change, nothing to spread";

    list.SetColumnWidth(0, 40);
    list.SetColumnWidth(1, 200);
    list.OnWidthChanging(401);
    EXPECT_EQ(list.GetColumnWidth(0), 40) << "it would fall to 30";
    EXPECT_EQ(list.GetColumnWidth(1), 180) << "the second takes the whole change";
    list.SetColumnWidth(1, 40);
    list.OnWidthChanging(381);
    EXPECT_EQ(list.GetColumnWidth(0), 40);
    EXPECT_EQ(list.GetColumnWidth(1), 40);
}

} // namespace
