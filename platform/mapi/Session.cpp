#include "mapi/Session.h"

#include "base/Utf.h"
#include "mapi/AddrBook.h"
#include "mapi/EntryId.h"
#include "mapi/MapiGuids.h"
#include "mapi/MapiTags.h"
#include "mapi/FixedPropObject.h"
#include "mapi/MsgStore.h"
#include "mapi/ProfileStoresSource.h"
#include "mapi/StoreAccess.h"
#include "mapi/Table.h"

#include <cstring>
#include <set>

namespace mapi {

HRESULT Session::Create(const std::string& profile, ULONG, IMAPISession** out)
{
    auto* s = new (std::nothrow) Session(profile);
    if (!s)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = s;
    return S_OK;
}

void (*Session::s_onDestroy)(Session*) = nullptr;

Session::~Session()
{
    if (s_onDestroy)
        s_onDestroy(this);
}

bool Session::TryAddRef()
{
    ULONG refs = m_refs.load();
    while (refs != 0) {
        if (m_refs.compare_exchange_weak(refs, refs + 1))
            return true;
    }
    return false;
}

HRESULT Session::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMAPISession)) {
        *ppv = static_cast<IMAPISession*>(this);
        AddRef();
        return S_OK;
    }
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
}

ULONG Session::Release()
{
    ULONG r = --m_refs;
    if (r == 0)
        delete this;
    return r;
}

HRESULT Session::GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError)
{
    if (lppMAPIError)
        *lppMAPIError = nullptr;
    return S_OK;
}

HRESULT Session::GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    *lppTable = nullptr;
    if (m_loggedOff)
        return MAPI_E_END_OF_SESSION;
    auto source = std::make_shared<ProfileStoresSource>(m_profile);
    return Table::Create(std::move(source), (ulFlags & MAPI_UNICODE) != 0, lppTable);
}

HRESULT Session::OpenWithAccess(const void* entryId, std::size_t cb, bool write, const ProfileStore* entry,
                                IMsgStore** out)
{
    const bool writable = write && !(entry && entry->readOnly);
    HRESULT hr = OpenStoreByEntryId(entryId, cb, writable ? MDB_WRITE : 0, out);
    if (FAILED(hr) || !writable || !entry || entry->readOnlyFolders.empty())
        return hr;
    std::set<std::int64_t> folders;
    for (const Bytes& folder : entry->readOnlyFolders) {
        ParsedEntryId parsed;
        if (ParseEntryId(folder.data(), folder.size(), parsed) && parsed.type == MAPI_FOLDER)
            folders.insert(parsed.id);
    }
    // Stores opened here are always this provider's (OpenStoreByEntryId makes nothing else).
    static_cast<MsgStore*>(*out)->SetReadOnlyFolders(std::move(folders));
    return hr;
}

HRESULT Session::StoreByGuid(const GUID& guid, IMsgStore** out)
{
    std::lock_guard lock(m_mutex);
    const std::string key(reinterpret_cast<const char*>(&guid), 16);
    auto it = m_stores.find(key);
    if (it != m_stores.end())
        return it->second.CopyTo(out);
    std::vector<ProfileStore> stores;
    HRESULT hr = ProfileRegistry::Stores(m_profile, stores);
    if (FAILED(hr))
        return hr;
    for (const auto& s : stores) {
        if (s.recordKey != key)
            continue;
        ComPtr<IMsgStore> store;
        if (FAILED(hr = OpenWithAccess(s.entryId.data(), s.entryId.size(), true, &s, store.put())))
            return hr;
        m_stores[key] = store;
        return store.CopyTo(out);
    }
    return MAPI_E_NOT_FOUND;
}

HRESULT Session::OpenMsgStore(ULONG_PTR, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                              LPMDB* lppMDB)
{
    if (!lppMDB || !lpEntryID)
        return MAPI_E_INVALID_PARAMETER;
    *lppMDB = nullptr;
    if (m_loggedOff)
        return MAPI_E_END_OF_SESSION;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMsgStore) && !IsEqualIID(*lpInterface, IID_IMAPIProp) &&
        !IsEqualIID(*lpInterface, IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    const bool write = (ulFlags & (MDB_WRITE | MAPI_BEST_ACCESS)) != 0;
    ParsedEntryId parsed;
    std::vector<ProfileStore> stores;
    if (ParseEntryId(lpEntryID, cbEntryID, parsed) && parsed.isStore &&
        SUCCEEDED(ProfileRegistry::Stores(m_profile, stores))) {
        const Bytes key(reinterpret_cast<const char*>(&parsed.store), 16);
        for (const ProfileStore& s : stores)
            if (s.recordKey == key)
                return OpenWithAccess(lpEntryID, cbEntryID, write, &s, lppMDB);
    }
    return OpenWithAccess(lpEntryID, cbEntryID, write, nullptr, lppMDB);
}

HRESULT Session::OpenProfileSection(LPMAPIUID lpUID, LPCIID, ULONG, LPPROFSECT* lppProfSect)
{
    if (!lppProfSect || !lpUID)
        return MAPI_E_INVALID_PARAMETER;
    *lppProfSect = nullptr;
    if (m_loggedOff)
        return MAPI_E_END_OF_SESSION;
    if (std::memcmp(lpUID->ab, MUID_PROFILE_INSTANCE.ab, 16) != 0)
        return MAPI_E_NOT_FOUND;
    Bytes searchKey;
    HRESULT hr = ProfileRegistry::SearchKey(m_profile, searchKey);
    if (FAILED(hr))
        return hr;
    PropMap props;
    props.Set(PropValue::Text(PR_PROFILE_NAME_W, platform::Utf8ToUtf16(m_profile)));
    props.Set(PropValue::Binary(PR_SEARCH_KEY, searchKey));
    props.Set(PropValue::Long(PR_OBJECT_TYPE, MAPI_PROFSECT));
    return FixedPropObject<IProfSect>::Create(std::move(props), S_OK, lppProfSect);
}

HRESULT Session::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                           ULONG* lpulObjType, LPUNKNOWN* lppUnk)
{
    if (!lppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    if (m_loggedOff)
        return MAPI_E_END_OF_SESSION;
    ParsedEntryId parsed;
    if (!lpEntryID || !ParseEntryId(lpEntryID, cbEntryID, parsed))
        return cbEntryID == 0 ? MAPI_E_INVALID_PARAMETER : MAPI_E_UNKNOWN_ENTRYID;
    if (parsed.isStore) {
        IMsgStore* store = nullptr;
        HRESULT hr = OpenMsgStore(0, cbEntryID, lpEntryID, lpInterface, MDB_WRITE, &store);
        if (SUCCEEDED(hr)) {
            *lppUnk = store;
            if (lpulObjType)
                *lpulObjType = MAPI_STORE;
        }
        return hr;
    }
    ComPtr<IMsgStore> store;
    HRESULT hr = StoreByGuid(parsed.store, store.put());
    if (FAILED(hr))
        return hr == MAPI_E_NOT_FOUND ? MAPI_E_UNKNOWN_ENTRYID : hr;
    return store->OpenEntry(cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType, lppUnk);
}

HRESULT Session::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                                 ULONG, ULONG* lpulResult)
{
    if (!lpulResult || (cbEntryID1 && !lpEntryID1) || (cbEntryID2 && !lpEntryID2))
        return MAPI_E_INVALID_PARAMETER;
    *lpulResult = SameEntry(lpEntryID1, cbEntryID1, lpEntryID2, cbEntryID2) ? TRUE : FALSE;
    return S_OK;
}

HRESULT Session::Logoff(ULONG_PTR, ULONG, ULONG)
{
    std::lock_guard lock(m_mutex);
    m_loggedOff = true;
    m_stores.clear();
    return S_OK;
}

HRESULT Session::SetDefaultStore(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID)
{
    constexpr ULONG kDefaultStore = 0x00000001; // MAPI_DEFAULT_STORE
    if (!(ulFlags & kDefaultStore))
        return MAPI_E_NO_SUPPORT;
    ParsedEntryId parsed;
    if (!lpEntryID || !ParseEntryId(lpEntryID, cbEntryID, parsed) || !parsed.isStore)
        return MAPI_E_INVALID_ENTRYID;
    return ProfileRegistry::SetDefaultStore(m_profile, Bytes(reinterpret_cast<const char*>(&parsed.store), 16));
}

// The address book holds one-off recipients only (AddrBook). Session-wide object
// notifications, the status table, identity and forms are not offered; the message-store
// table notifies when the profile's stores change.
HRESULT Session::OpenAddressBook(ULONG_PTR, LPCIID lpInterface, ULONG ulFlags, IAddrBook** lppAdrBook)
{
    if (!lppAdrBook)
        return MAPI_E_INVALID_PARAMETER;
    *lppAdrBook = nullptr;
    if (ulFlags & ~(AB_NO_DIALOG | MAPI_UNICODE))
        return MAPI_E_UNKNOWN_FLAGS;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IAddrBook) && !IsEqualIID(*lpInterface, IID_IMAPIProp) &&
        !IsEqualIID(*lpInterface, IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (m_loggedOff)
        return MAPI_E_END_OF_SESSION;
    return AddrBook::Create(lppAdrBook);
}
HRESULT Session::GetStatusTable(ULONG, LPMAPITABLE*) { return MAPI_E_NO_SUPPORT; }
HRESULT Session::Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT Session::Unadvise(ULONG) { return MAPI_E_NO_SUPPORT; }
HRESULT Session::MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) { return MAPI_E_NO_SUPPORT; }
HRESULT Session::QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) { return MAPI_E_NO_SUPPORT; }
HRESULT Session::EnumAdrTypes(ULONG, ULONG*, LPTSTR**) { return MAPI_E_NO_SUPPORT; }
HRESULT Session::QueryIdentity(ULONG*, LPENTRYID*) { return MAPI_E_NO_SUPPORT; }
HRESULT Session::AdminServices(ULONG, IMsgServiceAdmin**) { return MAPI_E_NO_SUPPORT; }
HRESULT Session::ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG, ULONG, LPSTR)
{
    return MAPI_E_NO_SUPPORT;
}
HRESULT Session::PrepareForm(LPCIID, LPMESSAGE, ULONG*) { return MAPI_E_NO_SUPPORT; }

} // namespace mapi
