#include "host/HostSession.h"

#include "mapi/ProfileRegistry.h"

namespace host {

std::string HexText(const BYTE* data, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

std::string HexText(const Binary& data)
{
    return HexText(data.data(), data.size());
}

bool ParseHex(std::string_view text, Binary& out)
{
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    if (text.size() % 2)
        return false;
    Binary bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = digit(text[i]);
        const int lo = digit(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes.push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    out = std::move(bytes);
    return true;
}

Binary GetBinaryProp(IMAPIProp* object, ULONG tag)
{
    LPSPropValue v = nullptr;
    if (FAILED(HrGetOneProp(object, tag, &v)) || !v)
        return {};
    Binary b(v->Value.bin.lpb, v->Value.bin.lpb + v->Value.bin.cb);
    MAPIFreeBuffer(v);
    return b;
}

std::u16string GetTextProp(IMAPIProp* object, ULONG tag)
{
    LPSPropValue v = nullptr;
    if (FAILED(HrGetOneProp(object, CHANGE_PROP_TYPE(tag, PT_UNICODE), &v)) || !v)
        return {};
    std::u16string s(reinterpret_cast<const char16_t*>(v->Value.lpszW));
    MAPIFreeBuffer(v);
    return s;
}

HostSession::~HostSession()
{
    Logoff();
}

HRESULT HostSession::Logon(const std::string& profile)
{
    Logoff();
    ULONG flags = MAPI_EXTENDED | MAPI_NEW_SESSION | (profile.empty() ? MAPI_USE_DEFAULT : MAPI_EXPLICIT_PROFILE);
    HRESULT hr = MAPILogonEx(0, profile.empty() ? nullptr : const_cast<char*>(profile.c_str()), nullptr, flags,
                             m_session.put());
    if (FAILED(hr))
        return hr;
    m_profile = profile;
    if (m_profile.empty()) {
        std::vector<std::string> names;
        std::string defaultName;
        if (SUCCEEDED(mapi::ProfileRegistry::List(names, defaultName)))
            m_profile = defaultName;
    } else {
        std::string stored;
        if (SUCCEEDED(mapi::ProfileRegistry::CanonicalName(profile, stored)))
            m_profile = stored;
    }
    return S_OK;
}

void HostSession::Logoff()
{
    if (m_session) {
        m_session->Logoff(0, 0, 0);
        m_session = nullptr;
    }
}

HRESULT HostSession::Stores(std::vector<StoreInfo>& stores) const
{
    stores.clear();
    if (!m_session)
        return MAPI_E_NOT_INITIALIZED;
    ComPtr<IMAPITable> table;
    HRESULT hr = m_session->GetMsgStoresTable(MAPI_UNICODE, table.put());
    if (FAILED(hr))
        return hr;
    SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_DEFAULT_STORE}};
    LPSRowSet rows = nullptr;
    hr = HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows);
    if (FAILED(hr))
        return hr;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue* p = rows->aRow[i].lpProps;
        StoreInfo info;
        if (p[0].ulPropTag == PR_ENTRYID)
            info.entryId.assign(p[0].Value.bin.lpb, p[0].Value.bin.lpb + p[0].Value.bin.cb);
        if (p[1].ulPropTag == PR_DISPLAY_NAME_W)
            info.name = reinterpret_cast<const char16_t*>(p[1].Value.lpszW);
        info.isDefault = p[2].ulPropTag == PR_DEFAULT_STORE && p[2].Value.b;
        stores.push_back(std::move(info));
    }
    FreeProws(rows);
    return S_OK;
}

HRESULT HostSession::OpenStore(const Binary& entryId, ComPtr<IMsgStore>& store) const
{
    if (!m_session)
        return MAPI_E_NOT_INITIALIZED;
    return m_session->OpenMsgStore(0, static_cast<ULONG>(entryId.size()),
                                   reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data())), nullptr,
                                   MAPI_BEST_ACCESS, store.put());
}

HRESULT HostSession::OpenDefaultStore(ComPtr<IMsgStore>& store, Binary& entryId) const
{
    std::vector<StoreInfo> stores;
    HRESULT hr = Stores(stores);
    if (FAILED(hr))
        return hr;
    for (const StoreInfo& s : stores)
        if (s.isDefault) {
            entryId = s.entryId;
            return OpenStore(s.entryId, store);
        }
    return MAPI_E_NOT_FOUND;
}

HRESULT HostSession::DefaultFolderId(IMsgStore* store, LONG folderType, Binary& folderId) const
{
    folderId.clear();
    ULONG tag = 0;
    switch (folderType) {
    case 3: tag = PR_IPM_WASTEBASKET_ENTRYID; break;
    case 4: tag = PR_IPM_OUTBOX_ENTRYID; break;
    case 5: tag = PR_IPM_SENTMAIL_ENTRYID; break;
    case 6: {
        ULONG cb = 0;
        LPENTRYID eid = nullptr;
        const HRESULT hr = store->GetReceiveFolder(nullptr, 0, &cb, &eid, nullptr);
        if (FAILED(hr))
            return hr;
        folderId.assign(reinterpret_cast<BYTE*>(eid), reinterpret_cast<BYTE*>(eid) + cb);
        MAPIFreeBuffer(eid);
        return S_OK;
    }
    case 9: tag = PR_IPM_APPOINTMENT_ENTRYID; break;
    case 10: tag = PR_IPM_CONTACT_ENTRYID; break;
    case 11: tag = PR_IPM_JOURNAL_ENTRYID; break;
    case 12: tag = PR_IPM_NOTE_ENTRYID; break;
    case 13: tag = PR_IPM_TASK_ENTRYID; break;
    case 16: tag = PR_IPM_DRAFTS_ENTRYID; break;
    default: return E_INVALIDARG;
    }
    // Calendar, contacts, journal, notes, tasks and drafts are named by the Inbox; the others
    // by the store.
    if (folderType >= 9) {
        Binary inboxId;
        HRESULT hr = DefaultFolderId(store, 6, inboxId);
        if (FAILED(hr))
            return hr;
        ULONG type = 0;
        ComPtr<IUnknown> inbox;
        hr = store->OpenEntry(static_cast<ULONG>(inboxId.size()), reinterpret_cast<LPENTRYID>(inboxId.data()),
                              nullptr, 0, &type, inbox.put());
        if (FAILED(hr))
            return hr;
        ComPtr<IMAPIProp> props;
        if (FAILED(inbox.As(props)))
            return E_NOINTERFACE;
        folderId = GetBinaryProp(props.get(), tag);
    } else {
        folderId = GetBinaryProp(store, tag);
    }
    return folderId.empty() ? MAPI_E_NOT_FOUND : S_OK;
}

HRESULT HostSession::OpenEntry(const Binary& entryId, const Binary* storeId, ULONG& objectType,
                               ComPtr<IUnknown>& object) const
{
    if (!m_session)
        return MAPI_E_NOT_INITIALIZED;
    if (storeId && !storeId->empty()) {
        ComPtr<IMsgStore> store;
        const HRESULT hr = OpenStore(*storeId, store);
        if (FAILED(hr))
            return hr;
        return store->OpenEntry(static_cast<ULONG>(entryId.size()),
                                reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data())), nullptr,
                                MAPI_BEST_ACCESS, &objectType, object.put());
    }
    return m_session->OpenEntry(static_cast<ULONG>(entryId.size()),
                                reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data())), nullptr,
                                MAPI_BEST_ACCESS, &objectType, object.put());
}

} // namespace host
