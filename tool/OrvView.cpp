#include "OrvView.h"

#include "ErrorText.h"
#include "OrvApp.h"
#include "OrvDoc.h"
#include "OrvViewSite.h"
#include "ProfileDialogs.h"
#include "RegKey.h"
#include "ToolStrings.h"
#include "resource.h"

#include "base/Display.h"
#include "base/Handles.h"
#include "base/MessageBox.h"
#include "base/MessageLoop.h"
#include "base/Sound.h"
#include "base/Window.h"
#include "com/ComBstr.h"
#include "mapi/MapiCodes.h"
#include "registry/Registry.h"

#include <cstring>
#include <vector>

namespace {

// The one-second timer of scheduled runs.
constexpr UINT_PTR kTimerId = 0;
constexpr const char* kCheckedProfiles = "CheckedProfiles";
constexpr const char* kIconKeySeparator = "||";

COrvViewSite g_noDisplay;


bool ReadDword(HKEY key, const char* name, DWORD& value)
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD cb = sizeof(data);
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &cb) != ERROR_SUCCESS ||
        type != REG_DWORD || cb != sizeof(DWORD))
        return false;
    value = data;
    return true;
}

std::string StoreName(IStore* store, HRESULT& hr)
{
    ComBstr name;
    hr = store->get_StoreName(name.put());
    return SUCCEEDED(hr) ? name.Utf8() : std::string();
}

} // namespace

// Sets the profile-dialog flag while a command's dialog is open.
class CProfileDialogScope {
public:
    explicit CProfileDialogScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CProfileDialogScope() { m_flag = false; }
    CProfileDialogScope(const CProfileDialogScope&) = delete;
    CProfileDialogScope& operator=(const CProfileDialogScope&) = delete;

private:
    bool& m_flag;
};

COrvView::COrvView(COrvApp& app, COrvDoc& doc) : m_app(app), m_doc(doc)
{
    m_pSite = &g_noDisplay;
    m_hSyncEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_wndProfiles.m_isVisible = [this] { return m_pSite->IsProfileListVisible(); };
    m_wndProfiles.m_onSelectionChanging = [this](int row) { return OnProfileSelectionChanging(row); };
    m_wndProfiles.m_onItemChanged = [this](int row, bool checkChanged, bool selectionChanged) {
        OnProfileItemChanged(row, checkChanged, selectionChanged);
    };
    m_wndFolderLinks.m_onSelectionChanging = [this](int row) { return OnFolderSelectionChanging(row); };
}

COrvView::~COrvView()
{
    if (m_worker.joinable()) {
        // The view goes during a run: the worker asks for no further profile and its calls to
        // the window thread run no more; what it already posted is let through until it ends.
        m_bAbort = true;
        m_nNextProfile = 0;
        SetEvent(m_hSyncEvent);
        platform::MessageLoop::Current().RunUntil([this] { return m_bWorkerDone.load(); });
        m_worker.join();
    }
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    m_wndProfiles.m_onItemChanged = nullptr;
    m_wndProfiles.m_onSelectionChanging = nullptr;
    m_wndFolderLinks.m_onSelectionChanging = nullptr;
    CloseHandle(m_hSyncEvent);
}

void COrvView::SetSite(COrvViewSite* site) { m_pSite = site ? site : &g_noDisplay; }

bool COrvView::Create(HWND parent, HWND frame)
{
    m_hWndFrame = frame;
    m_hWnd = platform::CreateMessageWindow(
        "OrvView", "",
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == WM_NCDESTROY) {
                m_hWnd = nullptr;
                return DefWindowProcA(hwnd, message, wParam, lParam);
            }
            return WindowProc(message, wParam, lParam);
        },
        parent, nullptr, parent && parent != HWND_MESSAGE ? WS_CHILD : WS_POPUP);
    if (m_hWnd)
        m_doc.AddView(m_hWnd);
    return m_hWnd != nullptr;
}

LRESULT COrvView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // While the view goes during a run, only the worker's request for a next profile is
    // answered (with none).
    if (m_bAbort && message >= WM_APP && message != WMU_NEXT_PROFILE)
        return 0;
    switch (message) {
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WMU_KILLTIMER:
        OnStopTimer();
        return 0;
    case WMU_NEXT_PROFILE:
        OnNextProfile(wParam != 0);
        return 0;
    case WMU_PROFILE_SYNCED:
        OnProfileSynced(static_cast<HRESULT>(lParam));
        return 0;
    case WMU_SYNC_DONE:
        OnSyncDone();
        return 0;
    case WMU_STATUS_INFO:
        OnStatusInformation();
        return 0;
    case WMU_STATUS_FOLDERS:
        OnStatusFoldersProgress(static_cast<LONG>(wParam), static_cast<LONG>(lParam));
        return 0;
    case WMU_STATUS_MESSAGES:
        OnStatusMessagesProgress(static_cast<LONG>(wParam), static_cast<LONG>(lParam));
        return 0;
    case WMU_STATUS_FOLDER:
        OnStatusCurrentFolder();
        return 0;
    case WMU_WORKER_CALL:
        if (m_bAbort || !lParam)
            return 0;
        return (*reinterpret_cast<const std::function<LRESULT()>*>(lParam))();
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return DefWindowProcA(m_hWnd, message, wParam, lParam);
    }
}

void COrvView::MessageBox(const std::string& text, UINT type) const
{
    MessageBoxA(nullptr, text.c_str(), m_app.m_strAppName.c_str(), type);
}

void COrvView::ControlsChanged() { m_pSite->ControlsChanged(); }

void COrvView::ProgressChanged() { m_pSite->ProgressChanged(); }

// --- Start and end ------------------------------------------------------------------------------

void COrvView::OnInitialUpdate()
{
    m_pSite->SetFrameTitle(LoadResString(IDS_TITLE));
    m_progress.background = kColourWhite;
    ProgressChanged();

    m_bLoading = true;
    if (!LoadProfileInfo() &&
        (m_app.m_nPendingSync == SYNC_OLSTART || m_app.m_nPendingSync == SYNC_OLSTOP)) {
        // Started for the mail client's start or quit while a store is unavailable: the program
        // ends without saving anything.
        m_bCloseSilently = true;
        PostMessageA(m_hWndFrame, WM_CLOSE, 0, 0);
        return;
    }
    m_bLoading = false;

    if (!SelectCommandLineProfile())
        LoadCheckedProfiles();
    m_nTimer = SetTimer(m_hWnd, kTimerId, 1000, nullptr);
    ApplyFramePlacement();
    UpdateUiState();
}

void COrvView::ApplyFramePlacement()
{
    CRegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, m_app.SettingsKey().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return;
    DWORD value = 0;
    if (ReadDword(key.get(), "ToolBar", value) && value == 0)
        m_pSite->ShowToolBar(false);
    if (ReadDword(key.get(), "StatusBar", value))
        m_pSite->ShowStatusBar(value != 0);

    std::vector<BYTE> data(sizeof(WINDOWPLACEMENT));
    DWORD type = 0;
    DWORD cb = static_cast<DWORD>(data.size());
    LONG rc = RegQueryValueExA(key.get(), "MainFramePos", nullptr, &type, data.data(), &cb);
    if (rc == ERROR_MORE_DATA) {
        data.resize(cb);
        rc = RegQueryValueExA(key.get(), "MainFramePos", nullptr, &type, data.data(), &cb);
    }
    if (rc != ERROR_SUCCESS || cb != sizeof(WINDOWPLACEMENT) || !m_hWndFrame)
        return;
    WINDOWPLACEMENT stored{};
    std::memcpy(&stored, data.data(), sizeof(stored));
    // Only a placement that lies on a display's work area: one from another screen layout would
    // open the window where nobody sees it.
    const RECT& rect = stored.rcNormalPosition;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    const HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONULL);
    if (!monitor || !GetMonitorInfoA(monitor, &info) || rect.left < info.rcWork.left || rect.top < info.rcWork.top ||
        rect.right > info.rcWork.right || rect.bottom > info.rcWork.bottom)
        return;
    WINDOWPLACEMENT current{};
    current.length = sizeof(current);
    if (!GetWindowPlacement(m_hWndFrame, &current))
        return;
    SetWindowPlacement(m_hWndFrame, &current);
    stored.length = sizeof(stored);
    // A window that was minimised when it closed opens normally: how it shows is start-up's.
    if (stored.showCmd == SW_SHOWMINIMIZED || stored.showCmd == SW_MINIMIZE)
        stored.showCmd = SW_SHOWNORMAL;
    SetWindowPlacement(m_hWndFrame, &stored);
}

void COrvView::OnDestroy()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    if (m_hWnd) {
        KillTimer(m_hWnd, kTimerId);
        m_doc.RemoveView(m_hWnd);
    }
    if (m_bCloseSilently)
        return;
    if (m_app.m_strCmdLineProfile.empty() || m_bChecksChanged)
        if (SaveCheckedProfiles() != ERROR_SUCCESS)
            MessageBox(LoadResString(IDS_SELECTION_NOT_SAVED), MB_OK | MB_ICONEXCLAMATION);
}

void COrvView::OnStopTimer()
{
    if (m_hWnd)
        KillTimer(m_hWnd, kTimerId);
}

// --- Profiles and associations ------------------------------------------------------------------

bool COrvView::LoadProfileInfo()
{
    IProfiles* profiles = m_doc.m_pProfiles.get();
    m_wndProfiles.FillProfiles(profiles);
    m_pSite->FitProfileColumns();
    if (m_wndProfiles.GetItemCount() == 0) {
        m_wndProfiles.SetItemSelected(0, true);
        m_wndProfiles.SetItemFocused(0);
        return true;
    }
    // A start or quit of the mail client closes the program when a store is missing: the rest
    // need not be read then. Any other start reads every profile's stores.
    const bool stopEarly = m_app.m_nPendingSync == SYNC_OLSTART || m_app.m_nPendingSync == SYNC_OLSTOP;
    bool result = true;
    for (int i = 0; i < m_wndProfiles.GetItemCount(); ++i) {
        CProfileRecord* record = m_wndProfiles.FindRecord(m_wndProfiles.GetRow(i).name);
        if (!record) {
            MessageBox("Error on loading Profile Information.", MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        record->nStoreFlags = 0;
        ComPtr<IProfile> profile;
        if (!profiles || FAILED(profiles->get_Items(m_wndProfiles.GetItemData(i), profile.put())) || !profile) {
            result = false;
            if (stopEarly)
                return false;
            continue;
        }
        for (const bool destination : {true, false}) {
            ComPtr<IStore> store;
            const HRESULT hr = destination ? profile->get_Destination(store.put()) : profile->get_Source(store.put());
            if (FAILED(hr) || !store) {
                result = false;
                if (stopEarly)
                    return false;
                continue;
            }
            ComBstr key;
            if (SUCCEEDED(store->get_RecordKey(key.put()))) {
                (destination ? record->strDestKey : record->strSrcKey) = key.Utf8();
                record->nStoreFlags |= destination ? CProfileListCtrl::STORE_DESTINATION : CProfileListCtrl::STORE_SOURCE;
            }
        }
    }
    m_wndProfiles.RedrawItems();
    m_wndProfiles.SetItemSelected(0, true);
    m_wndProfiles.SetItemFocused(0);
    return result;
}

void COrvView::SetStoreName(CStaticEx& label, const std::string& name, bool available)
{
    if (available) {
        label.SetWindowText(name);
        label.SetStaticColour(kColourBlack);
    } else {
        label.SetWindowText(LoadResString(IDS_NOT_AVAILABLE));
        label.SetStaticColour(kColourRed);
    }
}

void COrvView::ClearProfileFolders()
{
    m_wndFolderLinks.DeleteAllItems();
    m_wndLocalStore.SetWindowText("");
    m_wndGlobalStore.SetWindowText("");
}

void COrvView::ShowProfileFolders(int row)
{
    m_bUsable = m_bUsableEdit = false;
    if (!m_wndProfiles.IsRow(row)) {
        ClearProfileFolders();
        ControlsChanged();
        return;
    }
    if (m_bRunning && row == m_wndProfiles.GetSelectedRow())
        return;

    m_pSite->BeginWaitCursor();
    const std::string name = m_wndProfiles.GetRow(row).name;
    CProfileRecord record;
    if (const CProfileRecord* found = m_wndProfiles.FindRecord(name))
        record = *found;
    const int flagsBefore = record.nStoreFlags;
    m_wndProfiles.SetItemText(row, CProfileListCtrl::COL_INFO, "");

    IProfiles* profiles = m_doc.m_pProfiles.get();
    ComPtr<IProfile> profile;
    const bool haveProfile =
        profiles && SUCCEEDED(profiles->get_Items(m_wndProfiles.GetItemData(row), profile.put())) && profile;
    bool bothAvailable = haveProfile;
    for (const bool destination : {true, false}) {
        CStaticEx& label = destination ? m_wndLocalStore : m_wndGlobalStore;
        const int flag = destination ? CProfileListCtrl::STORE_DESTINATION : CProfileListCtrl::STORE_SOURCE;
        std::string& key = destination ? record.strDestKey : record.strSrcKey;
        ComPtr<IStore> store;
        HRESULT hr = !haveProfile      ? E_POINTER
                     : destination ? profile->get_Destination(store.put())
                                   : profile->get_Source(store.put());
        if (SUCCEEDED(hr) && !store)
            hr = MAPI_E_NOT_FOUND;
        std::string storeName;
        if (SUCCEEDED(hr))
            storeName = StoreName(store.get(), hr);
        if (SUCCEEDED(hr)) {
            SetStoreName(label, storeName, true);
            if (!(record.nStoreFlags & flag)) {
                ComBstr recordKey;
                if (SUCCEEDED(store->get_RecordKey(recordKey.put()))) {
                    key = recordKey.Utf8();
                    record.nStoreFlags |= flag;
                }
            }
        } else {
            SetStoreName(label, "", false);
            bothAvailable = false;
            record.nStoreFlags &= ~flag;
            key.clear();
        }
    }
    // Usable: both stores there and no run active.
    m_bUsable = m_bUsableEdit = bothAvailable && !m_bRunning;
    m_wndProfiles.SetRecord(name, record);
    if (record.nStoreFlags != flagsBefore && m_wndProfiles.GetCheck(row)) {
        // The shared-store rule is applied anew to the stores now known.
        m_wndProfiles.SetCheck(row, false);
        m_wndProfiles.SetCheck(row, true);
    }
    m_wndFolderLinks.FillFolderLinks(profiles, m_wndProfiles.GetItemData(row));
    m_pSite->EndWaitCursor();
    ControlsChanged();
}

void COrvView::OnProfileItemChanged(int row, bool checkChanged, bool selectionChanged)
{
    if (checkChanged)
        m_bChecksChanged = true;
    if (selectionChanged && !m_bRunning) {
        if (m_wndProfiles.IsRow(row) && m_wndProfiles.GetRow(row).selected) {
            ShowProfileFolders(row);
            RestoreRowIcons(row);
        } else {
            ClearProfileFolders();
            m_bUsable = m_bUsableEdit = false;
            m_wndProfiles.SetItemText(row, CProfileListCtrl::COL_INFO, "");
        }
    }
    UpdateUiState();
}

bool COrvView::CountsAsChecked(int row) const
{
    return m_wndProfiles.GetCheck(row) && m_wndProfiles.GetProfileState(row) == CProfileListCtrl::STORES_AVAILABLE;
}

void COrvView::UpdateUiState()
{
    m_bRowSelected = m_wndProfiles.GetSelectedRow() >= 0;
    m_bAnyChecked = false;
    for (int i = 0; i < m_wndProfiles.GetItemCount() && !m_bAnyChecked; ++i)
        m_bAnyChecked = CountsAsChecked(i);
    m_bSyncButtonEnabled = !m_bRunning && m_bAnyChecked;
    ControlsChanged();
}

bool COrvView::OnProfileSelectionChanging(int)
{
    if (!m_bRunning)
        return true;
    MessageBeep(MB_ICONASTERISK);
    return false;
}

bool COrvView::OnFolderSelectionChanging(int)
{
    if (!m_bRunning || m_bProgrammaticSelection)
        return true;
    MessageBeep(MB_ICONASTERISK);
    return false;
}

void COrvView::OnProfileDblClk(int)
{
    if (!m_bRunning && m_bUsableEdit)
        OnCommand(ID_PROFILE_EDIT);
}

void COrvView::OnFolderDblClk(int row)
{
    if (m_bRunning || !m_bUsableEdit || !m_pDialogs || !m_wndFolderLinks.IsRow(row) ||
        !m_wndFolderLinks.GetRow(row).selected)
        return;
    OnProfileEditStandard(row);
}

// --- Checked selection --------------------------------------------------------------------------

bool COrvView::SelectCommandLineProfile()
{
    if (m_app.m_strCmdLineProfile.empty())
        return false;
    const int row = m_wndProfiles.FindItem(m_app.m_strCmdLineProfile);
    if (row >= 0)
        m_wndProfiles.SetCheck(row, true);
    m_bChecksChanged = false;
    return true;
}

LONG COrvView::LoadCheckedProfiles()
{
    CRegKey key;
    LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, m_app.SettingsKey().c_str(), 0, KEY_READ, key.put());
    if (rc != ERROR_SUCCESS)
        return rc;
    DWORD longest = 0;
    rc = RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                          nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    std::vector<BYTE> data(longest + 1);
    DWORD type = 0;
    DWORD cb = longest;
    rc = RegQueryValueExA(key.get(), kCheckedProfiles, nullptr, &type, data.data(), &cb);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type != REG_MULTI_SZ)
        return ERROR_INVALID_DATA;
    // The names end where the value's bytes end, whether or not its last zeros are there.
    const std::string_view text(reinterpret_cast<const char*>(data.data()), std::min<std::size_t>(cb, data.size()));
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\0', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string name(text.substr(pos, end - pos));
        if (name.empty())
            break;
        const int row = m_wndProfiles.FindItem(name);
        if (row >= 0)
            m_wndProfiles.SetCheck(row, true);
        pos = end + 1;
    }
    return ERROR_SUCCESS;
}

LONG COrvView::SaveCheckedProfiles()
{
    std::string data;
    for (int i = 0; i < m_wndProfiles.GetItemCount(); ++i)
        if (m_wndProfiles.GetCheck(i)) {
            data += m_wndProfiles.GetRow(i).name;
            data += '\0';
        }
    data += '\0';
    CRegKey key;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, m_app.SettingsKey().c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(key.get(), kCheckedProfiles, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size()));
    return rc;
}

// --- Row-icon memory ----------------------------------------------------------------------------

void COrvView::RememberRowIcon(int folderRow, int image)
{
    if (!m_wndFolderLinks.IsRow(folderRow))
        return;
    m_rowIcons[m_strNextProfileName + kIconKeySeparator + m_wndFolderLinks.GetItemKey(folderRow)] = image;
}

void COrvView::RestoreRowIcons(int profileRow)
{
    if (!m_wndProfiles.IsRow(profileRow))
        return;
    const std::string prefix = m_wndProfiles.GetRow(profileRow).name + kIconKeySeparator;
    for (int i = 0; i < m_wndFolderLinks.GetItemCount(); ++i) {
        const auto it = m_rowIcons.find(prefix + m_wndFolderLinks.GetItemKey(i));
        if (it != m_rowIcons.end())
            m_wndFolderLinks.SetItemImage(i, CFolderLinkListCtrl::COL_LINK, it->second);
    }
}

void COrvView::ForgetProfileIcons(const std::string& name)
{
    const std::string prefix = name + kIconKeySeparator;
    for (auto it = m_rowIcons.lower_bound(prefix); it != m_rowIcons.end() && it->first.starts_with(prefix);)
        it = m_rowIcons.erase(it);
}

void COrvView::RenameProfileIcons(const std::string& oldName, const std::string& newName)
{
    const std::string prefix = oldName + kIconKeySeparator;
    std::map<std::string, int> moved;
    for (auto it = m_rowIcons.lower_bound(prefix); it != m_rowIcons.end() && it->first.starts_with(prefix);) {
        moved[newName + kIconKeySeparator + it->first.substr(prefix.size())] = it->second;
        it = m_rowIcons.erase(it);
    }
    for (auto& [key, image] : moved)
        m_rowIcons[key] = image;
}

// --- Commands -----------------------------------------------------------------------------------

bool COrvView::IsCommandEnabled(UINT id) const
{
    // Commands that reach the engine need it there.
    const bool engine = m_doc.m_pEngine && m_doc.m_pProfiles;
    const bool dialogs = m_pDialogs != nullptr && engine;
    switch (id) {
    case ID_PROFILE_CREATE:
        return !m_bRunning && dialogs;
    case ID_PROFILE_EDIT:
    case ID_PROFILE_EDIT_ALTERNATIVE:
        return !m_bRunning && m_bUsableEdit && dialogs;
    case ID_PROFILE_RENAME:
        return !m_bRunning && m_bUsable && dialogs;
    case ID_PROFILE_DELETE:
        return !m_bRunning && m_bRowSelected && dialogs;
    case ID_OPTIONS:
        return !m_bRunning && !m_bProfileDialogOpen && m_pDialogs != nullptr;
    case ID_SYNCHRONIZE:
    case ID_SYNCHRONIZE2:
    case IDC_SYNCHRONISE:
        return !m_bRunning && m_bAnyChecked && !m_bProfileDialogOpen && engine;
    default:
        return false;
    }
}

bool COrvView::OnCommand(UINT id)
{
    switch (id) {
    case ID_PROFILE_CREATE:
    case ID_PROFILE_EDIT:
    case ID_PROFILE_EDIT_ALTERNATIVE:
    case ID_PROFILE_RENAME:
    case ID_PROFILE_DELETE:
    case ID_OPTIONS:
    case ID_SYNCHRONIZE:
    case ID_SYNCHRONIZE2:
    case IDC_SYNCHRONISE:
        break;
    default:
        return false;
    }
    if (!IsCommandEnabled(id))
        return true;
    switch (id) {
    case ID_PROFILE_CREATE:
        OnProfileCreate();
        break;
    case ID_PROFILE_EDIT:
        OnProfileEdit();
        break;
    case ID_PROFILE_EDIT_ALTERNATIVE:
        OnProfileEditAlternative();
        break;
    case ID_PROFILE_RENAME:
        OnProfileRename();
        break;
    case ID_PROFILE_DELETE:
        OnProfileDelete();
        break;
    case ID_OPTIONS:
        OnOptions();
        break;
    default:
        StartSync();
        break;
    }
    return true;
}

std::map<std::string, COrvView::SavedRow> COrvView::SaveRows() const
{
    std::map<std::string, SavedRow> saved;
    for (int i = 0; i < m_wndProfiles.GetItemCount(); ++i)
        saved[m_wndProfiles.GetRow(i).name] = SavedRow{m_wndProfiles.GetRow(i).mark, m_wndProfiles.GetCheck(i)};
    return saved;
}

void COrvView::ReloadRows(const std::map<std::string, SavedRow>& saved)
{
    for (int i = 0; i < m_wndProfiles.GetItemCount(); ++i) {
        const auto it = saved.find(m_wndProfiles.GetRow(i).name);
        if (it == saved.end())
            continue;
        m_wndProfiles.SetItemText(i, CProfileListCtrl::COL_MARK, it->second.mark);
        if (it->second.checked)
            m_wndProfiles.SetCheck(i, true);
    }
}

void COrvView::SelectAndShow(int row)
{
    if (!m_wndProfiles.IsRow(row))
        return;
    // Selected anew, so that its stores and folders are read again.
    m_wndProfiles.SetItemSelected(row, false);
    m_wndProfiles.SetItemSelected(row, true);
    m_wndProfiles.SetItemFocused(row);
    m_pSite->EnsureProfileVisible(row);
}

void COrvView::OnProfileCreate()
{
    if (!m_pDialogs)
        return;
    std::string newName;
    {
        CProfileDialogScope open(m_bProfileDialogOpen);
        if (!m_pDialogs->CreateProfile(m_doc, newName))
            return;
    }
    m_pSite->BeginWaitCursor();
    const auto saved = SaveRows();
    LoadProfileInfo();
    ReloadRows(saved);
    SelectAndShow(m_wndProfiles.FindItem(newName));
    m_pSite->EndWaitCursor();
    UpdateUiState();
}

void COrvView::OnProfileDelete()
{
    const int row = m_wndProfiles.GetSelectedRow();
    if (!m_pDialogs || row < 0)
        return;
    const std::string name = m_wndProfiles.GetRow(row).name;
    {
        CProfileDialogScope open(m_bProfileDialogOpen);
        if (!m_pDialogs->DeleteProfile(m_doc, name))
            return;
    }
    m_pSite->BeginWaitCursor();
    ForgetProfileIcons(name);
    m_wndProfiles.RemoveRecord(name);
    m_wndLocalStore.SetWindowText("");
    m_wndGlobalStore.SetWindowText("");
    auto saved = SaveRows();
    saved.erase(name);
    LoadProfileInfo();
    ReloadRows(saved);
    const int above = row > 0 ? row - 1 : 0;
    if (m_wndProfiles.IsRow(above)) {
        m_wndProfiles.SetItemSelected(above, true);
        m_wndProfiles.SetItemFocused(above);
        m_pSite->EnsureProfileVisible(above);
    }
    if (m_wndProfiles.GetItemCount() == 0)
        m_wndFolderLinks.DeleteAllItems();
    m_pSite->EndWaitCursor();
    UpdateUiState();
}

void COrvView::OnProfileRename()
{
    const int row = m_wndProfiles.GetSelectedRow();
    if (!m_pDialogs || row < 0)
        return;
    const std::string oldName = m_wndProfiles.GetRow(row).name;
    std::string newName;
    {
        CProfileDialogScope open(m_bProfileDialogOpen);
        if (!m_pDialogs->RenameProfile(m_doc, m_wndProfiles.GetItemData(row), oldName, newName))
            return;
    }
    m_pSite->BeginWaitCursor();
    if (const CProfileRecord* record = m_wndProfiles.FindRecord(oldName)) {
        const CProfileRecord moved = *record;
        m_wndProfiles.RemoveRecord(oldName);
        m_wndProfiles.SetRecord(newName, moved);
    }
    m_wndProfiles.SetItemText(row, CProfileListCtrl::COL_NAME, newName);
    const auto saved = SaveRows();
    LoadProfileInfo();
    RenameProfileIcons(oldName, newName);
    ReloadRows(saved);
    SelectAndShow(m_wndProfiles.FindItem(newName));
    m_pSite->EndWaitCursor();
    UpdateUiState();
}

void COrvView::OnProfileEdit()
{
    if (m_app.m_bAdvancedEditIsDefault)
        OnProfileEditAdvanced();
    else
        OnProfileEditStandard(-1);
}

void COrvView::OnProfileEditAlternative()
{
    if (m_app.m_bAdvancedEditIsDefault)
        OnProfileEditStandard(-1);
    else
        OnProfileEditAdvanced();
}

ComPtr<IProfile> COrvView::SelectedProfile(int& row) const
{
    row = m_wndProfiles.GetSelectedRow();
    IProfiles* profiles = m_doc.m_pProfiles.get();
    ComPtr<IProfile> profile;
    if (row < 0 || !profiles || FAILED(profiles->get_Items(m_wndProfiles.GetItemData(row), profile.put())))
        profile.Release();
    return profile;
}

void COrvView::OnProfileEditStandard(int folderRow)
{
    int row = -1;
    const ComPtr<IProfile> profile = SelectedProfile(row);
    if (!m_pDialogs || !profile)
        return;
    bool changed = false;
    {
        CProfileDialogScope open(m_bProfileDialogOpen);
        changed = m_pDialogs->EditProfile(m_doc, m_wndProfiles.GetItemData(row), profile.get(), folderRow);
    }
    if (changed)
        SelectAndShow(row);
    UpdateUiState();
}

void COrvView::OnProfileEditAdvanced()
{
    int row = -1;
    const ComPtr<IProfile> profile = SelectedProfile(row);
    if (!m_pDialogs || !profile)
        return;
    bool changed = false;
    {
        CProfileDialogScope open(m_bProfileDialogOpen);
        changed = m_pDialogs->EditProfileAdvanced(m_doc, profile.get());
    }
    if (changed)
        SelectAndShow(row);
    UpdateUiState();
}

void COrvView::OnOptions()
{
    if (!m_pDialogs)
        return;
    {
        CProfileDialogScope open(m_bProfileDialogOpen);
        m_pDialogs->Options(m_doc);
    }
    UpdateUiState();
}
