// The profile editor: the profile's associations in a list, the local (destination) and the
// global (source) store as folder trees. Selecting a local folder marks the global folders of
// its kind that may be associated with it; Associate links the two selected folders, Delete
// Association dissolves the selected rows' links. A status text explains the selection.
#pragma once

#include "EnginePtr.h"
#include "FolderLinkListCtrl.h"
#include "FolderLinkPaths.h"
#include "FolderTreeCtrl.h"
#include "OrvDialog.h"
#include "TembrixLib.h"

#include <functional>
#include <string>

class CDlgProfileEdit : public COrvDialog, private IFolderLinkPaths {
public:
    // `folderRow`: the association row to preselect, or -1.
    CDlgProfileEdit(ISyncEngine* engine, IProfiles* profiles, LONG profileIndex, IProfile* profile, int folderRow);
    ~CDlgProfileEdit() override;

    // An association was made or dissolved: the caller reads the profile again.
    bool IsChanged() const { return m_bChanged; }

    // What the user does in the list: its focus, a double click or Space on a row.
    void OnListFocus(bool focus);
    void OnListActivated(int row);

    // Runs the advanced editor for the profile (the display's); true when it changed something.
    std::function<bool(IProfiles* profiles, IProfile* profile)> m_runAdvanced;

    CFolderLinkListCtrl m_lstLinks;
    CFolderTreeCtrl m_treeLocal;
    CFolderTreeCtrl m_treeGlobal;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;

private:
    enum class Focus { None, List, LocalTree, GlobalTree };

    void LoadProfile();
    void UpdateMarks();
    void UpdateButtons();
    std::string StatusText(bool globalSide) const;
    void ShowStatus(bool globalSide);
    void OnTreeFocus(Focus tree, bool focus);
    void OnAssociate();
    void OnDeleteAssociation();
    void OnAdvanced();
    void ShowFailure(UINT sentence, HRESULT hr);

    // IFolderLinkPaths over the association list.
    std::string DestinationOfSource(const std::string& sourceKey) const override;
    std::string LinkPath(const std::string& destinationKey, bool local) const override;
    void SetLinkPath(const std::string& destinationKey, bool local, const std::string& path) override;

    CEnginePtr<ISyncEngine> m_pEngine;
    CEnginePtr<IProfiles> m_pProfiles;
    LONG m_nProfileIndex;
    CEnginePtr<IProfile> m_pProfile;
    int m_nFolderRow;
    std::string m_strProfileName;
    Focus m_focus = Focus::None;
    bool m_bChanged = false;
};
