// The program's main view: the sync profiles with their check boxes, the selected profile's two
// stores and folder associations, the profile commands, and the runs. A run goes profile by
// profile on a worker thread, which drives the engine objects the document made and talks to
// the view only by posted messages and one event; the engine's progress arrives through the
// status sink and shows in the state text, the progress bar and the folder rows' images.
// Display-free: the controls are models (the lists, the store names, the progress state) that a
// toolkit view shows through COrvViewSite; the view's messages arrive at a platform window of
// its own on the window thread's message loop.
#pragma once

#include "Colour.h"
#include "FolderLinkListCtrl.h"
#include "ProfileListCtrl.h"
#include "StaticEx.h"

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>

class COrvApp;
class COrvDoc;
class COrvViewSite;
class IConflictHandler;
class IProfileDialogs;

// The progress bar: shown from the first run on; its range, position and two colours.
struct CProgressState {
    bool visible = false;
    int lower = 0;
    int upper = 100;
    int pos = 0;
    COLORREF background = kColourWhite;
    COLORREF bar = kColourNavy;
};

class COrvView {
public:
    COrvView(COrvApp& app, COrvDoc& doc);
    ~COrvView();
    COrvView(const COrvView&) = delete;
    COrvView& operator=(const COrvView&) = delete;

    // Makes the view's platform window under `parent` (the frame's window, or HWND_MESSAGE);
    // `frame` is the main window that WM_CLOSE goes to.
    bool Create(HWND parent, HWND frame);
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The display (null: none).
    void SetSite(COrvViewSite* site);
    void SetProfileDialogs(IProfileDialogs* dialogs) { m_pDialogs = dialogs; }
    void SetConflictHandler(IConflictHandler* handler) { m_pConflicts = handler; }

    // Once after creation: the profiles and the checked selection, the timer, the frame's bars
    // and placement.
    void OnInitialUpdate();
    // When the window goes: the checked selection is saved (unless the program closes silently).
    void OnDestroy();

    // --- Profiles and associations --------------------------------------------------------------
    // Fills the profile list and reads each profile's stores; false when a store could not be
    // opened.
    bool LoadProfileInfo();
    // Shows the row's stores and associations (row outside the list: clears them).
    void ShowProfileFolders(int row);
    void UpdateUiState();
    bool SelectCommandLineProfile();
    // ERROR_SUCCESS, or why the saved selection could not be read.
    LONG LoadCheckedProfiles();
    LONG SaveCheckedProfiles();
    // Whether a profile row takes part in a run: checked and both of its stores available.
    bool CountsAsChecked(int row) const;

    // The row-icon memory: the images a run gave to folder rows, per profile.
    void RememberRowIcon(int folderRow, int image);
    void RestoreRowIcons(int profileRow);
    void ForgetProfileIcons(const std::string& name);
    void RenameProfileIcons(const std::string& oldName, const std::string& newName);
    const std::map<std::string, int>& RowIcons() const { return m_rowIcons; }

    // What the toolkit view reports of the user: a selection asked for (false refuses it), a
    // double click.
    bool OnProfileSelectionChanging(int row);
    bool OnFolderSelectionChanging(int row);
    void OnProfileDblClk(int row);
    void OnFolderDblClk(int row);

    // --- Commands -------------------------------------------------------------------------------
    bool IsCommandEnabled(UINT id) const;
    // Runs the command when it is enabled; false when it is not one of the view's.
    bool OnCommand(UINT id);
    void OnProfileCreate();
    void OnProfileEdit();
    void OnProfileEditAlternative();
    // The editor with a folder row to preselect (-1 none), and the advanced editor.
    void OnProfileEditStandard(int folderRow);
    void OnProfileEditAdvanced();
    void OnProfileRename();
    void OnProfileDelete();
    void OnOptions();

    // --- Runs -----------------------------------------------------------------------------------
    void OnTimer(UINT_PTR id);
    // The Synchronise button and commands; `scheduled`: the timer starts a due run, which runs
    // even when no row counts as checked (it then ends at once).
    void StartSync(bool scheduled = false);
    bool IsRunning() const { return m_bRunning; }
    // True from StartSync until the worker has ended.
    bool IsWorkerAlive() const { return m_worker.joinable(); }
    // Worker thread: runs `call` on the window thread and returns its result.
    LRESULT SendToWindowThread(const std::function<LRESULT()>& call);

    // The view's platform window procedure.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // --- The controls (for the toolkit view and the tests) -----------------------------------
    CProfileListCtrl m_wndProfiles;
    CFolderLinkListCtrl m_wndFolderLinks;
    CStaticEx m_wndLocalStore;  // 1008
    CStaticEx m_wndGlobalStore; // 1009
    std::string m_strState;     // 1006
    CProgressState m_progress;  // 1004
    bool m_bSyncButtonEnabled = false;

    // The view's flags.
    bool m_bUsable = false;
    bool m_bUsableEdit = false;
    bool m_bRowSelected = false;
    bool m_bAnyChecked = false;
    bool m_bChecksChanged = false;
    bool m_bCloseSilently = false;
    bool m_bLoading = false;
    bool m_bOverdue = false;
    bool m_bProgrammaticSelection = false;
    bool m_bProfileDialogOpen = false;

    // The run's state, on the window thread (next profile and its name also read by the worker
    // after the sync event).
    LONG m_nNextProfile = 0;
    std::string m_strNextProfileName;
    int m_nLastProfileRow = -1;
    int m_nPhase = 0;
    int m_nCurFolderRow = -1;
    // Whether a profile of the run failed (the run then ends "with errors" and without sound).
    bool m_bRunFailed = false;

private:
    // Window-thread handlers of the run's messages.
    void OnNextProfile(bool first);
    void OnProfileSynced(HRESULT hr);
    void OnSyncDone();
    void OnStatusInformation();
    void OnStatusFoldersProgress(LONG current, LONG total);
    void OnStatusMessagesProgress(LONG current, LONG total);
    void OnStatusCurrentFolder();
    void OnStopTimer();

    // The worker thread's body.
    void SyncWorker();
    // One profile of a run on the worker: its HRESULT (S_OK when it ran to the end).
    HRESULT SyncProfile(LONG index, bool& leftConflicts);
    // Asks the view for the next profile and waits for the answer.
    LONG RequestNextProfile(bool first);
    static void PlayEndSound();

    void OnProfileItemChanged(int row, bool checkChanged, bool selectionChanged);
    void SetStoreName(CStaticEx& label, const std::string& name, bool available);
    void ClearProfileFolders();
    void LockControls();
    void UnlockControls();
    void ControlsChanged();
    void ProgressChanged();
    // Runs a profile command with the dialog-open flag set; reloads the list as it says.
    struct SavedRow {
        std::string mark;
        bool checked = false;
    };
    std::map<std::string, SavedRow> SaveRows() const;
    void ReloadRows(const std::map<std::string, SavedRow>& saved);
    void SelectAndShow(int row);
    // The selected row's profile (null when none is selected or it cannot be read).
    ComPtr<IProfile> SelectedProfile(int& row) const;
    void ApplyFramePlacement();
    void MessageBox(const std::string& text, UINT type) const;

    COrvApp& m_app;
    COrvDoc& m_doc;
    COrvViewSite* m_pSite = nullptr;
    IProfileDialogs* m_pDialogs = nullptr;
    IConflictHandler* m_pConflicts = nullptr;
    HWND m_hWnd = nullptr;
    HWND m_hWndFrame = nullptr;
    UINT_PTR m_nTimer = 0;

    std::map<std::string, int> m_rowIcons;

    // The run.
    bool m_bRunning = false;
    HANDLE m_hSyncEvent = nullptr;
    std::thread m_worker;
    // Set when the view goes during a run: the worker asks for no further profile.
    std::atomic<bool> m_bAbort{false};
    // The worker's last step is done (it posted WMU_SYNC_DONE).
    std::atomic<bool> m_bWorkerDone{false};
    // Whether the profile the worker ran last failed: its row is marked failed, not done.
    bool m_bLastProfileFailed = false;
    bool m_bDestroyed = false;
    // The store names the worker hands to the conflict dialogs, written with the next profile.
    std::string m_strRunLocalStore;
    std::string m_strRunGlobalStore;
    // The timer set quit-after-run for a pending "autosync" that has not yet started or been
    // dropped: the flag goes again when that run never comes.
    bool m_bAutoSyncQuitPending = false;
};
