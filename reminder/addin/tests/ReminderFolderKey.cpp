#include "ReminderFolderKey.h"

#include "host/HostSession.h"
#include "mapi/ProfileRegistry.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <string>

void MarkReminderFolder(const char* profile, IMAPIProp* store, IMAPIProp* folder)
{
    mapi::Bytes profileKey;
    ASSERT_EQ(mapi::ProfileRegistry::SearchKey(profile, profileKey), S_OK);
    const std::string path = "Software\\Halvesta\\Lumivane Add-In\\Folders\\" +
                             host::HexText(reinterpret_cast<const BYTE*>(profileKey.data()), profileKey.size()) + "\\" +
                             host::HexText(host::GetBinaryProp(store, PR_RECORD_KEY)) + "\\" +
                             host::HexText(host::GetBinaryProp(folder, PR_RECORD_KEY));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::string eid = host::HexText(host::GetBinaryProp(folder, PR_ENTRYID));
    const DWORD personal = 1;
    EXPECT_EQ(RegSetValueExA(key, "eid", 0, REG_SZ, reinterpret_cast<const BYTE*>(eid.c_str()),
                             static_cast<DWORD>(eid.size() + 1)),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "type", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&personal), sizeof personal),
              ERROR_SUCCESS);
    RegCloseKey(key);
}
