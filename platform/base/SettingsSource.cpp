#include "base/SettingsSource.h"

#include "base/WinError.h"

#include <atomic>

namespace platform {

namespace {

std::atomic<const SettingsSource*> g_source{nullptr};

} // namespace

void InstallSettingsSource(const SettingsSource* source)
{
    g_source.store(source);
}

void RemoveSettingsSource(const SettingsSource* source)
{
    g_source.compare_exchange_strong(source, nullptr);
}

LONG ReadSettingString(SettingsHive hive, const char* key, const char* name, std::string_view fallback,
                       std::string& out)
{
    const SettingsSource* source = g_source.load();
    std::string value;
    const LONG rc = source ? source->ReadString(hive, key, name, value) : ERROR_FILE_NOT_FOUND;
    if (rc == ERROR_FILE_NOT_FOUND)
        out = fallback;
    else if (rc == ERROR_SUCCESS)
        out = std::move(value);
    else
        return rc;
    return ERROR_SUCCESS;
}

LONG ReadSettingDword(SettingsHive hive, const char* key, const char* name, DWORD fallback, DWORD& out)
{
    const SettingsSource* source = g_source.load();
    DWORD value = 0;
    const LONG rc = source ? source->ReadDword(hive, key, name, value) : ERROR_FILE_NOT_FOUND;
    if (rc == ERROR_FILE_NOT_FOUND)
        out = fallback;
    else if (rc == ERROR_SUCCESS)
        out = value;
    else
        return rc;
    return ERROR_SUCCESS;
}

} // namespace platform
