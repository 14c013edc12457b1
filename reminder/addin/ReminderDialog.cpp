#include "ReminderDialog.h"

#include "AddinCache.h"
#include "BackFolderItem.h"
#include "MapiBuffer.h"
#include "ModuleInstance.h"
#include "RegKeyEx.h"
#include "Recurrence.h"
#include "ReminderEngine.h"
#include "ReminderMessages.h"
#include "TraceScope.h"
#include "WndUtils.h"
#include "base/DialogItems.h"
#include "base/Display.h"
#include "base/MessageBox.h"
#include "base/Resources.h"
#include "base/Utf.h"
#include "base/WinTime.h"
#include "base/Window.h"
#include "system/SystemInfo.h"

#include <charconv>
#include <functional>
#include <optional>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr UINT IDS_CAPTION = 100;
constexpr UINT IDS_CONFIRM_DELETE_ALL = 433;
constexpr UINT IDS_STORE_NOT_OPENED = 701;
constexpr UINT IDS_INVALID_SPAN = 702;
constexpr UINT IDS_NOT_DISMISSED = 703;
constexpr UINT IDS_STORE_NOT_AVAILABLE = 705;
constexpr UINT IDS_ITEM_NOT_AVAILABLE = 706;
constexpr UINT IDI_ADDIN = 100;
constexpr UINT IDI_TRAY = 277;
constexpr UINT IDI_TRAY_RINGING = 278;
constexpr UINT IDB_BANNER = 265;
constexpr UINT IDB_BANNER_2 = 267;

constexpr ULONGLONG kMinuteTicks = 600000000ULL;
constexpr ULONGLONG kSecondTicks = 10000000ULL;
// 01.01.4501 00:00, MAPI's "never".
constexpr ULONGLONG kNever = 0x0CB34557A3DD4000ULL;

HWND g_remindersWindow = nullptr;

// Dialog 106 in dialog units; it grows with its frame (the list), its buttons keep to the
// bottom-right corner.
constexpr DialogControl kControls[] = {
    {ControlKind::Picture, CReminderDialog::IDC_REM_BANNER, 0, 7, 5, 27, 24, 0, false, IDB_BANNER},
    {ControlKind::Picture, CReminderDialog::IDC_REM_BANNER_2, 0, 38, 5, 90, 24, 0, false, IDB_BANNER_2},
    {ControlKind::GroupBox, CReminderDialog::IDC_REM_GROUP_DETAILS, 1000, 7, 32, 212, 60},
    {ControlKind::Icon, CReminderDialog::IDC_REM_ICON, 0, 14, 46, 20, 20, 0, false, IDI_ADDIN},
    {ControlKind::Static, CReminderDialog::IDC_REM_DETAILS_0, 0, 40, 44, 174, 9},
    {ControlKind::Static, CReminderDialog::IDC_REM_DETAILS_1, 0, 40, 55, 174, 9},
    {ControlKind::Static, CReminderDialog::IDC_REM_DETAILS_2, 0, 40, 66, 174, 9},
    {ControlKind::Static, CReminderDialog::IDC_REM_DETAILS_3, 0, 40, 77, 174, 9},
    {ControlKind::GroupBox, CReminderDialog::IDC_REM_GROUP_VIEW, 1001, 225, 32, 108, 60},
    {ControlKind::RadioButton, CReminderDialog::IDC_REM_ALL, 1002, 231, 44, 100, 10, WS_GROUP | WS_TABSTOP},
    {ControlKind::RadioButton, CReminderDialog::IDC_REM_ACTIVE, 1003, 231, 58, 100, 10},
    {ControlKind::RadioButton, CReminderDialog::IDC_REM_FUTURE, 1004, 231, 72, 100, 10},
    {ControlKind::ListView, CReminderDialog::IDC_REM_LIST, 0, 7, 98, 326, 94},
    {ControlKind::ComboBox, CReminderDialog::IDC_REM_SPAN, 0, 7, 199, 76, 14, CBS_DROPDOWN | CBS_SORT},
    {ControlKind::PushButton, CReminderDialog::IDC_REM_AGAIN, 1005, 87, 199, 72, 14},
    {ControlKind::PushButton, CReminderDialog::IDC_REM_DELETE, 1006, 163, 199, 76, 14},
    {ControlKind::PushButton, CReminderDialog::IDC_REM_DELETE_ALL, 1007, 243, 199, 90, 14},
    {ControlKind::DefPushButton, IDOK, 1008, 283, 218, 50, 14},
};
constexpr DialogTemplate kLayout{CReminderDialog::IDD, 340, 238, IDS_CAPTION, kControls, true};

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FromTicks(ULONGLONG ticks)
{
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

ULONGLONG NowTicks()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

// The unit words of a snooze span and their minutes, searched in this order.
struct Unit {
    const char* word;
    LONG minutes;
};
constexpr Unit kUnits[] = {
    {"Minute", 1},       {"Minuten", 1},    {"Minutes", 1},   {"Minuto", 1},     {"Minutos", 1},
    {"Minuti", 1},       {"Stunde", 60},    {"Stunden", 60},  {"Hour", 60},      {"Hours", 60},
    {"Hora", 60},        {"Horas", 60},     {"Ora", 60},      {"Ore", 60},       {"Tag", 1440},
    {"Tage", 1440},      {"Tagen", 1440},   {"Day", 1440},    {"Days", 1440},    {"Dia", 1440},
    {"Dias", 1440},      {"D\xC3\xAD" "a", 1440}, {"D\xC3\xAD" "as", 1440}, {"Giorno", 1440}, {"Giorni", 1440},
    {"Woche", 10080},    {"Wochen", 10080}, {"Week", 10080},  {"Weeks", 10080},  {"Semana", 10080},
    {"Semanas", 10080},  {"Settimana", 10080}, {"Settimane", 10080},
};

std::string Formatted(UINT id, HRESULT hr)
{
    char text[512];
    std::snprintf(text, sizeof text, LoadAddinString(id).c_str(), static_cast<unsigned long>(static_cast<DWORD>(hr)));
    return text;
}

void Box(HWND owner, const std::string& text, UINT type = MB_ICONINFORMATION)
{
    MessageBoxA(owner, text.c_str(), LoadAddinString(IDS_CAPTION).c_str(), type);
}

// A message of a folder or store by entry ID.
HRESULT OpenMessage(IMAPIProp* container, const std::vector<BYTE>& entryId, ULONG flags, ComPtr<IMessage>& message)
{
    ULONG type = 0;
    ComPtr<IUnknown> object;
    auto* eid = reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(entryId.data()));
    HRESULT hr = E_INVALIDARG;
    ComPtr<IMAPIFolder> folder;
    ComPtr<IMsgStore> store;
    if (SUCCEEDED(container->QueryInterface(IID_IMAPIFolder, reinterpret_cast<void**>(folder.put()))))
        hr = folder->OpenEntry(static_cast<ULONG>(entryId.size()), eid, nullptr, flags, &type, object.put());
    else if (SUCCEEDED(container->QueryInterface(IID_IMsgStore, reinterpret_cast<void**>(store.put()))))
        hr = store->OpenEntry(static_cast<ULONG>(entryId.size()), eid, nullptr, flags, &type, object.put());
    if (FAILED(hr))
        return hr;
    if (!object)
        return MAPI_E_NOT_FOUND;
    return object.As(message);
}

// The five reminder properties of an item or copy, in the order the names are resolved.
enum ReminderProp { RP_SET, RP_RECURRING, RP_PATTERN, RP_DELTA, RP_SIGNAL, RP_COUNT };

HRESULT ReadReminderProps(IMessage* message, ULONG flags, CMapiBuffer<SPropTagArray>& tags, CMapiBuffer<SPropValue>& values)
{
    const NamedProp names[] = {{&PSETID_Common, kPidLidReminderSet, nullptr, PT_BOOLEAN},
                               {&PSETID_Appointment, kPidLidRecurring, nullptr, PT_BOOLEAN},
                               {&PSETID_Appointment, 0x8216, nullptr, PT_BINARY},
                               {&PSETID_Common, kPidLidReminderDelta, nullptr, PT_LONG},
                               {&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME}};
    HRESULT hr = ResolveNamedProps(message, names, flags, tags.put());
    if (FAILED(hr) || !tags || tags->cValues != RP_COUNT) {
        hr = FAILED(hr) ? hr : E_FAIL;
        TRACE_FAILED(GetIDsFromNames, hr);
        return hr;
    }
    ULONG count = 0;
    hr = message->GetProps(tags.get(), 0, &count, values.put());
    if (FAILED(hr) || count != RP_COUNT) {
        hr = FAILED(hr) ? hr : E_FAIL;
        TRACE_FAILED(GetProps, hr);
        return hr;
    }
    return S_OK;
}

bool Is(const SPropValue& value, ULONG type)
{
    return PROP_TYPE(value.ulPropTag) == type;
}

// Writes the copy's signal time; the result of SetProps or SaveChanges.
HRESULT WriteSignalTime(IMessage* copy, ULONG tag, const FILETIME& time)
{
    SPropValue value{};
    value.ulPropTag = CHANGE_PROP_TYPE(tag, PT_SYSTIME);
    value.Value.ft = time;
    HRESULT hr = copy->SetProps(1, &value, nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(SetProps, hr);
        return hr;
    }
    hr = copy->SaveChanges(0);
    if (FAILED(hr))
        TRACE_FAILED(SaveChanges, hr);
    return hr;
}

// The signal-time tag of a copy (no creation), or PR_NULL.
ULONG SignalTag(IMessage* copy)
{
    const NamedProp name[] = {{&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME}};
    CMapiBuffer<SPropTagArray> tags;
    const HRESULT hr = ResolveNamedProps(copy, name, 0, tags.put());
    if (hr != S_OK || !tags || tags->cValues != 1 || PROP_TYPE(tags->aulPropTag[0]) == PT_ERROR) {
        TRACE_FAILED(GetIDsFromNames, FAILED(hr) ? hr : MAPI_E_NOT_FOUND);
        return PR_NULL;
    }
    return tags->aulPropTag[0];
}

} // namespace

CReminderDialog::CReminderDialog(IReminderEngine* engine) : CAddinDialog(kLayout), m_engine(engine) {}

CReminderDialog::~CReminderDialog()
{
    m_tray.DeleteTrayIcon();
    for (HICON icon : {m_bigIcon, m_smallIcon, m_trayIcon})
        if (icon)
            DestroyIcon(icon);
}

BOOL CReminderDialog::SetFilterType(LONG filter)
{
    m_filter = filter;
    return TRUE;
}

HWND CReminderDialog::RemindersWindow()
{
    return g_remindersWindow && IsWindow(g_remindersWindow) ? g_remindersWindow : nullptr;
}

HWND CReminderDialog::Create()
{
    return CAddinDialog::Create(GetDesktopWindow(), LoadAddinString(IDS_CAPTION));
}

void CReminderDialog::ActivateReminderWindow(int nCmdShow)
{
    const HWND registered = RemindersWindow();
    if (!registered || registered == m_hWnd) {
        g_remindersWindow = m_hWnd;
        ShowWindow(m_hWnd, nCmdShow);
        if (const AddinViewHooks* views = AddinViews())
            views->showModeless(*this);
        return;
    }
    // Another reminders window is open: this one goes (and the object with it).
    DestroyWindow(m_hWnd);
    ShowWindow(registered, nCmdShow == SW_SHOW && IsIconic(registered) ? SW_RESTORE : nCmdShow);
}

void CReminderDialog::OnFinalMessage(HWND hWnd)
{
    if (g_remindersWindow == hWnd)
        g_remindersWindow = nullptr;
    delete this;
}

void CReminderDialog::OnInitDialog()
{
    TRACE_PROC("CReminderDialog::OnInitDialog");
    CreateControls();
    m_list.Create(m_hWnd, IDC_REM_LIST);

    const int big = GetSystemMetrics(SM_CXICON);
    const int small = GetSystemMetrics(SM_CXSMICON);
    m_bigIcon = static_cast<HICON>(LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDI_ADDIN), IMAGE_ICON, big, big, 0));
    m_smallIcon = static_cast<HICON>(LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDI_ADDIN), IMAGE_ICON, small, small, 0));
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));

    if (m_filter == 0)
        LoadFilterType();
    CheckFilterButton();
    m_list.Init(m_engine.get());
    SendMessageA(m_hWnd, WMU_REMINDERS_UPDATEUI, 0, 0);
    ForceForegroundWindow(m_hWnd, FALSE);
}

std::vector<std::string> CReminderDialog::SnoozeChoices()
{
    struct Choice {
        int count;
        UINT unit;
    };
    static constexpr Choice choices[] = {{5, 402},  {10, 402}, {15, 402}, {30, 402}, {45, 402}, {1, 403},
                                         {2, 404},  {4, 404},  {8, 404},  {12, 404}, {1, 405},  {2, 406},
                                         {3, 406},  {4, 406},  {1, 425},  {2, 426}};
    std::vector<std::string> texts;
    for (const Choice& choice : choices)
        texts.push_back(std::to_string(choice.count) + " " + LoadAddinString(choice.unit));
    return texts;
}

LRESULT CReminderDialog::OnUpdateUI()
{
    const HWND combo = GetDlgItem(m_hWnd, IDC_REM_SPAN);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    const int selected = m_list.GetSelectedCount();
    const int rows = m_list.GetItemCount();
    EnableWindow(combo, selected > 0);
    if (selected > 0) {
        int index = -1;
        for (const std::string& text : SnoozeChoices()) {
            // Each behind the one before: the choices keep their order in the sorted combo.
            index = static_cast<int>(SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(index + 1),
                                                  reinterpret_cast<LPARAM>(text.c_str())));
            if (index == 0)
                SendMessageA(combo, CB_SETCURSEL, 0, 0);
        }
    }
    EnableWindow(GetDlgItem(m_hWnd, IDC_REM_AGAIN), selected > 0);
    EnableWindow(GetDlgItem(m_hWnd, IDC_REM_DELETE), selected > 0);
    EnableWindow(GetDlgItem(m_hWnd, IDC_REM_DELETE_ALL), rows > 0);
    return 0;
}

HRESULT CReminderDialog::ParseMinutes(const std::string& input, LONG& minutes)
{
    minutes = 0;
    std::string text = input.substr(0, 256);
    for (char& c : text)
        if (c == ',')
            c = '.';
    std::size_t pos = text.find_first_not_of(" \t");
    if (pos == std::string::npos)
        return S_FALSE;
    if (text[pos] == '+')
        ++pos;
    double number = 0;
    const auto [end, error] = std::from_chars(text.data() + pos, text.data() + text.size(), number);
    if (error != std::errc() || !std::isfinite(number) || number <= 0)
        return S_FALSE;
    pos = static_cast<std::size_t>(end - text.data());
    const std::size_t wordStart = text.find_first_not_of(" \t", pos);
    if (wordStart == std::string::npos || wordStart == pos)
        return S_FALSE;
    const std::size_t wordEnd = text.find_first_of(" \t", wordStart);
    const std::string word = text.substr(wordStart, wordEnd == std::string::npos ? std::string::npos : wordEnd - wordStart);
    for (const Unit& unit : kUnits) {
        if (!platform::EqualNoCase(word, unit.word))
            continue;
        const double span = std::trunc(number * unit.minutes);
        if (!(span >= 1) || span > std::numeric_limits<LONG>::max())
            return S_FALSE;
        // A snooze that reaches MAPI's "never" is no snooze.
        const auto value = static_cast<ULONGLONG>(span);
        if (NowTicks() + value * kMinuteTicks + kSecondTicks >= kNever)
            return S_FALSE;
        minutes = static_cast<LONG>(value);
        return S_OK;
    }
    return S_FALSE;
}

HRESULT CReminderDialog::GetSelectedMinutes(LONG& minutes)
{
    return ParseMinutes(ItemText(IDC_REM_SPAN), minutes);
}

void CReminderDialog::OnRemindAgain()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderDialog::OnRemindAgain", &hr);
    const bool all = m_list.GetSelectedCount() == m_list.GetItemCount();
    LONG minutes = 0;
    hr = GetSelectedMinutes(minutes);
    if (FAILED(hr))
        return;
    if (hr == S_FALSE) {
        Box(m_hWnd, LoadAddinString(IDS_INVALID_SPAN));
        return;
    }
    const ComPtr<IMAPIFolder> folder = BackMapiFolder();
    if (!folder)
        return;
    const ULONGLONG span = static_cast<ULONGLONG>(minutes) * kMinuteTicks + kSecondTicks;
    MoveSignalTimes(folder.get(), RowCopies(true), [span](ULONGLONG, ULONGLONG now) { return std::optional(now + span); });
    hr = S_OK;
    if (all)
        SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void CReminderDialog::OnOK()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderDialog::OnOK", &hr);
    if (const ComPtr<IMAPIFolder> folder = BackMapiFolder()) {
        // Due rows come back five minutes later.
        MoveSignalTimes(folder.get(), RowCopies(false), [](ULONGLONG signal, ULONGLONG now) {
            return now < signal ? std::nullopt : std::optional(now + 5 * kMinuteTicks + kSecondTicks);
        });
    }
    DestroyWindow(m_hWnd);
}

void CReminderDialog::Dismiss(bool all)
{
    HRESULT hr = S_OK;
    TRACE_FUNC(all ? "CReminderDialog::OnRemDeleteAll" : "CReminderDialog::OnRemDelete", &hr);
    if (all && MessageBoxA(m_hWnd, LoadAddinString(IDS_CONFIRM_DELETE_ALL).c_str(), LoadAddinString(IDS_CAPTION).c_str(),
                           MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    const bool allSelected = m_list.GetSelectedCount() == m_list.GetItemCount();
    // Failure boxes only for the rows the user chose one by one.
    const bool boxes = !all;

    const ComPtr<IMAPIFolder> folder = BackMapiFolder();
    if (!folder)
        return;
    const NamedProp copyNames[] = {CopyProp(BackFolderItem::LVEntryID), CopyProp(BackFolderItem::LVStoreID)};
    CMapiBuffer<SPropTagArray> copyTags;
    hr = ResolveNamedProps(folder.get(), copyNames, 0, copyTags.put());
    if (hr != S_OK || !copyTags || copyTags->cValues != 2) {
        hr = FAILED(hr) ? hr : E_FAIL;
        TRACE_FAILED(GetIDsFromNames, hr);
        return;
    }
    ComPtr<IMAPISession> session(AddinCache::Session());
    if (!session) {
        ComPtr<IUnknown> engineSession;
        if (SUCCEEDED(m_engine->get_MapiSession(engineSession.put())) && engineSession)
            engineSession.As(session);
    }
    ComPtr<IMAPITable> stores;
    if (!session || FAILED(hr = session->GetMsgStoresTable(0, stores.put()))) {
        hr = FAILED(hr) ? hr : E_FAIL;
        TRACE_FAILED(GetMsgStoresTable, hr);
        return;
    }
    SizedSPropTagArray(1, storeColumns) = {1, {PR_ENTRYID}};
    stores->SetColumns(reinterpret_cast<LPSPropTagArray>(&storeColumns), 0);

    const std::vector<std::vector<BYTE>> copies = RowCopies(!all);

    // A copy that can no longer be dismissed at its source: never again, or its series' next.
    auto retire = [&](const std::vector<BYTE>& id, bool recurringAllowed) {
        ComPtr<IMessage> copy;
        HRESULT result = OpenMessage(folder.get(), id, MAPI_MODIFY, copy);
        CMapiBuffer<SPropTagArray> tags;
        CMapiBuffer<SPropValue> values;
        if (SUCCEEDED(result))
            result = ReadReminderProps(copy.get(), 0, tags, values);
        if (FAILED(result)) {
            TRACE_FAILED(OpenEntry, result);
            return;
        }
        const SPropValue* v = values.get();
        FILETIME when = FromTicks(kNever);
        if (recurringAllowed && Is(v[RP_PATTERN], PT_BINARY) && Is(v[RP_DELTA], PT_LONG)) {
            SPropValue reference{};
            reference.ulPropTag = PROP_TAG(PT_SYSTIME, 0);
            reference.Value.ft = FromTicks(NowTicks() - 1);
            SPropValue due{}, next{};
            if (SUCCEEDED(GetReminderDueAt(&v[RP_PATTERN], v[RP_DELTA].Value.l, &reference, &due, &next)) &&
                Ticks(next.Value.ft) != 0)
                when = next.Value.ft;
        }
        result = WriteSignalTime(copy.get(), tags->aulPropTag[RP_SIGNAL], when);
        if (FAILED(result) && boxes)
            Box(m_hWnd, Formatted(IDS_NOT_DISMISSED, result));
    };

    for (const std::vector<BYTE>& id : copies) {
        ComPtr<IMessage> copy;
        if (FAILED(hr = OpenMessage(folder.get(), id, 0, copy))) {
            TRACE_FAILED(OpenEntry, hr);
            continue;
        }
        ULONG count = 0;
        CMapiBuffer<SPropValue> keys;
        hr = copy->GetProps(copyTags.get(), 0, &count, keys.put());
        copy = nullptr;
        if (FAILED(hr) || count != 2 || !Is(keys.get()[0], PT_BINARY) || !Is(keys.get()[1], PT_BINARY)) {
            TRACE_FAILED(GetProps, FAILED(hr) ? hr : E_FAIL);
            continue;
        }
        const SBinary& itemId = keys.get()[0].Value.bin;
        const SBinary& storeId = keys.get()[1].Value.bin;
        SPropValue storeValue{};
        storeValue.ulPropTag = PR_ENTRYID;
        storeValue.Value.bin = storeId;
        SRestriction restriction{};
        restriction.rt = RES_PROPERTY;
        restriction.res.resProperty.relop = RELOP_EQ;
        restriction.res.resProperty.ulPropTag = PR_ENTRYID;
        restriction.res.resProperty.lpProp = &storeValue;
        hr = stores->FindRow(&restriction, BOOKMARK_BEGINNING, 0);
        if (FAILED(hr)) {
            // The store left the profile: nobody can dismiss the item there any more.
            retire(id, true);
            continue;
        }
        ComPtr<IMsgStore> store;
        hr = session->OpenMsgStore(0, storeId.cb, reinterpret_cast<LPENTRYID>(storeId.lpb), nullptr, MDB_WRITE, store.put());
        if (FAILED(hr) || !store) {
            hr = FAILED(hr) ? hr : E_FAIL;
            TRACE_FAILED(OpenMsgStore, hr);
            if (boxes)
                Box(m_hWnd, Formatted(IDS_STORE_NOT_AVAILABLE, hr));
            continue;
        }
        ComPtr<IMessage> item;
        hr = OpenMessage(store.get(), std::vector<BYTE>(itemId.lpb, itemId.lpb + itemId.cb), MAPI_MODIFY, item);
        if (hr == MAPI_E_NO_ACCESS || hr == MAPI_E_NOT_FOUND) {
            // Read-only or gone: its reminder can only end here.
            retire(id, false);
            continue;
        }
        if (FAILED(hr)) {
            TRACE_FAILED(OpenEntry, hr);
            if (boxes)
                Box(m_hWnd, Formatted(IDS_ITEM_NOT_AVAILABLE, hr));
            continue;
        }
        CMapiBuffer<SPropTagArray> itemTags;
        CMapiBuffer<SPropValue> itemValues;
        if (FAILED(hr = ReadReminderProps(item.get(), MAPI_CREATE, itemTags, itemValues)))
            continue;
        const SPropValue* iv = itemValues.get();
        if (Is(iv[RP_SET], PT_BOOLEAN) && iv[RP_SET].Value.b && Is(iv[RP_PATTERN], PT_BINARY) && Is(iv[RP_DELTA], PT_LONG)) {
            ComPtr<IMessage> writable;
            CMapiBuffer<SPropTagArray> tags;
            CMapiBuffer<SPropValue> values;
            if (SUCCEEDED(OpenMessage(folder.get(), id, MAPI_MODIFY, writable)) &&
                SUCCEEDED(ReadReminderProps(writable.get(), 0, tags, values))) {
                SPropValue oldDue{};
                oldDue.ulPropTag = PROP_TAG(PT_SYSTIME, 0);
                if (Is(values.get()[RP_SIGNAL], PT_SYSTIME))
                    oldDue.Value.ft = values.get()[RP_SIGNAL].Value.ft;
                SPropValue next{};
                GetNextReminderDueAt(&iv[RP_PATTERN], iv[RP_DELTA].Value.l, &oldDue, &next);
                if (Ticks(next.Value.ft) != 0) {
                    // The series goes on: only the copy moves to its next reminder.
                    if (PROP_TYPE(tags->aulPropTag[RP_SIGNAL]) != PT_ERROR) {
                        hr = WriteSignalTime(writable.get(), tags->aulPropTag[RP_SIGNAL], next.Value.ft);
                        if (FAILED(hr) && boxes)
                            Box(m_hWnd, Formatted(IDS_NOT_DISMISSED, hr));
                    }
                    continue;
                }
            }
        }
        // A single reminder, or a series without a further one: switched off at the source.
        SPropValue off{};
        off.ulPropTag = CHANGE_PROP_TYPE(itemTags->aulPropTag[RP_SET], PT_BOOLEAN);
        off.Value.b = 0;
        hr = HrSetOneProp(item.get(), &off);
        if (SUCCEEDED(hr))
            hr = item->SaveChanges(0);
        if (hr == MAPI_E_NO_ACCESS) {
            retire(id, false);
            continue;
        }
        if (FAILED(hr)) {
            TRACE_FAILED(SaveChanges, hr);
            if (boxes)
                Box(m_hWnd, Formatted(IDS_NOT_DISMISSED, hr));
        }
    }
    hr = S_OK;
    if (all || allSelected)
        SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

ComPtr<IMAPIFolder> CReminderDialog::BackMapiFolder() const
{
    ComPtr<ILVFolder> backFolder;
    ComPtr<IUnknown> unknown;
    ComPtr<IMAPIFolder> folder;
    if (!m_engine || FAILED(m_engine->get_BackFolder(backFolder.put())) || !backFolder ||
        FAILED(backFolder->get_MAPIFolder(unknown.put())) || !unknown || FAILED(unknown.As(folder))) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "!pBackFolder failed. hr=0x%08lx\n", E_FAIL);
        return nullptr;
    }
    return folder;
}

std::vector<std::vector<BYTE>> CReminderDialog::RowCopies(bool selectedOnly) const
{
    std::vector<std::vector<BYTE>> copies;
    for (int row = selectedOnly ? m_list.GetNextItem(-1, LVNI_SELECTED) : 0; row >= 0 && row < m_list.GetItemCount();
         row = selectedOnly ? m_list.GetNextItem(row, LVNI_SELECTED) : row + 1)
        if (const ReminderRowData* data = m_list.RowData(row))
            copies.push_back(data->entryId);
    return copies;
}

void CReminderDialog::MoveSignalTimes(IMAPIFolder* folder, const std::vector<std::vector<BYTE>>& copies,
                                      const std::function<std::optional<ULONGLONG>(ULONGLONG signal, ULONGLONG now)>& next)
{
    for (const std::vector<BYTE>& id : copies) {
        ComPtr<IMessage> copy;
        HRESULT hr = OpenMessage(folder, id, MAPI_MODIFY, copy);
        if (FAILED(hr)) {
            TRACE_FAILED(OpenEntry, hr);
            continue;
        }
        const ULONG tag = SignalTag(copy.get());
        CMapiBuffer<SPropValue> value;
        if (tag == PR_NULL || FAILED(HrGetOneProp(copy.get(), CHANGE_PROP_TYPE(tag, PT_SYSTIME), value.put())) ||
            !Is(*value.get(), PT_SYSTIME))
            continue;
        const std::optional<ULONGLONG> when = next(Ticks(value->Value.ft), NowTicks());
        if (!when)
            continue;
        value->Value.ft = FromTicks(*when);
        hr = copy->SetProps(1, value.get(), nullptr);
        if (FAILED(hr)) {
            TRACE_FAILED(SetProps, hr);
            break;
        }
        if (FAILED(hr = copy->SaveChanges(0)))
            TRACE_FAILED(SaveChanges, hr);
    }
}

void CReminderDialog::LoadFilterType()
{
    CRegKeyEx key;
    DWORD value = 0;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryDWORDValue("FilterType", value) != ERROR_SUCCESS)
        value = 0;
    m_filter = value == 1 || value == 2 || value == 3 || value == 16 ? static_cast<LONG>(value) : FILTER_ALL;
}

void CReminderDialog::SaveFilterType() const
{
    CRegKeyEx key;
    LONG result = key.Create(HKEY_CURRENT_USER, kSettingsKey);
    if (result == ERROR_SUCCESS)
        result = key.SetDWORDValue("FilterType", static_cast<DWORD>(m_filter));
    if (result != ERROR_SUCCESS)
        TracePrint(__FILE__, __LINE__, TL_ERROR, "FilterType not written: %ld\n", result);
}

void CReminderDialog::CheckFilterButton()
{
    for (int id : {IDC_REM_ALL, IDC_REM_ACTIVE, IDC_REM_FUTURE})
        CheckDlgButton(m_hWnd, id, id - IDC_REM_ALL + 1 == m_filter ? BST_CHECKED : BST_UNCHECKED);
}

void CReminderDialog::RefreshList()
{
    m_list.Init(m_engine.get());
    OnUpdateUI();
}

void CReminderDialog::OnFilterCommand(int id)
{
    const LONG filter = id - IDC_REM_ALL + 1;
    if (filter == m_filter)
        return;
    m_filter = filter;
    SaveFilterType();
    CheckFilterButton();
    RefreshList();
}

void CReminderDialog::OnShowTrayIcon()
{
    const int size = GetSystemMetrics(SM_CXSMICON);
    if (!m_trayIcon)
        m_trayIcon = static_cast<HICON>(LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON, size, size, 0));
    m_tray.InstallTrayIcon(ModuleInstance(), m_hWnd, WMU_REMINDERS_TRAY, LoadAddinString(IDS_CAPTION).c_str(),
                           m_trayIcon, 0, FALSE, nullptr, nullptr, NIIF_NONE, 10);
    m_tray.RevealTrayIcon();
    m_tray.LoadCycleIcons(IDI_TRAY, IDI_TRAY_RINGING);
    const UINT blink = GetCaretBlinkTime();
    m_tray.StartIconCycle(blink ? blink : 300, -1);
}

void CReminderDialog::OnActivate()
{
    m_tray.StopIconCycle();
    m_tray.ConcealTrayIcon();
}

BOOL CReminderDialog::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return TRUE;
    case WMU_REMINDERS_UPDATEUI: result = OnUpdateUI(); return TRUE;
    case WM_SHOWWINDOW: return TRUE;
    case WMU_REMINDERS_GETFILTER: result = m_filter; return TRUE;
    case WMU_REMINDERS_PENDING: OnShowTrayIcon(); return TRUE;
    case WMU_REMINDERS_TRAY: result = m_tray.HandleTrayMessage(wParam, lParam); return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            OnActivate();
        return TRUE;
    case WM_ACTIVATEAPP:
        if (wParam)
            OnActivate();
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const UINT code = HIWORD(wParam);
        switch (id) {
        case IDOK:
        case IDCANCEL: OnOK(); return TRUE;
        case IDC_REM_AGAIN:
            if (code != BN_CLICKED)
                return FALSE;
            OnRemindAgain();
            return TRUE;
        case IDC_REM_DELETE:
            if (code != BN_CLICKED)
                return FALSE;
            Dismiss(false);
            return TRUE;
        case IDC_REM_DELETE_ALL:
            if (code != BN_CLICKED)
                return FALSE;
            Dismiss(true);
            return TRUE;
        case IDC_REM_ALL:
        case IDC_REM_ACTIVE:
        case IDC_REM_FUTURE:
            if (code != BN_CLICKED)
                return FALSE;
            OnFilterCommand(id);
            return TRUE;
        default: return FALSE;
        }
    }
    case WM_NOTIFY: return ReflectNotifications(uMsg, wParam, lParam, result);
    default: return FALSE;
    }
}
