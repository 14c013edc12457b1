#include "ModuleInstance.h"

#include "base/Module.h"
#include "base/Resources.h"

#include <atomic>
#include <vector>

namespace {

std::atomic<HINSTANCE> g_instance{nullptr};

HINSTANCE ThisModule()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&g_instance), &self);
    return self;
}

} // namespace

HINSTANCE ModuleInstance()
{
    HINSTANCE instance = g_instance.load();
    if (!instance) {
        instance = ThisModule();
        g_instance.store(instance);
    }
    return instance;
}

void SetModuleInstance(HINSTANCE instance)
{
    g_instance.store(instance);
}

std::string LoadAddinString(UINT id)
{
    // LoadStringA cuts to the buffer: grow it until the text fits with room to spare.
    std::vector<char> buffer(256);
    for (;;) {
        const int length = LoadStringA(ModuleInstance(), id, buffer.data(), static_cast<int>(buffer.size()));
        if (length <= 0)
            return std::string();
        if (static_cast<std::size_t>(length) + 4 < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}
