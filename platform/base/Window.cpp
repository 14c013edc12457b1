#include "base/Window.h"

#include "base/Broadcast.h"
#include "base/LastError.h"
#include "base/MessageLoop.h"
#include "base/Process.h"
#include "base/Utf.h"
#include "base/WinError.h"
#include "base/WinTime.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

struct WindowRecord {
    HWND handle = nullptr;
    DWORD thread = 0;
    std::weak_ptr<MessageLoop> loop;
    WindowProcedure procedure;
    HWND parent = nullptr;
    std::string className;
    std::string name;
    std::atomic<LONG_PTR> userData{0};
    std::atomic<bool> destroying{false};
    bool messageOnly = false; // made with HWND_MESSAGE: never a broadcast's target
};

// Never destroyed: other threads may still post while the process ends.
struct WindowTable {
    std::mutex lock;
    std::unordered_map<std::uintptr_t, std::shared_ptr<WindowRecord>> windows;
    std::uintptr_t nextHandle = 0x20000;
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
}

struct RegisteredMessageNames {
    std::mutex lock;
    std::unordered_map<std::string, UINT> ids;
    std::unordered_map<UINT, std::string> byId;
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
    auto* names = RegisteredNames();
    std::lock_guard lock(names->lock);
    const auto it = names->byId.find(message);
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
    record->parent = parent == HWND_MESSAGE ? nullptr : parent;
    record->messageOnly = parent == HWND_MESSAGE;
    record->className = className;
    record->name = windowName;
    {
        auto& table = Windows();
        std::lock_guard lock(table.lock);
        const std::uintptr_t handle = table.nextHandle;
        table.nextHandle += 2;
        record->handle = reinterpret_cast<HWND>(handle);
        table.windows.emplace(handle, record);
    }
    if (!parent)
        ListenForBroadcasts();
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
    return record ? record->name : std::string();
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
    return TRUE;
}

BOOL IsWindow(HWND hwnd)
{
    return platform::Find(hwnd) ? TRUE : FALSE;
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
    names->byId.emplace(id, key);
    return id;
}
