#include "host/OptionsDialog.h"

#include "base/Utf.h"
#include "host/PropertyPages.h"

namespace host {

namespace {

constexpr ULONG kMaxPagesPerExtension = 32;

} // namespace

OptionsDialog::OptionsDialog(ClientExtensions& extensions, IDispatch* application, std::string ownPageText)
    : PropertySheet("Options"), m_extensions(extensions), m_application(application),
      m_ownText(std::move(ownPageText))
{
}

OptionsDialog::~OptionsDialog()
{
    Discard(); // here, while the records can still be handed back
}

void OptionsDialog::Open()
{
    if (IsOpen())
        return;
    Page own;
    own.title = "General";
    own.own = true;
    AddPage(std::move(own));
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
    for (std::size_t s = 0; s < m_sources.size(); ++s)
        for (ULONG p = 0; p < m_sources[s].count; ++p)
            AddRecordPage(&m_sources[s].records[p], s);
    // The add-ins' pages come after the extensions' pages.
    if (m_pagesAdd) {
        CPropertyPages* pages = nullptr;
        if (SUCCEEDED(CPropertyPages::CreateObject(&pages))) {
            m_pagesAdd(static_cast<PropertyPages*>(pages));
            pages->Seal();
            for (const CPropertyPages::Added& a : pages->Pages()) {
                Page page;
                page.title = platform::Utf16ToUtf8(a.title);
                page.added = a.page;
                AddPage(std::move(page));
            }
            pages->Release();
        }
    }
    OpenPages();
}

void OptionsDialog::OnClosed()
{
    for (Source& source : m_sources)
        source.sheets->FreePages(source.records.data(), EEPS_TOOLSOPTIONS, source.count);
    m_sources.clear();
    m_installed.clear();
}

} // namespace host
