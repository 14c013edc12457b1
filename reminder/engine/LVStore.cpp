#include "LVStore.h"

#include "LVFolder.h"
#include "LVStores.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "ModelHelpers.h"
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "base/Utf.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace {

std::string Text(BSTR text)
{
    return text ? platform::Utf16ToUtf8(std::u16string_view(text, SysStringLen(text))) : std::string();
}

// A folder key name: the hex text of a record key; nothing that would name the store key itself
// or a path below it.
bool IsKeyName(LPCSTR key)
{
    return key && *key && !std::strchr(key, '\\');
}

} // namespace

CLVStore::CLVStore()
{
    TRACE_CTOR("CLVStore");
}

CLVStore::~CLVStore()
{
    TRACE_DTOR("CLVStore");
    MAPIFreeBuffer(m_supportMask);
    MAPIFreeBuffer(m_rowProps);
}

HRESULT CLVStore::Create(ILVStores* pParent, LONG_PTR pRow)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::Create", &hr);
    const auto* row = reinterpret_cast<const SRow*>(pRow);
    m_parent = pParent;
    MAPIFreeBuffer(std::exchange(m_rowProps, nullptr));
    m_cRowProps = 0;
    if (row && row->lpProps && row->cValues) {
        // A copy of its own: the collection frees or moves its rows when stores come and go.
        hr = ScDupPropset(static_cast<int>(row->cValues), row->lpProps, MAPIAllocateBuffer, &m_rowProps);
        if (FAILED(hr)) {
            TRACE_FAILED(ScDupPropset, hr);
            return hr;
        }
        m_cRowProps = row->cValues;
    }
    return hr;
}

const SPropValue* CLVStore::Column(ULONG index, ULONG tag) const
{
    if (!m_rowProps || index >= m_cRowProps || m_rowProps[index].ulPropTag != tag)
        return nullptr;
    return &m_rowProps[index];
}

HRESULT CLVStore::Open()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::Open", &hr);
    ComPtr<IReminderEngine> engine;
    ComPtr<IUnknown> unknown;
    ComPtr<IMAPISession> session;
    const SPropValue* entryId = Column(IDX_STORE_ENTRYID, PR_ENTRYID);
    if (m_mdb)
        return hr;
    if (!m_parent) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pParent == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = m_parent->get_ReminderEngine(engine.put());
    if (SUCCEEDED(hr) && !engine)
        hr = MAPI_E_NOT_INITIALIZED;
    if (FAILED(hr)) {
        TRACE_FAILED(get_ReminderEngine, hr);
        return hr;
    }
    hr = engine->get_MapiSession(unknown.put());
    if (SUCCEEDED(hr) && !unknown)
        hr = MAPI_E_NOT_INITIALIZED;
    if (FAILED(hr)) {
        TRACE_FAILED(get_MapiSession, hr);
        return hr;
    }
    hr = unknown.As(session);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "QueryInterface() done.\n");
    if (!entryId) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pRow == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = session->OpenMsgStore(0, entryId->Value.bin.cb, reinterpret_cast<LPENTRYID>(entryId->Value.bin.lpb), nullptr,
                               MDB_NO_DIALOG | MDB_WRITE | MDB_NO_MAIL, m_mdb.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenMsgStore, hr);
        return hr;
    }
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "OpenMsgStore() done.\n");
    return hr;
}

HRESULT CLVStore::GetDefaultFolderType(ULONG cbKey, BYTE* pbKey, DefaultFolderType* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::GetDefaultFolderType", &hr);
    if (!pVal || (cbKey && !pbKey)) {
        hr = E_INVALIDARG;
        return hr;
    }
    *pVal = DFT_NONE;
    if (FAILED(Open()) || !m_mdb) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pMDB == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    m_defaultFolders.Init(m_mdb.get());
    hr = m_defaultFolders.IsDefaultFolder(cbKey, pbKey, pVal);
    return hr;
}

HRESULT CLVStore::SetReminderFolder(LPSTR Key, LPSTR eid, LPSTR display, ReminderType type)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::SetReminderFolder", &hr);
    hr = RegSetReminderFolder(Key, eid, display, type);
    if (FAILED(hr))
        TRACE_FAILED(RegSetReminderFolder, hr);
    return hr;
}

HRESULT CLVStore::GetReminderType(LPSTR Key, ReminderType* ptype)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::GetReminderType", &hr);
    hr = RegGetReminderType(Key, ptype);
    return hr;
}

HRESULT CLVStore::RegSetReminderFolder(LPCSTR Key, LPCSTR eid, LPCSTR display, ReminderType type)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::RegSetReminderFolder", &hr);
    ComBstr profileKey, profileName, storeName, recordKey, entryId;
    std::string profileKeyText, storeKeyText;
    CRegKeyEx folders, profile, store, folder;
    LONG rc = ERROR_SUCCESS;

    if (!IsKeyName(Key)) {
        hr = E_INVALIDARG;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "Key is no folder key. failed hr=0x%08lx\n", hr);
        goto Exit;
    }
    if (!m_parent) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pParent == NULL, failed. hr=0x%08lx\n", hr);
        goto Exit;
    }
    if (FAILED(hr = m_parent->get_ProfileKey(profileKey.put()))) {
        TRACE_FAILED(get_ProfileKey, hr);
        goto Exit;
    }
    if (FAILED(hr = m_parent->get_ProfileName(profileName.put()))) {
        TRACE_FAILED(get_ProfileName, hr);
        goto Exit;
    }
    if (FAILED(hr = get_Name(storeName.put()))) {
        TRACE_FAILED(get_Name, hr);
        goto Exit;
    }
    if (FAILED(hr = get_RecordKey(recordKey.put()))) {
        TRACE_FAILED(get_RecordKey, hr);
        goto Exit;
    }
    if (FAILED(hr = get_EntryID(entryId.put()))) {
        TRACE_FAILED(get_EntryID, hr);
        goto Exit;
    }
    profileKeyText = Text(profileKey);
    storeKeyText = Text(recordKey);
    if (profileKeyText.empty() || storeKeyText.empty()) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "empty profile or store key. failed hr=0x%08lx\n", hr);
        goto Exit;
    }

    if ((rc = folders.Create(HKEY_CURRENT_USER, kFoldersKey, KEY_ALL_ACCESS)) != ERROR_SUCCESS ||
        (rc = profile.Create(folders, profileKeyText.c_str(), KEY_ALL_ACCESS)) != ERROR_SUCCESS ||
        (rc = store.Create(profile, storeKeyText.c_str(), KEY_ALL_ACCESS)) != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(rc);
        TRACE_FAILED(Create, hr);
        goto Exit;
    }
    if ((rc = profile.SetStringValue(nullptr, Text(profileName).c_str())) != ERROR_SUCCESS ||
        (rc = store.SetStringValue(nullptr, Text(storeName).c_str())) != ERROR_SUCCESS ||
        (rc = store.SetStringValue("eid", Text(entryId).c_str())) != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(rc);
        TRACE_FAILED(SetValue, hr);
        goto Exit;
    }

    if (type == RT_NONE) {
        rc = store.DeleteSubKey(Key);
        if (rc != ERROR_SUCCESS) {
            hr = HRESULT_FROM_WIN32(rc);
            TRACE_FAILED(DeleteSubKey, hr);
            goto Exit;
        }
        // A store key without folder keys goes, and then a profile key without store keys.
        store.Close();
        RegDeleteKeyIfEmpty(profile, storeKeyText.c_str());
        profile.Close();
        RegDeleteKeyIfEmpty(folders, profileKeyText.c_str());
        goto Exit;
    }

    if ((rc = folder.Create(store, Key, KEY_ALL_ACCESS)) != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(rc);
        TRACE_FAILED(Create, hr);
        goto Exit;
    }
    if ((rc = folder.SetStringValue(nullptr, display ? display : "")) != ERROR_SUCCESS ||
        (rc = folder.SetStringValue("eid", eid ? eid : "")) != ERROR_SUCCESS ||
        (rc = folder.SetDWORDValue("type", static_cast<DWORD>(type))) != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(rc);
        TRACE_FAILED(SetValue, hr);
        goto Exit;
    }

Exit:
    return hr;
}

HRESULT CLVStore::RegGetReminderType(LPCSTR Key, ReminderType* ptype)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::RegGetReminderType", &hr);
    ComBstr profileKey, recordKey;
    CRegKeyEx folder;
    std::string path;
    DWORD type = 0;
    LONG rc = ERROR_SUCCESS;
    if (!ptype || !IsKeyName(Key)) {
        hr = E_INVALIDARG;
        return hr;
    }
    *ptype = RT_NONE;
    if (!m_parent) {
        hr = MAPI_E_NOT_INITIALIZED;
        return hr;
    }
    if (FAILED(hr = m_parent->get_ProfileKey(profileKey.put()))) {
        TRACE_FAILED(get_ProfileKey, hr);
        return hr;
    }
    if (FAILED(hr = get_RecordKey(recordKey.put()))) {
        TRACE_FAILED(get_RecordKey, hr);
        return hr;
    }
    path = std::string(kFoldersKey) + "\\" + Text(profileKey) + "\\" + Text(recordKey) + "\\" + Key;
    rc = folder.Open(HKEY_CURRENT_USER, path.c_str(), KEY_ALL_ACCESS);
    if (rc == ERROR_FILE_NOT_FOUND)
        return hr; // no reminder folder
    if (rc != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(rc);
        TRACE_FAILED(Open, hr);
        return hr;
    }
    rc = folder.QueryDWORDValue("type", type);
    if (rc != ERROR_SUCCESS) {
        hr = HRESULT_FROM_WIN32(rc);
        TRACE_FAILED(QueryValue, hr);
        return hr;
    }
    // Passed on as stored, without a range check.
    *ptype = static_cast<ReminderType>(type);
    return hr;
}

HRESULT CLVStore::get_MapiSession(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::get_MapiSession", &hr);
    ComPtr<IReminderEngine> engine;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    if (!m_parent || FAILED(hr = m_parent->get_ReminderEngine(engine.put())) || !engine) {
        hr = FAILED(hr) ? hr : MAPI_E_NOT_INITIALIZED;
        TRACE_FAILED(get_ReminderEngine, hr);
        return hr;
    }
    hr = engine->get_MapiSession(pVal);
    return hr;
}

HRESULT CLVStore::get_MDB(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::get_MDB", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    hr = Open();
    if (FAILED(hr)) {
        TRACE_FAILED(Open, hr);
        return hr;
    }
    *pVal = m_mdb.get();
    m_mdb->AddRef();
    return hr;
}

HRESULT CLVStore::get_EntryID(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::get_EntryID", &hr);
    hr = KeyText(Column(IDX_STORE_ENTRYID, PR_ENTRYID), "PR_ENTRYID", MAPI_E_NOT_FOUND, pVal);
    return hr;
}

HRESULT CLVStore::get_RecordKey(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::get_RecordKey", &hr);
    const SPropValue* recordKey = Column(IDX_STORE_RECORD_KEY, PR_RECORD_KEY);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    if (!recordKey) {
        // Read once from the store and kept in this object's row.
        CMapiBuffer<SPropValue> value;
        LPVOID bytes = nullptr;
        if (FAILED(hr = Open())) {
            TRACE_FAILED(Open, hr);
            return hr;
        }
        hr = HrGetOneProp(m_mdb.get(), PR_RECORD_KEY, value.put());
        if (FAILED(hr)) {
            TRACE_FAILED(HrGetOneProp, hr);
            return hr;
        }
        if (IDX_STORE_RECORD_KEY >= m_cRowProps)
            return hr = KeyText(value.get(), "PR_RECORD_KEY", MAPI_E_NOT_FOUND, pVal);
        hr = MAPIAllocateMore(std::max<ULONG>(value->Value.bin.cb, 1), m_rowProps, &bytes);
        if (FAILED(hr)) {
            TRACE_FAILED(MAPIAllocateMore, hr);
            return hr;
        }
        if (value->Value.bin.cb)
            std::memcpy(bytes, value->Value.bin.lpb, value->Value.bin.cb);
        SPropValue& column = m_rowProps[IDX_STORE_RECORD_KEY];
        column.ulPropTag = PR_RECORD_KEY;
        column.Value.bin.cb = value->Value.bin.cb;
        column.Value.bin.lpb = static_cast<LPBYTE>(bytes);
        recordKey = &column;
    }
    hr = KeyText(recordKey, "PR_RECORD_KEY", MAPI_E_NOT_FOUND, pVal);
    return hr;
}

HRESULT CLVStore::get_Name(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::get_Name", &hr);
    CMapiBuffer<SPropValue> name;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    hr = Open();
    if (SUCCEEDED(hr) && SUCCEEDED(HrGetOneProp(m_mdb.get(), PR_DISPLAY_NAME_W, name.put())))
        *pVal = SysAllocString(name->Value.lpszW);
    else if (SUCCEEDED(hr) && SUCCEEDED(HrGetOneProp(m_mdb.get(), PR_DISPLAY_NAME_A, name.put())))
        *pVal = ComBstr(std::string_view(name->Value.lpszA)).Detach();
    if (!*pVal)
        *pVal = SysAllocString(u"");
    if (FAILED(hr))
        TRACE_FAILED(Open, hr);
    return hr;
}

HRESULT CLVStore::NewFolder(ULONG cbEntryID, LPBYTE entryID, ILVFolder** pVal)
{
    HRESULT hr = S_OK;
    CLVFolder* folder = nullptr;
    hr = CLVFolder::CreateObject(&folder);
    if (FAILED(hr)) {
        hr = E_OUTOFMEMORY;
        TRACE_FAILED(CreateObject, hr);
        return hr;
    }
    hr = folder->Create(this, cbEntryID, entryID);
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        folder->Release();
        return hr;
    }
    *pVal = folder;
    return hr;
}

HRESULT CLVStore::get_DefaultFolder(DefaultFolderType type, ILVFolder** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::get_DefaultFolder", &hr);
    ULONG cbEntryID = 0;
    CMapiBuffer<ENTRYID> entryID;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    hr = Open();
    if (FAILED(hr)) {
        TRACE_FAILED(Open, hr);
        return hr;
    }
    m_defaultFolders.Init(m_mdb.get());
    hr = m_defaultFolders.GetDefaultFolder(type, &cbEntryID, entryID.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetDefaultFolder, hr);
        return hr;
    }
    hr = NewFolder(cbEntryID, reinterpret_cast<LPBYTE>(entryID.get()), pVal);
    return hr;
}

HRESULT CLVStore::GetFolderFromEID(BSTR eid, ILVFolder** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::GetFolderFromEID", &hr);
    SBinary entryID{0, nullptr};
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    hr = bstr2SBin(eid, &entryID);
    if (FAILED(hr)) {
        TRACE_FAILED(bstr2SBin, hr);
        return hr;
    }
    hr = NewFolder(entryID.cb, entryID.lpb, pVal);
    FreeSBinary(&entryID);
    return hr;
}

HRESULT CLVStore::get_DefaultStore(VARIANT_BOOL* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::get_DefaultStore", &hr);
    const SPropValue* value = Column(IDX_STORE_DEFAULT_STORE, PR_DEFAULT_STORE);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = VARIANT_FALSE;
    if (!value) {
        hr = S_FALSE;
        TracePrint(__FILE__, __LINE__, TL_WARNING, "PR_DEFAULT_STORE not available. hr=0x%08lx\n", hr);
        return hr;
    }
    *pVal = value->Value.b ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
}

HRESULT CLVStore::get_MDBProvider(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::get_MDBProvider", &hr);
    hr = KeyText(Column(IDX_STORE_MDB_PROVIDER, PR_MDB_PROVIDER), "PR_MDB_PROVIDER", S_FALSE, pVal);
    return hr;
}

HRESULT CLVStore::get_StoreSupportMask(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVStore::get_StoreSupportMask", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = 0;
    if (!m_mdb) {
        // This member does not open the store.
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pMDB == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    if (!m_supportMask) {
        hr = HrGetOneProp(m_mdb.get(), PR_STORE_SUPPORT_MASK, &m_supportMask);
        if (FAILED(hr)) {
            TRACE_FAILED(HrGetOneProp, hr);
            m_supportMask = nullptr;
            return hr;
        }
    }
    *pVal = m_supportMask->Value.l;
    return hr;
}
