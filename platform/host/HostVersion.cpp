#include "host/HostVersion.h"

#include "registry/Registry.h"

#include <charconv>
#include <cstring>

namespace host {

std::optional<HostVersion> HostVersion::Parse(std::string_view text)
{
    HostVersion v;
    v.text = std::string(text);
    int* parts[] = {&v.major, &v.minor, &v.build, &v.revision};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (p == end || *p != '.')
                return std::nullopt;
            ++p;
        }
        if (p == end || *p < '0' || *p > '9')
            return std::nullopt;
        auto [next, ec] = std::from_chars(p, end, *parts[i]);
        if (ec != std::errc() || *parts[i] > 65535)
            return std::nullopt;
        p = next;
    }
    if (p != end)
        return std::nullopt;
    return v;
}

namespace {

bool ReadValue(HKEY root, const char* name, DWORD wantType, std::string& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kHostKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == wantType;
    if (ok) {
        out.assign(size, '\0');
        ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(out.data()), &size) ==
             ERROR_SUCCESS;
        out.resize(size);
        if (wantType == REG_SZ)
            while (!out.empty() && out.back() == '\0')
                out.pop_back();
    }
    RegCloseKey(key);
    return ok;
}

} // namespace

HostVersion ConfiguredVersion(std::string* problem)
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        std::string text;
        if (!ReadValue(root, kVersionValue, REG_SZ, text))
            continue;
        if (auto v = HostVersion::Parse(text))
            return *v;
        if (problem)
            *problem = "The registry value Version \"" + text + "\" is no version; using " + kDefaultVersion + ".";
        break;
    }
    return *HostVersion::Parse(kDefaultVersion);
}

std::optional<DWORD> ConfiguredLanguageValue()
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        std::string data;
        if (ReadValue(root, kLanguageValue, REG_DWORD, data) && data.size() == sizeof(DWORD)) {
            DWORD v = 0;
            std::memcpy(&v, data.data(), sizeof v);
            return v;
        }
    }
    return std::nullopt;
}

DWORD ConfiguredLanguage()
{
    return ConfiguredLanguageValue().value_or(kDefaultLanguage);
}

} // namespace host
