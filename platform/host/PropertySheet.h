// PropertySheet: the logic of a property sheet without a display, shared by the host's
// Tools-Options dialog and the sheets add-ins show with PropertySheetA. Its window (titled with
// the caption) has the buttons OK (1), Cancel (2) and Apply (12321) as dialog items, which
// scripts press with click-item and a window view binds to its own buttons. It keeps the pages
// (records a page's module filled, see PROPSHEETPAGEA; the Options dialog adds pages of its
// own), makes each record page a window under the sheet's window whose procedure is the page's
// dialog procedure, sends the pages the sheet's notifications as the user selects pages and
// presses OK, Apply or Cancel, and keeps the state of the Apply button: enabled while some page
// has said PSM_CHANGED and not PSM_UNCHANGED since, and disabled after every page applied. A
// window view shows it and follows its state; without one, scripts and tests drive it.
//
// PropertySheetA (the "comctl32.dll" entry) shows a sheet of an add-in's own: modal, answered by
// the next queued answer (ok or cancel) when one is queued, else by the installed presenter (the
// windowed host's dialog), else cancelled.
#pragma once

#include "com/ComPtr.h"
#include "host/DialogHooks.h"
#include "host/ExchExtCompanions.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

using PFNPROPSHEETCALLBACK = int (*)(HWND hwnd, UINT message, LPARAM lParam);

// A sheet to show: its owner, caption and pages. Only pages given as records
// (PSH_PROPSHEETPAGE, an array of PROPSHEETPAGEA) are offered; the records are copied, and the
// copies are what the pages' procedures and callbacks see.
struct PROPSHEETHEADERA {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    HICON hIcon;
    LPCSTR pszCaption;
    UINT nPages;
    UINT nStartPage;
    const PROPSHEETPAGEA* ppsp;
    PFNPROPSHEETCALLBACK pfnCallback;
};
using LPCPROPSHEETHEADERA = const PROPSHEETHEADERA*;

#define PSH_DEFAULT 0x00000000u
#define PSH_PROPTITLE 0x00000001u // the caption is followed by " Properties"
#define PSH_USEHICON 0x00000002u
#define PSH_USEICONID 0x00000004u
#define PSH_PROPSHEETPAGE 0x00000008u
#define PSH_WIZARD 0x00000020u
#define PSH_USEPSTARTPAGE 0x00000040u
#define PSH_NOAPPLYNOW 0x00000080u
#define PSH_USECALLBACK 0x00000100u
#define PSH_HASHELP 0x00000200u
#define PSH_MODELESS 0x00000400u

// Control ids of a sheet's own children, as hooks see them.
#define IDC_SHEET_TABS 12320
#define IDC_SHEET_APPLY 12321

extern "C" {
// Shows the sheet modally and returns when it closes: 1 when the pages applied their changes (OK,
// or Apply before the sheet closed), 0 when nothing was applied, -1 for a header that is not
// offered (no PSH_PROPSHEETPAGE, PSH_MODELESS, PSH_WIZARD, no pages or a null record array).
INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header);
}

namespace host {

class PropertySheet {
public:
    struct Page {
        std::string title;
        PROPSHEETPAGEA* record = nullptr; // a page given as a record (null: a page of the host's)
        HWND window = nullptr;            // the record page's window, once the sheet opened
        bool own = false;                 // the host's own Options page
        std::size_t extension = 0;        // Options: the extension that gave the record
        ComPtr<IDispatch> added;          // Options: a page an add-in added with OptionsPagesAdd
    };

    explicit PropertySheet(std::string caption);
    PropertySheet(const PropertySheet&) = delete;
    PropertySheet& operator=(const PropertySheet&) = delete;
    virtual ~PropertySheet(); // closes as Cancel when still open

    const std::string& Caption() const { return m_caption; }
    const std::vector<Page>& Pages() const { return m_pages; }
    bool IsOpen() const { return m_open; }
    std::size_t Active() const { return m_active; }
    // The sheet's own window: the parent of the pages' windows and the sender of their
    // notifications.
    HWND Window() const { return m_sheet; }
    bool ApplyEnabled() const { return !m_changed.empty(); }

    // Selects a page: the current one is asked to let go (PSN_KILLACTIVE), the new one told
    // (PSN_SETACTIVE). False when the current page keeps the selection.
    bool Select(std::size_t index);
    // Apply: the active page is asked to let go, then every page gets PSN_APPLY (added pages:
    // their Apply when Dirty). False when a page finds its data invalid (that page is then the
    // active one); otherwise the Apply button is disabled.
    bool Apply(bool closing = false);
    // OK: Apply, then Close. False (the sheet stays open) when a page refused.
    bool Ok();
    // Cancel: the active page may keep the sheet open (PSN_QUERYCANCEL), otherwise every page
    // gets PSN_RESET and the sheet closes. False when it stays open.
    bool Cancel();
    // The pages are let go (after the window view's hook, which must destroy the pages' views
    // first).
    void Close();
    // Whether a page applied its changes since the sheet opened.
    bool Applied() const { return m_applied; }

    void SetBeforeClose(std::function<void()> hook) { m_beforeClose = std::move(hook); }
    // The owner the sheet was shown for (null: none).
    HWND Owner() const { return m_owner; }
    void SetOwner(HWND owner) { m_owner = owner; }
    // Told when the active page or the Apply state changed.
    void SetStateObserver(std::function<void()> observer) { m_stateObserver = std::move(observer); }

    // The sheet's window as a dialog hook sees it: its tab control and buttons, then the pages.
    std::vector<DialogChild> HookChildren() const;
    // Offers the open sheet to the thread's dialog hooks; a hook's answer ends it (IDOK as OK,
    // anything else as Cancel). The answer, or 0.
    int OfferToHooks();

protected:
    // A record page: its title (PSP_USETITLE, else "(untitled)"), told PSPCB_ADDREF.
    void AddRecordPage(PROPSHEETPAGEA* record, std::size_t extension = 0);
    void AddPage(Page page) { m_pages.push_back(std::move(page)); }
    // Makes the sheet's window and the record pages' windows (PSPCB_CREATE, then WM_INITDIALOG)
    // and selects the start page.
    void OpenPages(std::size_t startPage = 0);
    // After the pages were let go in Close.
    virtual void OnClosed() {}
    // Closes an open sheet as a cancel that no page may refuse (PSN_RESET to every page); a
    // derived sheet calls it from its destructor, while its OnClosed can still run.
    void Discard();

private:
    LRESULT Notify(const Page& page, UINT code, LPARAM lParam = 0) const;
    LRESULT SheetProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void StateChanged() const;

    std::string m_caption;
    std::vector<Page> m_pages;
    std::set<HWND> m_changed; // pages holding changes
    std::function<void()> m_beforeClose;
    std::function<void()> m_stateObserver;
    HWND m_sheet = nullptr;
    HWND m_owner = nullptr;
    std::size_t m_active = 0;
    bool m_open = false;
    bool m_applied = false;
};

// Shows an add-in's sheet with a display (set by the windowed host): runs it modally and returns
// when it closed. Null: no display.
using PropertySheetPresenter = std::function<void(PropertySheet& sheet)>;
void SetPropertySheetPresenter(PropertySheetPresenter presenter);

} // namespace host
