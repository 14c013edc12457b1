// Walks over the engine's folder objects. An engine folder's Folders list holds all of its
// descendants; these walks take the children of a folder out of it (those whose
// PR_PARENT_ENTRYID is that folder's entry ID), so that every folder is met once, under its
// own parent.
#pragma once

#include "EnginePtr.h"
#include "TembrixLib.h"

#include <string>
#include <vector>

using FolderList = std::vector<CEnginePtr<IFolder>>;

// The children of an engine folder, in the order of its Folders list.
HRESULT ChildFolders(IFolder* parent, FolderList& children);
// The top level of a folder collection: the items that share the first item's parent.
HRESULT TopLevelFolders(IFolders* folders, FolderList& top);

// Depth-first search by record key (hex text, compared exactly), from the store's top folder
// or from a collection's top level. Not found: null and MAPI_E_NOT_FOUND in `hr`. A null
// store or collection raises E_POINTER.
CEnginePtr<IFolder> FindFolderByKey(IStore* store, const std::string& key, HRESULT& hr);
CEnginePtr<IFolder> FindFolderByKey(IFolders* folders, const std::string& key, HRESULT& hr);

// The names from the folder with that key up to (without) the store's top folder, then "*"
// (rootMarker) or the store's name. 0 when found, 1 when not found or a call failed.
int FindFolderPath(const std::string& key, IStore* store, std::vector<std::string>& names, bool rootMarker);

// Unlinks the destination folder with that key from its source folder.
HRESULT ClearFolderAssociation(IStore* store, const std::string& key);

// Bytes of lowercase or uppercase hex text (an odd last digit is ignored); false for a
// character that is no hex digit.
bool HexToBytes(const std::string& hex, std::string& bytes);
