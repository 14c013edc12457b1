// The engine's clock: the earliest reminder among the copies, the timer that looks at it, the
// options' hold on the timer, and raising the reminders (sound, window, attention).
#include "EngineFixture.h"

#include "ReminderMessages.h"
#include "base/PlatformRoot.h"
#include "base/Sound.h"
#include "base/Window.h"

#include <algorithm>
#include <fstream>

using namespace remindertest;

namespace {

constexpr ULONGLONG kSecond = 10000000ULL;

class ReminderTimerTest : public EngineFixture {
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        if (HasFatalFailure())
            return;
        projects = NewFolder(Subtree(publicStore.get()).get(), "Projects");
        MarkFolder(u"Public Folders", projects.get(), RT_PUBLIC);
    }

    // Copies whose signal time is `due`.
    void DueAt(ULONGLONG due, const char* subject = "Review")
    {
        ItemPlan plan = Plan(subject);
        plan.signalTime = due;
        NewItem(projects.get(), plan);
    }

    std::size_t Opened() const
    {
        return static_cast<std::size_t>(std::count(seam.calls.begin(), seam.calls.end(), "open 2"));
    }

    std::size_t Pending() const
    {
        return static_cast<std::size_t>(
            std::count(seam.windowMessages.begin(), seam.windowMessages.end(), WMU_REMINDERS_PENDING));
    }

    bool Configuring()
    {
        VARIANT_BOOL value = VARIANT_FALSE;
        EXPECT_EQ(reminder->get_Configuring(&value), S_OK);
        return value != VARIANT_FALSE;
    }

    ComPtr<IMAPIFolder> projects;
};

} // namespace

TEST_F(ReminderTimerTest, WithoutCopiesNothingIsEverDue)
{
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_EQ(NextReminder(), ~0ULL);
    Advance(60000);
    EXPECT_EQ(Opened(), 0u);
}

TEST_F(ReminderTimerTest, TheEarliestTimeOfferedIsKept)
{
    FILETIME early{0x1000, 0x01C78000}, late{0x2000, 0x01C78000};
    EXPECT_EQ(reminder->SetNextReminder(reinterpret_cast<LONG_PTR>(&late)), S_OK);
    EXPECT_EQ(reminder->SetNextReminder(reinterpret_cast<LONG_PTR>(&early)), S_OK);
    EXPECT_EQ(reminder->SetNextReminder(reinterpret_cast<LONG_PTR>(&late)), S_OK);
    EXPECT_EQ(reminder->SetNextReminder(reinterpret_cast<LONG_PTR>(&early)), S_OK);
    EXPECT_EQ(Engine()->NextReminder().dwLowDateTime, 0x1000u);
    EXPECT_EQ(reminder->SetNextReminder(0), S_OK);
    EXPECT_EQ(NextReminder(), ~0ULL);
}

TEST_F(ReminderTimerTest, TheSinkReadsTheCopiesAtOnceAndFollowsTheirChanges)
{
    // A copy of an earlier run, due already: seen on enabling, without a change among the copies
    // (no folder is watched, so nothing rewrites them).
    DueAt(kNow - 60 * kSecond, "Old");
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Pump();
    ASSERT_EQ(Copies().size(), 1u);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    WriteIni("RunDisabled", 1);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_EQ(NextReminder(), kNow - 60 * kSecond);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    WriteIni("RunDisabled", 0);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Pump();
    EXPECT_EQ(NextReminder(), kNow - 60 * kSecond);

    // A copy with its reminder off never counts; the earliest of the others does.
    ItemPlan off = Plan("Off");
    off.signalTime = kNow - 3600 * kSecond;
    off.recurring = true;
    off.reminderSet = false;
    NewItem(projects.get(), off);
    DueAt(kNow - 120 * kSecond, "Earlier");
    Pump();
    EXPECT_EQ(NextReminder(), kNow - 120 * kSecond);
    // Deleting the copies due leaves none.
    for (const Copy& copy : Copies()) {
        SBinary id{static_cast<ULONG>(copy.entryId.size()), const_cast<BYTE*>(copy.entryId.data())};
        ENTRYLIST list{1, &id};
        if (copy.subject != "Off") {
            ASSERT_EQ(BackFolder()->DeleteMessages(&list, 0, nullptr, 0), S_OK);
        }
    }
    Pump();
    EXPECT_EQ(NextReminder(), ~0ULL);
}

TEST_F(ReminderTimerTest, ATickAtTheReminderTimeDoesNothingTheNextOneRaises)
{
    DueAt(kNow + 10 * kSecond);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Pump();
    EXPECT_EQ(NextReminder(), kNow + 10 * kSecond);
    Advance(10000); // now == the reminder time
    EXPECT_EQ(Opened(), 0u);
    Advance(10000);
    EXPECT_EQ(Opened(), 1u);
    EXPECT_TRUE(seam.window);
}

TEST_F(ReminderTimerTest, ConfiguringHoldsTheTimerUntilEveryHoldIsLetGo)
{
    DueAt(kNow - 10 * kSecond);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_EQ(reminder->put_Configuring(VARIANT_TRUE), S_OK);
    EXPECT_EQ(reminder->put_Configuring(VARIANT_TRUE), S_OK);
    EXPECT_EQ(reminder->put_Configuring(VARIANT_FALSE), S_OK);
    EXPECT_TRUE(Configuring());
    EXPECT_EQ(Engine()->TimerId(), 0u);
    Advance(30000);
    EXPECT_EQ(Opened(), 0u);
    EXPECT_EQ(reminder->put_Configuring(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(Configuring());
    EXPECT_NE(Engine()->TimerId(), 0u);
    Advance(10000);
    EXPECT_EQ(Opened(), 1u);
    // An end that no beginning matched changes nothing: the timer goes on.
    seam.CloseWindow();
    EXPECT_EQ(reminder->put_Configuring(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(Configuring());
    Advance(10000);
    EXPECT_EQ(Opened(), 2u);
}

TEST_F(ReminderTimerTest, TheEndOfConfiguringStartsNoTimerOnADisabledEngine)
{
    EXPECT_EQ(reminder->put_Configuring(VARIANT_TRUE), S_OK);
    EXPECT_EQ(reminder->put_Configuring(VARIANT_FALSE), S_OK);
    EXPECT_EQ(Engine()->TimerId(), 0u);
}

TEST_F(ReminderTimerTest, TheIntervalTakesPositiveValuesAndNeverWraps)
{
    LONG interval = 0;
    EXPECT_EQ(reminder->put_UpdateInterval(0), S_OK);
    EXPECT_EQ(reminder->put_UpdateInterval(-5), S_OK);
    reminder->get_UpdateInterval(&interval);
    EXPECT_EQ(interval, 10);
    // A disabled engine keeps it and starts no timer.
    EXPECT_EQ(reminder->put_UpdateInterval(30), S_OK);
    reminder->get_UpdateInterval(&interval);
    EXPECT_EQ(interval, 30);
    EXPECT_EQ(Engine()->TimerId(), 0u);

    DueAt(kNow - 10 * kSecond);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(20000);
    EXPECT_EQ(Opened(), 0u); // 30 s
    Advance(10000);
    EXPECT_EQ(Opened(), 1u);
    seam.CloseWindow();
    // 4,294,968 s in milliseconds exceed 32 bits: cut, they would be 704 ms. The timer waits as
    // long as it can instead.
    EXPECT_EQ(reminder->put_UpdateInterval(4294968), S_OK);
    EXPECT_NE(Engine()->TimerId(), 0u);
    Advance(60 * 1000);
    EXPECT_EQ(Opened(), 1u);
}

TEST_F(ReminderTimerTest, WithoutAWindowTheSoundPlaysInTheBackgroundAndTheWindowOpens)
{
    const auto sound = platform::RootDirectory() / "chime.wav";
    std::ofstream(sound) << "RIFF";
    SetSettingsDword("Sound", 1);
    SetSettingsString("SoundFile", sound.string());
    DueAt(kNow - 10 * kSecond);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(10000);
    ASSERT_EQ(Opened(), 1u);
    auto sounds = platform::SoundRecords();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].file, sound.string());
    EXPECT_EQ(sounds[0].flags, static_cast<DWORD>(SND_FILENAME | SND_NODEFAULT | SND_ASYNC));
    // The window is open and in front: the next ticks neither sound nor ask for attention.
    ASSERT_EQ(GetForegroundWindow(), seam.window);
    Advance(20000);
    EXPECT_EQ(Opened(), 1u);
    EXPECT_EQ(platform::SoundRecords().size(), 1u);
    EXPECT_EQ(Pending(), 0u);
}

TEST_F(ReminderTimerTest, AWindowNotInFrontIsAskedForAttentionEveryTickOrBroughtToFront)
{
    DueAt(kNow - 10 * kSecond);
    seam.OpenWindow();
    HWND other = platform::CreateMessageWindow("TestOther", "Inbox", [](HWND h, UINT m, WPARAM w, LPARAM l) {
        return DefWindowProcA(h, m, w, l);
    });
    ShowWindow(other, SW_SHOW);
    ASSERT_EQ(GetForegroundWindow(), other);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(10000);
    Advance(10000);
    EXPECT_EQ(Pending(), 2u);
    EXPECT_EQ(Opened(), 0u);
    EXPECT_EQ(GetForegroundWindow(), other);
    WriteIni("AlwaysPopUp", 1);
    Advance(10000);
    EXPECT_EQ(Pending(), 2u);
    EXPECT_EQ(GetForegroundWindow(), seam.window);
    DestroyWindow(other);
}

TEST_F(ReminderTimerTest, AWindowThatCannotBeMadeIsTriedAgainAtTheNextTick)
{
    DueAt(kNow - 10 * kSecond);
    seam.makeWindow = false;
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(10000);
    Advance(10000);
    EXPECT_EQ(Opened(), 2u); // the raising flag did not stay set
}

TEST_F(ReminderTimerTest, ARaisingThatComesInWhileOneRunsRaisesNothing)
{
    DueAt(kNow - 10 * kSecond);
    seam.onOpen = [this] { EXPECT_EQ(reminder->ShowReminders(), S_OK); };
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Advance(10000);
    EXPECT_EQ(Opened(), 1u);
}

TEST_F(ReminderTimerTest, DisablingClosesTheWindow)
{
    seam.OpenWindow();
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_FALSE), S_OK);
    ASSERT_EQ(seam.windowMessages.size(), 1u);
    EXPECT_EQ(seam.windowMessages[0], static_cast<UINT>(WM_COMMAND));
}

TEST_F(ReminderTimerTest, TheTimerWindowHandlesItsTimerOfMapZeroOnly)
{
    LRESULT result = 5;
    EXPECT_FALSE(Engine()->ProcessWindowMessage(Engine()->TimerWindow(), WM_TIMER, 1, 0, result, 1));
    EXPECT_EQ(result, 5);
    EXPECT_FALSE(Engine()->ProcessWindowMessage(Engine()->TimerWindow(), WM_SIZE, 0, 0, result, 0));
    EXPECT_TRUE(Engine()->ProcessWindowMessage(Engine()->TimerWindow(), WM_TIMER, 1, 0, result, 0));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(platform::WindowName(Engine()->TimerWindow()), "ReminderTimer");
}
