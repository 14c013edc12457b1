// The conflicts dialog (142) without a display: once over a run's deletions (mode 0, "Delete
// resolution") and once over its other conflicts (mode 1, "Conflict resolution"), the rows of a
// profile side by side with the local and global store names above them. Commit resolves every
// ticked conflict through the engine and shows the outcome in its row; Close is for a list with
// nothing left to resolve, Cancel for one with something left (the run then keeps both sides of
// what is left). While a message's form is open, Commit, Close and Cancel only say so.
#pragma once

#include "ConflictEntry.h"
#include "ConflictsListCtrl.h"
#include "OrvDialog.h"
#include "TembrixLib.h"

#include "com/ComPtr.h"

#include <string>
#include <vector>

class CDlgConflicts : public COrvDialog {
public:
    enum Mode { MODE_DELETIONS = 0, MODE_CHANGES = 1 };

    // `rows` stay the caller's for the dialog's life.
    CDlgConflicts(int mode, const std::vector<ConflictRow>& rows, IConflicts* conflicts, IProfile* profile,
                  std::string caption, std::string localStore, std::string globalStore);

    int GetMode() const { return m_nMode; }
    const std::string& GetCaption() const { return m_strCaption; }
    // What is ticked and what is left to resolve decide the buttons.
    void UpdateButtons();
    // Resolves the ticked conflicts (string 218 while a form is open).
    void OnCommit();
    bool IsFormOpen() const { return m_bFormOpen || m_wndList.IsFormOpen(); }

    CConflictsListCtrl m_wndList;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // False (after string 218) while a form is open.
    bool MayAct();

    int m_nMode;
    const std::vector<ConflictRow>& m_rows;
    ComPtr<IConflicts> m_pConflicts;
    ComPtr<IProfile> m_pProfile;
    std::string m_strCaption;
    std::string m_strLocalStore;
    std::string m_strGlobalStore;
    bool m_bFormOpen = false;
};
