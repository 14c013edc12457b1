// The Create Profile wizard: step 1 chooses the local (destination) store, step 2 the global
// (source) store, step 3 the profile's name; Finish makes the profile through the engine.
// Stores that other profiles use, and in step 2 the store chosen in step 1, are marked and may
// not be chosen.
#pragma once

#include "CheckListCtrl.h"
#include "EnginePtr.h"
#include "OrvDialog.h"
#include "TembrixLib.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// Posted to itself once the wizard shows: the stores are loaded then.
#define WMU_LOAD_STORES (WM_USER + 1)

class CDlgProfileCreate : public COrvDialog {
public:
    // `usedKeys`: record keys of the stores that other profiles use. `newName` receives the
    // new profile's name.
    CDlgProfileCreate(ISyncEngine* engine, std::set<std::string> usedKeys, std::string& newName);

    int GetStep() const { return m_nStep; }
    const std::vector<std::string>& ExistingNames() const { return m_existingNames; }
    // The record key of a row of the local or global list.
    std::string LocalKey(int row) const;
    std::string GlobalKey(int row) const;
    // The controls of each step.
    static const std::vector<int>& StepControls(int step);

    CCheckListCtrl m_lstLocal;
    CCheckListCtrl m_lstGlobal;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnOK() override;

private:
    bool LoadStores();
    HRESULT LoadStoreList(IStores* stores, CCheckListCtrl& list, std::map<int, std::string>& keys);
    void ShowStep(int step);
    void OnLocalChanged(const CCheckListCtrl::Change& change);
    void OnGlobalChanged(const CCheckListCtrl::Change& change);
    void MarkGlobalStores();
    void UpdateWarnings();
    void UpdateWarningIcon();
    void OnNameChanged();
    void ProposeName();
    bool CreateProfile();

    CEnginePtr<ISyncEngine> m_pEngine;
    std::set<std::string> m_usedKeys;
    std::string& m_strNewName;
    int m_nStep = 1;
    std::vector<std::string> m_existingNames;
    std::map<int, std::string> m_localKeys;
    std::map<int, std::string> m_globalKeys;
};
