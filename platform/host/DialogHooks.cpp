#include "host/DialogHooks.h"

#include "base/Process.h"

#include <algorithm>
#include <mutex>

namespace {

struct Hook {
    HDIALOGHOOK handle;
    HOSTDIALOGHOOKPROC proc;
    void* context;
    DWORD thread;
};

std::mutex g_mutex;
std::vector<Hook> g_hooks;
std::uintptr_t g_next = 1;

} // namespace

extern "C" HDIALOGHOOK HostInstallDialogHook(HOSTDIALOGHOOKPROC proc, void* context)
{
    if (!proc)
        return nullptr;
    std::lock_guard lock(g_mutex);
    auto handle = reinterpret_cast<HDIALOGHOOK>(g_next++);
    g_hooks.push_back({handle, proc, context, ::GetCurrentThreadId()});
    return handle;
}

extern "C" BOOL HostRemoveDialogHook(HDIALOGHOOK hook)
{
    std::lock_guard lock(g_mutex);
    auto it = std::find_if(g_hooks.begin(), g_hooks.end(), [hook](const Hook& h) { return h.handle == hook; });
    if (it == g_hooks.end())
        return FALSE;
    g_hooks.erase(it);
    return TRUE;
}

namespace host {

int OfferDialogToHooks(const std::string& className, const std::string& title, const std::vector<DialogChild>& children,
                       const std::string& storeId, const std::string& folderId)
{
    std::vector<Hook> hooks;
    {
        std::lock_guard lock(g_mutex);
        const DWORD thread = ::GetCurrentThreadId();
        for (auto it = g_hooks.rbegin(); it != g_hooks.rend(); ++it)
            if (it->thread == thread)
                hooks.push_back(*it);
    }
    std::vector<HOSTDIALOGCHILD> records;
    records.reserve(children.size());
    for (const DialogChild& c : children)
        records.push_back({c.className.c_str(), c.text.c_str(), c.controlId});
    const HOSTDIALOG dialog{className.c_str(), title.c_str(), records.data(), static_cast<UINT>(records.size()),
                            storeId.c_str(), folderId.c_str()};
    for (const Hook& h : hooks) {
        // A hook may remove itself (or others) while it runs: call only those still installed.
        {
            std::lock_guard lock(g_mutex);
            if (std::none_of(g_hooks.begin(), g_hooks.end(), [&](const Hook& x) { return x.handle == h.handle; }))
                continue;
        }
        if (const int answer = h.proc(&dialog, h.context))
            return answer;
    }
    return 0;
}

std::size_t DialogHookCount()
{
    std::lock_guard lock(g_mutex);
    const DWORD thread = ::GetCurrentThreadId();
    return static_cast<std::size_t>(
        std::count_if(g_hooks.begin(), g_hooks.end(), [thread](const Hook& h) { return h.thread == thread; }));
}

} // namespace host
