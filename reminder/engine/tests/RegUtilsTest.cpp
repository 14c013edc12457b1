// Registry helpers against the real registry of a fresh platform root.
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "TimeFixture.h"

#include "TempRoot.h"
#include "base/DebugOutput.h"

#include <gtest/gtest.h>

namespace {

class Registry : public TimeTest {
protected:
    TempRoot root;
};

bool Exists(HKEY root, const char* path)
{
    CRegKeyEx key;
    return key.Open(root, path, KEY_READ) == ERROR_SUCCESS;
}

} // namespace

TEST_F(Registry, SubKeysAndDeletingEmptyKeys)
{
    CRegKeyEx key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Test\\Store"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetStringValue("", "Mailbox"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDWORDValue("type", 2), ERROR_SUCCESS);
    BOOL has = TRUE;
    ASSERT_EQ(RegHasSubKeys(key, &has), S_OK);
    EXPECT_FALSE(has);
    CRegKeyEx folder;
    ASSERT_EQ(folder.Create(key, "Folder"), ERROR_SUCCESS);
    folder.Close();
    ASSERT_EQ(RegHasSubKeys(key, &has), S_OK);
    EXPECT_TRUE(has);
    key.Close();

    CRegKeyEx parent;
    ASSERT_EQ(parent.Open(HKEY_CURRENT_USER, "Software\\Test"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyIfEmpty(parent, "Store"), S_OK); // it has a subkey: kept
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Software\\Test\\Store"));
    ASSERT_EQ(RegDeleteKeyIfEmpty(HKEY_CURRENT_USER, "Software\\Test\\Store\\Folder"), S_OK);
    ASSERT_EQ(RegDeleteKeyIfEmpty(parent, "Store"), S_OK); // values do not keep it
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Software\\Test\\Store"));

    platform::DebugOutputCapture capture;
    EXPECT_EQ(RegDeleteKeyIfEmpty(parent, "Store"), HRESULT(0x80070002));
    EXPECT_NE(capture.joined().find("Open() failed. hr=0x80070002"), std::string::npos);
    EXPECT_EQ(RegDeleteKeyIfEmpty(parent, ""), E_INVALIDARG);
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Software\\Test"));
    EXPECT_TRUE(FAILED(RegHasSubKeys(nullptr, &has)));
    EXPECT_NE(capture.joined().find("RegQueryInfoKey() failed: hr = 80070006"), std::string::npos);
}

TEST_F(Registry, QueryStringValue)
{
    CRegKeyEx key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Test"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetStringValue("text", "Mailbox - Ann"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetStringValue("expand", "%ROOT%\\x", REG_EXPAND_SZ), ERROR_SUCCESS);
    const char multi[] = "first\0second\0";
    ASSERT_EQ(RegSetValueExA(key, "multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi),
              ERROR_SUCCESS);
    ASSERT_EQ(key.SetDWORDValue("number", 5), ERROR_SUCCESS);
    const char unterminated[] = {'a', 'b'};
    ASSERT_EQ(RegSetValueExA(key, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), 2), ERROR_SUCCESS);

    std::string value = "before";
    EXPECT_EQ(key.QueryStringValue("text", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, "Mailbox - Ann");
    EXPECT_EQ(key.QueryStringValue("expand", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, "%ROOT%\\x");
    EXPECT_EQ(key.QueryStringValue("multi", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, "first");
    EXPECT_EQ(key.QueryStringValue("raw", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, "ab");
    value = "kept";
    EXPECT_EQ(key.QueryStringValue("number", &value), ERROR_SUCCESS); // not a string: left alone
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(key.QueryStringValue("missing", &value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(value, "kept");
}

TEST_F(Registry, Timestamps)
{
    std::string user = "x", install = "y";
    ReadTimestamps("00ff", &user, &install);
    EXPECT_EQ(user, "x"); // missing keys leave the texts as they were
    EXPECT_EQ(install, "y");

    Now(2024, 6, 10, 8, 30, 5);
    ASSERT_EQ(SaveUserTimestamp("00ff"), S_OK);
    CRegKeyEx key;
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, kInstallKey), ERROR_SUCCESS);
    ASSERT_EQ(key.SetStringValue(kTimeStampValue, "20240101000000"), ERROR_SUCCESS);
    user.clear();
    install.clear();
    ReadTimestamps("00ff", &user, &install);
    EXPECT_EQ(user, "20240610083005");
    EXPECT_EQ(install, "20240101000000");
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Software\\Halvesta\\Lumivane Add-In\\Folders\\00FF"));

    EXPECT_EQ(SaveUserTimestamp(""), E_INVALIDARG);
    EXPECT_EQ(SaveUserTimestamp(nullptr), E_INVALIDARG);
}

TEST_F(Registry, WindowPlacements)
{
    CRegKeyEx key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Test"), ERROR_SUCCESS);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.showCmd = SW_SHOWMAXIMIZED;
    placement.rcNormalPosition = {10, 20, 610, 420};
    ASSERT_EQ(key.SetValue(&placement, "ZoomTreePlacement"), ERROR_SUCCESS);
    WINDOWPLACEMENT read{};
    read.length = sizeof read;
    ASSERT_EQ(key.QueryValue("ZoomTreePlacement", &read), ERROR_SUCCESS);
    EXPECT_EQ(read.showCmd, UINT(SW_SHOWMAXIMIZED));
    EXPECT_EQ(read.rcNormalPosition.right, 610);
    std::vector<BYTE> raw;
    ASSERT_EQ(key.QueryBinaryValue("ZoomTreePlacement", raw), ERROR_SUCCESS);
    EXPECT_EQ(raw.size(), 44u);

    // A stored placement of 40 bytes and a structure whose length says 44: 13, untouched.
    placement.length = 40;
    ASSERT_EQ(key.SetValue(&placement, "Short"), ERROR_SUCCESS);
    WINDOWPLACEMENT other{};
    other.length = sizeof other;
    other.showCmd = 7;
    EXPECT_EQ(key.QueryValue("Short", &other), ERROR_INVALID_DATA);
    EXPECT_EQ(other.showCmd, 7u);
    EXPECT_EQ(key.QueryValue("Missing", &other), ERROR_FILE_NOT_FOUND);

    // Lengths beyond the structure are neither written nor read.
    placement.length = 48;
    EXPECT_EQ(key.SetValue(&placement, "Long"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key.QueryValue("Long", &other), ERROR_FILE_NOT_FOUND);
    BYTE bytes[48] = {};
    ASSERT_EQ(key.SetBinaryValue("Long", bytes, sizeof bytes), ERROR_SUCCESS);
    other.length = 48;
    EXPECT_EQ(key.QueryValue("Long", &other), ERROR_INVALID_DATA);
    EXPECT_EQ(other.showCmd, 7u);
}
