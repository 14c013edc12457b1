#include "base/DialogUnits.h"

#include "base/LastError.h"
#include "base/WinError.h"

#include <atomic>
#include <cstdint>

namespace {

std::atomic<std::uint64_t> g_units{(static_cast<std::uint64_t>(6) << 32) | 13};

// a * b / c rounded half away from zero, as MulDiv does.
LONG ScaleRounded(LONG a, LONG b, LONG c)
{
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = c / 2;
    return static_cast<LONG>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

namespace platform {

DialogBaseUnits CurrentDialogBaseUnits()
{
    const std::uint64_t v = g_units.load();
    return {static_cast<int>(v >> 32), static_cast<int>(v & 0xFFFFFFFF)};
}

void SetDialogBaseUnits(DialogBaseUnits units)
{
    if (units.x < 1 || units.y < 1)
        return;
    g_units.store((static_cast<std::uint64_t>(units.x) << 32) | static_cast<std::uint32_t>(units.y));
}

} // namespace platform

BOOL MapDialogRect(HWND, LPRECT rect)
{
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto units = platform::CurrentDialogBaseUnits();
    rect->left = ScaleRounded(rect->left, units.x, 4);
    rect->right = ScaleRounded(rect->right, units.x, 4);
    rect->top = ScaleRounded(rect->top, units.y, 8);
    rect->bottom = ScaleRounded(rect->bottom, units.y, 8);
    return TRUE;
}
