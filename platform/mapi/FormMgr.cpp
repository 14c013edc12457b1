#include "mapi/FormMgr.h"

#include "mapi/BuiltInForm.h"

#include <new>

namespace mapi {

namespace {

template <class T>
HRESULT NoSupport(T** out)
{
    if (out)
        *out = nullptr;
    return MAPI_E_NO_SUPPORT;
}

} // namespace

HRESULT FormMgr::Create(IMAPISession* session, IMAPIFormMgr** out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (!session)
        return MAPI_E_INVALID_PARAMETER;
    *out = new (std::nothrow) FormMgr(session);
    return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

HRESULT FormMgr::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IMAPIFormMgr))
        return E_NOINTERFACE;
    *ppv = static_cast<IMAPIFormMgr*>(this);
    AddRef();
    return S_OK;
}

ULONG FormMgr::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

HRESULT FormMgr::GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError)
{
    if (lppMAPIError)
        *lppMAPIError = nullptr;
    return S_OK;
}

HRESULT FormMgr::LoadForm(ULONG_PTR, ULONG ulFlags, LPCSTR, ULONG ulMessageStatus, ULONG ulMessageFlags,
                          LPMAPIFOLDER, LPMAPIMESSAGESITE pMessageSite, LPMESSAGE pmsg, LPMAPIVIEWCONTEXT pViewContext,
                          REFIID riid, LPVOID* ppvObj)
{
    if (!ppvObj)
        return MAPI_E_INVALID_PARAMETER;
    *ppvObj = nullptr;
    if (ulFlags & ~MAPIFORM_EXACTMATCH)
        return MAPI_E_UNKNOWN_FLAGS;
    if (!pMessageSite || !pmsg)
        return MAPI_E_INVALID_PARAMETER;
    // The built-in form is registered for every message class, so it is also the exact match.
    ComPtr<BuiltInForm> form;
    HRESULT hr = BuiltInForm::Create(form.put());
    if (FAILED(hr))
        return hr;
    hr = form->Load(pMessageSite, pmsg, ulMessageStatus, ulMessageFlags);
    if (SUCCEEDED(hr) && pViewContext)
        hr = form->SetViewContext(pViewContext);
    if (SUCCEEDED(hr))
        hr = form->QueryInterface(riid, ppvObj);
    if (FAILED(hr) && form->GetState() != BuiltInForm::State::Uninitialized)
        form->ShutdownForm(SAVEOPTS_NOSAVE); // lets go of the site, the message and the view context
    return hr;
}

HRESULT FormMgr::ResolveMessageClass(LPCSTR, ULONG, LPMAPIFOLDER, LPMAPIFORMINFO* ppResult)
{
    return NoSupport(ppResult);
}

HRESULT FormMgr::ResolveMultipleMessageClasses(LPSMESSAGECLASSARRAY, ULONG, LPMAPIFOLDER,
                                               LPSMAPIFORMINFOARRAY* pfrminfoarray)
{
    return NoSupport(pfrminfoarray);
}

HRESULT FormMgr::CalcFormPropSet(LPSMAPIFORMINFOARRAY, ULONG, LPMAPIFORMPROPARRAY* ppResults)
{
    return NoSupport(ppResults);
}

HRESULT FormMgr::CreateForm(ULONG_PTR, ULONG, LPMAPIFORMINFO, REFIID, LPVOID* ppvObj)
{
    return NoSupport(ppvObj);
}

HRESULT FormMgr::SelectForm(ULONG_PTR, ULONG, LPCSTR, LPMAPIFOLDER, LPMAPIFORMINFO* ppfrminfoReturned)
{
    return NoSupport(ppfrminfoReturned);
}

HRESULT FormMgr::SelectMultipleForms(ULONG_PTR, ULONG, LPCSTR, LPMAPIFOLDER, LPSMAPIFORMINFOARRAY,
                                     LPSMAPIFORMINFOARRAY* ppfrminfoarray)
{
    return NoSupport(ppfrminfoarray);
}

HRESULT FormMgr::SelectFormContainer(ULONG_PTR, ULONG, LPMAPIFORMCONTAINER* lppfcnt)
{
    return NoSupport(lppfcnt);
}

HRESULT FormMgr::OpenFormContainer(HFRMREG, LPUNKNOWN, LPMAPIFORMCONTAINER* lppfcnt)
{
    return NoSupport(lppfcnt);
}

HRESULT FormMgr::PrepareForm(LPCIID, LPMESSAGE, ULONG* lpulMessageToken)
{
    if (lpulMessageToken)
        *lpulMessageToken = 0;
    return MAPI_E_NO_SUPPORT;
}

HRESULT FormMgr::IsInConflict(ULONG, ULONG, LPCSTR, LPMAPIFOLDER)
{
    return MAPI_E_NO_SUPPORT;
}

} // namespace mapi

HRESULT MAPIOpenFormMgr(LPMAPISESSION pSession, LPMAPIFORMMGR* ppmgr)
{
    return mapi::FormMgr::Create(pSession, ppmgr);
}
