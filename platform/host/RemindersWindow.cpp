#include "host/RemindersWindow.h"

#include "base/WinTime.h"
#include "com/ComPtr.h"
#include "mapi/MapiUtil.h"

#include <cstdio>

namespace host {

namespace {

constexpr LONG kReminderSet = 0x8503;
constexpr LONG kSignalTime = 0x8560;
constexpr ULONGLONG kFileTimePerMinute = 600000000ull;

FILETIME ToFileTime(ULONGLONG value)
{
    return FILETIME{static_cast<DWORD>(value & 0xffffffffu), static_cast<DWORD>(value >> 32)};
}

} // namespace

std::vector<DialogChild> RemindersWindow::HookChildren()
{
    return {
        {"SysListView32", "", 100},
        {"Button", "&Dismiss", 101},
        {"Button", "&Snooze", 102},
    };
}

RemindersWindow::RemindersWindow(const HostSession& session, const HostReminders& reminders)
    : m_session(session), m_reminders(reminders)
{
}

void RemindersWindow::Refresh(ULONGLONG now)
{
    m_rows.clear();
    for (DueReminder& r : m_reminders.Due(now)) {
        Row row;
        ULONG type = 0;
        ComPtr<IUnknown> object;
        ComPtr<IMAPIProp> folder;
        if (!r.parentId.empty() && SUCCEEDED(m_session.OpenEntry(r.parentId, &r.storeId, type, object)) &&
            SUCCEEDED(object.As(folder)))
            row.folder = GetTextProp(folder.get(), PR_DISPLAY_NAME_W);
        row.reminder = std::move(r);
        m_rows.push_back(std::move(row));
    }
}

std::string RemindersWindow::DueText(const Row& row)
{
    const FILETIME utc = ToFileTime(row.reminder.due);
    FILETIME local{};
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
    return text;
}

HRESULT RemindersWindow::OpenItem(const Row& row, ComPtr<IMessage>& message, LONG namedId, ULONG type,
                                  ULONG& tag) const
{
    ComPtr<IMsgStore> store;
    HRESULT hr = m_session.OpenStore(row.reminder.storeId, store);
    if (FAILED(hr))
        return hr;
    ULONG objectType = 0;
    ComPtr<IUnknown> object;
    hr = store->OpenEntry(static_cast<ULONG>(row.reminder.entryId.size()),
                          reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(row.reminder.entryId.data())), nullptr,
                          MAPI_MODIFY, &objectType, object.put());
    if (FAILED(hr) || FAILED(hr = object.As(message)))
        return hr;
    GUID common = PSETID_Common;
    MAPINAMEID name{&common, MNID_ID, {namedId}};
    LPMAPINAMEID names = &name;
    LPSPropTagArray ids = nullptr;
    hr = store->GetIDsFromNames(1, &names, MAPI_CREATE, &ids);
    if (SUCCEEDED(hr) && ids && ids->cValues == 1 && PROP_TYPE(ids->aulPropTag[0]) != PT_ERROR)
        tag = CHANGE_PROP_TYPE(ids->aulPropTag[0], type);
    else if (SUCCEEDED(hr))
        hr = MAPI_E_NOT_FOUND;
    MAPIFreeBuffer(ids);
    return hr;
}

HRESULT RemindersWindow::Dismiss(std::size_t index)
{
    if (index >= m_rows.size())
        return E_INVALIDARG;
    ComPtr<IMessage> message;
    ULONG tag = 0;
    HRESULT hr = OpenItem(m_rows[index], message, kReminderSet, PT_BOOLEAN, tag);
    if (FAILED(hr))
        return hr;
    SPropValue value{};
    value.ulPropTag = tag;
    value.Value.b = 0;
    if (FAILED(hr = HrSetOneProp(message.get(), &value)) || FAILED(hr = message->SaveChanges(0)))
        return hr;
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
    return S_OK;
}

HRESULT RemindersWindow::Snooze(std::size_t index, ULONG minutes, ULONGLONG now)
{
    if (index >= m_rows.size() || minutes == 0)
        return E_INVALIDARG;
    ComPtr<IMessage> message;
    ULONG tag = 0;
    HRESULT hr = OpenItem(m_rows[index], message, kSignalTime, PT_SYSTIME, tag);
    if (FAILED(hr))
        return hr;
    SPropValue value{};
    value.ulPropTag = tag;
    value.Value.ft = ToFileTime(now + minutes * kFileTimePerMinute);
    if (FAILED(hr = HrSetOneProp(message.get(), &value)) || FAILED(hr = message->SaveChanges(0)))
        return hr;
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
    return S_OK;
}

} // namespace host
