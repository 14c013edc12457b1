// Registry lists of the Windows Firewall that both helpers write.
#pragma once

#define FIREWALL_POLICY "SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy"
#define STANDARD_OPEN_PORTS FIREWALL_POLICY "\\StandardProfile\\GloballyOpenPorts\\List"
#define DOMAIN_OPEN_PORTS FIREWALL_POLICY "\\DomainProfile\\GloballyOpenPorts\\List"
#define STANDARD_APPLICATIONS FIREWALL_POLICY "\\StandardProfile\\AuthorizedApplications\\List"
#define DOMAIN_APPLICATIONS FIREWALL_POLICY "\\DomainProfile\\AuthorizedApplications\\List"

#define DCOM_ACCESS_DATA "135:TCP:*:Enabled:Brisanne - DCOM Access"
#define NETBIOS_DATA "137:UDP:*:Enabled:@xpsp2res.dll,-22001"

// The path buffers of the program rows.
inline constexpr int kPathBufferSize = 312;
