// OptionsDialog: the logic of the host's Tools-Options dialog, without a display: a property
// sheet (host/PropertySheet.h) with the host's own page, the pages that property-sheet
// extensions give (GetMaxPageCount, GetPages with EEPS_TOOLSOPTIONS), told through their
// callbacks when the sheet takes and lets go of them, and handed back with FreePages when the
// dialog closes, and the pages add-ins add in the OptionsPagesAdd event. Each extension page is
// a window whose procedure is the page's dialog procedure (see PROPSHEETPAGEA): it gets
// WM_INITDIALOG, then the sheet's notifications as the user selects pages and presses OK, Apply
// or Cancel, whether a window view shows the dialog or not.
#pragma once

#include "host/ClientExtensions.h"
#include "host/PropertySheet.h"

#include <functional>
#include <string>
#include <vector>

namespace host {

class OptionsDialog : public PropertySheet {
public:
    OptionsDialog(ClientExtensions& extensions, IDispatch* application, std::string ownPageText);
    ~OptionsDialog() override; // closes as Cancel when still open

    void Open();
    const std::string& OwnPageText() const { return m_ownText; }
    // Fires the OptionsPagesAdd event with the pages collection (set before Open).
    void SetPagesAdd(std::function<void(IDispatch* pages)> fire) { m_pagesAdd = std::move(fire); }

private:
    struct Source {
        ComPtr<IExchExtPropertySheets> sheets;
        ComPtr<IExchExtCallback> callback;
        std::vector<PROPSHEETPAGEA> records;
        ULONG count = 0;
    };

    // Hands the records back to the extensions.
    void OnClosed() override;

    ClientExtensions& m_extensions;
    ComPtr<IDispatch> m_application;
    std::string m_ownText;
    std::vector<ClientExtensions::Installed> m_installed;
    std::vector<Source> m_sources;
    std::function<void(IDispatch*)> m_pagesAdd;
};

} // namespace host
