#include "TestExtension.h"

#include "EventSink.h"
#include "TestAddInLog.h"
#include "com/Advise.h"
#include "host/HostInterfaces.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "mapi/MapiX.h"
#include "base/WinMessages.h"
#include "base/Window.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace {

UINT PageCallback(HWND, UINT message, PROPSHEETPAGEA*)
{
    TestAddInLog(message == PSPCB_ADDREF ? "page addref" : message == PSPCB_RELEASE ? "page release" : "page create");
    return 1;
}

// The page's dialog procedure: it logs what the sheet tells it. With HOST_TEST_PAGE_INVALID set
// it finds its data invalid on PSN_APPLY; with HOST_TEST_PAGE_STAY set it keeps the dialog open
// on PSN_QUERYCANCEL. Its commands 1 and 2 tell the sheet that it holds changes (PSM_CHANGED) or
// none (PSM_UNCHANGED), as a page does when the user changes a control.
INT_PTR PageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == 1 || LOWORD(wParam) == 2) {
            TestAddInLog(LOWORD(wParam) == 1 ? "page changed" : "page unchanged");
            SendMessageA(GetParent(hwnd), LOWORD(wParam) == 1 ? PSM_CHANGED : PSM_UNCHANGED,
                         reinterpret_cast<WPARAM>(hwnd), 0);
        }
        return 0;
    case WM_INITDIALOG:
        TestAddInLog(std::string("page initdialog ") + reinterpret_cast<PROPSHEETPAGEA*>(lParam)->pszTitle);
        return TRUE;
    case WM_DESTROY: TestAddInLog("page destroy"); return 0;
    case WM_NOTIFY: {
        const auto* notify = reinterpret_cast<const PSHNOTIFY*>(lParam);
        switch (notify->hdr.code) {
        case PSN_SETACTIVE: TestAddInLog("page setactive"); return 0;
        case PSN_KILLACTIVE: TestAddInLog("page killactive"); return FALSE;
        case PSN_APPLY:
            TestAddInLog("page apply " + std::to_string(notify->lParam));
            return std::getenv("HOST_TEST_PAGE_INVALID") ? PSNRET_INVALID : PSNRET_NOERROR;
        case PSN_RESET: TestAddInLog("page reset"); return 0;
        case PSN_QUERYCANCEL: TestAddInLog("page querycancel"); return std::getenv("HOST_TEST_PAGE_STAY") ? TRUE : FALSE;
        default: return 0;
        }
    }
    default: return 0;
    }
}

// The page's view comes from a library of its own that links the window toolkit, loaded only
// by a host with a display (and kept loaded: its windows live on in the process).
void* PageView(void* parent, PROPSHEETPAGEA* page)
{
    void* library = dlopen(HOST_TEST_PAGE_VIEW, RTLD_NOW);
    using Create = void* (*)(void*);
    auto create = library ? reinterpret_cast<Create>(dlsym(library, "CreateTestPageView")) : nullptr;
    if (!create) {
        TestAddInLog("page view unavailable");
        return nullptr;
    }
    TestAddInLog(std::string("page view ") + page->pszTitle);
    return create(parent);
}

std::string ApplicationVersion(IExchExtCallback* callback)
{
    ComPtr<IOutlookExtCallback> outlook;
    ComPtr<IUnknown> object;
    ComPtr<IDispatch> dispatch;
    if (FAILED(callback->QueryInterface(IID_OF(IOutlookExtCallback), outlook.put_void())) ||
        FAILED(outlook->GetObject(object.put())) || FAILED(object.As(dispatch)))
        return "none";
    // "Application", then its "Version", both late-bound.
    auto get = [](IDispatch* d, const char16_t* name, VARIANT& result) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 0;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VariantInit(&result);
        return SUCCEEDED(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id)) &&
               SUCCEEDED(d->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                   nullptr));
    };
    VARIANT app, version;
    if (!get(dispatch.get(), u"Application", app) || app.vt != VT_DISPATCH)
        return "none";
    std::string text = "none";
    if (get(app.pdispVal, u"Version", version) && version.vt == VT_BSTR)
        text = ComBstr(version.bstrVal).Utf8();
    VariantClear(&version);
    VariantClear(&app);
    return text;
}

// A sink on the application's explorers that is never taken back: the host must keep this
// library loaded for as long as its object model may call the sink.
void AdviseOnExplorers(IExchExtCallback* callback)
{
    ComPtr<IOutlookExtCallback> outlook;
    ComPtr<IUnknown> object;
    ComPtr<_Application> application;
    ComPtr<_Explorers> explorers;
    if (FAILED(callback->QueryInterface(IID_OF(IOutlookExtCallback), outlook.put_void())) ||
        FAILED(outlook->GetObject(object.put())) || FAILED(object.As(application)) ||
        FAILED(application->get_Explorers(explorers.put())))
        return;
    CEventSink* sink = nullptr;
    if (FAILED(CEventSink::CreateObject(&sink, DIID_ExplorersEvents, "ext explorers")))
        return;
    DWORD cookie = 0;
    AdviseSink(explorers.get(), static_cast<IDispatch*>(sink), DIID_ExplorersEvents, &cookie);
    sink->Release();
}

} // namespace

CTestExtension::~CTestExtension()
{
    TestAddInLog("ext release " + std::to_string(m_context));
}

HRESULT CTestExtension::Install(LPEXCHEXTCALLBACK lpeecb, ULONG mecontext, ULONG)
{
    m_context = mecontext;
    ULONG version = 0;
    lpeecb->GetVersion(&version, EECBGV_GETBUILDVERSION);
    char text[64];
    std::snprintf(text, sizeof text, "ext install %lu version=%08lx", static_cast<unsigned long>(mecontext),
                  static_cast<unsigned long>(version));
    TestAddInLog(text);
    if ((version & 0xFFFF0000u) != 0x000D0000u)
        return S_FALSE;
    switch (mecontext) {
    case EECONTEXT_TASK:
        TestAddInLog("ext app " + ApplicationVersion(lpeecb));
        AdviseOnExplorers(lpeecb);
        return S_OK;
    case EECONTEXT_SESSION: {
        ComPtr<IMAPISession> session;
        TestAddInLog(SUCCEEDED(lpeecb->GetSession(session.put(), nullptr)) && session ? "ext session ok"
                                                                                     : "ext session missing");
        return S_OK;
    }
    case EECONTEXT_VIEWER:
        TestAddInLog("ext viewer " + ApplicationVersion(lpeecb));
        return S_OK;
    case EECONTEXT_PROPERTYSHEETS:
        return S_OK;
    default:
        return S_FALSE;
    }
}

HRESULT CTestExtension::OnDelivery(LPEXCHEXTCALLBACK)
{
    TestAddInLog("ext delivery");
    return S_FALSE;
}

ULONG CTestExtension::GetMaxPageCount(ULONG ulFlags)
{
    return ulFlags == EEPS_TOOLSOPTIONS ? 1 : 0;
}

HRESULT CTestExtension::GetPages(LPEXCHEXTCALLBACK, ULONG ulFlags, LPPROPSHEETPAGE lppsp, ULONG* lpcpsp)
{
    *lpcpsp = 0;
    if (ulFlags != EEPS_TOOLSOPTIONS)
        return S_OK;
    lppsp[0] = PROPSHEETPAGEA{};
    lppsp[0].dwSize = PROPSHEETPAGEA_V1_SIZE;
    lppsp[0].dwFlags = PSP_USETITLE | PSP_USECALLBACK;
    lppsp[0].pszTitle = "Test Page";
    lppsp[0].pfnCallback = PageCallback;
    lppsp[0].pfnDlgProc = PageProcedure;
    lppsp[0].pfnCreateWindow = PageView;
    *lpcpsp = 1;
    return S_OK;
}

void CTestExtension::FreePages(LPPROPSHEETPAGE, ULONG ulFlags, ULONG cpsp)
{
    TestAddInLog("ext freepages " + std::to_string(ulFlags) + " " + std::to_string(cpsp));
}

extern "C" [[gnu::visibility("default")]] IExchExt* ExchEntryPoint()
{
    CTestExtension* extension = nullptr;
    if (FAILED(CTestExtension::CreateObject(&extension)))
        return nullptr;
    return extension;
}
