// Settings reach this library only through an installed source: none in this program (which
// links no registry), a stand-in source, and the registry library loaded at run time.
#include "base/Display.h"
#include "base/SettingsSource.h"
#include "base/WinError.h"
#include "registry/Registry.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <map>
#include <string>

using platform::SettingsHive;

namespace {

// Values by "hive|key|name"; the key "Broken" fails to read.
class StandInSource final : public platform::SettingsSource {
public:
    std::map<std::string, std::string> strings;
    std::map<std::string, DWORD> dwords;

    LONG ReadString(SettingsHive hive, const char* key, const char* name, std::string& out) const override
    {
        if (std::strcmp(key, "Broken") == 0)
            return ERROR_ACCESS_DENIED;
        const auto found = strings.find(Id(hive, key, name));
        if (found == strings.end())
            return dwords.count(Id(hive, key, name)) ? ERROR_INVALID_DATA : ERROR_FILE_NOT_FOUND;
        out = found->second;
        return ERROR_SUCCESS;
    }
    LONG ReadDword(SettingsHive hive, const char* key, const char* name, DWORD& out) const override
    {
        const auto found = dwords.find(Id(hive, key, name));
        if (found == dwords.end())
            return ERROR_FILE_NOT_FOUND;
        out = found->second;
        return ERROR_SUCCESS;
    }
    static std::string Id(SettingsHive hive, const char* key, const char* name)
    {
        return std::string(hive == SettingsHive::CurrentUser ? "HKCU|" : "HKLM|") + key + "|" + name;
    }
};

class Installed {
public:
    explicit Installed(const platform::SettingsSource& source) : m_source(source)
    {
        platform::InstallSettingsSource(&m_source);
    }
    ~Installed() { platform::RemoveSettingsSource(&m_source); }

private:
    const platform::SettingsSource& m_source;
};

} // namespace

TEST(SettingsSource, WithoutASourceEverySettingIsAbsent)
{
    std::string text = "old";
    EXPECT_EQ(platform::ReadSettingString(SettingsHive::CurrentUser, "Control Panel\\Desktop", "CursorBlinkRate",
                                          "none", text),
              ERROR_SUCCESS);
    EXPECT_EQ(text, "none");
    DWORD value = 1;
    EXPECT_EQ(platform::ReadSettingDword(SettingsHive::LocalMachine, "Software", "x", 7, value), ERROR_SUCCESS);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(GetCaretBlinkTime(), 530u);
}

TEST(SettingsSource, AnInstalledSourceAnswersUntilItIsRemoved)
{
    StandInSource source;
    source.strings["HKCU|Control Panel\\Desktop|CursorBlinkRate"] = "250";
    source.strings["HKLM|Control Panel\\Desktop|CursorBlinkRate"] = "900";
    source.dwords["HKLM|Software\\Test|Count"] = 42;
    {
        Installed installed(source);
        EXPECT_EQ(GetCaretBlinkTime(), 250u); // the user's hive, not the machine's

        std::string text;
        EXPECT_EQ(platform::ReadSettingString(SettingsHive::LocalMachine, "Control Panel\\Desktop",
                                              "CursorBlinkRate", "", text),
                  ERROR_SUCCESS);
        EXPECT_EQ(text, "900");
        EXPECT_EQ(platform::ReadSettingString(SettingsHive::CurrentUser, "Missing", "x", "fallback", text),
                  ERROR_SUCCESS);
        EXPECT_EQ(text, "fallback");
        // Failures other than absence reach the caller, and the output is left alone.
        text = "kept";
        EXPECT_EQ(platform::ReadSettingString(SettingsHive::CurrentUser, "Broken", "x", "fallback", text),
                  ERROR_ACCESS_DENIED);
        EXPECT_EQ(platform::ReadSettingString(SettingsHive::LocalMachine, "Software\\Test", "Count", "", text),
                  ERROR_INVALID_DATA);
        EXPECT_EQ(text, "kept");

        DWORD value = 0;
        EXPECT_EQ(platform::ReadSettingDword(SettingsHive::LocalMachine, "Software\\Test", "Count", 0, value),
                  ERROR_SUCCESS);
        EXPECT_EQ(value, 42u);
        EXPECT_EQ(platform::ReadSettingDword(SettingsHive::CurrentUser, "Software\\Test", "Count", 5, value),
                  ERROR_SUCCESS);
        EXPECT_EQ(value, 5u);

        // Removing a source that is not the installed one changes nothing.
        StandInSource other;
        platform::RemoveSettingsSource(&other);
        EXPECT_EQ(GetCaretBlinkTime(), 250u);
    }
    EXPECT_EQ(GetCaretBlinkTime(), 530u);
}

TEST(SettingsSource, TheRegistryLibraryInstallsItselfWhenLoaded)
{
    TempRoot root;
    EXPECT_EQ(GetCaretBlinkTime(), 530u);
    void* registry = dlopen(REGISTRY_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(registry, nullptr) << dlerror();

    // The registry's declarations only: this program does not link the library.
    const auto create = reinterpret_cast<decltype(&RegCreateKeyExA)>(dlsym(registry, "RegCreateKeyExA"));
    const auto set = reinterpret_cast<decltype(&RegSetValueExA)>(dlsym(registry, "RegSetValueExA"));
    const auto close = reinterpret_cast<decltype(&RegCloseKey)>(dlsym(registry, "RegCloseKey"));
    ASSERT_TRUE(create && set && close);
    HKEY key = nullptr;
    ASSERT_EQ(create(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                     nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(set(key, "CursorBlinkRate", 0, REG_SZ, reinterpret_cast<const BYTE*>("400"), 4), ERROR_SUCCESS);
    close(key);
    EXPECT_EQ(GetCaretBlinkTime(), 400u);

    // The library stays loaded, as a module that brings it in keeps it: its state lives to the end
    // of the process.
}
