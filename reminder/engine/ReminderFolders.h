// CReminderFolders: the engine's set of watched folders. Each member is a folder object advised
// on its contents table, whose items it mirrors into the back folder. A folder is known by its
// store's and its own record key (one folder can have several entry IDs), so that adding a
// folder that is watched already keeps its one watcher. The set holds one reference per member
// and unadvises every member when it goes.
#pragma once

#include "ReminderLib.h"
#include "com/ComPtr.h"

#include <map>
#include <string>
#include <utility>

class CReminderFolders {
public:
    CReminderFolders() = default;
    ~CReminderFolders();
    CReminderFolders(const CReminderFolders&) = delete;
    CReminderFolders& operator=(const CReminderFolders&) = delete;

    // Advises the folder and keeps it; a folder in the set already stays as it is (S_OK).
    HRESULT AddFolder(IReminderEngine* engine, ILVFolder* folder);
    // Unadvises the member for this folder and deletes its copies from the back folder.
    HRESULT RemoveFolder(IReminderEngine* engine, ILVFolder* folder);
    // Unadvises every member; the copies stay.
    void RemoveAll();
    // Unadvises the members of the store with this record key (hex text, compared exactly); the
    // copies stay.
    void RemoveFolders(const char* storeRecordKey);
    // Deletes the copies whose source was this folder.
    HRESULT RemoveItemsFromBackfolder(IReminderEngine* engine, ILVFolder* folder);

    std::size_t Count() const { return m_folders.size(); }

private:
    using Key = std::pair<std::string, std::string>; // store record key, folder record key (hex)
    static HRESULT KeyOf(ILVFolder* folder, Key& key);

    std::map<Key, ComPtr<ILVFolder>> m_folders;
};
