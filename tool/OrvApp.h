// The application object: what the program sets up before any window exists (COM, MAPI, the
// settings), its command line, the rule that only one instance runs per user, and the schedule
// of automatic runs that the view's timer carries out. The toolkit application carries out the
// decision of InitInstance: it makes the document, the frame and the view and shows the frame.
#pragma once

#include "OrvCommandLineInfo.h"

#include "base/WinError.h"
#include "base/WinTypes.h"

#include <ctime>
#include <string>
#include <vector>

// Scheduled run types.
enum : int {
    SYNC_NONE = 0,
    SYNC_OLSTART = 1,
    SYNC_OLSTOP = 2,
    SYNC_AUTOSYNC = 3,
};

class COrvApp {
public:
    COrvApp();
    virtual ~COrvApp();
    COrvApp(const COrvApp&) = delete;
    COrvApp& operator=(const COrvApp&) = delete;

    // The application object of the process (the last one constructed), or null.
    static COrvApp* Current();

    // Start-up up to the creation of the windows. FALSE: the program ends (any message has been
    // shown). TRUE: the document and its windows are to be made and the frame shown with
    // m_nCmdShow.
    virtual BOOL InitInstance(const std::vector<std::string>& args);

    void LoadSettings();
    void SaveSettings();
    // Records a pending run: type 0 clears it (and its due time), 1-3 keep the earlier due time.
    void ScheduleSync(int type);
    // The single-instance message carries a run type from another process: only 0-3 are taken;
    // anything else changes nothing. TRUE when taken.
    BOOL ScheduleSyncFromMessage(LPARAM lParam);
    // TRUE when another instance runs; it has then been handed the pending type.
    bool CheckSingleInstance();
    // The help file: string 600 in the program's own folder.
    void SetHelpFilePath();

    // The framework's profile key: HKCU\Software\<word>\settings (and HKLM for the fall-back).
    void SetRegistryKey(const std::string& word);
    const std::string& SettingsKey() const { return m_strSettingsKey; }

    // The current calendar time in seconds, from the platform clock.
    static time_t Now();

    // Settings.
    bool m_bQueryDelete = true;
    bool m_bSyncOnOutlookStart = false;
    int m_nSyncOnOutlookStartDelay = 0;
    bool m_bSyncOnOutlookQuit = false;
    // Schedule.
    int m_nPendingSync = SYNC_NONE;
    bool m_bShowAdvancedEdit = false;
    bool m_bAdvancedEditIsDefault = false;
    time_t m_tDueTime = 0;
    std::string m_strCmdLineProfile;
    HRESULT m_hrCoInit = S_OK;
    HRESULT m_hrMapiInit = S_OK;

    // The program's exit status when InitInstance gives FALSE: 0 for a silent end or a hand-over
    // to the running instance, 1 when it cannot start, 2 for a word it does not understand.
    int m_nExitCode = 0;
    // How the frame is shown once made (SW_SHOW or SW_MINIMIZE).
    int m_nCmdShow = 5;
    std::string m_strHelpFilePath;
    // Caption of the program's message boxes.
    std::string m_strAppName = "Orvinta";

protected:
    // Shows a message box with the program's caption.
    int MessageBox(const std::string& text, UINT type);

private:
    std::string m_strSettingsKey;
    HANDLE m_hInstanceMutex = nullptr;
    bool m_bSettingsLoaded = false;
};
