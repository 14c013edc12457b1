#include "base/LastError.h"
#include "base/Locale.h"
#include "base/Module.h"
#include "base/Resources.h"
#include "base/UiLanguage.h"
#include "base/WinError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::uint8_t> FileBytes(const std::string& name)
{
    std::ifstream in(std::string(RESOURCE_TEST_FOLDER) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Text(HINSTANCE instance, UINT id)
{
    char buffer[256];
    const int n = LoadStringA(instance, id, buffer, sizeof buffer);
    return n ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

// Sets or clears environment variables for one test and puts them back afterwards.
class Environment {
public:
    void Set(const char* name, const char* value)
    {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name);
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~Environment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        env.Set("LC_ALL", nullptr);
        env.Set("LC_MESSAGES", nullptr);
        env.Set("LANG", "en_US.UTF-8");
        SetThreadLocale(LOCALE_USER_DEFAULT);
        SetThreadUILanguage(0);
    }
    void TearDown() override { SetThreadUILanguage(0); }
    Environment env;
};

std::vector<std::uint8_t> ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type)
{
    HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(module, found);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, found);
    return data ? std::vector<std::uint8_t>(data, data + size) : std::vector<std::uint8_t>();
}

} // namespace

TEST_F(ResourcesTest, StringsInEveryLanguageAndTheFallbackSteps)
{
    const struct {
        LANGID language;
        const char* text;
    } cases[] = {
        {1033, "Hello"}, {1031, "Hallo"}, {1036, "Bonjour"}, {1040, "Ciao"}, {3082, "Hola"},
        {1034, "Hola"},   // the same primary language
        {3079, "Hallo"},  // Austrian German finds German
        {2057, "Hello"},  // British English finds 1033
        {1049, "Hello"},  // Russian: no Russian text, so English
    };
    for (const auto& c : cases) {
        ASSERT_EQ(SetThreadUILanguage(c.language), c.language);
        EXPECT_EQ(Text(nullptr, 1), c.text) << c.language;
    }
    SetThreadUILanguage(1031);
    EXPECT_EQ(Text(nullptr, 2), "English only");
    EXPECT_EQ(Text(nullptr, 7), "Only without a language");
    EXPECT_EQ(Text(nullptr, 5), "Gr\xC3\xBC\xC3\x9F Gott");
    SetThreadUILanguage(1033);
    // A German-only string has no text for English.
    EXPECT_EQ(Text(nullptr, 5), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
    EXPECT_EQ(Text(nullptr, 99), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(Text(nullptr, 0), "String zero");
    EXPECT_EQ(Text(nullptr, 3), "Tab\tand \"quotes\" and a line\nbreak");
    EXPECT_EQ(Text(nullptr, 4), "A long text that is joined from two parts");
}

TEST_F(ResourcesTest, LoadStringCutsAtCharacterBoundaries)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(nullptr, 1, buffer, 4), 3);
    EXPECT_STREQ(buffer, "Hel");
    SetThreadUILanguage(1031);
    // "Grüß": the ü takes two bytes and does not fit after "Gr" into three.
    EXPECT_EQ(LoadStringA(nullptr, 5, buffer, 4), 2);
    EXPECT_STREQ(buffer, "Gr");
    EXPECT_EQ(LoadStringA(nullptr, 5, buffer, 5), 4);
    EXPECT_STREQ(buffer, "Gr\xC3\xBC");
    EXPECT_EQ(LoadStringA(nullptr, 1, buffer, 1), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(LoadStringA(nullptr, 1, nullptr, 10), 0);
}

TEST_F(ResourcesTest, TwoModulesWithTheSameIds)
{
    HMODULE first = LoadLibraryA(MODULE_TEST_FIRST);
    HMODULE second = LoadLibraryA(MODULE_TEST_SECOND);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Text(first, 100), "First module");
    EXPECT_EQ(Text(second, 100), "Second module");
    EXPECT_EQ(Text(nullptr, 100), "");
    EXPECT_EQ(Text(first, 1), "");
    HICON icon = LoadIconA(first, MAKEINTRESOURCEA(128));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(second, MAKEINTRESOURCEA(128)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));

    // An unloaded module's resources are gone with it.
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(Text(second, 100), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    FreeLibrary(first);
}

TEST_F(ResourcesTest, IconBitmapAndTypedResourcesReadByteForByte)
{
    EXPECT_EQ(ResourceBytes(nullptr, MAKEINTRESOURCEA(275), "ECF"), FileBytes("lumivane.ecf"));
    EXPECT_EQ(ResourceBytes(nullptr, "#275", "ecf"), FileBytes("lumivane.ecf"));
    EXPECT_EQ(ResourceBytes(nullptr, MAKEINTRESOURCEA(300), RT_RCDATA), FileBytes("lumivane.ecf"));
    EXPECT_EQ(ResourceBytes(nullptr, MAKEINTRESOURCEA(128), RT_GROUP_ICON), FileBytes("app.ico"));
    EXPECT_EQ(ResourceBytes(nullptr, "NamedIcon", RT_GROUP_ICON), FileBytes("other.ico"));
    EXPECT_EQ(ResourceBytes(nullptr, MAKEINTRESOURCEA(247), RT_BITMAP), FileBytes("play.bmp"));

    // As the add-in's setup finds its file: by module handle, neutral language.
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC ecf = FindResourceExA(self, "ECF", MAKEINTRESOURCEA(275), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_NE(ecf, nullptr);
    EXPECT_EQ(SizeofResource(self, ecf), FileBytes("lumivane.ecf").size());
    EXPECT_NE(LockResource(LoadResource(self, ecf)), nullptr);
}

TEST_F(ResourcesTest, FindResourceFailures)
{
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCEA(1), RT_DIALOG), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCEA(276), "ECF"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceExA(self, RT_STRING, MAKEINTRESOURCEA(5), 1049), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
    // An explicit language takes the same order from there.
    HRSRC german = FindResourceExA(self, RT_STRING, MAKEINTRESOURCEA(1), 3079);
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(LockResource(LoadResource(self, german))), SizeofResource(self, german)),
              "Hallo");

    HMODULE plain = LoadLibraryA(MODULE_TEST_PLAIN);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(FindResourceA(plain, MAKEINTRESOURCEA(1), RT_STRING), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    FreeLibrary(plain);

    int notAResource = 0;
    EXPECT_EQ(SizeofResource(self, reinterpret_cast<HRSRC>(&notAResource)), 0u);
    EXPECT_EQ(LoadResource(self, reinterpret_cast<HRSRC>(&notAResource)), nullptr);
    EXPECT_EQ(LoadResource(self, nullptr), nullptr);
}

TEST_F(ResourcesTest, UiLanguageFromTheEnvironmentInItsOrder)
{
    env.Set("LANG", "de_DE.UTF-8");
    EXPECT_EQ(GetUserDefaultUILanguage(), 1031);
    env.Set("LC_MESSAGES", "fr_FR.UTF-8");
    EXPECT_EQ(GetUserDefaultUILanguage(), 1036);
    env.Set("LC_ALL", "it_IT.UTF-8");
    EXPECT_EQ(GetUserDefaultUILanguage(), 1040);
    EXPECT_EQ(GetThreadUILanguage(), 1040);
    env.Set("LC_ALL", "");
    env.Set("LC_MESSAGES", "es_MX");
    EXPECT_EQ(GetUserDefaultUILanguage(), 3082);
    env.Set("LC_MESSAGES", "pt_BR.UTF-8");
    EXPECT_EQ(GetUserDefaultUILanguage(), 1033);
    env.Set("LC_MESSAGES", "C");
    EXPECT_EQ(GetUserDefaultUILanguage(), 1033);
    env.Set("LC_MESSAGES", nullptr);
    env.Set("LANG", nullptr);
    EXPECT_EQ(GetUserDefaultUILanguage(), 1033);
}

TEST_F(ResourcesTest, ThreadLocaleAndUiLanguageTheLaterCallWins)
{
    ASSERT_TRUE(SetThreadLocale(1031));
    EXPECT_EQ(GetThreadLocale(), 1031u);
    EXPECT_EQ(GetThreadUILanguage(), 1031);
    EXPECT_EQ(Text(nullptr, 1), "Hallo");
    EXPECT_EQ(SetThreadUILanguage(1036), 1036);
    EXPECT_EQ(GetThreadLocale(), 1031u);
    EXPECT_EQ(Text(nullptr, 1), "Bonjour");
    ASSERT_TRUE(SetThreadLocale(1040));
    EXPECT_EQ(Text(nullptr, 1), "Ciao");

    // Unknown languages change nothing.
    EXPECT_FALSE(SetThreadLocale(9999));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SetThreadUILanguage(9999), 0);
    EXPECT_EQ(GetThreadUILanguage(), 1040);

    // Each thread has its own.
    LANGID other = 0;
    std::thread([&] { other = GetThreadUILanguage(); }).join();
    EXPECT_EQ(other, 1033);

    EXPECT_EQ(SetThreadUILanguage(0), 1033);
    EXPECT_EQ(Text(nullptr, 1), "Hello");
}
