// The trace writer. Compiled once per form (TRACE_FORM_ADDIN / TRACE_FORM_ENGINE) into its own
// static library; each module that links one has its own copy of the three statics below.
#include "Trace.h"

#include "base/DebugOutput.h"
#include "base/Format.h"
#include "base/LastError.h"
#include "base/Module.h"
#include "base/Path.h"
#include "base/Profile.h"
#include "base/WinTime.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if !defined(TRACE_FORM_ADDIN) && !defined(TRACE_FORM_ENGINE)
#error "Build the trace writer with TRACE_FORM_ADDIN or TRACE_FORM_ENGINE"
#endif

namespace {

int g_level = TL_CALL;
LPCSTR g_label = "";
FILE* g_logFile = nullptr;

constexpr int kLineBuffer = 8192;
constexpr DWORD kSettingBuffer = 256;

const char* LevelLetter(int level)
{
    static const char* const letters[] = {"E", "W", "D", "C"};
    if (level < TL_ERROR)
        level = TL_ERROR;
    if (level > TL_CALL)
        level = TL_CALL;
    return letters[level];
}

const char* SourceName(const char* path)
{
    if (!path)
        return "";
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    return name;
}

#if defined(TRACE_FORM_ADDIN)
// Bounded copy and append into fixed buffers.
void CopyText(char* target, std::size_t capacity, const char* text)
{
    std::snprintf(target, capacity, "%s", text ? text : "");
}

void AppendText(char* target, std::size_t capacity, const char* text)
{
    const std::size_t used = std::strlen(target);
    if (used + 1 < capacity)
        std::snprintf(target + used, capacity - used, "%s", text);
}
#endif

} // namespace

int TraceSetLevel(int level)
{
    const int previous = g_level;
    g_level = level;
    return previous;
}

void TraceSetModuleLabel(LPCSTR label)
{
    g_label = label;
}

void TraceOutput(int, LPCSTR text)
{
    OutputDebugStringA(text);
    if (g_logFile) {
        std::fprintf(g_logFile, "%s", text);
        std::fflush(g_logFile);
    }
}

void TracePrint(LPCSTR sourcePath, int line, int level, LPCSTR format, ...)
{
    const DWORD lastError = GetLastError();
    if (level > g_level)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char buffer[kLineBuffer];
    const int prefix = wsprintfA(buffer, "%02d:%02d:%02d %s[%s-%s:%d] ", now.wHour, now.wMinute, now.wSecond,
                                 LevelLetter(level), g_label, SourceName(sourcePath), line);
    va_list args;
    va_start(args, format);
    wvsprintfA(buffer + prefix, format, args);
    va_end(args);
    TraceOutput(level, buffer);
    SetLastError(lastError);
}

void TracePrintRaw(LPCSTR, int, int level, LPCSTR format, ...)
{
    const DWORD lastError = GetLastError();
    if (level > g_level)
        return;
    char buffer[kLineBuffer];
    buffer[0] = '\0';
    va_list args;
    va_start(args, format);
    wvsprintfA(buffer, format, args);
    va_end(args);
    TraceOutput(level, buffer);
    SetLastError(lastError);
}

BOOL GetModuleVersionInfo(LPCSTR modulePath, LPVOID* versionBlock, VS_FIXEDFILEINFO** fixedInfo)
{
    if (versionBlock)
        *versionBlock = nullptr;
    if (fixedInfo)
        *fixedInfo = nullptr;
    if (!versionBlock || !fixedInfo)
        return FALSE;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(modulePath, &handle);
    if (size == 0)
        return FALSE;
    *versionBlock = std::malloc(size);
    if (!*versionBlock)
        return FALSE;
    if (!GetFileVersionInfoA(modulePath, handle, size, *versionBlock))
        return FALSE;
    UINT length = 0;
    return VerQueryValueA(*versionBlock, "\\", reinterpret_cast<LPVOID*>(fixedInfo), &length) ? TRUE : FALSE;
}

#if defined(TRACE_FORM_ADDIN)

void TraceFailed(LPCSTR sourcePath, int line, LPCSTR callee, HRESULT hr)
{
    TracePrint(sourcePath, line, TL_ERROR, "%s() failed. hr=0x%08lx\n", callee, hr);
}

void TraceOpenLogFile(LPCSTR path, HMODULE module)
{
    char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    char fileName[_MAX_PATH];
    CopyText(fileName, sizeof fileName, path);
    if (module) {
        // The host program's file name goes into the log name, so that two programs that load
        // the add-in with the same settings write two files.
        char host[_MAX_PATH];
        char hostName[_MAX_FNAME], hostExt[_MAX_EXT];
        if (GetModuleFileNameA(nullptr, host, sizeof host) == 0)
            host[0] = '\0';
        _splitpath(host, nullptr, nullptr, hostName, hostExt);
        _splitpath(fileName, drive, dir, name, ext);
        AppendText(name, sizeof name, "_");
        AppendText(name, sizeof name, hostName);
        AppendText(name, sizeof name, hostExt);
        _makepath(fileName, drive, dir, name, ext);
    }
    _splitpath(fileName, drive, dir, name, ext);
    FILE* file = _fsopen(fileName, "w", _SH_DENYWR);
    for (int n = 1; !file && n <= 99; ++n) {
        // Another process holds the name: try name.01 .. name.99 before the extension.
        char numbered[_MAX_FNAME + 4];
        std::snprintf(numbered, sizeof numbered, "%s.%02d", name, n);
        char candidate[_MAX_PATH];
        _makepath(candidate, drive, dir, numbered, ext);
        file = _fsopen(candidate, "w", _SH_DENYWR);
    }
    if (file)
        g_logFile = file;
}

void TraceReadSettings(LPCSTR section, LPCSTR iniFile, HMODULE module)
{
    TraceSetModuleLabel(section);
    TraceSetLevel(static_cast<int>(GetPrivateProfileIntA(section, "DebugLevel", 0, iniFile)));
    char debugFile[kSettingBuffer];
    GetPrivateProfileStringA(section, "DebugFile", "", debugFile, sizeof debugFile, iniFile);
    if (debugFile[0] != '\0')
        TraceOpenLogFile(debugFile, module);
}

void TraceInit(LPCSTR section, LPCSTR iniFile, HMODULE module)
{
    TraceReadSettings(section, iniFile, module);

    TracePrintRaw(__FILE__, __LINE__, TL_WARNING, "\n* * *\n");
    const HMODULE modules[] = {nullptr, module};
    char hostPath[MAX_PATH] = "";
    for (int i = 0; i < 2; ++i) {
        char path[MAX_PATH];
        if (GetModuleFileNameA(modules[i], path, MAX_PATH) == 0)
            continue;
        if (i == 0)
            CopyText(hostPath, sizeof hostPath, path);
        else if (std::strcmp(path, hostPath) == 0)
            continue;
        LPVOID block = nullptr;
        VS_FIXEDFILEINFO* info = nullptr;
        if (GetModuleVersionInfo(path, &block, &info))
            TracePrintRaw(__FILE__, __LINE__, TL_WARNING, "%s %d.%d.%d.%d\n", path, HIWORD(info->dwProductVersionMS),
                          LOWORD(info->dwProductVersionMS), HIWORD(info->dwProductVersionLS),
                          LOWORD(info->dwProductVersionLS));
        else
            TracePrintRaw(__FILE__, __LINE__, TL_ERROR, "%s\n", path);
        std::free(block);
    }
    SYSTEMTIME today;
    GetLocalTime(&today);
    TracePrintRaw(__FILE__, __LINE__, TL_WARNING, "%04d-%02d-%02d\n* * *\n\n", today.wYear, today.wMonth, today.wDay);
}

#else // TRACE_FORM_ENGINE

void TraceFailed(LPCSTR sourcePath, int line, LPCSTR callee, HRESULT hr)
{
    TracePrint(sourcePath, line, TL_ERROR, "%s() failed: hr=%lx\n", callee, hr);
}

void TraceOpenLogFile(LPCSTR path)
{
    FILE* file = _fsopen(path, "w", _SH_DENYWR);
    for (int i = 0; !file && i <= 99; ++i) {
        char candidate[_MAX_PATH + 4];
        std::snprintf(candidate, sizeof candidate, "%s%d", path, i);
        file = _fsopen(candidate, "w", _SH_DENYWR);
    }
    if (file)
        g_logFile = file;
}

void TraceInit(LPCSTR section, LPCSTR iniFile)
{
    TraceSetModuleLabel(section);
    TraceSetLevel(static_cast<int>(GetPrivateProfileIntA(section, "DebugLevel", 0, iniFile)));
    char debugFile[kSettingBuffer];
    GetPrivateProfileStringA(section, "DebugFile", "", debugFile, sizeof debugFile, iniFile);
    if (debugFile[0] != '\0')
        TraceOpenLogFile(debugFile);
}

#endif
