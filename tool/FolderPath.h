// Folder paths below a store's IPM subtree: "*" for the subtree itself, "*/Name/Name" below it;
// and the small MAPI helpers they need.
#pragma once

#include "TembrixLib.h"
#include "mapi/MapiX.h"

#include <string>

// Copies the bytes of `source` into `dest`: with MAPIAllocateMore on `parent`, or
// MAPIAllocateBuffer without one. A count of 0 allocates nothing.
HRESULT CopySBinary(SBinary* dest, const SBinary* source, LPVOID parent);
// The store's PR_IPM_SUBTREE_ENTRYID into `entryId`; the caller frees lpb with free().
HRESULT GetIpmSubtreeEntryId(IStore* store, SBinary* entryId);
// The path of a MAPI folder of the store, empty on any failure.
std::string GetFolderPath(IMAPIFolder* folder, IStore* store);
// The path of an engine folder of the store, empty on any failure.
std::string GetLinkFolderPath(IFolder* folder, IStore* store);
// Adds the path of `folder` to `path`, its parents first. A folder that is its own parent (the
// store's root, outside the IPM subtree) and a chain deeper than any real hierarchy end the
// walk with MAPI_E_NOT_FOUND and MAPI_E_FOLDER_CYCLE.
HRESULT AppendParentPath(IMsgStore* store, IMAPIFolder* folder, std::string& path, const SBinary& ipmSubtree);
