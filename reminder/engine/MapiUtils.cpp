#include "MapiUtils.h"

#include "MapiBuffer.h"
#include "SuppressionRecord.h"
#include "TraceMapi.h"
#include "TraceScope.h"
#include "base/LastError.h"
#include "base/Locale.h"
#include "com/ComPtr.h"

#include <cstdlib>
#include <initializer_list>
#include <cstring>
#include <limits>

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int HexValue(unsigned c)
{
    if (c >= '0' && c <= '9')
        return int(c - '0');
    if (c >= 'a' && c <= 'f')
        return int(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return int(c - 'A' + 10);
    return -1;
}

// Pairs of hex digits into out (size length / 2); false at the first character that is none.
template <class Char>
bool HexPairsToBytes(const Char* text, std::size_t length, BYTE* out)
{
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        const int high = HexValue(static_cast<unsigned>(text[i]));
        const int low = HexValue(static_cast<unsigned>(text[i + 1]));
        if (high < 0 || low < 0)
            return false;
        out[i / 2] = static_cast<BYTE>(high << 4 | low);
    }
    return true;
}

// Length of the first n dot-separated components: up to the dot that makes the count reach n,
// or the whole text.
template <class Char>
int ComponentsLength(const Char* text, ULONG n)
{
    ULONG dots = 0;
    int i = 0;
    for (; text[i]; ++i) {
        if (text[i] == Char('.') && ++dots == n)
            break;
    }
    return i;
}

HRESULT OutOfMemory()
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return HRESULT(0x80070000 | GetLastError());
}

ULONG SwitchStringType(ULONG tag, bool toUnicode)
{
    const ULONG type = PROP_TYPE(tag);
    if (toUnicode) {
        if (type == PT_STRING8)
            return CHANGE_PROP_TYPE(tag, PT_UNICODE);
        if (type == PT_MV_STRING8)
            return CHANGE_PROP_TYPE(tag, PT_MV_UNICODE);
    } else {
        if (type == PT_UNICODE)
            return CHANGE_PROP_TYPE(tag, PT_STRING8);
        if (type == PT_MV_UNICODE)
            return CHANGE_PROP_TYPE(tag, PT_MV_STRING8);
    }
    return tag;
}

// Inserts a copy of row at position pos (0..count) of the cached set; the set is unchanged
// when that fails.
HRESULT InsertRowCopy(const SRow& row, ULONG pos, SRowSet** rows)
{
    HRESULT hr = S_OK;
    const ULONG count = *rows ? (*rows)->cRows : 0;
    LPSRowSet newRows = nullptr;
    LPSPropValue copy = nullptr;
    if (count == std::numeric_limits<ULONG>::max() / sizeof(SRow)) {
        hr = MAPI_E_NOT_ENOUGH_MEMORY;
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        goto Exit;
    }
    hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(count + 1)), reinterpret_cast<LPVOID*>(&newRows));
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        goto Exit;
    }
    std::memset(newRows, 0, CbNewSRowSet(count + 1));
    hr = ScDupPropset(static_cast<int>(row.cValues), row.lpProps, MAPIAllocateBuffer, &copy);
    if (FAILED(hr)) {
        TRACE_FAILED(ScDupPropset, hr);
        goto Exit;
    }
    for (ULONG i = 0; i < pos; ++i)
        newRows->aRow[i] = (*rows)->aRow[i];
    newRows->aRow[pos].cValues = row.cValues;
    newRows->aRow[pos].lpProps = std::exchange(copy, nullptr);
    for (ULONG i = pos; i < count; ++i)
        newRows->aRow[i + 1] = (*rows)->aRow[i];
    newRows->cRows = count + 1;
    // The rows' property blocks move over; only the old set block goes.
    MAPIFreeBuffer(*rows);
    *rows = std::exchange(newRows, nullptr);
Exit:
    MAPIFreeBuffer(newRows);
    MAPIFreeBuffer(copy);
    return hr;
}

bool SameEntry(IMsgStore* store, const SBinary& a, const SBinary& b)
{
    if (CompareSBinary(&a, &b) == 0)
        return true;
    ULONG result = FALSE;
    return store &&
           SUCCEEDED(store->CompareEntryIDs(a.cb, reinterpret_cast<LPENTRYID>(a.lpb), b.cb,
                                            reinterpret_cast<LPENTRYID>(b.lpb), 0, &result)) &&
           result;
}

// The parts of a store that the two suppression operations share: the Inbox's values of the
// asked tags (the Reminders folder's entry ID first), the Inbox's entry ID, and the Reminders
// search folder with its criteria.
struct RemindersFolder {
    CMapiBuffer<ENTRYID> inboxId;
    ULONG cbInboxId = 0;
    CMapiBuffer<SPropValue> inboxProps;
    ULONG inboxValues = 0;
    ComPtr<IMAPIFolder> folder;
    CMapiBuffer<SRestriction> restriction;
    CMapiBuffer<ENTRYLIST> containers;
    ULONG searchState = 0;
    bool found = false; // the Inbox names the Reminders folder
};

ULONG RemindersTag(IMsgStore* store)
{
    return IsOnline(store) ? PR_REM_OFFLINE_ENTRYID : PR_REM_ONLINE_ENTRYID;
}

// Steps that find and read the Reminders folder: the Inbox's values of the folder's tag (offline
// or online) and of up to three more tags, the Reminders folder and its search criteria.
HRESULT OpenRemindersFolder(IMsgStore* store, std::initializer_list<ULONG> moreTags, RemindersFolder& rf)
{
    HRESULT hr = S_OK;
    ULONG objType = 0;
    ComPtr<IUnknown> unknown;
    ComPtr<IMAPIProp> inbox;
    SizedSPropTagArray(4, inboxTags) = {1, {0}};
    if (!store || moreTags.size() > 3)
        return E_INVALIDARG;
    const ULONG remindersTag = inboxTags.aulPropTag[0] = RemindersTag(store);
    for (ULONG tag : moreTags)
        inboxTags.aulPropTag[inboxTags.cValues++] = tag;
    LPSPropTagArray tags = reinterpret_cast<LPSPropTagArray>(&inboxTags);

    hr = store->GetReceiveFolder(nullptr, 0, &rf.cbInboxId, rf.inboxId.put(), nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(GetReceiveFolder, hr);
        return hr;
    }
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Inbox EID: ");
    TraceBinary(rf.cbInboxId, reinterpret_cast<const BYTE*>(rf.inboxId.get()));
    hr = store->OpenEntry(rf.cbInboxId, rf.inboxId.get(), nullptr, MAPI_MODIFY, &objType, unknown.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    hr = unknown.As(inbox);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    hr = inbox->GetProps(tags, 0, &rf.inboxValues, rf.inboxProps.put());
    inbox = nullptr;
    unknown = nullptr;
    if (FAILED(hr)) {
        TRACE_FAILED(GetProps, hr);
        return hr;
    }
    if (!rf.inboxProps || rf.inboxValues < 1 || rf.inboxProps->ulPropTag != remindersTag)
        return hr; // no Reminders folder in this store: nothing to change

    rf.found = true;
    hr = store->OpenEntry(rf.inboxProps->Value.bin.cb, reinterpret_cast<LPENTRYID>(rf.inboxProps->Value.bin.lpb),
                          nullptr, MAPI_MODIFY, &objType, unknown.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    hr = unknown.As(rf.folder);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    hr = rf.folder->GetSearchCriteria(0, rf.restriction.put(), rf.containers.put(), &rf.searchState);
    if (FAILED(hr))
        TRACE_FAILED(GetSearchCriteria, hr);
    return hr;
}

// One entry ID of the store (GetProps of its tag); E_FAIL when no value comes back (traced with
// `missing`) or one under another tag, such as an error value (traced with `otherTag`).
HRESULT StoreEntryId(IMsgStore* store, ULONG tag, CMapiBuffer<SPropValue>& value, const char* missing,
                     const char* otherTag)
{
    ULONG count = 0;
    SizedSPropTagArray(1, tags) = {1, {tag}};
    HRESULT hr = store->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, value.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetProps, hr);
        return hr;
    }
    if (!value || count < 1) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, missing, hr);
    } else if (value->ulPropTag != tag) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, otherTag, hr);
    }
    return hr;
}

HRESULT StoreRecordKeyHex(IMsgStore* store, std::string& hex)
{
    CMapiBuffer<SPropValue> key;
    HRESULT hr = HrGetOneProp(store, PR_RECORD_KEY, key.put());
    if (FAILED(hr)) {
        TRACE_FAILED(HrGetOneProp, hr);
        return hr;
    }
    if (key->Value.bin.cb == 0) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "PR_RECORD_KEY is empty. failed hr=0x%08lx\n", hr);
        return hr;
    }
    hex = HexString(key->Value.bin.cb, key->Value.bin.lpb);
    return hr;
}

// The saved containers that still name folders of the store.
std::vector<SBinary> ExistingFolders(IMsgStore* store, std::vector<CSuppressionRecord::Binary>& saved)
{
    std::vector<SBinary> list;
    for (auto& eid : saved) {
        ULONG objType = 0;
        ComPtr<IUnknown> folder;
        if (SUCCEEDED(store->OpenEntry(static_cast<ULONG>(eid.size()), reinterpret_cast<LPENTRYID>(eid.data()),
                                       nullptr, 0, &objType, folder.put())) &&
            objType == MAPI_FOLDER)
            list.push_back(SBinary{static_cast<ULONG>(eid.size()), eid.data()});
        else
            TracePrint(__FILE__, __LINE__, TL_WARNING, "Saved reminder folder scope names a folder that is gone\n");
    }
    return list;
}

} // namespace

HRESULT SBin2bstr(const SBinary* bin, BSTR* text)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("SBin2bstr", &hr);
    if (!bin || !text || (bin->cb && !bin->lpb)) {
        hr = E_INVALIDARG;
        return hr;
    }
    *text = nullptr;
    if (bin->cb > (std::numeric_limits<UINT>::max() - 1) / 2) {
        hr = OutOfMemory();
        TRACE_FAILED(SysAllocStringLen, hr);
        return hr;
    }
    // The work buffer holds 2 x length + 1 characters, the terminator included.
    *text = SysAllocStringLen(nullptr, bin->cb * 2);
    if (!*text) {
        hr = OutOfMemory();
        TRACE_FAILED(SysAllocStringLen, hr);
        return hr;
    }
    for (ULONG i = 0; i < bin->cb; ++i) {
        (*text)[2 * i] = static_cast<OLECHAR>(kHexDigits[bin->lpb[i] >> 4]);
        (*text)[2 * i + 1] = static_cast<OLECHAR>(kHexDigits[bin->lpb[i] & 0xF]);
    }
    return hr;
}

HRESULT bstr2SBin(BSTR text, SBinary* bin)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("bstr2SBin", &hr);
    if (!bin) {
        hr = E_INVALIDARG;
        return hr;
    }
    bin->cb = 0;
    bin->lpb = nullptr;
    const std::size_t cb = SysStringLen(text) / 2;
    BYTE* bytes = nullptr;
    if (cb) {
        bytes = static_cast<BYTE*>(std::malloc(cb));
        if (!bytes) {
            hr = OutOfMemory();
            TRACE_FAILED(malloc, hr);
            return hr;
        }
        if (!HexPairsToBytes(text, cb * 2, bytes)) {
            std::free(bytes);
            hr = E_INVALIDARG;
            TracePrint(__FILE__, __LINE__, TL_ERROR, "Text is no hex key. failed hr=0x%08lx\n", hr);
            return hr;
        }
    }
    bin->cb = static_cast<ULONG>(cb);
    bin->lpb = bytes;
    return hr;
}

HRESULT CopySBinary(const SBinary* source, SBinary* copy)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CopySBinary", &hr);
    if (!source || !copy || (source->cb && !source->lpb)) {
        hr = E_INVALIDARG;
        return hr;
    }
    copy->cb = 0;
    copy->lpb = nullptr;
    if (source->cb) {
        copy->lpb = static_cast<BYTE*>(std::malloc(source->cb));
        if (!copy->lpb) {
            hr = OutOfMemory();
            TRACE_FAILED(malloc, hr);
            return hr;
        }
        std::memcpy(copy->lpb, source->lpb, source->cb);
        copy->cb = source->cb;
    }
    return hr;
}

SBinary* FreeSBinary(SBinary* bin)
{
    if (bin) {
        std::free(bin->lpb);
        bin->lpb = nullptr;
        bin->cb = 0;
    }
    return bin;
}

int CompareSBinary(const SBinary* bin1, const SBinary* bin2)
{
    return CompareBinary(bin1 ? bin1->cb : 0, bin1 ? bin1->lpb : nullptr, bin2 ? bin2->cb : 0,
                         bin2 ? bin2->lpb : nullptr);
}

int CompareBinary(ULONG cb1, const BYTE* pb1, ULONG cb2, const BYTE* pb2)
{
    if (cb1 != cb2)
        return static_cast<int>(static_cast<long long>(cb1) - static_cast<long long>(cb2));
    if (cb1 == 0)
        return 0;
    return std::memcmp(pb1, pb2, cb1);
}

bool CompareContainerClassA(LPCSTR class1, LPCSTR class2, ULONG n)
{
    if (!class1 || !class2)
        return false;
    const int length = ComponentsLength(class1, n);
    return length == ComponentsLength(class2, n) &&
           CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, class1, length, class2, length) == CSTR_EQUAL;
}

bool CompareContainerClassW(LPCWSTR class1, LPCWSTR class2, ULONG n)
{
    if (!class1 || !class2)
        return false;
    const int length = ComponentsLength(class1, n);
    return length == ComponentsLength(class2, n) &&
           CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, class1, length, class2, length) == CSTR_EQUAL;
}

std::string HexString(ULONG cb, const BYTE* pb)
{
    std::string text(std::size_t(cb) * 2, '0');
    for (ULONG i = 0; i < cb; ++i) {
        text[2 * i] = kHexDigits[pb[i] >> 4];
        text[2 * i + 1] = kHexDigits[pb[i] & 0xF];
    }
    return text;
}

bool ParseHexString(std::string_view text, std::vector<BYTE>& bytes)
{
    bytes.assign(text.size() / 2, 0);
    if (!HexPairsToBytes(text.data(), bytes.size() * 2, bytes.data())) {
        bytes.clear();
        return false;
    }
    return true;
}

void AdjustPropTagArrayCharSet(SPropTagArray* tags, bool toUnicode)
{
    if (!tags)
        return;
    for (ULONG i = 0; i < tags->cValues; ++i)
        tags->aulPropTag[i] = SwitchStringType(tags->aulPropTag[i], toUnicode);
}

void SortOrderSetSwitchStringType(SSortOrderSet* sortOrder, bool toUnicode)
{
    if (!sortOrder)
        return;
    for (ULONG i = 0; i < sortOrder->cSorts; ++i)
        sortOrder->aSort[i].ulPropTag = SwitchStringType(sortOrder->aSort[i].ulPropTag, toUnicode);
}

void FreeRowSet(SRowSet** rows)
{
    if (!rows)
        return;
    FreeProws(*rows);
    *rows = nullptr;
}

bool IsOnline(IMsgStore* store)
{
    if (!store)
        return false;
    CMapiBuffer<SPropValue> offline;
    return SUCCEEDED(HrGetOneProp(store, PR_STORE_OFFLINE, offline.put())) && offline &&
           offline->ulPropTag == PR_STORE_OFFLINE && offline->Value.b != 0;
}

HRESULT DisableDefaultReminders(IMsgStore* store)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("DisableDefaultReminders", &hr);
    RemindersFolder rf;
    CMapiBuffer<SPropValue> storeProps;
    SBinary outbox{};
    ENTRYLIST list{1, &outbox};
    std::string recordKey;
    bool saved = false;

    hr = OpenRemindersFolder(store, {}, rf);
    if (FAILED(hr) || !rf.found)
        goto Exit;
    // Only a value under the Outbox's own tag names the Outbox; an error value does not.
    hr = StoreEntryId(store, PR_IPM_OUTBOX_ENTRYID, storeProps, "GetProps() returned no value. failed hr=0x%08lx\n",
                      "PR_IPM_OUTBOX_ENTRYID != pStoreProp->ulPropTag failed. hr=0x%08lx\n");
    if (FAILED(hr))
        goto Exit;
    outbox = storeProps->Value.bin;

    // Keep what the folder searches before the first suppression; a folder that already searches
    // only the Outbox keeps the record an earlier session left (or has nothing worth keeping).
    hr = StoreRecordKeyHex(store, recordKey);
    if (FAILED(hr))
        goto Exit;
    {
        const CSuppressionRecord record(recordKey);
        const bool searchesOutbox = rf.containers && rf.containers->cValues == 1 &&
                                    SameEntry(store, rf.containers->lpbin[0], outbox);
        if (!record.Exists() && !searchesOutbox) {
            hr = record.Save(rf.containers.get(), rf.searchState);
            if (FAILED(hr)) {
                TRACE_FAILED(Save, hr);
                goto Exit;
            }
            saved = true;
        }
        hr = rf.folder->SetSearchCriteria(rf.restriction.get(), &list, RESTART_SEARCH);
        if (FAILED(hr)) {
            TRACE_FAILED(SetSearchCriteria, hr);
            if (saved)
                record.Remove(); // the scope did not change: nothing to restore
        }
    }
Exit:
    return hr;
}

HRESULT EnableDefaultReminders(IMsgStore* store)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("EnableDefaultReminders", &hr);
    RemindersFolder rf;
    CMapiBuffer<SPropValue> storeProps;
    std::vector<SBinary> list;
    std::vector<CSuppressionRecord::Binary> savedContainers;
    ULONG savedState = 0;
    ULONG flags = RESTART_SEARCH;
    ENTRYLIST entries{};
    std::string recordKey;
    bool fromRecord = false;

    hr = OpenRemindersFolder(store, {PR_IPM_APPOINTMENT_ENTRYID, PR_IPM_TASK_ENTRYID, PR_IPM_CONTACT_ENTRYID}, rf);
    if (FAILED(hr) || !rf.found)
        goto Exit;

    if (SUCCEEDED(StoreRecordKeyHex(store, recordKey))) {
        const CSuppressionRecord record(recordKey);
        const HRESULT load = record.Load(savedContainers, savedState);
        if (SUCCEEDED(load)) {
            list = ExistingFolders(store, savedContainers);
            // A scope whose folders are all gone falls back to the default one.
            fromRecord = !list.empty() || savedContainers.empty();
            flags |= (savedState & SEARCH_RECURSIVE) ? RECURSIVE_SEARCH : SHALLOW_SEARCH;
            flags |= (savedState & SEARCH_FOREGROUND) ? FOREGROUND_SEARCH : BACKGROUND_SEARCH;
            if (!fromRecord)
                flags = RESTART_SEARCH;
        } else if (load == MAPI_E_CORRUPT_DATA) {
            TracePrint(__FILE__, __LINE__, TL_ERROR,
                       "Saved reminder folder scope of store %s is damaged; restoring the default scope. hr=0x%08lx\n",
                       recordKey.c_str(), load);
        }
    }

    if (!fromRecord) {
        list.clear();
        if (!(rf.searchState & SEARCH_RECURSIVE)) {
            // Calendar, Tasks, Inbox, Contacts; a folder the store does not name is left out.
            const SPropValue* p = rf.inboxProps.get();
            const ULONG n = rf.inboxValues;
            if (n > 1 && p[1].ulPropTag == PR_IPM_APPOINTMENT_ENTRYID)
                list.push_back(p[1].Value.bin);
            if (n > 2 && p[2].ulPropTag == PR_IPM_TASK_ENTRYID)
                list.push_back(p[2].Value.bin);
            list.push_back(SBinary{rf.cbInboxId, reinterpret_cast<LPBYTE>(rf.inboxId.get())});
            if (n > 3 && p[3].ulPropTag == PR_IPM_CONTACT_ENTRYID)
                list.push_back(p[3].Value.bin);
        } else {
            hr = StoreEntryId(store, PR_IPM_SUBTREE_ENTRYID, storeProps,
                              "!(pStoreProp && cStoreProp failed. hr=0x%08lx\n",
                              "PR_IPM_SUBTREE_ENTRYID != pStoreProp->ulPropTag failed. hr=0x%08lx\n");
            if (FAILED(hr))
                goto Exit;
            list.push_back(storeProps->Value.bin);
        }
    }

    entries.cValues = static_cast<ULONG>(list.size());
    entries.lpbin = list.data();
    hr = rf.folder->SetSearchCriteria(rf.restriction.get(), &entries, flags);
    if (FAILED(hr)) {
        TRACE_FAILED(SetSearchCriteria, hr);
        goto Exit;
    }
    // The scope is back; a record (also a damaged one) has done its work.
    if (!recordKey.empty()) {
        const CSuppressionRecord record(recordKey);
        if (record.Exists() && FAILED(record.Remove()))
            TracePrint(__FILE__, __LINE__, TL_WARNING, "Saved reminder folder scope could not be removed\n");
    }
Exit:
    return hr;
}

bool HasSuppressionRecord(std::string_view recordKeyHex)
{
    return !recordKeyHex.empty() && CSuppressionRecord(recordKeyHex).Exists();
}

bool HasSuppressionRecord(const SBinary* recordKey)
{
    return recordKey && recordKey->cb && recordKey->lpb && HasSuppressionRecord(HexString(recordKey->cb, recordKey->lpb));
}

HRESULT GetColIndex(ULONG propTag, const SRowSet* rows, ULONG* index)
{
    if (!index)
        return E_INVALIDARG;
    if (!rows || rows->cRows == 0 || !rows->aRow[0].lpProps)
        return MAPI_E_NOT_FOUND;
    const SRow& first = rows->aRow[0];
    for (ULONG i = 0; i < first.cValues; ++i) {
        if (first.lpProps[i].ulPropTag == propTag) {
            *index = i;
            return S_OK;
        }
    }
    return MAPI_E_NOT_FOUND;
}

HRESULT GetRowIndex(const SPropValue* instanceKey, const SRowSet* rows, ULONG* index)
{
    if (!instanceKey || !index)
        return E_INVALIDARG;
    ULONG col = 0;
    HRESULT hr = GetColIndex(PR_INSTANCE_KEY, rows, &col);
    if (FAILED(hr))
        return hr;
    if (instanceKey->ulPropTag != PR_INSTANCE_KEY)
        return MAPI_E_NOT_FOUND;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SRow& row = rows->aRow[i];
        if (col < row.cValues && row.lpProps && row.lpProps[col].ulPropTag == PR_INSTANCE_KEY &&
            CompareSBinary(&row.lpProps[col].Value.bin, &instanceKey->Value.bin) == 0) {
            *index = i;
            return S_OK;
        }
    }
    return MAPI_E_NOT_FOUND;
}

HRESULT PropSetAddRow(const TABLE_NOTIFICATION* notification, SRowSet** rows)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("PropSetAddRow", &hr);
    ULONG pos = 0;
    if (!notification || !rows) {
        hr = E_INVALIDARG;
        goto Exit;
    }
    if (notification->propPrior.ulPropTag == PR_NULL) {
        pos = 0;
    } else if (notification->propPrior.ulPropTag == PR_INSTANCE_KEY) {
        if (FAILED(GetRowIndex(&notification->propPrior, *rows, &pos))) {
            // The row before it is not cached: the row is kept all the same.
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "Prior row not cached, appending the new row\n");
            pos = *rows ? (*rows)->cRows : 0;
        }
    } else {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "Unexpected ulPropTag:0x%08lx failed. hr=0x%08lx\n",
                   notification->propPrior.ulPropTag, hr);
        goto Exit;
    }
    hr = InsertRowCopy(notification->row, pos, rows);
Exit:
    return hr;
}

HRESULT PropSetDeleteRow(const TABLE_NOTIFICATION* notification, SRowSet** rows, SRow* removed)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("PropSetDeleteRow", &hr);
    ULONG index = 0;
    if (removed)
        *removed = SRow{};
    if (!notification || !rows) {
        hr = E_INVALIDARG;
        goto Exit;
    }
    hr = GetRowIndex(&notification->propIndex, *rows, &index);
    if (FAILED(hr)) {
        TRACE_FAILED(GetRowIndex, hr);
        goto Exit;
    }
    {
        SRowSet* set = *rows;
        if (removed) {
            removed->cValues = set->aRow[index].cValues;
            removed->lpProps = set->aRow[index].lpProps;
        } else {
            MAPIFreeBuffer(set->aRow[index].lpProps);
        }
        for (ULONG i = index + 1; i < set->cRows; ++i)
            set->aRow[i - 1] = set->aRow[i];
        --set->cRows;
        set->aRow[set->cRows] = SRow{};
    }
Exit:
    return hr;
}

HRESULT PropSetModifyRow(const TABLE_NOTIFICATION* notification, SRowSet** rows)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("PropSetModifyRow", &hr);
    ULONG index = 0;
    LPSPropValue copy = nullptr;
    if (!notification || !rows) {
        hr = E_INVALIDARG;
        goto Exit;
    }
    if (FAILED(GetRowIndex(&notification->propIndex, *rows, &index))) {
        // A row the cache lacks is taken in, so that its later deletion is mirrored too.
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "Modified row not cached, appending it\n");
        hr = InsertRowCopy(notification->row, *rows ? (*rows)->cRows : 0, rows);
        goto Exit;
    }
    hr = ScDupPropset(static_cast<int>(notification->row.cValues), notification->row.lpProps, MAPIAllocateBuffer,
                      &copy);
    if (FAILED(hr)) {
        TRACE_FAILED(ScDupPropset, hr);
        goto Exit;
    }
    {
        SRow& row = (*rows)->aRow[index];
        MAPIFreeBuffer(row.lpProps);
        row.lpProps = copy;
        row.cValues = notification->row.cValues;
    }
Exit:
    return hr;
}
