#include "DefaultFolders.h"

#include "MapiUtils.h"
#include "TraceMapi.h"
#include "TraceScope.h"
#include "com/ComPtr.h"

#include <algorithm>
#include <cstring>

namespace {

// Read from the store, in this order.
SizedSPropTagArray(9, kStoreTags) = {9,
                                     {PR_VALID_FOLDER_MASK, PR_IPM_SUBTREE_ENTRYID, PR_IPM_OUTBOX_ENTRYID,
                                      PR_IPM_WASTEBASKET_ENTRYID, PR_IPM_SENTMAIL_ENTRYID, PR_VIEWS_ENTRYID,
                                      PR_COMMON_VIEWS_ENTRYID, PR_FINDER_ENTRYID, PR_IPM_FAVORITES_ENTRYID}};

// Read from the Inbox, in this order.
SizedSPropTagArray(9, kInboxTags) = {9,
                                     {PR_IPM_APPOINTMENT_ENTRYID, PR_IPM_CONTACT_ENTRYID, PR_IPM_JOURNAL_ENTRYID,
                                      PR_IPM_NOTE_ENTRYID, PR_IPM_TASK_ENTRYID, PR_IPM_DRAFTS_ENTRYID,
                                      PR_REM_OFFLINE_ENTRYID, PR_REM_ONLINE_ENTRYID, PR_ADDITIONAL_REN_ENTRYIDS}};

SizedSPropTagArray(1, kRecordKeyTag) = {1, {PR_RECORD_KEY}};

struct TagType {
    ULONG tag;
    DefaultFolderType type;
};

constexpr TagType kTagTypes[] = {
    {PR_IPM_SUBTREE_ENTRYID, DFT_IPM_SUBTREE},       {PR_IPM_OUTBOX_ENTRYID, DFT_IPM_OUTBOX},
    {PR_IPM_WASTEBASKET_ENTRYID, DFT_IPM_WASTEBASKET}, {PR_IPM_SENTMAIL_ENTRYID, DFT_IPM_SENTMAIL},
    {PR_VIEWS_ENTRYID, DFT_VIEWS},                   {PR_COMMON_VIEWS_ENTRYID, DFT_COMMON_VIEWS},
    {PR_FINDER_ENTRYID, DFT_FINDER},                 {PR_IPM_FAVORITES_ENTRYID, DFT_IPM_FAVORITES},
    {PR_IPM_APPOINTMENT_ENTRYID, DFT_IPM_APPOINTMENT}, {PR_IPM_CONTACT_ENTRYID, DFT_IPM_CONTACT},
    {PR_IPM_JOURNAL_ENTRYID, DFT_IPM_JOURNAL},       {PR_IPM_NOTE_ENTRYID, DFT_IPM_NOTE},
    {PR_IPM_TASK_ENTRYID, DFT_IPM_TASK},             {PR_REM_ONLINE_ENTRYID, DFT_REM_ONLINE},
    {PR_REM_OFFLINE_ENTRYID, DFT_REM_OFFLINE},       {PR_IPM_DRAFTS_ENTRYID, DFT_IPM_DRAFTS},
};

// PR_ADDITIONAL_REN_ENTRYIDS by position.
constexpr DefaultFolderType kAdditionalTypes[] = {DFT_IPM_CONFLICTS, DFT_IPM_SYNC_ISSUS, DFT_IPM_LOCAL_FAILURES,
                                                  DFT_IPM_SERVER_FAILURES, DFT_IPM_JUNK_EMAIL};

// The store-level entry IDs count only when the store marks that folder valid.
struct TagMask {
    ULONG tag;
    ULONG mask;
};
constexpr TagMask kValidBits[] = {
    {PR_IPM_SUBTREE_ENTRYID, FOLDER_IPM_SUBTREE_VALID},   {PR_IPM_OUTBOX_ENTRYID, FOLDER_IPM_OUTBOX_VALID},
    {PR_IPM_WASTEBASKET_ENTRYID, FOLDER_IPM_WASTEBASKET_VALID}, {PR_IPM_SENTMAIL_ENTRYID, FOLDER_IPM_SENTMAIL_VALID},
    {PR_VIEWS_ENTRYID, FOLDER_VIEWS_VALID},               {PR_COMMON_VIEWS_ENTRYID, FOLDER_COMMON_VIEWS_VALID},
    {PR_FINDER_ENTRYID, FOLDER_FINDER_VALID},
};

} // namespace

CDefaultFolders::~CDefaultFolders()
{
    for (ULONG i = 0; i < m_cEntries; ++i)
        MAPIFreeBuffer(m_entries[i].recordKey);
    MAPIFreeBuffer(m_storeProps);
    MAPIFreeBuffer(m_inboxProps);
    MAPIFreeBuffer(m_inboxEntryId.lpb);
}

HRESULT CDefaultFolders::Init(IMsgStore* store)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CDefaultFolders::Init", &hr);
    bool failed = false;
    if (m_initialised)
        return hr;
    m_initialised = true;
    if (!store) {
        hr = MAPI_W_ERRORS_RETURNED;
        return hr;
    }

    {
        const HRESULT hrProps = store->GetProps(reinterpret_cast<LPSPropTagArray>(&kStoreTags), 0, &m_cStoreProps,
                                                &m_storeProps);
        if (FAILED(hrProps)) {
            TRACE_FAILED(GetProps, hrProps);
            failed = true;
            m_cStoreProps = 0;
        } else if (m_storeProps && m_cStoreProps > 0 && m_storeProps[0].ulPropTag == PR_VALID_FOLDER_MASK) {
            m_validFolderMask = m_storeProps[0].Value.ul;
        }
    }

    if (m_validFolderMask & FOLDER_IPM_INBOX_VALID) {
        ULONG cbInbox = 0;
        LPENTRYID inboxId = nullptr;
        HRESULT hrInbox = store->GetReceiveFolder(nullptr, 0, &cbInbox, &inboxId, nullptr);
        if (FAILED(hrInbox)) {
            TRACE_FAILED(GetReceiveFolder, hrInbox);
            failed = true;
        } else {
            m_inboxEntryId.cb = cbInbox;
            m_inboxEntryId.lpb = reinterpret_cast<LPBYTE>(inboxId);
            ULONG objType = 0;
            ComPtr<IUnknown> unknown;
            ComPtr<IMAPIProp> inbox;
            hrInbox = store->OpenEntry(cbInbox, inboxId, nullptr, 0, &objType, unknown.put());
            if (FAILED(hrInbox)) {
                TRACE_FAILED(OpenEntry, hrInbox);
                failed = true;
            } else if (FAILED(hrInbox = unknown.As(inbox))) {
                TRACE_FAILED(QueryInterface, hrInbox);
                failed = true;
            } else {
                hrInbox = inbox->GetProps(reinterpret_cast<LPSPropTagArray>(&kInboxTags), 0, &m_cInboxProps,
                                          &m_inboxProps);
                if (FAILED(hrInbox)) {
                    TRACE_FAILED(GetProps, hrInbox);
                    failed = true;
                    m_cInboxProps = 0;
                }
            }
        }
    }

    AddEntry(&m_rootEntryId, DFT_ROOT);
    for (ULONG i = 0; m_storeProps && i < m_cStoreProps; ++i)
        AddDefaultFolderKey(m_storeProps[i]);
    if (m_inboxEntryId.lpb)
        AddEntry(&m_inboxEntryId, DFT_IPM_INBOX);
    for (ULONG i = 0; m_inboxProps && i < m_cInboxProps; ++i)
        AddDefaultFolderKey(m_inboxProps[i]);
    SetKeys(store);

    hr = failed ? MAPI_W_ERRORS_RETURNED : S_OK;
    return hr;
}

bool CDefaultFolders::IsKeyWanted(ULONG propTag) const
{
    if (PROP_TYPE(propTag) == PT_MV_BINARY)
        return true;
    if (PROP_TYPE(propTag) != PT_BINARY)
        return false;
    for (const auto& v : kValidBits)
        if (v.tag == propTag)
            return (m_validFolderMask & v.mask) != 0;
    return true;
}

void CDefaultFolders::AddDefaultFolderKey(const SPropValue& value)
{
    if (!IsKeyWanted(value.ulPropTag))
        return;
    if (value.ulPropTag == PR_ADDITIONAL_REN_ENTRYIDS) {
        const ULONG n = std::min<ULONG>(value.Value.MVbin.cValues, std::size(kAdditionalTypes));
        for (ULONG i = 0; i < n; ++i)
            if (value.Value.MVbin.lpbin[i].cb != 0)
                AddEntry(&value.Value.MVbin.lpbin[i], kAdditionalTypes[i]);
        return;
    }
    for (const auto& t : kTagTypes)
        if (t.tag == value.ulPropTag) {
            AddEntry(&value.Value.bin, t.type);
            return;
        }
}

void CDefaultFolders::AddEntry(const SBinary* entryId, DefaultFolderType type)
{
    if (m_cEntries >= kMaxEntries)
        return;
    m_entries[m_cEntries].entryId = entryId;
    m_entries[m_cEntries].type = type;
    m_entries[m_cEntries].recordKey = nullptr;
    ++m_cEntries;
}

void CDefaultFolders::SetKeys(IMsgStore* store)
{
    for (ULONG i = 0; i < m_cEntries; ++i) {
        Entry& entry = m_entries[i];
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "EID: ");
        TraceBinary(entry.entryId->cb, entry.entryId->lpb);
        TracePrintRaw(__FILE__, __LINE__, TL_DEBUG, "\n");
        ULONG objType = 0;
        ComPtr<IUnknown> unknown;
        ComPtr<IMAPIProp> folder;
        HRESULT hr = store->OpenEntry(entry.entryId->cb, reinterpret_cast<LPENTRYID>(entry.entryId->lpb), nullptr, 0,
                                      &objType, unknown.put());
        if (FAILED(hr) || FAILED(unknown.As(folder))) {
            TracePrint(__FILE__, __LINE__, TL_WARNING, "Default folder cannot be opened: ");
            TraceBinary(entry.entryId->cb, entry.entryId->lpb);
            TracePrintRaw(__FILE__, __LINE__, TL_WARNING, "\n");
            continue;
        }
        ULONG count = 0;
        LPSPropValue value = nullptr;
        hr = folder->GetProps(reinterpret_cast<LPSPropTagArray>(&kRecordKeyTag), 0, &count, &value);
        if (SUCCEEDED(hr) && value && count == 1 && value->ulPropTag == PR_RECORD_KEY)
            entry.recordKey = value;
        else
            MAPIFreeBuffer(value);
    }
}

HRESULT CDefaultFolders::IsDefaultFolder(ULONG cbKey, const BYTE* pbKey, DefaultFolderType* type) const
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CDefaultFolders::IsDefaultFolder", &hr);
    if (!type) {
        hr = E_INVALIDARG;
        return hr;
    }
    *type = DFT_NONE;
    for (ULONG i = 0; i < m_cEntries; ++i) {
        const LPSPropValue key = m_entries[i].recordKey;
        if (key && CompareBinary(key->Value.bin.cb, key->Value.bin.lpb, cbKey, pbKey) == 0) {
            *type = m_entries[i].type;
            break;
        }
    }
    return hr;
}

HRESULT CDefaultFolders::GetDefaultFolder(DefaultFolderType type, ULONG* cbEntryID, LPENTRYID* entryID) const
{
    HRESULT hr = MAPI_E_NOT_FOUND;
    TRACE_FUNC("CDefaultFolders::GetDefaultFolder", &hr);
    if (!cbEntryID || !entryID) {
        hr = E_INVALIDARG;
        return hr;
    }
    *cbEntryID = 0;
    *entryID = nullptr;
    for (ULONG i = 0; i < m_cEntries; ++i) {
        const Entry& entry = m_entries[i];
        if (entry.type != type || !entry.entryId)
            continue;
        LPVOID copy = nullptr;
        // One byte at least, so that the empty root entry ID is a buffer too.
        hr = MAPIAllocateBuffer(std::max<ULONG>(entry.entryId->cb, 1), &copy);
        if (FAILED(hr)) {
            TRACE_FAILED(MAPIAllocateBuffer, hr);
            return hr;
        }
        if (entry.entryId->cb)
            std::memcpy(copy, entry.entryId->lpb, entry.entryId->cb);
        *cbEntryID = entry.entryId->cb;
        *entryID = static_cast<LPENTRYID>(copy);
        hr = S_OK;
        break;
    }
    return hr;
}
