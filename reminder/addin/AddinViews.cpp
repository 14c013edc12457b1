#include "AddinViews.h"

#include "ModuleInstance.h"
#include "TraceScope.h"
#include "base/DisplayState.h"
#include "base/Module.h"

#include <filesystem>

namespace {

const AddinViewHooks* g_override = nullptr;
bool g_tried = false;
AddinViewHooks g_loaded{};
bool g_haveLoaded = false;

// The views library beside the module that holds the add-in's code.
std::filesystem::path ViewsLibrary()
{
    char path[4096] = "";
    GetModuleFileNameA(ModuleInstance(), path, sizeof path);
    return std::filesystem::path(path).parent_path() / "liblumivane_views.so";
}

} // namespace

const AddinViewHooks* AddinViews()
{
    if (g_override)
        return g_override;
    if (!platform::ToolkitDisplayRunning())
        return nullptr;
    if (!g_tried) {
        g_tried = true;
        const std::string library = ViewsLibrary().string();
        // Kept loaded for the process: its views may outlive any one window.
        const HMODULE module = LoadLibraryA(library.c_str());
        const auto entry = module ? reinterpret_cast<AddinViewsEntry>(GetProcAddress(module, kAddinViewsEntry)) : nullptr;
        g_haveLoaded = entry && entry(&g_loaded);
        if (!g_haveLoaded)
            TracePrint(__FILE__, __LINE__, TL_WARNING, "No views from %s: the windows show nothing\n", library.c_str());
    }
    return g_haveLoaded ? &g_loaded : nullptr;
}

void SetAddinViews(const AddinViewHooks* hooks)
{
    g_override = hooks;
}
