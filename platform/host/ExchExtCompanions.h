// The companion interfaces of a client extension that the host asks for (session events and
// property sheets), the host's own callback interface with its object, and the page record
// that property-sheet extensions fill.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"
#include "com/Dispatch.h"
#include "host/ExchExt.h"

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct PROPSHEETPAGEA;
using LPFNPSPCALLBACKA = UINT (*)(HWND hwnd, UINT uMsg, PROPSHEETPAGEA* ppsp);

// A page a property sheet shows: a dialog template of the page's module, its title and
// procedure, and a callback told when the sheet takes the page and when it lets it go.
//
// Pages here have no dialog templates. The sheet makes each page a window of the platform's
// window layer whose procedure is pfnDlgProc: it gets WM_INITDIALOG (lParam: the record) when
// the sheet opens, the sheet's notifications as WM_NOTIFY (lParam: a PSHNOTIFY; the page
// answers with the procedure's return value, as it would through DWLP_MSGRESULT) and
// WM_DESTROY when the sheet closes. A sheet with a display also asks pfnCreateWindow (after the
// fields of the first version; the host hands out zeroed records, so a page that does not set
// it has none) for the page's view: it is given the toolkit window (a wxWindow*) that is to be
// the page's parent and returns a new child window of it (a wxWindow*), or null. The sheet
// destroys that window before the page's WM_DESTROY. The same page logic thus runs with and
// without a display, driven by the same notifications.
struct PROPSHEETPAGEA {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    LPCSTR pszTemplate; // a resource id as MAKEINTRESOURCE
    HICON hIcon;
    LPCSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKA pfnCallback;
    UINT* pcRefParent;
    void* (*pfnCreateWindow)(void* parentWindow, PROPSHEETPAGEA* page);
};
using LPPROPSHEETPAGEA = PROPSHEETPAGEA*;
using LPPROPSHEETPAGE = LPPROPSHEETPAGEA;
using PROPSHEETPAGE = PROPSHEETPAGEA;

// The size of the first version of the record (the fields up to pcRefParent of a 32-bit build).
inline constexpr DWORD PROPSHEETPAGEA_V1_SIZE = 52;

#define PSP_DEFAULT 0x00000000u
#define PSP_DLGINDIRECT 0x00000001u
#define PSP_USEHICON 0x00000002u
#define PSP_USEICONID 0x00000004u
#define PSP_USETITLE 0x00000008u
#define PSP_RTLREADING 0x00000010u
#define PSP_HASHELP 0x00000020u
#define PSP_USEREFPARENT 0x00000040u
#define PSP_USECALLBACK 0x00000080u

// The sheet's notification to its pages (a WM_NOTIFY).
struct PSHNOTIFY {
    NMHDR hdr;
    LPARAM lParam; // PSN_APPLY: TRUE when the sheet closes with OK; PSN_RESET: TRUE for the close box
};

// Codes of the sheet's notifications (PSN_FIRST is (0U - 200U)). A page answers PSN_KILLACTIVE
// with TRUE to stay selected, PSN_QUERYCANCEL with TRUE to keep the sheet open, and PSN_APPLY
// with a PSNRET_ value.
#define PSN_FIRST (0u - 200u)
#define PSN_SETACTIVE (PSN_FIRST - 0u)
#define PSN_KILLACTIVE (PSN_FIRST - 1u)
#define PSN_APPLY (PSN_FIRST - 2u)
#define PSN_RESET (PSN_FIRST - 3u)
#define PSN_HELP (PSN_FIRST - 5u)
#define PSN_QUERYCANCEL (PSN_FIRST - 9u)
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2

#define PSPCB_ADDREF 0u
#define PSPCB_RELEASE 1u
#define PSPCB_CREATE 2u

// Which property sheet asks for pages.
#define EEPS_MESSAGE 0x00000001u
#define EEPS_FOLDER 0x00000002u
#define EEPS_STORE 0x00000003u
#define EEPS_TOOLSOPTIONS 0x00000004u

struct IExchExtSessionEvents : IUnknown {
    // S_FALSE: the host goes on with its own processing of the delivered mail.
    virtual HRESULT STDMETHODCALLTYPE OnDelivery(LPEXCHEXTCALLBACK lpeecb) = 0;
};
PLATFORM_DECLARE_IID(IExchExtSessionEvents, "00020D14-0000-0000-C000-000000000046");

struct IExchExtPropertySheets : IUnknown {
    virtual ULONG STDMETHODCALLTYPE GetMaxPageCount(ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPages(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags, LPPROPSHEETPAGE lppsp,
                                               ULONG* lpcpsp) = 0;
    virtual void STDMETHODCALLTYPE FreePages(LPPROPSHEETPAGE lppsp, ULONG ulFlags, ULONG cpsp) = 0;
};
PLATFORM_DECLARE_IID(IExchExtPropertySheets, "00020D17-0000-0000-C000-000000000046");

// The other companions the interface map names; the host asks for them only by IID.
inline constexpr IID IID_IExchExtCommands = MakeGuid("00020D12-0000-0000-C000-000000000046");
inline constexpr IID IID_IExchExtUserEvents = MakeGuid("00020D13-0000-0000-C000-000000000046");
inline constexpr IID IID_IExchExtMessageEvents = MakeGuid("00020D15-0000-0000-C000-000000000046");
inline constexpr IID IID_IExchExtAttachedFileEvents = MakeGuid("00020D16-0000-0000-C000-000000000046");
inline constexpr IID IID_IExchExtAdvancedCriteria = MakeGuid("00020D18-0000-0000-C000-000000000046");

// The host's second callback interface: the object of the context (the application, an
// explorer or an inspector) as an object-model object.
struct IOutlookExtCallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetObject(IUnknown** ppunk) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOfficeCharacter(void** ppmsotfc) = 0;
};
PLATFORM_DECLARE_IID(IOutlookExtCallback, "0006720D-0000-0000-C000-000000000046");
