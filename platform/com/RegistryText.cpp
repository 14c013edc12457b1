#include "com/RegistryText.h"

#include "base/WinError.h"

#include <vector>

namespace platform::com::detail {

std::optional<std::string> ReadString(HKEY root, const std::string& subkey, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> result;
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name ? name : "", nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<BYTE> data(size + 1, 0);
        rc = RegQueryValueExA(key, name ? name : "", nullptr, &type, data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            std::string text(reinterpret_cast<const char*>(data.data()), size);
            // The stored size counts the terminator.
            while (!text.empty() && text.back() == '\0')
                text.pop_back();
            result = std::move(text);
        }
    }
    RegCloseKey(key);
    return result;
}

bool KeyExists(HKEY root, const std::string& subkey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

LONG CreateKey(HKEY root, const std::string& subkey)
{
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS)
        RegCloseKey(key);
    return rc;
}

LONG WriteString(HKEY root, const std::string& subkey, const char* name, const std::string& value)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExA(key, name ? name : "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return rc;
}

LONG DeleteTree(HKEY root, const std::string& subkey)
{
    const LONG rc = RegDeleteTreeA(root, subkey.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

} // namespace platform::com::detail
