// The main view's runs: the schedule's timer, the worker thread that drives the engine profile
// by profile, and the window-thread handlers of the messages the worker and its status sink post.
#include "OrvView.h"

#include "ConflictHandler.h"
#include "ErrorText.h"
#include "OrvApp.h"
#include "OrvDoc.h"
#include "OrvViewSite.h"
#include "SyncStatusSink.h"
#include "ToolStrings.h"
#include "resource.h"

#include "base/Handles.h"
#include "base/MessageBox.h"
#include "base/Process.h"
#include "base/Sound.h"
#include "base/Window.h"
#include "com/ComBstr.h"
#include "com/ComRuntime.h"
#include "mapi/Mapi.h"

#include <string_view>

namespace {

constexpr UINT_PTR kTimerId = 0;
// The program's own sound event at the end of a run.
constexpr const char* kEndSound = "OrvintaDone";
constexpr DWORD kEndSoundFlags = SND_ALIAS | SND_NOWAIT | SND_APPLICATION | SND_ASYNC;

} // namespace

// --- Schedule -----------------------------------------------------------------------------------

void COrvView::OnTimer(UINT_PTR id)
{
    if (id != kTimerId)
        return;
    const time_t now = COrvApp::Now();
    int& pending = m_app.m_nPendingSync;

    // The "autosync" that this timer set quit-after-run for was replaced before its run started
    // (a later start handed over another type): that run never comes, and neither should the end.
    if (m_bAutoSyncQuitPending && pending != SYNC_AUTOSYNC) {
        m_bAutoSyncQuitPending = false;
        if (!m_doc.m_bCloseRequested)
            m_doc.m_bQuitAfterRun = false;
    }
    if (pending == SYNC_AUTOSYNC) {
        if (!m_doc.m_bQuitAfterRun)
            m_bAutoSyncQuitPending = true;
        m_doc.m_bQuitAfterRun = true;
    }

    if (pending < SYNC_OLSTART || pending > SYNC_AUTOSYNC || m_app.m_tDueTime == 0 || m_app.m_tDueTime >= now)
        return;
    if (m_bRunning) {
        // Dropped: the active run serves it (and quits after it when it was an "autosync").
        pending = SYNC_NONE;
        m_app.m_tDueTime = 0;
        m_bAutoSyncQuitPending = false;
        return;
    }
    if (m_bProfileDialogOpen) {
        m_bOverdue = true;
        return;
    }
    pending = SYNC_NONE;
    m_app.m_tDueTime = 0;
    if (m_bOverdue) {
        m_bOverdue = false;
        if (MessageBoxA(nullptr, LoadResString(IDS_OVERDUE).c_str(), m_app.m_strAppName.c_str(),
                        MB_YESNO | MB_ICONQUESTION) != IDYES) {
            // The scheduled run does not come: nor does the end it was to bring.
            if (m_bAutoSyncQuitPending && !m_doc.m_bCloseRequested)
                m_doc.m_bQuitAfterRun = false;
            m_bAutoSyncQuitPending = false;
            return;
        }
    }
    m_bAutoSyncQuitPending = false;
    StartSync(true);
}

void COrvView::LockControls()
{
    m_bSyncButtonEnabled = false;
    m_bUsable = m_bUsableEdit = false;
    m_bRowSelected = false;
    ControlsChanged();
}

void COrvView::UnlockControls() { UpdateUiState(); }

void COrvView::StartSync(bool scheduled)
{
    if ((!m_bSyncButtonEnabled && !scheduled) || m_bRunning || m_bProfileDialogOpen || m_bAbort)
        return;
    if (m_worker.joinable())
        m_worker.join();
    LockControls();
    m_doc.SetSyncState(true);
    m_progress.visible = true;
    ProgressChanged();
    m_bRunning = true;
    m_bRunFailed = false;
    m_bLastProfileFailed = false;
    m_bWorkerDone = false;
    m_pSite->RunStateChanged(true);
    m_worker = std::thread(&COrvView::SyncWorker, this);
}

// --- Worker -------------------------------------------------------------------------------------

LRESULT COrvView::SendToWindowThread(const std::function<LRESULT()>& call)
{
    if (GetWindowThreadProcessId(m_hWnd, nullptr) == GetCurrentThreadId())
        return call();
    return SendMessageA(m_hWnd, WMU_WORKER_CALL, 0, reinterpret_cast<LPARAM>(&call));
}

void COrvView::PlayEndSound() { PlaySoundA(kEndSound, nullptr, kEndSoundFlags); }

LONG COrvView::RequestNextProfile(bool first)
{
    if (m_bAbort)
        return 0;
    ResetEvent(m_hSyncEvent);
    if (!PostMessageA(m_hWnd, WMU_NEXT_PROFILE, first ? 1 : 0, 0))
        return 0;
    WaitForSingleObject(m_hSyncEvent, INFINITE);
    return m_bAbort ? 0 : m_nNextProfile;
}

void COrvView::SyncWorker()
{
    const HRESULT hrCom = CoInitialize(nullptr);
    MAPIINIT_0 init{};
    init.ulVersion = 0;
    init.ulFlags = 0;
    const HRESULT hrMapi = MAPIInitialize(&init);

    LONG next = RequestNextProfile(true);
    if (next < 1) {
        PlayEndSound();
    } else {
        bool leftConflicts = false;
        bool failed = false;
        while (next > 0) {
            if (FAILED(SyncProfile(next, leftConflicts)))
                failed = true;
            next = RequestNextProfile(false);
        }
        // Only the last profile decides about the sound; a failed run has none.
        if (!leftConflicts && !failed)
            PlayEndSound();
    }

    m_bWorkerDone = true;
    PostMessageA(m_hWnd, WMU_SYNC_DONE, 0, 0);
    if (SUCCEEDED(hrMapi))
        MAPIUninitialize();
    if (SUCCEEDED(hrCom))
        CoUninitialize();
}

HRESULT COrvView::SyncProfile(LONG index, bool& leftConflicts)
{
    IProfiles* profiles = m_doc.m_pProfiles.get();
    ComPtr<IProfile> profile;
    HRESULT hr = profiles ? profiles->get_Items(index, profile.put()) : E_POINTER;
    if (SUCCEEDED(hr) && !profile)
        hr = E_POINTER;
    if (FAILED(hr)) {
        // Nothing to run for this row: it is marked failed and the run goes on.
        leftConflicts = false;
        PostMessageA(m_hWnd, WMU_PROFILE_SYNCED, 0, static_cast<LPARAM>(hr));
        return hr;
    }

    ComPtr<IStatus> sink;
    if (SUCCEEDED(CreateStatusSink(sink.put())))
        static_cast<CSyncStatusSink*>(sink.get())->m_hWndView = m_hWnd;
    ComBstr nameText;
    const std::string name = profile->get_Name(nameText.put()) == S_OK ? nameText.Utf8() : std::string();
    profile->put_QueryDelete(m_app.m_bQueryDelete ? 1 : 0);

    hr = profile->Synchronize(sink.get());
    PostMessageA(m_hWnd, WMU_PROFILE_SYNCED, 0, static_cast<LPARAM>(hr));

    ComPtr<IConflicts> conflicts;
    LONG count = 0;
    if (FAILED(profile->get_Conflicts(conflicts.put())) || !conflicts || FAILED(conflicts->get_Count(&count)))
        count = 0;
    leftConflicts = count != 0;
    if (count != 0) {
        MessageBeep(MB_ICONQUESTION);
        if (m_pConflicts)
            m_pConflicts->HandleConflicts(*this, profile.get(), conflicts.get(), name, m_strRunLocalStore,
                                          m_strRunGlobalStore);
        // What the user left open keeps both sides as they are. Without a mode the next run
        // would delete a changed copy silently, copy the other back as new, or count a pair that
        // differs as in step.
        for (LONG i = 1; i <= count; ++i) {
            ComPtr<IConflict> conflict;
            SHORT type = 0;
            if (SUCCEEDED(conflicts->get_Items(i, conflict.put())) && conflict &&
                SUCCEEDED(conflict->get_Type(&type)) && type != 0)
                conflict->Resolve(0);
        }
    }
    profile->FinalizeSynchronize();
    conflicts.Release();
    profile.Release();
    sink.Release();
    return hr;
}

// --- Window-thread handlers of the run ----------------------------------------------------------

void COrvView::OnNextProfile(bool first)
{
    if (m_bAbort) {
        m_nNextProfile = 0;
        SetEvent(m_hSyncEvent);
        return;
    }
    const char* previousMark = m_bLastProfileFailed ? "F" : "D";
    if (first) {
        m_nLastProfileRow = -1;
        for (int i = 0; i < m_wndProfiles.GetItemCount(); ++i)
            if (CountsAsChecked(i)) {
                m_wndProfiles.SetFailure(i, "");
                m_wndProfiles.SetItemText(i, CProfileListCtrl::COL_MARK, "W");
            }
    }
    m_nNextProfile = 0;
    bool found = false;
    for (int row = m_nLastProfileRow + 1; row < m_wndProfiles.GetItemCount(); ++row) {
        if (!CountsAsChecked(row))
            continue;
        ShowProfileFolders(row);
        if (first)
            m_wndProfiles.ClearSelection();
        m_pSite->EnsureProfileVisible(row);
        m_nNextProfile = m_wndProfiles.GetItemData(row);
        m_strNextProfileName = m_wndProfiles.GetRow(row).name;
        if (!first && m_nLastProfileRow >= 0)
            m_wndProfiles.SetItemText(m_nLastProfileRow, CProfileListCtrl::COL_MARK, previousMark);
        m_nLastProfileRow = row;
        m_wndProfiles.SetItemText(row, CProfileListCtrl::COL_MARK, "C");
        m_wndFolderLinks.ClearSelection();
        m_strRunLocalStore = m_wndLocalStore.GetFullText();
        m_strRunGlobalStore = m_wndGlobalStore.GetFullText();
        found = true;
        break;
    }
    if (!found && !first && m_nLastProfileRow >= 0)
        m_wndProfiles.SetItemText(m_nLastProfileRow, CProfileListCtrl::COL_MARK, previousMark);
    m_bLastProfileFailed = false;
    SetEvent(m_hSyncEvent);
}

void COrvView::OnProfileSynced(HRESULT hr)
{
    m_wndFolderLinks.EnsureVisible(0);
    if (SUCCEEDED(hr))
        return;
    // The profile's run failed: its row says why, and the run ends "with errors".
    m_bRunFailed = true;
    m_bLastProfileFailed = true;
    const std::string error = GetErrorText(hr);
    m_wndProfiles.SetFailure(m_nLastProfileRow, error);
    m_strState = FormatResString(IDS_PROFILE_FAILED, m_strNextProfileName, error);
    ControlsChanged();
}

void COrvView::OnSyncDone()
{
    if (m_worker.joinable())
        m_worker.join();
    m_bRunning = false;
    UnlockControls();
    m_doc.SetSyncState(false);
    m_pSite->RunStateChanged(false);
    if (m_doc.m_bQuitAfterRun) {
        m_doc.m_bQuitAfterRun = false;
        m_doc.m_bCloseRequested = false;
        PostMessageA(m_hWndFrame, WM_CLOSE, 0, 0);
    } else {
        for (int row = m_wndProfiles.GetItemCount() - 1; row >= 0; --row) {
            if (!CountsAsChecked(row))
                continue;
            m_bProgrammaticSelection = true;
            m_wndProfiles.SetItemSelected(row, true);
            m_wndProfiles.SetItemFocused(row);
            m_bProgrammaticSelection = false;
            break;
        }
        UpdateUiState();
    }
    m_strState = LoadResString(m_bRunFailed ? IDS_SYNC_DONE_ERRORS : IDS_SYNC_DONE);
    ControlsChanged();
}

void COrvView::OnStatusInformation()
{
    const std::string text = CSyncStatusSink::StatusText();
    static const std::pair<std::string_view, UINT> kPhases[] = {
        {"Initi", IDS_STATUS_INIT}, {"prepa", IDS_STATUS_PREPARE}, {"proce", IDS_STATUS_PROCESS}, {"done.", IDS_STATUS_DONE}};
    m_strState = text;
    for (const auto& [prefix, id] : kPhases)
        if (std::string_view(text).substr(0, 5) == prefix) {
            m_strState = LoadResString(id);
            break;
        }
    ControlsChanged();
}

void COrvView::OnStatusFoldersProgress(LONG current, LONG)
{
    // Only the announcement of a profile's folders (current 0) changes anything.
    if (current != 0)
        return;
    for (int i = 0; i < m_wndFolderLinks.GetItemCount(); ++i) {
        m_wndFolderLinks.SetItemImage(i, CFolderLinkListCtrl::COL_LINK, CFolderLinkListCtrl::IMG_PENDING);
        RememberRowIcon(i, CFolderLinkListCtrl::IMG_PENDING);
    }
    m_nCurFolderRow = -1;
    m_nPhase = 0;
}

void COrvView::OnStatusCurrentFolder()
{
    const std::string key = CSyncStatusSink::CurrentFolderKey();
    // A new folder starts with its first pass, also when the last one stopped early or the
    // folder has no row.
    m_nPhase = 0;
    const int row = m_wndFolderLinks.FindItemByKey(key);
    if (row < 0)
        return;
    m_nCurFolderRow = row;
    m_wndFolderLinks.SetItemImage(row, CFolderLinkListCtrl::COL_LINK, CFolderLinkListCtrl::IMG_CURRENT);
    RememberRowIcon(row, CFolderLinkListCtrl::IMG_CURRENT);
}

void COrvView::OnStatusMessagesProgress(LONG current, LONG total)
{
    bool endOfPass = false;
    if (current == 0) {
        if (m_nPhase == 0) {
            m_progress.background = kColourNavy;
            m_progress.bar = kColourSilver;
        } else {
            m_progress.background = kColourSilver;
            m_progress.bar = kColourNavy;
            if (m_wndFolderLinks.IsRow(m_nCurFolderRow)) {
                m_wndFolderLinks.SetItemImage(m_nCurFolderRow, CFolderLinkListCtrl::COL_LINK,
                                              CFolderLinkListCtrl::IMG_SECOND_PASS);
                RememberRowIcon(m_nCurFolderRow, CFolderLinkListCtrl::IMG_SECOND_PASS);
                m_wndFolderLinks.EnsureVisible(m_nCurFolderRow);
            }
        }
        if (total == 0) {
            m_progress.lower = 0;
            m_progress.upper = 1;
            m_progress.pos = 1;
            endOfPass = true;
        } else {
            m_progress.lower = 0;
            m_progress.upper = total;
        }
    }
    if (!endOfPass) {
        m_progress.pos = current;
        endOfPass = current == total;
    }
    if (endOfPass) {
        if (m_nPhase == 1 && m_wndFolderLinks.IsRow(m_nCurFolderRow)) {
            m_wndFolderLinks.SetItemImage(m_nCurFolderRow, CFolderLinkListCtrl::COL_LINK, CFolderLinkListCtrl::IMG_DONE);
            RememberRowIcon(m_nCurFolderRow, CFolderLinkListCtrl::IMG_DONE);
        }
        m_nPhase = m_nPhase == 0 ? 1 : 0;
    }
    ProgressChanged();
}
