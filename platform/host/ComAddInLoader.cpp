#include "host/ComAddInLoader.h"

#include "base/Format.h"
#include "base/Utf.h"
#include "com/ComRuntime.h"
#include "host/ComAddIn.h"
#include "host/HostApplication.h"
#include "registry/Registry.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace host {

namespace {

std::string HexCode(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
    return text;
}

void ReadRegistrations(HKEY root, std::map<std::string, ComAddInLoader::Registration>& found)
{
    HKEY addins = nullptr;
    if (RegOpenKeyExA(root, kAddinsKey, 0, KEY_READ, &addins) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(addins, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        ComAddInLoader::Registration r;
        r.progId = name;
        HKEY key = nullptr;
        if (RegOpenKeyExA(addins, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            DWORD type = 0, value = 0, cb = sizeof value;
            if (RegQueryValueExA(key, "LoadBehavior", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &cb) ==
                    ERROR_SUCCESS &&
                type == REG_DWORD)
                r.loadBehavior = value;
            char text[512];
            cb = sizeof text;
            if (RegQueryValueExA(key, "FriendlyName", nullptr, &type, reinterpret_cast<LPBYTE>(text), &cb) ==
                    ERROR_SUCCESS &&
                type == REG_SZ)
                r.friendlyName.assign(text, strnlen(text, cb));
            RegCloseKey(key);
        }
        found[platform::ToLowerAscii(r.progId)] = r;
    }
    RegCloseKey(addins);
}

} // namespace

ComAddInLoader::~ComAddInLoader() = default;

std::vector<ComAddInLoader::Registration> ComAddInLoader::Registered()
{
    std::map<std::string, Registration> found;
    ReadRegistrations(HKEY_LOCAL_MACHINE, found);
    ReadRegistrations(HKEY_CURRENT_USER, found);
    std::vector<Registration> list;
    for (auto& [key, r] : found)
        list.push_back(r);
    return list;
}

void ComAddInLoader::LoadAll(CHostApplication* application)
{
    SAFEARRAY* custom = nullptr;
    for (const Registration& r : Registered()) {
        if (r.loadBehavior != kLoadAtStartup)
            continue;
        const std::u16string progId = platform::Utf8ToUtf16(r.progId);
        CLSID clsid{};
        HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
        ComPtr<IDTExtensibility2> addin;
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2, addin.put_void());
        if (FAILED(hr)) {
            m_log("add-in " + r.progId + " not loaded: " + HexCode(hr));
            continue;
        }
        CComAddIn* instance = nullptr;
        hr = CComAddIn::CreateObject(&instance, progId, platform::Utf8ToUtf16(r.friendlyName));
        if (FAILED(hr)) {
            m_log("add-in " + r.progId + " not loaded: " + HexCode(hr));
            continue;
        }
        ComPtr<IDispatch> inst;
        inst.Attach(instance);
        hr = addin->OnConnection(application, ext_cm_Startup, inst.get(), &custom);
        if (FAILED(hr)) {
            m_log("add-in " + r.progId + " refused the connection: " + HexCode(hr));
            continue;
        }
        instance->SetConnected(true);
        m_log("add-in " + r.progId + " connected");
        m_addins.push_back({r.progId, addin, inst});
    }
    for (const Loaded& a : m_addins)
        a.addin->OnAddInsUpdate(&custom);
}

void ComAddInLoader::StartupComplete()
{
    SAFEARRAY* custom = nullptr;
    for (const Loaded& a : m_addins)
        a.addin->OnStartupComplete(&custom);
}

void ComAddInLoader::UnloadAll(CHostApplication* application)
{
    SAFEARRAY* custom = nullptr;
    if (application)
        application->FireQuit();
    for (const Loaded& a : m_addins)
        a.addin->OnBeginShutdown(&custom);
    for (const Loaded& a : m_addins) {
        a.addin->OnDisconnection(ext_dm_HostShutdown, &custom);
        static_cast<CComAddIn*>(a.instance.get())->SetConnected(false);
        m_log("add-in " + a.progId + " disconnected");
    }
    m_addins.clear();
}

} // namespace host
