// sp2fixhelper: the firewall exceptions of the client, the server or both, plus the DCOM
// machine-wide restrictions and activation exemptions they need on Windows XP.
#include "CommandLine.h"
#include "FirewallPolicy.h"
#include "FixTable.h"
#include "InstallProbes.h"
#include "ProgramPaths.h"
#include "VersionProbes.h"
#include "base/WinError.h"

#include <cstring>

#define DCOM_POLICY "SOFTWARE\\Policies\\Microsoft\\Windows NT\\DCOM"
#define ACTIVATION_EXEMPTIONS "SOFTWARE\\Microsoft\\Ole\\AppCompat\\ActivationSecurityCheckExemptionList"

namespace {

char g_serverValue[kPathBufferSize];
char g_serverData[kPathBufferSize];
char g_outlookValue[kPathBufferSize];
char g_outlookData[kPathBufferSize];
// "%windir%" stays as written: the firewall expands it.
char g_clientValue[] = "%windir%\\system32\\brn32evt.exe";
char g_clientData[] = "%windir%\\system32\\brn32evt.exe:*:Enabled:Brisanne - Client";

const FixRow FixTable[] = {
    {HKEY_LOCAL_MACHINE, DCOM_POLICY, "MachineAccessRestriction", "O:BAG:BAD:(A;;CCDCLC;;;AN)(A;;CCDCLC;;;WD)", true,
     true, true, true},
    {HKEY_LOCAL_MACHINE, DCOM_POLICY, "MachineLaunchRestriction",
     "O:BAG:BAD:(A;;CCDCLCSWRP;;;BA)(A;;CCDCRP;;;AN)(A;;CCDCSW;;;WD)", false, true, true, true},
    {HKEY_LOCAL_MACHINE, ACTIVATION_EXEMPTIONS, "{D22A9184-E2E4-458C-9F2A-C864A7816075}", "1", false, true, true,
     true},
    {HKEY_LOCAL_MACHINE, ACTIVATION_EXEMPTIONS, "{4D8D01A4-466E-4E29-A9B5-F38E7270676C}", "1", true, false, true,
     true},
    {HKEY_LOCAL_MACHINE, STANDARD_OPEN_PORTS, "135:TCP", DCOM_ACCESS_DATA, true, true, true, false},
    {HKEY_LOCAL_MACHINE, DOMAIN_OPEN_PORTS, "135:TCP", DCOM_ACCESS_DATA, true, true, true, false},
    {HKEY_LOCAL_MACHINE, STANDARD_OPEN_PORTS, "137:UDP", NETBIOS_DATA, true, true, false, false},
    {HKEY_LOCAL_MACHINE, DOMAIN_OPEN_PORTS, "137:UDP", NETBIOS_DATA, true, true, false, false},
    {HKEY_LOCAL_MACHINE, STANDARD_APPLICATIONS, g_clientValue, g_clientData, true, false, true, false},
    {HKEY_LOCAL_MACHINE, DOMAIN_APPLICATIONS, g_clientValue, g_clientData, true, false, true, false},
    {HKEY_LOCAL_MACHINE, STANDARD_APPLICATIONS, g_serverValue, g_serverData, false, true, true, false},
    {HKEY_LOCAL_MACHINE, DOMAIN_APPLICATIONS, g_serverValue, g_serverData, false, true, true, false},
    {HKEY_LOCAL_MACHINE, STANDARD_APPLICATIONS, g_outlookValue, g_outlookData, true, true, true, false},
    {HKEY_LOCAL_MACHINE, DOMAIN_APPLICATIONS, g_outlookValue, g_outlookData, true, true, true, false},
};

constexpr const char* kCaption = "Setup-Helper Windows XP SP2 Fix for Brisanne - v2.0";

// On the x64 edition of Windows XP the client's 32-bit event program lives in sysWOW64.
void PrepareClientPaths()
{
    if (!IsWindowsXP64())
        return;
    static constexpr char value[] = "%windir%\\sysWOW64\\brn32evt.exe";
    static constexpr char data[] = "%windir%\\sysWOW64\\brn32evt.exe:*:Enabled:Brisanne - Client";
    static_assert(sizeof(value) == sizeof(g_clientValue) && sizeof(data) == sizeof(g_clientData));
    std::memcpy(g_clientValue, value, sizeof(value));
    std::memcpy(g_clientData, data, sizeof(data));
}

} // namespace

int main(int argc, char** argv)
{
    const bool serverInstalled = IsServerInstalled() == S_OK;
    const bool clientInstalled = IsClientInstalled() == S_OK;

    if (argc != 3) {
        ShowUsage(kCaption);
        return 0;
    }

    const bool isXP = IsWindowsXP(0);
    const bool is2003 = IsWindowsServer2003();
    if (!isXP && !is2003)
        return 0;

    const FixArguments args = ParseArguments(argc, argv);
    if (args.action == FixAction::None || args.type == FixType::None) {
        ShowUsage(kCaption);
        return 0;
    }

    if (args.type == FixType::Server || args.type == FixType::Both)
        PrepareServerPaths(g_serverValue, g_serverData);
    if (args.type == FixType::Client || args.type == FixType::Both)
        PrepareClientPaths();
    PrepareOutlookPaths(g_outlookValue, g_outlookData);

    if (args.action == FixAction::Install)
        InstallRows(FixTable, args.type, isXP);
    else
        RemoveRows(FixTable, args.type, isXP, clientInstalled, serverInstalled);
    return 0;
}
