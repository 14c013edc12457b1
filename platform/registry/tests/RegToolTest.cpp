// The registry tool run as a user runs it: a separate process with a command line, stdin,
// stdout, stderr and an exit status, working on the registry of the test's platform root.
#include "registry/Registry.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<BYTE>;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

Result RunTool(const std::vector<std::string>& args, const std::string& input = "")
{
    const fs::path dir = fs::temp_directory_path() / ("regtool-io-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path inFile = dir / "in", outFile = dir / "out", errFile = dir / "err";
    std::ofstream(inFile) << input;
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(inFile.c_str(), O_RDONLY);
        const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv{const_cast<char*>(REGTOOL)};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(REGTOOL, argv.data());
        _exit(127);
    }
    Result r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const int out = open(outFile.c_str(), O_RDONLY);
    const int err = open(errFile.c_str(), O_RDONLY);
    r.out = ReadAll(out);
    r.err = ReadAll(err);
    close(out);
    close(err);
    fs::remove_all(dir);
    return r;
}

class RegToolTest : public ::testing::Test {
protected:
    void SetValue(const char* path, const std::string& name, DWORD type, const Bytes& data)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                                 nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())));
        RegCloseKey(key);
    }
    // Type and bytes of a value, or type ~0 when it is missing.
    std::pair<DWORD, Bytes> GetValue(HKEY root, const char* path, const std::string& name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return {~0u, {}};
        DWORD type = 0;
        DWORD cb = 0;
        Bytes data;
        LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &cb);
        if (rc == ERROR_SUCCESS) {
            data.resize(cb);
            rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &cb);
        }
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? std::pair{type, data} : std::pair{~0u, Bytes{}};
    }
    bool KeyExists(HKEY root, const char* path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    fs::path File(const std::string& name) { return root.path() / name; }
    static std::string Read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TempRoot root;
};

TEST_F(RegToolTest, AddThenQueryShowsEveryType)
{
    const std::string key = "HKCU\\Software\\Tool";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"add", key, "/ve", "/d", "default text"},
             {"add", key, "/v", "Text", "/d", "hello world"},
             {"add", key, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%ROOT%\\bin"},
             {"add", key, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "one\\0two\\0three"},
             {"add", key, "/v", "Count", "/t", "reg_dword", "/d", "4294967295"},
             {"add", key, "/v", "Big", "/t", "REG_QWORD", "/d", "0x1122334455667788"},
             {"add", key, "/v", "Blob", "/t", "REG_BINARY", "/d", "00ff7F"},
             {"add", key, "/v", "Nothing", "/t", "REG_NONE", "/d", ""},
             {"add", key + "\\Child"},
         }) {
        const Result r = RunTool(args);
        ASSERT_EQ(0, r.status) << r.err;
        EXPECT_EQ("The operation completed successfully.\n", r.out);
    }
    EXPECT_EQ((std::pair<DWORD, Bytes>{REG_MULTI_SZ, Bytes{'o', 'n', 'e', 0, 't', 'w', 'o', 0, 't', 'h', 'r', 'e', 'e', 0, 0}}),
              GetValue(HKEY_CURRENT_USER, "Software\\Tool", "List"));
    EXPECT_EQ((std::pair<DWORD, Bytes>{REG_DWORD, Bytes{0xFF, 0xFF, 0xFF, 0xFF}}),
              GetValue(HKEY_CURRENT_USER, "Software\\Tool", "Count"));
    EXPECT_EQ((std::pair<DWORD, Bytes>{REG_SZ, Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', 0}}),
              GetValue(HKEY_CURRENT_USER, "Software\\Tool", "text"));

    const Result q = RunTool({"query", key});
    ASSERT_EQ(0, q.status) << q.err;
    EXPECT_EQ("\n"
              "HKEY_CURRENT_USER\\Software\\Tool\n"
              "    (Default)    REG_SZ    default text\n"
              "    Big    REG_QWORD    0x1122334455667788\n"
              "    Blob    REG_BINARY    00FF7F\n"
              "    Count    REG_DWORD    0xffffffff\n"
              "    List    REG_MULTI_SZ    one\\0two\\0three\n"
              "    Nothing    REG_NONE    \n"
              "    Path    REG_EXPAND_SZ    %ROOT%\\bin\n"
              "    Text    REG_SZ    hello world\n"
              "\n"
              "HKEY_CURRENT_USER\\Software\\Tool\\Child\n",
              q.out);

    const Result one = RunTool({"query", "hkey_current_user\\SOFTWARE\\tool", "/v", "blob"});
    ASSERT_EQ(0, one.status);
    EXPECT_EQ("\nHKEY_CURRENT_USER\\SOFTWARE\\tool\n    Blob    REG_BINARY    00FF7F\n", one.out);
    const Result def = RunTool({"query", key, "/ve"});
    EXPECT_EQ("\nHKEY_CURRENT_USER\\Software\\Tool\n    (Default)    REG_SZ    default text\n", def.out);

    const Result missing = RunTool({"query", key, "/v", "Absent"});
    EXPECT_EQ(1, missing.status);
    EXPECT_EQ("ERROR: The system was unable to find the specified registry key or value.\n", missing.err);
}

TEST_F(RegToolTest, QueryRecursive)
{
    SetValue("Software\\Rec\\A", "x", REG_DWORD, {1, 0, 0, 0});
    SetValue("Software\\Rec\\A\\Deep", "x", REG_DWORD, {2, 0, 0, 0});
    SetValue("Software\\Rec\\B", "y", REG_SZ, {'b', 0});
    const Result r = RunTool({"query", "HKCU\\Software\\Rec", "/s"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("\nHKEY_CURRENT_USER\\Software\\Rec\n"
              "\nHKEY_CURRENT_USER\\Software\\Rec\\A\n    x    REG_DWORD    0x1\n"
              "\nHKEY_CURRENT_USER\\Software\\Rec\\A\\Deep\n    x    REG_DWORD    0x2\n"
              "\nHKEY_CURRENT_USER\\Software\\Rec\\B\n    y    REG_SZ    b\n",
              r.out);
    const Result found = RunTool({"query", "HKCU\\Software\\Rec", "/s", "/v", "X"});
    ASSERT_EQ(0, found.status);
    EXPECT_NE(std::string::npos, found.out.find("End of search: 2 match(es) found."));
}

TEST_F(RegToolTest, DeleteValuesAndKeys)
{
    SetValue("Software\\Del", "a", REG_SZ, {'1', 0});
    SetValue("Software\\Del", "b", REG_SZ, {'2', 0});
    SetValue("Software\\Del", "", REG_SZ, {'d', 0});
    SetValue("Software\\Del\\Sub", "c", REG_SZ, {'3', 0});

    EXPECT_EQ(0, RunTool({"delete", "HKCU\\Software\\Del", "/v", "A", "/f"}).status);
    EXPECT_EQ(~0u, GetValue(HKEY_CURRENT_USER, "Software\\Del", "a").first);
    EXPECT_EQ(0, RunTool({"delete", "HKCU\\Software\\Del", "/ve", "/f"}).status);
    EXPECT_EQ(~0u, GetValue(HKEY_CURRENT_USER, "Software\\Del", "").first);
    EXPECT_EQ(1, RunTool({"delete", "HKCU\\Software\\Del", "/v", "missing", "/f"}).status);

    SetValue("Software\\Del", "e", REG_SZ, {'4', 0});
    EXPECT_EQ(0, RunTool({"delete", "HKCU\\Software\\Del", "/va", "/f"}).status);
    EXPECT_EQ(~0u, GetValue(HKEY_CURRENT_USER, "Software\\Del", "b").first);
    EXPECT_EQ(~0u, GetValue(HKEY_CURRENT_USER, "Software\\Del", "e").first);
    EXPECT_EQ(REG_SZ, GetValue(HKEY_CURRENT_USER, "Software\\Del\\Sub", "c").first); // subkeys stay

    // Without /f the user is asked; anything but yes keeps the key.
    Result r = RunTool({"delete", "HKCU\\Software\\Del"}, "no\n");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.out.find("Permanently delete the registry key HKEY_CURRENT_USER\\Software\\Del (Yes/No)?"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Del\\Sub"));
    r = RunTool({"delete", "HKCU\\Software\\Del"}, "yes\n");
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Del"));

    EXPECT_EQ(1, RunTool({"delete", "HKCU", "/f"}).status);
    EXPECT_EQ(1, RunTool({"delete", "HKCU\\Software\\Nope", "/f"}).status);
}

TEST_F(RegToolTest, AddAsksBeforeOverwriting)
{
    SetValue("Software\\Ask", "v", REG_SZ, {'o', 'l', 'd', 0});
    Result r = RunTool({"add", "HKCU\\Software\\Ask", "/v", "v", "/d", "new"}, "n\n");
    EXPECT_EQ(1, r.status);
    EXPECT_EQ((Bytes{'o', 'l', 'd', 0}), GetValue(HKEY_CURRENT_USER, "Software\\Ask", "v").second);
    r = RunTool({"add", "HKCU\\Software\\Ask", "/v", "v", "/d", "new"}); // no answer at all
    EXPECT_EQ(1, r.status);
    r = RunTool({"add", "HKCU\\Software\\Ask", "/v", "v", "/d", "new"}, "Yes\n");
    EXPECT_EQ(0, r.status);
    EXPECT_EQ((Bytes{'n', 'e', 'w', 0}), GetValue(HKEY_CURRENT_USER, "Software\\Ask", "v").second);
    r = RunTool({"add", "HKCU\\Software\\Ask", "/v", "v", "/t", "REG_DWORD", "/d", "7", "/f"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ((std::pair<DWORD, Bytes>{REG_DWORD, Bytes{7, 0, 0, 0}}), GetValue(HKEY_CURRENT_USER, "Software\\Ask", "v"));
}

TEST_F(RegToolTest, BadCommandLinesChangeNothing)
{
    SetValue("Software\\Keep", "v", REG_DWORD, {5, 0, 0, 0});
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"query"},
        {"query", "HKXY\\Software"},
        {"query", "HKCU\\\\Software"},
        {"query", "HKCU\\Software", "/v"},
        {"query", "HKCU\\Software", "/v", "a", "/ve"},
        {"query", "HKCU\\Software", "/t", "REG_SZ"},
        {"add", "HKCU\\Software\\Keep", "/v", "v", "/t", "REG_WORD", "/d", "1", "/f"},
        {"add", "HKCU\\Software\\Keep", "/v", "v", "/t", "REG_DWORD", "/d", "4294967296", "/f"},
        {"add", "HKCU\\Software\\Keep", "/v", "v", "/t", "REG_DWORD", "/d", "-1", "/f"},
        {"add", "HKCU\\Software\\Keep", "/v", "v", "/t", "REG_DWORD", "/d", "12abc", "/f"},
        {"add", "HKCU\\Software\\Keep", "/v", "v", "/t", "REG_QWORD", "/d", "18446744073709551616", "/f"},
        {"add", "HKCU\\Software\\Keep", "/v", "v", "/t", "REG_BINARY", "/d", "0G", "/f"},
        {"add", "HKCU\\Software\\Keep", "/v", "v", "/t", "REG_BINARY", "/d", "abc", "/f"},
        {"add", "HKCU\\Software\\Keep", "/v", "v", "/t", "REG_MULTI_SZ", "/d", "a\\0\\0b", "/f"},
        {"add", "HKCU\\Software\\Keep", "/v", "v", "/d", "x", "/d", "y", "/f"},
        {"add", "HKCU\\Software\\Keep", "extra", "/f"},
        {"delete", "HKCU\\Software\\Keep", "/v", "v", "/va", "/f"},
        {"export", "HKCU\\Software\\Keep"},
        {"import"},
    };
    for (const auto& args : bad) {
        const Result r = RunTool(args);
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        EXPECT_EQ(1, r.status) << line;
        EXPECT_EQ(0u, r.err.rfind("ERROR: ", 0)) << line << ": " << r.err;
    }
    EXPECT_EQ((std::pair<DWORD, Bytes>{REG_DWORD, Bytes{5, 0, 0, 0}}), GetValue(HKEY_CURRENT_USER, "Software\\Keep", "v"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Keep\\extra"));
    const Result dword = RunTool({"add", "HKCU\\Software\\Keep", "/v", "v", "/t", "REG_DWORD", "/d", "4294967296", "/f"});
    EXPECT_NE(std::string::npos, dword.err.find("4294967296")) << dword.err;
}

TEST_F(RegToolTest, ExportImportRoundTripsEveryByte)
{
    struct V {
        const char* key;
        std::string name;
        DWORD type;
        Bytes data;
    };
    const std::vector<V> values = {
        {"Software\\Round", "", REG_SZ, {'d', 'e', 'f', 0}},
        {"Software\\Round", "plain", REG_SZ, {'C', ':', '\\', '"', 'q', '"', 0}},
        {"Software\\Round", "unterminated", REG_SZ, {'a', 'b'}},
        {"Software\\Round", "two terminators", REG_SZ, {'a', 0, 0}},
        {"Software\\Round", "line\nbreak", REG_SZ, {'x', '\r', '\n', 'y', 0}},
        {"Software\\Round", "bad utf8", REG_SZ, {0xC3, 0x28, 0}},
        {"Software\\Round", "utf8 \xC3\xBC", REG_SZ, {0xC3, 0xBC, 0}},
        {"Software\\Round", "empty sz", REG_SZ, {}},
        {"Software\\Round", "expand", REG_EXPAND_SZ, {'%', 'X', '%', 0}},
        {"Software\\Round", "multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
        {"Software\\Round", "dword", REG_DWORD, {1, 2, 3, 4}},
        {"Software\\Round", "short dword", REG_DWORD, {1, 2}},
        {"Software\\Round", "qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"Software\\Round", "binary", REG_BINARY, Bytes(200, 0xA5)},
        {"Software\\Round", "empty binary", REG_BINARY, {}},
        {"Software\\Round", "none", REG_NONE, {0, 1}},
        {"Software\\Round", "odd type", 0x12345678, {9}},
        {"Software\\Round", "back\\slash \"quoted\"", REG_SZ, {'v', 0}},
        {"Software\\Round\\Sub Key\\Deeper [x]", "v", REG_SZ, {'d', 'e', 'e', 'p', 0}},
        {"Software\\Round\\Empty", "", REG_NONE, {}},
    };
    for (const auto& v : values)
        SetValue(v.key, v.name, v.type, v.data);
    HKEY emptyKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Round\\No Values", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &emptyKey, nullptr));
    RegCloseKey(emptyKey);

    Result r = RunTool({"export", "HKCU\\Software\\Round", File("round.reg").string()});
    ASSERT_EQ(0, r.status) << r.err;
    const std::string exported = Read(File("round.reg"));
    EXPECT_EQ(0u, exported.find("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Round]\n"));
    EXPECT_NE(std::string::npos, exported.find("\"dword\"=dword:04030201\n"));
    EXPECT_NE(std::string::npos, exported.find("\"plain\"=\"C:\\\\\\\"q\\\"\"\n"));

    ASSERT_EQ(0, RunTool({"delete", "HKCU\\Software\\Round", "/f"}).status);
    ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Round"));
    r = RunTool({"import", File("round.reg").string()});
    ASSERT_EQ(0, r.status) << r.err;
    for (const auto& v : values)
        EXPECT_EQ((std::pair<DWORD, Bytes>{v.type, v.data}), GetValue(HKEY_CURRENT_USER, v.key, v.name)) << v.name;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Round\\No Values"));

    // A second export is the same text.
    ASSERT_EQ(0, RunTool({"export", "HKCU\\Software\\Round", File("again.reg").string(), "/y"}).status);
    EXPECT_EQ(exported, Read(File("again.reg")));
}

TEST_F(RegToolTest, ImportDeletesAndReadsUtf16)
{
    SetValue("Software\\Imp\\Gone", "x", REG_SZ, {'x', 0});
    SetValue("Software\\Imp", "drop", REG_SZ, {'x', 0});
    const std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "; a comment\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Imp\\Gone]\r\n\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Imp\\NeverWasThere]\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Imp]\r\n"
                             "\"drop\"=-\r\n"
                             "\"new\"=\"Gr\xC3\xBC\xC3\x9F" "e\"\r\n"
                             "\"hex\"=hex(7):61,00,\\\r\n"
                             "    62,00,00\r\n";
    // As UTF-16LE with its byte-order mark.
    std::string utf16 = "\xFF\xFE";
    std::u16string wide;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            wide += static_cast<char16_t>(c);
            ++i;
        } else { // two-byte sequences only in this text
            wide += static_cast<char16_t>(((c & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
            i += 2;
        }
    }
    for (const char16_t ch : wide) {
        utf16 += static_cast<char>(ch & 0xFF);
        utf16 += static_cast<char>(ch >> 8);
    }
    std::ofstream(File("u16.reg"), std::ios::binary) << utf16;
    const Result r = RunTool({"import", File("u16.reg").string()});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Imp\\Gone"));
    EXPECT_EQ(~0u, GetValue(HKEY_CURRENT_USER, "Software\\Imp", "drop").first);
    EXPECT_EQ((Bytes{'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e', 0}), GetValue(HKEY_CURRENT_USER, "Software\\Imp", "new").second);
    EXPECT_EQ((std::pair<DWORD, Bytes>{REG_MULTI_SZ, Bytes{'a', 0, 'b', 0, 0}}),
              GetValue(HKEY_CURRENT_USER, "Software\\Imp", "hex"));
}

TEST_F(RegToolTest, ImportReadsUtf16BigEndian)
{
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_CURRENT_USER\\Software\\Big]\r\n"
                                u"\"name\"=\"Gr\u00FC\u00DFe \u20AC\"\r\n"
                                u"\"number\"=dword:0000002a\r\n";
    std::string utf16 = "\xFE\xFF";
    for (const char16_t ch : text) {
        utf16 += static_cast<char>(ch >> 8);
        utf16 += static_cast<char>(ch & 0xFF);
    }
    std::ofstream(File("be.reg"), std::ios::binary) << utf16;
    const Result r = RunTool({"import", File("be.reg").string()});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ((Bytes{'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e', ' ', 0xE2, 0x82, 0xAC, 0}),
              GetValue(HKEY_CURRENT_USER, "Software\\Big", "name").second);
    EXPECT_EQ((std::pair<DWORD, Bytes>{REG_DWORD, Bytes{42, 0, 0, 0}}),
              GetValue(HKEY_CURRENT_USER, "Software\\Big", "number"));
}

TEST_F(RegToolTest, MultiStringsShowTheirEmptyStrings)
{
    SetValue("Software\\Multi", "gaps", REG_MULTI_SZ, {'a', 0, 0, 'b', 0, 0});
    SetValue("Software\\Multi", "lead", REG_MULTI_SZ, {0, 'x', 0, 0});
    SetValue("Software\\Multi", "plain", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
    SetValue("Software\\Multi", "none", REG_MULTI_SZ, {0});
    const Result r = RunTool({"query", "HKCU\\Software\\Multi"});
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("    gaps    REG_MULTI_SZ    a\\0\\0b\n")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("    lead    REG_MULTI_SZ    \\0x\n")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("    plain    REG_MULTI_SZ    a\\0b\n")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("    none    REG_MULTI_SZ    \n")) << r.out;
}

TEST_F(RegToolTest, MalformedImportAppliesNothing)
{
    SetValue("Software\\Existing", "keep", REG_SZ, {'k', 0});
    const std::string good = "[HKEY_CURRENT_USER\\Software\\Partial]\n\"first\"=\"applied?\"\n"
                             "[-HKEY_CURRENT_USER\\Software\\Existing]\n";
    struct Case {
        std::string text;
        std::string expect; // in the message
    };
    const std::vector<Case> cases = {
        {"REGEDIT9\n" + good, "line 1"},
        {"Windows Registry Editor Version 5.00\n" + good + "[HKEY_CURRENT_USER\\Software\\P2]\n\"bad\"=hex:01,zz\n", "line 6"},
        {"Windows Registry Editor Version 5.00\n" + good + "[HKEY_CURRENT_USER\\Software\\P2]\n\"d\"=dword:100000000\n",
         "out of range"},
        {"Windows Registry Editor Version 5.00\n" + good + "[HKEY_CURRENT_USER\\Software\\P2]\n\"d\"=dword:12x\n", "line 6"},
        {"Windows Registry Editor Version 5.00\n" + good + "[HKEY_CURRENT_USER\\Software\\P2]\n\"s\"=\"open\n", "line 6"},
        {"Windows Registry Editor Version 5.00\n" + good + "[HKEY_NOWHERE\\Software]\n", "invalid key name"},
        {"Windows Registry Editor Version 5.00\n" + good + "[-HKEY_CURRENT_USER]\n", "root key"},
        {"Windows Registry Editor Version 5.00\n\"orphan\"=\"v\"\n" + good, "line 2"},
        {"Windows Registry Editor Version 5.00\n" + good + "[HKEY_CURRENT_USER\\Software\\P2]\n\"h\"=hex(2):41,\\", "ends inside"},
        {"Windows Registry Editor Version 5.00\n" + good + "[HKEY_CURRENT_USER\\Software\\P2]\n\"h\"=hex(zz):41\n", "line 6"},
        {"Windows Registry Editor Version 5.00\n" + good + "[HKEY_CURRENT_USER\\Software\\P2]\nnot a value line\n", "line 6"},
        {"Windows Registry Editor Version 5.00\n" + good + "[HKEY_CURRENT_USER\\Software\\P2\n", "line 5"},
    };
    for (const auto& c : cases) {
        std::ofstream(File("bad.reg"), std::ios::binary | std::ios::trunc) << c.text;
        const Result r = RunTool({"import", File("bad.reg").string()});
        EXPECT_EQ(1, r.status) << c.text;
        EXPECT_NE(std::string::npos, r.err.find(c.expect)) << r.err;
        EXPECT_NE(std::string::npos, r.err.find("Nothing was imported")) << r.err;
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Partial")) << c.text;
        EXPECT_EQ(REG_SZ, GetValue(HKEY_CURRENT_USER, "Software\\Existing", "keep").first) << c.text;
    }
    // Files that cannot be read.
    Result r = RunTool({"import", File("absent.reg").string()});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("Cannot read")) << r.err;
    r = RunTool({"import", root.path().string()});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("directory")) << r.err;
    // Exporting into a folder that does not exist leaves no file behind.
    r = RunTool({"export", "HKCU\\Software\\Existing", (root.path() / "no" / "such.reg").string()});
    EXPECT_EQ(1, r.status);
    EXPECT_FALSE(fs::exists(root.path() / "no"));
}

TEST_F(RegToolTest, ClassesRootThroughTheTool)
{
    ASSERT_EQ(0, RunTool({"add", "HKCR\\Tembrix.Store", "/ve", "/d", "Store Class"}).status);
    EXPECT_EQ(REG_SZ, GetValue(HKEY_LOCAL_MACHINE, "Software\\Classes\\Tembrix.Store", "").first);
    const Result q = RunTool({"query", "HKEY_CLASSES_ROOT\\tembrix.store"});
    EXPECT_NE(std::string::npos, q.out.find("(Default)    REG_SZ    Store Class"));
}

} // namespace
