#include "base/Module.h"

#include "base/LastError.h"
#include "base/Utf.h"
#include "base/WinError.h"

#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <link.h>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct LoadedModule {
    std::uintptr_t base = 0;
    std::string path; // empty for the executable as the loader lists it
};

std::vector<LoadedModule> LoadedModules()
{
    std::vector<LoadedModule> modules;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* list = static_cast<std::vector<LoadedModule>*>(data);
            std::uintptr_t lowest = UINTPTR_MAX;
            for (int i = 0; i < info->dlpi_phnum; ++i)
                if (info->dlpi_phdr[i].p_type == PT_LOAD && info->dlpi_phdr[i].p_vaddr < lowest)
                    lowest = info->dlpi_phdr[i].p_vaddr;
            if (lowest == UINTPTR_MAX)
                return 0;
            const std::uintptr_t pageMask = ~static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE) - 1);
            list->push_back({(info->dlpi_addr + lowest) & pageMask, info->dlpi_name ? info->dlpi_name : ""});
            return 0;
        },
        &modules);
    return modules;
}

std::string ExecutablePath()
{
    std::error_code ec;
    std::string p = fs::read_symlink("/proc/self/exe", ec).string();
    if (ec)
        return {};
    // A program file replaced while it runs (a rebuild) reads back with this mark.
    constexpr std::string_view kReplaced = " (deleted)";
    if (p.size() > kReplaced.size() && p.ends_with(kReplaced))
        p.resize(p.size() - kReplaced.size());
    return p;
}

// The executable is the first module the loader lists.
std::optional<LoadedModule> FindByBase(std::uintptr_t base)
{
    const auto modules = LoadedModules();
    for (std::size_t i = 0; i < modules.size(); ++i) {
        if (modules[i].base == base) {
            LoadedModule m = modules[i];
            if (i == 0 || m.path.empty())
                m.path = ExecutablePath();
            return m;
        }
    }
    return std::nullopt;
}

std::string Slashes(std::string s)
{
    for (char& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The platform libraries that stand for a system library name, in order of preference.
const std::vector<const char*>* PlatformAliases(const std::string& name)
{
    static const std::vector<const char*> base = {"libplatform_base.so"};
    static const std::vector<const char*> registry = {"libplatform_registry.so", "libplatform_base.so"};
    static const std::vector<const char*> com = {"libplatform_com.so", "libplatform_base.so"};
    std::string lower = platform::ToLowerAscii(name);
    if (lower.find('.') == std::string::npos)
        lower += ".dll";
    if (lower == "kernel32.dll" || lower == "user32.dll" || lower == "shell32.dll" || lower == "shfolder.dll" ||
        lower == "comctl32.dll" || lower == "uxtheme.dll" || lower == "hhctrl.ocx" || lower == "winmm.dll")
        return &base;
    if (lower == "advapi32.dll")
        return &registry;
    if (lower == "ole32.dll" || lower == "oleaut32.dll")
        return &com;
    return nullptr;
}

bool IsPlatformLibrary(const std::string& path)
{
    return FileNameOf(path).rfind("libplatform_", 0) == 0;
}

std::optional<LoadedModule> FindByName(const std::string& requested)
{
    const auto modules = LoadedModules();
    if (const auto* aliases = PlatformAliases(requested)) {
        for (const char* alias : *aliases)
            for (const auto& m : modules)
                if (FileNameOf(m.path) == alias)
                    return m;
        return std::nullopt;
    }
    const std::string name = Slashes(requested);
    const bool hasPath = name.find('/') != std::string::npos;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        LoadedModule m = modules[i];
        if (i == 0 || m.path.empty())
            m.path = ExecutablePath();
        if (m.path.empty())
            continue;
        if (hasPath) {
            std::error_code ec;
            if (m.path == name || fs::equivalent(m.path, name, ec))
                return m;
        } else if (platform::EqualNoCase(FileNameOf(m.path), name)) {
            return m;
        }
    }
    return std::nullopt;
}

// Handles from dlopen for the references LoadLibraryA and GetModuleHandleExA hold, per module.
std::mutex g_lock;
std::multimap<std::uintptr_t, void*> g_references;

HMODULE ToHandle(std::uintptr_t base)
{
    return reinterpret_cast<HMODULE>(base);
}

bool AddReference(const LoadedModule& m, bool pin)
{
    const int flags = RTLD_LAZY | RTLD_NOLOAD | (pin ? RTLD_NODELETE : 0);
    void* handle = dlopen(m.path.c_str(), flags);
    if (!handle)
        return false;
    std::lock_guard lock(g_lock);
    g_references.emplace(m.base, handle);
    return true;
}

} // namespace

namespace platform {

std::string ModulePathOfAddress(const void* address)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fbase)
        return {};
    const auto m = FindByBase(reinterpret_cast<std::uintptr_t>(info.dli_fbase));
    return m ? m->path : std::string();
}

} // namespace platform

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    if (!moduleName) {
        const auto modules = LoadedModules();
        return modules.empty() ? nullptr : ToHandle(modules.front().base);
    }
    const auto m = FindByName(moduleName);
    if (!m) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return ToHandle(m->base);
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module)
{
    if (!module || ((flags & GET_MODULE_HANDLE_EX_FLAG_PIN) && (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *module = nullptr;
    std::optional<LoadedModule> m;
    if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
        Dl_info info{};
        if (dladdr(moduleName, &info) && info.dli_fbase)
            m = FindByBase(reinterpret_cast<std::uintptr_t>(info.dli_fbase));
    } else if (!moduleName) {
        const auto modules = LoadedModules();
        if (!modules.empty())
            m = LoadedModule{modules.front().base, ExecutablePath()};
    } else {
        m = FindByName(moduleName);
    }
    if (!m) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if (!(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) && !IsPlatformLibrary(m->path))
        AddReference(*m, (flags & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0);
    *module = ToHandle(m->base);
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    std::string path;
    if (!module) {
        path = ExecutablePath();
    } else {
        const auto m = FindByBase(reinterpret_cast<std::uintptr_t>(module));
        if (!m) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = m->path;
    }
    if (!fileName || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

HMODULE LoadLibraryA(LPCSTR fileName)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (PlatformAliases(fileName))
        return GetModuleHandleA(fileName); // always loaded, never unloaded

    const std::string name = Slashes(fileName);
    std::vector<std::string> candidates;
    if (name.find('/') == std::string::npos) {
        // The executable's folder first, then the loader's own search.
        const std::string exe = ExecutablePath();
        if (!exe.empty())
            candidates.push_back((fs::path(exe).parent_path() / name).string());
    }
    candidates.push_back(name);
    for (const auto& candidate : candidates) {
        if (candidate.find('/') != std::string::npos) {
            std::error_code ec;
            if (!fs::exists(candidate, ec))
                continue;
        }
        void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            continue;
        link_map* map = nullptr;
        if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) {
            dlclose(handle);
            continue;
        }
        // The base is that of the module the loader lists under this link map's name.
        const auto m = FindByName(map->l_name && *map->l_name ? map->l_name : candidate);
        if (!m) {
            dlclose(handle);
            continue;
        }
        std::lock_guard lock(g_lock);
        g_references.emplace(m->base, handle);
        return ToHandle(m->base);
    }
    // A file that exists but cannot be loaded is a bad image; otherwise it was not found.
    std::error_code ec;
    SetLastError(name.find('/') != std::string::npos && fs::exists(name, ec) ? ERROR_BAD_EXE_FORMAT
                                                                          : ERROR_MOD_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module)
{
    const auto base = reinterpret_cast<std::uintptr_t>(module);
    void* handle = nullptr;
    {
        std::lock_guard lock(g_lock);
        const auto it = g_references.find(base);
        if (it != g_references.end()) {
            handle = it->second;
            g_references.erase(it);
        }
    }
    if (handle) {
        dlclose(handle);
        return TRUE;
    }
    // Modules loaded with the process (the executable, the platform libraries) stay.
    if (FindByBase(base))
        return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    if (!procName || reinterpret_cast<std::uintptr_t>(procName) <= 0xFFFF) {
        // Lookup by ordinal has no meaning for these modules.
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    std::optional<LoadedModule> m;
    if (!module) {
        const auto modules = LoadedModules();
        if (!modules.empty())
            m = LoadedModule{modules.front().base, ExecutablePath()};
    } else {
        m = FindByBase(reinterpret_cast<std::uintptr_t>(module));
    }
    if (!m) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* symbol = nullptr;
    if (IsPlatformLibrary(m->path)) {
        symbol = dlsym(RTLD_DEFAULT, procName);
    } else {
        const auto modules = LoadedModules();
        const bool isExecutable = !modules.empty() && modules.front().base == m->base;
        void* handle = dlopen(isExecutable ? nullptr : m->path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
        if (handle) {
            symbol = dlsym(handle, procName);
            // Only a symbol defined in this very module counts, not one it merely sees.
            Dl_info info{};
            if (symbol && (!dladdr(symbol, &info) || reinterpret_cast<std::uintptr_t>(info.dli_fbase) != m->base))
                symbol = nullptr;
            dlclose(handle);
        }
    }
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}
