// CSetup: registers the client extension for hosts below major version 14 with a configuration
// file (.ecf) in the host's add-ins folder, removes any older registration of the extension in
// the registry and tells the host to read its extensions again at its next start. The two
// rundll entries of the library build one on the stack and call Install or UnInstall.
#pragma once

#include "base/WinTypes.h"
#include "registry/Registry.h"

#include <string>

class CSetup {
public:
    CSetup();
    ~CSetup();
    CSetup(const CSetup&) = delete;
    CSetup& operator=(const CSetup&) = delete;

    // UnInstallReg, then the .ecf file, then the reload marker.
    HRESULT Install();
    // UnInstallReg, the .ecf file deleted, the reload marker.
    HRESULT UnInstall();
    // Deletes the value "Lumivane Add-In" of the extensions key; the reload marker follows a
    // deletion. The failure of the deletion (an absent value too) as an HRESULT.
    HRESULT UnInstallReg();
    // Writes "Outlook Setup Extension" into the extensions key.
    HRESULT SetExtensionsReloadFlag();
    // Writes resource "ECF" 275 byte for byte into the add-ins folder, then its Path entry as the
    // library's full path. A failure leaves no file behind.
    HRESULT InstallECF();
    HRESULT UnInstallECF();

    // The host's folder for .ecf files without a trailing backslash: "Complts" or "Suplemen"
    // under the host's folder, else its first subfolder holding a .ecf file, else the host's
    // folder itself. Empty when App Paths\OUTLOOK.EXE has no usable Path value.
    static std::string GetAddinsPath();
    // The .ecf file: add-ins folder + "\Lumivane Add-In.ecf" (empty without an add-ins folder).
    static std::string GetEcfFileName();

private:
    // The extensions key, created when missing, opened to set values.
    static HRESULT GetExtensionKey(HKEY* key);
};
