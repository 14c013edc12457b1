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
#define IDS_UNKNOWN_WORD 222          // "Unknown command line word: %s"
#define IDS_PROCESSING 250            // "Processing synchronisation..."
#define IDS_CLOSE_DURING_RUN 251
#define IDS_NO_FILENAME 305           // "no filename available"
#define IDS_HELP_FILE 600             // "Manual.chm"
#define AFX_IDS_IDLEMESSAGE 57345     // "Ready"

// Icons of the tray and the run state.
#define IDI_IDLE 163
#define IDI_RUNNING 165

// The registered message of a second start and the name of the single-instance mutex.
#define ORVINTA_INSTANCE_NAME "Tembrix-{EBC54183-39B4-4b44-839B-2A80F191FB03}"

// Sent by the document to every view when the frame may close: the view stops its timer.
#define WMU_KILLTIMER (WM_APP + 0x62)
