// The conflicts a profile's run left, as the conflicts dialogs show them: every conflict read
// once, deletions (types 5 and 6, which QueryDelete raised) apart from the other changes, each
// list grouped by folder pair in key order with a header row per pair, and the conflicts of a
// group in a fixed order (type, destination time, destination subject, index). Built on the
// worker after the run; the rows point into the model, which owns them.
#pragma once

#include "ConflictEntry.h"
#include "TembrixLib.h"

#include "com/ComPtr.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CConflictList {
public:
    CConflictList() = default;
    CConflictList(const CConflictList&) = delete;
    CConflictList& operator=(const CConflictList&) = delete;

    // Builds both lists; the number of conflicts that could not be read (their type or folder
    // keys, and every type 99 failure record), which are left out.
    int Load(IConflicts* conflicts, IProfile* profile);

    const std::vector<ConflictRow>& DeleteList() const { return m_deleteList; }
    const std::vector<ConflictRow>& ChangeList() const { return m_changeList; }
    const std::map<std::string, ConflictFolderPair>& FolderPairs() const { return m_folderPairs; }
    IConflicts* Conflicts() const { return m_pConflicts.get(); }
    IProfile* Profile() const { return m_pProfile.get(); }

    // Whether `a` comes before `b` inside a group.
    static bool EntryBefore(const ConflictEntry& a, const ConflictEntry& b);

private:
    void AddFolderPair(const std::string& key, IConflict* conflict);
    ConflictFolderPair* NewHeader(const std::string& key);

    ComPtr<IConflicts> m_pConflicts;
    ComPtr<IProfile> m_pProfile;
    std::vector<ConflictRow> m_deleteList;
    std::vector<ConflictRow> m_changeList;
    std::map<std::string, ConflictFolderPair> m_folderPairs;
    std::set<std::string> m_keys;
    // What the rows point at.
    std::vector<std::unique_ptr<ConflictEntry>> m_entries;
    std::vector<std::unique_ptr<ConflictFolderPair>> m_headers;
    // The profile's stores, read once for the folders' paths.
    bool m_bStoresRead = false;
    ComPtr<IStore> m_pLocalStore;
    ComPtr<IStore> m_pGlobalStore;
};

// The conflict's type, subjects and times (a subject that is there but empty reads
// "(untitled)"; a message that cannot be opened leaves its side empty).
void ReadConflictMessageInfo(IConflict* conflict, ConflictEntry& entry);
// The destination folder's record key in upper-case hex, "-", the source folder's the same way;
// a side that cannot be read is empty. Empty when the type cannot be read or is 99.
std::string GetFolderPairKey(IConflict* conflict);
