#include "LVFolder.h"

#include "LVFolders.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "ModelHelpers.h"
#include "base/Utf.h"

#include <set>
#include <string>
#include <utility>

namespace {

SizedSPropTagArray(FOLDER_PROP_COUNT, kFolderTags) = {
    FOLDER_PROP_COUNT,
    {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_RECORD_KEY, PR_CONTAINER_CLASS_A, PR_FOLDER_TYPE, PR_SUBFOLDERS}};

SizedSPropTagArray(3, kParentTags) = {3, {PR_PARENT_ENTRYID, PR_RECORD_KEY, PR_FOLDER_TYPE}};

// Container classes, tried in this order, with the number of dot-separated components compared.
struct ClassEntry {
    ContainerClass value;
    const char* text;
    const char16_t* wideText;
    ULONG components;
};
constexpr ClassEntry kClasses[] = {
    {CC_RSS, "IPF.NOTE.OUTLOOKHOMEPAGE", u"IPF.NOTE.OUTLOOKHOMEPAGE", 3},
    {CC_Mail, "IPF.NOTE", u"IPF.NOTE", 2},
    {CC_Appointment, "IPF.APPOINTMENT", u"IPF.APPOINTMENT", 2},
    {CC_Contact, "IPF.CONTACT", u"IPF.CONTACT", 2},
    {CC_Task, "IPF.TASK", u"IPF.TASK", 2},
    {CC_Journal, "IPF.JOURNAL", u"IPF.JOURNAL", 2},
    {CC_Note, "IPF.STICKYNOTE", u"IPF.STICKYNOTE", 2},
};

// A parent walk stops at the root, at a folder seen before, or after this many steps, so that
// a damaged hierarchy cannot keep the host's thread.
constexpr int kMaxFolderDepth = 1024;

} // namespace

CLVFolder::CLVFolder()
{
    TRACE_CTOR("CLVFolder");
}

CLVFolder::~CLVFolder()
{
    TRACE_DTOR("CLVFolder");
    Unadvise();
    ReleaseWatch();
    FreeRowSet(&m_rows);
    MAPIFreeBuffer(m_folderProps);
}

const SPropValue* CLVFolder::FolderProp(ULONG index, ULONG tag) const
{
    if (!m_folderProps || index >= m_cFolderProps || m_folderProps[index].ulPropTag != tag)
        return nullptr;
    return &m_folderProps[index];
}

std::string CLVFolder::NameText() const
{
    if (const SPropValue* name = FolderProp(IDX_FOLDER_DISPLAY_NAME, PR_DISPLAY_NAME_A))
        return name->Value.lpszA ? name->Value.lpszA : "";
    if (const SPropValue* name = FolderProp(IDX_FOLDER_DISPLAY_NAME, PR_DISPLAY_NAME_W))
        return name->Value.lpszW ? platform::Utf16ToUtf8(name->Value.lpszW) : "";
    return {};
}

HRESULT CLVFolder::Create(ILVStore* pStore, ULONG cbEID, BYTE* pbEID)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::Create", &hr);
    ComPtr<IUnknown> unknown;
    ComPtr<IMsgStore> mdb;
    ULONG objType = 0;
    if (!pStore || (cbEID && !pbEID)) {
        hr = E_INVALIDARG;
        return hr;
    }
    m_store = pStore;
    hr = pStore->get_MDB(unknown.put());
    if (FAILED(hr) || !unknown) {
        hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
        TRACE_FAILED(get_MDB, hr);
        return hr;
    }
    hr = unknown.As(mdb);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    // An empty entry ID opens the store's root folder.
    hr = mdb->OpenEntry(cbEID, reinterpret_cast<LPENTRYID>(pbEID), nullptr, MAPI_MODIFY, &objType, unknown.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    hr = unknown.As(m_folder);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    MAPIFreeBuffer(std::exchange(m_folderProps, nullptr));
    hr = m_folder->GetProps(reinterpret_cast<LPSPropTagArray>(&kFolderTags), MAPI_UNICODE, &m_cFolderProps,
                            &m_folderProps);
    if (FAILED(hr))
        hr = m_folder->GetProps(reinterpret_cast<LPSPropTagArray>(&kFolderTags), 0, &m_cFolderProps, &m_folderProps);
    if (FAILED(hr)) {
        TRACE_FAILED(GetProps, hr);
        m_cFolderProps = 0;
        return hr;
    }
    hr = S_OK; // a value the folder lacks stays as an error value in its place
    return hr;
}

HRESULT CLVFolder::get_MAPIFolder(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_MAPIFolder", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = m_folder.get();
    if (*pVal)
        (*pVal)->AddRef();
    return hr;
}

HRESULT CLVFolder::get_Folders(ILVFolders** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_Folders", &hr);
    const SPropValue* entryId = FolderProp(IDX_FOLDER_ENTRYID, PR_ENTRYID);
    CLVFolders* folders = nullptr;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = nullptr;
    if (!entryId) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "PR_ENTRYID not available. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = CLVFolders::CreateObject(&folders);
    if (FAILED(hr)) {
        hr = E_OUTOFMEMORY;
        TRACE_FAILED(CreateObject, hr);
        return hr;
    }
    hr = folders->Create(m_store.get(), entryId->Value.bin.cb, entryId->Value.bin.lpb);
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        folders->Release();
        return hr;
    }
    // S_FALSE: the subfolders could not be listed; the list is empty.
    hr = S_OK;
    *pVal = folders;
    return hr;
}

HRESULT CLVFolder::get_EntryID(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_EntryID", &hr);
    hr = KeyText(FolderProp(IDX_FOLDER_ENTRYID, PR_ENTRYID), "PR_ENTRYID", MAPI_E_NOT_FOUND, pVal);
    return hr;
}

HRESULT CLVFolder::get_RecordKey(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_RecordKey", &hr);
    hr = KeyText(FolderProp(IDX_FOLDER_RECORD_KEY, PR_RECORD_KEY), "PR_RECORD_KEY", MAPI_E_NOT_FOUND, pVal);
    return hr;
}

HRESULT CLVFolder::get_Name(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_Name", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    if (const SPropValue* name = FolderProp(IDX_FOLDER_DISPLAY_NAME, PR_DISPLAY_NAME_W))
        *pVal = SysAllocString(name->Value.lpszW ? name->Value.lpszW : u"");
    else
        *pVal = ComBstr(std::string_view(NameText())).Detach();
    if (!*pVal)
        hr = E_OUTOFMEMORY;
    return hr;
}

HRESULT CLVFolder::get_DefaultFolderType(DefaultFolderType* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_DefaultFolderType", &hr);
    const SPropValue* recordKey = FolderProp(IDX_FOLDER_RECORD_KEY, PR_RECORD_KEY);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = DFT_NONE;
    if (!m_store || !recordKey) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "PR_RECORD_KEY not available. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = m_store->GetDefaultFolderType(recordKey->Value.bin.cb, recordKey->Value.bin.lpb, pVal);
    if (FAILED(hr))
        TRACE_FAILED(GetDefaultFolderType, hr);
    return hr;
}

HRESULT CLVFolder::get_ContainerClass(ContainerClass* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_ContainerClass", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = CC_Mail;
    if (const SPropValue* cls = FolderProp(IDX_FOLDER_CONTAINER_CLASS, PR_CONTAINER_CLASS_A)) {
        for (const auto& entry : kClasses)
            if (cls->Value.lpszA && CompareContainerClassA(cls->Value.lpszA, entry.text, entry.components)) {
                *pVal = entry.value;
                break;
            }
    } else if (const SPropValue* wide = FolderProp(IDX_FOLDER_CONTAINER_CLASS, PR_CONTAINER_CLASS_W)) {
        for (const auto& entry : kClasses)
            if (wide->Value.lpszW && CompareContainerClassW(wide->Value.lpszW, entry.wideText, entry.components)) {
                *pVal = entry.value;
                break;
            }
    }
    return hr;
}

HRESULT CLVFolder::get_ReminderType(ReminderType* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_ReminderType", &hr);
    ComBstr recordKey;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = RT_NONE;
    // Any failure is the answer "no reminder folder".
    if (!m_store || FAILED(get_RecordKey(recordKey.put())))
        return hr;
    std::string key = platform::Utf16ToUtf8(std::u16string_view(recordKey.get(), recordKey.Length()));
    ReminderType type = RT_NONE;
    if (SUCCEEDED(m_store->GetReminderType(key.data(), &type)))
        *pVal = type;
    return hr;
}

HRESULT CLVFolder::put_ReminderType(ReminderType newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::put_ReminderType", &hr);
    ComBstr recordKey, entryId;
    std::string key, eid, name;
    if (!m_store) {
        hr = MAPI_E_NOT_INITIALIZED;
        return hr;
    }
    if (FAILED(hr = get_RecordKey(recordKey.put()))) {
        TRACE_FAILED(get_RecordKey, hr);
        return hr;
    }
    if (FAILED(hr = get_EntryID(entryId.put()))) {
        TRACE_FAILED(get_EntryID, hr);
        return hr;
    }
    key = platform::Utf16ToUtf8(std::u16string_view(recordKey.get(), recordKey.Length()));
    eid = platform::Utf16ToUtf8(std::u16string_view(entryId.get(), entryId.Length()));
    name = NameText();
    // Records the choice only; the engine starts and stops the watching.
    hr = m_store->SetReminderFolder(key.data(), eid.data(), name.data(), newVal);
    if (FAILED(hr))
        TRACE_FAILED(SetReminderFolder, hr);
    return hr;
}

HRESULT CLVFolder::get_RemindersPossible(VARIANT_BOOL* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_RemindersPossible", &hr);
    ContainerClass cls = CC_Mail;
    DefaultFolderType type = DFT_NONE;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = VARIANT_FALSE;
    hr = get_ContainerClass(&cls);
    if (FAILED(hr)) {
        TRACE_FAILED(get_ContainerClass, hr);
        return hr;
    }
    if (cls != CC_Mail && cls != CC_Appointment && cls != CC_Contact && cls != CC_Task)
        return hr;
    *pVal = VARIANT_TRUE;
    hr = get_DefaultFolderType(&type);
    if (FAILED(hr)) {
        TRACE_FAILED(get_DefaultFolderType, hr);
        return hr; // the answer stays TRUE
    }
    if (type == DFT_IPM_WASTEBASKET)
        *pVal = VARIANT_FALSE;
    return hr;
}

HRESULT CLVFolder::get_InWasteBasket(VARIANT_BOOL* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_InWasteBasket", &hr);
    ComPtr<ILVFolder> wastebasket;
    ComBstr wastebasketKey;
    SBinary deletedKey{0, nullptr};
    ComPtr<IUnknown> unknown;
    ComPtr<IMsgStore> mdb;
    ComPtr<IMAPIProp> current;
    std::set<std::string> seen;
    std::string previousKey;
    bool hasPrevious = false;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = VARIANT_FALSE;
    if (!m_store || !m_folder)
        return hr;
    if (FAILED(m_store->get_DefaultFolder(DFT_IPM_WASTEBASKET, wastebasket.put())) || !wastebasket ||
        FAILED(wastebasket->get_RecordKey(wastebasketKey.put())) ||
        FAILED(bstr2SBin(wastebasketKey, &deletedKey)))
        return hr; // no Deleted Items folder: not in it
    hr = m_store->get_MDB(unknown.put());
    if (FAILED(hr) || FAILED(hr = unknown.As(mdb))) {
        TRACE_FAILED(get_MDB, hr);
        goto Exit;
    }
    current = m_folder.get();
    for (int depth = 0;; ++depth) {
        CMapiBuffer<SPropValue> props;
        ULONG count = 0;
        if (depth >= kMaxFolderDepth) {
            TracePrint(__FILE__, __LINE__, TL_WARNING, "InWasteBasket: the parent walk is too deep, stopped\n");
            break;
        }
        hr = current->GetProps(reinterpret_cast<LPSPropTagArray>(&kParentTags), 0, &count, props.put());
        if (FAILED(hr) || count != 3 || props.get()[0].ulPropTag != PR_PARENT_ENTRYID ||
            props.get()[1].ulPropTag != PR_RECORD_KEY || props.get()[2].ulPropTag != PR_FOLDER_TYPE) {
            hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
            TracePrint(__FILE__, __LINE__, TL_ERROR, "GetProps() not enough information. hr=0x%08lx\n", hr);
            goto Exit;
        }
        hr = S_OK;
        const SBinary& parent = props.get()[0].Value.bin;
        const SBinary& key = props.get()[1].Value.bin;
        const std::string keyText(reinterpret_cast<const char*>(key.lpb), key.cb);
        if (props.get()[2].Value.l == static_cast<LONG>(FOLDER_ROOT))
            break;
        if (hasPrevious && keyText == previousKey)
            break;
        if (CompareSBinary(&key, &deletedKey) == 0) {
            *pVal = VARIANT_TRUE;
            break;
        }
        if (!seen.insert(keyText).second) {
            TracePrint(__FILE__, __LINE__, TL_WARNING, "InWasteBasket: the folder parents form a cycle, stopped\n");
            break;
        }
        previousKey = keyText;
        hasPrevious = true;
        ULONG objType = 0;
        hr = mdb->OpenEntry(parent.cb, reinterpret_cast<LPENTRYID>(parent.lpb), nullptr, 0, &objType,
                            unknown.put());
        if (FAILED(hr) || FAILED(hr = unknown.As(current))) {
            TRACE_FAILED(OpenEntry, hr);
            goto Exit;
        }
    }

Exit:
    if (FAILED(hr))
        *pVal = VARIANT_FALSE;
    FreeSBinary(&deletedKey);
    return hr;
}

HRESULT CLVFolder::get_SubFolders(VARIANT_BOOL* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_SubFolders", &hr);
    const SPropValue* value = FolderProp(IDX_FOLDER_SUBFOLDERS, PR_SUBFOLDERS);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    // A folder that does not say counts as having subfolders.
    *pVal = (!value || value->Value.b) ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
}

HRESULT CLVFolder::get_Store(ILVStore** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::get_Store", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = m_store.get();
    if (*pVal)
        (*pVal)->AddRef();
    return hr;
}
