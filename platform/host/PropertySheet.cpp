#include "host/PropertySheet.h"

#include "base/AnswerQueue.h"
#include "base/DialogItems.h"
#include "base/Resources.h"
#include "base/MessageBox.h"
#include "base/Window.h"
#include "com/Variant.h"

#include <mutex>

namespace host {

namespace {

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

std::mutex g_presenterLock;
PropertySheetPresenter& Presenter()
{
    static auto* presenter = new PropertySheetPresenter;
    return *presenter;
}

} // namespace

PropertySheet::PropertySheet(std::string caption) : m_caption(std::move(caption)) {}

PropertySheet::~PropertySheet()
{
    Discard();
}

void PropertySheet::Discard()
{
    if (!m_open)
        return;
    for (const Page& page : m_pages)
        Notify(page, PSN_RESET);
    Close();
}

void PropertySheet::AddRecordPage(PROPSHEETPAGEA* record, std::size_t extension)
{
    std::string title = (record->dwFlags & PSP_USETITLE) && record->pszTitle ? record->pszTitle : "";
    if (title.empty())
        title = "(untitled)";
    Page page;
    page.title = std::move(title);
    page.record = record;
    page.extension = extension;
    m_pages.push_back(std::move(page));
    if ((record->dwFlags & PSP_USECALLBACK) && record->pfnCallback)
        record->pfnCallback(nullptr, PSPCB_ADDREF, record);
}

void PropertySheet::OpenPages(std::size_t startPage)
{
    m_open = true;
    m_applied = false;
    m_changed.clear();
    m_sheet = platform::CreateMessageWindow("#32770", m_caption, [this](HWND h, UINT m, WPARAM w, LPARAM l) {
        return SheetProcedure(h, m, w, l);
    });
    // The sheet's buttons, as dialog items that scripts and a window view press.
    platform::CreateDialogItem(m_sheet, WC_BUTTONA, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP);
    platform::CreateDialogItem(m_sheet, WC_BUTTONA, IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP);
    EnableWindow(platform::CreateDialogItem(m_sheet, WC_BUTTONA, IDC_SHEET_APPLY, "&Apply", BS_PUSHBUTTON | WS_TABSTOP),
                 FALSE);
    // The pages' windows, as the sheet creates them: PSPCB_CREATE first, then WM_INITDIALOG.
    for (Page& page : m_pages) {
        PROPSHEETPAGEA* record = page.record;
        if (!record)
            continue;
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
    m_active = startPage < m_pages.size() ? startPage : 0;
    if (!m_pages.empty())
        Notify(m_pages[m_active], PSN_SETACTIVE);
}

LRESULT PropertySheet::SheetProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PSM_CHANGED || message == PSM_UNCHANGED) {
        const auto page = reinterpret_cast<HWND>(wParam);
        const bool before = ApplyEnabled();
        if (message == PSM_CHANGED)
            m_changed.insert(page);
        else
            m_changed.erase(page);
        if (ApplyEnabled() != before)
            StateChanged();
        return 0;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDOK: Ok(); return 0;
        case IDCANCEL: Cancel(); return 0;
        case IDC_SHEET_APPLY: Apply(); return 0;
        default: break;
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void PropertySheet::StateChanged() const
{
    if (const HWND apply = GetDlgItem(m_sheet, IDC_SHEET_APPLY))
        EnableWindow(apply, ApplyEnabled());
    if (m_stateObserver)
        m_stateObserver();
}

LRESULT PropertySheet::Notify(const Page& page, UINT code, LPARAM lParam) const
{
    if (!page.window)
        return 0;
    PSHNOTIFY notify{{m_sheet, 0, code}, lParam};
    return SendMessageA(page.window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

bool PropertySheet::Select(std::size_t index)
{
    if (!m_open || index >= m_pages.size())
        return false;
    if (index == m_active)
        return true;
    if (Notify(m_pages[m_active], PSN_KILLACTIVE) != 0)
        return false;
    m_active = index;
    Notify(m_pages[m_active], PSN_SETACTIVE);
    StateChanged();
    return true;
}

bool PropertySheet::Apply(bool closing)
{
    if (!m_open || m_pages.empty())
        return m_open;
    if (Notify(m_pages[m_active], PSN_KILLACTIVE) != 0)
        return false;
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        const LRESULT result = m_pages[i].added ? (ApplyAddedPage(m_pages[i].added.get()) ? PSNRET_NOERROR : PSNRET_INVALID)
                                                : Notify(m_pages[i], PSN_APPLY, closing ? TRUE : FALSE);
        if (result == PSNRET_INVALID || result == PSNRET_INVALID_NOCHANGEPAGE) {
            if (i != m_active) {
                m_active = i;
                Notify(m_pages[m_active], PSN_SETACTIVE);
                StateChanged();
            }
            return false;
        }
    }
    m_applied = true;
    if (!m_changed.empty()) {
        m_changed.clear();
        StateChanged();
    }
    return true;
}

bool PropertySheet::Ok()
{
    if (!Apply(true))
        return false;
    Close();
    return true;
}

bool PropertySheet::Cancel()
{
    if (!m_open)
        return false;
    if (!m_pages.empty() && Notify(m_pages[m_active], PSN_QUERYCANCEL) != 0)
        return false;
    for (const Page& page : m_pages)
        Notify(page, PSN_RESET);
    Close();
    return true;
}

void PropertySheet::Close()
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
    m_changed.clear();
    for (const Page& page : m_pages)
        if (page.record && (page.record->dwFlags & PSP_USECALLBACK) && page.record->pfnCallback)
            page.record->pfnCallback(nullptr, PSPCB_RELEASE, page.record);
    m_pages.clear();
    OnClosed();
}

std::vector<DialogChild> PropertySheet::HookChildren() const
{
    std::vector<DialogChild> children = {
        {"SysTabControl32", "", IDC_SHEET_TABS},
        {"Button", "OK", IDOK},
        {"Button", "Cancel", IDCANCEL},
        {"Button", "&Apply", IDC_SHEET_APPLY},
    };
    for (const Page& page : m_pages)
        children.push_back({"#32770", page.title, 0});
    return children;
}

int PropertySheet::OfferToHooks()
{
    if (!m_open)
        return 0;
    const int answer = OfferDialogToHooks("#32770", m_caption, HookChildren(), "", "");
    if (answer == IDOK)
        Ok();
    else if (answer)
        Cancel();
    return answer;
}

void SetPropertySheetPresenter(PropertySheetPresenter presenter)
{
    std::lock_guard lock(g_presenterLock);
    Presenter() = std::move(presenter);
}

namespace {

PropertySheetPresenter CurrentPresenter()
{
    std::lock_guard lock(g_presenterLock);
    return Presenter();
}

// An add-in's own sheet: the pages of its header.
class AddInSheet : public PropertySheet {
public:
    AddInSheet(const PROPSHEETHEADERA& header, std::string caption) : PropertySheet(std::move(caption))
    {
        m_records.assign(header.ppsp, header.ppsp + header.nPages);
        for (PROPSHEETPAGEA& record : m_records)
            AddRecordPage(&record);
        SetOwner(header.hwndParent);
        OpenPages(header.nStartPage);
    }

private:
    std::vector<PROPSHEETPAGEA> m_records;
};

// Runs the sheet until it closes: a dialog hook's answer, else a queued answer, else the
// presenter (a display); headless without an answer it is cancelled. The answer it closed with.
int RunAddInSheet(PropertySheet& sheet, bool& queued)
{
    int answer = sheet.OfferToHooks();
    while (sheet.IsOpen()) {
        if (const std::optional<platform::Answer> next = platform::TakeAnswer(platform::PromptKind::Sheet,
                                                                               sheet.Caption())) {
            queued = true;
            answer = next->ButtonId() == IDOK || next->ButtonId() == IDYES ? IDOK : IDCANCEL;
            if (!(answer == IDOK ? sheet.Ok() : sheet.Cancel()))
                continue; // a page kept the sheet open: the next answer decides
            break;
        }
        if (const PropertySheetPresenter presenter = CurrentPresenter()) {
            presenter(sheet);
            answer = sheet.Applied() ? IDOK : IDCANCEL;
        }
        if (sheet.IsOpen() && !sheet.Cancel())
            sheet.Close(); // nobody left to answer a page that keeps it open
        answer = answer ? answer : IDCANCEL;
    }
    return answer;
}

} // namespace

} // namespace host

INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header)
{
    if (!header || !(header->dwFlags & PSH_PROPSHEETPAGE) || (header->dwFlags & (PSH_MODELESS | PSH_WIZARD)) ||
        header->nPages == 0 || !header->ppsp)
        return -1;
    std::string caption = header->pszCaption && !IS_INTRESOURCE(header->pszCaption) ? header->pszCaption : "";
    if (header->dwFlags & PSH_PROPTITLE)
        caption += " Properties";
    host::AddInSheet sheet(*header, caption);
    platform::PromptRecord record;
    record.kind = platform::PromptKind::Sheet;
    record.caption = caption;
    record.answer = host::RunAddInSheet(sheet, record.queued);
    platform::RecordPrompt(record);
    return sheet.Applied() ? 1 : 0;
}
