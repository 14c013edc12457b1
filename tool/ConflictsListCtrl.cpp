#include "ConflictsListCtrl.h"

#include "ConflictResource.h"
#include "ErrorText.h"
#include "MyMAPIFormViewer.h"

#include "base/DebugOutput.h"
#include "base/WinTime.h"
#include "base/Window.h"
#include "mapi/MapiForm.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"

#include <cstdio>

namespace {

constexpr const char* kFile = "ConflictsListCtrl.cpp";

// Types whose source message is missing (the local side is all there is) and whose destination
// message is missing.
bool SourceMissing(SHORT type) { return type == 1 || type == 5 || type == 7; }
bool DestinationMissing(SHORT type) { return type == 2 || type == 6; }

bool IsLocalText(int column)
{
    return column == CConflictsListCtrl::COL_LOCAL_SUBJECT || column == CConflictsListCtrl::COL_LOCAL_DATE;
}
bool IsGlobalText(int column)
{
    return column == CConflictsListCtrl::COL_GLOBAL_SUBJECT || column == CConflictsListCtrl::COL_GLOBAL_DATE;
}
// The column of the other side that holds the same kind of text.
int Opposite(int column) { return IsLocalText(column) ? column + 3 : column - 3; }

const std::string& Empty()
{
    static const std::string empty;
    return empty;
}

} // namespace

std::string ConflictTimeText(const FILETIME& time)
{
    if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0)
        return {};
    FILETIME local{};
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &st))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%02u.%02u. %02u:%02u", static_cast<unsigned>(st.wDay),
                  static_cast<unsigned>(st.wMonth), static_cast<unsigned>(st.wHour),
                  static_cast<unsigned>(st.wMinute));
    return text;
}

CConflictsListCtrl::CConflictsListCtrl() = default;

CConflictsListCtrl::~CConflictsListCtrl()
{
    for (CMyMAPIFormViewer* site : m_sites)
        site->DetachParent();
    m_sites.clear();
    if (m_hWnd)
        DestroyWindow(m_hWnd);
}

BOOL CConflictsListCtrl::Create(HWND dialog)
{
    m_hWnd = platform::CreateMessageWindow(
        "SysListView32", "",
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == WM_NCDESTROY) {
                m_hWnd = nullptr;
                return DefWindowProcA(hwnd, message, wParam, lParam);
            }
            return WindowProc(message, wParam, lParam);
        },
        dialog, nullptr, WS_CHILD | WS_VISIBLE);
    return m_hWnd != nullptr;
}

LRESULT CConflictsListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WMU_CONFLICT_SIDE) {
        const int side = lParam == 0 ? SIDE_LOCAL : SIDE_GLOBAL;
        if (side != m_nActiveSide) {
            m_nActiveSide = side;
            Changed();
        }
        return 0;
    }
    return DefWindowProcA(m_hWnd, message, wParam, lParam);
}

void CConflictsListCtrl::PostToDialog(UINT message, LPARAM lParam)
{
    if (const HWND dialog = m_hWnd ? GetParent(m_hWnd) : nullptr)
        PostMessageA(dialog, message, 0, lParam);
}

void CConflictsListCtrl::RowChanged(int row)
{
    if (m_onRowChanged)
        m_onRowChanged(row);
}

void CConflictsListCtrl::Changed()
{
    if (m_onChanged)
        m_onChanged();
}

// --- Rows ---------------------------------------------------------------------------------------

void CConflictsListCtrl::Fill(const std::vector<ConflictRow>& rows, IConflicts* conflicts)
{
    m_pConflicts = conflicts;
    m_items.clear();
    m_items.reserve(rows.size());
    for (const ConflictRow& row : rows) {
        Item item;
        item.row = row;
        if (row.pPair) {
            item.text[COL_LOCAL_SUBJECT] = row.pPair->strLocalPath;
            item.text[COL_GLOBAL_SUBJECT] = row.pPair->strGlobalPath;
        } else if (row.pEntry) {
            item.text[COL_LOCAL_SUBJECT] = row.pEntry->strDstSubject;
            item.text[COL_LOCAL_DATE] = ConflictTimeText(row.pEntry->ftDstTime);
            item.text[COL_GLOBAL_SUBJECT] = row.pEntry->strSrcSubject;
            item.text[COL_GLOBAL_DATE] = ConflictTimeText(row.pEntry->ftSrcTime);
        }
        m_items.push_back(std::move(item));
    }
    // From the last row up: what has nothing to resolve, and headers of groups of such rows.
    bool groupDone = true;
    for (int i = GetItemCount() - 1; i >= 0; --i) {
        Item& item = m_items[static_cast<std::size_t>(i)];
        if (item.row.pEntry) {
            const SHORT type = item.row.pEntry->nType;
            if (type == 0 || type == 4 || type == 99)
                item.data = NOTHING_TO_RESOLVE;
            else
                groupDone = false;
        } else {
            item.data = groupDone ? DWORD{NOTHING_TO_RESOLVE} : DWORD{0};
            groupDone = true;
        }
    }
    Changed();
}

void CConflictsListCtrl::SetItemData(int row, DWORD data)
{
    if (!IsRow(row))
        return;
    m_items[static_cast<std::size_t>(row)].data = data;
    RowChanged(row);
}

const std::string& CConflictsListCtrl::GetItemText(int row, int column) const
{
    if (!IsRow(row) || column < 0 || column >= COL_COUNT)
        return Empty();
    return m_items[static_cast<std::size_t>(row)].text[static_cast<std::size_t>(column)];
}

void CConflictsListCtrl::SetItemText(int row, int column, const std::string& text)
{
    if (!IsRow(row) || column < 0 || column >= COL_COUNT)
        return;
    m_items[static_cast<std::size_t>(row)].text[static_cast<std::size_t>(column)] = text;
}

int CConflictsListCtrl::HeaderOf(int row) const
{
    for (int i = row; i >= 0 && IsRow(i); --i)
        if (IsHeader(i))
            return i;
    return -1;
}

void CConflictsListCtrl::UpdateHeader(int header)
{
    if (!IsHeader(header))
        return;
    int resolvable = 0, local = 0, global = 0;
    for (int i = header + 1; IsRow(i) && !IsHeader(i); ++i) {
        const DWORD data = GetItemData(i);
        if (data & NOTHING_TO_RESOLVE)
            continue;
        ++resolvable;
        local += (data & TICK_LOCAL) ? 1 : 0;
        global += (data & TICK_GLOBAL) ? 1 : 0;
    }
    DWORD summary = 0;
    if (resolvable == 0) {
        summary = NOTHING_TO_RESOLVE;
    } else {
        if (local == resolvable)
            summary |= TICK_LOCAL;
        else if (local > 0)
            summary |= SOME_LOCAL;
        if (global == resolvable)
            summary |= TICK_GLOBAL;
        else if (global > 0)
            summary |= SOME_GLOBAL;
    }
    SetItemData(header, summary);
}

// --- What a row looks like ---------------------------------------------------------------------

std::string CConflictsListCtrl::CellText(int row, int column) const
{
    if (!IsRow(row))
        return {};
    const Item& item = m_items[static_cast<std::size_t>(row)];
    if (!item.row.pEntry || !(IsLocalText(column) || IsGlobalText(column)))
        return GetItemText(row, column);
    const SHORT type = item.row.pEntry->nType;
    const bool local = (item.data & TICK_LOCAL) != 0;
    const bool global = (item.data & TICK_GLOBAL) != 0;
    bool other = false;
    if (IsLocalText(column))
        // The kept global side, or the missing local one that a run fills from it.
        other = (global && !SourceMissing(type)) || DestinationMissing(type);
    else
        other = (local && !DestinationMissing(type)) || SourceMissing(type);
    return GetItemText(row, other ? Opposite(column) : column);
}

bool CConflictsListCtrl::IsCellStruckOut(int row, int column) const
{
    if (!IsRow(row))
        return false;
    const Item& item = m_items[static_cast<std::size_t>(row)];
    if (!item.row.pEntry || !(IsLocalText(column) || IsGlobalText(column)))
        return false;
    const SHORT type = item.row.pEntry->nType;
    const bool local = (item.data & TICK_LOCAL) != 0;
    const bool global = (item.data & TICK_GLOBAL) != 0;
    if (DestinationMissing(type))
        return local || (!global && IsLocalText(column));
    if (SourceMissing(type))
        return global || (!local && IsGlobalText(column));
    return false;
}

UINT CConflictsListCtrl::RowIcon(int row) const
{
    if (!IsRow(row) || !GetRow(row).pEntry)
        return 0;
    const SHORT type = GetRow(row).pEntry->nType;
    if (type == 0)
        return IDI_DONE;
    if (IsPending(type))
        return (GetItemData(row) & (TICK_LOCAL | TICK_GLOBAL)) ? IDI_CURRENT : IDI_PENDING;
    if (type == 4 || type == 99)
        return IDI_NOTHING_TO_RESOLVE;
    return IDI_PENDING;
}

int CConflictsListCtrl::StateImage(int row, int side) const
{
    if (!IsRow(row))
        return 0;
    const DWORD data = GetItemData(row);
    const bool header = IsHeader(row);
    const int base = header ? 4 : 0;
    if (data & NOTHING_TO_RESOLVE)
        return base + 3;
    const DWORD all = side == SIDE_LOCAL ? TICK_LOCAL : TICK_GLOBAL;
    const DWORD some = side == SIDE_LOCAL ? SOME_LOCAL : SOME_GLOBAL;
    if (data & all)
        return base + 1;
    if (header && (data & some))
        return base + 2;
    return base;
}

int CConflictsListCtrl::SideOfColumn(int column)
{
    if (column >= COL_LOCAL_TICK && column <= COL_LOCAL_DATE)
        return SIDE_LOCAL;
    if (column >= COL_GLOBAL_TICK && column <= COL_GLOBAL_DATE)
        return SIDE_GLOBAL;
    return -1;
}

bool CConflictsListCtrl::IsCellHighlighted(int row, int column) const
{
    return IsSelected(row) && SideOfColumn(column) == m_nActiveSide;
}

// --- Modes ----------------------------------------------------------------------------------------

bool CConflictsListCtrl::IsPending(SHORT type)
{
    return type == 1 || type == 2 || type == 3 || type == 5 || type == 6 || type == 7;
}

int CConflictsListCtrl::ModeFor(SHORT type, DWORD ticks)
{
    const bool global = (ticks & TICK_GLOBAL) != 0;
    const bool local = (ticks & TICK_LOCAL) != 0;
    if (!global && !local)
        return -1;
    // The kept side: the global tick decides when both are set.
    switch (type) {
    case 1:
    case 5:
    case 7:
        return global ? 4 : 3;
    case 2:
    case 6:
        return global ? 1 : 2;
    case 3:
        return global ? 1 : 3;
    default:
        return -1;
    }
}

// --- Selection and the active side ---------------------------------------------------------------

void CConflictsListCtrl::SetSelected(int row, bool selected)
{
    if (!IsRow(row) || m_items[static_cast<std::size_t>(row)].selected == selected)
        return;
    m_items[static_cast<std::size_t>(row)].selected = selected;
    RowChanged(row);
}

void CConflictsListCtrl::SelectOnly(int row)
{
    for (int i = 0; i < GetItemCount(); ++i)
        SetSelected(i, i == row);
}

std::vector<int> CConflictsListCtrl::SelectedRows() const
{
    std::vector<int> rows;
    for (int i = 0; i < GetItemCount(); ++i)
        if (IsSelected(i))
            rows.push_back(i);
    return rows;
}

void CConflictsListCtrl::SetActiveSide(int side)
{
    if (m_hWnd)
        SendMessageA(m_hWnd, WMU_CONFLICT_SIDE, 0, side == SIDE_GLOBAL ? 1 : 0);
}

std::vector<int> CConflictsListCtrl::RowsForKeys() const
{
    const std::vector<int> selected = SelectedRows();
    std::vector<int> rows;
    for (const int row : selected)
        if (!IsHeader(row) || selected.size() == 1)
            rows.push_back(row);
    return rows;
}

// --- Ticks, keys and clicks ----------------------------------------------------------------------

void CConflictsListCtrl::ToggleCheck(int row, int side)
{
    if (!IsRow(row) || (GetItemData(row) & NOTHING_TO_RESOLVE))
        return;
    const DWORD bit = side == SIDE_GLOBAL ? TICK_GLOBAL : TICK_LOCAL;
    const DWORD other = side == SIDE_GLOBAL ? TICK_LOCAL : TICK_GLOBAL;
    if (IsHeader(row)) {
        const bool set = !(GetItemData(row) & bit);
        for (int i = row + 1; IsRow(i) && !IsHeader(i); ++i) {
            const DWORD data = GetItemData(i);
            if (data & NOTHING_TO_RESOLVE)
                continue;
            SetItemData(i, set ? (data & ~other) | bit : data & ~bit);
        }
        UpdateHeader(row);
    } else {
        const DWORD data = GetItemData(row);
        SetItemData(row, (data & bit) ? data & ~bit : (data & ~other) | bit);
        UpdateHeader(HeaderOf(row));
    }
    PostToDialog(WMU_CONFLICT_CHECK_CHANGED, 0);
}

void CConflictsListCtrl::OnKeyDown(UINT key)
{
    switch (key) {
    case VK_RETURN: {
        const int column = m_nActiveSide == SIDE_LOCAL ? COL_LOCAL_SUBJECT : COL_GLOBAL_SUBJECT;
        for (const int row : RowsForKeys())
            OpenConflictMessage(row, column);
        break;
    }
    case VK_LEFT:
        SetActiveSide(SIDE_LOCAL);
        break;
    case VK_RIGHT:
        SetActiveSide(SIDE_GLOBAL);
        break;
    default:
        break;
    }
}

void CConflictsListCtrl::OnKeyUp(UINT key)
{
    if (key != VK_SPACE)
        return;
    for (const int row : RowsForKeys())
        ToggleCheck(row, m_nActiveSide);
}

void CConflictsListCtrl::OnButtonDown(int row, int column)
{
    const int side = SideOfColumn(column);
    if (side < 0)
        return;
    SetActiveSide(side);
    if (column == COL_LOCAL_TICK || column == COL_GLOBAL_TICK)
        ToggleCheck(row, side);
}

void CConflictsListCtrl::OnDoubleClick(int row, int column)
{
    if (IsLocalText(column) || IsGlobalText(column))
        OpenConflictMessage(row, column);
}

// --- Forms ----------------------------------------------------------------------------------------

HRESULT CConflictsListCtrl::OpenConflictMessage(int row, int column)
{
    if (!IsRow(row) || !GetRow(row).pEntry || !(IsLocalText(column) || IsGlobalText(column)))
        return S_FALSE;
    if (!m_pConflicts || !m_pProfile)
        return E_POINTER;
    const bool local = IsLocalText(column);

    ComPtr<IConflict> conflict;
    HRESULT hr = m_pConflicts->get_Items(GetRow(row).pEntry->nIndex, conflict.put());
    if (!TraceHResult(hr, "get_Items", kFile, __LINE__))
        return hr;
    ComPtr<IUnknown> folderUnknown, messageUnknown;
    ComPtr<IStore> store;
    hr = local ? conflict->get_DestinationFolder(folderUnknown.put()) : conflict->get_SourceFolder(folderUnknown.put());
    if (!TraceHResult(hr, "get_Folder", kFile, __LINE__))
        return hr;
    hr = local ? conflict->get_DestinationMessage(messageUnknown.put())
               : conflict->get_SourceMessage(messageUnknown.put());
    if (!TraceHResult(hr, "get_Message", kFile, __LINE__))
        return hr;
    if (!folderUnknown || !messageUnknown)
        return S_FALSE; // this side has no message
    hr = local ? m_pProfile->get_Destination(store.put()) : m_pProfile->get_Source(store.put());
    if (!TraceHResult(hr, "get_Store", kFile, __LINE__))
        return hr;

    ComPtr<IMAPIFolder> folder;
    ComPtr<IMessage> message;
    ComPtr<IUnknown> sessionUnknown, mdbUnknown;
    ComPtr<IMAPISession> session;
    ComPtr<IMsgStore> mdb;
    hr = folderUnknown.As(folder);
    if (TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        hr = messageUnknown.As(message);
    if (TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        hr = store->get_Session(sessionUnknown.put());
    if (TraceHResult(hr, "get_Session", kFile, __LINE__))
        hr = sessionUnknown.As(session);
    if (TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        hr = store->get_MDB(mdbUnknown.put());
    if (TraceHResult(hr, "get_MDB", kFile, __LINE__))
        hr = mdbUnknown.As(mdb);
    if (!TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        return hr;

    ComPtr<IMAPIFormMgr> formMgr;
    hr = MAPIOpenFormMgr(session.get(), formMgr.put());
    if (!TraceHResult(hr, "MAPIOpenFormMgr", kFile, __LINE__))
        return hr;

    SizedSPropTagArray(5, tags) = {5, {PR_MESSAGE_FLAGS, PR_MESSAGE_CLASS_A, PR_ACCESS, PR_ENTRYID, PR_MSG_STATUS}};
    ULONG count = 0;
    LPSPropValue props = nullptr;
    hr = message->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &props);
    if (!TraceHResult(hr, "GetProps", kFile, __LINE__))
        return hr;
    const ULONG flags = props[0].ulPropTag == PR_MESSAGE_FLAGS ? props[0].Value.l : 0;
    const std::string messageClass =
        props[1].ulPropTag == PR_MESSAGE_CLASS_A && props[1].Value.lpszA ? props[1].Value.lpszA : "IPM.Note";
    const ULONG status = props[4].ulPropTag == PR_MSG_STATUS ? props[4].Value.l : 0;
    MAPIFreeBuffer(props);

    ComPtr<CMyMAPIFormViewer> site;
    site.Attach(new CMyMAPIFormViewer(session.get(), mdb.get(), folder.get(), message.get(), nullptr, this));
    ComPtr<IMAPIMessageSite> messageSite;
    ComPtr<IMAPIViewContext> viewContext;
    hr = site->QueryInterface(IID_IMAPIMessageSite, messageSite.put_void());
    if (TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        hr = site->QueryInterface(IID_IMAPIViewContext, viewContext.put_void());
    if (!TraceHResult(hr, "QueryInterface", kFile, __LINE__))
        return hr;

    ComPtr<IMAPIForm> form;
    hr = formMgr->LoadForm(reinterpret_cast<ULONG_PTR>(m_hWnd), 0, messageClass.c_str(), status, flags, folder.get(),
                           messageSite.get(), message.get(), viewContext.get(), IID_IMAPIForm, form.put_void());
    if (!TraceHResult(hr, "LoadForm", kFile, __LINE__))
        return hr;
    hr = site->SetForm(form.get());
    if (!TraceHResult(hr, "SetForm", kFile, __LINE__))
        return hr;
    hr = form->DoVerb(EXCHIVERB_OPEN, viewContext.get(), reinterpret_cast<ULONG_PTR>(m_hWnd), nullptr);
    TraceHResult(hr, "DoVerb", kFile, __LINE__);
    return hr;
}

LONG CConflictsListCtrl::AddRef()
{
    OutputDebugStringA("CFolderDlg::AddRef\n");
    const LONG count = ++m_cRef;
    OutputDebugStringA(("CMessageListCtrl.m_cRef increased to " + std::to_string(count) + ".\n").c_str());
    PostToDialog(WMU_FORM_COUNT_CHANGED, count > 1 ? 1 : 0);
    return count;
}

LONG CConflictsListCtrl::Release()
{
    OutputDebugStringA("CFolderDlg::Release\n");
    const LONG count = --m_cRef;
    OutputDebugStringA(("CMessageListCtrl.m_cRef decreased to " + std::to_string(count) + ".\n").c_str());
    PostToDialog(WMU_FORM_COUNT_CHANGED, count > 1 ? 1 : 0);
    return count;
}

void CConflictsListCtrl::AttachSite(CMyMAPIFormViewer* site)
{
    if (m_sites.insert(site).second)
        AddRef();
}

void CConflictsListCtrl::DetachSite(CMyMAPIFormViewer* site)
{
    if (m_sites.erase(site))
        Release();
}
