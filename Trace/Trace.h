// The trace writer: levelled diagnostic lines to the debugger and, when the INI file names
// one, to a log file. Each library that links a trace library carries its own state.
//
// Two builds of one source: trace_lumivane (the add-in form: a start header, log names that
// carry the host program's name) and trace_tembrix (the engine form). The build that is linked
// defines TRACE_FORM_ADDIN or TRACE_FORM_ENGINE for its users.
#pragma once

#include "base/VersionInfo.h"
#include "base/WinTypes.h"

enum TraceLevel {
    TL_ERROR = 0,   // "E": failed calls and checks
    TL_WARNING = 1, // "W": warnings and the start header
    TL_DEBUG = 2,   // "D": information lines
    TL_CALL = 3,    // "C": entry and exit lines of the scope tracers
};

extern "C" {

#if defined(TRACE_FORM_ENGINE)
// Reads DebugLevel and DebugFile from the section of the INI file; writes no header.
void TraceInit(LPCSTR section, LPCSTR iniFile);
// Opens the log file under the given path, or the first free of path0 .. path99.
void TraceOpenLogFile(LPCSTR path);
#else
// TraceReadSettings, then the start header with the versions of the host and of the module.
void TraceInit(LPCSTR section, LPCSTR iniFile, HMODULE module);
void TraceReadSettings(LPCSTR section, LPCSTR iniFile, HMODULE module);
// Opens the log file; with a module handle the host program's file name goes into the name
// (trace.txt -> trace_HOST.EXE.txt), then the first free of the names with .01 .. .99.
void TraceOpenLogFile(LPCSTR path, HMODULE module);
#endif

// Sets the level and returns the previous one. A line of level L is written when L <= level.
int TraceSetLevel(int level);
// Keeps the pointer, not a copy: the text must outlive the library's use of it.
void TraceSetModuleLabel(LPCSTR label);

// One line with the prefix "hh:mm:ss L[label-source:line] "; the format (wsprintf syntax)
// carries its own "\n". Never changes the caller's last error.
void TracePrint(LPCSTR sourcePath, int line, int level, LPCSTR format, ...);
// The same without the prefix; path and line are not used.
void TracePrintRaw(LPCSTR sourcePath, int line, int level, LPCSTR format, ...);
// Writes a finished text to the debugger and the log file.
void TraceOutput(int level, LPCSTR text);

// The version block (from the C heap; the caller frees it with free(), also when FALSE is
// returned) and its fixed information.
BOOL GetModuleVersionInfo(LPCSTR modulePath, LPVOID* versionBlock, VS_FIXEDFILEINFO** fixedInfo);

// A failed call at level 0, in this build's form: "Callee() failed. hr=0x%08lx\n" (add-in) or
// "Callee() failed: hr=%lx\n" (engine).
void TraceFailed(LPCSTR sourcePath, int line, LPCSTR callee, HRESULT hr);

} // extern "C"

#define TRACE_FAILED(Callee, hr) TraceFailed(__FILE__, __LINE__, #Callee, (hr))
