// CReminderDialog: the add-in's reminders window (dialog 106, "Lumivane Add-In"): a modeless
// window without a parent that lists the due and coming reminders of the back folder and lets
// the user snooze ("Remind again"), dismiss ("Clean reminder", "Clean all reminders") or close
// it. At most one is open per process: a second one made while the first is registered is
// destroyed again and the first one shown. Closing always goes through OnOK, which first moves
// the rows that are due 5 minutes on, so that they come back. The object lives on the heap and
// deletes itself after its window's last message.
//
// The engine opens it when a reminder falls due, the host's commands open it too; both reach it
// by its messages (WMU_REMINDERS_*), the engine closes it with WM_COMMAND IDCANCEL.
#pragma once

#include "AddinDialog.h"
#include "ReminderLib.h"
#include "ReminderListCtrl.h"
#include "SystemTray.h"
#include "com/ComPtr.h"

#include <functional>
#include <optional>
#include <vector>

class CReminderDialog : public CAddinDialog {
public:
    enum : int {
        IDD = 106,
        IDC_REM_LIST = 204,
        IDC_REM_ICON = 229,
        IDC_REM_DETAILS_1 = 230,
        IDC_REM_DETAILS_0 = 231,
        IDC_REM_GROUP_VIEW = 234,
        IDC_REM_ALL = 235,
        IDC_REM_ACTIVE = 236,
        IDC_REM_FUTURE = 237,
        IDC_REM_SPAN = 240,
        IDC_REM_DELETE = 241,
        IDC_REM_AGAIN = 242,
        IDC_REM_DELETE_ALL = 243,
        IDC_REM_DETAILS_2 = 244,
        IDC_REM_DETAILS_3 = 245,
        IDC_REM_GROUP_DETAILS = 246,
        IDC_REM_BANNER = 247,
        IDC_REM_BANNER_2 = 257,
    };
    enum : LONG { FILTER_ALL = 1, FILTER_ACTIVE = 2, FILTER_FUTURE = 3, FILTER_CUSTOM = 16 };

    explicit CReminderDialog(IReminderEngine* engine);
    ~CReminderDialog() override;

    // Before the window is made: the view filter (0: the stored one).
    BOOL SetFilterType(LONG filter);
    LONG GetFilterType() const { return m_filter; }
    // Makes the window with the desktop as parent (hidden until ActivateReminderWindow).
    HWND Create();
    // Registers and shows this window, or, when another one is registered, destroys this one
    // (which deletes the object) and shows the other (restored when minimised).
    void ActivateReminderWindow(int nCmdShow);

    // The registered reminders window of the process, or null.
    static HWND RemindersWindow();

    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    IListModel* List(int id) override { return id == IDC_REM_LIST ? &m_list : nullptr; }

    CReminderListCtrl& ListCtrl() { return m_list; }
    CSystemTray& Tray() { return m_tray; }

    // The snooze span of the combo's text in minutes: S_OK, or S_FALSE for a text that is no
    // span (not a positive number and a known unit, or a span beyond what a reminder can take).
    static HRESULT ParseMinutes(const std::string& text, LONG& minutes);
    // The 16 snooze choices in the thread's UI language.
    static std::vector<std::string> SnoozeChoices();

protected:
    void OnFinalMessage(HWND hWnd) override;

private:
    void OnInitDialog();
    LRESULT OnUpdateUI();
    HRESULT GetSelectedMinutes(LONG& minutes);
    void OnRemindAgain();
    void OnOK();
    void Dismiss(bool all);
    void OnFilterCommand(int id);
    // The back folder's folder object (null, traced, without one).
    ComPtr<IMAPIFolder> BackMapiFolder() const;
    // The entry IDs of the rows' copies (the selected ones, or all), in list order.
    std::vector<std::vector<BYTE>> RowCopies(bool selectedOnly) const;
    // Each copy's signal time becomes what `next` makes of it and now (nothing: unchanged); a
    // failing SetProps ends the loop.
    static void MoveSignalTimes(IMAPIFolder* folder, const std::vector<std::vector<BYTE>>& copies,
                                const std::function<std::optional<ULONGLONG>(ULONGLONG signal, ULONGLONG now)>& next);
    void LoadFilterType();
    void SaveFilterType() const;
    void CheckFilterButton();
    void RefreshList();
    void OnShowTrayIcon();
    void OnActivate();

    CReminderListCtrl m_list;
    LONG m_filter = 0;
    ComPtr<IReminderEngine> m_engine;
    CSystemTray m_tray;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    HICON m_trayIcon = nullptr;
};
