// CDlgZoom: the zoom dialog (from the options page's Zoom button): the page's folder tree in a
// large, resizable window. The tree moves into the dialog while it runs and back to its place
// on the page when it closes; what the tree reports meanwhile goes on to the page. The dialog
// keeps its last placement in the Settings value ZoomTreePlacement.
#pragma once

#include "AddinDialog.h"
#include "OptionsResource.h"
#include "base/WinMessages.h"

class CDlgZoom : public CAddinDialog {
public:
    enum { IDD = IDD_ZOOM };
    // `tree`: the tree's window; `home`: its parent on the page; `treeModel`: the tree a view
    // shows (it borrows the page's view of it).
    CDlgZoom(HWND tree, HWND home, CTreeCtrl* treeModel = nullptr);
    ~CDlgZoom() override;

    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    HWND TreeWindow() const { return m_hTree; }
    CTreeCtrl* Tree(int id) override { return id == IDC_TREE_FOLDERS ? m_treeModel : nullptr; }
    HWND Home() const { return m_hHome; }
    // The dialog's icons (icon 100 at the large and the small size).
    HICON BigIcon() const { return m_bigIcon; }
    HICON SmallIcon() const { return m_smallIcon; }
    // Whether a stored placement was applied when the dialog opened.
    bool PlacementRestored() const { return m_placementRestored; }

private:
    LRESULT OnInitDialog();
    LRESULT OnDestroy();
    // WM_APP + 1 of the tree: on to the page.
    LRESULT OnDirty(WPARAM wParam, LPARAM lParam);

    HWND m_hTree;
    HWND m_hHome;
    CTreeCtrl* m_treeModel;
    WINDOWPLACEMENT m_treePlacement{};
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    bool m_placementRestored = false;
};
