// The wide functions: UTF-16 names and string data over the same keys and values.
#include "registry/RegistryW.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(RegistryWideTest, WideAndNarrowSeeTheSameKeysAndText)
{
    TempRoot root;
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Größe", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, &disposition));
    const std::u16string text = u"Grüße";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                            static_cast<DWORD>((text.size() + 1) * 2)));
    const BYTE blob[] = {1, 2, 3};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"Blob", 0, REG_BINARY, blob, sizeof blob));
    RegCloseKey(key);

    // The narrow side sees UTF-8.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\größe",
                                           0, KEY_READ, &key));
    char narrow[32] = {};
    DWORD cb = sizeof narrow;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "name", nullptr, nullptr, reinterpret_cast<BYTE*>(narrow), &cb));
    EXPECT_STREQ("Grüße", narrow);
    EXPECT_EQ(std::strlen("Grüße") + 1, cb);

    // The wide side reads UTF-16 with sizes in bytes of it.
    DWORD type = 0;
    cb = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"NAME", nullptr, &type, nullptr, &cb));
    EXPECT_EQ((text.size() + 1) * 2, cb);
    char16_t wide[16] = {};
    cb = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(wide), &cb));
    EXPECT_EQ((text.size() + 1) * 2, cb);
    cb = sizeof wide;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(wide), &cb));
    EXPECT_EQ(text, std::u16string(wide));
    BYTE bytes[8] = {};
    cb = sizeof bytes;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"Blob", nullptr, &type, bytes, &cb));
    EXPECT_EQ(3u, cb);
    EXPECT_EQ(0, std::memcmp(blob, bytes, 3));

    // Lengths in UTF-16 characters: "Grüße" is 5 of them (7 bytes of UTF-8), 12 bytes with its terminator.
    DWORD values = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                              &maxName, &maxData, nullptr, nullptr));
    EXPECT_EQ(2u, values);
    EXPECT_EQ(4u, maxName);
    EXPECT_EQ(12u, maxData);

    char16_t name[16];
    DWORD cch = 16;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(key, 1, name, &cch, nullptr, &type, nullptr, nullptr));
    EXPECT_EQ(std::u16string(u"Name"), std::u16string(name));
    EXPECT_EQ(4u, cch);
    RegCloseKey(key);

    cch = 16;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key));
    bool found = false;
    for (DWORD i = 0; cch = 16, RegEnumKeyExW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i)
        found = found || std::u16string(name) == u"Größe";
    EXPECT_TRUE(found);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(HKEY_CURRENT_USER, nullptr));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, u"Software\\GRÖßE"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Größe"));
}

} // namespace
