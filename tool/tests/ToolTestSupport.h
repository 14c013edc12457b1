// Shared set-up of the program's tests: message boxes answered on the console and recorded,
// and the boxes shown so far.
#pragma once

#include "base/AnswerQueue.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace tooltest {

inline std::vector<platform::PromptRecord> Boxes()
{
    std::vector<platform::PromptRecord> boxes;
    for (const auto& record : platform::PromptRecords())
        if (record.kind == platform::PromptKind::MessageBox)
            boxes.push_back(record);
    return boxes;
}

// A DWORD of the program's settings (HKCU\Software\Tembrix\settings); all bits set when missing.
inline DWORD SettingDword(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    DWORD value = 0xFFFFFFFF;
    DWORD cb = sizeof(value);
    RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &cb);
    RegCloseKey(key);
    return value;
}

// Boxes go to the console presenter and the record starts empty.
class ConsoleBoxes {
public:
    ConsoleBoxes()
    {
        setenv("PLATFORM_MESSAGEBOX", "console", 1);
        platform::ClearAnswers();
    }
    ~ConsoleBoxes()
    {
        platform::ClearAnswers();
        unsetenv("PLATFORM_MESSAGEBOX");
    }
    ConsoleBoxes(const ConsoleBoxes&) = delete;
    ConsoleBoxes& operator=(const ConsoleBoxes&) = delete;
};

} // namespace tooltest
