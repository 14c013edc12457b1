// CAddinDialog: what the add-in's dialogs share without a display: a platform window of class
// "#32770" whose children are the controls by their ids (made from the dialog's layout, or by
// its own code), the message map of the derived class (ProcessWindowMessage), notifications
// reflected back to the control that sent them, the end of a modal dialog with its result, and
// the object's last message. A toolkit view (AddinViews.h) shows the window and its controls
// when the host runs a display; without one a modal dialog is ended by the next queued answer
// (`ok`, `cancel`: as if that button were pressed; none queued: cancelled).
//
// A property page uses the same base on the window its sheet makes (it sets m_hWnd itself).
#pragma once

#include "AddinViews.h"
#include "DialogTemplate.h"
#include "base/MessageBox.h"
#include "base/WinMessages.h"

#include <functional>
#include <set>
#include <string>

class CAddinDialog : public IDialogModel {
public:
    // A dialog whose controls are those of `layout`.
    explicit CAddinDialog(const DialogTemplate& layout);
    // A dialog whose code makes its controls itself (AddItem); its view lays it out by the id.
    explicit CAddinDialog(UINT templateId);
    ~CAddinDialog() override;
    CAddinDialog(const CAddinDialog&) = delete;
    CAddinDialog& operator=(const CAddinDialog&) = delete;

    // Makes the window (parent null or the desktop: a top-level window), hidden until it is
    // shown, and sends it WM_INITDIALOG. Null when it cannot be made or it went at once.
    HWND Create(HWND parent, const std::string& caption);
    // Makes the window, runs the dialog over `owner` until it ends, destroys it; the result
    // (IDOK, IDCANCEL, ..., or -1 when the window cannot be made). The caption is the layout's
    // unless given.
    INT_PTR DoModal(HWND owner);
    INT_PTR DoModal(HWND owner, const std::string& caption);
    void EndDialog(INT_PTR result);

    HWND m_hWnd = nullptr;

    // The message map: TRUE when the message was handled, with its answer in `result`.
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

    // IDialogModel.
    HWND Window() const override { return m_hWnd; }
    UINT TemplateId() const override { return m_templateId; }
    const DialogTemplate* Layout() const override { return m_layout; }
    HINSTANCE ResourceModule() const override;
    IListModel* List(int) override { return nullptr; }
    CTreeCtrl* Tree(int) override { return nullptr; }
    IBitmapButtonModel* Button(int) override { return nullptr; }
    bool IsItemShown(int id) const override { return !m_hidden.contains(id); }
    void SetView(IDialogView* view) override { m_view = view; }
    bool IsEnded() const override { return m_ended; }
    INT_PTR Result() const override { return m_result; }

    IDialogView* View() const { return m_view; }
    void ShowItem(int id, bool show);

    // Whether a control of the layout is made in the thread's UI language, and its text there.
    static bool IsMade(const DialogControl& control);
    static std::string ControlText(const DialogControl& control);
    // The layout's caption in the thread's UI language (empty without one).
    std::string TemplateCaption() const;

    // For tests: how modal dialogs run (null: the toolkit's view, or the queued answer).
    using ModalPresenter = std::function<INT_PTR(CAddinDialog& dialog, HWND owner)>;
    static void SetModalPresenter(ModalPresenter presenter);

protected:
    // After the window's last message (WM_NCDESTROY), once no message of it is being handled;
    // the object may delete itself here.
    virtual void OnFinalMessage(HWND hWnd);

    // The layout's controls as the window's dialog items (what a template gives); a tree is the
    // dialog's own child window and is left out. Hidden ones stay hidden.
    void CreateControls();
    HWND AddItem(const char* className, int id, const std::string& text, DWORD style);
    std::string ItemText(int id) const;
    void SetTitle(const std::string& title);
    std::string GetTitle() const;
    // WM_NOTIFY of a control goes back to it as OCM_NOTIFY; TRUE when the message was one.
    static BOOL ReflectNotifications(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    LRESULT WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR RunWithoutDisplay();

    const DialogTemplate* m_layout = nullptr;
    UINT m_templateId;
    std::set<int> m_hidden;
    IDialogView* m_view = nullptr;
    bool m_ended = false;
    INT_PTR m_result = 0;
    // Messages of the window being handled (nested ones count), and whether its last one came.
    int m_dispatching = 0;
    bool m_finalPending = false;
    bool m_detached = false;
};
