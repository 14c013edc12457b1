#include "base/Display.h"

#include "base/LastError.h"
#include "base/WinError.h"
#include "base/SettingsSource.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

struct ProviderSlot {
    std::mutex lock;
    std::shared_ptr<DisplayProvider> provider;
};

ProviderSlot& Slot()
{
    static auto* slot = new ProviderSlot;
    return *slot;
}

// Monitors are handed out as 1-based indexes into the current display list.
HMONITOR MonitorHandle(std::size_t index)
{
    return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(index + 1));
}

LONG Overlap(const RECT& a, const RECT& b)
{
    const LONG w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const LONG h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// Distance between two rectangles along both axes (0 when they touch or overlap).
long long Distance(const RECT& a, const RECT& b)
{
    const long long dx = std::max<long long>({0, b.left - a.right, a.left - b.right});
    const long long dy = std::max<long long>({0, b.top - a.bottom, a.top - b.bottom});
    return dx * dx + dy * dy;
}

std::size_t PrimaryIndex(const std::vector<DisplayInfo>& displays)
{
    for (std::size_t i = 0; i < displays.size(); ++i)
        if (displays[i].primary)
            return i;
    return 0;
}

} // namespace

std::shared_ptr<DisplayProvider> SetDisplayProvider(std::shared_ptr<DisplayProvider> provider)
{
    auto& slot = Slot();
    std::lock_guard lock(slot.lock);
    std::swap(slot.provider, provider);
    return provider;
}

namespace {

std::shared_ptr<DisplayProvider> CurrentProvider()
{
    auto& slot = Slot();
    std::lock_guard lock(slot.lock);
    return slot.provider;
}

} // namespace

std::vector<DisplayInfo> CurrentDisplays()
{
    const std::shared_ptr<DisplayProvider> provider = CurrentProvider();
    std::vector<DisplayInfo> displays;
    if (provider)
        displays = provider->Displays();
    if (displays.empty()) {
        DisplayInfo only;
        only.monitor = RECT{0, 0, 1280, 1024};
        only.work = only.monitor;
        only.primary = true;
        only.device = "\\\\.\\DISPLAY1";
        displays.push_back(only);
    }
    return displays;
}

} // namespace platform

BOOL SystemParametersInfoA(UINT action, UINT uiParam, LPVOID pvParam, UINT)
{
    switch (action) {
    case SPI_GETWORKAREA: {
        if (!pvParam)
            break;
        const auto displays = platform::CurrentDisplays();
        *static_cast<RECT*>(pvParam) = displays[platform::PrimaryIndex(displays)].work;
        return TRUE;
    }
    case SPI_GETANIMATION: {
        auto* info = static_cast<ANIMATIONINFO*>(pvParam);
        if (!info || info->cbSize != sizeof(ANIMATIONINFO) || uiParam != sizeof(ANIMATIONINFO))
            break;
        info->iMinAnimate = 0;
        return TRUE;
    }
    default: break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

HMONITOR MonitorFromRect(LPCRECT rect, DWORD flags)
{
    const auto displays = platform::CurrentDisplays();
    if (!rect)
        return flags == MONITOR_DEFAULTTONULL ? nullptr : platform::MonitorHandle(platform::PrimaryIndex(displays));
    std::size_t best = 0;
    LONG bestOverlap = 0;
    for (std::size_t i = 0; i < displays.size(); ++i) {
        const LONG overlap = platform::Overlap(*rect, displays[i].monitor);
        if (overlap > bestOverlap) {
            best = i;
            bestOverlap = overlap;
        }
    }
    if (bestOverlap > 0)
        return platform::MonitorHandle(best);
    switch (flags) {
    case MONITOR_DEFAULTTOPRIMARY: return platform::MonitorHandle(platform::PrimaryIndex(displays));
    case MONITOR_DEFAULTTONEAREST: {
        std::size_t nearest = 0;
        for (std::size_t i = 1; i < displays.size(); ++i)
            if (platform::Distance(*rect, displays[i].monitor) < platform::Distance(*rect, displays[nearest].monitor))
                nearest = i;
        return platform::MonitorHandle(nearest);
    }
    default: return nullptr;
    }
}

BOOL GetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info)
{
    const auto displays = platform::CurrentDisplays();
    const auto index = reinterpret_cast<std::uintptr_t>(monitor);
    if (!info || (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEXA)) || index == 0 ||
        index > displays.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const platform::DisplayInfo& display = displays[index - 1];
    info->rcMonitor = display.monitor;
    info->rcWork = display.work;
    info->dwFlags = display.primary ? MONITORINFOF_PRIMARY : 0;
    if (info->cbSize == sizeof(MONITORINFOEXA)) {
        auto* ex = reinterpret_cast<MONITORINFOEXA*>(info);
        std::memset(ex->szDevice, 0, sizeof ex->szDevice);
        std::memcpy(ex->szDevice, display.device.data(), std::min<std::size_t>(display.device.size(), CCHDEVICENAME - 1));
    }
    return TRUE;
}

UINT GetCaretBlinkTime()
{
    constexpr UINT kDefaultBlinkTime = 530;
    std::string text;
    if (platform::ReadSettingString(platform::SettingsHive::CurrentUser, "Control Panel\\Desktop", "CursorBlinkRate",
                                    "", text) != ERROR_SUCCESS ||
        text.empty())
        return kDefaultBlinkTime;
    if (text == "-1")
        return INFINITE_BLINK;
    UINT value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return kDefaultBlinkTime;
    return value;
}

BOOL GetCursorPos(LPPOINT point)
{
    if (!point) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (const auto provider = platform::CurrentProvider(); provider && provider->CursorPosition(*point))
        return TRUE;
    const auto displays = platform::CurrentDisplays();
    const RECT& work = displays[platform::PrimaryIndex(displays)].work;
    *point = POINT{(work.left + work.right) / 2, (work.top + work.bottom) / 2};
    return TRUE;
}
