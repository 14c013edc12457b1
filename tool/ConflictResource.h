// Resource ids of the conflicts dialog, its list and the run's conflict texts, and the messages
// between the list, the dialog and the forms' sites.
#pragma once

#include "resource.h"

#include "base/WinMessages.h"

// Dialog 142 and its controls (OK 1 is Close, Cancel 2, Help 9).
#define IDD_CONFLICTS 142
#define IDC_CONFLICT_LIST 1004
#define IDC_CONFLICT_SEPARATOR 1130
#define IDC_COMMIT 1139
#define IDC_CONFLICT_LOCAL 1147
#define IDC_CONFLICT_GLOBAL 1148
#define IDC_CONFLICT_DELETE_ICON 1149
#define IDC_CONFLICT_CHANGE_ICON 1150
#define IDC_CONFLICT_CHANGE_TEXT 1151
#define IDC_CONFLICT_DELETE_TEXT 1152

// Help contexts of the two modes.
#define HIDD_CONFLICTS_DELETE 166
#define HIDD_CONFLICTS_CHANGE 167

// Strings.
#define IDS_RESOLVE_FAILED 217         // "The conflict could not be resolved."
#define IDS_FORM_OPEN 218              // "A form window is open. Close it and try again."
#define IDS_UNREADABLE_CONFLICTS 219   // "%ld entries could not be accessed correctly. ..."
#define IDS_DELETE_RESOLUTION 350      // "Delete resolution"
#define IDS_CONFLICT_RESOLUTION 351    // "Conflict resolution"
#define IDS_DELETED 352                // "(deleted)"
#define IDS_CONFLICT_LOCAL_PREFIX 3000 // "Local - "
#define IDS_CONFLICT_GLOBAL_PREFIX 3001
#define IDS_CONFLICT_DELETE_TEXT 3002
#define IDS_CONFLICT_CHANGE_TEXT 3003
#define IDS_CONFLICT_COMMIT 3004
#define IDS_CONFLICT_CANCEL 3005
#define IDS_CONFLICT_CLOSE 3006
#define IDS_CONFLICT_HELP 3007
#define IDS_COLUMN_STATE 3010          // "O"
#define IDS_COLUMN_TICK 3011           // "X"
#define IDS_COLUMN_LOCAL 3012
#define IDS_COLUMN_DATE 3013
#define IDS_COLUMN_GLOBAL 3014
#define IDS_UNTITLED 3015              // "(untitled)"

// Pictures of the list and the dialog.
#define IDB_TICK_BOXES 143
#define IDI_NOTHING_TO_RESOLVE 160
#define IDI_CONFLICT_DELETIONS 166
#define IDI_CONFLICT_CHANGES 169

// The list tells the dialog that a tick changed, and that a form opened or closed (lParam 1
// while at least one form is open); the list makes a side active (lParam 0 local, 1 global).
#define WMU_CONFLICT_CHECK_CHANGED (WM_APP + 0x60)
#define WMU_FORM_COUNT_CHANGED (WM_APP + 0x61)
#define WMU_CONFLICT_SIDE (WM_APP + 0x12C)
