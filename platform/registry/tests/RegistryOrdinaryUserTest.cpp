// PLATFORM_REGISTRY_USER=ordinary: the machine's keys are read-only, as for a user without
// administrator rights; and a registry file the user may not write refuses every write.
#include "registry/Registry.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

class OrdinaryUserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // As the administrator set it up.
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(SetString(key, "StartCmd", "orvinta /olstart"), ERROR_SUCCESS);
        RegCloseKey(key);
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\Machine.Only", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\User.Own", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        setenv("PLATFORM_REGISTRY_USER", "ordinary", 1);
    }
    void TearDown() override { unsetenv("PLATFORM_REGISTRY_USER"); }

    static LONG SetString(HKEY key, const char* name, const std::string& text)
    {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }

    TempRoot root;
};

} // namespace

TEST_F(OrdinaryUserTest, MachineKeysOpenForReadingOnly)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, KEY_SET_VALUE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, KEY_WRITE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, KEY_CREATE_SUB_KEY, &key), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, KEY_READ, &key), ERROR_SUCCESS);
    char text[64];
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "StartCmd", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "orvinta /olstart");
    // Whatever the handle: writes and deletions under the machine's keys are refused.
    EXPECT_EQ(SetString(key, "StartCmd", "other"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(key, "StartCmd"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetString(HKEY_LOCAL_MACHINE, "AtTheRoot", "x"), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    // The old open asks only for what the user may have.
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(OrdinaryUserTest, MachineCreationsWritesAndDeletionsAreRefused)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix\\New", 0, nullptr, 0, KEY_READ, nullptr, &key,
                              &disposition),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_ACCESS_DENIED);
    // An existing key opened for reading through the create call is fine.
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, nullptr, 0, KEY_READ, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Tembrix"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tembrix"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueA(HKEY_LOCAL_MACHINE, "Software\\Tembrix\\Sub", REG_SZ, "x", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix\\New", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix\\Sub", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

    // The classes of the machine are the machine's; the user's own classes are the user's.
    EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Brand.New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Machine.Only", 0, KEY_SET_VALUE, &key), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Machine.Only", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, nullptr, "x"), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Machine.Only"), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "User.Own", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, nullptr, "mine"), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(OrdinaryUserTest, TheUsersOwnKeysWork)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tembrix\\profiles", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, "Name", "Work"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "Name"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tembrix\\profiles"), ERROR_SUCCESS);
}

TEST_F(OrdinaryUserTest, UnsetAsBefore)
{
    unsetenv("PLATFORM_REGISTRY_USER");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, "StopCmd", "orvinta /olstop"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tembrix"), ERROR_SUCCESS);
    setenv("PLATFORM_REGISTRY_USER", "administrator", 1); // any other value: as before
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Again", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(ReadOnlyRegistry, UserWritesAreRefusedWithAReadOnlyDatabaseFile)
{
    // The superuser writes files whatever their mode, so this can only be seen as another user.
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root, which ignores file modes";
    TempRoot root;
    // Another process writes the registry; this one opens it only once the file is read-only
    // (a file open for writing stays writable whatever its mode becomes).
    const std::string writer = std::string(REGISTRY_TEST_WRITER) + " 'Software\\Kept' v 1";
    ASSERT_EQ(std::system(writer.c_str()), 0);
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(root.path()))
        fs::permissions(entry.path(), fs::perms::owner_read);
    fs::permissions(root.path(), fs::perms::owner_read | fs::perms::owner_exec);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kept", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const DWORD seven = 7;
    EXPECT_EQ(RegSetValueExA(key, "v0", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), sizeof seven),
              ERROR_ACCESS_DENIED);
    HKEY created = nullptr;
    EXPECT_EQ(RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
              ERROR_ACCESS_DENIED);
    DWORD value = 99;
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueExA(key, "v0", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 0u);
    RegCloseKey(key);
    fs::permissions(root.path(), fs::perms::owner_all);
}
