// CPropPageOptionsMain: the add-in's page "Lumivane Add-In" in the host's Options dialog and in
// the add-in's own options sheet. The user marks reminder folders in the folder tree and
// chooses what happens at due time: the reminders window, a sound file, a mail. The page keeps
// the Settings values ReminderWindow, Sound, SoundFile, Mail and MailAddress, which it writes
// on Apply (the tree writes the folders' reminder types). While it exists the engine it found is
// in configuring mode.
//
// The page runs on the window the sheet makes for it (its dialog procedure); its controls are
// dialog items of that window, the tree a child window of its own. Where the host has a display
// the sheet asks the page for its view, which shows the same items.
#pragma once

#include "AddinDialog.h"
#include "BitmapButtonEx.h"
#include "FolderTreeViewCtrl.h"
#include "OptionsResource.h"
#include "ReminderLib.h"
#include "com/ComPtr.h"
#include "host/ExchExtCompanions.h"


class CPropPageOptionsMain : public CAddinDialog {
public:
    enum { IDD = IDD_OPTIONS_MAIN };
    // `creator` is held for the page's life (the parent extension, or null).
    explicit CPropPageOptionsMain(IUnknown* creator);
    ~CPropPageOptionsMain() override;

    // The page's dialog procedure, callback and view (PROPSHEETPAGEA's pfnDlgProc, pfnCallback
    // and pfnCreateWindow).
    static INT_PTR DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    static UINT PropPageCallback(HWND hWnd, UINT uMsg, PROPSHEETPAGEA* ppsp);
    static void* CreatePageWindow(void* parentWindow, PROPSHEETPAGEA* ppsp);
    // The page running on a window, or null.
    static CPropPageOptionsMain* FromWindow(HWND hWnd);

    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    CTreeCtrl* Tree(int id) override { return id == IDC_TREE_FOLDERS ? &m_tree : nullptr; }
    IBitmapButtonModel* Button(int id) override;

    CFolderTreeViewCtrl& Tree() { return m_tree; }
    CBitmapButtonEx& PlayButton() { return m_btnPlay; }
    CBitmapButtonEx& OpenButton() { return m_btnOpen; }
    bool ControlsChanged() const { return m_controlsChanged; }
    bool TreeChanged() const { return m_treeChanged; }
    // The engine the page put into configuring mode (null: none).
    IReminderEngine* ConfiguringEngine() const { return m_configuring.get(); }

    // The page in the middle of the sheet's tab area (its size from its dialog units).
    void CenterTabWindow();

private:
    LRESULT OnInitDialog();
    LRESULT OnShowWindow(WPARAM wParam);
    LRESULT OnDestroy();
    LRESULT OnDirty(WPARAM wParam);
    void OnChkRemindersClick();
    void OnBtnZoomClick();
    void OnChkReminderWindowClick();
    void OnChkSoundClick();
    void OnBtnPlayClick();
    void OnBtnOpenClick();
    void OnChkMailClick();
    void OnBtnAboutClick();
    void OnBtnHelpClick();
    void OnBtnUserClick();
    void OnBtnTestMailClick();
    void OnEditSoundKillFocus();
    void OnEditMailChange();
    LRESULT OnSetActive();
    LRESULT OnKillActive();
    LRESULT OnApply();
    LRESULT OnQueryCancel();
    LRESULT OnHelp();

    // The values of the Settings key into the controls, and what they enable.
    void ReadSettings();
    void EnableControls();
    // The tree's stores again (after a reset).
    void RebuildTree();
    void MarkChanged(BOOL changed);
    void SendChangedState();
    HRESULT WriteSettings();
    std::string ItemText(int id) const;

    ComPtr<IUnknown> m_creator;
    ComPtr<IReminderEngine> m_configuring;
    CBitmapButtonEx m_btnPlay;
    CBitmapButtonEx m_btnOpen;
    HWND m_placeholder = nullptr;
    CFolderTreeViewCtrl m_tree;
    bool m_controlsChanged = false;
    bool m_treeChanged = false;
};
