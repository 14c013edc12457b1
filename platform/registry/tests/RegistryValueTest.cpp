// Values: every type kept with its exact bytes, the default value, case, buffer sizes,
// deletion and enumeration.
#include "registry/Registry.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

class RegistryValueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Values", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
    }
    void TearDown() override { RegCloseKey(key); }

    LONG Set(const char* name, DWORD type, const Bytes& data)
    {
        return RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    }
    // Reads a value the way callers do: size first, then the data.
    LONG Get(const char* name, DWORD& type, Bytes& data)
    {
        DWORD cb = 0;
        LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &cb);
        if (rc != ERROR_SUCCESS)
            return rc;
        data.assign(cb, 0xCC);
        rc = RegQueryValueExA(key, name, nullptr, &type, data.data(), &cb);
        data.resize(cb);
        return rc;
    }

    TempRoot root;
    HKEY key = nullptr;
};

TEST_F(RegistryValueTest, EveryTypeKeepsTypeAndExactBytes)
{
    struct Case {
        const char* name;
        DWORD type;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {"sz", REG_SZ, {'a', 'b', 0}},
        {"sz-unterminated", REG_SZ, {'a', 'b'}},
        {"sz-inner-zero", REG_SZ, {'a', 0, 'b', 0, 0}},
        {"sz-empty", REG_SZ, {}},
        {"expand", REG_EXPAND_SZ, {'%', 'P', '%', 0}},
        {"multi", REG_MULTI_SZ, {'a', 0, 'b', 'c', 0, 0}},
        {"binary", REG_BINARY, {0, 0xFF, 0x80, 0, 1}},
        {"binary-empty", REG_BINARY, {}},
        {"dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12}},
        {"dword-short", REG_DWORD, {1, 2}},
        {"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"none", REG_NONE, {9, 8, 7}},
        {"utf16", REG_BINARY, {'N', 0, 'a', 0, 0, 0}},
        {"odd-type", 0x12345678, {1}},
    };
    for (const auto& c : cases)
        ASSERT_EQ(ERROR_SUCCESS, Set(c.name, c.type, c.data)) << c.name;
    for (const auto& c : cases) {
        DWORD type = 0;
        Bytes data;
        ASSERT_EQ(ERROR_SUCCESS, Get(c.name, type, data)) << c.name;
        EXPECT_EQ(c.type, type) << c.name;
        EXPECT_EQ(c.data, data) << c.name;
    }
    // Overwriting replaces type and bytes.
    ASSERT_EQ(ERROR_SUCCESS, Set("dword", REG_SZ, {'x', 0}));
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(ERROR_SUCCESS, Get("DWORD", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ((Bytes{'x', 0}), data);
}

TEST_F(RegistryValueTest, SmallBufferGivesMoreDataWithTheNeededSize)
{
    ASSERT_EQ(ERROR_SUCCESS, Set("v", REG_BINARY, Bytes(40, 0x11)));
    BYTE buffer[44];
    std::memset(buffer, 0xEE, sizeof buffer);
    DWORD cb = 39;
    DWORD type = 0;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "v", nullptr, &type, buffer, &cb));
    EXPECT_EQ(40u, cb);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    cb = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "v", nullptr, &type, buffer, &cb));
    EXPECT_EQ(40u, cb);
    EXPECT_EQ(0xEE, buffer[40]); // nothing written past the data

    // No buffer: only the size. Nothing at all: only whether it exists.
    cb = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &cb));
    EXPECT_EQ(40u, cb);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "v", nullptr, nullptr, buffer, nullptr));
    DWORD reserved = 0;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(key, "v", &reserved, nullptr, nullptr, &cb));
}

TEST_F(RegistryValueTest, NamesAreCaseInsensitiveAndKeepFirstSpelling)
{
    ASSERT_EQ(ERROR_SUCCESS, Set("QueryDelete", REG_SZ, {'y', 0}));
    ASSERT_EQ(ERROR_SUCCESS, Set("QUERYDELETE", REG_SZ, {'n', 0}));
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(ERROR_SUCCESS, Get("querydelete", type, data));
    EXPECT_EQ((Bytes{'n', 0}), data);
    char name[32];
    DWORD cch = sizeof name;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("QueryDelete", name);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueA(key, 1, name, &cch, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(RegistryValueTest, DefaultValueHasTheEmptyName)
{
    ASSERT_EQ(ERROR_SUCCESS, Set(nullptr, REG_SZ, {'d', 0}));
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(ERROR_SUCCESS, Get("", type, data));
    EXPECT_EQ((Bytes{'d', 0}), data);
    ASSERT_EQ(ERROR_SUCCESS, Set("", REG_SZ, {'e', 0}));
    ASSERT_EQ(ERROR_SUCCESS, Get(nullptr, type, data));
    EXPECT_EQ((Bytes{'e', 0}), data);

    // The old functions read and write the default value of a subkey.
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(key, "Sub\\Deeper", REG_SZ, "text", 999));
    char buffer[16];
    LONG cb = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueA(key, "sub\\deeper", buffer, &cb));
    EXPECT_STREQ("text", buffer);
    EXPECT_EQ(5, cb);
    cb = 3;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueA(key, "Sub\\Deeper", buffer, &cb));
    EXPECT_EQ(5, cb);
    // A key without a default value reads as empty text.
    cb = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueA(key, "Sub", buffer, &cb));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(1, cb);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueA(key, "Missing", buffer, &cb));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueA(key, "Sub", REG_BINARY, "x", 1));

    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("", type, data));
}

TEST_F(RegistryValueTest, DeleteValue)
{
    ASSERT_EQ(ERROR_SUCCESS, Set("gone", REG_DWORD, {1, 0, 0, 0}));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, "GONE"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, "gone"));
    DWORD type = 0;
    Bytes data;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("gone", type, data));
    EXPECT_EQ(ERROR_NOACCESS, RegSetValueExA(key, "x", 0, REG_BINARY, nullptr, 4));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "x", 0, REG_BINARY, nullptr, 0));
}

TEST_F(RegistryValueTest, EnumValuesInOrderWithSizes)
{
    ASSERT_EQ(ERROR_SUCCESS, Set("b", REG_BINARY, Bytes(10, 1)));
    ASSERT_EQ(ERROR_SUCCESS, Set("A", REG_DWORD, {1, 0, 0, 0}));
    ASSERT_EQ(ERROR_SUCCESS, Set(nullptr, REG_SZ, {'z', 0}));
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[16];
        DWORD cch = sizeof name;
        DWORD type = 0;
        BYTE data[16];
        DWORD cb = sizeof data;
        const LONG rc = RegEnumValueA(key, i, name, &cch, nullptr, &type, data, &cb);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(ERROR_SUCCESS, rc);
        names.emplace_back(name);
    }
    EXPECT_EQ((std::vector<std::string>{"", "A", "b"}), names);

    // Data buffer too small: ERROR_MORE_DATA and the needed size.
    char name[16];
    DWORD cch = sizeof name;
    BYTE data[4];
    DWORD cb = sizeof data;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key, 2, name, &cch, nullptr, nullptr, data, &cb));
    EXPECT_EQ(10u, cb);
    // Name buffer too small.
    char small[1];
    cch = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(key, 1, small, &cch, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(RegistryValueTest, ValuesSurviveReopeningTheDatabase)
{
    ASSERT_EQ(ERROR_SUCCESS, Set("persist", REG_BINARY, {1, 2, 3}));
    {
        TempRoot other; // the layer moves to another file and back
        HKEY k = nullptr;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Values", 0, KEY_READ, &k));
    }
    DWORD type = 0;
    Bytes data;
    ASSERT_EQ(ERROR_SUCCESS, Get("persist", type, data));
    EXPECT_EQ((Bytes{1, 2, 3}), data);
}

} // namespace
