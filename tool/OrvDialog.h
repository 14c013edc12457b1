// What every dialog of the program shares, without a display: its platform window with the
// controls as dialog items by their ids (buttons, check boxes, edits, static texts), the
// WM_COMMAND dispatch, the end of the dialog with its result, and the boxes it shows. A dialog
// runs headless on a window of its own (Create), or on the window a toolkit view binds to it
// (Attach); the view shows the items and hears which are shown, focused and when it ends.
#pragma once

#include "base/DialogItems.h"
#include "base/MessageBox.h"
#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <functional>
#include <set>
#include <string>

class COrvDialog {
public:
    COrvDialog(UINT nIDTemplate, UINT nCaptionId);
    virtual ~COrvDialog();
    COrvDialog(const COrvDialog&) = delete;
    COrvDialog& operator=(const COrvDialog&) = delete;

    // Headless: a window of its own (owned by `parent`), then WM_INITDIALOG. FALSE when the
    // window cannot be made.
    BOOL Create(HWND parent = nullptr);
    // With a view: the view's platform window, whose procedure calls WindowProc; then
    // WM_INITDIALOG.
    BOOL Attach(HWND hwnd);
    // The procedure of the dialog's window.
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetSafeHwnd() const { return m_hWnd; }
    UINT GetTemplateId() const { return m_nIDTemplate; }
    // The dialog's title (its caption string until the dialog changes it).
    std::string GetTitle() const { return m_strTitle; }

    void EndDialog(int nResult);
    bool IsEnded() const { return m_bEnded; }
    int GetResult() const { return m_nResult; }

    // Dialog items.
    HWND GetDlgItem(int id) const;
    std::string GetItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    void EnableItem(int id, bool enable);
    bool IsItemEnabled(int id) const;
    void ShowItem(int id, bool show);
    bool IsItemShown(int id) const { return !m_hidden.contains(id); }
    bool IsChecked(int id) const;
    void SetCheck(int id, bool check);
    // Clicks a button as the user does (BM_CLICK: the state, then BN_CLICKED).
    void ClickItem(int id);
    // Types into an edit as the user does (EN_CHANGE).
    void TypeItemText(int id, const std::string& text);
    void GotoDlgCtrl(int id);
    int GetFocusItem() const { return m_nFocus; }

    // The view's hooks: the dialog ends, an item is shown or hidden, the focus moves, the
    // title changes.
    std::function<void(int nResult)> m_onEnd;
    std::function<void(int id, bool show)> m_onShowItem;
    std::function<void(int id)> m_onFocus;
    std::function<void(const std::string& title)> m_onTitle;

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND of an item; TRUE when handled. The default runs OnOK and OnCancel.
    virtual BOOL OnCommand(int id, int code);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Any other message; TRUE when handled (`result` is its answer).
    virtual BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // WM_DESTROY.
    virtual void OnDestroy() {}

    // A new item of the dialog: WC_BUTTONA, WC_EDITA or WC_STATICA with its style.
    HWND AddItem(const char* className, int id, const std::string& text, DWORD style = 0);
    void SetTitle(const std::string& title);
    // A message box over the dialog with the program's caption.
    int MessageBox(const std::string& text, UINT type);
    // The help page of a context in the program's help file.
    void ShowHelp(DWORD context);

    HWND m_hWnd = nullptr;

private:
    UINT m_nIDTemplate;
    std::string m_strTitle;
    bool m_bOwnWindow = false;
    bool m_bEnded = false;
    int m_nResult = 0;
    int m_nFocus = 0;
    std::set<int> m_hidden;
};
