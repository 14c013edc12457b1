// The in-process server libraries loaded by the runtime, one handle per file (internal).
#pragma once

#include "com/ComModule.h"

#include <map>
#include <mutex>
#include <string>

namespace platform::com::detail {

class InprocServerTable {
public:
    static InprocServerTable& Instance();

    // Loads the library once and asks its DllGetClassObject for the class object.
    HRESULT GetClassObject(const std::string& path, REFCLSID rclsid, REFIID riid, void** ppv);
    // Unloads every library whose DllCanUnloadNow answers S_OK.
    void FreeUnused();
    std::size_t LoadedCount();

private:
    struct Server {
        void* handle = nullptr;
        PFN_DllGetClassObject getClassObject = nullptr;
        PFN_DllCanUnloadNow canUnloadNow = nullptr;
        unsigned long uses = 0; // class objects handed out
    };

    HRESULT Load(const std::string& path, Server*& server);

    // Held across DllGetClassObject, so that FreeUnused never unloads a library between the
    // lookup and the moment its class object (which locks it) exists.
    std::recursive_mutex m_mutex;
    std::map<std::string, Server> m_servers;
};

} // namespace platform::com::detail
