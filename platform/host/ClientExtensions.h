// ClientExtensions: loads the libraries of the extension list and installs a new extension
// object per context: the task context (14) and the session context (1) once at start, the
// viewer context (2) per explorer window, the property-sheets context (12) per opening of the
// options dialog. An object that answers Install with anything but S_OK is dropped. Session
// objects whose interface map allows it hear of delivered mail (IExchExtSessionEvents).
#pragma once

#include "com/ComPtr.h"
#include "host/ExchExtCompanions.h"
#include "host/ExtensionList.h"
#include "host/HostVersion.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace host {

class ClientExtensions {
public:
    using Log = std::function<void(const std::string&)>;

    ClientExtensions(HostVersion version, Log log) : m_version(std::move(version)), m_log(std::move(log)) {}
    ClientExtensions(const ClientExtensions&) = delete;
    ClientExtensions& operator=(const ClientExtensions&) = delete;
    ~ClientExtensions();

    // Reads the list and loads the libraries (failures are logged and skipped).
    void Load(IMAPISession* session);

    struct Installed {
        const ExtensionEntry* entry;
        ComPtr<IExchExt> extension;
        ComPtr<IExchExtCallback> callback;
    };
    // Installs every extension enabled for `context`; `object` is what IOutlookExtCallback
    // gives (the application or an explorer).
    std::vector<Installed> Install(ULONG context, IDispatch* object);

    // Start: task and session contexts; they live until Unload.
    void Start(IDispatch* application);
    void ExplorerOpened(IDispatch* explorer);
    void ExplorerClosed(IDispatch* explorer);
    // New mail: OnDelivery to each session object; true when one of them handled it (S_OK).
    bool Deliver();
    // Releases every extension object (the libraries stay: objects of the host may still hold
    // sinks of theirs).
    void ReleaseObjects();
    // Releases the objects and closes the libraries.
    void Unload();

    const std::vector<ExtensionEntry>& Entries() const { return m_entries; }
    std::size_t LoadedCount() const { return m_modules.size(); }

private:
    struct Module {
        ExtensionEntry entry;
        void* handle = nullptr;
        LPFNEXCHEXTENTRY entryPoint = nullptr;
    };

    HostVersion m_version;
    Log m_log;
    ComPtr<IMAPISession> m_session;
    std::vector<ExtensionEntry> m_entries;
    std::vector<std::unique_ptr<Module>> m_modules;
    std::vector<Installed> m_lasting; // task and session objects
    std::map<IDispatch*, std::vector<Installed>> m_viewers;
};

} // namespace host
