#include "host/ClientExtensions.h"

#include "host/ExtensionCallback.h"

#include <dlfcn.h>

#include <cstdio>

namespace host {

namespace {

std::string HexCode(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
    return text;
}

// The entry point's export: a name as given, or, for an ordinal, the names extension libraries
// export their entry under.
LPFNEXCHEXTENTRY FindEntry(void* handle, const std::string& entryPoint)
{
    const bool ordinal = entryPoint.find_first_not_of("0123456789") == std::string::npos;
    std::vector<std::string> names;
    if (ordinal)
        names = {"ExchEntryPoint", "ExchangeExtension"};
    else
        names = {entryPoint};
    for (const std::string& name : names)
        if (void* symbol = dlsym(handle, name.c_str()))
            return reinterpret_cast<LPFNEXCHEXTENTRY>(symbol);
    return nullptr;
}

} // namespace

ClientExtensions::~ClientExtensions()
{
    Unload();
}

void ClientExtensions::Load(IMAPISession* session)
{
    m_session = session;
    std::vector<std::string> problems;
    m_entries = ExtensionList::Load(problems);
    for (const std::string& p : problems)
        m_log(p);
    for (const ExtensionEntry& e : m_entries) {
        auto module = std::make_unique<Module>();
        module->entry = e;
        module->handle = dlopen(e.path.c_str(), RTLD_NOW);
        if (!module->handle) {
            m_log("extension " + e.name + " not loaded: " + dlerror());
            continue;
        }
        module->entryPoint = FindEntry(module->handle, e.entryPoint);
        if (!module->entryPoint) {
            m_log("extension " + e.name + " has no entry point " + e.entryPoint);
            dlclose(module->handle);
            continue;
        }
        m_log("extension " + e.name + " loaded");
        m_modules.push_back(std::move(module));
    }
}

std::vector<ClientExtensions::Installed> ClientExtensions::Install(ULONG context, IDispatch* object)
{
    std::vector<Installed> installed;
    for (const auto& module : m_modules) {
        if (!module->entry.ContextEnabled(context))
            continue;
        ComPtr<IExchExt> extension;
        extension.Attach(module->entryPoint()); // the entry hands over one reference
        if (!extension) {
            m_log("extension " + module->entry.name + " gave no object");
            continue;
        }
        CExtensionCallback* made = nullptr;
        if (FAILED(CExtensionCallback::CreateObject(&made, m_version, m_session.get(), object)))
            continue;
        ComPtr<IExchExtCallback> callback;
        callback.Attach(made);
        const HRESULT hr = extension->Install(callback.get(), context, 0);
        if (hr != S_OK) {
            m_log("extension " + module->entry.name + " declined context " + std::to_string(context) + ": " +
                  HexCode(hr));
            continue;
        }
        installed.push_back({&module->entry, extension, callback});
    }
    return installed;
}

void ClientExtensions::Start(IDispatch* application)
{
    for (ULONG context : {EECONTEXT_TASK, EECONTEXT_SESSION})
        for (Installed& i : Install(context, application))
            m_lasting.push_back(std::move(i));
}

void ClientExtensions::ExplorerOpened(IDispatch* explorer)
{
    auto installed = Install(EECONTEXT_VIEWER, explorer);
    if (!installed.empty())
        m_viewers[explorer] = std::move(installed);
}

void ClientExtensions::ExplorerClosed(IDispatch* explorer)
{
    m_viewers.erase(explorer);
}

bool ClientExtensions::Deliver()
{
    bool handled = false;
    for (const Installed& i : m_lasting) {
        if (!i.entry->InterfaceEnabled(3))
            continue;
        ComPtr<IExchExtSessionEvents> events;
        if (FAILED(i.extension->QueryInterface(IID_OF(IExchExtSessionEvents), events.put_void())))
            continue;
        if (events->OnDelivery(i.callback.get()) == S_OK)
            handled = true;
    }
    return handled;
}

void ClientExtensions::ReleaseObjects()
{
    m_viewers.clear();
    // The last objects go first, the task context's last of all.
    while (!m_lasting.empty())
        m_lasting.pop_back();
}

void ClientExtensions::Unload()
{
    ReleaseObjects();
    for (auto& module : m_modules)
        if (module->handle)
            dlclose(module->handle);
    m_modules.clear();
    m_session = nullptr;
}

} // namespace host
