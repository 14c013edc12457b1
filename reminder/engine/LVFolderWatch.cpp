// The watch side of CLVFolder: the restricted contents table of a reminder folder, its
// notifications, and the copies of its items in the engine's back folder.
#include "LVFolder.h"

#include "BackFolderItem.h"
#include "EqualityRestriction.h"
#include "HostUtils.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "ModelHelpers.h"
#include "TraceMapi.h"
#include "base/Utf.h"

#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using BackFolderItem::Name;

// Columns of the watched table, in this order.
enum WatchColumn : ULONG { COL_INSTANCE_KEY, COL_SUBJECT, COL_ENTRYID, COL_RECORD_KEY, WATCH_COLUMN_COUNT };

// The source properties a new copy takes, by position of the copy's ten names (PT_NULL where
// the value comes from elsewhere).
SizedSPropTagArray(10, kCopyTags) = {10,
                                     {PR_MESSAGE_CLASS_A, PR_ENTRYID, PR_PARENT_ENTRYID, PR_STORE_ENTRYID,
                                      PROP_TAG(PT_NULL, 0), PROP_TAG(PT_NULL, 0), PROP_TAG(PT_NULL, 0), PR_RECORD_KEY,
                                      PROP_TAG(PT_NULL, 0), PR_STORE_RECORD_KEY}};
constexpr Name kCopyNames[] = {Name::ItemMessageClass, Name::LVEntryID,    Name::LVFolderID,
                               Name::LVStoreID,        Name::FolderName,   Name::StoreName,
                               Name::LumivaneItem,     Name::LVRecordKey,  Name::LVFolderRecordKey,
                               Name::LVStoreRecordKey};

// The same for an update: every name but LumivaneItem, which is written only once.
SizedSPropTagArray(9, kUpdateTags) = {9,
                                      {PR_MESSAGE_CLASS_A, PR_ENTRYID, PR_PARENT_ENTRYID, PR_STORE_ENTRYID,
                                       PROP_TAG(PT_NULL, 0), PROP_TAG(PT_NULL, 0), PR_RECORD_KEY, PROP_TAG(PT_NULL, 0),
                                       PR_STORE_RECORD_KEY}};
constexpr Name kUpdateNames[] = {Name::ItemMessageClass, Name::LVEntryID,  Name::LVFolderID,
                                 Name::LVStoreID,        Name::FolderName, Name::StoreName,
                                 Name::LVRecordKey,      Name::LVFolderRecordKey, Name::LVStoreRecordKey};

SizedSPropTagArray(2, kFolderKeyTags) = {2, {PR_STORE_RECORD_KEY, PR_RECORD_KEY}};

const SPropValue* FindValue(const SRow& row, ULONG tag)
{
    return row.lpProps ? PpropFindProp(row.lpProps, row.cValues, tag) : nullptr;
}

std::vector<NamedProp> Props(std::span<const Name> names)
{
    std::vector<NamedProp> props;
    for (Name n : names)
        props.push_back(CopyProp(n));
    return props;
}

std::string KeyText(const SBinary& bin)
{
    return std::string(reinterpret_cast<const char*>(bin.lpb), bin.cb);
}

HRESULT DeleteCopies(IMAPIFolder* backFolder, std::vector<CBackFolderCopies::Bytes>& entryIds)
{
    if (entryIds.empty())
        return S_OK;
    std::vector<SBinary> list;
    for (auto& id : entryIds)
        list.push_back(SBinary{static_cast<ULONG>(id.size()), id.data()});
    ENTRYLIST entries{static_cast<ULONG>(list.size()), list.data()};
    const HRESULT hr = backFolder->DeleteMessages(&entries, 0, nullptr, 0);
    if (FAILED(hr))
        TRACE_FAILED(DeleteMessages, hr);
    return hr;
}

// The named values of a copy: each source value that came back takes the named tag of its
// position; the folder's and store's names, the folder's record key and (for a new copy)
// LumivaneItem are set here. Values without a tag are left out.
void FillNamedValues(LPSPropValue values, ULONG count, const LPSPropTagArray tags, std::span<const Name> names,
                     const std::string& folderName, const std::string& storeName, const SBinary* folderKey,
                     std::vector<SPropValue>& out)
{
    out.clear();
    for (ULONG i = 0; i < count && i < names.size(); ++i) {
        const ULONG named = tags->aulPropTag[i];
        if (PROP_TYPE(named) == PT_ERROR)
            continue;
        SPropValue v = values[i];
        switch (names[i]) {
        case Name::FolderName:
            v.ulPropTag = CHANGE_PROP_TYPE(named, PT_STRING8);
            v.Value.lpszA = const_cast<LPSTR>(folderName.c_str());
            break;
        case Name::StoreName:
            v.ulPropTag = CHANGE_PROP_TYPE(named, PT_STRING8);
            v.Value.lpszA = const_cast<LPSTR>(storeName.c_str());
            break;
        case Name::LumivaneItem:
            v.ulPropTag = CHANGE_PROP_TYPE(named, PT_BOOLEAN);
            v.Value.b = 1;
            break;
        case Name::LVFolderRecordKey:
            if (!folderKey)
                continue;
            v.ulPropTag = CHANGE_PROP_TYPE(named, PT_BINARY);
            v.Value.bin = *folderKey;
            break;
        default:
            if (PROP_TYPE(v.ulPropTag) == PT_ERROR)
                continue; // the item lacks it: not written
            v.ulPropTag = CHANGE_PROP_TYPE(named, PROP_TYPE(v.ulPropTag));
            break;
        }
        out.push_back(v);
    }
}

} // namespace

void CLVFolder::ReleaseWatch()
{
    m_copies.Close();
}

HRESULT CLVFolder::GetRestriction(LPSRestriction* restriction)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::GetRestriction", &hr);
    CMapiBuffer<SPropTagArray> tags;
    CMapiBuffer<SRestriction> res;
    LPVOID more = nullptr;
    const NamedProp names[] = {{&PSETID_Common, kPidLidReminderSet, nullptr, PT_BOOLEAN},
                               {&PSETID_Appointment, kPidLidRecurring, nullptr, PT_BOOLEAN}};
    *restriction = nullptr;
    hr = ResolveNamedProps(m_folder.get(), names, MAPI_CREATE, tags.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    const ULONG reminderSet = tags->aulPropTag[0];
    const ULONG recurring = tags->aulPropTag[1];
    // One block: the root, its two terms, the recurrence's two terms, two TRUE values.
    hr = MAPIAllocateBuffer(sizeof(SRestriction), reinterpret_cast<LPVOID*>(res.put()));
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        return hr;
    }
    hr = MAPIAllocateMore(sizeof(SRestriction) * 4 + sizeof(SPropValue) * 2, res.get(), &more);
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateMore, hr);
        return hr;
    }
    {
        auto* terms = static_cast<LPSRestriction>(more);
        auto* values = reinterpret_cast<LPSPropValue>(terms + 4);
        std::memset(more, 0, sizeof(SRestriction) * 4 + sizeof(SPropValue) * 2);
        values[0].ulPropTag = reminderSet;
        values[0].Value.b = 1;
        values[1].ulPropTag = recurring;
        values[1].Value.b = 1;
        // Reminder set, or a recurrence.
        res->rt = RES_OR;
        res->res.resOr = {2, &terms[0]};
        terms[0].rt = RES_PROPERTY;
        terms[0].res.resProperty = {RELOP_EQ, reminderSet, &values[0]};
        terms[1].rt = RES_AND;
        terms[1].res.resAnd = {2, &terms[2]};
        terms[2].rt = RES_EXIST;
        terms[2].res.resExist.ulPropTag = recurring;
        terms[3].rt = RES_PROPERTY;
        terms[3].res.resProperty = {RELOP_EQ, recurring, &values[1]};
    }
    *restriction = res.release();
    return hr;
}

HRESULT CLVFolder::Advise(IReminderEngine* pEngine)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::Advise", &hr);
    CMapiBuffer<SRestriction> restriction;
    NOTIFICATION restrictDone{};
    if (!pEngine) {
        hr = E_INVALIDARG;
        return hr;
    }
    if (!m_folder) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pFolder == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    if (m_table) {
        // Watched already: start again, so that one table and one connection stay.
        hr = Unadvise();
        if (FAILED(hr)) {
            TRACE_FAILED(Unadvise, hr);
            return hr;
        }
    }
    m_engine = pEngine;

    {
        SizedSPropTagArray(WATCH_COLUMN_COUNT, columns) = {
            WATCH_COLUMN_COUNT, {PR_INSTANCE_KEY, PR_SUBJECT_W, PR_ENTRYID, PR_RECORD_KEY}};
        hr = m_folder->GetContentsTable(MAPI_UNICODE, m_table.put());
        if (FAILED(hr)) {
            columns.aulPropTag[COL_SUBJECT] = PR_SUBJECT_A;
            hr = m_folder->GetContentsTable(0, m_table.put());
        }
        if (FAILED(hr)) {
            TRACE_FAILED(GetContentsTable, hr);
            goto Exit;
        }
        hr = m_table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
        if (FAILED(hr)) {
            TRACE_FAILED(SetColumns, hr);
            goto Exit;
        }
    }
    hr = GetRestriction(restriction.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetRestriction, hr);
        goto Exit;
    }
    hr = m_table->Restrict(restriction.get(), 0);
    if (FAILED(hr)) {
        TRACE_FAILED(Restrict, hr);
        goto Exit;
    }

    // Bring the copies in step at once.
    restrictDone.ulEventType = fnevTableModified;
    restrictDone.info.tab.ulTableEvent = TABLE_RESTRICT_DONE;
    OnNotify(1, &restrictDone);

    hr = m_table->Advise(fnevTableModified, static_cast<IMAPIAdviseSink*>(this), &m_connection);
    if (FAILED(hr)) {
        TRACE_FAILED(Advise, hr);
        m_connection = 0;
        goto Exit;
    }

Exit:
    if (FAILED(hr)) {
        m_table = nullptr;
        m_engine = nullptr;
        ReleaseWatch();
    }
    return hr;
}

HRESULT CLVFolder::Unadvise()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::Unadvise", &hr);
    if (m_table) {
        if (m_connection) {
            hr = m_table->Unadvise(m_connection);
            if (FAILED(hr)) {
                TRACE_FAILED(Unadvise, hr);
                return hr;
            }
            m_connection = 0;
        }
        m_table = nullptr;
    }
    m_engine = nullptr;
    ReleaseWatch();
    return hr;
}

ULONG CLVFolder::OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications)
{
    TRACE_PROC("CLVFolder::OnNotify");
    // The folder must outlive the handling, whatever the engine does meanwhile.
    ComPtr<ILVFolder> self(this);
    for (ULONG i = 0; lpNotifications && i < cNotif; ++i) {
        if (lpNotifications[i].ulEventType != fnevTableModified)
            continue;
        TABLE_NOTIFICATION* table = &lpNotifications[i].info.tab;
        HRESULT hr = S_OK;
        switch (table->ulTableEvent) {
        case TABLE_ROW_ADDED:
            PropSetAddRow(table, &m_rows);
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "*** Added row *** \n");
            TraceRow(&table->row);
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "*** New Rowset *** \n");
            TraceRowSet(m_rows);
            hr = AddToBackFolder(table->row);
            if (FAILED(hr))
                TRACE_FAILED(AddToBackFolder, hr);
            break;
        case TABLE_ROW_DELETED: {
            SRow removed{};
            PropSetDeleteRow(table, &m_rows, &removed);
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "*** Deleted row *** \n");
            TraceRow(&removed);
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "*** New Rowset *** \n");
            TraceRowSet(m_rows);
            hr = RemoveFromBackFolder(removed);
            if (FAILED(hr))
                TRACE_FAILED(RemoveFromBackFolder, hr);
            MAPIFreeBuffer(removed.lpProps);
            break;
        }
        case TABLE_ROW_MODIFIED:
            PropSetModifyRow(table, &m_rows);
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "*** Modified row *** \n");
            TraceRow(&table->row);
            hr = ModifyInBackFolder(table->row);
            if (FAILED(hr))
                TRACE_FAILED(ModifyInBackFolder, hr);
            break;
        case TABLE_CHANGED:
        case TABLE_RESTRICT_DONE:
        case TABLE_RELOAD:
            hr = ReReadContentsTable();
            if (FAILED(hr)) {
                // Without all rows the rewrite would delete copies of items that still exist.
                TRACE_FAILED(ReReadContentsTable, hr);
                break;
            }
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "*** New Rowset *** \n");
            TraceRowSet(m_rows);
            hr = RewriteInBackFolder(m_rows);
            if (FAILED(hr))
                TRACE_FAILED(RewriteInBackFolder, hr);
            break;
        default: // TABLE_ERROR, TABLE_SORT_DONE, TABLE_SETCOL_DONE
            break;
        }
    }
    return 0;
}

HRESULT CLVFolder::ReReadContentsTable()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::ReReadContentsTable", &hr);
    FreeRowSet(&m_rows);
    if (!m_table) {
        hr = MAPI_E_NOT_INITIALIZED;
        return hr;
    }
    // From the first row, wherever an earlier read left the table.
    hr = ReadTableRows(m_table.get(), &m_rows);
    return hr;
}

HRESULT CLVFolder::GetBackFolder(IMAPIFolder** folder)
{
    HRESULT hr = S_OK;
    ComPtr<ILVFolder> backFolder;
    ComPtr<IUnknown> unknown;
    *folder = nullptr;
    if (m_engine)
        hr = m_engine->get_BackFolder(backFolder.put());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "get_Backfolder() failed. hr=0x%08lx\n", hr);
        return hr;
    }
    if (!backFolder) {
        hr = MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pBackFolder == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = backFolder->get_MAPIFolder(unknown.put());
    if (SUCCEEDED(hr) && !unknown)
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(get_MAPIFolder, hr);
        return hr;
    }
    hr = unknown->QueryInterface(IID_IMAPIFolder, reinterpret_cast<void**>(folder));
    if (FAILED(hr))
        TRACE_FAILED(QueryInterface, hr);
    return hr;
}

HRESULT CLVFolder::OpenSourceItem(const SRow& row, IMessage** message)
{
    HRESULT hr = S_OK;
    ComPtr<IUnknown> unknown;
    ULONG objType = 0;
    *message = nullptr;
    const SPropValue* entryId = FindValue(row, PR_ENTRYID);
    if (!entryId) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pSrcMsgEID == NULL failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = m_folder->OpenEntry(entryId->Value.bin.cb, reinterpret_cast<LPENTRYID>(entryId->Value.bin.lpb), nullptr, 0,
                             &objType, unknown.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    if (objType != MAPI_MESSAGE) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "ulObjType != MAPI_MESSAGE  failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = unknown->QueryInterface(IID_IMessage, reinterpret_cast<void**>(message));
    if (FAILED(hr))
        TRACE_FAILED(QueryInterface, hr);
    return hr;
}

HRESULT CLVFolder::AppendPropTag(LPSPropTagArray* tags, ULONG tag)
{
    HRESULT hr = S_OK;
    const ULONG count = *tags ? (*tags)->cValues : 0;
    LPSPropTagArray grown = nullptr;
    hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(count + 1)), reinterpret_cast<LPVOID*>(&grown));
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        return hr;
    }
    grown->cValues = count + 1;
    for (ULONG i = 0; i < count; ++i)
        grown->aulPropTag[i] = (*tags)->aulPropTag[i];
    grown->aulPropTag[count] = tag;
    MAPIFreeBuffer(*tags);
    *tags = grown;
    return hr;
}

HRESULT CLVFolder::GetNamedPropValue(IMessage* message, LPSPropValue* value)
{
    HRESULT hr = S_OK;
    CMapiBuffer<SPropTagArray> tags;
    const NamedProp signal[] = {{&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME}};
    *value = nullptr;
    hr = ResolveNamedProps(message, signal, 0, tags.put());
    if (FAILED(hr) || PROP_TYPE(tags->aulPropTag[0]) == PT_ERROR) {
        hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
        return hr;
    }
    hr = HrGetOneProp(message, tags->aulPropTag[0], value);
    return hr;
}

HRESULT CLVFolder::SetNamedValues(IMessage* copy, LPSPropValue values, ULONG count, LPSPropTagArray tags,
                                  std::span<const BackFolderItem::Name> names)
{
    ComBstr storeName;
    std::vector<SPropValue> named;
    const SPropValue* folderKey = FolderProp(IDX_FOLDER_RECORD_KEY, PR_RECORD_KEY);
    if (m_store)
        m_store->get_Name(storeName.put());
    const std::string folderName = NameText();
    const std::string store =
        storeName ? platform::Utf16ToUtf8(std::u16string_view(storeName.get(), storeName.Length())) : std::string();
    FillNamedValues(values, count, tags, names, folderName, store, folderKey ? &folderKey->Value.bin : nullptr, named);
    return copy->SetProps(static_cast<ULONG>(named.size()), named.data(), nullptr);
}

HRESULT CLVFolder::CreateCopy(IMessage* source, IMAPIFolder* backFolder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::CreateCopy", &hr);
    ComPtr<IMessage> copy;
    CMapiBuffer<SPropValue> values;
    ULONG count = 0;
    CMapiBuffer<SPropTagArray> tags;
    SizedSPropTagArray(1, exclude) = {1, {PR_MESSAGE_ATTACHMENTS}};
    const auto names = Props(kCopyNames);

    hr = backFolder->CreateMessage(nullptr, MAPI_ASSOCIATED, copy.put());
    if (FAILED(hr)) {
        TRACE_FAILED(CreateMessage, hr);
        return hr;
    }
    hr = source->CopyTo(0, nullptr, reinterpret_cast<LPSPropTagArray>(&exclude), 0, nullptr, &IID_IMessage,
                        copy.get(), 0, nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(CopyTo, hr);
        return hr; // released unsaved: no partial copy
    }
    hr = source->GetProps(reinterpret_cast<LPSPropTagArray>(&kCopyTags), 0, &count, values.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetProps, hr);
        return hr;
    }
    hr = ResolveNamedProps(copy.get(), names, MAPI_CREATE, tags.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    hr = SetNamedValues(copy.get(), values.get(), count, tags.get(), kCopyNames);
    if (FAILED(hr)) {
        TRACE_FAILED(SetProps, hr);
        return hr;
    }
    {
        const HRESULT hrDue = EnsureFlagDueBy(copy.get());
        if (FAILED(hrDue))
            TracePrint(__FILE__, __LINE__, TL_WARNING, "EnsureFlagDueBy() failed. hr=0x%08lx\n", hrDue);
    }
    hr = copy->SaveChanges(0);
    if (FAILED(hr))
        TRACE_FAILED(SaveChanges, hr);
    return hr;
}

HRESULT CLVFolder::UpdateCopy(IMessage* source, IMAPIFolder* backFolder, const SBinary& copyEntryId)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::UpdateCopy", &hr);
    ComPtr<IUnknown> unknown;
    ComPtr<IMessage> copy;
    ULONG objType = 0;
    CMapiBuffer<SPropValue> values;
    ULONG count = 0;
    CMapiBuffer<SPropTagArray> tags;
    CMapiBuffer<SPropTagArray> exclude;
    CMapiBuffer<SPropTagArray> sourceTags;
    CMapiBuffer<SPropValue> recurring;
    CMapiBuffer<SPropValue> savedSignal;
    const auto names = Props(kUpdateNames);
    const NamedProp sourceNames[] = {{&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME},
                                     {&PSETID_Appointment, kPidLidRecurring, nullptr, PT_BOOLEAN}};

    hr = source->GetProps(reinterpret_cast<LPSPropTagArray>(&kUpdateTags), 0, &count, values.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetProps, hr);
        return hr;
    }
    hr = ResolveNamedProps(backFolder, names, MAPI_CREATE, tags.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    hr = backFolder->OpenEntry(copyEntryId.cb, reinterpret_cast<LPENTRYID>(copyEntryId.lpb), nullptr, MAPI_MODIFY,
                               &objType, unknown.put());
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    hr = unknown.As(copy);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }

    // A recurring item keeps the signal time its copy has (a snoozed occurrence).
    hr = AppendPropTag(exclude.put(), PR_MESSAGE_ATTACHMENTS);
    if (FAILED(hr))
        return hr;
    if (SUCCEEDED(ResolveNamedProps(source, sourceNames, 0, sourceTags.put())) &&
        PROP_TYPE(sourceTags->aulPropTag[1]) != PT_ERROR &&
        SUCCEEDED(HrGetOneProp(source, sourceTags->aulPropTag[1], recurring.put())) &&
        PROP_TYPE(recurring->ulPropTag) == PT_BOOLEAN && recurring->Value.b) {
        if (PROP_TYPE(sourceTags->aulPropTag[0]) != PT_ERROR) {
            hr = AppendPropTag(exclude.put(), sourceTags->aulPropTag[0]);
            if (FAILED(hr))
                return hr;
        }
        if (FAILED(GetNamedPropValue(copy.get(), savedSignal.put())))
            savedSignal.Free();
    }

    hr = source->CopyTo(0, nullptr, exclude.get(), 0, nullptr, &IID_IMessage, copy.get(), 0, nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(CopyTo, hr);
        return hr;
    }
    hr = SetNamedValues(copy.get(), values.get(), count, tags.get(), kUpdateNames);
    if (FAILED(hr)) {
        TRACE_FAILED(SetProps, hr);
        return hr;
    }
    hr = copy->SaveChanges(KEEP_OPEN_READWRITE);
    if (FAILED(hr)) {
        TRACE_FAILED(SaveChanges, hr);
        return hr;
    }
    if (savedSignal) {
        CMapiBuffer<SPropTagArray> copyTags;
        const NamedProp signal[] = {sourceNames[0]};
        hr = ResolveNamedProps(copy.get(), signal, 0, copyTags.put());
        if (SUCCEEDED(hr) && PROP_TYPE(copyTags->aulPropTag[0]) != PT_ERROR) {
            savedSignal->ulPropTag = copyTags->aulPropTag[0];
            hr = HrSetOneProp(copy.get(), savedSignal.get());
            if (FAILED(hr)) {
                TRACE_FAILED(HrSetOneProp, hr);
                return hr;
            }
            hr = copy->SaveChanges(0);
            if (FAILED(hr))
                TRACE_FAILED(SaveChanges, hr);
        } else {
            hr = S_OK;
        }
    }
    return hr;
}

HRESULT CLVFolder::FindItemCopies(const SRow& row, IMessage** source, IMAPIFolder** backFolder,
                                  std::vector<CBackFolderCopies::Bytes>& copies)
{
    HRESULT hr = S_OK;
    CMapiBuffer<SPropValue> keys;
    ULONG count = 0;
    copies.clear();
    if (FAILED(hr = OpenSourceItem(row, source)))
        return hr;
    if (FAILED(hr = GetBackFolder(backFolder)))
        return hr;
    hr = (*source)->GetProps(reinterpret_cast<LPSPropTagArray>(&kFolderKeyTags), 0, &count, keys.put());
    if (FAILED(hr) || count != 2 || keys.get()[0].ulPropTag != PR_STORE_RECORD_KEY ||
        keys.get()[1].ulPropTag != PR_RECORD_KEY) {
        hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "The item has no record keys. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = m_copies.Find(*backFolder, keys.get()[0].Value.bin, keys.get()[1].Value.bin, nullptr, copies);
    if (FAILED(hr))
        TRACE_FAILED(Find, hr);
    return hr;
}

HRESULT CLVFolder::AddToBackFolder(const SRow& row)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::AddToBackFolder", &hr);
    ComPtr<IMessage> source;
    ComPtr<IMAPIFolder> backFolder;
    std::vector<CBackFolderCopies::Bytes> copies;

    // An item whose copy exists (a copy of an earlier run, or of the folder it was moved from)
    // keeps that copy, brought up to date under this folder.
    hr = FindItemCopies(row, source.put(), backFolder.put(), copies);
    if (hr == MAPI_E_NOT_FOUND && source && backFolder)
        hr = S_OK; // an item without keys can only be copied anew
    if (FAILED(hr))
        return hr;
    if (copies.empty())
        return hr = CreateCopy(source.get(), backFolder.get());

    SBinary first{static_cast<ULONG>(copies.front().size()), copies.front().data()};
    hr = UpdateCopy(source.get(), backFolder.get(), first);
    if (FAILED(hr)) {
        TRACE_FAILED(UpdateCopy, hr);
        return hr;
    }
    // One copy per item.
    copies.erase(copies.begin());
    hr = DeleteCopies(backFolder.get(), copies);
    return hr;
}

HRESULT CLVFolder::RemoveFromBackFolder(const SRow& row)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::RemoveFromBackFolder", &hr);
    CMapiBuffer<SPropValue> storeKey;
    ComPtr<IMAPIFolder> backFolder;
    std::vector<CBackFolderCopies::Bytes> copies;
    const SPropValue* recordKey = FindValue(row, PR_RECORD_KEY);
    const SPropValue* folderKey = FolderProp(IDX_FOLDER_RECORD_KEY, PR_RECORD_KEY);

    if (FAILED(HrGetOneProp(m_folder.get(), PR_STORE_RECORD_KEY, storeKey.put())))
        storeKey.Free();
    if (!recordKey || !storeKey || !folderKey) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR,
                   "propRecordKey == NULL || propStoreRecordKey == NULL, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    if (FAILED(hr = GetBackFolder(backFolder.put())))
        return hr;
    // Every copy of the item that this folder holds: a copy that another watched folder took
    // over (the item moved there) stays.
    hr = m_copies.Find(backFolder.get(), storeKey->Value.bin, recordKey->Value.bin, &folderKey->Value.bin, copies);
    if (FAILED(hr)) {
        TRACE_FAILED(Find, hr);
        return hr;
    }
    hr = DeleteCopies(backFolder.get(), copies);
    return hr;
}

HRESULT CLVFolder::ModifyInBackFolder(const SRow& row)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::ModifyInBackFolder", &hr);
    ComPtr<IMessage> source;
    ComPtr<IMAPIFolder> backFolder;
    std::vector<CBackFolderCopies::Bytes> copies;

    hr = FindItemCopies(row, source.put(), backFolder.put(), copies);
    if (FAILED(hr) || copies.empty())
        return hr; // no copy: none is made here
    SBinary first{static_cast<ULONG>(copies.front().size()), copies.front().data()};
    hr = UpdateCopy(source.get(), backFolder.get(), first);
    return hr;
}

HRESULT CLVFolder::RewriteInBackFolder(const SRowSet* rows)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CLVFolder::RewriteInBackFolder", &hr);
    CMapiBuffer<SPropTagArray> tags;
    CMapiBuffer<SPropValue> folderKeys;
    ULONG count = 0;
    ComPtr<IMAPIFolder> backFolder;
    ComPtr<IMAPITable> table;
    const Name names[] = {Name::LVFolderID,  Name::LVStoreID,         Name::LVEntryID,       Name::LumivaneItem,
                          Name::LVRecordKey, Name::LVFolderRecordKey, Name::LVStoreRecordKey};
    const auto props = Props(names);
    std::vector<bool> matched(rows ? rows->cRows : 0, false);
    std::unordered_map<std::string, ULONG> byRecordKey;

    hr = m_folder->GetProps(reinterpret_cast<LPSPropTagArray>(&kFolderKeyTags), 0, &count, folderKeys.put());
    if (FAILED(hr) || count != 2 || folderKeys.get()[0].ulPropTag != PR_STORE_RECORD_KEY ||
        folderKeys.get()[1].ulPropTag != PR_RECORD_KEY) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "propFolderKey == NULL || propStoreKey == NULL, failed. hr=0x%08lx\n",
                   hr);
        return hr;
    }
    if (FAILED(hr = GetBackFolder(backFolder.put())))
        return hr;
    hr = ResolveNamedProps(backFolder.get(), props, MAPI_CREATE, tags.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    for (ULONG i = 0; i < tags->cValues; ++i)
        if (PROP_TYPE(tags->aulPropTag[i]) == PT_ERROR) {
            hr = E_FAIL;
            TracePrint(__FILE__, __LINE__, TL_ERROR, "GetIDsFromNames() returned not enough information. hr=0x%08lx\n",
                       hr);
            return hr;
        }
    const ULONG tagLumivaneItem = tags->aulPropTag[3];
    const ULONG tagRecordKey = tags->aulPropTag[4];
    const ULONG tagFolderKey = tags->aulPropTag[5];
    const ULONG tagStoreKey = tags->aulPropTag[6];

    // The source rows by record key, so that each copy finds its item in one look-up.
    for (ULONG i = 0; rows && i < rows->cRows; ++i)
        if (const SPropValue* key = FindValue(rows->aRow[i], PR_RECORD_KEY))
            byRecordKey.emplace(KeyText(key->Value.bin), i);

    hr = backFolder->GetContentsTable(MAPI_ASSOCIATED, table.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetContentsTable, hr);
        return hr;
    }
    {
        SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, tagRecordKey}};
        hr = table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
        if (FAILED(hr)) {
            TRACE_FAILED(SetColumns, hr);
            return hr;
        }
    }
    {
        // The copies of this folder.
        CEqualityRestriction copies;
        copies.Exists(tagLumivaneItem).Exists(tagFolderKey).Exists(tagStoreKey);
        copies.Equals(tagLumivaneItem, true)
            .Equals(tagFolderKey, folderKeys.get()[1].Value.bin)
            .Equals(tagStoreKey, folderKeys.get()[0].Value.bin);
        hr = table->Restrict(copies.Get(), 0);
        if (FAILED(hr)) {
            TRACE_FAILED(Restrict, hr);
            return hr;
        }
    }

    for (;;) {
        CMapiBuffer<SRowSet> batch;
        hr = table->QueryRows(20, 0, batch.put());
        if (FAILED(hr)) {
            TRACE_FAILED(QueryRows, hr);
            return hr;
        }
        if (!batch || batch->cRows == 0)
            break;
        for (ULONG i = 0; i < batch->cRows; ++i) {
            const SRow& copy = batch->aRow[i];
            const SPropValue* entryId = FindValue(copy, PR_ENTRYID);
            const SPropValue* itemKey = FindValue(copy, tagRecordKey);
            if (!entryId)
                continue;
            auto source = itemKey ? byRecordKey.find(KeyText(itemKey->Value.bin)) : byRecordKey.end();
            if (source != byRecordKey.end() && !matched[source->second]) {
                matched[source->second] = true;
                ComPtr<IMessage> item;
                if (SUCCEEDED(OpenSourceItem(rows->aRow[source->second], item.put())))
                    UpdateCopy(item.get(), backFolder.get(), entryId->Value.bin); // its failure is ignored
                continue;
            }
            // A copy of an item that is gone, or a second copy of one item.
            std::vector<CBackFolderCopies::Bytes> gone{
                CBackFolderCopies::Bytes(entryId->Value.bin.lpb, entryId->Value.bin.lpb + entryId->Value.bin.cb)};
            hr = DeleteCopies(backFolder.get(), gone);
            if (FAILED(hr)) {
                FreeProws(batch.release());
                return hr;
            }
        }
        FreeProws(batch.release());
    }

    for (ULONG i = 0; rows && i < rows->cRows; ++i) {
        if (matched[i])
            continue;
        const HRESULT hrAdd = AddToBackFolder(rows->aRow[i]);
        if (FAILED(hrAdd))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "AddToBackFolder() failed. hr=0x%08lx\n", hrAdd);
    }
    return hr;
}
