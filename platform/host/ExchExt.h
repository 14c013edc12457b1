// The client-extension interfaces: the host loads an extension library through its entry
// point, which returns an IExchExt; the host calls Install once per context and hands over an
// IExchExtCallback for that context.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"
#include "com/Unknown.h"
#include "mapi/MapiForm.h"
#include "mapi/MapiX.h"

// Contexts of IExchExt::Install.
#define EECONTEXT_SESSION 0x00000001u
#define EECONTEXT_VIEWER 0x00000002u
#define EECONTEXT_REMOTEVIEWER 0x00000003u
#define EECONTEXT_SEARCHVIEWER 0x00000004u
#define EECONTEXT_ADDRBOOK 0x00000005u
#define EECONTEXT_SENDNOTEMESSAGE 0x00000006u
#define EECONTEXT_READNOTEMESSAGE 0x00000007u
#define EECONTEXT_SENDPOSTMESSAGE 0x00000008u
#define EECONTEXT_READPOSTMESSAGE 0x00000009u
#define EECONTEXT_READREPORTMESSAGE 0x0000000Au
#define EECONTEXT_SENDRESENDMESSAGE 0x0000000Bu
#define EECONTEXT_PROPERTYSHEETS 0x0000000Cu
#define EECONTEXT_ADVANCEDCRITERIA 0x0000000Du
#define EECONTEXT_TASK 0x0000000Eu

// Flags of Install.
#define EE_MODAL 0x00000001u

// Version query of IExchExtCallback::GetVersion.
#define EECBGV_GETBUILDVERSION 0x00000001u
#define EECBGV_GETACTUALVERSION 0x00000002u
#define EECBGV_GETVIRTUALVERSION 0x00000004u

struct IExchExtCallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetVersion(ULONG* lpulVersion, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWindow(HWND* lphwnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMenu(HMENU* lphmenu) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetToolbar(ULONG tbid, HWND* lphwndTb) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSession(LPMAPISESSION* lppses, IAddrBook** lppab) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObject(LPMDB* lppmdb, LPMAPIPROP* lppmp) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSelectionCount(ULONG* lpceid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSelectionItem(ULONG ieid, ULONG* lpcbEid, LPENTRYID* lppeid,
                                                       ULONG* lpulType, LPTSTR lpszMsgClass, ULONG cbMsgClass,
                                                       ULONG* lpulMsgFlags, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMenuPos(ULONG cmdid, HMENU* lphmenu, ULONG* lpmposMin,
                                                 ULONG* lpmposMax, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSharedExtsDir(ULONG cb, LPTSTR lpszDir, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRecipients(LPADRLIST* lppal) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRecipients(LPADRLIST lpal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNewMessageSite(ULONG fComposeInFolder, LPMAPIFOLDER lpfoldFocus,
                                                        IPersistMessage* lppermsg, LPMESSAGE* lppmsg,
                                                        IMAPIMessageSite** lppmms, IMAPIViewContext** lppmvc,
                                                        ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterModeless(IMAPIViewAdviseSink* lpmvas, ULONG* lpulConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnregisterModeless(ULONG ulConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChooseFolder(LPMDB* lppmdb, LPMAPIFOLDER* lppfold) = 0;
};
PLATFORM_DECLARE_IID(IExchExtCallback, "00020D10-0000-0000-C000-000000000046");
using LPEXCHEXTCALLBACK = IExchExtCallback*;

struct IExchExt : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Install(LPEXCHEXTCALLBACK lpeecb, ULONG mecontext, ULONG ulFlags) = 0;
};
PLATFORM_DECLARE_IID(IExchExt, "00020D11-0000-0000-C000-000000000046");
using LPEXCHEXT = IExchExt*;

inline constexpr IID IID_IExchExtCallback = uuidof<IExchExtCallback>();
inline constexpr IID IID_IExchExt = uuidof<IExchExt>();

// The entry point the host looks up in an extension library.
using LPFNEXCHEXTENTRY = LPEXCHEXT (*)();
