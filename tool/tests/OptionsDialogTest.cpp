// The Options dialog without a display: the delay list in each language, the settings it shows
// and stores, and when Accept is offered.
#include "DialogResource.h"
#include "DlgOptions.h"
#include "OrvApp.h"

#include "ToolTestSupport.h"

#include "TempRoot.h"
#include "base/UiLanguage.h"
#include "registry/Registry.h"

namespace {

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override { app.SetRegistryKey("Tembrix"); }

    TempRoot root;
    tooltest::ConsoleBoxes boxes;
    COrvApp app;
};

TEST_F(OptionsDialog, DelayListCarriesItsMinutesInEveryLanguage)
{
    const LANGID before = GetThreadUILanguage();
    const struct {
        LANGID language;
        const char* first;
        const char* tenth;
    } languages[] = {{1033, "none", "10 minutes"}, {1031, "ohne", "10 Minuten"}, {1036, "néant", "10 minutes"},
                     {1040, "Nessuno", "10 minuti"}};
    for (const auto& language : languages) {
        SetThreadUILanguage(language.language);
        const auto entries = CDlgOptions::LoadDelayEntries();
        ASSERT_EQ(entries.size(), 13u) << language.language;
        EXPECT_EQ(entries[0].text, language.first);
        EXPECT_EQ(entries[0].minutes, 0);
        EXPECT_EQ(entries[1].minutes, 1);
        EXPECT_EQ(entries[6].text, language.tenth);
        EXPECT_EQ(entries[6].minutes, 10);
        EXPECT_EQ(entries[12].minutes, 60);
    }
    SetThreadUILanguage(before);
}

TEST_F(OptionsDialog, StoredDelaySelectsItsEntryAndOkStoresItAgain)
{
    app.m_bSyncOnOutlookStart = true;
    app.m_nSyncOnOutlookStartDelay = 600;
    app.m_bQueryDelete = false;
    CDlgOptions dialog(app);
    int shown = 0;
    dialog.m_onDelayChanged = [&] { ++shown; };
    ASSERT_TRUE(dialog.Create());
    EXPECT_GT(shown, 0);
    EXPECT_EQ(dialog.DelayEntries()[static_cast<std::size_t>(dialog.GetDelaySel())].text, "10 minutes");
    EXPECT_TRUE(dialog.IsDelayEnabled());
    EXPECT_TRUE(dialog.IsChecked(IDC_SYNC_ON_START));
    EXPECT_FALSE(dialog.IsChecked(IDC_SYNC_ON_QUIT));
    EXPECT_FALSE(dialog.IsChecked(IDC_QUERY_DELETE));
    EXPECT_FALSE(dialog.IsItemEnabled(IDC_ACCEPT));
    dialog.ClickItem(IDOK);
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(tooltest::SettingDword("SyncOnOutlookStartDelay"), 600u);
    EXPECT_EQ(tooltest::SettingDword("SyncOnOutlookStart"), 1u);
    EXPECT_EQ(tooltest::SettingDword("QueryDelete"), 0u);
}

TEST_F(OptionsDialog, DelayMatchingNoEntryShowsNoneAndStoresZero)
{
    app.m_bSyncOnOutlookStart = true;
    app.m_nSyncOnOutlookStartDelay = 90;
    CDlgOptions dialog(app);
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetDelaySel(), 0);
    EXPECT_EQ(dialog.DelayEntries()[0].text, "none");
    dialog.ClickItem(IDOK);
    EXPECT_EQ(app.m_nSyncOnOutlookStartDelay, 0);
    EXPECT_EQ(tooltest::SettingDword("SyncOnOutlookStartDelay"), 0u);
}

TEST_F(OptionsDialog, UncheckedStartGreysTheDelayButKeepsAndStoresIt)
{
    app.m_bSyncOnOutlookStart = true;
    app.m_nSyncOnOutlookStartDelay = 300;
    CDlgOptions dialog(app);
    ASSERT_TRUE(dialog.Create());
    dialog.ClickItem(IDC_SYNC_ON_START);
    EXPECT_FALSE(dialog.IsChecked(IDC_SYNC_ON_START));
    EXPECT_FALSE(dialog.IsDelayEnabled());
    EXPECT_TRUE(dialog.IsItemEnabled(IDC_ACCEPT));
    EXPECT_EQ(dialog.DelayEntries()[static_cast<std::size_t>(dialog.GetDelaySel())].text, "5 minutes");

    // Accept stores and stays; the button waits for the next change.
    dialog.ClickItem(IDC_ACCEPT);
    EXPECT_FALSE(dialog.IsEnded());
    EXPECT_FALSE(dialog.IsItemEnabled(IDC_ACCEPT));
    EXPECT_EQ(tooltest::SettingDword("SyncOnOutlookStart"), 0u);
    EXPECT_EQ(tooltest::SettingDword("SyncOnOutlookStartDelay"), 300u);

    dialog.SelectDelay(11);
    EXPECT_TRUE(dialog.IsItemEnabled(IDC_ACCEPT));
    dialog.ClickItem(IDC_SYNC_ON_QUIT);
    dialog.ClickItem(IDCANCEL);
    EXPECT_TRUE(dialog.IsEnded());
    EXPECT_EQ(dialog.GetResult(), IDCANCEL);
    EXPECT_EQ(app.m_nSyncOnOutlookStartDelay, 300) << "Cancel changes nothing";
    EXPECT_FALSE(app.m_bSyncOnOutlookQuit);
    EXPECT_EQ(tooltest::SettingDword("SyncOnOutlookStartDelay"), 300u);
}

TEST_F(OptionsDialog, PlacedBesideItsParent)
{
    const POINT at = CDlgOptions::PlaceBeside(RECT{200, 100, 900, 700});
    EXPECT_EQ(at.x, 230);
    EXPECT_EQ(at.y, 150);
}

} // namespace
