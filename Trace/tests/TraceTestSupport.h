// Helpers shared by the trace tests: a fixed clock and zone, file helpers, and checks of the
// lines a log holds.
#pragma once

#include "base/ManualClock.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// Whether line is "hh:mm:ss L[label-source:N] text" for any time and line number N.
bool IsPrefixedLine(const std::string& line, char letter, const std::string& label, const std::string& source,
                    const std::string& text);
// Whether line is "yyyy-mm-dd".
bool IsDate(const std::string& line);
// The text cut into lines, each with its "\n" removed (a last line without one is kept too).
std::vector<std::string> Lines(const std::string& text);
