#include "host/HostRegistration.h"

#include "registry/Registry.h"

#include <system_error>

namespace host {

bool RegisterHost(const std::filesystem::path& program, const std::filesystem::path& folder, std::string& error)
{
    const std::filesystem::path dir = folder.empty() ? program.parent_path() : folder;
    std::error_code ec;
    std::filesystem::create_directories(dir / kAddinsFolderName, ec);
    if (ec) {
        error = "cannot create " + (dir / kAddinsFolderName).string() + ": " + ec.message();
        return false;
    }
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        error = "cannot create the App Paths key (error " + std::to_string(rc) + ")";
        return false;
    }
    const std::string programText = program.string();
    const std::string dirText = dir.string();
    rc = RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(programText.c_str()),
                        static_cast<DWORD>(programText.size() + 1));
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(dirText.c_str()),
                            static_cast<DWORD>(dirText.size() + 1));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        error = "cannot write the App Paths values (error " + std::to_string(rc) + ")";
        return false;
    }
    return true;
}

std::filesystem::path RegisteredHostFolder()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    char text[4096];
    DWORD type = 0, size = sizeof text - 1;
    std::filesystem::path result;
    if (RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        text[size] = '\0';
        result = text;
    }
    RegCloseKey(key);
    return result;
}

std::filesystem::path AddinsFolder()
{
    const std::filesystem::path dir = RegisteredHostFolder();
    return dir.empty() ? dir : dir / kAddinsFolderName;
}

} // namespace host
