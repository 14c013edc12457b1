// Marks a folder a reminder folder of a profile the way the add-in's options page writes it, for
// tests that run the host over stores made on the spot.
#pragma once

#include "mapi/Mapi.h"

// Folders\<profile's search key>\<store's record key>\<folder's record key> under the add-in's key,
// with the folder's entry ID and the personal type.
void MarkReminderFolder(const char* profile, IMAPIProp* store, IMAPIProp* folder);
