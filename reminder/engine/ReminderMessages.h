// The reminders window's messages (WM_APP based): from its list, from itself, from the engine
// and from its tray icon.
#pragma once

#include "base/WinMessages.h"

#define WMU_REMINDERS_UPDATEUI (WM_APP + 2)  // list to window: refresh buttons and snooze list
#define WMU_REMINDERS_GETFILTER (WM_APP + 3) // list asks for the view filter
#define WMU_REMINDERS_PENDING (WM_APP + 4)   // engine to window: reminders are due, blink the tray icon
#define WMU_REMINDERS_TRAY (WM_APP + 5)      // the tray icon's callback
