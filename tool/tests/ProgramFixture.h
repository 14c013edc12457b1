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
#include <sstream>
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

// Whether one line of the text is exactly `line`.
inline bool HasLine(const std::string& text, const std::string& line)
{
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (l == line)
            return true;
    return false;
}

// A running first instance that reads its test commands from `script`.
struct FirstInstance {
    std::unique_ptr<ChildProcess> child;

    FirstInstance(const std::string& script, const std::vector<std::string>& args)
    {
        child = std::make_unique<ChildProcess>(ORVINTA_PROGRAM, args,
                                               std::vector<std::pair<std::string, std::string>>{
                                                   {"ORVINTA_SCRIPT", script}});
    }
};

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

    // The engine registered and the MAPI profile "Work" with a personal store ("Personal
    // Folders") and a public-folder store ("Public Folders") in these files.
    static void MakeWork(const std::string& personal, const std::string& publicStore)
    {
        Register();
        Admin({"profile", "create", "Work"});
        Admin({"store", "create", personal, "--name", "Personal Folders", "--profile", "Work"});
        Admin({"store", "create", publicStore, "--kind", "public", "--name", "Public Folders"});
        Admin({"store", "attach", "Work", publicStore});
    }

    // The store tool with these words; it must succeed.
    static void Admin(const std::vector<std::string>& args)
    {
        const auto result = RunChild(MAPIADMIN_PROGRAM, args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    // The store tool's list of a folder's messages (entry ID, subject, class, time a line).
    static std::string Subjects(const std::string& file, const std::string& folder)
    {
        const auto list = RunChild(MAPIADMIN_PROGRAM, {"message", "list", file, folder});
        EXPECT_EQ(list.exitCode, 0) << list.err;
        return list.out;
    }

    TempRoot root;
    std::unique_ptr<VirtualDisplay> display;
};

// A program test with a personal store and a public-folder store file in its root.
class StoresProgram : public Program {
protected:
    void SetUp() override
    {
        Program::SetUp();
        personal = (root.path() / "personal.store").string();
        publicStore = (root.path() / "public.store").string();
    }

    std::string personal;
    std::string publicStore;
};

} // namespace programtest
