// The application object: settings in the registry with the machine-wide fall-back, the
// schedule of automatic runs on the platform clock, the run types a second start hands over,
// and the start-up decisions.
#include "OrvApp.h"

#include "resource.h"

#include "TempRoot.h"
#include "base/Broadcast.h"
#include "base/ManualClock.h"
#include "base/MessageBox.h"
#include "base/WinTime.h"
#include "base/Window.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

const char* const kKey = "Software\\Tembrix\\settings";

void SetValue(HKEY root, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

void SetDword(HKEY root, const char* name, DWORD value) { SetValue(root, name, REG_DWORD, &value, sizeof(value)); }

bool ReadDword(const char* name, DWORD& value, DWORD& type)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD cb = sizeof(value);
    const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

class OrvAppTest : public ::testing::Test {
protected:
    TempRoot root;
    // 2024-01-01T00:00:00Z
    std::shared_ptr<platform::ManualClock> clock =
        std::make_shared<platform::ManualClock>((1704067200ULL + platform::kUnixEpochSeconds) * 10000000ULL, 1000);
    platform::ScopedClock scoped{clock};
    const time_t start = 1704067200;
};

TEST_F(OrvAppTest, DefaultsAndRoundTrip)
{
    {
        COrvApp app;
        app.SetRegistryKey("Tembrix");
        app.LoadSettings();
        EXPECT_TRUE(app.m_bQueryDelete);
        EXPECT_FALSE(app.m_bSyncOnOutlookStart);
        EXPECT_EQ(app.m_nSyncOnOutlookStartDelay, 0);
        EXPECT_FALSE(app.m_bSyncOnOutlookQuit);
        EXPECT_FALSE(app.m_bShowAdvancedEdit);
        EXPECT_FALSE(app.m_bAdvancedEditIsDefault);
        app.m_bQueryDelete = false;
        app.m_bSyncOnOutlookStart = true;
        app.m_nSyncOnOutlookStartDelay = 300;
        app.m_bSyncOnOutlookQuit = true;
        app.m_bShowAdvancedEdit = true; // never written
    } // the destructor saves
    DWORD value = 0, type = 0;
    ASSERT_TRUE(ReadDword("SyncOnOutlookStartDelay", value, type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 300u);
    ASSERT_TRUE(ReadDword("QueryDelete", value, type));
    EXPECT_EQ(value, 0u);
    EXPECT_FALSE(ReadDword("ShowAdvancedEdit", value, type));

    COrvApp app;
    app.SetRegistryKey("Tembrix");
    app.LoadSettings();
    EXPECT_FALSE(app.m_bQueryDelete);
    EXPECT_TRUE(app.m_bSyncOnOutlookStart);
    EXPECT_EQ(app.m_nSyncOnOutlookStartDelay, 300);
    EXPECT_TRUE(app.m_bSyncOnOutlookQuit);
    EXPECT_FALSE(app.m_bShowAdvancedEdit);
}

TEST_F(OrvAppTest, OnlyFourByteDwordsCount)
{
    SetValue(HKEY_CURRENT_USER, "SyncOnOutlookStartDelay", REG_SZ, "300", 4);
    SetValue(HKEY_CURRENT_USER, "SyncOnOutlookStart", REG_BINARY, "\x01\x00\x00\x00", 4);
    const unsigned char qword[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    SetValue(HKEY_CURRENT_USER, "QueryDelete", REG_QWORD, qword, 8);
    SetValue(HKEY_CURRENT_USER, "SyncOnOutlookQuit", REG_DWORD, "\x01\x00", 2);
    COrvApp app;
    app.SetRegistryKey("Tembrix");
    app.LoadSettings();
    EXPECT_EQ(app.m_nSyncOnOutlookStartDelay, 0) << "a text \"300\" is no 36-day delay";
    EXPECT_FALSE(app.m_bSyncOnOutlookStart);
    EXPECT_TRUE(app.m_bQueryDelete);
    EXPECT_FALSE(app.m_bSyncOnOutlookQuit);
}

TEST_F(OrvAppTest, MachineValuesFillWhatTheUserLacks)
{
    SetDword(HKEY_LOCAL_MACHINE, "ShowAdvancedEdit", 1);
    SetDword(HKEY_LOCAL_MACHINE, "AdvancedEditIsDefault", 1);
    SetDword(HKEY_CURRENT_USER, "AdvancedEditIsDefault", 0);
    SetDword(HKEY_LOCAL_MACHINE, "QueryDelete", 0); // no fall-back for the other settings
    COrvApp app;
    app.SetRegistryKey("Tembrix");
    app.LoadSettings();
    EXPECT_TRUE(app.m_bShowAdvancedEdit);
    EXPECT_FALSE(app.m_bAdvancedEditIsDefault) << "the user's value wins";
    EXPECT_TRUE(app.m_bQueryDelete);
}

TEST_F(OrvAppTest, OrdinaryUsersKeepTheMachineFallBack)
{
    SetDword(HKEY_LOCAL_MACHINE, "ShowAdvancedEdit", 1);
    setenv("PLATFORM_REGISTRY_USER", "ordinary", 1);
    {
        COrvApp app;
        app.SetRegistryKey("Tembrix");
        app.LoadSettings();
        EXPECT_TRUE(app.m_bShowAdvancedEdit);
    }
    unsetenv("PLATFORM_REGISTRY_USER");
}

TEST_F(OrvAppTest, EarlierDueTimeWinsAndTypeZeroClearsIt)
{
    COrvApp app;
    app.m_nSyncOnOutlookStartDelay = 300;
    app.ScheduleSync(SYNC_OLSTART);
    EXPECT_EQ(app.m_nPendingSync, SYNC_OLSTART);
    EXPECT_EQ(app.m_tDueTime, start + 300);
    clock->advance(10 * 1000);
    app.ScheduleSync(SYNC_AUTOSYNC);
    EXPECT_EQ(app.m_nPendingSync, SYNC_AUTOSYNC);
    EXPECT_EQ(app.m_tDueTime, start + 10);
    app.ScheduleSync(SYNC_OLSTART); // later candidate: the earlier time stays
    EXPECT_EQ(app.m_nPendingSync, SYNC_OLSTART);
    EXPECT_EQ(app.m_tDueTime, start + 10);

    // A plain second start cancels the scheduled run, due time included ...
    app.ScheduleSync(SYNC_NONE);
    EXPECT_EQ(app.m_nPendingSync, SYNC_NONE);
    EXPECT_EQ(app.m_tDueTime, 0);
    // ... so a later "/olstart" gets its own delay.
    app.ScheduleSync(SYNC_OLSTART);
    EXPECT_EQ(app.m_tDueTime, start + 10 + 300);
}

TEST_F(OrvAppTest, HandedOverTypesOutsideZeroToThreeChangeNothing)
{
    COrvApp app;
    app.ScheduleSync(SYNC_OLSTOP);
    const time_t due = app.m_tDueTime;
    EXPECT_FALSE(app.ScheduleSyncFromMessage(7));
    EXPECT_FALSE(app.ScheduleSyncFromMessage(-1));
    EXPECT_FALSE(app.ScheduleSyncFromMessage(static_cast<LPARAM>(0x100000003LL)));
    EXPECT_EQ(app.m_nPendingSync, SYNC_OLSTOP);
    EXPECT_EQ(app.m_tDueTime, due);
    EXPECT_TRUE(app.ScheduleSyncFromMessage(3));
    EXPECT_EQ(app.m_nPendingSync, SYNC_AUTOSYNC);
}

} // namespace

#include "LocaleSwitch.h"
#include "ToolTestSupport.h"

namespace {

using tooltest::Boxes;

class StartUp : public OrvAppTest {
protected:
    tooltest::ConsoleBoxes boxes;
};

TEST_F(StartUp, MailClientWordsWithTheirSettingOffEndSilently)
{
    COrvApp app;
    EXPECT_FALSE(app.InitInstance({"/olstart"}));
    EXPECT_EQ(app.m_nExitCode, 0);
    EXPECT_FALSE(app.InitInstance({"/olstop"}));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(app.m_nPendingSync, SYNC_NONE);
}

TEST_F(StartUp, PendingRunOpensMinimisedWithTheEarliestDueTime)
{
    SetDword(HKEY_CURRENT_USER, "SyncOnOutlookStart", 1);
    SetDword(HKEY_CURRENT_USER, "SyncOnOutlookStartDelay", 300);
    COrvApp app;
    ASSERT_TRUE(app.InitInstance({"/autosync", "/olstart", "/profile:\"Public\""}));
    EXPECT_EQ(app.m_nPendingSync, SYNC_OLSTART) << "the last call sets the type";
    EXPECT_EQ(app.m_tDueTime, start) << "the earlier due time stays";
    EXPECT_EQ(app.m_nCmdShow, SW_MINIMIZE);
    EXPECT_EQ(app.m_strCmdLineProfile, "Public");
    EXPECT_EQ(app.SettingsKey(), kKey);
    EXPECT_EQ(std::filesystem::path(app.m_strHelpFilePath).filename(), "Manual.chm");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(StartUp, PlainStartShowsTheWindow)
{
    COrvApp app;
    ASSERT_TRUE(app.InitInstance({}));
    EXPECT_EQ(app.m_nPendingSync, SYNC_NONE);
    EXPECT_EQ(app.m_nCmdShow, SW_SHOW);
}

TEST_F(StartUp, WordWithoutSwitchSignIsReported)
{
    COrvApp app;
    EXPECT_FALSE(app.InitInstance({"/autosync", "sync"}));
    EXPECT_EQ(app.m_nExitCode, 2);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Unknown command line word: sync");
    EXPECT_EQ(app.m_nPendingSync, SYNC_NONE) << "nothing is scheduled or handed over";
}

TEST_F(StartUp, SecondInstanceHandsOverAndOnlyAPlainStartSaysSo)
{
    COrvApp first;
    ASSERT_TRUE(first.InitInstance({}));
    // The first instance's top-level window takes the message on this thread.
    const UINT message = RegisterWindowMessageA(ORVINTA_INSTANCE_NAME);
    HWND frame = platform::CreateMessageWindow("Frame", "Orvinta", [&](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
        if (m == message)
            first.ScheduleSyncFromMessage(l);
        return 0;
    });
    {
        COrvApp second;
        EXPECT_FALSE(second.InitInstance({"-AUTOSYNC"}));
        EXPECT_EQ(second.m_nExitCode, 0);
    }
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(first.m_nPendingSync, SYNC_AUTOSYNC);
    EXPECT_EQ(first.m_tDueTime, start);
    {
        COrvApp plain;
        EXPECT_FALSE(plain.InitInstance({}));
    }
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "The Orvinta is already running.");
    EXPECT_EQ(first.m_nPendingSync, SYNC_NONE);
    EXPECT_EQ(first.m_tDueTime, 0);
    DestroyWindow(frame);
}

TEST(LocaleSwitch, FirstNonZeroNumberCounts)
{
    EXPECT_EQ(ParseLocaleSwitch({}), 0u);
    EXPECT_EQ(ParseLocaleSwitch({"/LCID1036"}), 1036u);
    EXPECT_EQ(ParseLocaleSwitch({"/LCID0", "-lcid1040", "/LCID1031"}), 1040u);
    EXPECT_EQ(ParseLocaleSwitch({"/Lcid1031x"}), 1031u) << "the digits the word starts with";
    EXPECT_EQ(ParseLocaleSwitch({"/LCIDabc", "LCID1036", "/LCI1036", "/LCID99999999999"}), 0u);
}

} // namespace
