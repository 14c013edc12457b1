// The program started as a child process in the test's own root, on a private virtual display
// when a test needs one, with boxes on the console and the toolkit's own leaks suppressed.
#pragma once

#include "ChildProcess.h"
#include "RunChild.h"
#include "TempRoot.h"
#include "VirtualDisplay.h"

#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace programtest {

namespace fs = std::filesystem;

// The number after "NAME=" in a state line (-1 when absent).
inline long Field(const std::string& line, const std::string& name)
{
    const auto pos = line.find(" " + name + "=");
    if (pos == std::string::npos)
        return -1;
    return std::strtol(line.c_str() + pos + name.size() + 2, nullptr, 10);
}

inline std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + part.size()))
        ++n;
    return n;
}

inline void SetDword(HKEY root, const char* key, const char* name, DWORD value)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), ERROR_SUCCESS);
    RegSetValueExA(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(h);
}

inline void SetString(HKEY root, const char* key, const char* name, const std::string& value)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), ERROR_SUCCESS);
    RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
}

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("PLATFORM_MESSAGEBOX", "console", 1);
        // The window toolkit's libraries keep memory until the program ends.
        setenv("LSAN_OPTIONS", ("print_suppressions=0:suppressions=" + std::string(TOOLKIT_LEAKS)).c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("PLATFORM_MESSAGEBOX");
        unsetenv("LSAN_OPTIONS");
    }

    bool StartDisplay()
    {
        if (!VirtualDisplay::Available())
            return false;
        display = std::make_unique<VirtualDisplay>();
        if (!display->ok())
            return false;
        display->makeCurrent();
        return true;
    }

    std::string Script(const std::string& name, const std::string& text)
    {
        const fs::path path = root.path() / name;
        std::ofstream(path) << text;
        return path.string();
    }

    ChildResult Run(const std::vector<std::string>& args, const std::string& script = "",
                    ChildOptions options = {})
    {
        if (!script.empty())
            options.environment["ORVINTA_SCRIPT"] = Script("script.txt", script);
        return RunChild(ORVINTA_PROGRAM, args, options);
    }

    static void Register() { ASSERT_EQ(RunChild(REGSVR_PROGRAM, {"/s", TEMBRIX_LIBRARY}).exitCode, 0); }

    TempRoot root;
    std::unique_ptr<VirtualDisplay> display;
};

} // namespace programtest
