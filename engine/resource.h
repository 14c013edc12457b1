// The library's string table: the project name and the class descriptions.
#pragma once

#include "base/WinTypes.h"

#define IDS_PROJNAME 100
#define IDS_SYNCENGINE_DESC 101
#define IDS_PROFILES_DESC 103
#define IDS_PROFILE_DESC 105
#define IDS_STORES_DESC 107
#define IDS_STORE_DESC 109
#define IDS_FOLDERS_DESC 111
#define IDS_FOLDER_DESC 113
#define IDS_CONFLICT_DESC 115
#define IDS_CONFLICTS_DESC 117

// The text of a string id, or null for an id the table lacks.
LPCSTR LoadEngineString(UINT id);
