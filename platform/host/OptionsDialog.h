// OptionsDialog: the logic of the host's Tools-Options dialog, without a display: its own page
// and the pages that property-sheet extensions give (GetMaxPageCount, GetPages with
// EEPS_TOOLSOPTIONS), told through their callbacks when the sheet takes and lets go of them,
// and handed back with FreePages when the dialog closes. Each extension page is a window whose
// procedure is the page's dialog procedure (see PROPSHEETPAGEA): it gets WM_INITDIALOG, then the
// sheet's notifications as the user selects pages and presses OK, Apply or Cancel, whether a
// window view shows the dialog or not.
#pragma once

#include "host/ClientExtensions.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace host {

class OptionsDialog {
public:
    struct Page {
        std::string title;
        bool own = false;       // the host's own page
        std::size_t extension;  // index into the extension objects (extension pages)
        PROPSHEETPAGEA* record; // the extension's record (extension pages)
        HWND window = nullptr;  // the page's window (extension pages with a dialog procedure)
        ComPtr<IDispatch> added; // a page an add-in added with the OptionsPagesAdd event
    };

    OptionsDialog(ClientExtensions& extensions, IDispatch* application, std::string ownPageText);
    OptionsDialog(const OptionsDialog&) = delete;
    OptionsDialog& operator=(const OptionsDialog&) = delete;
    ~OptionsDialog(); // closes as Cancel when still open

    void Open();
    const std::vector<Page>& Pages() const { return m_pages; }
    const std::string& OwnPageText() const { return m_ownText; }
    bool IsOpen() const { return m_open; }
    std::size_t Active() const { return m_active; }
    // Selects a page: the current one is asked to let go (PSN_KILLACTIVE), the new one told
    // (PSN_SETACTIVE). False when the current page keeps the selection.
    bool Select(std::size_t index);
    // Apply: the active page is asked to let go, then every extension page gets PSN_APPLY.
    // False when a page finds its data invalid (that page is then the active one).
    bool Apply(bool closing = false);
    // OK: Apply, then Close. False (the dialog stays open) when a page refused.
    bool Ok();
    // Cancel: the active page may keep the dialog open (PSN_QUERYCANCEL), otherwise every page
    // gets PSN_RESET and the dialog closes. False when it stays open.
    bool Cancel();
    // The pages are let go and handed back (after the window view's hook, which must destroy the
    // pages' views first).
    void Close();
    void SetBeforeClose(std::function<void()> hook) { m_beforeClose = std::move(hook); }
    // Fires the OptionsPagesAdd event with the pages collection (set before Open).
    void SetPagesAdd(std::function<void(IDispatch* pages)> fire) { m_pagesAdd = std::move(fire); }

private:
    struct Source {
        ComPtr<IExchExtPropertySheets> sheets;
        ComPtr<IExchExtCallback> callback;
        std::vector<PROPSHEETPAGEA> records;
        ULONG count = 0;
    };

    ClientExtensions& m_extensions;
    ComPtr<IDispatch> m_application;
    std::string m_ownText;
    std::vector<ClientExtensions::Installed> m_installed;
    std::vector<Source> m_sources;
    std::vector<Page> m_pages;
    LRESULT Notify(const Page& page, UINT code, LPARAM lParam = 0) const;

    std::function<void()> m_beforeClose;
    std::function<void(IDispatch*)> m_pagesAdd;
    HWND m_sheet = nullptr; // the sheet's own window, the sender of the notifications
    std::size_t m_active = 0;
    bool m_open = false;
};

} // namespace host
