// The back folder: the Calendar of the profile's default store, whose associated (hidden)
// messages are the add-in's copies of the items it watches, each marked LumivaneItem = TRUE.
// These are the free helpers the engine, the reminder-folder set and the reminders window share.
#pragma once

#include "mapi/Mapi.h"

// The restriction that selects the copies: LumivaneItem exists and is TRUE, the name resolved
// on `prop` (created when missing). One MAPI buffer: the caller frees it with MAPIFreeBuffer.
// On failure nothing is handed out.
HRESULT GetBackFolderRestriction(IMAPIProp* prop, SRestriction** out);

// The folder's associated contents with these columns, restricted (a null restriction: every
// row). Each failing call is traced and returned.
HRESULT OpenAssociatedTable(IMAPIFolder* folder, const SPropTagArray* columns, const SRestriction* restriction,
                            IMAPITable** table);

// A numeric name of a property set: the set, MNID_ID and the id.
void InitNameID(MAPINAMEID& nameId, const GUID& set, LONG id);
