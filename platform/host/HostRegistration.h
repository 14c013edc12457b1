// The host's own registration, as its setup would write it: App Paths\OUTLOOK.EXE (default
// value: the program's path; Path: its folder) and the add-ins folder "Complts" beside it,
// where client-extension .ecf files go.
#pragma once

#include <filesystem>
#include <string>

namespace host {

inline constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
inline constexpr char kAddinsFolderName[] = "Complts";

// Writes the values and creates the add-ins folder. `folder` empty: the program's own folder.
// Returns false with `error` set when something could not be written.
bool RegisterHost(const std::filesystem::path& program, const std::filesystem::path& folder, std::string& error);
// The registered host folder ("" when not registered).
std::filesystem::path RegisteredHostFolder();
// The add-ins folder: <registered folder>/Complts ("" when not registered).
std::filesystem::path AddinsFolder();

} // namespace host
