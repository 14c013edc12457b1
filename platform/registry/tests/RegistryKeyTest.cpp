// Keys: opening, creating, case, paths, deletion, enumeration order and key information.
#include "registry/Registry.h"

#include "base/Clock.h"
#include "base/ManualClock.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <dlfcn.h>

#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

class RegistryKeyTest : public ::testing::Test {
protected:
    HKEY Create(HKEY root, const char* path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        return key;
    }
    std::vector<std::string> SubkeyNames(HKEY key)
    {
        std::vector<std::string> names;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD cch = sizeof name;
            const LONG rc = RegEnumKeyExA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            EXPECT_EQ(ERROR_SUCCESS, rc);
            EXPECT_EQ(std::strlen(name), cch);
            names.emplace_back(name);
        }
        return names;
    }

    TempRoot root;
};

TEST_F(RegistryKeyTest, CreateReportsDispositionAndOpenFindsKeyInAnyCase)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tembrix\\Profiles", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\tembrix\\PROFILES", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
    RegCloseKey(key);

    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "software\\TEMBRIX", 0, KEY_READ, &key));
    // The key keeps the spelling it was created with.
    EXPECT_EQ(std::vector<std::string>{"Profiles"}, SubkeyNames(key));
    RegCloseKey(key);

    // Keys of one root are not seen under another.
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_USERS, "Software\\Tembrix", 0, KEY_READ, &key));
}

TEST_F(RegistryKeyTest, NonAsciiNamesCompareWithoutCase)
{
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Größe\\ÄÖÜ"));
    HKEY key = nullptr;
    // No ß/SS expansion: that is another name.
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "software\\GRÖSSE", 0, KEY_READ, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\GRÖßE\\äöü", 0, KEY_READ, &key));
    RegCloseKey(key);
}

TEST_F(RegistryKeyTest, PathsWithEmptyPartsAndLeadingSeparator)
{
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Software\\A\\B"));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\\\A\\B\\", 0, KEY_READ, &key));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_BAD_PATHNAME,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const std::string tooLong(256, 'k');
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExA(HKEY_LOCAL_MACHINE, tooLong.c_str(), 0, nullptr, 0,
                                                       KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, tooLong.substr(1).c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
}

TEST_F(RegistryKeyTest, EmptySubkeyGivesNewHandleOrSameHandle)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Same");
    HKEY again = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(key, nullptr, 0, KEY_READ, &again));
    EXPECT_NE(key, again);
    HKEY third = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(key, "", 0, KEY_READ, &third));
    EXPECT_NE(key, third);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(again));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(third));

    // The old forms hand back the handle they were given.
    HKEY same = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(key, "", &same));
    EXPECT_EQ(key, same);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(key, nullptr, &same));
    EXPECT_EQ(key, same);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryKeyTest, BadAndClosedHandles)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\H");
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    HKEY sub = nullptr;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(key, "x", 0, KEY_READ, &sub));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(nullptr));
    DWORD cb = 0;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(reinterpret_cast<HKEY>(0x12345), "v", nullptr, nullptr,
                                                     nullptr, &cb));
    // Predefined keys may be "closed" and stay usable.
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &sub));
    RegCloseKey(sub);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr));
}

TEST_F(RegistryKeyTest, DeleteKeyRefusesSubkeysAndKeepsThem)
{
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Del\\Child"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Del"));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Del\\Child", 0, KEY_READ, &key));
    RegCloseKey(key);

    // Values do not keep a key alive.
    HKEY child = Create(HKEY_CURRENT_USER, "Software\\Del\\Child");
    const BYTE data[] = {1, 2};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(child, "v", 0, REG_BINARY, data, sizeof data));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "software\\del\\CHILD"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Del\\Child"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Del"));

    // The deleted key's open handle now fails with ERROR_KEY_DELETED, also for writes.
    DWORD cb = sizeof data;
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(child, "v", nullptr, nullptr, nullptr, &cb));
    EXPECT_EQ(ERROR_KEY_DELETED, RegSetValueExA(child, "v", 0, REG_BINARY, data, sizeof data));
    HKEY sub = nullptr;
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegCreateKeyExA(child, "again", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(child));

    // A key of the same name created later is a new key: the old handle stays dead.
    HKEY old = Create(HKEY_CURRENT_USER, "Software\\Reborn");
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Reborn"));
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Reborn"));
    EXPECT_EQ(ERROR_KEY_DELETED, RegSetValueExA(old, "v", 0, REG_BINARY, data, sizeof data));
    RegCloseKey(old);

    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ""));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyA(HKEY_CURRENT_USER, nullptr));
}

TEST_F(RegistryKeyTest, DeleteTreeRemovesEverythingBelow)
{
    for (const char* path : {"Software\\T\\a\\b\\c", "Software\\T\\a\\d", "Software\\T\\e", "Software\\Keep"}) {
        HKEY key = Create(HKEY_CURRENT_USER, path);
        const DWORD v = 7;
        RegSetValueExA(key, "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
        RegCloseKey(key);
    }
    HKEY t = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\T", 0, KEY_ALL_ACCESS, &t));
    // Null subkey: the key's contents go, the key stays.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(t, "a"));
    EXPECT_EQ(std::vector<std::string>{"e"}, SubkeyNames(t));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(t, nullptr));
    EXPECT_TRUE(SubkeyNames(t).empty());
    DWORD values = 99;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(t, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                              nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, values);
    RegCloseKey(t);
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\T"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\T"));
    HKEY keep = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Keep", 0, KEY_READ, &keep));
    RegCloseKey(keep);
}

TEST_F(RegistryKeyTest, EnumerationIsOrderedByNameWithoutCase)
{
    HKEY parent = Create(HKEY_CURRENT_USER, "Software\\Order");
    for (const char* name : {"zeta", "Alpha", "beta", "_under", "Gamma", "1one"})
        RegCloseKey(Create(parent, name));
    // Upper-case order: digits, letters, then '_' (0x5F) after 'Z'.
    const std::vector<std::string> expected = {"1one", "Alpha", "beta", "Gamma", "zeta", "_under"};
    EXPECT_EQ(expected, SubkeyNames(parent));

    // A name buffer that is too small: ERROR_MORE_DATA; RegEnumKeyA alike.
    char small[4];
    DWORD cch = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(parent, 1, small, &cch, nullptr, nullptr, nullptr, nullptr));
    char exact[6];
    cch = sizeof exact;
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExA(parent, 1, exact, &cch, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("Alpha", exact);
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyA(parent, 1, exact, 5));
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(parent, 4, exact, 6));
    EXPECT_STREQ("zeta", exact);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyA(parent, 6, exact, 6));
    RegCloseKey(parent);
}

TEST_F(RegistryKeyTest, EnumerationSeesChangesBetweenCalls)
{
    HKEY parent = Create(HKEY_CURRENT_USER, "Software\\Live");
    RegCloseKey(Create(parent, "b"));
    char name[16];
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyA(parent, 0, name, sizeof name));
    EXPECT_STREQ("b", name);
    // A change through this process...
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Live\\a"));
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyA(parent, 0, name, sizeof name));
    EXPECT_STREQ("a", name);
    // ...and one through another process.
    const pid_t pid = fork();
    if (pid == 0) {
        HKEY k = nullptr;
        const LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Live\\0", 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &k, nullptr);
        _exit(rc == ERROR_SUCCESS ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyA(parent, 0, name, sizeof name));
    EXPECT_STREQ("0", name);
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(parent, 2, name, sizeof name));
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyA(parent, 3, name, sizeof name));
    // Deleting the key under an enumeration ends it with ERROR_KEY_DELETED.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Live"));
    EXPECT_EQ(ERROR_KEY_DELETED, RegEnumKeyA(parent, 0, name, sizeof name));
    RegCloseKey(parent);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegEnumKeyA(parent, 0, name, sizeof name));
}

TEST_F(RegistryKeyTest, DeleteKeyWithEmptySubkeyDeletesTheHandlesKey)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Self");
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(key, ""));
    EXPECT_EQ(ERROR_KEY_DELETED, RegDeleteKeyA(key, ""));
    RegCloseKey(key);
    HKEY again = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Self", 0, KEY_READ, &again));
}

TEST_F(RegistryKeyTest, QueryInfoKeyCountsAndLengths)
{
    HKEY key = nullptr;
    char cls[] = "MyClass";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Info", 0, cls, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    RegCloseKey(Create(key, "short"));
    char subClass[] = "LongerClassName";
    HKEY sub = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(key, "a-much-longer-name", 0, subClass, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
    RegCloseKey(sub);
    const BYTE blob[100] = {};
    RegSetValueExA(key, "v", 0, REG_BINARY, blob, sizeof blob);
    RegSetValueExA(key, "longer value name", 0, REG_BINARY, blob, 3);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("d"), 2);

    char buffer[32];
    DWORD cchClass = sizeof buffer;
    DWORD subkeys = 0, maxSubkey = 0, maxClass = 0, values = 0, maxValueName = 0, maxValue = 0, sd = 1;
    FILETIME written{};
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, buffer, &cchClass, nullptr, &subkeys, &maxSubkey, &maxClass,
                                              &values, &maxValueName, &maxValue, &sd, &written));
    EXPECT_STREQ("MyClass", buffer);
    EXPECT_EQ(7u, cchClass);
    EXPECT_EQ(2u, subkeys);
    EXPECT_EQ(18u, maxSubkey); // characters, no terminator
    EXPECT_EQ(15u, maxClass);
    EXPECT_EQ(3u, values);
    EXPECT_EQ(17u, maxValueName);
    EXPECT_EQ(100u, maxValue);
    EXPECT_NE(0u, written.dwHighDateTime);

    // A class buffer that is too small.
    char tiny[3];
    cchClass = sizeof tiny;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryInfoKeyA(key, tiny, &cchClass, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(7u, cchClass);

    // The last write time is the platform clock's time of the latest change to the key:
    // its values or its list of subkeys.
    const auto asInt = [](FILETIME f) { return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    auto clock = std::make_shared<platform::ManualClock>(133000000000000000ULL);
    platform::ScopedClock scoped(clock);
    FILETIME later{};
    RegSetValueExA(key, "v", 0, REG_BINARY, blob, 1);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, &later));
    EXPECT_EQ(133000000000000000ULL, asInt(later));
    clock->advance(1000);
    RegCloseKey(Create(key, "another"));
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, &later));
    EXPECT_EQ(133000000010000000ULL, asInt(later));
    FILETIME subWritten{};
    char name[16];
    DWORD cch = sizeof name;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, 1, name, &cch, nullptr, nullptr, nullptr, &subWritten));
    EXPECT_STREQ("another", name);
    EXPECT_EQ(133000000010000000ULL, asInt(subWritten));
    clock->advance(1000);
    DWORD dummy = 0;
    RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &dummy); // reading changes nothing
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, &later));
    EXPECT_EQ(133000000010000000ULL, asInt(later));
    RegCloseKey(key);
}

TEST_F(RegistryKeyTest, FunctionsCanBeLookedUpByName)
{
    for (const char* name : {"RegOpenKeyExA", "RegDeleteTreeA", "RegQueryInfoKeyA", "RegSetValueExW"})
        EXPECT_NE(nullptr, dlsym(RTLD_DEFAULT, name)) << name;
    using DeleteTree = LONG (*)(HKEY, LPCSTR);
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\ByName\\Sub"));
    auto deleteTree = reinterpret_cast<DeleteTree>(dlsym(RTLD_DEFAULT, "RegDeleteTreeA"));
    ASSERT_NE(nullptr, deleteTree);
    EXPECT_EQ(ERROR_SUCCESS, deleteTree(HKEY_CURRENT_USER, "Software\\ByName"));
    // The layer's own classes stay inside the library.
    EXPECT_EQ(nullptr, dlsym(RTLD_DEFAULT, "_ZN8platform8registry7KeyName4FoldB5cxx11ESt17basic_string_viewIcSt11char_traitsIcEE"));
}

TEST_F(RegistryKeyTest, RootSwitchOpensAnotherDatabase)
{
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\First"));
    HKEY held = Create(HKEY_CURRENT_USER, "Software\\Held");
    {
        TempRoot other;
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\First", 0, KEY_READ, &key));
        // A handle of the other database is not valid here.
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(held, nullptr, 0, KEY_READ, &key));
        EXPECT_TRUE(std::filesystem::exists(other.path() / "registry.db"));
    }
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\First", 0, KEY_READ, &key));
    RegCloseKey(key);
    RegCloseKey(held);
}

} // namespace
