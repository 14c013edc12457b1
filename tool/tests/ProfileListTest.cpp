// The profile list's model: filling from the engine's profiles (an empty reference gives an
// empty list), the records, and the rule that two checked profiles never share a store, with
// its boxes while the list shows and while checks are restored at start.
#include "ProfileListCtrl.h"

#include "OrvApp.h"

#include "FakeEngine.h"
#include "TempRoot.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace fakeengine;
using tooltest::Boxes;

FakeProfileSetup Named(const std::string& name)
{
    FakeProfileSetup setup;
    setup.name = name;
    return setup;
}

class ProfileList : public ::testing::Test {
protected:
    // Rows A, B, C, D: A and B share the local store, C shares A's global store, D stands alone.
    void Fill()
    {
        auto profiles = Make<FakeProfiles>(log, std::vector<FakeProfileSetup>{Named("A"), Named("B"), Named("C"), Named("D")});
        list.FillProfiles(profiles.get());
        list.m_isVisible = [this] { return visible; };
        SetKeys("A", "local1", "global1");
        SetKeys("B", "local1", "global2");
        SetKeys("C", "local2", "global1");
        SetKeys("D", "local3", "global3");
    }
    void SetKeys(const std::string& name, const std::string& dest, const std::string& src, int flags = 3)
    {
        CProfileRecord record;
        record.strDestKey = dest;
        record.strSrcKey = src;
        record.nStoreFlags = flags;
        list.SetRecord(name, record);
    }
    int Row(const std::string& name) const { return list.FindItem(name); }

    TempRoot root;
    tooltest::ConsoleBoxes boxes;
    COrvApp app;
    CallLog log;
    CProfileListCtrl list;
    bool visible = true;
};

TEST_F(ProfileList, FillsRowsWithTheirIndexAndFreshRecords)
{
    auto profiles = Make<FakeProfiles>(log, std::vector<FakeProfileSetup>{Named("Public"), Named("Mailbox")});
    profiles->m_failingItems = {1};
    int redraws = 0;
    list.m_onRowChanged = [&](int row) { redraws += row == -1 ? 1 : 0; };
    list.FillProfiles(profiles.get());
    ASSERT_EQ(list.GetItemCount(), 1) << "a profile that cannot be read is left out";
    EXPECT_EQ(list.GetRow(0).name, "Mailbox");
    EXPECT_EQ(list.GetItemData(0), 2);
    ASSERT_NE(list.FindRecord("Mailbox"), nullptr);
    EXPECT_EQ(list.FindRecord("Mailbox")->nStoreFlags, 3);
    EXPECT_FALSE(list.FindRecord("Mailbox")->bDeactivated);
    EXPECT_EQ(list.GetProfileState(0), 3);
    EXPECT_GE(redraws, 1);

    list.FillProfiles(nullptr);
    EXPECT_EQ(list.GetItemCount(), 0) << "no engine, no profiles, no failure";
    EXPECT_EQ(list.FindRecord("Mailbox"), nullptr);
    EXPECT_EQ(list.GetProfileState(0), 0);
    EXPECT_FALSE(list.IsDeactivated(0));
}

TEST_F(ProfileList, CheckingDeactivatesProfilesThatShareAStoreUntilUnchecked)
{
    Fill();
    ASSERT_TRUE(list.SetCheck(Row("A"), true));
    EXPECT_TRUE(list.IsDeactivated(Row("B"))) << "same local store";
    EXPECT_TRUE(list.IsDeactivated(Row("C"))) << "same global store";
    EXPECT_FALSE(list.IsDeactivated(Row("D")));
    EXPECT_EQ(list.KeysInUse().count("local1"), 1u);
    EXPECT_EQ(list.FindStoreConflict(Row("B")), "A");
    EXPECT_EQ(list.FindStoreConflict(Row("D")), "");

    // Clicking a deactivated profile's box: refused, and the box names the other profile.
    EXPECT_FALSE(list.SetCheck(Row("B"), true));
    EXPECT_FALSE(list.GetCheck(Row("B")));
    auto shown = Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "This profile cannot be synchronised with profile \"A\" in the same task,\r\nbecause at "
                             "least one store is common to both profiles.");

    ASSERT_TRUE(list.SetCheck(Row("A"), false));
    EXPECT_FALSE(list.IsDeactivated(Row("B")));
    EXPECT_FALSE(list.IsDeactivated(Row("C")));
    EXPECT_TRUE(list.KeysInUse().empty());
    EXPECT_TRUE(list.SetCheck(Row("B"), true)) << "checkable again";
    EXPECT_TRUE(list.IsDeactivated(Row("A")));
    EXPECT_FALSE(list.IsDeactivated(Row("C"))) << "C shares nothing with B";
}

TEST_F(ProfileList, AStoreStaysInUseWhileAnotherCheckedProfileHoldsIt)
{
    Fill();
    ASSERT_TRUE(list.SetCheck(Row("B"), true)); // local1, global2
    ASSERT_TRUE(list.SetCheck(Row("C"), true)); // local2, global1
    EXPECT_TRUE(list.IsDeactivated(Row("A")));
    ASSERT_TRUE(list.SetCheck(Row("B"), false));
    EXPECT_TRUE(list.IsDeactivated(Row("A"))) << "global1 is still C's";
    ASSERT_TRUE(list.SetCheck(Row("C"), false));
    EXPECT_FALSE(list.IsDeactivated(Row("A")));
}

TEST_F(ProfileList, WhileChecksAreRestoredTheBoxNamesBothProfiles)
{
    Fill();
    visible = false;
    ASSERT_TRUE(list.SetCheck(Row("A"), true));
    EXPECT_FALSE(list.SetCheck(Row("C"), true));
    const auto shown = Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "The profile \"C\" is deactivated:\r\n\r\nIt cannot be synchronised with profile \"A\" in the same "
              "task.\r\nAt least one store is common to both profiles..");
    EXPECT_EQ(shown[0].caption, "Orvinta");
}

TEST_F(ProfileList, EmptyKeysShareNothing)
{
    Fill();
    // Two profiles whose stores were never read: nothing known, nothing shared.
    SetKeys("A", "", "");
    SetKeys("B", "", "");
    ASSERT_TRUE(list.SetCheck(Row("A"), true));
    EXPECT_FALSE(list.IsDeactivated(Row("B")));
    EXPECT_EQ(list.FindStoreConflict(Row("B")), "");
    EXPECT_TRUE(list.SetCheck(Row("B"), true));
    EXPECT_TRUE(list.KeysInUse().empty());
}

TEST_F(ProfileList, UnavailableProfilesNeitherTakeNorLoseStores)
{
    Fill();
    SetKeys("B", "local1", "", 1); // its global store is missing
    ASSERT_TRUE(list.SetCheck(Row("B"), true)) << "its check may change";
    EXPECT_TRUE(list.KeysInUse().empty()) << "but takes no store";
    EXPECT_FALSE(list.IsDeactivated(Row("A")));
    ASSERT_TRUE(list.SetCheck(Row("A"), true));
    EXPECT_FALSE(list.IsDeactivated(Row("B"))) << "checked rows are never deactivated";
}

TEST_F(ProfileList, SelectionIsOneRowAndCanBeRefused)
{
    Fill();
    std::vector<std::string> changes;
    list.m_onItemChanged = [&](int row, bool check, bool selection) {
        changes.push_back(list.GetRow(row).name + (check ? " check" : "") + (selection ? " selection" : ""));
    };
    ASSERT_TRUE(list.SetItemSelected(Row("A"), true));
    ASSERT_TRUE(list.SetItemSelected(Row("C"), true));
    EXPECT_EQ(list.GetSelectedRow(), Row("C"));
    EXPECT_EQ(changes, (std::vector<std::string>{"A selection", "A selection", "C selection"}));
    list.m_onSelectionChanging = [](int) { return false; };
    EXPECT_FALSE(list.SetItemSelected(Row("D"), true));
    EXPECT_EQ(list.GetSelectedRow(), Row("C"));
    EXPECT_TRUE(list.SetItemSelected(Row("C"), false)) << "giving a selection up is never refused";
    ASSERT_TRUE(list.SetCheck(Row("D"), true));
    EXPECT_EQ(changes.back(), "D check");
}

TEST_F(ProfileList, RunMarksHaveTheirImages)
{
    EXPECT_EQ(CProfileListCtrl::MarkImage("W"), CProfileListCtrl::IMG_WAITING);
    EXPECT_EQ(CProfileListCtrl::MarkImage("C"), CProfileListCtrl::IMG_SECOND_PASS);
    EXPECT_EQ(CProfileListCtrl::MarkImage("D"), CProfileListCtrl::IMG_DONE);
    EXPECT_EQ(CProfileListCtrl::MarkImage("F"), CProfileListCtrl::IMG_FAILED);
    EXPECT_EQ(CProfileListCtrl::MarkImage(""), CProfileListCtrl::IMG_NONE);
    EXPECT_EQ(CProfileListCtrl::MarkImage("x"), CProfileListCtrl::IMG_NONE);
    EXPECT_EQ(CProfileListCtrl::ImageIcons().size(), 7u);
    EXPECT_EQ(CProfileListCtrl::ImageIcons()[CProfileListCtrl::IMG_DONE], 140u);
}

} // namespace
