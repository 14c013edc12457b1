// CExtensionCallback: what the host hands to IExchExt::Install and to the companions: its
// version, its session and, through IOutlookExtCallback, the context's object-model object
// (the application, or the explorer of a viewer context), whose "Application" is the
// application.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "host/ExchExtCompanions.h"
#include "host/HostVersion.h"

class CExtensionCallback : public ComObject<CExtensionCallback, IExchExtCallback, IOutlookExtCallback> {
public:
    // Made and destroyed in the host library, so that the object counts in that library's
    // module lock whichever module creates it.
    CExtensionCallback(const host::HostVersion& version, IMAPISession* session, IDispatch* object);
    ~CExtensionCallback() override;

    // IExchExtCallback
    HRESULT STDMETHODCALLTYPE GetVersion(ULONG* lpulVersion, ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* lphwnd) override;
    HRESULT STDMETHODCALLTYPE GetMenu(HMENU* lphmenu) override;
    HRESULT STDMETHODCALLTYPE GetToolbar(ULONG tbid, HWND* lphwndTb) override;
    HRESULT STDMETHODCALLTYPE GetSession(LPMAPISESSION* lppses, IAddrBook** lppab) override;
    HRESULT STDMETHODCALLTYPE GetObject(LPMDB* lppmdb, LPMAPIPROP* lppmp) override;
    HRESULT STDMETHODCALLTYPE GetSelectionCount(ULONG* lpceid) override;
    HRESULT STDMETHODCALLTYPE GetSelectionItem(ULONG ieid, ULONG* lpcbEid, LPENTRYID* lppeid, ULONG* lpulType,
                                               LPTSTR lpszMsgClass, ULONG cbMsgClass, ULONG* lpulMsgFlags,
                                               ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetMenuPos(ULONG cmdid, HMENU* lphmenu, ULONG* lpmposMin, ULONG* lpmposMax,
                                         ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetSharedExtsDir(ULONG cb, LPTSTR lpszDir, ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE GetRecipients(LPADRLIST* lppal) override;
    HRESULT STDMETHODCALLTYPE SetRecipients(LPADRLIST lpal) override;
    HRESULT STDMETHODCALLTYPE GetNewMessageSite(ULONG fComposeInFolder, LPMAPIFOLDER lpfoldFocus,
                                                IPersistMessage* lppermsg, LPMESSAGE* lppmsg,
                                                IMAPIMessageSite** lppmms, IMAPIViewContext** lppmvc,
                                                ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE RegisterModeless(IMAPIViewAdviseSink* lpmvas, ULONG* lpulConnection) override;
    HRESULT STDMETHODCALLTYPE UnregisterModeless(ULONG ulConnection) override;
    HRESULT STDMETHODCALLTYPE ChooseFolder(LPMDB* lppmdb, LPMAPIFOLDER* lppfold) override;

    // IOutlookExtCallback
    HRESULT STDMETHODCALLTYPE GetObject(IUnknown** ppunk) override;
    HRESULT STDMETHODCALLTYPE GetOfficeCharacter(void** ppmsotfc) override;

private:
    host::HostVersion m_version;
    ComPtr<IMAPISession> m_session;
    ComPtr<IDispatch> m_object;
};
