// firewallhelper: adds or removes the Windows Firewall exceptions of the client, the server
// or both; on Windows Vista through netsh for the server.
#include "CommandLine.h"
#include "CommandRunner.h"
#include "FirewallPolicy.h"
#include "FixTable.h"
#include "InstallProbes.h"
#include "ProgramPaths.h"
#include "VersionProbes.h"
#include "base/Format.h"
#include "base/WinError.h"

#include <cstring>
#include <iostream>
#include <iterator>

namespace {

char g_serverValue[kPathBufferSize];
char g_serverData[kPathBufferSize];
char g_outlookValue[kPathBufferSize];
char g_outlookData[kPathBufferSize];

const FixRow FixTable[] = {
    {HKEY_LOCAL_MACHINE, STANDARD_OPEN_PORTS, "135:TCP", DCOM_ACCESS_DATA, true, true, true, false},
    {HKEY_LOCAL_MACHINE, DOMAIN_OPEN_PORTS, "135:TCP", DCOM_ACCESS_DATA, true, true, true, false},
    {HKEY_LOCAL_MACHINE, STANDARD_OPEN_PORTS, "137:UDP", NETBIOS_DATA, true, true, false, false},
    {HKEY_LOCAL_MACHINE, DOMAIN_OPEN_PORTS, "137:UDP", NETBIOS_DATA, true, true, false, false},
    {HKEY_LOCAL_MACHINE, STANDARD_APPLICATIONS, g_serverValue, g_serverData, false, true, true, false},
    {HKEY_LOCAL_MACHINE, DOMAIN_APPLICATIONS, g_serverValue, g_serverData, false, true, true, false},
    {HKEY_LOCAL_MACHINE, STANDARD_APPLICATIONS, g_outlookValue, g_outlookData, true, true, true, false},
    {HKEY_LOCAL_MACHINE, DOMAIN_APPLICATIONS, g_outlookValue, g_outlookData, true, true, true, false},
};

constexpr const char* kCaption = "Setup-Helper Firewall for Brisanne - v2.0";
constexpr const char* kRuleName = "Brisanne Server Engine";

// This helper has no client program of its own to name.
void PrepareClientPaths() {}

// The most wsprintfA writes; the longest line fits, though the program path may double in
// length when quoted for the shell.
constexpr int kCommandSize = WSPRINTF_LIMIT;
static_assert(kCommandSize > 128 + 2 * kPathBufferSize);

void DeleteVistaRule()
{
    char command[kCommandSize];
    wsprintfA(command, "netsh advfirewall firewall delete rule name=%s", ShellQuoted(kRuleName).c_str());
    RunCommand(command);
}

void AddVistaRule()
{
    char command[kCommandSize];
    wsprintfA(command, "netsh advfirewall firewall add rule name=%s dir=in action=allow program=%s",
              ShellQuoted(kRuleName).c_str(), ShellQuoted(g_serverValue).c_str());
    RunCommand(command);
}

// The rule is replaced only when its new program path can be written into a rule: otherwise the
// delete would remove the existing rule and nothing would take its place. The firewall keeps a
// rule's fields between '|' characters, so a path with one is refused.
void InstallVistaRule()
{
    if (g_serverValue[0] == '\0') {
        std::cout << "InstallVistaRule - Failed: no program path; rule \"" << kRuleName << "\" left as it is"
                  << std::endl;
        return;
    }
    if (std::strchr(g_serverValue, '|')) {
        std::cout << "InstallVistaRule - Failed: the program path holds '|': " << g_serverValue << "; rule \""
                  << kRuleName << "\" left as it is" << std::endl;
        return;
    }
    DeleteVistaRule();
    AddVistaRule();
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
    const bool isVista = IsWindowsVista();
    if (!isXP && !is2003 && !isVista)
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

    if (args.action == FixAction::Install) {
        if (!isVista)
            InstallRows(FixTable, args.type, isXP);
        else if (args.type == FixType::Server)
            InstallVistaRule();
    } else {
        if (!isVista)
            RemoveRows(FixTable, args.type, isXP, clientInstalled, serverInstalled);
        else if (args.type == FixType::Server)
            DeleteVistaRule();
    }
    return 0;
}
