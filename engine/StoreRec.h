// One message store found in a MAPI profile, kept by the engine for the lifetime of the engine.
#pragma once

#include "mapi/MapiDefs.h"

#include <string>
#include <vector>

struct StoreRec {
    std::u16string profileName;  // MAPI profile
    std::u16string displayName;  // store display name
    std::vector<BYTE> entryId;   // store entry ID
    std::vector<BYTE> recordKey; // PR_RECORD_KEY
    std::vector<BYTE> provider;  // PR_MDB_PROVIDER
};
