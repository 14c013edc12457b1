#include "base/Window.h"

#include "base/LastError.h"
#include "base/MessageLoop.h"
#include "base/Process.h"
#include "base/Utf.h"
#include "base/WinError.h"
#include "base/WinTime.h"
#include "base/WindowView.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

// The desktop window: not in the table, never destroyed.
const HWND kDesktop = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10010));
constexpr const char* kDesktopClass = "#32769";

struct WindowRecord {
    HWND handle = nullptr;
    DWORD thread = 0;
    std::weak_ptr<MessageLoop> loop;
    WindowProcedure procedure;
    std::string className;
    bool messageOnly = false;
    std::atomic<LONG_PTR> userData{0};
    std::atomic<bool> destroying{false};
    // The state, guarded by the table's lock.
    HWND parent = nullptr;
    std::string name;
    DWORD style = 0;
    bool visible = false;
    bool minimized = false;
    bool maximized = false;
    bool restoreToMaximized = false;
    bool enabled = true;
    RECT normal{};
    POINT minPosition{-1, -1};
    POINT maxPosition{-1, -1};
    std::shared_ptr<WindowView> view;
};

// Never destroyed: other threads may still post while the process ends.
struct WindowTable {
    std::mutex lock;
    std::map<std::uintptr_t, std::shared_ptr<WindowRecord>> windows; // oldest first
    std::uintptr_t nextHandle = 0x20000;
    HWND foreground = nullptr;
    std::unordered_map<DWORD, HWND> activeByThread;
};

WindowTable& Windows()
{
    static auto* table = new WindowTable;
    return *table;
}

std::shared_ptr<WindowRecord> Find(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    auto& table = Windows();
    std::lock_guard lock(table.lock);
    const auto it = table.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == table.windows.end() ? nullptr : it->second;
}

std::shared_ptr<WindowRecord> FindOrFail(HWND hwnd)
{
    auto record = Find(hwnd);
    if (!record)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return record;
}

std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    auto& table = Windows();
    std::lock_guard lock(table.lock);
    for (const auto& [handle, record] : table.windows)
        if (record->parent == parent)
            children.push_back(record->handle);
    return children;
}

void Remove(HWND hwnd)
{
    auto& table = Windows();
    std::lock_guard lock(table.lock);
    table.windows.erase(reinterpret_cast<std::uintptr_t>(hwnd));
    if (table.foreground == hwnd)
        table.foreground = nullptr;
    std::erase_if(table.activeByThread, [hwnd](const auto& entry) { return entry.second == hwnd; });
}

struct RegisteredMessageNames {
    std::mutex lock;
    std::unordered_map<std::string, UINT> ids;
    std::unordered_map<UINT, std::string> byId; // as first given
    UINT next = MAXINTATOM;
};

RegisteredMessageNames* RegisteredNames()
{
    static auto* names = new RegisteredMessageNames;
    return names;
}

} // namespace

std::string RegisteredMessageName(UINT message)
{
    return ToLowerAscii(RegisteredAtomName(message));
}

std::string RegisteredAtomName(UINT atom)
{
    auto* names = RegisteredNames();
    std::lock_guard lock(names->lock);
    const auto it = names->byId.find(atom);
    return it == names->byId.end() ? std::string() : it->second;
}

HWND CreateMessageWindow(const std::string& className, const std::string& windowName, WindowProcedure procedure,
                         HWND parent, LPVOID createParam, DWORD style)
{
    if (!procedure) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (parent && parent != HWND_MESSAGE && !IsWindow(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto record = std::make_shared<WindowRecord>();
    record->thread = GetCurrentThreadId();
    record->loop = MessageLoop::CurrentShared();
    record->procedure = std::move(procedure);
    record->messageOnly = parent == HWND_MESSAGE;
    record->parent = parent == HWND_MESSAGE || parent == kDesktop ? nullptr : parent;
    record->className = className;
    record->name = windowName;
    record->style = style;
    record->visible = (style & WS_VISIBLE) != 0;
    record->enabled = (style & WS_DISABLED) == 0;
    {
        auto& table = Windows();
        std::lock_guard lock(table.lock);
        const std::uintptr_t handle = table.nextHandle;
        table.nextHandle += 2;
        record->handle = reinterpret_cast<HWND>(handle);
        table.windows.emplace(handle, record);
    }
    CREATESTRUCTA create{};
    create.lpCreateParams = createParam;
    create.hwndParent = parent;
    create.style = static_cast<LONG>(style);
    create.lpszName = record->name.c_str();
    create.lpszClass = record->className.c_str();
    const HWND hwnd = record->handle;
    if (record->procedure(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return hwnd;
}

LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool* found)
{
    const auto record = Find(hwnd);
    if (found)
        *found = record != nullptr;
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return record->procedure(hwnd, message, wParam, lParam);
}

std::string WindowClassName(HWND hwnd)
{
    const auto record = Find(hwnd);
    return record ? record->className : std::string();
}

std::string WindowName(HWND hwnd)
{
    const auto record = Find(hwnd);
    if (!record)
        return std::string();
    std::lock_guard lock(Windows().lock);
    return record->name;
}

std::vector<HWND> ChildWindows(HWND parent)
{
    return parent ? ChildrenOf(parent) : std::vector<HWND>();
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<std::pair<std::uintptr_t, HWND>> found;
    auto& table = Windows();
    {
        std::lock_guard lock(table.lock);
        for (const auto& [handle, record] : table.windows)
            if (!record->parent && !record->messageOnly && !record->destroying)
                found.emplace_back(handle, record->handle);
    }
    std::sort(found.begin(), found.end());
    std::vector<HWND> windows;
    for (const auto& entry : found)
        windows.push_back(entry.second);
    return windows;
}

void ForgetWindowsOfThread(DWORD threadId)
{
    std::vector<std::shared_ptr<WindowRecord>> gone; // procedures are destroyed outside the lock
    auto& table = Windows();
    {
        std::lock_guard lock(table.lock);
        for (auto it = table.windows.begin(); it != table.windows.end();) {
            if (it->second->thread == threadId) {
                gone.push_back(std::move(it->second));
                it = table.windows.erase(it);
            } else {
                ++it;
            }
        }
    }
}

} // namespace platform

using platform::FindOrFail;
using platform::MessageLoop;

BOOL DestroyWindow(HWND hwnd)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return FALSE;
    if (record->thread != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // A second call from inside the first one's messages has nothing more to do.
    if (record->destroying.exchange(true))
        return TRUE;
    record->procedure(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : platform::ChildrenOf(hwnd))
        DestroyWindow(child);
    record->procedure(hwnd, WM_NCDESTROY, 0, 0);
    platform::Remove(hwnd);
    if (const auto loop = record->loop.lock())
        loop->ForgetWindow(hwnd);
    std::shared_ptr<platform::WindowView> view;
    {
        std::lock_guard lock(platform::Windows().lock);
        view = std::move(record->view);
    }
    if (view)
        view->WindowDestroyed();
    return TRUE;
}

BOOL IsWindow(HWND hwnd)
{
    return hwnd == platform::kDesktop || platform::Find(hwnd) ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return 0;
    if (processId)
        *processId = GetCurrentProcessId();
    return record->thread;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return 0;
    if (index != GWLP_USERDATA) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return record->userData.load();
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return 0;
    if (index != GWLP_USERDATA) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    // A previous value of 0 is told from a failure by the last error, as on the platform.
    SetLastError(ERROR_SUCCESS);
    return record->userData.exchange(value);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE)
        DestroyWindow(hwnd);
    return 0;
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!hwnd)
        return PostThreadMessageA(GetCurrentThreadId(), message, wParam, lParam);
    const auto record = FindOrFail(hwnd);
    if (!record)
        return FALSE;
    const auto loop = record->loop.lock();
    if (!loop || !loop->PostMsg(MSG{hwnd, message, wParam, lParam, 0, {}})) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return 0;
    if (record->thread == GetCurrentThreadId())
        return record->procedure(hwnd, message, wParam, lParam);
    const auto loop = record->loop.lock();
    bool delivered = false;
    // The window may be destroyed before its thread takes the call.
    auto found = std::make_shared<bool>(false);
    const LRESULT result =
        loop ? loop->SendTask(
                   [=] { return platform::CallWindowProcedure(hwnd, message, wParam, lParam, found.get()); }, &delivered)
             : 0;
    if (!delivered || !*found) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return result;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto loop = threadId == GetCurrentThreadId() ? MessageLoop::CurrentShared() : MessageLoop::ForThread(threadId);
    if (!loop || !loop->PostMsg(MSG{nullptr, message, wParam, lParam, 0, {}})) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    MessageLoop::Current().Quit(exitCode);
}

namespace {

// A filter window must be a window (or null, or -1 for thread messages only).
bool FilterWindowValid(HWND hwnd)
{
    return !hwnd || hwnd == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) || IsWindow(hwnd);
}

} // namespace

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!FilterWindowValid(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    return MessageLoop::Current().GetMsg(msg, hwnd, filterMin, filterMax);
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMessage)
{
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!FilterWindowValid(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return MessageLoop::Current().PeekMsg(msg, hwnd, filterMin, filterMax, removeMessage);
}

BOOL TranslateMessage(const MSG*)
{
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd)
        return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerProc)
{
    if (hwnd) {
        const auto record = FindOrFail(hwnd);
        if (!record)
            return 0;
        if (record->thread != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    return MessageLoop::Current().SetWindowTimer(hwnd, id, elapse, timerProc);
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    if (hwnd) {
        const auto record = FindOrFail(hwnd);
        if (!record)
            return FALSE;
        if (record->thread != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (!MessageLoop::Current().KillWindowTimer(hwnd, id)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

UINT RegisterWindowMessageA(LPCSTR name)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto* names = platform::RegisteredNames();
    const std::string key = platform::ToLowerAscii(name);
    std::lock_guard lock(names->lock);
    const auto it = names->ids.find(key);
    if (it != names->ids.end())
        return it->second;
    if (names->next > 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const UINT id = names->next++;
    names->ids.emplace(key, id);
    names->byId.emplace(id, name);
    return id;
}

// --- Window state -----------------------------------------------------------------------------

namespace platform {

namespace {

bool SameText(const std::string& a, const char* b)
{
    return !b || ToLowerAscii(a) == ToLowerAscii(b);
}

// A class name passed as an atom (a value below 0x10000) names no class of ours.
bool IsAtom(LPCSTR name)
{
    return name && reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

int CopyText(const std::string& text, LPSTR buffer, int maxCount)
{
    if (!buffer || maxCount <= 0)
        return 0;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(maxCount - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

// Visible with every parent visible; the table's lock is held.
bool EffectivelyVisibleLocked(const WindowRecord& record)
{
    auto& table = Windows();
    const WindowRecord* at = &record;
    for (int depth = 0; at && depth < 1000; ++depth) {
        if (!at->visible)
            return false;
        if (!at->parent)
            return true;
        const auto it = table.windows.find(reinterpret_cast<std::uintptr_t>(at->parent));
        at = it == table.windows.end() ? nullptr : it->second.get();
    }
    return true;
}

WindowViewState ViewStateLocked(const WindowRecord& record)
{
    WindowViewState state;
    state.visible = EffectivelyVisibleLocked(record);
    state.minimized = record.minimized;
    state.maximized = record.maximized;
    state.enabled = record.enabled;
    state.text = record.name;
    state.normal = record.normal;
    return state;
}

// Tells the bound view the window's state, on the window's thread.
void UpdateView(const std::shared_ptr<WindowRecord>& record)
{
    std::shared_ptr<WindowView> view;
    WindowViewState state;
    {
        std::lock_guard lock(Windows().lock);
        view = record->view;
        if (!view)
            return;
        state = ViewStateLocked(*record);
    }
    if (record->thread == GetCurrentThreadId()) {
        view->Apply(state);
    } else if (const auto loop = record->loop.lock()) {
        const HWND hwnd = record->handle;
        loop->PostTask([hwnd] {
            if (const auto current = Find(hwnd))
                UpdateView(current);
        });
    }
}

// The children's views show their parent's visibility too.
void UpdateViews(const std::shared_ptr<WindowRecord>& record)
{
    UpdateView(record);
    for (HWND child : ChildrenOf(record->handle))
        if (const auto c = Find(child))
            UpdateViews(c);
}

HWND TopLevelOf(HWND hwnd)
{
    auto& table = Windows();
    std::lock_guard lock(table.lock);
    for (int depth = 0; depth < 1000; ++depth) {
        const auto it = table.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
        if (it == table.windows.end() || !it->second->parent)
            return hwnd;
        hwnd = it->second->parent;
    }
    return hwnd;
}

// A yes-or-no question about a window's state, asked under the table's lock; the desktop
// answers `desktop`, no window FALSE.
template <typename Question>
BOOL AskState(HWND hwnd, BOOL desktop, Question question)
{
    if (hwnd == kDesktop)
        return desktop;
    const auto record = Find(hwnd);
    if (!record)
        return FALSE;
    std::lock_guard lock(Windows().lock);
    return question(*record) ? TRUE : FALSE;
}

// The window's text ("" for the desktop); nothing, with the error set, for no window.
std::optional<std::string> TextOf(HWND hwnd)
{
    if (hwnd == kDesktop)
        return std::string();
    const auto record = FindOrFail(hwnd);
    if (!record)
        return std::nullopt;
    std::lock_guard lock(Windows().lock);
    return record->name;
}

LPARAM SizeParam(const RECT& r)
{
    return MAKELONG(static_cast<WORD>(r.right - r.left), static_cast<WORD>(r.bottom - r.top));
}

// Makes the window the foreground window and its thread's active one.
void Activate(HWND hwnd)
{
    HWND previous = nullptr;
    {
        auto& table = Windows();
        std::lock_guard lock(table.lock);
        const auto it = table.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
        if (it == table.windows.end() || table.foreground == hwnd)
            return;
        previous = table.foreground;
        if (previous) {
            const auto old = table.windows.find(reinterpret_cast<std::uintptr_t>(previous));
            if (old != table.windows.end() && old->second->thread != it->second->thread)
                table.activeByThread.erase(old->second->thread);
        }
        table.foreground = hwnd;
        table.activeByThread[it->second->thread] = hwnd;
    }
    if (previous)
        SendMessageA(previous, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    SendMessageA(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(previous));
}

void Deactivate(HWND hwnd)
{
    {
        auto& table = Windows();
        std::lock_guard lock(table.lock);
        if (table.foreground != hwnd)
            return;
        table.foreground = nullptr;
        std::erase_if(table.activeByThread, [hwnd](const auto& entry) { return entry.second == hwnd; });
    }
    SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
}

// Changes the shown, minimised and maximised state and sends the messages of each change.
void ChangeState(const std::shared_ptr<WindowRecord>& record, bool visible, bool minimized, bool maximized)
{
    bool wasVisible, wasMinimized, wasMaximized;
    RECT normal;
    {
        std::lock_guard lock(Windows().lock);
        wasVisible = record->visible;
        wasMinimized = record->minimized;
        wasMaximized = record->maximized;
        if (minimized && !wasMinimized)
            record->restoreToMaximized = wasMaximized;
        record->visible = visible;
        record->minimized = minimized;
        record->maximized = maximized && !minimized;
        normal = record->normal;
    }
    const HWND hwnd = record->handle;
    if (visible != wasVisible)
        SendMessageA(hwnd, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
    if (minimized != wasMinimized || (maximized && !minimized) != wasMaximized) {
        const WPARAM kind = minimized ? SIZE_MINIMIZED : maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessageA(hwnd, WM_SIZE, kind, kind == SIZE_RESTORED ? SizeParam(normal) : 0);
    }
    if (!visible || minimized)
        Deactivate(hwnd);
}

} // namespace

bool BindWindowView(HWND hwnd, std::shared_ptr<WindowView> view)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return false;
    {
        std::lock_guard lock(Windows().lock);
        record->view = std::move(view);
    }
    UpdateView(record);
    return true;
}

std::shared_ptr<WindowView> BoundWindowView(HWND hwnd)
{
    const auto record = Find(hwnd);
    if (!record)
        return nullptr;
    std::lock_guard lock(Windows().lock);
    return record->view;
}

WindowViewState CurrentWindowViewState(HWND hwnd)
{
    const auto record = Find(hwnd);
    if (!record)
        return {};
    std::lock_guard lock(Windows().lock);
    return ViewStateLocked(*record);
}

void ReportWindowActivated(HWND hwnd, bool active)
{
    if (!Find(hwnd))
        return;
    if (active)
        Activate(TopLevelOf(hwnd));
    else
        Deactivate(hwnd);
}

void ReportWindowMinimized(HWND hwnd, bool minimized)
{
    if (const auto record = Find(hwnd)) {
        bool visible, maximized;
        {
            std::lock_guard lock(Windows().lock);
            visible = record->visible || minimized;
            maximized = minimized ? record->maximized : record->restoreToMaximized && record->minimized;
        }
        ChangeState(record, visible, minimized, maximized);
    }
}

void ReportWindowMaximized(HWND hwnd, bool maximized)
{
    if (const auto record = Find(hwnd)) {
        bool visible;
        {
            std::lock_guard lock(Windows().lock);
            visible = record->visible || maximized;
        }
        ChangeState(record, visible, false, maximized);
    }
}

void ReportWindowShown(HWND hwnd, bool shown)
{
    if (const auto record = Find(hwnd)) {
        bool minimized, maximized;
        {
            std::lock_guard lock(Windows().lock);
            minimized = record->minimized;
            maximized = record->maximized;
        }
        ChangeState(record, shown, minimized, maximized);
    }
}

void ReportWindowBounds(HWND hwnd, const RECT& bounds)
{
    if (const auto record = Find(hwnd)) {
        std::lock_guard lock(Windows().lock);
        if (!record->minimized && !record->maximized) {
            record->normal = bounds;
        }
    }
}

} // namespace platform

using platform::Windows;

BOOL ShowWindow(HWND hwnd, int showCommand)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return FALSE;
    bool wasVisible, minimized, maximized, restoreToMaximized, child;
    {
        std::lock_guard lock(Windows().lock);
        wasVisible = record->visible;
        minimized = record->minimized;
        maximized = record->maximized;
        restoreToMaximized = record->restoreToMaximized;
        child = record->parent != nullptr;
    }
    bool visible = true;
    bool activate = true;
    switch (showCommand) {
    case SW_HIDE: visible = false; activate = false; break;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT: minimized = maximized = false; break;
    case SW_RESTORE:
        if (minimized)
            maximized = restoreToMaximized;
        else
            maximized = false;
        minimized = false;
        break;
    case SW_SHOWMINIMIZED: minimized = true; break;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE: minimized = true; activate = false; break;
    case SW_SHOWMAXIMIZED: minimized = false; maximized = true; break;
    case SW_SHOWNOACTIVATE: minimized = maximized = false; activate = false; break;
    case SW_SHOW: break;
    case SW_SHOWNA: activate = false; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    platform::ChangeState(record, visible, minimized, maximized);
    if (activate && !child)
        platform::Activate(hwnd);
    platform::UpdateViews(record);
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd)
{
    return platform::AskState(hwnd, TRUE, [](const platform::WindowRecord& r) { return platform::EffectivelyVisibleLocked(r); });
}

BOOL IsIconic(HWND hwnd)
{
    return platform::AskState(hwnd, FALSE, [](const platform::WindowRecord& r) { return r.minimized; });
}

HWND GetForegroundWindow()
{
    std::lock_guard lock(Windows().lock);
    return Windows().foreground;
}

BOOL SetForegroundWindow(HWND hwnd)
{
    if (!FindOrFail(hwnd))
        return FALSE;
    const HWND top = platform::TopLevelOf(hwnd);
    platform::Activate(top);
    if (const auto view = platform::BoundWindowView(top)) {
        const auto record = platform::Find(top);
        if (record && record->thread == GetCurrentThreadId()) {
            view->Raise();
        } else if (const auto loop = record ? record->loop.lock() : nullptr) {
            loop->PostTask([top] {
                if (const auto v = platform::BoundWindowView(top))
                    v->Raise();
            });
        }
    }
    return TRUE;
}

HWND GetActiveWindow()
{
    auto& table = Windows();
    std::lock_guard lock(table.lock);
    const auto it = table.activeByThread.find(GetCurrentThreadId());
    return it == table.activeByThread.end() ? nullptr : it->second;
}

HWND GetDesktopWindow()
{
    return platform::kDesktop;
}

HWND GetParent(HWND hwnd)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return nullptr;
    std::lock_guard lock(Windows().lock);
    return record->parent;
}

HWND SetParent(HWND child, HWND newParent)
{
    const auto record = FindOrFail(child);
    if (!record)
        return nullptr;
    if (newParent == platform::kDesktop)
        newParent = nullptr;
    if (newParent && !platform::Find(newParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND previous = nullptr;
    {
        auto& table = Windows();
        std::lock_guard lock(table.lock);
        // The new parent must not be the window itself or lie below it.
        for (HWND at = newParent; at;) {
            if (at == child) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
            const auto it = table.windows.find(reinterpret_cast<std::uintptr_t>(at));
            at = it == table.windows.end() ? nullptr : it->second->parent;
        }
        previous = record->parent;
        record->parent = newParent;
        record->messageOnly = false;
    }
    platform::UpdateViews(record);
    return previous ? previous : platform::kDesktop;
}

HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName)
{
    if (platform::IsAtom(className))
        return nullptr;
    const bool messageOnly = parent == HWND_MESSAGE;
    if (parent == platform::kDesktop || messageOnly)
        parent = nullptr;
    if (parent && !FindOrFail(parent))
        return nullptr;
    auto& table = Windows();
    std::lock_guard lock(table.lock);
    auto it = table.windows.begin();
    if (childAfter) {
        it = table.windows.find(reinterpret_cast<std::uintptr_t>(childAfter));
        if (it == table.windows.end() || it->second->parent != parent) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        ++it;
    }
    for (; it != table.windows.end(); ++it) {
        const auto& record = *it->second;
        if (record.parent != parent || record.messageOnly != messageOnly)
            continue;
        if (platform::SameText(record.className, className) && platform::SameText(record.name, windowName))
            return record.handle;
    }
    return nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName)
{
    return FindWindowExA(nullptr, nullptr, className, windowName);
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return FALSE;
    const std::string value = text ? text : "";
    {
        std::lock_guard lock(Windows().lock);
        record->name = value;
    }
    SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    platform::UpdateView(record);
    return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR text, int maxCount)
{
    if (text && maxCount > 0)
        text[0] = '\0';
    const auto name = platform::TextOf(hwnd);
    return name ? platform::CopyText(*name, text, maxCount) : 0;
}

int GetWindowTextLengthA(HWND hwnd)
{
    const auto name = platform::TextOf(hwnd);
    return name ? static_cast<int>(name->size()) : 0;
}

int GetClassNameA(HWND hwnd, LPSTR className, int maxCount)
{
    if (hwnd == platform::kDesktop)
        return platform::CopyText(platform::kDesktopClass, className, maxCount);
    const auto record = FindOrFail(hwnd);
    if (!record)
        return 0;
    if (!className || maxCount <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return platform::CopyText(record->className, className, maxCount);
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    const auto record = FindOrFail(hwnd);
    if (!record)
        return FALSE;
    bool wasEnabled;
    {
        std::lock_guard lock(Windows().lock);
        wasEnabled = record->enabled;
        record->enabled = enable != FALSE;
    }
    if (wasEnabled != (enable != FALSE)) {
        SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
        platform::UpdateView(record);
    }
    return wasEnabled ? FALSE : TRUE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    return platform::AskState(hwnd, TRUE, [](const platform::WindowRecord& r) { return r.enabled; });
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement)
{
    if (!placement || placement->length != sizeof(WINDOWPLACEMENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto record = FindOrFail(hwnd);
    if (!record)
        return FALSE;
    std::lock_guard lock(Windows().lock);
    placement->flags = record->minimized && record->restoreToMaximized ? WPF_RESTORETOMAXIMIZED : 0;
    placement->showCmd = record->minimized ? SW_SHOWMINIMIZED : record->maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement->ptMinPosition = record->minPosition;
    placement->ptMaxPosition = record->maxPosition;
    placement->rcNormalPosition = record->normal;
    return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement)
{
    if (!placement || placement->length != sizeof(WINDOWPLACEMENT) || placement->showCmd > SW_FORCEMINIMIZE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto record = FindOrFail(hwnd);
    if (!record)
        return FALSE;
    bool resized = false;
    RECT normal = placement->rcNormalPosition;
    {
        std::lock_guard lock(Windows().lock);
        const RECT& old = record->normal;
        resized = !record->minimized && !record->maximized &&
                  (old.left != normal.left || old.top != normal.top || old.right != normal.right ||
                   old.bottom != normal.bottom);
        record->normal = normal;
        if (placement->flags & WPF_SETMINPOSITION)
            record->minPosition = placement->ptMinPosition;
        record->maxPosition = placement->ptMaxPosition;
        record->restoreToMaximized = (placement->flags & WPF_RESTORETOMAXIMIZED) != 0;
    }
    if (resized) {
        SendMessageA(hwnd, WM_MOVE, 0, MAKELONG(static_cast<WORD>(normal.left), static_cast<WORD>(normal.top)));
        SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, platform::SizeParam(normal));
    }
    ShowWindow(hwnd, static_cast<int>(placement->showCmd));
    // SW_MINIMIZE and friends keep the restore-to-maximised mark the placement gave.
    {
        std::lock_guard lock(Windows().lock);
        if (record->minimized)
            record->restoreToMaximized = (placement->flags & WPF_RESTORETOMAXIMIZED) != 0;
    }
    return TRUE;
}

BOOL AttachThreadInput(DWORD, DWORD, BOOL)
{
    return TRUE;
}
