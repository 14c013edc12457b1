#include "base/LastError.h"
#include "base/PlatformRoot.h"
#include "base/Profile.h"
#include "base/WinError.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& p, const std::string& text)
{
    std::ofstream(p, std::ios::binary) << text;
}

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Splits a double-zero list.
std::vector<std::string> List(const char* buffer, DWORD length)
{
    std::vector<std::string> names;
    for (DWORD i = 0; i < length;) {
        std::string n(buffer + i);
        names.push_back(n);
        i += static_cast<DWORD>(n.size()) + 1;
    }
    return names;
}

std::string Get(const char* section, const char* key, const char* def, const char* file, DWORD size = 256)
{
    std::vector<char> buf(size + 1, 'X');
    const DWORD n = GetPrivateProfileStringA(section, key, def, buf.data(), size, file);
    EXPECT_EQ(buf[n], '\0');
    return std::string(buf.data(), n);
}

} // namespace

TEST(Profile, BareNameResolvesInWindowsDirectoryCaseInsensitively)
{
    TempRoot root;
    WriteFile(platform::WindowsDirectory() / "Lumivane.ini",
              "; diagnostics\r\n[CL]\r\n  DebugLevel = 3 \r\nDebugFile=\"/tmp/trace log.txt\"\r\nQuoted='x'\r\n"
              "Half=\"open\r\n\r\n[Other]\r\nDebugLevel=9\r\n");
    EXPECT_EQ(GetPrivateProfileIntA("cl", "debuglevel", 0, "Lumivane.ini"), 3u);
    EXPECT_EQ(GetPrivateProfileIntA("OTHER", "DEBUGLEVEL", 0, "Lumivane.ini"), 9u);
    EXPECT_EQ(Get("CL", "DebugFile", "", "Lumivane.ini"), "/tmp/trace log.txt");
    EXPECT_EQ(Get("CL", "Quoted", "", "Lumivane.ini"), "x");
    EXPECT_EQ(Get("CL", "Half", "", "Lumivane.ini"), "\"open"); // unmatched quote stays
    // The same file through a full path with backslashes.
    const std::string full = (platform::WindowsDirectory() / "Lumivane.ini").string();
    std::string backslashed = full;
    for (char& c : backslashed)
        if (c == '/')
            c = '\\';
    EXPECT_EQ(GetPrivateProfileIntA("CL", "DebugLevel", 0, backslashed.c_str()), 3u);
}

TEST(Profile, DefaultsForMissingFileSectionAndKey)
{
    TempRoot root;
    SetLastError(0);
    EXPECT_EQ(GetPrivateProfileIntA("CL", "DebugLevel", 7, "missing.ini"), 7u);
    EXPECT_EQ(Get("CL", "DebugFile", "fallback  ", "missing.ini"), "fallback"); // trailing blanks dropped
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Get("CL", "DebugFile", nullptr, "missing.ini"), "");

    WriteFile(platform::WindowsDirectory() / "a.ini", "[S]\nEmpty=\nNum=12abc\nNeg=-4\nHex=0x1F\nWord=abc\n");
    EXPECT_EQ(Get("S", "Nope", "d", "a.ini"), "d");
    EXPECT_EQ(Get("T", "Num", "d", "a.ini"), "d");
    EXPECT_EQ(Get("S", "Empty", "d", "a.ini"), "");
    EXPECT_EQ(GetPrivateProfileIntA("S", "Empty", 5, "a.ini"), 5u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "Num", 0, "a.ini"), 12u);
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("S", "Neg", 0, "a.ini")), -4);
    EXPECT_EQ(GetPrivateProfileIntA("S", "Hex", 0, "a.ini"), 31u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "Word", 5, "a.ini"), 0u);
}

TEST(Profile, TruncationReturnsSizeMinusOneOrTwo)
{
    TempRoot root;
    WriteFile(platform::WindowsDirectory() / "t.ini", "[First]\nalpha=0123456789\nbeta=1\n[Second]\n[Third]\n");
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    EXPECT_EQ(GetPrivateProfileStringA("First", "alpha", "", buf, 5, "t.ini"), 4u);
    EXPECT_STREQ(buf, "0123");

    // Section names: "First\0Second\0Third\0\0" needs 21; with 10 the list is cut inside "Second".
    char list[32];
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", list, sizeof list, "t.ini"), 19u);
    EXPECT_EQ(List(list, 19), (std::vector<std::string>{"First", "Second", "Third"}));
    EXPECT_EQ(list[19], '\0');
    std::memset(list, 'X', sizeof list);
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", list, 10, "t.ini"), 8u);
    EXPECT_EQ(std::string(list, 10), std::string("First\0Se\0\0", 10));
    // Cut exactly behind a complete name.
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", list, 7, "t.ini"), 5u);
    EXPECT_EQ(std::string(list, 7), std::string("First\0\0", 7));

    EXPECT_EQ(GetPrivateProfileStringA("first", nullptr, "", list, sizeof list, "t.ini"), 11u);
    EXPECT_EQ(List(list, 11), (std::vector<std::string>{"alpha", "beta"}));
    // An empty section gives an empty list: two zeros.
    std::memset(list, 'X', sizeof list);
    EXPECT_EQ(GetPrivateProfileStringA("Second", nullptr, "", list, sizeof list, "t.ini"), 0u);
    EXPECT_EQ(list[0], '\0');
    EXPECT_EQ(list[1], '\0');
    EXPECT_EQ(GetPrivateProfileStringA("First", "alpha", "", list, 0, "t.ini"), 0u);
}

TEST(Profile, WriteCreatesReplacesAndDeletes)
{
    TempRoot root;
    const fs::path file = platform::WindowsDirectory() / "w.ini";
    EXPECT_TRUE(WritePrivateProfileStringA("CL", "DebugLevel", "2", "w.ini"));
    EXPECT_TRUE(WritePrivateProfileStringA("CL", "DebugFile", "/tmp/x", "w.ini"));
    EXPECT_TRUE(WritePrivateProfileStringA("Other", "Key", "v", "w.ini"));
    EXPECT_EQ(ReadFile(file), "[CL]\nDebugLevel=2\nDebugFile=/tmp/x\n[Other]\nKey=v\n");

    EXPECT_TRUE(WritePrivateProfileStringA("cl", "DEBUGLEVEL", "3", "w.ini"));
    EXPECT_EQ(GetPrivateProfileIntA("CL", "DebugLevel", 0, "w.ini"), 3u);
    EXPECT_EQ(ReadFile(file), "[CL]\nDebugLevel=3\nDebugFile=/tmp/x\n[Other]\nKey=v\n"); // case kept

    EXPECT_TRUE(WritePrivateProfileStringA("CL", "DebugFile", nullptr, "w.ini"));
    EXPECT_EQ(Get("CL", "DebugFile", "gone", "w.ini"), "gone");
    EXPECT_TRUE(WritePrivateProfileStringA("Other", nullptr, nullptr, "w.ini"));
    EXPECT_EQ(ReadFile(file), "[CL]\nDebugLevel=3\n");

    // Comments survive a rewrite.
    WriteFile(file, "; keep me\n[S]\n; and me\na=1\n\n[T]\nb=2\n");
    EXPECT_TRUE(WritePrivateProfileStringA("S", "c", "3", "w.ini"));
    EXPECT_EQ(ReadFile(file), "; keep me\n[S]\n; and me\na=1\nc=3\n\n[T]\nb=2\n");

    // Nothing can smuggle another key or section into the file.
    const std::string before = ReadFile(file);
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v\n[Evil]\nx=1", "w.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(WritePrivateProfileStringA("S]x", "k", "v", "w.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k=1", "v", "w.ini"));
    EXPECT_EQ(ReadFile(file), before);

    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", (root.path() / "no/such/dir/x.ini").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(Profile, ConcurrentWritersLoseNothing)
{
    TempRoot root;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 25; ++i) {
                const std::string key = "k" + std::to_string(t) + "_" + std::to_string(i);
                WritePrivateProfileStringA("S", key.c_str(), "1", "c.ini");
            }
        });
    for (auto& th : threads)
        th.join();
    char list[4096];
    const DWORD n = GetPrivateProfileStringA("S", nullptr, "", list, sizeof list, "c.ini");
    EXPECT_EQ(List(list, n).size(), 100u);
    // Only the file itself is left in the folder.
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(platform::WindowsDirectory()))
        files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"c.ini"});
}
