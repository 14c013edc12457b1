// The folder tree of the Edit Profile dialog: one store of a profile (the source or the
// destination side), its top folder as the root item named after the store, subfolders loaded
// when an item opens, icons by folder kind and the association marks in the state images
// (1 normal, 2 selected and associable, 3 another kind of folder, 4 associated).
#pragma once

#include "EnginePtr.h"
#include "FolderItemData.h"
#include "FolderLinkPaths.h"
#include "TembrixLib.h"
#include "base/TreeCtrl.h"

#include "mapi/MapiX.h"

#include <array>
#include <map>
#include <string>
#include <vector>

class CFolderTreeCtrl : public CTreeCtrl {
public:
    enum : int { SIDE_NONE = 0, SIDE_SOURCE = 1, SIDE_DESTINATION = 2 };
    enum : int { MARK_NORMAL = 1, MARK_ASSOCIABLE = 2, MARK_OTHER_KIND = 3, MARK_ASSOCIATED = 4 };
    // The images: 0 icon 131, 1 icon 132, 2 icon 131, 3 to 6 icons 133 to 136, 7 icon 130.
    enum : int { IMG_CONTACT = 1, IMG_MAIL = 2, IMG_NOTE = 3, IMG_TASK = 4, IMG_APPOINTMENT = 5, IMG_JOURNAL = 6,
                 IMG_OTHER = 7 };
    static const std::array<unsigned, 8>& ImageIcons();
    // The state images 0 to 4: icons 157, 157, 158, 159, 156.
    static const std::array<unsigned, 5>& StateIcons();
    // The image of a container class, letter case aside.
    static int ImageForClass(const std::string& containerClass);

    // The engine root (through which the profiles are found) and the dialog's association list.
    void SetEngine(ISyncEngine* engine) { m_pEngine = engine; }
    void SetLinkPaths(IFolderLinkPaths* links) { m_pLinks = links; }

    // Fills the tree with the store of the profile of that name: side flag 0 the source store,
    // 1 the destination store. MAPI_E_NOT_FOUND when no profile has the name; any failing call
    // ends the fill with its result, keeping what was inserted.
    HRESULT FillFolderTree(const std::string& profileName, int sideFlag);
    // Opens the tree down to the folder with that key and selects it; a name missing on the way
    // beeps and, on the first try, loads the tree anew and tries once more.
    BOOL ShowFolderByKey(const std::string& key, BOOL retry = FALSE);
    BOOL MarkByFolderKind(HTREEITEM item, int wantedImage);
    BOOL ClearFolderMarks(HTREEITEM item);
    // The first item with that key below (and at) `item` goes back to state 1.
    BOOL SelectFolderByKey(HTREEITEM item, const std::string& key);
    BOOL IsInAssociationList(IFolder* folder);
    BOOL HasSource(IFolder* folder);
    // Loads a destination folder (and its ancestors) into the tree and marks it associated.
    void MarkFolder(IFolder* destination);

    int GetSide() const { return m_nSide; }
    IStore* GetStore() const { return m_pStore.get(); }
    // The loaded item of a folder key, or null.
    HTREEITEM FindItemByKey(const std::string& key) const;
    CFolderItemData* GetFolderData(HTREEITEM item) const { return dynamic_cast<CFolderItemData*>(GetItemData(item)); }
    // "*" and the texts below the root down to the item, joined by "/".
    std::string ItemPath(HTREEITEM item) const;
    // The destination folders linked to source folders, by source key (destination side).
    const std::map<std::string, CEnginePtr<IFolder>>& SourceLinks() const { return m_sourceLinks; }

protected:
    BOOL OnItemExpanding(HTREEITEM item, UINT action) override;
    BOOL OnSelChanging(HTREEITEM oldItem, HTREEITEM newItem) override;
    void OnStateIconClick(HTREEITEM item) override;
    void OnDeleteItemData(HTREEITEM item) override;

private:
    void ResetTree();
    HRESULT InsertRoot(const std::string& storeName);
    HRESULT CollectSourceLinks(IFolder* folder);
    void LoadChildren(HTREEITEM item);
    void InsertChild(HTREEITEM parent, IFolder* folder);
    void DropDuplicate(HTREEITEM parent, const std::string& key);
    bool IsAssociated(IFolder* folder, const std::string& key);
    void CheckLinkPath(HTREEITEM item, const std::string& key);
    HRESULT LoadAncestors(IMsgStore* store, const std::string& parentEntryId);
    bool IsAncestorOrSelf(HTREEITEM ancestor, HTREEITEM item) const;

    CEnginePtr<ISyncEngine> m_pEngine;
    CEnginePtr<IStore> m_pStore;
    int m_nSide = SIDE_NONE;
    std::map<std::string, HTREEITEM> m_keyMap;
    std::map<std::string, CEnginePtr<IFolder>> m_sourceLinks;
    IFolderLinkPaths* m_pLinks = nullptr;
};
