// The displays and the system's settings a window program reads: the work area of each
// display (the screen less the taskbar), the minimise animation (always off here), the caret's
// blink time and where the mouse pointer is. Without a toolkit display there is one display of 1280 x 1024 whose work
// area is the whole screen; a toolkit installs a provider that reports its real displays.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <memory>
#include <string>
#include <vector>

struct HMONITOR__;
using HMONITOR = HMONITOR__*;

struct ANIMATIONINFO {
    UINT cbSize;
    int iMinAnimate;
};
using LPANIMATIONINFO = ANIMATIONINFO*;

struct MONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
};
using LPMONITORINFO = MONITORINFO*;

#define CCHDEVICENAME 32
struct MONITORINFOEXA {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
    CHAR szDevice[CCHDEVICENAME];
};

#define MONITORINFOF_PRIMARY 0x00000001
#define MONITOR_DEFAULTTONULL 0x00000000
#define MONITOR_DEFAULTTOPRIMARY 0x00000001
#define MONITOR_DEFAULTTONEAREST 0x00000002

// SystemParametersInfoA actions (the SET ones are what WM_SETTINGCHANGE's wParam names).
#define SPI_SETWORKAREA 0x002F
#define SPI_GETWORKAREA 0x0030
#define SPI_GETANIMATION 0x0048
#define SPI_SETANIMATION 0x0049

// The caret blink time that means "no blinking".
#define INFINITE_BLINK 0xFFFFFFFFu

extern "C" {
// SPI_GETWORKAREA: the primary display's work area into the RECT at pvParam. SPI_GETANIMATION:
// the ANIMATIONINFO at pvParam (cbSize and uiParam must both be its size) gets iMinAnimate 0.
// Any other action: FALSE and ERROR_INVALID_PARAMETER.
BOOL SystemParametersInfoA(UINT action, UINT uiParam, LPVOID pvParam, UINT winIni);
// The display that the rectangle overlaps most; one it does not touch at all gives null, the
// primary display or the nearest one, as the flags say.
HMONITOR MonitorFromRect(LPCRECT rect, DWORD flags);
// cbSize must be that of MONITORINFO or MONITORINFOEXA (which also gets the device name).
BOOL GetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info);
// Milliseconds between caret blinks: HKCU\Control Panel\Desktop, CursorBlinkRate (text), 530
// when it is missing or unreadable; "-1" means no blinking (INFINITE_BLINK).
UINT GetCaretBlinkTime();
// The mouse pointer in screen coordinates, as the display provider reports it; headless it is
// at the primary work area's centre.
BOOL GetCursorPos(LPPOINT point);
}

namespace platform {

struct DisplayInfo {
    RECT monitor{};
    RECT work{};
    bool primary = false;
    std::string device; // "\\.\DISPLAY1"
};

class DisplayProvider {
public:
    virtual ~DisplayProvider() = default;
    // The displays, the primary one among them.
    virtual std::vector<DisplayInfo> Displays() = 0;
    // Where the mouse pointer is, when the provider knows it.
    virtual bool CursorPosition(POINT& point)
    {
        (void)point;
        return false;
    }
};

// Installs the provider the display functions ask and returns the one before; null restores
// the single headless display.
std::shared_ptr<DisplayProvider> SetDisplayProvider(std::shared_ptr<DisplayProvider> provider);
std::vector<DisplayInfo> CurrentDisplays();

} // namespace platform
