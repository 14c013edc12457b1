// Sounds ("winmm.dll" PlaySoundA, and MessageBeep). A sound is a file, or an alias of a sound
// event that the registry names: HKCU\AppEvents\Schemes\Apps\<app>\<alias>\.Current, else its
// .Default, where <app> is the program's own key (the executable's name without extension,
// with SND_APPLICATION) and then ".Default". A sound that cannot be found plays the default
// sound (the alias ".Default" of ".Default") unless SND_NODEFAULT says not to. The file is played
// by the command in PLATFORM_SOUND_PLAYER (split into words as a command line is, the file
// appended, run without a shell); without one sounds are silent. Only one sound plays at a time:
// a new one, and PlaySoundA(NULL, ...), stops the one before. Every sound and beep is recorded.
#pragma once

#include "base/WinTypes.h"

#include <functional>
#include <string>
#include <vector>

#define SND_SYNC 0x0000
#define SND_ASYNC 0x0001
#define SND_NODEFAULT 0x0002
#define SND_MEMORY 0x0004
#define SND_LOOP 0x0008
#define SND_NOSTOP 0x0010
#define SND_APPLICATION 0x0080
#define SND_NOWAIT 0x00002000L
#define SND_ALIAS 0x00010000L
#define SND_FILENAME 0x00020000L
#define SND_RESOURCE 0x00040004L

#define MB_SIMPLEBEEP 0xFFFFFFFF

extern "C" {
// SND_SYNC waits until the sound has ended (or another call stopped it); SND_ASYNC returns at
// once; SND_NOWAIT is accepted (nothing here is ever busy). Without SND_ALIAS or SND_FILENAME
// the name is tried as an alias, then as a file; a relative file name is looked for in the
// current folder and in the Media folder of the Windows directory. FALSE when nothing was found
// to play, when the player cannot be started, and for SND_MEMORY, SND_RESOURCE and SND_LOOP,
// which are not supported.
BOOL PlaySoundA(LPCSTR sound, HMODULE module, DWORD flags);
// Records the beep; while a toolkit display runs the bell handler rings.
BOOL MessageBeep(UINT type);
}

namespace platform {

inline constexpr const char* kSoundPlayerVariable = "PLATFORM_SOUND_PLAYER";

struct SoundRecord {
    std::string sound; // as asked
    std::string file;  // what was played ("" when nothing was found)
    DWORD flags = 0;
};

std::vector<SoundRecord> SoundRecords();
std::vector<UINT> BeepRecords();
void ClearSoundRecords();

// What rings the display's bell; the windowed toolkit installs it.
void SetBellHandler(std::function<void()> bell);

} // namespace platform
