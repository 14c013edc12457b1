// The locale values the user sets in the registry (HKCU\Control Panel\International).
#include "base/Locale.h"
#include "registry/Registry.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Decimal(LCID locale, LCTYPE flags = 0)
{
    char text[16] = {};
    GetLocaleInfoA(locale, LOCALE_SDECIMAL | flags, text, sizeof text);
    return text;
}

} // namespace

TEST(LocaleSettings, UserDecimalSeparatorFromTheRegistry)
{
    TempRoot root;
    const char* lang = std::getenv("LANG");
    const std::string saved = lang ? lang : "";
    setenv("LANG", "de_DE.UTF-8", 1);
    unsetenv("LC_ALL");
    EXPECT_EQ(Decimal(LOCALE_USER_DEFAULT), ",");

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE*>("'"), 2), ERROR_SUCCESS);
    EXPECT_EQ(Decimal(LOCALE_USER_DEFAULT), "'");
    EXPECT_EQ(Decimal(1031), "'");                         // the user's locale by its number
    EXPECT_EQ(Decimal(1031, LOCALE_NOUSEROVERRIDE), ",");  // not overridden
    EXPECT_EQ(Decimal(1033), ".");                         // another locale keeps its own
    // An empty value counts as unset.
    ASSERT_EQ(RegSetValueExA(key, "sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1), ERROR_SUCCESS);
    EXPECT_EQ(Decimal(LOCALE_USER_DEFAULT), ",");
    RegCloseKey(key);
    saved.empty() ? unsetenv("LANG") : setenv("LANG", saved.c_str(), 1);
}
