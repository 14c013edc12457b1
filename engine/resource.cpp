#include "resource.h"

namespace {

struct StringEntry {
    UINT id;
    LPCSTR text;
};

constexpr StringEntry kStrings[] = {
    {IDS_PROJNAME, "Tembrix"},
    {IDS_SYNCENGINE_DESC, "SyncEngine Class"},
    {IDS_PROFILES_DESC, "Profiles Class"},
    {IDS_PROFILE_DESC, "Profile Class"},
    {IDS_STORES_DESC, "Stores Class"},
    {IDS_STORE_DESC, "Store Class"},
    {IDS_FOLDERS_DESC, "Folders Class"},
    {IDS_FOLDER_DESC, "Folder Class"},
    {IDS_CONFLICT_DESC, "Conflict Class"},
    {IDS_CONFLICTS_DESC, "Conflicts Class"},
};

} // namespace

LPCSTR LoadEngineString(UINT id)
{
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id)
            return entry.text;
    }
    return nullptr;
}
