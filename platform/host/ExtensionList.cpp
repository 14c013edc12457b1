#include "host/ExtensionList.h"

#include "base/PlatformRoot.h"
#include "base/Profile.h"
#include "base/Utf.h"
#include "host/HostRegistration.h"
#include "registry/Registry.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace host {

namespace {

bool MapBit(const std::string& map, std::size_t index)
{
    if (map.empty())
        return true;
    return index < map.size() && map[index] == '1';
}

bool IsMap(const std::string& map)
{
    return map.find_first_not_of("01") == std::string::npos;
}

std::string IniString(const std::filesystem::path& file, const char* section, const char* key)
{
    std::vector<char> buffer(4096);
    const DWORD n = GetPrivateProfileStringA(section, key, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                             file.string().c_str());
    return std::string(buffer.data(), n);
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream s(text);
    std::string part;
    while (std::getline(s, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

} // namespace

bool ExtensionEntry::ContextEnabled(ULONG context) const
{
    return context >= 1 && MapBit(contextMap, context - 1);
}

bool ExtensionEntry::InterfaceEnabled(unsigned position) const
{
    return position >= 1 && MapBit(interfaceMap, position - 1);
}

bool ExtensionList::ParseRegistryValue(const std::string& name, const std::string& data, ExtensionEntry& entry,
                                       std::string& problem)
{
    // "4.0;<library>;<entry point>[;<context map>[;<interface map>]]"
    const std::vector<std::string> parts = Split(data, ';');
    if (parts.size() < 3 || parts[0] != "4.0" || parts[1].empty() || parts[2].empty()) {
        problem = "extension value \"" + name + "\" is not \"4.0;library;entry point[;contexts[;interfaces]]\"";
        return false;
    }
    entry = ExtensionEntry{name, "registry", parts[1], parts[2], parts.size() > 3 ? parts[3] : "",
                           parts.size() > 4 ? parts[4] : ""};
    if (!IsMap(entry.contextMap) || !IsMap(entry.interfaceMap)) {
        problem = "extension value \"" + name + "\" has a map of other digits than 0 and 1";
        return false;
    }
    return true;
}

bool ExtensionList::ParseEcf(const std::filesystem::path& file, ExtensionEntry& entry, std::string& problem)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        problem = file.string() + " cannot be read";
        return false;
    }
    entry = ExtensionEntry{};
    entry.source = file.string();
    entry.name = IniString(file, "General", "Display Name");
    entry.path = IniString(file, "General", "Path");
    entry.entryPoint = IniString(file, "General", "Entry Point");
    entry.contextMap = IniString(file, "Exchange Client Compatibility", "Exchange Context Map");
    entry.interfaceMap = IniString(file, "Exchange Client Compatibility", "Exchange Interface Map");
    if (entry.name.empty())
        entry.name = file.stem().string();
    if (entry.path.empty() || entry.entryPoint.empty()) {
        problem = file.string() + " names no Path or Entry Point in [General]";
        return false;
    }
    if (!IsMap(entry.contextMap) || !IsMap(entry.interfaceMap)) {
        problem = file.string() + " has a map of other digits than 0 and 1";
        return false;
    }
    // A bare library name lies beside the .ecf file.
    if (std::filesystem::path(entry.path).is_relative())
        entry.path = (file.parent_path() / entry.path).string();
    return true;
}

std::vector<ExtensionEntry> ExtensionList::Scan(std::vector<std::string>& problems)
{
    std::vector<ExtensionEntry> list;
    const std::filesystem::path folder = AddinsFolder();
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_directory(folder, ec)) {
        std::vector<std::filesystem::path> files;
        for (const auto& e : std::filesystem::directory_iterator(folder, ec))
            if (platform::EqualNoCase(e.path().extension().string(), ".ecf"))
                files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const auto& f : files) {
            ExtensionEntry entry;
            std::string problem;
            if (ParseEcf(f, entry, problem))
                list.push_back(entry);
            else
                problems.push_back(problem);
        }
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (DWORD i = 0;; ++i) {
            char name[512];
            DWORD nameSize = sizeof name, type = 0, size = 0;
            LONG rc = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size);
            if (rc != ERROR_SUCCESS)
                break;
            if (type != REG_SZ || platform::EqualNoCase(name, kReloadMarker))
                continue;
            std::string data(size, '\0');
            if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &size) !=
                ERROR_SUCCESS)
                continue;
            data.resize(strnlen(data.c_str(), data.size()));
            ExtensionEntry entry;
            std::string problem;
            if (ParseRegistryValue(name, data, entry, problem))
                list.push_back(entry);
            else
                problems.push_back(problem);
        }
        RegCloseKey(key);
    }
    return list;
}

std::filesystem::path ExtensionList::CacheFile()
{
    return platform::LocalAppDataDirectory() / "Mail Host" / "extend.json";
}

std::vector<ExtensionEntry> ExtensionList::Load(std::vector<std::string>& problems)
{
    bool marker = false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        DWORD type = 0;
        marker = RegQueryValueExA(key, kReloadMarker, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS;
        if (marker)
            RegDeleteValueA(key, kReloadMarker);
        RegCloseKey(key);
    }
    const std::filesystem::path cache = CacheFile();
    std::error_code ec;
    if (!marker && std::filesystem::exists(cache, ec)) {
        try {
            std::ifstream in(cache);
            const nlohmann::json j = nlohmann::json::parse(in);
            std::vector<ExtensionEntry> list;
            for (const auto& e : j.at("extensions"))
                list.push_back({e.at("name"), e.at("source"), e.at("path"), e.at("entry"), e.at("contexts"),
                                e.at("interfaces")});
            return list;
        } catch (const std::exception& e) {
            problems.push_back("the extension cache " + cache.string() + " is damaged (" + e.what() +
                               "); reading the sources again");
        }
    }
    std::vector<ExtensionEntry> list = Scan(problems);
    nlohmann::json j;
    j["extensions"] = nlohmann::json::array();
    for (const ExtensionEntry& e : list)
        j["extensions"].push_back({{"name", e.name}, {"source", e.source}, {"path", e.path}, {"entry", e.entryPoint},
                                   {"contexts", e.contextMap}, {"interfaces", e.interfaceMap}});
    std::filesystem::create_directories(cache.parent_path(), ec);
    const std::filesystem::path temp = cache.string() + ".new";
    {
        std::ofstream out(temp);
        out << j.dump(2) << "\n";
    }
    std::filesystem::rename(temp, cache, ec);
    if (ec)
        problems.push_back("the extension cache " + cache.string() + " cannot be written: " + ec.message());
    return list;
}

} // namespace host
