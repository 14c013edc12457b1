// What a folder tree's item carries: the folder's record key (hex) and the engine folder, held
// until the item goes.
#pragma once

#include "EnginePtr.h"
#include "TembrixLib.h"
#include "base/TreeItem.h"

#include <string>

class CFolderItemData : public CTreeItemData {
public:
    CFolderItemData(std::string key, IFolder* folder) : m_strKey(std::move(key)), m_pFolder(folder) {}

    std::string m_strKey;
    CEnginePtr<IFolder> m_pFolder;
};
