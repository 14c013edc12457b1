#include "com/InprocServerTable.h"

#include <dlfcn.h>
#include <filesystem>

namespace platform::com::detail {

InprocServerTable& InprocServerTable::Instance()
{
    static InprocServerTable table;
    return table;
}

HRESULT InprocServerTable::Load(const std::string& path, Server*& server)
{
    if (auto it = m_servers.find(path); it != m_servers.end()) {
        server = &it->second;
        return S_OK;
    }
    // A bare file name is searched for like any library; a path must name an existing file.
    if (path.find('/') != std::string::npos) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            return CO_E_DLLNOTFOUND;
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return path.find('/') != std::string::npos ? CO_E_ERRORINDLL : CO_E_DLLNOTFOUND;
    Server loaded;
    loaded.handle = handle;
    loaded.getClassObject = reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle, "DllGetClassObject"));
    loaded.canUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(handle, "DllCanUnloadNow"));
    if (!loaded.getClassObject) {
        dlclose(handle);
        return CO_E_ERRORINDLL;
    }
    server = &m_servers.emplace(path, loaded).first->second;
    return S_OK;
}

HRESULT InprocServerTable::GetClassObject(const std::string& path, REFCLSID rclsid, REFIID riid, void** ppv)
{
    std::lock_guard lock(m_mutex);
    Server* server = nullptr;
    const HRESULT hr = Load(path, server);
    if (FAILED(hr))
        return hr;
    const HRESULT result = server->getClassObject(rclsid, riid, ppv);
    if (SUCCEEDED(result))
        ++server->uses;
    return result;
}

void InprocServerTable::FreeUnused()
{
    std::lock_guard lock(m_mutex);
    for (auto it = m_servers.begin(); it != m_servers.end();) {
        // A library without DllCanUnloadNow stays loaded for the life of the process.
        if (it->second.canUnloadNow && it->second.canUnloadNow() == S_OK) {
            dlclose(it->second.handle);
            it = m_servers.erase(it);
        } else {
            ++it;
        }
    }
}

std::size_t InprocServerTable::LoadedCount()
{
    std::lock_guard lock(m_mutex);
    return m_servers.size();
}

} // namespace platform::com::detail
