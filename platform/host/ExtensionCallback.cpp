#include "host/ExtensionCallback.h"

#include "host/HostRegistration.h"
#include "mapi/MapiCodes.h"

#include <cstring>

CExtensionCallback::CExtensionCallback(const host::HostVersion& version, IMAPISession* session, IDispatch* object)
    : m_version(version), m_session(session), m_object(object)
{
}

CExtensionCallback::~CExtensionCallback() = default;

HRESULT CExtensionCallback::GetVersion(ULONG* lpulVersion, ULONG ulFlags)
{
    if (!lpulVersion)
        return E_INVALIDARG;
    switch (ulFlags) {
    case EECBGV_GETBUILDVERSION:
        *lpulVersion = m_version.BuildVersion();
        return S_OK;
    case EECBGV_GETACTUALVERSION:
    case EECBGV_GETVIRTUALVERSION:
        *lpulVersion = m_version.ActualVersion();
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

// The host has no native window, menu or toolbar handles to give; its menus are command bars.
HRESULT CExtensionCallback::GetWindow(HWND* lphwnd)
{
    if (lphwnd)
        *lphwnd = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::GetMenu(HMENU* lphmenu)
{
    if (lphmenu)
        *lphmenu = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::GetToolbar(ULONG, HWND* lphwndTb)
{
    if (lphwndTb)
        *lphwndTb = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::GetSession(LPMAPISESSION* lppses, IAddrBook** lppab)
{
    if (lppab)
        *lppab = nullptr;
    if (!lppses && !lppab)
        return E_INVALIDARG;
    if (lppses) {
        *lppses = m_session.get();
        if (!m_session)
            return MAPI_E_NOT_INITIALIZED;
        m_session->AddRef();
    }
    if (lppab && m_session) {
        const HRESULT hr = m_session->OpenAddressBook(0, nullptr, 0, lppab);
        if (FAILED(hr))
            *lppab = nullptr; // the session alone is still given
    }
    return S_OK;
}

HRESULT CExtensionCallback::GetObject(LPMDB* lppmdb, LPMAPIPROP* lppmp)
{
    // No context of this host works on one MAPI object.
    if (lppmdb)
        *lppmdb = nullptr;
    if (lppmp)
        *lppmp = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::GetSelectionCount(ULONG* lpceid)
{
    if (lpceid)
        *lpceid = 0;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::GetSelectionItem(ULONG, ULONG*, LPENTRYID* lppeid, ULONG*, LPTSTR, ULONG, ULONG*, ULONG)
{
    if (lppeid)
        *lppeid = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::GetMenuPos(ULONG, HMENU* lphmenu, ULONG*, ULONG*, ULONG)
{
    if (lphmenu)
        *lphmenu = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::GetSharedExtsDir(ULONG cb, LPTSTR lpszDir, ULONG)
{
    const std::string dir = host::AddinsFolder().string();
    if (!lpszDir || cb == 0)
        return E_INVALIDARG;
    if (dir.empty())
        return MAPI_E_NOT_FOUND;
    if (dir.size() + 1 > cb)
        return MAPI_E_BAD_VALUE;
    std::memcpy(lpszDir, dir.c_str(), dir.size() + 1);
    return S_OK;
}

HRESULT CExtensionCallback::GetRecipients(LPADRLIST* lppal)
{
    if (lppal)
        *lppal = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::SetRecipients(LPADRLIST)
{
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::GetNewMessageSite(ULONG, LPMAPIFOLDER, IPersistMessage*, LPMESSAGE* lppmsg,
                                              IMAPIMessageSite** lppmms, IMAPIViewContext** lppmvc, ULONG)
{
    if (lppmsg)
        *lppmsg = nullptr;
    if (lppmms)
        *lppmms = nullptr;
    if (lppmvc)
        *lppmvc = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::RegisterModeless(IMAPIViewAdviseSink*, ULONG* lpulConnection)
{
    if (lpulConnection)
        *lpulConnection = 0;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::UnregisterModeless(ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::ChooseFolder(LPMDB* lppmdb, LPMAPIFOLDER* lppfold)
{
    if (lppmdb)
        *lppmdb = nullptr;
    if (lppfold)
        *lppfold = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT CExtensionCallback::GetObject(IUnknown** ppunk)
{
    if (!ppunk)
        return E_POINTER;
    *ppunk = m_object.get();
    if (!m_object)
        return E_FAIL;
    m_object->AddRef();
    return S_OK;
}

HRESULT CExtensionCallback::GetOfficeCharacter(void** ppmsotfc)
{
    if (ppmsotfc)
        *ppmsotfc = nullptr;
    return E_NOTIMPL;
}
