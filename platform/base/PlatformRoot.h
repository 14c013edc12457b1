// The one folder that holds all machine state of the platform layer: registry, Windows
// directory, application data, message stores, spool and logs. PLATFORM_ROOT chooses it;
// without it, $XDG_DATA_HOME/winroot (or ~/.local/share/winroot).
#pragma once

#include <filesystem>
#include <string>

namespace platform {

inline constexpr const char* kRootVariable = "PLATFORM_ROOT";

// The root, created on first use. Read from the environment on every call so that a test
// that points it elsewhere is obeyed at once.
std::filesystem::path RootDirectory();

// Sub-folders of the root, each created on demand.
std::filesystem::path WindowsDirectory();      // bare INI names resolve here
std::filesystem::path AppDataDirectory();      // the user's application data
std::filesystem::path LocalAppDataDirectory(); // local (non-roaming) application data
std::filesystem::path StoresDirectory();       // message store files
std::filesystem::path SpoolDirectory();        // submitted mail
std::filesystem::path LogsDirectory();
std::filesystem::path TempDirectory();

// A sub-folder of the root by name, created on demand.
std::filesystem::path RootSubdirectory(const std::string& name);

} // namespace platform
