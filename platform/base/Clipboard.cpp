#include "base/Clipboard.h"

#include "base/GlobalMemory.h"
#include "base/LastError.h"
#include "base/Process.h"
#include "base/ResourceImage.h"
#include "base/Resources.h"
#include "base/WinError.h"
#include "base/Window.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace {

struct Clipboard {
    std::mutex lock;
    DWORD openThread = 0; // 0: closed
    std::vector<std::pair<UINT, HANDLE>> data; // in the order the formats were set
};

Clipboard& TheClipboard()
{
    static auto* clipboard = new Clipboard;
    return *clipboard;
}

void Release(UINT format, HANDLE memory)
{
    if (format == CF_BITMAP)
        DeleteObject(memory);
    else
        GlobalFree(memory);
}

// True when the calling thread has the clipboard open; otherwise sets the error.
bool OpenHere(const Clipboard& clipboard)
{
    if (clipboard.openThread != GetCurrentThreadId()) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return false;
    }
    return true;
}

} // namespace

UINT RegisterClipboardFormatA(LPCSTR format)
{
    return RegisterWindowMessageA(format);
}

int GetClipboardFormatNameA(UINT format, LPSTR formatName, int maxCount)
{
    if (!formatName || maxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string name = platform::RegisteredAtomName(format);
    if (name.empty()) {
        formatName[0] = '\0';
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t n = std::min(name.size(), static_cast<std::size_t>(maxCount - 1));
    std::memcpy(formatName, name.data(), n);
    formatName[n] = '\0';
    return static_cast<int>(n);
}

BOOL OpenClipboard(HWND)
{
    auto& clipboard = TheClipboard();
    std::lock_guard guard(clipboard.lock);
    const DWORD thread = GetCurrentThreadId();
    if (clipboard.openThread && clipboard.openThread != thread) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    clipboard.openThread = thread;
    return TRUE;
}

BOOL CloseClipboard()
{
    auto& clipboard = TheClipboard();
    std::lock_guard guard(clipboard.lock);
    if (!OpenHere(clipboard))
        return FALSE;
    clipboard.openThread = 0;
    return TRUE;
}

BOOL EmptyClipboard()
{
    std::vector<std::pair<UINT, HANDLE>> freed;
    {
        auto& clipboard = TheClipboard();
        std::lock_guard guard(clipboard.lock);
        if (!OpenHere(clipboard))
            return FALSE;
        freed.swap(clipboard.data);
    }
    for (const auto& [format, memory] : freed)
        Release(format, memory);
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE memory)
{
    auto& clipboard = TheClipboard();
    std::unique_lock guard(clipboard.lock);
    if (!OpenHere(clipboard))
        return nullptr;
    if (format == 0 || !memory) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const bool live = format == CF_BITMAP ? platform::BitmapBitsPerPixel(static_cast<HBITMAP>(memory)) != 0
                                          : platform::IsGlobalBlock(memory);
    if (!live) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const auto it = std::find_if(clipboard.data.begin(), clipboard.data.end(),
                                 [format](const auto& entry) { return entry.first == format; });
    if (it == clipboard.data.end()) {
        clipboard.data.emplace_back(format, memory);
        return memory;
    }
    const HANDLE replaced = std::exchange(it->second, memory);
    guard.unlock();
    if (replaced != memory)
        Release(format, replaced);
    return memory;
}

HANDLE GetClipboardData(UINT format)
{
    auto& clipboard = TheClipboard();
    std::lock_guard guard(clipboard.lock);
    if (!OpenHere(clipboard))
        return nullptr;
    const auto it = std::find_if(clipboard.data.begin(), clipboard.data.end(),
                                 [format](const auto& entry) { return entry.first == format; });
    if (it == clipboard.data.end()) {
        SetLastError(ERROR_SUCCESS);
        return nullptr;
    }
    return it->second;
}

UINT EnumClipboardFormats(UINT format)
{
    auto& clipboard = TheClipboard();
    std::lock_guard guard(clipboard.lock);
    if (!OpenHere(clipboard))
        return 0;
    auto it = clipboard.data.begin();
    if (format != 0) {
        it = std::find_if(clipboard.data.begin(), clipboard.data.end(),
                          [format](const auto& entry) { return entry.first == format; });
        if (it != clipboard.data.end())
            ++it;
    }
    if (it == clipboard.data.end()) {
        SetLastError(ERROR_SUCCESS);
        return 0;
    }
    return it->first;
}
