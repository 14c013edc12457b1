#include "ExtPropertySheets.h"

#include "ExchangeExtension.h"
#include "ModuleInstance.h"
#include "PropPageOptionsMain.h"
#include "TraceMapi.h"

namespace {

// Host window thread only.
bool g_pagesGiven = false;

constexpr char kPageTitle[] = "Lumivane Add-In";

} // namespace

CExtPropertySheets::CExtPropertySheets()
{
    TRACE_CTOR("CExtPropertySheets");
}

CExtPropertySheets::~CExtPropertySheets()
{
    TRACE_DTOR("CExtPropertySheets");
}

bool CExtPropertySheets::PagesGiven()
{
    return g_pagesGiven;
}

void CExtPropertySheets::SetPagesGiven(bool given)
{
    g_pagesGiven = given;
}

ULONG CExtPropertySheets::GetMaxPageCount(ULONG ulFlags)
{
    TRACE_PROC("CExtPropertySheets::GetMaxPageCount");
    TracePropSheetFlags(ulFlags);
    switch (ulFlags) {
    case EEPS_MESSAGE:
    case EEPS_FOLDER:
    case EEPS_STORE: return 0;
    case EEPS_TOOLSOPTIONS: return 1;
    default:
        TracePrint(__FILE__, __LINE__, TL_WARNING, "unknown flags:%ld\n", static_cast<long>(ulFlags));
        return 0;
    }
}

HRESULT CExtPropertySheets::GetPages(LPEXCHEXTCALLBACK, ULONG ulFlags, LPPROPSHEETPAGE lppsp, ULONG* lpcpsp)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExtPropertySheets::GetPages", &hr);
    TracePropSheetFlags(ulFlags);
    switch (ulFlags) {
    case EEPS_MESSAGE:
    case EEPS_FOLDER:
    case EEPS_STORE: break;
    case EEPS_TOOLSOPTIONS:
        if (!g_pagesGiven) {
            hr = GetPagesToolsOptions(lppsp, lpcpsp);
            g_pagesGiven = SUCCEEDED(hr);
        }
        break;
    default:
        TracePrint(__FILE__, __LINE__, TL_WARNING, "unknown flags:%ld\n", static_cast<long>(ulFlags));
        break;
    }
    return hr;
}

void CExtPropertySheets::FreePages(LPPROPSHEETPAGE, ULONG ulFlags, ULONG)
{
    TRACE_PROC("CExtPropertySheets::FreePages");
    TracePropSheetFlags(ulFlags);
    switch (ulFlags) {
    case EEPS_MESSAGE:
    case EEPS_FOLDER:
    case EEPS_STORE: break;
    case EEPS_TOOLSOPTIONS: g_pagesGiven = false; break;
    default:
        TracePrint(__FILE__, __LINE__, TL_WARNING, "unknown flags:%ld\n", static_cast<long>(ulFlags));
        break;
    }
}

HRESULT CExtPropertySheets::GetPagesToolsOptions(LPPROPSHEETPAGE lppsp, ULONG* lpcpsp)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExtPropertySheets::GetPagesToolsOptions", &hr);
    CPropPageOptionsMain* page = nullptr;
    if (!lppsp || !lpcpsp) {
        hr = E_POINTER;
        return hr;
    }
    *lpcpsp = 0;
    IUnknown* parent = Parent() ? static_cast<IExchExt*>(Parent()) : nullptr;
    try {
        page = new CPropPageOptionsMain(parent);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "new failed. hr=0x%08lx\n", hr);
        return hr;
    }
    *lppsp = PROPSHEETPAGEA{};
    lppsp->dwSize = PROPSHEETPAGEA_V1_SIZE;
    lppsp->dwFlags = PSP_USETITLE | PSP_USECALLBACK;
    lppsp->hInstance = ModuleInstance();
    lppsp->pszTemplate = MAKEINTRESOURCEA(IDD_OPTIONS_MAIN);
    lppsp->pszTitle = kPageTitle;
    lppsp->pfnDlgProc = &CPropPageOptionsMain::DialogProc;
    lppsp->lParam = reinterpret_cast<LPARAM>(page);
    lppsp->pfnCallback = &CPropPageOptionsMain::PropPageCallback;
    // The page's view where the host has a display.
    lppsp->pfnCreateWindow = &CPropPageOptionsMain::CreatePageWindow;
    *lpcpsp = 1;
    return hr;
}

HRESULT CreateExtPropertySheets(CExchangeExtension* parent, IUnknown** out)
{
    IExchExtPropertySheets* sheets = nullptr;
    const HRESULT hr = CExtensionBase::CreateInstance<CExtPropertySheets>(parent, &sheets);
    if (out)
        *out = sheets;
    else if (sheets)
        sheets->Release();
    return hr;
}
