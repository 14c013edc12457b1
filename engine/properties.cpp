#include "properties.h"

#include "TraceScope.h"
#include "com/ComPtr.h"
#include "mapi/Mapi.h"

HRESULT GetIDsFromNames(const GUID& guid, LPCWSTR pszName, IUnknown* pObject, ULONG* pTag)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("GetIDsFromNames", &hr);
    ComPtr<IMAPIProp> prop;
    GUID set = guid;
    MAPINAMEID name{};
    LPMAPINAMEID names[1] = {&name};
    LPSPropTagArray tags = nullptr;

    if (!pObject || !pTag)
        return hr = E_INVALIDARG;
    hr = pObject->QueryInterface(IID_IMAPIProp, prop.put_void());
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    name.lpguid = &set;
    name.ulKind = MNID_STRING;
    name.Kind.lpwstrName = const_cast<LPWSTR>(pszName);
    hr = prop->GetIDsFromNames(1, names, MAPI_CREATE, &tags);
    if (hr != S_OK) {
        hr = HRESULT(ULONG(hr) | 0x80000000u);
        TRACE_FAILED(GetIDsFromNames, hr);
    } else {
        *pTag = tags->aulPropTag[0] & 0xFFFF0000u;
    }
    MAPIFreeBuffer(tags);
    return hr;
}

namespace {

HRESULT NamedTag(IUnknown* pObject, const GUID& guid, LPCWSTR pszName, ULONG type, ULONG* pTag)
{
    HRESULT hr = GetIDsFromNames(guid, pszName, pObject, pTag);
    if (SUCCEEDED(hr))
        *pTag |= type;
    return hr;
}

} // namespace

HRESULT GetPRS_LAST_SYNC(IUnknown* pObject, const GUID& guid, ULONG* pTag)
{
    return NamedTag(pObject, guid, u"PRS_LAST_SYNC", PT_SYSTIME, pTag);
}

HRESULT GetPRS_SOURCE_FOLDER(IUnknown* pObject, const GUID& guid, ULONG* pTag)
{
    return NamedTag(pObject, guid, u"PRS_SOURCE_FOLDER", PT_BINARY, pTag);
}

HRESULT GetPRS_SEARCH_KEY(IUnknown* pObject, const GUID& guid, ULONG* pTag)
{
    return NamedTag(pObject, guid, u"PRS_SEARCH_KEY", PT_BINARY, pTag);
}

HRESULT GetPRS_FOLDER_KEY(IUnknown* pObject, const GUID& guid, ULONG* pTag)
{
    return NamedTag(pObject, guid, u"PRS_FOLDER_KEY", PT_BINARY, pTag);
}
