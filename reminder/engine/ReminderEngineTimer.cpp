// The engine's clock: the window timer, the earliest reminder time among the copies, and
// raising the reminders (mail, sound, the reminders window) once that time has passed.
#include "ReminderEngine.h"

#include "EngineSeam.h"
#include "RegKeyEx.h"
#include "ReminderMessages.h"
#include "TimeUtils.h"
#include "TraceScope.h"
#include "base/LastError.h"
#include "WndUtils.h"
#include "base/Profile.h"
#include "base/Sound.h"
#include "base/WinTime.h"
#include "base/Window.h"

#include <algorithm>

namespace {

// Set while one ShowReminders runs (on the host's thread): a call that comes in meanwhile,
// from a message dispatched inside it, raises nothing.
bool g_raising = false;

class CRaisingFlag {
public:
    CRaisingFlag() { g_raising = true; }
    ~CRaisingFlag() { g_raising = false; }
    CRaisingFlag(const CRaisingFlag&) = delete;
    CRaisingFlag& operator=(const CRaisingFlag&) = delete;
};

void TraceTime(int line, const char* format, const FILETIME& time)
{
    SYSTEMTIME st{};
    FileTimeToSystemTime(&time, &st);
    TracePrint(__FILE__, line, TL_DEBUG, format, st.wDay, st.wMonth, st.wYear, st.wHour, st.wMinute, st.wSecond);
}

bool ReadSettingsDword(const char* name, DWORD& value)
{
    CRegKeyEx key;
    return key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) == ERROR_SUCCESS &&
           key.QueryDWORDValue(name, value) == ERROR_SUCCESS;
}

std::string ReadSettingsString(const char* name)
{
    CRegKeyEx key;
    std::string value;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) == ERROR_SUCCESS)
        key.QueryStringValue(name, &value);
    return value;
}

} // namespace

HRESULT CReminderEngine::EnableTimer()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::EnableTimer", &hr);
    if (GetPrivateProfileIntA(kIniSection, "RunDisabled", 0, kIniFile) != 0)
        return hr;
    // Seconds in 64 bits: a long interval must not wrap to a short one.
    const ULONGLONG elapse =
        std::min<ULONGLONG>(static_cast<ULONGLONG>(m_updateInterval) * 1000ULL, USER_TIMER_MAXIMUM);
    m_timerId = SetTimer(m_hWnd, 1, static_cast<UINT>(elapse), nullptr);
    if (m_timerId == 0) {
        hr = HRESULT_FROM_WIN32(GetLastError());
        if (SUCCEEDED(hr))
            hr = E_FAIL;
        TRACE_FAILED(SetTimer, hr);
    }
    return hr;
}

HRESULT CReminderEngine::DisableTimer()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::DisableTimer", &hr);
    if (m_timerId) {
        KillTimer(m_hWnd, m_timerId);
        m_timerId = 0;
    }
    return hr;
}

HRESULT CReminderEngine::get_UpdateInterval(LONG* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_updateInterval;
    return S_OK;
}

HRESULT CReminderEngine::put_UpdateInterval(LONG newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::put_UpdateInterval", &hr);
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (newVal <= 0)
        return hr;
    m_updateInterval = newVal;
    hr = get_Enabled(&enabled);
    if (FAILED(hr))
        return hr;
    // The new period takes effect at once, unless the options hold the timer off: then when they
    // let go.
    if (enabled && m_configuring == 0)
        EnableTimer();
    return hr;
}

HRESULT CReminderEngine::get_Configuring(VARIANT_BOOL* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_configuring != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CReminderEngine::put_Configuring(VARIANT_BOOL newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::put_Configuring", &hr);
    if (newVal != VARIANT_FALSE) {
        if (m_configuring++ == 0)
            DisableTimer();
    } else if (m_configuring > 0) {
        // An end of configuring that no beginning matched (a page made before the engine) changes
        // nothing.
        if (--m_configuring == 0 && m_enabled)
            EnableTimer();
    }
    return hr;
}

BOOL CReminderEngine::ProcessWindowMessage(HWND, UINT uMsg, WPARAM, LPARAM, LRESULT& lResult, DWORD dwMsgMapID)
{
    if (dwMsgMapID != 0) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "Invalid message map ID (%i)\n", static_cast<int>(dwMsgMapID));
        return FALSE;
    }
    if (uMsg == WM_TIMER) {
        lResult = OnTimer();
        return TRUE;
    }
    return FALSE;
}

LRESULT CReminderEngine::OnTimer()
{
    TRACE_PROC("CReminderEngine::OnTimer");
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "OnTimer: %lx \n", static_cast<unsigned long>(GetTickCount()));
    if (m_configuring != 0) {
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "Configuring, skipping all actions\n");
        return 0;
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    TraceTime(__LINE__, "Now:           %02d.%02d.%04d %02d:%02d:%02d\n", now);
    TraceTime(__LINE__, "Next Reminder: %02d.%02d.%04d %02d:%02d:%02d\n", m_ftNextReminder);
    // None (all bits set) never lies before now.
    if (CompareFileTime(&m_ftNextReminder, &now) < 0)
        static_cast<IReminderEngine*>(this)->ShowReminders();
    return 0;
}

HRESULT CReminderEngine::SetNextReminder(LONG_PTR dwReminder)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::SetNextReminder", &hr);
    if (dwReminder == 0) {
        m_ftNextReminder = {0xFFFFFFFF, 0xFFFFFFFF};
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "Next Reminder set to nothing\n");
        return hr;
    }
    const FILETIME* offered = reinterpret_cast<const FILETIME*>(dwReminder);
    if (CompareFileTime(&m_ftNextReminder, offered) >= 0) {
        m_ftNextReminder = *offered;
        FILETIME local{};
        if (UtcToLocalFileTime(offered, &local))
            TraceTime(__LINE__, "Next Reminder: %02d.%02d.%04d %02d:%02d:%02d\n", local);
    }
    return hr;
}

HRESULT CReminderEngine::ShowReminders()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::ShowReminders", &hr);
    if (g_raising)
        return hr;
    CRaisingFlag raising;
    bool mail = false;
    std::string address;
    GetMailSettings(mail, address);
    if (mail && !address.empty()) {
        // The copies live in the back folder, which only an enabled engine has.
        if (m_pBackFolder)
            SentReminderMails(address);
        else
            TracePrint(__FILE__, __LINE__, TL_WARNING, "No back folder: no reminder mail\n");
    }
    HWND window = EngineSeam()->RemindersWindow();
    if (!window) {
        if (ReminderSoundEnabled())
            PlayReminderSound();
        const HRESULT opened = EngineSeam()->OpenRemindersWindow(this, 2);
        if (FAILED(opened))
            TracePrint(__FILE__, __LINE__, TL_WARNING, "No reminders window: hr=0x%08lx\n", opened);
    } else if (GetForegroundWindow() != window) {
        if (GetPrivateProfileIntA(kIniSection, "AlwaysPopUp", 0, kIniFile) == 0)
            SendMessageA(window, WMU_REMINDERS_PENDING, 0, 0);
        else
            ForceForegroundWindow(window, TRUE);
    }
    return hr;
}

void CReminderEngine::GetMailSettings(bool& mail, std::string& address)
{
    TRACE_PROC("CReminderEngine::GetMailSettings");
    DWORD value = 0;
    mail = ReadSettingsDword("Mail", value) && value != 0;
    address = ReadSettingsString("MailAddress");
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "SentMail: %s, Mailaddress: %s\n", mail ? "true" : "false",
               address.c_str());
}

BOOL CReminderEngine::ReminderSoundEnabled()
{
    DWORD value = 0;
    return ReadSettingsDword("Sound", value) && value != 0 ? TRUE : FALSE;
}

void CReminderEngine::PlayReminderSound()
{
    TRACE_PROC("CReminderEngine::PlayReminderSound");
    const std::string file = ReadSettingsString("SoundFile");
    // Played in the background: the host's thread goes on (and the window opens) at once.
    if (!PlaySoundA(file.c_str(), nullptr, SND_FILENAME | SND_NODEFAULT | SND_ASYNC))
        TracePrint(__FILE__, __LINE__, TL_WARNING, "PlaySound(%s) played nothing\n", file.c_str());
}
