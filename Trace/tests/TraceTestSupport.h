// Shared pieces of the trace tests: a fixed clock and zone, file helpers, and the regular
// expression of a line prefix.
#pragma once

#include "base/ManualClock.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// Fixes local time at 2026-07-01 12:34:56 (TZ=UTC0) for the test's lifetime.
class FixedTime {
public:
    FixedTime();
    ~FixedTime();

private:
    std::optional<std::string> m_oldTz;
    std::shared_ptr<platform::ManualClock> m_clock;
    platform::ScopedClock m_scoped;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);
// Writes the INI file in the platform root's Windows directory.
void WriteIni(const char* name, const std::string& text);

// "hh:mm:ss L[label-source:" for a regular expression; the line number follows.
std::string PrefixPattern(char letter, const std::string& label, const std::string& source);
