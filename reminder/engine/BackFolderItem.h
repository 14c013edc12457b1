// BackFolderItem: the copy of a watched item in the back folder (the associated contents of
// the Calendar of the profile's default store). A copy carries the source item's properties
// (attachments never) and the named properties below, string names in PS_PUBLIC_STRINGS.
//
// Identity rules:
// - one item's copy: LVRecordKey == the item's record key and LVStoreRecordKey == its store's
//   record key (both present);
// - the copies of one watched folder: LumivaneItem == TRUE, LVFolderRecordKey == the folder's
//   record key and LVStoreRecordKey == its store's record key (all three present);
// - every copy of the add-in: LumivaneItem == TRUE.
#pragma once

#include "mapi/Mapi.h"

#include <span>

namespace BackFolderItem {

enum Name : ULONG {
    ItemMessageClass = 0,  // PT_STRING8: the source's PR_MESSAGE_CLASS
    LVEntryID = 1,         // PT_BINARY: the source's PR_ENTRYID
    LVFolderID = 2,        // PT_BINARY: the source's PR_PARENT_ENTRYID
    LVStoreID = 3,         // PT_BINARY: the source's PR_STORE_ENTRYID
    FolderName = 4,        // PT_STRING8: the watched folder's name
    StoreName = 5,         // PT_STRING8: the watched folder's store's name
    LumivaneItem = 6,      // PT_BOOLEAN: TRUE, written when the copy is created
    LVRecordKey = 7,       // PT_BINARY: the source's PR_RECORD_KEY
    LVFolderRecordKey = 8, // PT_BINARY: the watched folder's PR_RECORD_KEY
    LVStoreRecordKey = 9,  // PT_BINARY: the source's PR_STORE_RECORD_KEY
    ReminderMailSent = 10, // PT_BOOLEAN: set by the engine once the copy's reminder mail went out
};
// The ten names a copy gets from the mirroring; ReminderMailSent is the engine's.
inline constexpr ULONG kCopyNameCount = 10;

LPCWSTR NameOf(Name name);
ULONG TypeOf(Name name);

} // namespace BackFolderItem

// Named properties of the items' own property sets that the mirroring reads and writes.
inline constexpr LONG kPidLidReminderDelta = 0x8501;      // PSETID_Common, PT_LONG
inline constexpr LONG kPidLidReminderTime = 0x8502;       // PSETID_Common, PT_SYSTIME
inline constexpr LONG kPidLidReminderSet = 0x8503;        // PSETID_Common, PT_BOOLEAN
inline constexpr LONG kPidLidReminderSignalTime = 0x8560; // PSETID_Common, PT_SYSTIME
inline constexpr LONG kPidLidRecurring = 0x8223;          // PSETID_Appointment, PT_BOOLEAN

// One named property to resolve: a numeric id of a property set, or a copy's string name.
struct NamedProp {
    const GUID* set;
    LONG id;       // MNID_ID when name is null
    LPCWSTR name;  // MNID_STRING
    ULONG type;    // the type the tag gets
};

inline NamedProp CopyProp(BackFolderItem::Name name)
{
    return NamedProp{&PS_PUBLIC_STRINGS, 0, BackFolderItem::NameOf(name), BackFolderItem::TypeOf(name)};
}

// Resolves the names on prop (GetIDsFromNames with flags) into *tags, one per name in order,
// each typed as given unless it came back as PT_ERROR. The result is GetIDsFromNames's (a
// warning when some name is unknown); fewer tags than names is E_FAIL.
HRESULT ResolveNamedProps(IMAPIProp* prop, std::span<const NamedProp> props, ULONG flags, LPSPropTagArray* tags);
