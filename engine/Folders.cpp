#include "Folders.h"

#include "Folder.h"
#include "mapi/Mapi.h"

CFolders::CFolders()
{
    TRACE_CTOR("CFolders");
}

CFolders::~CFolders()
{
    TRACE_DTOR("CFolders");
}

std::span<const DispatchMember> CFolders::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&IFolders::get_Count>("Count", 2, DISPATCH_PROPERTYGET),
        DispMember<&IFolders::get_Items>("Items", 3, DISPATCH_PROPERTYGET),
    };
    return members;
}

namespace {

bool SameEntry(IMsgStore* mdb, const SBinary& a, const SBinary& b)
{
    ULONG result = 0;
    return SUCCEEDED(mdb->CompareEntryIDs(a.cb, reinterpret_cast<LPENTRYID>(a.lpb), b.cb,
                                          reinterpret_cast<LPENTRYID>(b.lpb), 0, &result)) &&
           result;
}

} // namespace

HRESULT CFolders::Create(IStore* pStore, IProfile* pProfile, ULONG cbEID, BYTE* pbEID, LONG bDest)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolders::Create", &hr);
    ComPtr<IUnknown> unknown;
    ComPtr<IMsgStore> mdb;
    ComPtr<IUnknown> opened;
    ComPtr<IMAPIFolder> folder;
    ComPtr<IMAPITable> table;
    LPSRowSet rows = nullptr;
    LPSPropValue outbox = nullptr;
    LPSPropValue wastebasket = nullptr;
    LPSPropValue subtree = nullptr;
    ULONG type = 0;

    if (!pStore || !pProfile)
        return hr = E_INVALIDARG;
    m_store = pStore;
    m_profile = pProfile;
    m_bDest = bDest;
    hr = pStore->get_MDB(unknown.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_MDB, hr);
        return hr;
    }
    hr = unknown.As(mdb);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    hr = mdb->OpenEntry(cbEID, reinterpret_cast<LPENTRYID>(pbEID), nullptr, 0, &type, opened.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    hr = opened.As(folder);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    hr = folder->GetHierarchyTable(MAPI_UNICODE | CONVENIENT_DEPTH, table.put());
    if (FAILED(hr))
        hr = folder->GetHierarchyTable(CONVENIENT_DEPTH, table.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetHierarchyTable, hr);
        return hr;
    }
    {
        SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_FOLDER_TYPE}};
        hr = HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows);
    }
    if (FAILED(hr)) {
        TRACE_FAILED(HrQueryAllRows, hr);
        return hr;
    }

    m_rows.clear();
    if (cbEID && pbEID) {
        // Below a folder: no outbox, no deleted items, no search folders.
        if (FAILED(HrGetOneProp(mdb.get(), PR_IPM_OUTBOX_ENTRYID, &outbox)))
            outbox = nullptr;
        if (FAILED(HrGetOneProp(mdb.get(), PR_IPM_WASTEBASKET_ENTRYID, &wastebasket)))
            wastebasket = nullptr;
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SPropValue* props = rows->aRow[i].lpProps;
            if (PROP_TYPE(props[0].ulPropTag) != PT_BINARY)
                continue;
            const SBinary& eid = props[0].Value.bin;
            if (outbox && SameEntry(mdb.get(), eid, outbox->Value.bin))
                continue;
            if (wastebasket && SameEntry(mdb.get(), eid, wastebasket->Value.bin))
                continue;
            if (PROP_TYPE(props[1].ulPropTag) == PT_LONG && ULONG(props[1].Value.l) == FOLDER_SEARCH)
                continue;
            m_rows.emplace_back(eid.lpb, eid.lpb + eid.cb);
        }
    } else {
        // Store level: the IPM subtree alone, shown as the root "/". A store without one has an
        // empty list.
        m_rootList = true;
        hr = HrGetOneProp(mdb.get(), PR_IPM_SUBTREE_ENTRYID, &subtree);
        if (FAILED(hr)) {
            TRACE_FAILED(HrGetOneProp, hr);
        } else {
            for (ULONG i = 0; i < rows->cRows; ++i) {
                const SPropValue* props = rows->aRow[i].lpProps;
                if (PROP_TYPE(props[0].ulPropTag) == PT_BINARY &&
                    SameEntry(mdb.get(), props[0].Value.bin, subtree->Value.bin)) {
                    m_rows.emplace_back(props[0].Value.bin.lpb, props[0].Value.bin.lpb + props[0].Value.bin.cb);
                    break;
                }
            }
        }
    }
    MAPIFreeBuffer(outbox);
    MAPIFreeBuffer(wastebasket);
    MAPIFreeBuffer(subtree);
    FreeProws(rows);
    return hr;
}

HRESULT CFolders::get_Count(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolders::get_Count", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = static_cast<LONG>(m_rows.size());
    return hr;
}

HRESULT CFolders::get_Items(LONG idx, IFolder** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolders::get_Items", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (idx < 1 || idx > static_cast<LONG>(m_rows.size()))
        return hr = E_INVALIDARG;
    CFolder* folder = nullptr;
    hr = CFolder::CreateObject(&folder);
    if (FAILED(hr))
        return hr;
    std::vector<BYTE>& eid = m_rows[idx - 1];
    hr = folder->Create(m_store.get(), m_profile.get(), static_cast<ULONG>(eid.size()), eid.data(), m_bDest,
                        m_rootList ? 1 : 0);
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        folder->Release();
        return hr;
    }
    *pVal = folder;
    return hr;
}
