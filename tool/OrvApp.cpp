#include "OrvApp.h"

#include "ErrorText.h"
#include "RegKey.h"
#include "ToolStrings.h"
#include "resource.h"

#include "base/Broadcast.h"
#include "base/Handles.h"
#include "base/Clock.h"
#include "base/LastError.h"
#include "base/MessageBox.h"
#include "base/Module.h"
#include "base/Synch.h"
#include "base/Window.h"
#include "base/WinTime.h"
#include "com/ComRuntime.h"
#include "mapi/Mapi.h"
#include "registry/Registry.h"

#include <filesystem>

namespace {

COrvApp* g_current = nullptr;


// A DWORD setting: only a 4-byte REG_DWORD counts; anything else leaves the field alone.
bool ReadDword(HKEY key, const char* name, DWORD& value)
{
    if (!key)
        return false;
    DWORD type = 0;
    DWORD data = 0;
    DWORD cb = sizeof(data);
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &cb) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || cb != sizeof(DWORD))
        return false;
    value = data;
    return true;
}

void ReadBool(HKEY key, const char* name, bool& field)
{
    DWORD value = 0;
    if (ReadDword(key, name, value))
        field = value != 0;
}

void WriteDword(HKEY key, const char* name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

} // namespace

COrvApp::COrvApp()
{
    m_hrCoInit = CoInitialize(nullptr);
    MAPIINIT_0 init{};
    init.ulVersion = 0;
    init.ulFlags = 0;
    m_hrMapiInit = MAPIInitialize(&init);
    g_current = this;
}

COrvApp::~COrvApp()
{
    SaveSettings();
    if (m_hInstanceMutex)
        CloseHandle(m_hInstanceMutex);
    if (SUCCEEDED(m_hrMapiInit))
        MAPIUninitialize();
    if (SUCCEEDED(m_hrCoInit))
        CoUninitialize();
    if (g_current == this)
        g_current = nullptr;
}

COrvApp* COrvApp::Current() { return g_current; }

time_t COrvApp::Now() { return static_cast<time_t>(platform::FileTimeToUnix(platform::ActiveClock()->utcNow())); }

void COrvApp::SetRegistryKey(const std::string& word) { m_strSettingsKey = "Software\\" + word + "\\settings"; }

int COrvApp::MessageBox(const std::string& text, UINT type)
{
    return MessageBoxA(nullptr, text.c_str(), m_strAppName.c_str(), type);
}

BOOL COrvApp::InitInstance(const std::vector<std::string>& args)
{
    SetRegistryKey(LoadResString(IDS_REGISTRY_KEY));
    SetHelpFilePath();
    LoadSettings();

    COrvCommandLineInfo cmdInfo;
    cmdInfo.ParseCommandLine(args);
    if (!cmdInfo.m_strFileName.empty()) {
        MessageBox(FormatResString(IDS_UNKNOWN_WORD, cmdInfo.m_strFileName), MB_OK | MB_ICONEXCLAMATION);
        m_nExitCode = 2;
        return FALSE;
    }

    if (cmdInfo.m_bAutoSync)
        ScheduleSync(SYNC_AUTOSYNC);
    if (cmdInfo.m_bOlStop && m_bSyncOnOutlookQuit)
        ScheduleSync(SYNC_OLSTOP);
    if (cmdInfo.m_bOlStart && m_bSyncOnOutlookStart)
        ScheduleSync(SYNC_OLSTART);
    m_strCmdLineProfile = cmdInfo.m_strProfile;

    // Started by the mail client with the matching setting off: nothing to do.
    if (m_nPendingSync == SYNC_NONE && (cmdInfo.m_bOlStart || cmdInfo.m_bOlStop))
        return FALSE;

    if (CheckSingleInstance()) {
        if (m_nPendingSync == SYNC_NONE)
            MessageBox(LoadResString(IDS_ALREADY_RUNNING), MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }

    if (FAILED(m_hrCoInit)) {
        MessageBox(FailureText(IDS_CANNOT_START, m_hrCoInit), MB_OK | MB_ICONSTOP);
        m_nExitCode = 1;
        return FALSE;
    }

    m_nCmdShow = m_nPendingSync != SYNC_NONE ? SW_MINIMIZE : SW_SHOW;
    return TRUE;
}

void COrvApp::LoadSettings()
{
    if (m_strSettingsKey.empty())
        return;
    CRegKey user;
    RegCreateKeyExA(HKEY_CURRENT_USER, m_strSettingsKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                    nullptr, user.put(), nullptr);
    // Read access is all the fall-back needs, and all that an ordinary user is granted there.
    CRegKey machine;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_strSettingsKey.c_str(), 0, KEY_READ, machine.put());

    ReadBool(user.get(), "QueryDelete", m_bQueryDelete);
    ReadBool(user.get(), "SyncOnOutlookStart", m_bSyncOnOutlookStart);
    DWORD delay = 0;
    if (ReadDword(user.get(), "SyncOnOutlookStartDelay", delay))
        m_nSyncOnOutlookStartDelay = static_cast<int>(std::min<DWORD>(delay, 0x7FFFFFFF));
    ReadBool(user.get(), "SyncOnOutlookQuit", m_bSyncOnOutlookQuit);

    for (auto [name, field] : {std::pair{"ShowAdvancedEdit", &m_bShowAdvancedEdit},
                               std::pair{"AdvancedEditIsDefault", &m_bAdvancedEditIsDefault}}) {
        DWORD value = 0;
        if (ReadDword(user.get(), name, value) || ReadDword(machine.get(), name, value))
            *field = value != 0;
    }
    m_bSettingsLoaded = true;
}

void COrvApp::SaveSettings()
{
    if (m_strSettingsKey.empty())
        return;
    CRegKey user;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, m_strSettingsKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, user.put(), nullptr) != ERROR_SUCCESS)
        return;
    WriteDword(user.get(), "QueryDelete", m_bQueryDelete ? 1 : 0);
    WriteDword(user.get(), "SyncOnOutlookStart", m_bSyncOnOutlookStart ? 1 : 0);
    WriteDword(user.get(), "SyncOnOutlookStartDelay", static_cast<DWORD>(m_nSyncOnOutlookStartDelay));
    WriteDword(user.get(), "SyncOnOutlookQuit", m_bSyncOnOutlookQuit ? 1 : 0);
}

void COrvApp::ScheduleSync(int type)
{
    const time_t now = Now();
    m_nPendingSync = type;
    time_t candidate = 0;
    switch (type) {
    case SYNC_NONE:
        // Nothing pending any more: a due time left behind would hold a later run to it.
        m_tDueTime = 0;
        return;
    case SYNC_OLSTART:
        candidate = now + m_nSyncOnOutlookStartDelay;
        break;
    case SYNC_OLSTOP:
    case SYNC_AUTOSYNC:
        candidate = now;
        break;
    default:
        return;
    }
    if (m_tDueTime == 0 || m_tDueTime > candidate)
        m_tDueTime = candidate;
}

BOOL COrvApp::ScheduleSyncFromMessage(LPARAM lParam)
{
    if (lParam < SYNC_NONE || lParam > SYNC_AUTOSYNC)
        return FALSE;
    ScheduleSync(static_cast<int>(lParam));
    return TRUE;
}

bool COrvApp::CheckSingleInstance()
{
    if (!m_hInstanceMutex)
        m_hInstanceMutex = CreateMutexA(nullptr, FALSE, ORVINTA_INSTANCE_NAME);
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED)
        return false;
    const UINT message = RegisterWindowMessageA(ORVINTA_INSTANCE_NAME);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, message, 0, m_nPendingSync, SMTO_BLOCK | SMTO_ABORTIFHUNG, 200, &result);
    return true;
}

void COrvApp::SetHelpFilePath()
{
    char program[MAX_PATH * 4] = "";
    GetModuleFileNameA(nullptr, program, sizeof(program));
    m_strHelpFilePath = (std::filesystem::path(program).parent_path() / LoadResString(IDS_HELP_FILE)).string();
}
