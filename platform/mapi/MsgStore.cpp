#include "mapi/MsgStore.h"

#include "base/Utf.h"
#include "mapi/EntryId.h"
#include "mapi/Folder.h"
#include "mapi/Message.h"

#include <cstring>

namespace mapi {

std::u16string TextArg(LPTSTR text, ULONG flags)
{
    if (!text)
        return {};
    if (flags & MAPI_UNICODE)
        return std::u16string(reinterpret_cast<const char16_t*>(text));
    return platform::Utf8ToUtf16(text);
}

HRESULT MsgStore::Create(std::shared_ptr<StoreFile> file, bool writable, IMsgStore** out)
{
    if (!out || !file)
        return MAPI_E_INVALID_PARAMETER;
    auto* s = new (std::nothrow) MsgStore(std::move(file), writable);
    if (!s)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = s;
    return S_OK;
}

bool MsgStore::Supports(REFIID riid) const { return IsEqualIID(riid, IID_IMsgStore); }

bool MsgStore::IsComputed(ULONG id) const
{
    switch (id) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_RECORD_KEY):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_STORE_RECORD_KEY):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_MAPPING_SIGNATURE):
    case PROP_ID(PR_MDB_PROVIDER):
    case PROP_ID(PR_STORE_SUPPORT_MASK):
        return true;
    default:
        return false;
    }
}

HRESULT MsgStore::CurrentProps(PropMap& out)
{
    HRESULT hr = m_file->LoadProps(kStoreObjectId, out);
    if (FAILED(hr))
        return hr;
    AddIdentityProps(*m_file, MAPI_STORE, kStoreObjectId, out);
    if (!m_writable) {
        if (const PropValue* mask = out.Find(PROP_ID(PR_STORE_SUPPORT_MASK)))
            out.Set(PropValue::Long(PR_STORE_SUPPORT_MASK, mask->num() | STORE_READONLY));
    }
    return S_OK;
}

HRESULT MsgStore::WriteProps(const std::vector<PropValue>& values)
{
    StoreFile::Transaction tx(*m_file);
    HRESULT hr = tx.Begin();
    if (SUCCEEDED(hr))
        hr = m_file->SetProps(kStoreObjectId, values);
    if (SUCCEEDED(hr))
        hr = m_file->Journal(kStoreObjectId, 0, MAPI_STORE);
    return SUCCEEDED(hr) ? tx.Commit() : hr;
}

HRESULT MsgStore::RemoveProps(const std::vector<ULONG>& ids)
{
    StoreFile::Transaction tx(*m_file);
    HRESULT hr = tx.Begin();
    if (SUCCEEDED(hr))
        hr = m_file->DeleteProps(kStoreObjectId, ids);
    if (SUCCEEDED(hr))
        hr = m_file->Journal(kStoreObjectId, 0, MAPI_STORE);
    return SUCCEEDED(hr) ? tx.Commit() : hr;
}

HRESULT MsgStore::SaveChanges(ULONG) { return S_OK; } // store properties are saved as they are set

HRESULT MsgStore::OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* lppUnk)
{
    if (lppUnk)
        *lppUnk = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT MsgStore::CopyTo(ULONG, LPCIID, LPSPropTagArray lpExcludeProps, ULONG_PTR, LPMAPIPROGRESS,
                         LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems)
{
    if (!lpDestObj)
        return MAPI_E_INVALID_PARAMETER;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMsgStore) && !IsEqualIID(*lpInterface, IID_IMAPIProp))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    return CopyPropsInto(static_cast<IMAPIProp*>(lpDestObj), lpExcludeProps, nullptr, ulFlags, lppProblems);
}

bool MsgStore::ObjectWritable(ULONG type, std::int64_t id, std::int64_t parent) const
{
    return m_writable && !m_readOnlyFolders.count(type == MAPI_FOLDER ? id : parent);
}

HRESULT MsgStore::OpenObject(ULONG type, std::int64_t id, LPCIID iid, ULONG flags, ULONG* objType, LPUNKNOWN* unk)
{
    StoreFile::ReadTransaction reading(*m_file);
    ObjectInfo info;
    HRESULT hr = m_file->GetObject(id, info);
    if (FAILED(hr))
        return hr;
    if (info.type != type)
        return MAPI_E_NOT_FOUND;
    const bool modify = (flags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
    const bool writable = ObjectWritable(type, id, info.parent);
    if ((flags & MAPI_MODIFY) && !writable)
        return MAPI_E_NO_ACCESS;
    IUnknown* obj = nullptr;
    if (type == MAPI_FOLDER) {
        IMAPIFolder* f = nullptr;
        hr = Folder::Open(this, id, modify && writable, &f);
        obj = f;
    } else if (type == MAPI_MESSAGE) {
        IMessage* m = nullptr;
        hr = Message::Open(this, info, modify && writable, &m);
        obj = m;
    } else {
        return MAPI_E_INVALID_ENTRYID;
    }
    if (FAILED(hr))
        return hr;
    if (iid && !IsEqualIID(*iid, IID_IUnknown)) {
        void* p = nullptr;
        hr = obj->QueryInterface(*iid, &p);
        obj->Release();
        if (FAILED(hr))
            return hr;
        obj = static_cast<IUnknown*>(p);
    }
    if (objType)
        *objType = type;
    *unk = obj;
    return S_OK;
}

HRESULT MsgStore::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                            ULONG* lpulObjType, LPUNKNOWN* lppUnk)
{
    if (!lppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    if (cbEntryID == 0) // no entry ID: the root folder
        return OpenObject(MAPI_FOLDER, kRootFolderId, lpInterface, ulFlags, lpulObjType, lppUnk);
    ParsedEntryId parsed;
    if (!lpEntryID || !ParseEntryId(lpEntryID, cbEntryID, parsed) || !IsEqualGUID(parsed.store, m_file->guid()))
        return MAPI_E_INVALID_ENTRYID;
    if (parsed.isStore) {
        if (lpInterface && !IsEqualIID(*lpInterface, IID_IMsgStore) && !IsEqualIID(*lpInterface, IID_IMAPIProp) &&
            !IsEqualIID(*lpInterface, IID_IUnknown))
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        AddRef();
        *lppUnk = static_cast<IMsgStore*>(this);
        if (lpulObjType)
            *lpulObjType = MAPI_STORE;
        return S_OK;
    }
    return OpenObject(parsed.type, parsed.id, lpInterface, ulFlags, lpulObjType, lppUnk);
}

HRESULT MsgStore::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                                  ULONG, ULONG* lpulResult)
{
    if (!lpulResult || (cbEntryID1 && !lpEntryID1) || (cbEntryID2 && !lpEntryID2))
        return MAPI_E_INVALID_PARAMETER;
    *lpulResult = SameEntry(lpEntryID1, cbEntryID1, lpEntryID2, cbEntryID2) ? TRUE : FALSE;
    return S_OK;
}

HRESULT MsgStore::SetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID)
{
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    const std::string cls = platform::Utf16ToUtf8(TextArg(lpszMessageClass, ulFlags));
    if (cbEntryID == 0)
        return m_file->SetReceiveFolder(cls, 0);
    ParsedEntryId parsed;
    if (!ParseEntryId(lpEntryID, cbEntryID, parsed) || parsed.type != MAPI_FOLDER ||
        !IsEqualGUID(parsed.store, m_file->guid()))
        return MAPI_E_INVALID_ENTRYID;
    return m_file->SetReceiveFolder(cls, parsed.id);
}

HRESULT MsgStore::GetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID, LPENTRYID* lppEntryID,
                                   LPTSTR* lppszExplicitClass)
{
    if (!lpcbEntryID || !lppEntryID)
        return MAPI_E_INVALID_PARAMETER;
    *lpcbEntryID = 0;
    *lppEntryID = nullptr;
    if (lppszExplicitClass)
        *lppszExplicitClass = nullptr;
    const std::string cls = platform::Utf16ToUtf8(TextArg(lpszMessageClass, ulFlags));
    std::int64_t folder = 0;
    std::string explicitClass;
    HRESULT hr = m_file->GetReceiveFolder(cls, folder, explicitClass);
    if (FAILED(hr))
        return hr;
    const Bytes eid = m_file->EntryIdOf(MAPI_FOLDER, folder);
    void* p = nullptr;
    if (FAILED(hr = MAPIAllocateBuffer(static_cast<ULONG>(eid.size()), &p)))
        return hr;
    std::memcpy(p, eid.data(), eid.size());
    *lpcbEntryID = static_cast<ULONG>(eid.size());
    *lppEntryID = static_cast<LPENTRYID>(p);
    if (lppszExplicitClass) {
        void* s = nullptr;
        if (ulFlags & MAPI_UNICODE) {
            std::u16string w = platform::Utf8ToUtf16(explicitClass);
            hr = MAPIAllocateBuffer(static_cast<ULONG>((w.size() + 1) * sizeof(WCHAR)), &s);
            if (SUCCEEDED(hr))
                std::memcpy(s, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
        } else {
            hr = MAPIAllocateBuffer(static_cast<ULONG>(explicitClass.size() + 1), &s);
            if (SUCCEEDED(hr))
                std::memcpy(s, explicitClass.c_str(), explicitClass.size() + 1);
        }
        if (FAILED(hr)) {
            MAPIFreeBuffer(*lppEntryID);
            *lppEntryID = nullptr;
            *lpcbEntryID = 0;
            return hr;
        }
        *lppszExplicitClass = static_cast<LPTSTR>(s);
    }
    return S_OK;
}

// Object notifications are not offered: clients of this layer watch contents and hierarchy
// tables, which notify (Table::Advise). Submission is done by IMessage::SubmitMessage at once,
// so there is no outgoing queue to read or abort.
HRESULT MsgStore::Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT MsgStore::Unadvise(ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT MsgStore::GetReceiveFolderTable(ULONG, LPMAPITABLE*) { return MAPI_E_NO_SUPPORT; }
HRESULT MsgStore::StoreLogoff(ULONG*) { return S_OK; }
HRESULT MsgStore::AbortSubmit(ULONG, LPENTRYID, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT MsgStore::GetOutgoingQueue(ULONG, LPMAPITABLE*) { return MAPI_E_NO_SUPPORT; }
HRESULT MsgStore::SetLockState(IMessage*, ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT MsgStore::FinishedMsg(ULONG, ULONG, LPENTRYID) { return MAPI_E_NO_SUPPORT; }
HRESULT MsgStore::NotifyNewMail(LPNOTIFICATION) { return MAPI_E_NO_SUPPORT; }

} // namespace mapi
