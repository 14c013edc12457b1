#include "BackFolder.h"

#include "BackFolderItem.h"
#include "MapiBuffer.h"
#include "TraceScope.h"
#include "com/ComPtr.h"

HRESULT GetBackFolderRestriction(IMAPIProp* prop, SRestriction** out)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("GetBackFolderRestriction", &hr);
    MAPINAMEID id{};
    LPMAPINAMEID names[] = {&id};
    CMapiBuffer<SPropTagArray> tags;
    CMapiBuffer<SRestriction> res;
    LPSRestriction terms = nullptr;
    LPSPropValue value = nullptr;
    ULONG tag = 0;
    if (out)
        *out = nullptr;
    if (!prop || !out) {
        hr = E_INVALIDARG;
        goto Exit;
    }
    id.lpguid = const_cast<LPGUID>(&PS_PUBLIC_STRINGS);
    id.ulKind = MNID_STRING;
    id.Kind.lpwstrName = const_cast<LPWSTR>(BackFolderItem::NameOf(BackFolderItem::LumivaneItem));
    hr = prop->GetIDsFromNames(1, names, MAPI_CREATE, tags.put());
    if (SUCCEEDED(hr) && (!tags || tags->cValues < 1 || PROP_TYPE(tags->aulPropTag[0]) == PT_ERROR))
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        goto Exit;
    }
    hr = S_OK;
    tag = CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_BOOLEAN);
    hr = MAPIAllocateBuffer(sizeof(SRestriction), reinterpret_cast<LPVOID*>(res.put()));
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        goto Exit;
    }
    hr = MAPIAllocateMore(2 * sizeof(SRestriction), res.get(), reinterpret_cast<LPVOID*>(&terms));
    if (SUCCEEDED(hr))
        hr = MAPIAllocateMore(sizeof(SPropValue), res.get(), reinterpret_cast<LPVOID*>(&value));
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateMore, hr);
        goto Exit;
    }
    value->ulPropTag = tag;
    value->Value.b = 1;
    terms[0].rt = RES_EXIST;
    terms[0].res.resExist = {0, tag, 0};
    terms[1].rt = RES_PROPERTY;
    terms[1].res.resProperty.relop = RELOP_EQ;
    terms[1].res.resProperty.ulPropTag = tag;
    terms[1].res.resProperty.lpProp = value;
    res->rt = RES_AND;
    res->res.resAnd.cRes = 2;
    res->res.resAnd.lpRes = terms;
    *out = res.release();
Exit:
    return hr;
}

HRESULT OpenAssociatedTable(IMAPIFolder* folder, const SPropTagArray* columns, const SRestriction* restriction,
                            IMAPITable** table)
{
    HRESULT hr = S_OK;
    ComPtr<IMAPITable> opened;
    *table = nullptr;
    hr = folder->GetContentsTable(MAPI_ASSOCIATED, opened.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetContentsTable, hr);
        return hr;
    }
    hr = opened->SetColumns(const_cast<LPSPropTagArray>(columns), 0);
    if (FAILED(hr)) {
        TRACE_FAILED(SetColumns, hr);
        return hr;
    }
    if (restriction) {
        hr = opened->Restrict(const_cast<LPSRestriction>(restriction), 0);
        if (FAILED(hr)) {
            TRACE_FAILED(Restrict, hr);
            return hr;
        }
    }
    *table = opened.Detach();
    return hr;
}

void InitNameID(MAPINAMEID& nameId, const GUID& set, LONG id)
{
    nameId.lpguid = const_cast<LPGUID>(&set);
    nameId.ulKind = MNID_ID;
    nameId.Kind.lID = id;
}
