// HKEY_CLASSES_ROOT: the machine's classes with the user's over them.
#include "registry/Registry.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RegistryClassesTest : public ::testing::Test {
protected:
    void SetString(HKEY root, const char* path, const char* name, const std::string& text)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                                static_cast<DWORD>(text.size() + 1)));
        RegCloseKey(key);
    }
    std::string GetString(HKEY root, const char* path, const char* name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return "<no key>";
        char buffer[256] = {};
        DWORD cb = sizeof buffer;
        const LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &cb);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? std::string(buffer) : "<no value>";
    }
    std::vector<std::string> SubkeyNames(HKEY key)
    {
        std::vector<std::string> names;
        char name[256];
        for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
            names.emplace_back(name);
        return names;
    }

    TempRoot root;
};

TEST_F(RegistryClassesTest, UserClassesOverMachineClasses)
{
    SetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\.htm", nullptr, "htmlfile");
    SetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Shared", "who", "machine");
    SetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Shared", "machineOnly", "m");
    SetString(HKEY_CURRENT_USER, "Software\\Classes\\Shared", "who", "user");

    EXPECT_EQ("htmlfile", GetString(HKEY_CLASSES_ROOT, ".HTM", nullptr));
    EXPECT_EQ("user", GetString(HKEY_CLASSES_ROOT, "shared", "who"));
    EXPECT_EQ("m", GetString(HKEY_CLASSES_ROOT, "Shared", "machineOnly"));
    EXPECT_EQ("<no key>", GetString(HKEY_CLASSES_ROOT, "Nothing", nullptr));

    // Values of a merged key enumerate as one set, the user's first.
    HKEY shared = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "Shared", 0, KEY_READ, &shared));
    DWORD values = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(shared, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                              nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(2u, values);
    RegCloseKey(shared);
}

TEST_F(RegistryClassesTest, EnumerationIsTheUnion)
{
    SetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Beta", nullptr, "m");
    SetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\alpha", nullptr, "m");
    SetString(HKEY_CURRENT_USER, "Software\\Classes\\ALPHA", nullptr, "u");
    SetString(HKEY_CURRENT_USER, "Software\\Classes\\Gamma", nullptr, "u");
    EXPECT_EQ((std::vector<std::string>{"ALPHA", "Beta", "Gamma"}), SubkeyNames(HKEY_CLASSES_ROOT));
    DWORD subkeys = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(HKEY_CLASSES_ROOT, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(3u, subkeys);
}

TEST_F(RegistryClassesTest, NewKeysGoToTheMachineAndValuesToTheKeyThatExists)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "Tembrix.SyncEngine\\CLSID", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    const char clsid[] = "{00000000-0000-0000-0000-000000000001}";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid), sizeof clsid));
    RegCloseKey(key);
    EXPECT_EQ(clsid, GetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Tembrix.SyncEngine\\CLSID", nullptr));
    EXPECT_EQ("<no key>", GetString(HKEY_CURRENT_USER, "Software\\Classes\\Tembrix.SyncEngine", nullptr));

    // A key the user has: its values are written there.
    SetString(HKEY_CURRENT_USER, "Software\\Classes\\Mine", nullptr, "u");
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "Mine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                             &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2));
    RegCloseKey(key);
    EXPECT_EQ("1", GetString(HKEY_CURRENT_USER, "Software\\Classes\\Mine", "x"));
    EXPECT_EQ("<no key>", GetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Mine", "x"));

    // The old default-value functions through HKCR.
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_CLASSES_ROOT, "Tembrix.Profile", REG_SZ, "Profile Class", 0));
    EXPECT_EQ("Profile Class", GetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Tembrix.Profile", nullptr));
}

TEST_F(RegistryClassesTest, DeletingThroughClassesRoot)
{
    SetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Both", nullptr, "m");
    SetString(HKEY_CURRENT_USER, "Software\\Classes\\Both", nullptr, "u");
    // RegDeleteKey takes the user's key first; the machine's then shows through.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CLASSES_ROOT, "Both"));
    EXPECT_EQ("m", GetString(HKEY_CLASSES_ROOT, "Both", nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CLASSES_ROOT, "Both"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_CLASSES_ROOT, "Both"));

    // RegDeleteTree removes what the view shows: both trees.
    SetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{X}\\InprocServer32", nullptr, "lib.so");
    SetString(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{X}\\ProgID", nullptr, "x");
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{x}"));
    EXPECT_EQ("<no key>", GetString(HKEY_CLASSES_ROOT, "CLSID\\{X}", nullptr));
    HKEY clsid = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &clsid));
    EXPECT_TRUE(SubkeyNames(clsid).empty());
    RegCloseKey(clsid);
}

TEST_F(RegistryClassesTest, HandleOfAMergedKeySeesLaterUserKey)
{
    SetString(HKEY_LOCAL_MACHINE, "Software\\Classes\\Late", "v", "machine");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, "Late", 0, KEY_READ, &key));
    SetString(HKEY_CURRENT_USER, "Software\\Classes\\Late", "v", "user");
    char buffer[16] = {};
    DWORD cb = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &cb));
    EXPECT_STREQ("user", buffer);
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CLASSES_ROOT, "Late"));
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
}

} // namespace
