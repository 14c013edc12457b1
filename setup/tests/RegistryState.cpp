#include "RegistryState.h"

#include "base/WinError.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

void Check(LONG rc, const std::string& what)
{
    if (rc != ERROR_SUCCESS)
        throw std::runtime_error(what + " failed: " + std::to_string(rc));
}

std::string Describe(DWORD type, const BYTE* data, DWORD size)
{
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::string text;
        for (DWORD i = 0; i < size; ++i)
            text += data[i] == 0 ? std::string("\\0") : std::string(1, static_cast<char>(data[i]));
        return (type == REG_SZ ? "sz:" : "expand_sz:") + text;
    }
    if (type == REG_DWORD && size == 4) {
        DWORD value = data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
        return "dword:" + std::to_string(value);
    }
    std::string hex = std::to_string(type) + ":";
    char byte[3];
    for (DWORD i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof(byte), "%02x", data[i]);
        hex += byte;
    }
    return hex;
}

void Collect(HKEY root, const std::string& path, std::map<std::string, std::string>& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
    Check(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxName,
                           &maxData, nullptr, nullptr),
          "RegQueryInfoKeyA");
    const std::string prefix = path.empty() ? "" : path + "\\";
    for (DWORD i = 0; i < values; ++i) {
        std::vector<char> name(maxName + 2);
        std::vector<BYTE> data(maxData + 2);
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        Check(RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize), "RegEnumValueA");
        out[prefix + std::string(name.data(), nameSize)] = Describe(type, data.data(), dataSize);
    }
    std::vector<std::string> children;
    for (DWORD i = 0; i < subKeys; ++i) {
        std::vector<char> name(maxSubKey + 2);
        DWORD nameSize = static_cast<DWORD>(name.size());
        Check(RegEnumKeyExA(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr), "RegEnumKeyExA");
        children.emplace_back(name.data(), nameSize);
    }
    RegCloseKey(key);
    for (const auto& child : children)
        Collect(root, prefix + child, out);
}

} // namespace

void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value)
{
    HKEY h = nullptr;
    Check(RegCreateKeyA(root, key.c_str(), &h), "RegCreateKeyA " + key);
    const LONG rc = RegSetValueExA(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    Check(rc, "RegSetValueExA " + name);
}

void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value)
{
    HKEY h = nullptr;
    Check(RegCreateKeyA(root, key.c_str(), &h), "RegCreateKeyA " + key);
    const LONG rc = RegSetValueExA(h, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    RegCloseKey(h);
    Check(rc, "RegSetValueExA " + name);
}

void CreateKey(HKEY root, const std::string& key)
{
    HKEY h = nullptr;
    Check(RegCreateKeyA(root, key.c_str(), &h), "RegCreateKeyA " + key);
    RegCloseKey(h);
}

std::map<std::string, std::string> AllValues(HKEY root, const std::string& key)
{
    std::map<std::string, std::string> out;
    Collect(root, key, out);
    return out;
}

void SetIdentity(const WindowsIdentity& id)
{
    const std::string current = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    SetString(HKEY_LOCAL_MACHINE, current, "CurrentVersion", id.version);
    SetString(HKEY_LOCAL_MACHINE, current, "CurrentBuildNumber", id.build);
    SetString(HKEY_LOCAL_MACHINE, current, "CSDVersion", id.servicePack);
    SetDword(HKEY_LOCAL_MACHINE, current, "ServerR2", id.r2 ? 1 : 0);
    SetString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", id.productType);
    SetString(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
              "PROCESSOR_ARCHITECTURE", id.architecture);
}
