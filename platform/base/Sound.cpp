#include "base/Sound.h"

#include "base/DisplayState.h"
#include "base/Module.h"
#include "base/PlatformRoot.h"
#include "base/Process.h"
#include "base/SettingsSource.h"
#include "base/SoundPlayer.h"
#include "base/WinError.h"
#include "base/Utf.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>

namespace fs = std::filesystem;

namespace {

std::mutex g_lock;
std::vector<platform::SoundRecord> g_sounds;
std::vector<UINT> g_beeps;
std::function<void()> g_bell;

std::string ProgramName()
{
    char path[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return fs::path(std::string(path, n)).stem().string();
}

std::string Slashes(std::string s)
{
    for (char& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

// An existing file for the name: as it stands, else in the Media folder of the Windows
// directory (where sound events name their files).
std::optional<std::string> ExistingFile(const std::string& name)
{
    if (name.empty())
        return std::nullopt;
    std::string expanded = name;
    const DWORD needed = ExpandEnvironmentStringsA(name.c_str(), nullptr, 0);
    if (needed > 0) {
        expanded.assign(needed, '\0');
        ExpandEnvironmentStringsA(name.c_str(), expanded.data(), needed);
        expanded.resize(needed - 1);
    }
    const fs::path path(Slashes(expanded));
    std::error_code ec;
    if (fs::is_regular_file(path, ec))
        return path.string();
    if (path.is_relative()) {
        const fs::path media = platform::WindowsDirectory() / "Media" / path;
        if (fs::is_regular_file(media, ec))
            return media.string();
    }
    return std::nullopt;
}

// The file of a sound event: .Current, else .Default, first of the program's own events (with
// SND_APPLICATION), then of the system's.
std::optional<std::string> AliasFile(const std::string& alias, bool application)
{
    std::vector<std::string> apps;
    if (application)
        apps.push_back(ProgramName());
    apps.push_back(".Default");
    for (const auto& app : apps) {
        for (const char* scheme : {".Current", ".Default"}) {
            const std::string key = "AppEvents\\Schemes\\Apps\\" + app + "\\" + alias + "\\" + scheme;
            std::string file;
            if (platform::ReadSettingString(platform::SettingsHive::CurrentUser, key.c_str(), "", "", file) !=
                    ERROR_SUCCESS ||
                file.empty())
                continue;
            if (auto found = ExistingFile(file))
                return found;
        }
    }
    return std::nullopt;
}

std::vector<std::string> PlayerCommand()
{
    const char* command = std::getenv(platform::kSoundPlayerVariable);
    return command ? platform::SplitArguments(command) : std::vector<std::string>();
}

} // namespace

BOOL PlaySoundA(LPCSTR sound, HMODULE, DWORD flags)
{
    if (!sound) {
        platform::SoundPlayer::Instance().Stop();
        return TRUE;
    }
    if ((flags & (SND_MEMORY | SND_LOOP)) || (flags & SND_RESOURCE) == SND_RESOURCE)
        return FALSE;

    std::optional<std::string> file;
    if (flags & SND_FILENAME)
        file = ExistingFile(sound);
    else if (flags & SND_ALIAS)
        file = AliasFile(sound, (flags & SND_APPLICATION) != 0);
    else if (!(file = AliasFile(sound, (flags & SND_APPLICATION) != 0)))
        file = ExistingFile(sound);
    if (!file && !(flags & SND_NODEFAULT))
        file = AliasFile(".Default", false);

    {
        std::lock_guard guard(g_lock);
        g_sounds.push_back({sound, file.value_or(""), flags});
    }
    if (!file)
        return FALSE;
    const auto command = PlayerCommand();
    if (command.empty()) {
        platform::SoundPlayer::Instance().Stop();
        return TRUE;
    }
    return platform::SoundPlayer::Instance().Play(command, *file, !(flags & SND_ASYNC)) ? TRUE : FALSE;
}

BOOL MessageBeep(UINT type)
{
    std::function<void()> bell;
    {
        std::lock_guard guard(g_lock);
        g_beeps.push_back(type);
        bell = g_bell;
    }
    if (bell && platform::ToolkitDisplayRunning())
        bell();
    return TRUE;
}

namespace platform {

std::vector<SoundRecord> SoundRecords()
{
    std::lock_guard guard(g_lock);
    return g_sounds;
}

std::vector<UINT> BeepRecords()
{
    std::lock_guard guard(g_lock);
    return g_beeps;
}

void ClearSoundRecords()
{
    std::lock_guard guard(g_lock);
    g_sounds.clear();
    g_beeps.clear();
}

void SetBellHandler(std::function<void()> bell)
{
    std::lock_guard guard(g_lock);
    g_bell = std::move(bell);
}

} // namespace platform
