#include "Folder.h"

#include "Folders.h"
#include "Store.h"
#include "helpers.h"
#include "properties.h"
#include "base/Utf.h"
#include "mapi/Mapi.h"

#include <string>

CFolder::CFolder()
{
    TRACE_CTOR("CFolder");
}

CFolder::~CFolder()
{
    TRACE_DTOR("CFolder");
    MAPIFreeBuffer(m_props);
}

std::span<const DispatchMember> CFolder::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&IFolder::get_Name>("Name", 2, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::get_HasFolders>("HasFolders", 3, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::get_Folders>("Folders", 4, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::get_IsDestination>("IsDestination", 5, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::get_EntryID>("EntryID", 6, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::get_RecordKey>("RecordKey", 7, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::get_Type>("Type", 8, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::get_Source>("Source", 9, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::put_Source>("Source", 9, DISPATCH_PROPERTYPUT),
        DispMember<&IFolder::put_Source>("Source", 9, DISPATCH_PROPERTYPUTREF),
        DispMember<&IFolder::get_IsEmpty>("IsEmpty", 11, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::get_MAPIFolder>("MAPIFolder", 12, DISPATCH_PROPERTYGET),
        DispMember<&IFolder::get_IsValid>("IsValid", 13, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CFolder::Create(IStore* pStore, IProfile* pProfile, ULONG cbEID, BYTE* pbEID, LONG bDest, LONG bRoot)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::Create", &hr);
    ComPtr<IUnknown> unknown;
    ComPtr<IMsgStore> mdb;
    ComPtr<IUnknown> opened;
    ULONG type = 0;
    GUID guid{};

    if (!pStore || !pProfile)
        return hr = E_INVALIDARG;
    m_store = pStore;
    m_profile = pProfile;
    m_bDest = bDest;
    m_bRoot = bRoot;
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
    hr = mdb->OpenEntry(cbEID, reinterpret_cast<LPENTRYID>(pbEID), nullptr, MAPI_MODIFY, &type, opened.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    hr = opened.As(m_folder);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    {
        SizedSPropTagArray(P_COUNT, tags) = {
            P_COUNT, {PR_ENTRYID, PR_RECORD_KEY, PR_DISPLAY_NAME_W, PR_SUBFOLDERS, PR_CONTAINER_CLASS_W}};
        hr = m_folder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &m_cProps, &m_props);
        if (FAILED(hr)) {
            SizedSPropTagArray(P_COUNT, tags8) = {
                P_COUNT, {PR_ENTRYID, PR_RECORD_KEY, CHANGE_PROP_TYPE(PR_DISPLAY_NAME_W, PT_STRING8), PR_SUBFOLDERS,
                          CHANGE_PROP_TYPE(PR_CONTAINER_CLASS_W, PT_STRING8)}};
            hr = m_folder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags8), 0, &m_cProps, &m_props);
        }
    }
    if (FAILED(hr)) {
        TRACE_FAILED(GetProps, hr);
        return hr;
    }
    hr = S_OK; // missing properties are read as absent
    if (bDest) {
        hr = pProfile->GetGUID(&guid);
        if (FAILED(hr)) {
            TRACE_FAILED(GetGUID, hr);
            return hr;
        }
        hr = GetPRS_SOURCE_FOLDER(m_folder.get(), guid, &m_tagSourceFolder);
        if (FAILED(hr))
            TRACE_FAILED(GetPRS_SOURCE_FOLDER, hr);
    }
    return hr;
}

HRESULT CFolder::StringProp(int index, BSTR* pVal)
{
    const SPropValue& prop = m_props[index];
    std::u16string text;
    if (PROP_TYPE(prop.ulPropTag) == PT_UNICODE)
        text = prop.Value.lpszW;
    else if (PROP_TYPE(prop.ulPropTag) == PT_STRING8)
        text = platform::Utf8ToUtf16(prop.Value.lpszA);
    *pVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *pVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT CFolder::get_Name(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_Name", &hr);
    if (!pVal)
        return hr = E_POINTER;
    if (m_bRoot) {
        *pVal = SysAllocString(u"/");
        return hr = *pVal ? S_OK : E_OUTOFMEMORY;
    }
    hr = StringProp(P_DISPLAY_NAME, pVal);
    return hr;
}

HRESULT CFolder::get_HasFolders(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_HasFolders", &hr);
    if (!pVal)
        return hr = E_POINTER;
    const SPropValue& prop = m_props[P_SUBFOLDERS];
    *pVal = PROP_TYPE(prop.ulPropTag) == PT_BOOLEAN && prop.Value.b ? 1 : 0;
    return hr;
}

HRESULT CFolder::get_Folders(IFolders** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_Folders", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    const SPropValue& eid = m_props[P_ENTRYID];
    if (PROP_TYPE(eid.ulPropTag) != PT_BINARY)
        return hr = MAPI_E_NOT_FOUND;
    CFolders* folders = nullptr;
    hr = CFolders::CreateObject(&folders);
    if (FAILED(hr))
        return hr;
    hr = folders->Create(m_store.get(), m_profile.get(), eid.Value.bin.cb, eid.Value.bin.lpb, m_bDest);
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        folders->Release();
        return hr;
    }
    *pVal = folders;
    return hr;
}

HRESULT CFolder::get_IsDestination(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_IsDestination", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = m_bDest;
    return hr;
}

HRESULT CFolder::get_EntryID(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_EntryID", &hr);
    const SPropValue& prop = m_props[P_ENTRYID];
    if (PROP_TYPE(prop.ulPropTag) != PT_BINARY)
        return hr = MAPI_E_NOT_FOUND;
    hr = SBin2bstr(prop.Value.bin, pVal);
    if (FAILED(hr))
        TRACE_FAILED(SBin2bstr, hr);
    return hr;
}

HRESULT CFolder::get_RecordKey(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_RecordKey", &hr);
    const SPropValue& prop = m_props[P_RECORD_KEY];
    if (PROP_TYPE(prop.ulPropTag) != PT_BINARY)
        return hr = MAPI_E_NOT_FOUND;
    hr = SBin2bstr(prop.Value.bin, pVal);
    if (FAILED(hr))
        TRACE_FAILED(SBin2bstr, hr);
    return hr;
}

HRESULT CFolder::get_Type(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_Type", &hr);
    if (!pVal)
        return hr = E_POINTER;
    hr = StringProp(P_CONTAINER_CLASS, pVal);
    return hr;
}

HRESULT CFolder::get_Source(IFolder** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_Source", &hr);
    LPSPropValue link = nullptr;
    ComPtr<IStore> sourceStore;
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (!m_bDest)
        return hr = E_INVALIDARG;
    hr = HrGetOneProp(m_folder.get(), m_tagSourceFolder, &link);
    if (hr == MAPI_E_NOT_FOUND)
        return hr = S_OK;
    if (FAILED(hr)) {
        TRACE_FAILED(HrGetOneProp, hr);
        return hr;
    }
    hr = m_profile->get_Source(sourceStore.put());
    if (FAILED(hr) || !sourceStore) {
        if (SUCCEEDED(hr))
            hr = MAPI_E_NOT_FOUND; // a profile without a source store
        TRACE_FAILED(get_Source, hr);
        MAPIFreeBuffer(link);
        return hr;
    }
    {
        CFolder* folder = nullptr;
        hr = CFolder::CreateObject(&folder);
        if (SUCCEEDED(hr)) {
            LONG bRoot = 0;
            if (ComPtr<CStore> impl = EngineImpl<CStore>(sourceStore.get()))
                bRoot = impl->IsIpmSubtree(link->Value.bin.cb, link->Value.bin.lpb) ? 1 : 0;
            hr = folder->Create(sourceStore.get(), m_profile.get(), link->Value.bin.cb, link->Value.bin.lpb, 0, bRoot);
            if (SUCCEEDED(hr)) {
                *pVal = folder;
            } else {
                folder->Release();
                if (hr == MAPI_E_NOT_FOUND)
                    hr = S_OK; // the source folder was deleted
                else
                    TRACE_FAILED(Create, hr);
            }
        }
    }
    MAPIFreeBuffer(link);
    return hr;
}

HRESULT CFolder::put_Source(IFolder* newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::put_Source", &hr);
    ComPtr<IFolder> current;
    ComBstr entryId;
    ComBstr recordKey;
    SBinary bin{};
    std::string newKey;

    if (!m_bDest)
        return hr = E_INVALIDARG;
    ComPtr<CStore> impl = EngineImpl<CStore>(m_store.get());
    const SPropValue& ownEid = m_props[P_ENTRYID];
    const std::vector<BYTE> ownEntryId = PROP_TYPE(ownEid.ulPropTag) == PT_BINARY
                                             ? std::vector<BYTE>(ownEid.Value.bin.lpb,
                                                                 ownEid.Value.bin.lpb + ownEid.Value.bin.cb)
                                             : std::vector<BYTE>();
    auto linksHere = [&](const std::string& key) { return !impl || impl->SrcKeyLinksTo(key, ownEntryId); };

    if (newVal) {
        hr = newVal->get_EntryID(entryId.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_EntryID, hr);
            return hr;
        }
        hr = bstr2SBin(entryId.View().data(), &bin);
        if (FAILED(hr)) {
            TRACE_FAILED(str2SBin, hr);
            return hr;
        }
        hr = newVal->get_RecordKey(recordKey.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_RecordKey, hr);
            FreeSBin(&bin);
            return hr;
        }
        newKey = recordKey.Utf8();
        // One destination folder per source folder. Checked before the old link goes, so that a
        // refused link leaves the folder as it was.
        if (m_store->FindSrcKey(newKey.data()) == S_OK && !(impl && linksHere(newKey))) {
            TracePrint(__FILE__, __LINE__, TL_ERROR, "duplicate key.\n");
            FreeSBin(&bin);
            return hr = E_FAIL;
        }
    }

    if (SUCCEEDED(get_Source(current.put())) && current) {
        ComBstr oldKey;
        if (SUCCEEDED(current->get_RecordKey(oldKey.put()))) {
            std::string keyText = oldKey.Utf8();
            // The map entry goes only when it names this folder: an unlinked duplicate must not
            // take the surviving link with it.
            if (linksHere(keyText)) {
                hr = m_store->DelSrcKey(keyText.data());
                if (FAILED(hr)) {
                    TracePrint(__FILE__, __LINE__, TL_ERROR, "DelKey() failed: hr=%lx\n", hr);
                    FreeSBin(&bin);
                    return hr;
                }
            }
        }
        hr = S_OK;
    }

    if (!newVal) {
        SizedSPropTagArray(1, tags) = {1, {m_tagSourceFolder}};
        m_folder->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr); // result not checked
        return hr;
    }
    hr = m_store->AddSrcKey(newKey.data(), this);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "AddKey() failed: hr=%lx\n", hr);
    } else {
        SPropValue value{};
        value.ulPropTag = m_tagSourceFolder;
        value.Value.bin = bin;
        hr = HrSetOneProp(m_folder.get(), &value);
        if (FAILED(hr)) {
            TRACE_FAILED(HrSetOneProp, hr);
            m_store->DelSrcKey(newKey.data());
        }
    }
    FreeSBin(&bin);
    return hr;
}

HRESULT CFolder::get_IsEmpty(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_IsEmpty", &hr);
    ComPtr<IMAPITable> table;
    ULONG count = 0;
    if (!pVal)
        return hr = E_POINTER;
    hr = m_folder->GetContentsTable(0, table.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetContentsTable, hr);
        return hr;
    }
    hr = table->GetRowCount(0, &count);
    if (FAILED(hr)) {
        TRACE_FAILED(GetRowCount, hr);
        return hr;
    }
    *pVal = count == 0 ? 1 : 0;
    return hr;
}

HRESULT CFolder::get_MAPIFolder(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_MAPIFolder", &hr);
    if (!pVal)
        return hr = E_POINTER;
    hr = m_folder->QueryInterface(IID_IMAPIFolder, reinterpret_cast<void**>(pVal));
    return hr;
}

HRESULT CFolder::get_IsValid(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolder::get_IsValid", &hr);
    LONG empty = 0;
    if (!pVal)
        return hr = E_POINTER;
    *pVal = get_IsEmpty(&empty) == S_OK ? 1 : 0;
    return hr;
}
