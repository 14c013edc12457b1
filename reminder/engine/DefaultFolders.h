// CDefaultFolders: the special folders of one store (root, IPM subtree, Inbox, Outbox, Deleted
// Items, Calendar, Tasks, the Reminders search folders ...) as pairs of entry ID and
// DefaultFolderType. Folders are recognised by record key, because one folder can have several
// entry IDs. Filled once by Init; a folder that cannot be opened is simply not recognised.
#pragma once

#include "ReminderLib.h"
#include "mapi/Mapi.h"

class CDefaultFolders {
public:
    CDefaultFolders() = default;
    ~CDefaultFolders();
    CDefaultFolders(const CDefaultFolders&) = delete;
    CDefaultFolders& operator=(const CDefaultFolders&) = delete;

    // Reads the store's and the Inbox's folder entry IDs and the folders' record keys, once. S_OK,
    // or MAPI_W_ERRORS_RETURNED when a read failed; never a failure, and never repeated.
    HRESULT Init(IMsgStore* store);
    // The type of the folder with this record key; DFT_NONE for an ordinary folder. S_OK.
    HRESULT IsDefaultFolder(ULONG cbKey, const BYTE* pbKey, DefaultFolderType* type) const;
    // A copy of the type's entry ID (MAPIAllocateBuffer; the caller frees it). DFT_ROOT gives the
    // empty entry ID. MAPI_E_NOT_FOUND for a type the store does not have.
    HRESULT GetDefaultFolder(DefaultFolderType type, ULONG* cbEntryID, LPENTRYID* entryID) const;

private:
    struct Entry {
        LPSPropValue recordKey = nullptr; // PR_RECORD_KEY of the folder, owned; null when unknown
        const SBinary* entryId = nullptr; // into the values below, or the root or Inbox entry ID
        DefaultFolderType type = DFT_NONE;
    };
    static constexpr ULONG kMaxEntries = 23;

    void AddDefaultFolderKey(const SPropValue& value);
    bool IsKeyWanted(ULONG propTag) const;
    void SetKeys(IMsgStore* store);
    void AddEntry(const SBinary* entryId, DefaultFolderType type);

    bool m_initialised = false;
    ULONG m_validFolderMask = 0;
    ULONG m_cStoreProps = 0;
    LPSPropValue m_storeProps = nullptr;
    SBinary m_rootEntryId{0, nullptr};
    SBinary m_inboxEntryId{0, nullptr}; // its bytes are a MAPI buffer
    ULONG m_cInboxProps = 0;
    LPSPropValue m_inboxProps = nullptr;
    Entry m_entries[kMaxEntries];
    ULONG m_cEntries = 0;
};
