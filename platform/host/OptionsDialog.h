// OptionsDialog: the logic of the host's Tools-Options dialog, without a display: its own page
// and the pages that property-sheet extensions give (GetMaxPageCount, GetPages with
// EEPS_TOOLSOPTIONS), told through their callbacks when the sheet takes and lets go of them,
// and handed back with FreePages when the dialog closes.
#pragma once

#include "host/ClientExtensions.h"

#include <algorithm>
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
    };

    OptionsDialog(ClientExtensions& extensions, IDispatch* application, std::string ownPageText);
    OptionsDialog(const OptionsDialog&) = delete;
    OptionsDialog& operator=(const OptionsDialog&) = delete;
    ~OptionsDialog(); // closes as Cancel when still open

    void Open();
    const std::vector<Page>& Pages() const { return m_pages; }
    const std::string& OwnPageText() const { return m_ownText; }
    bool IsOpen() const { return m_open; }
    // OK or Cancel: the pages are let go and handed back.
    void Close();

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
    bool m_open = false;
};

} // namespace host
