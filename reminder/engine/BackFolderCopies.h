// CBackFolderCopies: the copies of one store's items in the back folder, seen through one
// associated contents table that stays open while a folder is watched. Finding an item's
// copies is then a look-up of its record key in the table's index, which the platform keeps in
// step with every change, instead of a table opened and scanned per call.
#pragma once

#include "com/ComPtr.h"
#include "mapi/Mapi.h"

#include <vector>

class CBackFolderCopies {
public:
    using Bytes = std::vector<BYTE>;

    // The entry IDs of the copies of the item with this record key and store record key; with
    // folderKey, only those whose LVFolderRecordKey equals it too. The table is opened on first
    // use, and again when the back folder or the store changes.
    HRESULT Find(IMAPIFolder* backFolder, const SBinary& storeKey, const SBinary& recordKey,
                 const SBinary* folderKey, std::vector<Bytes>& entryIds);
    void Close();

private:
    HRESULT Open(IMAPIFolder* backFolder, const SBinary& storeKey);

    ComPtr<IMAPIFolder> m_folder;
    ComPtr<IMAPITable> m_table;
    Bytes m_storeKey;
    ULONG m_tagRecordKey = 0;
    ULONG m_tagFolderKey = 0;
};
