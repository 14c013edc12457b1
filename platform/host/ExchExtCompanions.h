// The companion interfaces of a client extension that the host asks for (session events and
// property sheets), the host's own callback interface with its object, and the page record
// that property-sheet extensions fill.
#pragma once

#include "com/Dispatch.h"
#include "host/ExchExt.h"

using HICON = struct HICON__*;
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct PROPSHEETPAGEA;
using LPFNPSPCALLBACKA = UINT (*)(HWND hwnd, UINT uMsg, PROPSHEETPAGEA* ppsp);

// A page a property sheet shows: a dialog template of the page's module, its title and
// procedure, and a callback told when the sheet takes the page and when it lets it go.
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
