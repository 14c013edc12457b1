// The caret blink time comes from the user's desktop settings in the registry.
#include "base/Display.h"

#include "TempRoot.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void SetBlinkRate(const char* text)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "CursorBlinkRate", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(std::strlen(text) + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

} // namespace

TEST(CaretBlinkTime, ComesFromTheDesktopSettingsWith530WhenMissingOrUnreadable)
{
    TempRoot root;
    EXPECT_EQ(GetCaretBlinkTime(), 530u);
    SetBlinkRate("400");
    EXPECT_EQ(GetCaretBlinkTime(), 400u);
    SetBlinkRate("-1");
    EXPECT_EQ(GetCaretBlinkTime(), INFINITE_BLINK);
    SetBlinkRate("fast");
    EXPECT_EQ(GetCaretBlinkTime(), 530u);
    SetBlinkRate("0");
    EXPECT_EQ(GetCaretBlinkTime(), 0u);
}
