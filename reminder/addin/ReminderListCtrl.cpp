#include "ReminderListCtrl.h"

#include "AddinCache.h"
#include "BackFolder.h"
#include "BackFolderItem.h"
#include "ColumnLayout.h"
#include "DlgFieldChooser.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "ModuleInstance.h"
#include "Recurrence.h"
#include "ReminderColumnTable.h"
#include "ReminderMessages.h"
#include "TimeUtils.h"
#include "TraceScope.h"
#include "base/DialogItems.h"
#include "base/Display.h"
#include "base/Menu.h"
#include "base/MessageBox.h"
#include "base/Resources.h"
#include "base/WinTime.h"
#include "system/SystemInfo.h"
#include "base/Window.h"
#include "com/Bstr.h"
#include "com/Variant.h"
#include "LateBound.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Controls of the reminders window's details pane.
constexpr int IDC_REM_ICON = 229;
constexpr int IDC_REM_DETAILS_0 = 231;
constexpr int IDC_REM_DETAILS_1 = 230;
constexpr int IDC_REM_DETAILS_2 = 244;
constexpr int IDC_REM_DETAILS_3 = 245;
constexpr UINT IDR_LIST_MENU = 262;
constexpr ULONG kBatch = 20;

// 01.01.4501 00:00, MAPI's "never": a copy whose signal time reaches it is dismissed.
constexpr ULONGLONG kNever = 0x0CB34557A3DD4000ULL;

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME Now()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return now;
}

std::vector<BYTE> Bytes(const SPropValue& value)
{
    if (PROP_TYPE(value.ulPropTag) != PT_BINARY || !value.Value.bin.lpb)
        return {};
    return std::vector<BYTE>(value.Value.bin.lpb, value.Value.bin.lpb + value.Value.bin.cb);
}

void SetDetailText(HWND dialog, int id, const std::string& text)
{
    if (dialog)
        SetDlgItemTextA(dialog, id, text.c_str());
}

} // namespace

CReminderListCtrl::CReminderListCtrl() : m_columns(ColumnLayout::DefaultColumns())
{
    ColumnLayout::Read(m_columns);
    for (UINT id : ReminderColumnTable::kTypeIcons)
        m_icons.push_back(static_cast<HICON>(LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0)));
}

CReminderListCtrl::~CReminderListCtrl()
{
    RemoveSink();
    FreeRowData();
    DestroyWindow();
    for (HICON icon : m_icons)
        if (icon)
            DestroyIcon(icon);
    for (const auto& [id, icon] : m_largeIcons)
        if (icon)
            DestroyIcon(icon);
}

void CReminderListCtrl::FreeRowData()
{
    for (int row = 0; row < GetItemCount(); ++row) {
        delete RowData(row);
        SetItemData(row, 0);
    }
}

HRESULT CReminderListCtrl::Init(IReminderEngine* engine)
{
    TRACE_PROC("CReminderListCtrl::Init");
    m_engine = engine;
    DeleteAllItems();
    DeleteAllColumns();
    SetExtendedListViewStyle(LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES | LVS_EX_HEADERDRAGDROP);
    SetImageList(m_icons);
    int index = 0;
    for (const CReminderColumn& column : m_columns)
        if (column.IsVisible()) {
            InsertColumn(index, column.GetName(), column.GetFormat(), column.GetWidth(), index);
            ++index;
        }
    SyncColumnInfo();
    ShowNoSingleSelection();
    const HRESULT hr = AddReminderItems();
    SortRows();
    return hr;
}

void CReminderListCtrl::SyncColumnInfo()
{
    m_subitemToSlot.fill(-1);
    m_slotToSubitem.fill(-1);
    m_headerToSubitem.fill(-1);
    int subitem = 0;
    for (std::size_t slot = 0; slot < m_columns.size(); ++slot)
        if (m_columns[slot].IsVisible()) {
            m_subitemToSlot[static_cast<std::size_t>(subitem)] = static_cast<int>(slot);
            m_slotToSubitem[slot] = subitem;
            ++subitem;
        }
    if (!m_hWnd)
        return;
    ReadHeader();
    const std::vector<int> order = GetColumnOrderArray();
    for (std::size_t position = 0; position < order.size() && position < m_headerToSubitem.size(); ++position)
        m_headerToSubitem[position] = order[position];
    for (int s = 0; s < subitem && s < GetColumnCount(); ++s)
        m_columns[static_cast<std::size_t>(m_subitemToSlot[static_cast<std::size_t>(s)])].SetWidth(GetColumnWidth(s));
}

std::vector<int> CReminderListCtrl::HeaderOrder() const
{
    return GetColumnOrderArray();
}

int CReminderListCtrl::SlotOfSubitem(int subitem) const
{
    if (subitem < 0 || subitem >= CReminderColumn::kColumns)
        return -1;
    return m_subitemToSlot[static_cast<std::size_t>(subitem)];
}

HRESULT CReminderListCtrl::GetColumnTags(IMAPIProp* folder, BOOL unicode, SPropTagArray** tags)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderListCtrl::GetColumnTags", &hr);
    *tags = nullptr;
    ULONG total = 0;
    for (CReminderColumn& column : m_columns) {
        if (!column.IsVisible())
            continue;
        ReminderColumnTable::InitProperties(column);
        if (column.m_cNames) {
            LPMAPINAMEID names[CReminderColumn::kMaxProps];
            for (ULONG i = 0; i < column.m_cNames; ++i)
                names[i] = &column.m_names[i];
            CMapiBuffer<SPropTagArray> ids;
            hr = folder->GetIDsFromNames(column.m_cNames, names, MAPI_CREATE, ids.put());
            if (FAILED(hr) || !ids || ids->cValues < column.m_cNames) {
                hr = FAILED(hr) ? hr : E_FAIL;
                TRACE_FAILED(GetIDsFromNames, hr);
                return hr;
            }
            for (ULONG i = 0; i < column.m_cNames; ++i) {
                const ULONG id = ids->aulPropTag[i];
                column.m_tags[i] = PROP_TYPE(id) == PT_ERROR ? PR_NULL : CHANGE_PROP_TYPE(id, column.m_types[i]);
                ++column.m_cTags;
            }
        }
        total += column.m_cTags;
    }
    hr = S_OK;
    const NamedProp fixed[] = {{&PSETID_Common, kPidLidReminderSet, nullptr, PT_BOOLEAN},
                               {&PSETID_Appointment, kPidLidRecurring, nullptr, PT_BOOLEAN},
                               {&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME}};
    CMapiBuffer<SPropTagArray> fixedTags;
    hr = ResolveNamedProps(folder, fixed, MAPI_CREATE, fixedTags.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    hr = S_OK;
    CMapiBuffer<SPropTagArray> result;
    hr = MAPIAllocateBuffer(CbNewSPropTagArray(total + FIXED_COLUMNS), reinterpret_cast<LPVOID*>(result.put()));
    if (FAILED(hr)) {
        TRACE_FAILED(MAPIAllocateBuffer, hr);
        return hr;
    }
    ULONG n = 0;
    result->aulPropTag[n++] = PR_ENTRYID;
    result->aulPropTag[n++] = PR_RECORD_KEY;
    result->aulPropTag[n++] = fixedTags->aulPropTag[0];
    result->aulPropTag[n++] = fixedTags->aulPropTag[1];
    result->aulPropTag[n++] = fixedTags->aulPropTag[2];
    result->aulPropTag[n++] = PR_INSTANCE_KEY;
    m_firstValue.fill(0);
    for (std::size_t slot = 0; slot < m_columns.size(); ++slot) {
        const CReminderColumn& column = m_columns[slot];
        if (!column.IsVisible())
            continue;
        m_firstValue[slot] = n;
        for (ULONG i = 0; i < column.m_cTags; ++i)
            result->aulPropTag[n++] = column.m_tags[i];
    }
    result->cValues = n;
    m_valueCount = n;
    AdjustPropTagArrayCharSet(result.get(), unicode != FALSE);
    *tags = result.release();
    return hr;
}

LONG CReminderListCtrl::Filter() const
{
    const HWND parent = m_hWnd ? GetParent(m_hWnd) : nullptr;
    const LONG filter = parent ? static_cast<LONG>(SendMessageA(parent, WMU_REMINDERS_GETFILTER, 0, 0)) : 1;
    return filter == 1 || filter == 2 || filter == 3 || filter == 16 ? filter : 1;
}

bool CReminderListCtrl::Passes(const SRow* row, LONG filter, const FILETIME& now) const
{
    if (!row || row->cValues < FIXED_COLUMNS)
        return false;
    const SPropValue& signal = row->lpProps[COL_SIGNALTIME];
    const bool hasSignal = PROP_TYPE(signal.ulPropTag) == PT_SYSTIME;
    // A copy without a signal time is neither due nor coming: it shows under "All" only.
    if (filter == 2 && !(hasSignal && Ticks(now) >= Ticks(signal.Value.ft)))
        return false;
    if (filter == 3 && !(hasSignal && Ticks(now) < Ticks(signal.Value.ft)))
        return false;
    const SPropValue& set = row->lpProps[COL_REMINDERSET];
    if (PROP_TYPE(set.ulPropTag) == PT_BOOLEAN && !set.Value.b)
        return false;
    if (hasSignal && Ticks(signal.Value.ft) >= kNever)
        return false;
    return true;
}

int CReminderListCtrl::InsertRow(const SRow* row)
{
    ReminderRowData* data = nullptr;
    if (PROP_TYPE(row->lpProps[COL_ENTRYID].ulPropTag) == PT_BINARY &&
        PROP_TYPE(row->lpProps[COL_RECORDKEY].ulPropTag) == PT_BINARY) {
        data = new ReminderRowData;
        data->entryId = Bytes(row->lpProps[COL_ENTRYID]);
        data->recordKey = Bytes(row->lpProps[COL_RECORDKEY]);
        data->instanceKey = Bytes(row->lpProps[COL_INSTANCEKEY]);
        if (PROP_TYPE(row->lpProps[COL_SIGNALTIME].ulPropTag) == PT_SYSTIME)
            data->signalTime = row->lpProps[COL_SIGNALTIME].Value.ft;
    }
    const int index = InsertItem(GetItemCount(), "<no value>", reinterpret_cast<LPARAM>(data));
    if (index < 0) {
        delete data;
        return index;
    }
    const FILETIME now = Now();
    for (std::size_t slot = 0; slot < m_columns.size(); ++slot) {
        const CReminderColumn& column = m_columns[slot];
        const int subitem = m_slotToSubitem[slot];
        if (!column.IsVisible() || subitem < 0)
            continue;
        const ULONG first = m_firstValue[slot];
        const ULONG count = std::min<ULONG>(column.m_cTags, row->cValues > first ? row->cValues - first : 0);
        const std::span<const SPropValue> values(row->lpProps + first, count);
        if (column.GetId() == 0) {
            const std::string messageClass = values.empty() ? std::string() : ReminderColumnTable::TextOf(values[0]);
            SetItemImage(index, subitem, ReminderColumnTable::TypeImage(messageClass));
            SetItemText(index, subitem, "");
        } else {
            SetItemText(index, subitem, ReminderColumnTable::FormatCell(column.GetId(), values, now));
        }
    }
    return index;
}

ComPtr<IMAPIFolder> CReminderListCtrl::BackMapiFolder() const
{
    ComPtr<IMAPIFolder> folder;
    if (!m_backFolder)
        return folder;
    ComPtr<IUnknown> unknown;
    if (SUCCEEDED(m_backFolder->get_MAPIFolder(unknown.put())) && unknown)
        unknown.As(folder);
    return folder;
}

HRESULT CReminderListCtrl::AddReminderItems()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderListCtrl::AddReminderItems", &hr);
    m_filter = Filter();
    RemoveSink();
    m_backFolder = nullptr;
    if (!m_engine || FAILED(m_engine->get_BackFolder(m_backFolder.put())) || !m_backFolder) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "!m_pBackFolder failed. hr=0x%08lx\n", hr);
        return hr;
    }
    const ComPtr<IMAPIFolder> folder = BackMapiFolder();
    if (!folder) {
        hr = E_FAIL;
        TRACE_FAILED(get_MAPIFolder, hr);
        return hr;
    }
    bool unicode = false;
    {
        CMapiBuffer<SPropValue> mask;
        if (SUCCEEDED(HrGetOneProp(folder.get(), PR_STORE_SUPPORT_MASK, mask.put())) && mask)
            unicode = (static_cast<ULONG>(mask->Value.l) & STORE_UNICODE_OK) != 0;
    }
    ComPtr<IMAPITable> table;
    hr = folder->GetContentsTable(MAPI_ASSOCIATED | (unicode ? MAPI_UNICODE : 0), table.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetContentsTable, hr);
        return hr;
    }
    CMapiBuffer<SPropTagArray> tags;
    hr = GetColumnTags(folder.get(), unicode ? TRUE : FALSE, tags.put());
    if (FAILED(hr))
        return hr;
    CMapiBuffer<SRestriction> restriction;
    hr = GetBackFolderRestriction(folder.get(), restriction.put());
    if (FAILED(hr))
        return hr;
    hr = table->Restrict(restriction.get(), 0);
    if (FAILED(hr)) {
        TRACE_FAILED(Restrict, hr);
        return hr;
    }
    hr = table->SetColumns(tags.get(), 0);
    if (FAILED(hr)) {
        TRACE_FAILED(SetColumns, hr);
        return hr;
    }
    const FILETIME now = Now();
    for (;;) {
        LPSRowSet rows = nullptr;
        hr = table->QueryRows(kBatch, 0, &rows);
        if (FAILED(hr)) {
            TRACE_FAILED(QueryRows, hr);
            break;
        }
        const ULONG count = rows ? rows->cRows : 0;
        for (ULONG i = 0; i < count; ++i) {
            const SRow* row = &rows->aRow[i];
            if (!Passes(row, m_filter, now))
                continue;
            const int index = InsertRow(row);
            const SPropValue& signal = row->lpProps[COL_SIGNALTIME];
            if (index >= 0 && PROP_TYPE(signal.ulPropTag) == PT_SYSTIME && Ticks(signal.Value.ft) <= Ticks(now))
                SetItemState(index, LVIS_SELECTED, LVIS_SELECTED);
        }
        FreeRowSet(&rows);
        if (count == 0)
            break;
    }
    hr = S_OK;
    ComPtr<CReminderListSink> sink;
    CReminderListSink* created = nullptr;
    if (SUCCEEDED(CReminderListSink::CreateObject(&created))) {
        sink.Attach(created);
        if (SUCCEEDED(sink->SetSink(table.get(), this)))
            m_sink = sink;
    }
    return hr;
}

void CReminderListCtrl::RemoveSink()
{
    if (m_sink) {
        m_sink->RemoveSink();
        m_sink = nullptr;
    }
}

void CReminderListCtrl::SortRows()
{
    SortItems([](LPARAM a, LPARAM b) {
        const auto* left = reinterpret_cast<const ReminderRowData*>(a);
        const auto* right = reinterpret_cast<const ReminderRowData*>(b);
        const ULONGLONG l = left ? Ticks(left->signalTime) : 0;
        const ULONGLONG r = right ? Ticks(right->signalTime) : 0;
        return l < r ? -1 : l > r ? 1 : 0;
    });
}

void CReminderListCtrl::AddRow(const SRow* row)
{
    if (!row || row->cValues < m_valueCount || !Passes(row, m_filter, Now()))
        return;
    if (InsertRow(row) >= 0)
        SortRows();
    if (m_hWnd && GetParent(m_hWnd))
        SendMessageA(GetParent(m_hWnd), WMU_REMINDERS_UPDATEUI, 0, 0);
}

void CReminderListCtrl::RemoveRow(const SPropValue* index)
{
    if (!index || PROP_TYPE(index->ulPropTag) != PT_BINARY)
        return;
    const SBinary& key = index->Value.bin;
    for (int row = 0; row < GetItemCount(); ++row) {
        const ReminderRowData* data = RowData(row);
        if (data && data->instanceKey.size() == key.cb &&
            (key.cb == 0 || std::memcmp(data->instanceKey.data(), key.lpb, key.cb) == 0)) {
            const bool selected = (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
            DeleteItem(row);
            if (selected)
                UpdateDetails();
            if (m_hWnd && GetParent(m_hWnd))
                SendMessageA(GetParent(m_hWnd), WMU_REMINDERS_UPDATEUI, 0, 0);
            return;
        }
    }
}

HRESULT CReminderListCtrl::ReloadRows(IMAPITable* table)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderListCtrl::ReloadRows", &hr);
    DeleteAllItems();
    hr = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "SeekRow() failed. hr=0x%08lx\n", hr);
        return hr;
    }
    const FILETIME now = Now();
    for (;;) {
        LPSRowSet rows = nullptr;
        hr = table->QueryRows(kBatch, 0, &rows);
        if (FAILED(hr)) {
            TracePrint(__FILE__, __LINE__, TL_ERROR, "QueryRows() failed. hr=0x%08lx\n", hr);
            break;
        }
        const ULONG count = rows ? rows->cRows : 0;
        for (ULONG i = 0; i < count; ++i)
            if (rows->aRow[i].cValues >= m_valueCount && Passes(&rows->aRow[i], m_filter, now))
                InsertRow(&rows->aRow[i]);
        FreeRowSet(&rows);
        if (count == 0)
            break;
    }
    // One sort for the whole reload.
    SortRows();
    ShowNoSingleSelection();
    if (m_hWnd && GetParent(m_hWnd))
        SendMessageA(GetParent(m_hWnd), WMU_REMINDERS_UPDATEUI, 0, 0);
    return hr;
}

LRESULT CReminderListCtrl::OnItemChanged(const NMLISTVIEW* change)
{
    if (!(change->uChanged & LVIF_STATE))
        return 0;
    // The list keeps the real selected count itself (rows removed or reloaded included).
    if (m_hWnd && GetParent(m_hWnd))
        SendMessageA(GetParent(m_hWnd), WMU_REMINDERS_UPDATEUI, 0, 0);
    UpdateDetails();
    return 0;
}

HICON CReminderListCtrl::LargeIcon(UINT id)
{
    for (const auto& [known, icon] : m_largeIcons)
        if (known == id)
            return icon;
    const int size = GetSystemMetrics(SM_CXICON);
    const auto icon = static_cast<HICON>(LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    m_largeIcons.emplace_back(id, icon);
    return icon;
}

void CReminderListCtrl::ShowNoSingleSelection()
{
    const HWND dialog = m_hWnd ? GetParent(m_hWnd) : nullptr;
    if (!dialog)
        return;
    const int count = GetSelectedCount();
    char text[128];
    std::snprintf(text, sizeof text, LoadAddinString(count == 1 ? 423 : 424).c_str(), count);
    SetDetailText(dialog, IDC_REM_DETAILS_0, text);
    SetDetailText(dialog, IDC_REM_DETAILS_1, "");
    SetDetailText(dialog, IDC_REM_DETAILS_2, "");
    SetDetailText(dialog, IDC_REM_DETAILS_3, "");
    if (const HWND icon = GetDlgItem(dialog, IDC_REM_ICON))
        SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LargeIcon(100)), 0);
}

void CReminderListCtrl::UpdateDetails()
{
    TRACE_PROC("CReminderListCtrl::UpdateDetails");
    if (GetSelectedCount() != 1) {
        ShowNoSingleSelection();
        return;
    }
    const HWND dialog = m_hWnd ? GetParent(m_hWnd) : nullptr;
    const int row = GetNextItem(-1, LVNI_SELECTED);
    const ReminderRowData* data = row >= 0 ? RowData(row) : nullptr;
    const ComPtr<IMAPIFolder> folder = BackMapiFolder();
    if (!dialog || !data || !folder)
        return;
    ULONG type = 0;
    ComPtr<IUnknown> object;
    HRESULT hr = folder->OpenEntry(static_cast<ULONG>(data->entryId.size()),
                                   reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(data->entryId.data())), nullptr, 0,
                                   &type, object.put());
    ComPtr<IMessage> copy;
    if (SUCCEEDED(hr))
        hr = object.As(copy);
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return;
    }
    const NamedProp names[] = {{&PSETID_Common, kPidLidReminderTime, nullptr, PT_SYSTIME},
                               {&PSETID_Appointment, 0x820D, nullptr, PT_SYSTIME},
                               {&PSETID_Appointment, 0x8208, nullptr, PT_UNICODE},
                               CopyProp(BackFolderItem::ItemMessageClass),
                               {&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME},
                               {&PSETID_Appointment, kPidLidRecurring, nullptr, PT_BOOLEAN},
                               {&PSETID_Appointment, 0x8216, nullptr, PT_BINARY},
                               {&PSETID_Common, kPidLidReminderDelta, nullptr, PT_LONG}};
    CMapiBuffer<SPropTagArray> ids;
    hr = ResolveNamedProps(copy.get(), names, 0, ids.put());
    if (hr != S_OK || !ids || ids->cValues != std::size(names)) {
        TRACE_FAILED(GetIDsFromNames, FAILED(hr) ? hr : E_FAIL);
        return;
    }
    SizedSPropTagArray(9, tags);
    tags.cValues = 9;
    tags.aulPropTag[0] = PR_SUBJECT_W;
    for (ULONG i = 0; i < 8; ++i)
        tags.aulPropTag[i + 1] = ids->aulPropTag[i];
    tags.aulPropTag[3] = CHANGE_PROP_TYPE(tags.aulPropTag[3], PT_UNICODE);
    tags.aulPropTag[4] = CHANGE_PROP_TYPE(tags.aulPropTag[4], PT_UNICODE);
    ULONG count = 0;
    CMapiBuffer<SPropValue> values;
    hr = copy->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, values.put());
    if (FAILED(hr)) {
        AdjustPropTagArrayCharSet(reinterpret_cast<LPSPropTagArray>(&tags), false);
        hr = copy->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, values.put());
    }
    if (FAILED(hr) || count != 9) {
        TRACE_FAILED(GetProps, FAILED(hr) ? hr : E_FAIL);
        return;
    }
    const SPropValue* v = values.get();
    SetDetailText(dialog, IDC_REM_DETAILS_0, ReminderColumnTable::TextOf(v[0]));
    // Reminder time, for a recurring item its due reminder.
    const bool recurring = PROP_TYPE(v[6].ulPropTag) == PT_BOOLEAN && v[6].Value.b;
    const LONG delta = PROP_TYPE(v[8].ulPropTag) == PT_LONG ? v[8].Value.l : 0;
    std::string reminder, appointment;
    if (recurring) {
        if (PROP_TYPE(v[7].ulPropTag) == PT_BINARY) {
            SPropValue due{}, next{};
            SPropValue oldDue = v[5];
            if (PROP_TYPE(oldDue.ulPropTag) != PT_SYSTIME) {
                oldDue.ulPropTag = PROP_TAG(PT_SYSTIME, 0);
                oldDue.Value.ft = FILETIME{0, 0};
            }
            if (SUCCEEDED(GetReminderDueAt(&v[7], delta, &oldDue, &due, &next)) && Ticks(due.Value.ft) != 0) {
                due.ulPropTag = PROP_TAG(PT_SYSTIME, 0);
                reminder = FormatRelativeDateTimeText(&due);
            }
            FILETIME after = oldDue.Value.ft, start{0, 0}, end{0, 0};
            if (SUCCEEDED(GetNextOccurence(&v[7], &after, &start, &end)) && Ticks(start) != 0)
                appointment = FormatDateTimeText(&start);
        }
    } else {
        reminder = FormatRelativeDateTimeText(&v[5]);
        appointment = FormatRelativeDateTimeText(&v[1]);
    }
    SetDetailText(dialog, IDC_REM_DETAILS_1, LoadAddinString(420) + reminder);
    SetDetailText(dialog, IDC_REM_DETAILS_2, LoadAddinString(421) + appointment);
    SetDetailText(dialog, IDC_REM_DETAILS_3, LoadAddinString(422) + ReminderColumnTable::TextOf(v[3]));
    if (const HWND icon = GetDlgItem(dialog, IDC_REM_ICON))
        SendMessageA(icon, STM_SETICON,
                     reinterpret_cast<WPARAM>(LargeIcon(ReminderColumnTable::DetailsIcon(ReminderColumnTable::TextOf(v[4])))), 0);
}

HRESULT CReminderListCtrl::OpenItem(int row)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderListCtrl::OpenItem", &hr);
    const ReminderRowData* data = row >= 0 && row < GetItemCount() ? RowData(row) : nullptr;
    const ComPtr<IMAPIFolder> folder = BackMapiFolder();
    if (!data || !folder)
        return hr = E_FAIL;
    ULONG type = 0;
    ComPtr<IUnknown> object;
    hr = folder->OpenEntry(static_cast<ULONG>(data->entryId.size()),
                           reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(data->entryId.data())), nullptr, 0, &type,
                           object.put());
    ComPtr<IMessage> copy;
    if (SUCCEEDED(hr))
        hr = object.As(copy);
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    const NamedProp names[] = {CopyProp(BackFolderItem::LVEntryID), CopyProp(BackFolderItem::LVStoreID)};
    CMapiBuffer<SPropTagArray> ids;
    hr = ResolveNamedProps(copy.get(), names, 0, ids.put());
    if (hr != S_OK || !ids || ids->cValues != 2) {
        hr = FAILED(hr) ? hr : E_FAIL;
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    ULONG count = 0;
    CMapiBuffer<SPropValue> values;
    hr = copy->GetProps(ids.get(), 0, &count, values.put());
    if (FAILED(hr) || count != 2 || PROP_TYPE(values->ulPropTag) != PT_BINARY ||
        PROP_TYPE(values.get()[1].ulPropTag) != PT_BINARY) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetProps() not enough information, failed. hr=0x%08lx\n", hr);
        return hr;
    }
    const SBinary& itemId = values.get()[0].Value.bin;
    const SBinary& storeId = values.get()[1].Value.bin;
    _Application* application = AddinCache::Application();
    IMAPISession* session = AddinCache::Session();
    if (!application || !session) {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "No Outlook Application\n");
        return hr = S_FALSE;
    }
    ComPtr<IMAPITable> stores;
    hr = session->GetMsgStoresTable(0, stores.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetMsgStoresTable, hr);
        return hr;
    }
    SizedSPropTagArray(1, entryColumn) = {1, {PR_ENTRYID}};
    LPSRowSet rows = nullptr;
    hr = HrQueryAllRows(stores.get(), reinterpret_cast<LPSPropTagArray>(&entryColumn), nullptr, nullptr, 0, &rows);
    if (FAILED(hr)) {
        TRACE_FAILED(HrQueryAllRows, hr);
        return hr;
    }
    bool found = false;
    for (ULONG i = 0; rows && i < rows->cRows && !found; ++i) {
        const SPropValue& id = rows->aRow[i].lpProps[0];
        ULONG equal = 0;
        found = PROP_TYPE(id.ulPropTag) == PT_BINARY &&
                SUCCEEDED(session->CompareEntryIDs(id.Value.bin.cb, reinterpret_cast<LPENTRYID>(id.Value.bin.lpb),
                                                   storeId.cb, reinterpret_cast<LPENTRYID>(storeId.lpb), 0, &equal)) &&
                equal;
    }
    FreeRowSet(&rows);
    const HWND owner = m_hWnd ? GetParent(m_hWnd) : nullptr;
    if (!found) {
        MessageBoxA(owner, LoadAddinString(701).c_str(), LoadAddinString(100).c_str(), MB_ICONINFORMATION);
        return hr = S_FALSE;
    }
    ComPtr<_NameSpace> ns;
    ComPtr<IDispatch> item;
    BSTR itemText = nullptr;
    BSTR storeText = nullptr;
    SBin2bstr(&itemId, &itemText);
    SBin2bstr(&storeId, &storeText);
    VARIANT store;
    VariantInit(&store);
    store.vt = VT_BSTR;
    store.bstrVal = storeText;
    hr = application->get_Session(ns.put());
    if (SUCCEEDED(hr) && ns)
        hr = ns->GetItemFromID(itemText, store, item.put());
    if (SUCCEEDED(hr) && item)
        hr = LateBound::Invoke(item.get(), u"Display", {});
    else if (SUCCEEDED(hr))
        hr = E_FAIL;
    SysFreeString(itemText);
    VariantClear(&store);
    if (FAILED(hr)) {
        // The host's error, shown as the host would show it.
        char text[256];
        std::snprintf(text, sizeof text, LoadAddinString(706).c_str(), static_cast<unsigned long>(static_cast<DWORD>(hr)));
        MessageBoxA(owner, text, LoadAddinString(100).c_str(), MB_ICONINFORMATION);
    }
    return hr;
}

void CReminderListCtrl::OnParentNotify(WPARAM wParam, LPARAM)
{
    if (LOWORD(wParam) != WM_RBUTTONDOWN)
        return;
    const HMENU menu = LoadMenuA(ModuleInstance(), MAKEINTRESOURCEA(IDR_LIST_MENU));
    if (!menu) {
        TRACE_FAILED(LoadMenu, E_FAIL);
        return;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    if (const HMENU popup = GetSubMenu(menu, 0))
        TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
}

void CReminderListCtrl::OnFieldchooser()
{
    SyncColumnInfo();
    CDlgFieldChooser chooser(this);
    if (chooser.DoModal(GetActiveWindow()) == IDOK)
        Init(m_engine.get());
}

void CReminderListCtrl::OnDestroy()
{
    SyncColumnInfo();
    m_columns = ColumnLayout::InDisplayOrder(m_columns, GetColumnOrderArray());
    const LONG result = ColumnLayout::Write(m_columns);
    if (result != ERROR_SUCCESS)
        TracePrint(__FILE__, __LINE__, TL_ERROR, "ReminderColumns not written: %ld\n", result);
    RemoveSink();
    DeleteAllItems();
}

BOOL CReminderListCtrl::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_DESTROY:
        OnDestroy();
        result = 0;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_FIELDCHOOSER) {
            OnFieldchooser();
            result = 0;
            return TRUE;
        }
        return FALSE;
    case WM_PARENTNOTIFY:
        OnParentNotify(wParam, lParam);
        result = 0;
        return TRUE;
    case OCM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header)
            return FALSE;
        const auto* list = reinterpret_cast<const NMLISTVIEW*>(lParam);
        switch (header->code) {
        case LVN_ITEMCHANGED: result = OnItemChanged(list); return TRUE;
        case NM_RCLICK: result = 1; return TRUE;
        case NM_DBLCLK:
            OpenItem(list->iItem);
            result = 0;
            return TRUE;
        case LVN_DELETEITEM:
            delete reinterpret_cast<ReminderRowData*>(list->lParam);
            result = 0;
            return TRUE;
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}
