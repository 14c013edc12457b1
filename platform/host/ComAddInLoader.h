// ComAddInLoader: finds the COM add-ins registered under the key kAddinsKey + "\<ProgID>"
// (HKLM, then HKCU, which wins for the same ProgID) with LoadBehavior 3,
// creates them through COM and connects them: OnConnection(Application, ext_cm_Startup,
// AddInInst, custom) for each, then OnAddInsUpdate for each, then OnStartupComplete for each.
// Unloading fires the application's Quit event, then OnBeginShutdown for each, then
// OnDisconnection(ext_dm_HostShutdown) for each, and releases them.
#pragma once

#include "com/ComPtr.h"
#include "host/Extensibility.h"

#include <functional>
#include <string>
#include <vector>

class CHostApplication;

namespace host {

inline constexpr char kAddinsKey[] = "Software\\Microsoft\\Office\\Outlook\\Addins";
inline constexpr DWORD kLoadAtStartup = 3;

class ComAddInLoader {
public:
    using Log = std::function<void(const std::string&)>;

    explicit ComAddInLoader(Log log) : m_log(std::move(log)) {}
    ComAddInLoader(const ComAddInLoader&) = delete;
    ComAddInLoader& operator=(const ComAddInLoader&) = delete;
    ~ComAddInLoader();

    struct Registration {
        std::string progId;
        std::string friendlyName;
        DWORD loadBehavior = 0;
    };
    // The registered add-ins, sorted by ProgID.
    static std::vector<Registration> Registered();

    // Loads and connects every add-in that loads at start-up (OnConnection, then
    // OnAddInsUpdate); failures are logged and skipped.
    void LoadAll(CHostApplication* application);
    // OnStartupComplete for each, once the host's first window is open.
    void StartupComplete();
    void UnloadAll(CHostApplication* application);

    struct Loaded {
        std::string progId;
        ComPtr<IDTExtensibility2> addin;
        ComPtr<IDispatch> instance; // the AddInInst handed to OnConnection
    };
    const std::vector<Loaded>& AddIns() const { return m_addins; }

private:
    Log m_log;
    std::vector<Loaded> m_addins;
};

} // namespace host
