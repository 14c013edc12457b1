#include "host/OptionsDialog.h"

#include "base/Utf.h"
#include "base/Window.h"
#include "com/Variant.h"
#include "host/PropertyPages.h"

namespace host {

namespace {

constexpr ULONG kMaxPagesPerExtension = 32;

// A late-bound call of a page object's member by name (no arguments).
HRESULT CallByName(IDispatch* object, const char16_t* name, WORD flags, VARIANT* result)
{
    LPOLESTR names[1] = {const_cast<LPOLESTR>(reinterpret_cast<const OLECHAR*>(name))};
    DISPID id = 0;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &none, result, nullptr, nullptr);
}

// An added page's Apply: only a page that says it is dirty is asked (one without a Dirty
// property counts as dirty). False when its Apply fails.
bool ApplyAddedPage(IDispatch* page)
{
    VARIANT dirty;
    VariantInit(&dirty);
    if (SUCCEEDED(CallByName(page, u"Dirty", DISPATCH_PROPERTYGET, &dirty))) {
        VARIANT flag;
        VariantInit(&flag);
        const bool isDirty = SUCCEEDED(VariantChangeType(&flag, &dirty, 0, VT_BOOL)) && flag.boolVal != VARIANT_FALSE;
        VariantClear(&dirty);
        if (!isDirty)
            return true;
    }
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = CallByName(page, u"Apply", DISPATCH_METHOD, &result);
    VariantClear(&result);
    return SUCCEEDED(hr);
}

} // namespace

OptionsDialog::OptionsDialog(ClientExtensions& extensions, IDispatch* application, std::string ownPageText)
    : m_extensions(extensions), m_application(application), m_ownText(std::move(ownPageText))
{
}

OptionsDialog::~OptionsDialog()
{
    if (m_open)
        for (const Page& page : m_pages)
            Notify(page, PSN_RESET);
    Close();
}

void OptionsDialog::Open()
{
    if (m_open)
        return;
    m_open = true;
    m_active = 0;
    m_sheet = platform::CreateMessageWindow("#32770", "Options", [](HWND h, UINT m, WPARAM w, LPARAM l) {
        return DefWindowProcA(h, m, w, l);
    });
    m_pages.push_back({"General", true, 0, nullptr, nullptr, {}});
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
            m_pages.push_back({title, false, s, record, nullptr, {}});
            if ((record->dwFlags & PSP_USECALLBACK) && record->pfnCallback)
                record->pfnCallback(nullptr, PSPCB_ADDREF, record);
        }
    }
    // The add-ins' pages come after the extensions' pages.
    if (m_pagesAdd) {
        CPropertyPages* pages = nullptr;
        if (SUCCEEDED(CPropertyPages::CreateObject(&pages))) {
            m_pagesAdd(static_cast<PropertyPages*>(pages));
            pages->Seal();
            for (const CPropertyPages::Added& a : pages->Pages()) {
                Page page{platform::Utf16ToUtf8(a.title), false, 0, nullptr, nullptr, {}};
                page.added = a.page;
                m_pages.push_back(std::move(page));
            }
            pages->Release();
        }
    }
    // The pages' windows, as the sheet creates them: PSPCB_CREATE first, then WM_INITDIALOG.
    for (Page& page : m_pages) {
        if (page.own || page.added)
            continue;
        PROPSHEETPAGEA* record = page.record;
        if ((record->dwFlags & PSP_USECALLBACK) && record->pfnCallback &&
            record->pfnCallback(nullptr, PSPCB_CREATE, record) == 0)
            continue; // the page does not want to be created
        if (!record->pfnDlgProc)
            continue;
        const DLGPROC proc = record->pfnDlgProc;
        page.window = platform::CreateMessageWindow(
            "#32770", page.title,
            [proc](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                if (m == WM_CREATE)
                    return 0;
                return proc(h, m, w, l);
            },
            m_sheet);
        if (page.window)
            SendMessageA(page.window, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(record));
    }
}

LRESULT OptionsDialog::Notify(const Page& page, UINT code, LPARAM lParam) const
{
    if (page.own || !page.window)
        return 0;
    PSHNOTIFY notify{{m_sheet, 0, code}, lParam};
    return SendMessageA(page.window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

bool OptionsDialog::Select(std::size_t index)
{
    if (!m_open || index >= m_pages.size())
        return false;
    if (index == m_active)
        return true;
    if (Notify(m_pages[m_active], PSN_KILLACTIVE) != 0)
        return false;
    m_active = index;
    Notify(m_pages[m_active], PSN_SETACTIVE);
    return true;
}

bool OptionsDialog::Apply(bool closing)
{
    if (!m_open)
        return false;
    if (Notify(m_pages[m_active], PSN_KILLACTIVE) != 0)
        return false;
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        const LRESULT result = m_pages[i].added ? (ApplyAddedPage(m_pages[i].added.get()) ? PSNRET_NOERROR : PSNRET_INVALID)
                                                : Notify(m_pages[i], PSN_APPLY, closing ? TRUE : FALSE);
        if (result == PSNRET_INVALID || result == PSNRET_INVALID_NOCHANGEPAGE) {
            if (i != m_active) {
                m_active = i;
                Notify(m_pages[m_active], PSN_SETACTIVE);
            }
            return false;
        }
    }
    return true;
}

bool OptionsDialog::Ok()
{
    if (!Apply(true))
        return false;
    Close();
    return true;
}

bool OptionsDialog::Cancel()
{
    if (!m_open)
        return false;
    if (Notify(m_pages[m_active], PSN_QUERYCANCEL) != 0)
        return false;
    for (const Page& page : m_pages)
        Notify(page, PSN_RESET);
    Close();
    return true;
}

void OptionsDialog::Close()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_beforeClose)
        m_beforeClose();
    for (Page& page : m_pages) {
        if (page.window)
            DestroyWindow(page.window);
        page.window = nullptr;
    }
    if (m_sheet)
        DestroyWindow(m_sheet);
    m_sheet = nullptr;
    for (const Page& page : m_pages)
        if (!page.own && !page.added && (page.record->dwFlags & PSP_USECALLBACK) && page.record->pfnCallback)
            page.record->pfnCallback(nullptr, PSPCB_RELEASE, page.record);
    m_pages.clear();
    for (Source& source : m_sources)
        source.sheets->FreePages(source.records.data(), EEPS_TOOLSOPTIONS, source.count);
    m_sources.clear();
    m_installed.clear();
}

} // namespace host
