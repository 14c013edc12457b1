#include "InstallProbes.h"

#include "base/WinError.h"
#include "registry/Registry.h"

namespace {

HRESULT IsInstalled(LPCSTR uninstallKey)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstallKey, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        rc = RegOpenKeyExA(HKEY_CURRENT_USER, uninstallKey, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
    RegCloseKey(key);
    return S_OK;
}

} // namespace

HRESULT IsClientInstalled()
{
    return IsInstalled("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brisanne Client_is1");
}

HRESULT IsServerInstalled()
{
    return IsInstalled("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brisanne Server_is1");
}
