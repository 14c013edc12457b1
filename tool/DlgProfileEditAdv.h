// The advanced profile editor: whole branches of folders associated at once. The driving side's
// tree has check boxes; the command creates, below the other tree's selected folder, the
// checked subfolders of the driving tree's selected folder that are missing there, and
// associates same-named subfolders (checked) or dissolves their association (unchecked).
#pragma once

#include "DialogResource.h"
#include "EnginePtr.h"
#include "FolderHolder.h"
#include "FolderSearch.h"
#include "OrvDialog.h"
#include "TembrixLib.h"
#include "base/TreeCtrl.h"

#include <string>
#include <vector>

class CDlgProfileEditAdv : public COrvDialog {
public:
    // A step of the command that failed: the folder's path and the result.
    struct Failure {
        bool creation = false;
        std::string path;
        HRESULT hr = S_OK;
    };

    CDlgProfileEditAdv(IProfiles* profiles, IProfile* profile);

    // The confirmation: it exists in German only.
    static std::string ConfirmationText(const std::string& path);
    // The box after a command some of whose steps failed.
    static std::string CommandFailureText(const std::vector<Failure>& failures);

    bool IsChanged() const { return m_bChanged; }
    // True once any association was written (the caller reads its profile again).
    bool HasAssociated() const { return m_bAssociated; }
    bool LocalDrives() const { return IsChecked(IDC_LOCAL_DRIVES); }
    // The item's path from the tree's root, joined by "\".
    static std::string ItemPath(const CTreeCtrl& tree, HTREEITEM item);
    static CFolderHolder* Holder(const CTreeCtrl& tree, HTREEITEM item);
    // The item whose holder has that key, depth-first (null when none).
    static HTREEITEM FindCounterpart(const CTreeCtrl& tree, HTREEITEM item, const std::string& key);

    CTreeCtrl m_treeLocal;
    CTreeCtrl m_treeGlobal;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;

private:
    void FillTrees();
    // One tree with its store (the destination or the source), the top folder as the store.
    HRESULT FillSide(CTreeCtrl& tree, bool destination, CTreeCtrl* counterpart);
    HRESULT FillTreeLevel(CTreeCtrl& tree, const FolderList& folders, HTREEITEM parent, CTreeCtrl* counterpart,
                          bool storeLevel, const std::string& storeName);
    void OnToggle(CTreeCtrl& tree, HTREEITEM item, bool shift);
    void UpdateButton();
    void OnAssociate();
    void AssociateSubfolders();
    void MarkBranches(CTreeCtrl& tree, HTREEITEM item);
    void ClearBranches(CTreeCtrl& tree, HTREEITEM item);
    void CreateMissingSubfolders(CTreeCtrl& d, HTREEITEM dItem, CTreeCtrl& o, HTREEITEM oItem);
    void AssociateMatchingSubfolders(CTreeCtrl& d, HTREEITEM dItem, CTreeCtrl& o, HTREEITEM oItem);
    HRESULT CreateFolder(CTreeCtrl& o, HTREEITEM oItem, CFolderHolder& model, HTREEITEM& created);

    CEnginePtr<IProfiles> m_pProfiles;
    CEnginePtr<IProfile> m_pProfile;
    bool m_bChanged = false;
    bool m_bAssociated = false;
    std::vector<Failure> m_failures;
};
