// What an item of the advanced editor's trees carries: the engine folder (held until the item
// goes), its record key, and whether it lies on a checked branch of the command under way.
#pragma once

#include "EnginePtr.h"
#include "TembrixLib.h"
#include "base/TreeItem.h"

#include <string>

class CFolderHolder : public CTreeItemData {
public:
    CFolderHolder(IFolder* folder, std::string key) : m_pFolder(folder), m_strKey(std::move(key)) {}

    CEnginePtr<IFolder> m_pFolder;
    std::string m_strKey;
    bool m_bBranch = false;
};
