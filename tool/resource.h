// Resource ids of the window program: string-table entries, icons and the ids its windows and
// messages share with the engine library's add-in.
#pragma once

#include "base/WinMessages.h"

// Strings.
#define IDR_MAINFRAME 128
#define IDS_TITLE 129                 // "Orvinta - Version 1.2"
#define IDS_REGISTRY_KEY 150          // "Tembrix": the word before "settings"
#define IDS_ALREADY_RUNNING 200
#define IDS_CANNOT_START 201
#define IDS_UNKNOWN_ERROR 202         // "Unknown error 0x%08X"
#define IDS_PROFILES_NOT_LOADED 203
#define IDS_ENGINE_NOT_LOADED 205
#define IDS_NOT_AVAILABLE 206
#define IDS_SHARED_STORE 210          // "This profile cannot be synchronised with profile "%s" ..."
#define IDS_DEACTIVATED 211           // "The profile "%s" is deactivated:\r\n\r\n"
#define IDS_SHARED_STORE_LOADING 212  // "It cannot be synchronised with profile "%s" ..."
#define IDS_SELECTION_NOT_SAVED 214
#define IDS_PROFILE_FAILED 220        // "Profile "%s" could not be synchronised: %s"
#define IDS_SYNC_DONE_ERRORS 221      // "Synchronisation completed with errors."
#define IDS_UNKNOWN_WORD 222          // "Unknown command line word: %s"
#define IDS_PROCESSING 250            // "Processing synchronisation..."
#define IDS_CLOSE_DURING_RUN 251
#define IDS_OVERDUE 252               // "A scheduled synchronisation is overdue. ..."
#define IDS_NO_FILENAME 305           // "no filename available"
#define IDS_STATUS_INIT 550           // "Initialising profile..."
#define IDS_STATUS_PREPARE 551        // "Analysing folder..."
#define IDS_STATUS_PROCESS 552        // "Synchronising folder..."
#define IDS_STATUS_DONE 553           // "Releasing profile..."
#define IDS_SYNC_DONE 554             // "Synchronisation complete."
#define IDS_HELP_FILE 600             // "Manual.chm"
#define AFX_IDS_IDLEMESSAGE 57345     // "Ready"

// Texts of the main view's controls and list columns.
#define IDS_VIEW_PROFILES 700         // "Profiles:"
#define IDS_VIEW_SYNCHRONISE 701      // "&Synchronise"
#define IDS_VIEW_STATE 702            // "State:"
#define IDS_VIEW_LOCAL_STORE 703      // "Local store:"
#define IDS_VIEW_GLOBAL_STORE 704     // "Global store:"
#define IDS_COLUMN_PROFILES 705       // "profiles"
#define IDS_COLUMN_PRIVATE_STORE 706  // "Private Store"
#define IDS_COLUMN_GLOBAL_STORE 707   // "Global Store"

// Commands of the profiles and runs (the frame's menu, toolbar and tray send them to the view).
#define ID_PROFILE_CREATE 32771
#define ID_PROFILE_EDIT 32772
#define ID_PROFILE_RENAME 32773
#define ID_PROFILE_DELETE 32774
#define ID_OPTIONS 32775
#define ID_SYNCHRONIZE 32777
#define ID_SYNCHRONIZE2 32778
#define ID_PROFILE_EDIT_ALTERNATIVE 32784

// Commands of the frame and its tray (the frame answers them itself).
#define ID_TRAY_RESTORE 32780
#define ID_TRAY_MINIMIZE 32781
#define ID_HELP_TOPICS 32783
#define ID_APP_EXIT 57665
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393

// The frame's menu, toolbar (its images) and keys share the id of the frame; the tray's menu
// has the tray icon's id.
#define IDR_TRAYMENU 164
#define IDB_TOOLBAR 128
// The frame's help context.
#define HIDD_MAINFRAME 101

// The tray's callback message to the frame.
#define WMU_TRAY_NOTIFY (WM_APP + 0x63)

// Icons of the tray and the run state.
#define IDI_IDLE 163
#define IDI_RUNNING 165

// Icons of the lists: folder kinds, the link, the run's progress, and an empty one.
#define IDI_FOLDER_UNKNOWN 130
#define IDI_FOLDER_MAIL 131
#define IDI_FOLDER_CONTACT 132
#define IDI_FOLDER_NOTE 133
#define IDI_FOLDER_TASK 134
#define IDI_FOLDER_APPOINTMENT 135
#define IDI_FOLDER_JOURNAL 136
#define IDI_LINK 137
#define IDI_PENDING 138
#define IDI_SECOND_PASS 139
#define IDI_DONE 140
#define IDI_CURRENT 141
#define IDI_EMPTY 145
#define IDI_FAILED 146                // a profile whose run failed
#define IDB_BANNER 144

// Controls of the main view.
#define IDC_PROFILES 1000
#define IDC_FOLDER_LINKS 1001
#define IDC_SYNCHRONISE 1002
#define IDC_PROGRESS 1004
#define IDC_STATE 1006
#define IDC_LOCAL_STORE 1008
#define IDC_GLOBAL_STORE 1009
#define IDC_BANNER 1010

// The registered message of a second start and the name of the single-instance mutex.
#define ORVINTA_INSTANCE_NAME "Tembrix-{EBC54183-39B4-4b44-839B-2A80F191FB03}"

// Sent by the document to every view when the frame may close: the view stops its timer.
#define WMU_KILLTIMER (WM_APP + 0x62)

// A run's messages: the worker and its status sink post them to the view.
#define WMU_SYNC_DONE (WM_APP + 0x6e)
#define WMU_NEXT_PROFILE (WM_APP + 0x78)
#define WMU_PROFILE_SYNCED (WM_APP + 0x79)
// Sent by the worker: runs a call (lParam: a std::function<LRESULT()>*) on the window thread,
// for the boxes and dialogs a run opens.
#define WMU_WORKER_CALL (WM_APP + 0x7a)
#define WMU_STATUS_INFO (WM_APP + 0x258)
#define WMU_STATUS_FOLDERS (WM_APP + 0x259)
#define WMU_STATUS_MESSAGES (WM_APP + 0x25a)
#define WMU_STATUS_FOLDER (WM_APP + 0x25b)

