// The registry as the source of the settings that the base layer reads (caret blink time,
// decimal separator, sound events): installed while this library is loaded, whether a program
// links it or a module brings it in later, and removed before it goes away.
#include "base/SettingsSource.h"
#include "registry/RegistryReader.h"

namespace {

HKEY RootOf(platform::SettingsHive hive)
{
    return hive == platform::SettingsHive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

class RegistrySettingsSource final : public platform::SettingsSource {
public:
    RegistrySettingsSource() { platform::InstallSettingsSource(this); }
    ~RegistrySettingsSource() override { platform::RemoveSettingsSource(this); }
    RegistrySettingsSource(const RegistrySettingsSource&) = delete;
    RegistrySettingsSource& operator=(const RegistrySettingsSource&) = delete;

    LONG ReadString(platform::SettingsHive hive, const char* key, const char* name, std::string& out) const override
    {
        return platform::RegistryReader(RootOf(hive), key).Read(name, out);
    }

    LONG ReadDword(platform::SettingsHive hive, const char* key, const char* name, DWORD& out) const override
    {
        return platform::RegistryReader(RootOf(hive), key).Read(name, out);
    }
};

const RegistrySettingsSource g_registrySettings;

} // namespace
