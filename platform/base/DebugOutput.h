// The debugger stand-in. OutputDebugStringA is silent unless PLATFORM_DEBUG_OUTPUT says
// "stderr" or names a file (appended to); tests collect the texts with DebugOutputCapture.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <vector>

extern "C" {
void OutputDebugStringA(LPCSTR text);
// True while debug output goes anywhere (a capture, or the variable below set), so that a
// caller can spare itself formatting texts that no one would see.
BOOL IsDebuggerPresent();
}

namespace platform {

inline constexpr const char* kDebugOutputVariable = "PLATFORM_DEBUG_OUTPUT";

// Collects every text passed to OutputDebugStringA, from any thread, while it lives.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // The texts so far, one entry per call.
    std::vector<std::string> texts() const;
    // All texts joined, as a debugger window would show them.
    std::string joined() const;
    void clear();

private:
    friend void ::OutputDebugStringA(LPCSTR text);
    void append(const char* text);

    std::vector<std::string> m_texts;
};

} // namespace platform
