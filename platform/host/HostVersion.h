// The version the host reports: Application.Version ("major.minor.build.revision") and, to
// client extensions, a build version whose high word is 0x000D.
#pragma once

#include "base/WinTypes.h"

#include <optional>
#include <string>

namespace host {

inline constexpr char kDefaultVersion[] = "14.0.7015.1000";
inline constexpr char kHostKey[] = "Software\\Microsoft\\Office\\Outlook";
inline constexpr char kVersionValue[] = "Version";
inline constexpr char kLanguageValue[] = "LanguageID";
inline constexpr DWORD kDefaultLanguage = 1033;

struct HostVersion {
    int major = 0, minor = 0, build = 0, revision = 0;
    std::string text;

    // Four dot-separated decimal numbers, nothing else; nullopt otherwise.
    static std::optional<HostVersion> Parse(std::string_view text);
    // For IExchExtCallback::GetVersion(EECBGV_GETBUILDVERSION).
    ULONG BuildVersion() const { return 0x000D0000u | (static_cast<ULONG>(build) & 0xFFFFu); }
    // For EECBGV_GETACTUALVERSION: major, minor and build in the bytes from the top.
    ULONG ActualVersion() const
    {
        return (static_cast<ULONG>(major & 0xFF) << 24) | (static_cast<ULONG>(minor & 0xFF) << 16) |
               (static_cast<ULONG>(build) & 0xFFFFu);
    }
};

// The configured version: the registry value Version (HKCU, then HKLM) under kHostKey, else
// the default. An invalid registry value is reported in `problem` and the default used.
HostVersion ConfiguredVersion(std::string* problem = nullptr);
// The user-interface language: value LanguageID (REG_DWORD) likewise, else 1033.
DWORD ConfiguredLanguage();
// The LanguageID value itself, when one is there.
std::optional<DWORD> ConfiguredLanguageValue();

} // namespace host
