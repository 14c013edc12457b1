// What the conflicts dialog lists of a run's conflicts: one entry per conflict that could be
// read, the folder pairs they belong to, and the rows (a header per folder pair, then its
// conflicts) that the dialog shows.
#pragma once

#include "base/WinTime.h"
#include "base/WinTypes.h"

#include <string>

struct ConflictEntry {
    // 1-based index of the conflict in IConflicts (used again to resolve it).
    int nIndex = 0;
    // IConflict.Type: -1 until read, 0 once resolved.
    SHORT nType = -1;
    // The folder-pair key (CConflictList::GetFolderPairKey).
    std::string strKey;
    // The destination (local) message's subject and last modification (0 when unknown).
    std::string strDstSubject;
    FILETIME ftDstTime{};
    // The same of the source (global) message.
    std::string strSrcSubject;
    FILETIME ftSrcTime{};
};

struct ConflictFolderPair {
    std::string strLocalPath;
    std::string strGlobalPath;
    std::string strKey;
};

// A row of a conflicts list: a folder pair's header or one conflict (exactly one is set).
struct ConflictRow {
    ConflictFolderPair* pPair = nullptr;
    ConflictEntry* pEntry = nullptr;
    bool IsHeader() const { return pPair != nullptr; }
};
