// ExtensionList: the client extensions the host loads: the .ecf files of its add-ins folder
// and the values under HKLM\Software\Microsoft\Exchange\Client\Extensions. The list is kept in
// a cache file; the marker value "Outlook Setup Extension" makes the host read the sources
// again at its next start (and is consumed then).
#pragma once

#include "base/WinTypes.h"

#include <filesystem>
#include <string>
#include <vector>

namespace host {

inline constexpr char kExtensionsKey[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";
inline constexpr char kReloadMarker[] = "Outlook Setup Extension";

struct ExtensionEntry {
    std::string name;         // value name or the .ecf's display name
    std::string source;       // the .ecf file, or "registry"
    std::string path;         // the library
    std::string entryPoint;   // an ordinal ("5") or an export name
    std::string contextMap;   // '1' at index n-1 enables context n; empty: every context
    std::string interfaceMap; // '1' at index n-1 enables companion interface n; empty: all

    bool ContextEnabled(ULONG context) const;
    // Companions: 1 commands, 2 user events, 3 session events, 4 message events, 5 attached-file
    // events, 6 property sheets, 7 advanced criteria.
    bool InterfaceEnabled(unsigned position) const;
};

class ExtensionList {
public:
    // Reads the sources (or the cache when there is no marker); `problems` gets one line for
    // each source that could not be used.
    static std::vector<ExtensionEntry> Load(std::vector<std::string>& problems);
    // Reads the sources only.
    static std::vector<ExtensionEntry> Scan(std::vector<std::string>& problems);
    // The parsers (false with `problem` set for an unusable source).
    static bool ParseRegistryValue(const std::string& name, const std::string& data, ExtensionEntry& entry,
                                   std::string& problem);
    static bool ParseEcf(const std::filesystem::path& file, ExtensionEntry& entry, std::string& problem);
    static std::filesystem::path CacheFile();
};

} // namespace host
