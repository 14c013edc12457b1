#include "host/OptionsDialog.h"

namespace host {

namespace {

constexpr ULONG kMaxPagesPerExtension = 32;

} // namespace

OptionsDialog::OptionsDialog(ClientExtensions& extensions, IDispatch* application, std::string ownPageText)
    : m_extensions(extensions), m_application(application), m_ownText(std::move(ownPageText))
{
}

OptionsDialog::~OptionsDialog()
{
    Close();
}

void OptionsDialog::Open()
{
    if (m_open)
        return;
    m_open = true;
    m_pages.push_back({"General", true, 0, nullptr});
    m_installed = m_extensions.Install(EECONTEXT_PROPERTYSHEETS, m_application.get());
    m_sources.reserve(m_installed.size());
    for (const ClientExtensions::Installed& i : m_installed) {
        Source source;
        source.callback = i.callback;
        if (!i.entry->InterfaceEnabled(6) ||
            FAILED(i.extension->QueryInterface(IID_OF(IExchExtPropertySheets), source.sheets.put_void())))
            continue;
        // An extension that asks for an absurd number of pages gets a bounded record array.
        const ULONG max = std::min(source.sheets->GetMaxPageCount(EEPS_TOOLSOPTIONS), kMaxPagesPerExtension);
        if (max == 0)
            continue;
        source.records.assign(max, PROPSHEETPAGEA{});
        ULONG count = 0;
        if (FAILED(source.sheets->GetPages(source.callback.get(), EEPS_TOOLSOPTIONS, source.records.data(), &count)))
            count = 0;
        source.count = std::min(count, max);
        m_sources.push_back(std::move(source));
    }
    for (std::size_t s = 0; s < m_sources.size(); ++s) {
        for (ULONG p = 0; p < m_sources[s].count; ++p) {
            PROPSHEETPAGEA* record = &m_sources[s].records[p];
            std::string title = (record->dwFlags & PSP_USETITLE) && record->pszTitle ? record->pszTitle : "";
            if (title.empty())
                title = "(untitled)";
            m_pages.push_back({title, false, s, record});
            if ((record->dwFlags & PSP_USECALLBACK) && record->pfnCallback)
                record->pfnCallback(nullptr, PSPCB_ADDREF, record);
        }
    }
}

void OptionsDialog::Close()
{
    if (!m_open)
        return;
    m_open = false;
    for (const Page& page : m_pages)
        if (!page.own && (page.record->dwFlags & PSP_USECALLBACK) && page.record->pfnCallback)
            page.record->pfnCallback(nullptr, PSPCB_RELEASE, page.record);
    m_pages.clear();
    for (Source& source : m_sources)
        source.sheets->FreePages(source.records.data(), EEPS_TOOLSOPTIONS, source.count);
    m_sources.clear();
    m_installed.clear();
}

} // namespace host
