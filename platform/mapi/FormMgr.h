// The session's form manager: LoadForm gives the built-in form, loaded with the message and
// the site and given the view context. Finding, choosing and registering forms are not offered
// (MAPI_E_NO_SUPPORT).
#pragma once

#include "com/ComPtr.h"
#include "mapi/MapiForm.h"

#include <atomic>

namespace mapi {

class FormMgr final : public IMAPIFormMgr {
public:
    static HRESULT Create(IMAPISession* session, IMAPIFormMgr** out);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override;

    HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) override;
    HRESULT LoadForm(ULONG_PTR ulUIParam, ULONG ulFlags, LPCSTR lpszMessageClass, ULONG ulMessageStatus,
                     ULONG ulMessageFlags, LPMAPIFOLDER pFolderFocus, LPMAPIMESSAGESITE pMessageSite, LPMESSAGE pmsg,
                     LPMAPIVIEWCONTEXT pViewContext, REFIID riid, LPVOID* ppvObj) override;
    HRESULT ResolveMessageClass(LPCSTR szMsgClass, ULONG ulFlags, LPMAPIFOLDER pFolderFocus,
                                LPMAPIFORMINFO* ppResult) override;
    HRESULT ResolveMultipleMessageClasses(LPSMESSAGECLASSARRAY pMsgClasses, ULONG ulFlags, LPMAPIFOLDER pFolderFocus,
                                          LPSMAPIFORMINFOARRAY* pfrminfoarray) override;
    HRESULT CalcFormPropSet(LPSMAPIFORMINFOARRAY pfrminfoarray, ULONG ulFlags,
                            LPMAPIFORMPROPARRAY* ppResults) override;
    HRESULT CreateForm(ULONG_PTR ulUIParam, ULONG ulFlags, LPMAPIFORMINFO pfrminfoToActivate, REFIID refiidToAsk,
                       LPVOID* ppvObj) override;
    HRESULT SelectForm(ULONG_PTR ulUIParam, ULONG ulFlags, LPCSTR pszTitle, LPMAPIFOLDER pfld,
                       LPMAPIFORMINFO* ppfrminfoReturned) override;
    HRESULT SelectMultipleForms(ULONG_PTR ulUIParam, ULONG ulFlags, LPCSTR pszTitle, LPMAPIFOLDER pfld,
                                LPSMAPIFORMINFOARRAY pfrminfoarray, LPSMAPIFORMINFOARRAY* ppfrminfoarray) override;
    HRESULT SelectFormContainer(ULONG_PTR ulUIParam, ULONG ulFlags, LPMAPIFORMCONTAINER* lppfcnt) override;
    HRESULT OpenFormContainer(HFRMREG hfrmreg, LPUNKNOWN lpunk, LPMAPIFORMCONTAINER* lppfcnt) override;
    HRESULT PrepareForm(LPCIID lpInterface, LPMESSAGE lpMessage, ULONG* lpulMessageToken) override;
    HRESULT IsInConflict(ULONG ulMessageFlags, ULONG ulMessageStatus, LPCSTR szMessageClass,
                         LPMAPIFOLDER pFolderFocus) override;

private:
    explicit FormMgr(IMAPISession* session) : m_session(session) {}
    ~FormMgr() = default;

    std::atomic<ULONG> m_refs{1};
    ComPtr<IMAPISession> m_session;
};

} // namespace mapi
