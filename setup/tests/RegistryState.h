// Registry set-up and read-back for the tests, through the registry layer's own functions.
#pragma once

#include "registry/Registry.h"

#include <map>
#include <string>

void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value);
void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
void CreateKey(HKEY root, const std::string& key);

// Every value under root (recursively): "Key\\Sub\\name" -> "<type>:<data>", with REG_SZ data
// as its text (the terminating zero shown as "\\0"), REG_DWORD in decimal and anything else in
// hexadecimal bytes.
std::map<std::string, std::string> AllValues(HKEY root, const std::string& key = "");

// The Windows identity that the platform reports.
struct WindowsIdentity {
    std::string version;
    std::string build;
    std::string servicePack;
    std::string productType;
    std::string architecture;
    bool r2 = false;
};

inline const WindowsIdentity kWindows2000{"5.0", "2195", "Service Pack 4", "WinNT", "x86"};
inline const WindowsIdentity kWindowsXP{"5.1", "2600", "Service Pack 2", "WinNT", "x86"};
inline const WindowsIdentity kWindowsXP64{"5.2", "3790", "Service Pack 2", "WinNT", "AMD64"};
inline const WindowsIdentity kServer2003{"5.2", "3790", "Service Pack 2", "ServerNT", "x86"};
inline const WindowsIdentity kWindowsVista{"6.0", "6002", "Service Pack 2", "WinNT", "x86"};

void SetIdentity(const WindowsIdentity& identity);
