#include "base/DisplayState.h"
#include "base/PlatformRoot.h"
#include "base/Sound.h"
#include "registry/Registry.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kEndSound = SND_ALIAS | SND_NOWAIT | SND_APPLICATION | SND_ASYNC; // 0x12081
const std::string kProgram = "platform_base_settings_tests";

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::ClearSoundRecords();
        if (const char* old = std::getenv(platform::kSoundPlayerVariable))
            m_previous = old;
        unsetenv(platform::kSoundPlayerVariable);
        for (const char* name : {"done.wav", "ding.wav", "default.wav"})
            std::ofstream(root.path() / name) << "RIFF";
        fs::create_directories(platform::WindowsDirectory() / "Media");
        std::ofstream(platform::WindowsDirectory() / "Media" / "chimes.wav") << "RIFF";
        SetEvent(".Default", ".Default", ".Current", File("default.wav"));
    }
    void TearDown() override
    {
        PlaySoundA(nullptr, nullptr, 0);
        m_previous.empty() ? unsetenv(platform::kSoundPlayerVariable)
                           : setenv(platform::kSoundPlayerVariable, m_previous.c_str(), 1);
    }

    std::string File(const char* name) const { return (root.path() / name).string(); }

    static void SetEvent(const std::string& app, const std::string& alias, const char* scheme, const std::string& file)
    {
        HKEY key = nullptr;
        const std::string path = "AppEvents\\Schemes\\Apps\\" + app + "\\" + alias + "\\" + scheme;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                                 static_cast<DWORD>(file.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // A player that logs "start FILE" and "stop FILE" (when stopped) or "end FILE" after
    // `seconds`.
    void UsePlayer(int seconds)
    {
        const fs::path player = root.path() / "player";
        std::ofstream(player) << "#!/bin/sh\n"
                              << "echo \"start $2\" >> '" << log.string() << "'\n"
                              << "trap 'echo \"stop $2\" >> \"" << log.string() << "\"; exit 0' TERM\n"
                              << "i=0\nwhile [ $i -lt " << seconds * 10 << " ]; do sleep 0.1; i=$((i+1)); done\n"
                              << "echo \"end $2\" >> '" << log.string() << "'\n";
        fs::permissions(player, fs::perms::owner_all);
        // Words are split as a command line is; the file comes last.
        setenv(platform::kSoundPlayerVariable, ("\"" + player.string() + "\" --quiet").c_str(), 1);
    }

    std::string Log() const
    {
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Waits until the log holds `line` (a few seconds at most).
    bool WaitFor(const std::string& line) const
    {
        for (int i = 0; i < 1000; ++i) {
            if (Log().find(line + "\n") != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    TempRoot root;
    fs::path log = root.path() / "player.log";

private:
    std::string m_previous;
};

} // namespace

TEST_F(SoundTest, TheProgramsAliasCurrentThenDefault)
{
    SetEvent(kProgram, "OrvintaDone", ".Current", File("done.wav"));
    SetEvent(kProgram, "OrvintaDone", ".Default", File("ding.wav"));
    EXPECT_TRUE(PlaySoundA("OrvintaDone", nullptr, kEndSound));
    SetEvent(kProgram, "OrvintaDone", ".Current", "");
    EXPECT_TRUE(PlaySoundA("OrvintaDone", nullptr, kEndSound));
    const auto records = platform::SoundRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].sound, "OrvintaDone");
    EXPECT_EQ(records[0].file, File("done.wav"));
    EXPECT_EQ(records[0].flags, 0x12081u);
    EXPECT_EQ(records[1].file, File("ding.wav"));
}

TEST_F(SoundTest, SystemEventsAndTheDefaultSound)
{
    SetEvent(".Default", "MailBeep", ".Current", "%SystemRoot%\\Media\\chimes.wav");
    setenv("SystemRoot", platform::WindowsDirectory().c_str(), 1);
    EXPECT_TRUE(PlaySoundA("MailBeep", nullptr, SND_ALIAS | SND_ASYNC));
    SetEvent(".Default", "SystemAsterisk", ".Current", "chimes.wav"); // found in the Media folder
    EXPECT_TRUE(PlaySoundA("SystemAsterisk", nullptr, SND_ALIAS));
    // The program's own events are looked at only for SND_APPLICATION.
    SetEvent(kProgram, "OwnOnly", ".Current", File("done.wav"));
    EXPECT_TRUE(PlaySoundA("OwnOnly", nullptr, SND_ALIAS));
    // A missing alias plays the default sound, unless SND_NODEFAULT.
    EXPECT_TRUE(PlaySoundA("NoSuchEvent", nullptr, SND_ALIAS | SND_APPLICATION));
    EXPECT_FALSE(PlaySoundA("NoSuchEvent", nullptr, SND_ALIAS | SND_NODEFAULT));
    const auto records = platform::SoundRecords();
    ASSERT_EQ(records.size(), 5u);
    const fs::path chimes = platform::WindowsDirectory() / "Media" / "chimes.wav";
    EXPECT_EQ(fs::path(records[0].file), chimes);
    EXPECT_EQ(fs::path(records[1].file), chimes);
    EXPECT_EQ(records[2].file, File("default.wav"));
    EXPECT_EQ(records[3].file, File("default.wav"));
    EXPECT_EQ(records[4].file, "");
}

TEST_F(SoundTest, FilesAndNames)
{
    EXPECT_TRUE(PlaySoundA(File("done.wav").c_str(), nullptr, SND_FILENAME | SND_NODEFAULT));
    EXPECT_FALSE(PlaySoundA(File("gone.wav").c_str(), nullptr, SND_FILENAME | SND_NODEFAULT));
    EXPECT_TRUE(PlaySoundA(File("gone.wav").c_str(), nullptr, SND_FILENAME));
    // Neither flag: an alias first, then a file.
    EXPECT_TRUE(PlaySoundA(File("ding.wav").c_str(), nullptr, SND_NODEFAULT));
    EXPECT_FALSE(PlaySoundA(File("done.wav").c_str(), nullptr, SND_FILENAME | SND_LOOP));
    EXPECT_FALSE(PlaySoundA(File("done.wav").c_str(), nullptr, SND_MEMORY));
    const auto records = platform::SoundRecords();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].file, File("done.wav"));
    EXPECT_EQ(records[1].file, "");
    EXPECT_EQ(records[2].file, File("default.wav"));
    EXPECT_EQ(records[3].file, File("ding.wav"));
}

TEST_F(SoundTest, AsyncReturnsAtOnceAndTheNextSoundStopsTheLast)
{
    UsePlayer(60);
    EXPECT_TRUE(PlaySoundA(File("done.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    ASSERT_TRUE(WaitFor("start " + File("done.wav")));
    EXPECT_EQ(Log().find("end "), std::string::npos); // still playing: the call did not wait
    EXPECT_TRUE(PlaySoundA(File("ding.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    ASSERT_TRUE(WaitFor("start " + File("ding.wav")));
    EXPECT_NE(Log().find("stop " + File("done.wav") + "\n"), std::string::npos);
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
    EXPECT_TRUE(WaitFor("stop " + File("ding.wav")));
}

TEST_F(SoundTest, SyncWaitsForTheEndOrAStop)
{
    UsePlayer(0);
    EXPECT_TRUE(PlaySoundA(File("done.wav").c_str(), nullptr, SND_FILENAME | SND_SYNC));
    EXPECT_NE(Log().find("end " + File("done.wav") + "\n"), std::string::npos);

    UsePlayer(60);
    std::thread player([&] { PlaySoundA(File("ding.wav").c_str(), nullptr, SND_FILENAME); });
    ASSERT_TRUE(WaitFor("start " + File("ding.wav")));
    PlaySoundA(nullptr, nullptr, 0);
    player.join(); // the stop ended the waiting call
    EXPECT_NE(Log().find("stop " + File("ding.wav") + "\n"), std::string::npos);
}

TEST_F(SoundTest, SilentWithoutAPlayerAndFalseWithABrokenOne)
{
    EXPECT_TRUE(PlaySoundA(File("done.wav").c_str(), nullptr, SND_FILENAME));
    EXPECT_FALSE(fs::exists(log));
    ASSERT_EQ(platform::SoundRecords().size(), 1u);
    setenv(platform::kSoundPlayerVariable, (root.path() / "no-player").c_str(), 1);
    EXPECT_FALSE(PlaySoundA(File("done.wav").c_str(), nullptr, SND_FILENAME));
}

TEST_F(SoundTest, MessageBeepIsRecordedAndRingsOnlyWithADisplay)
{
    int rings = 0;
    platform::SetBellHandler([&] { ++rings; });
    EXPECT_TRUE(MessageBeep(MB_SIMPLEBEEP));
    EXPECT_EQ(rings, 0);
    platform::SetToolkitDisplayRunning(true);
    EXPECT_TRUE(MessageBeep(0x40)); // MB_ICONASTERISK
    platform::SetToolkitDisplayRunning(false);
    platform::SetBellHandler(nullptr);
    EXPECT_EQ(rings, 1);
    EXPECT_EQ(platform::BeepRecords(), (std::vector<UINT>{MB_SIMPLEBEEP, 0x40}));
}
