#include "base/ShellNotify.h"

#include "base/LastError.h"
#include "base/WinError.h"
#include "base/Window.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

class InMemoryTray : public TrayShell {
public:
    bool Available() override { return m_available; }
    void Show(const TrayIcon&) override {}
    void Remove(const TrayIcon&) override {}
    void Balloon(const TrayIcon&) override {}
    std::atomic<bool> m_available{true};
};

struct Tray {
    std::mutex lock;
    std::vector<TrayIcon> icons;
    std::shared_ptr<InMemoryTray> memory = std::make_shared<InMemoryTray>();
    std::shared_ptr<TrayShell> shell; // null: the in-memory one
};

Tray& TheTray()
{
    static auto* tray = new Tray;
    return *tray;
}

std::shared_ptr<TrayShell> CurrentShell()
{
    auto& tray = TheTray();
    std::lock_guard lock(tray.lock);
    return tray.shell ? tray.shell : tray.memory;
}

bool CurrentShellIsInstalled()
{
    auto& tray = TheTray();
    std::lock_guard lock(tray.lock);
    return tray.shell != nullptr;
}

std::string Text(const char* field, std::size_t size, std::size_t limit)
{
    return std::string(field, strnlen(field, std::min(size, limit)));
}

} // namespace

std::shared_ptr<TrayShell> SetTrayShell(std::shared_ptr<TrayShell> shell)
{
    std::shared_ptr<TrayShell> previous;
    std::vector<TrayIcon> icons;
    {
        auto& tray = TheTray();
        std::lock_guard lock(tray.lock);
        previous = tray.shell;
        tray.shell = std::move(shell);
        icons = tray.icons;
    }
    const auto now = CurrentShell();
    for (const TrayIcon& icon : icons)
        now->Show(icon);
    return previous;
}

std::vector<TrayIcon> TrayIcons()
{
    auto& tray = TheTray();
    std::lock_guard lock(tray.lock);
    return tray.icons;
}

std::optional<TrayIcon> FindTrayIcon(HWND window, UINT id)
{
    auto& tray = TheTray();
    std::lock_guard lock(tray.lock);
    for (const TrayIcon& icon : tray.icons)
        if (icon.window == window && icon.id == id)
            return icon;
    return std::nullopt;
}

bool ClickTrayIcon(HWND window, UINT id, UINT mouseMessage)
{
    const auto icon = FindTrayIcon(window, id);
    if (!icon || icon->callbackMessage == 0)
        return false;
    return PostMessageA(window, icon->callbackMessage, id, static_cast<LPARAM>(mouseMessage)) != FALSE;
}

void SetInMemoryTrayAvailable(bool available)
{
    auto& tray = TheTray();
    bool appeared = false;
    {
        std::lock_guard lock(tray.lock);
        appeared = available && !tray.memory->m_available;
        tray.memory->m_available = available;
    }
    if (!available && !CurrentShellIsInstalled())
        ForgetTrayIcons();
    if (appeared)
        AnnounceTaskbarCreated();
}

void ForgetTrayIcons()
{
    auto& tray = TheTray();
    std::lock_guard lock(tray.lock);
    tray.icons.clear();
}

void AnnounceTaskbarCreated()
{
    const UINT message = RegisterWindowMessageA("TaskbarCreated");
    for (HWND window : TopLevelWindows())
        PostMessageA(window, message, 0, 0);
}

} // namespace platform

BOOL Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA data)
{
    using platform::TrayIcon;
    if (!data || (data->cbSize != sizeof(NOTIFYICONDATAA) && data->cbSize != NOTIFYICONDATAA_V2_SIZE &&
                  data->cbSize != NOTIFYICONDATAA_V1_SIZE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool firstLayout = data->cbSize == NOTIFYICONDATAA_V1_SIZE;
    const UINT flags = firstLayout ? data->uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP) : data->uFlags;
    const auto shell = platform::CurrentShell();
    auto& tray = platform::TheTray();
    std::unique_lock lock(tray.lock);
    auto it = std::find_if(tray.icons.begin(), tray.icons.end(),
                           [&](const TrayIcon& i) { return i.window == data->hWnd && i.id == data->uID; });
    switch (message) {
    case NIM_ADD:
        if (it != tray.icons.end() || !IsWindow(data->hWnd)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        lock.unlock();
        if (!shell->Available())
            return FALSE;
        lock.lock();
        {
            TrayIcon added;
            added.window = data->hWnd;
            added.id = data->uID;
            tray.icons.push_back(added);
        }
        it = std::prev(tray.icons.end());
        break;
    case NIM_MODIFY: break;
    case NIM_DELETE:
    case NIM_SETFOCUS:
    case NIM_SETVERSION: {
        if (it == tray.icons.end())
            return FALSE;
        if (message != NIM_DELETE)
            return TRUE;
        const TrayIcon gone = *it;
        tray.icons.erase(it);
        lock.unlock();
        shell->Remove(gone);
        return TRUE;
    }
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    if (it == tray.icons.end())
        return FALSE;
    TrayIcon& icon = *it;
    if (flags & NIF_MESSAGE)
        icon.callbackMessage = data->uCallbackMessage;
    if (flags & NIF_ICON)
        icon.icon = data->hIcon;
    if (flags & NIF_TIP)
        icon.tip = platform::Text(data->szTip, sizeof data->szTip, firstLayout ? 63 : 127);
    if ((flags & NIF_STATE) && (data->dwStateMask & NIS_HIDDEN))
        icon.hidden = (data->dwState & NIS_HIDDEN) != 0;
    bool balloon = false;
    if (flags & NIF_INFO) {
        icon.balloonText = platform::Text(data->szInfo, sizeof data->szInfo, 255);
        icon.balloonTitle = platform::Text(data->szInfoTitle, sizeof data->szInfoTitle, 63);
        icon.balloonTimeout = data->uTimeout;
        icon.balloonFlags = data->dwInfoFlags;
        balloon = !icon.balloonText.empty();
    }
    const TrayIcon shown = icon;
    lock.unlock();
    shell->Show(shown);
    if (balloon)
        shell->Balloon(shown);
    return TRUE;
}
