// The COM add-in as the register-server tool and the host see it: its classes and the host's
// Addins key written and removed again, the host of version 14 connecting it, and an ordinary
// user's registration refused.
#include "TempRoot.h"
#include "base/PlatformRoot.h"
#include "com/ComRuntime.h"
#include "host/HostProgram.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

using Export = HRESULT (*)();

const std::string kAddinClsid = "{EA3E44ED-0F07-4886-B88C-2AEAA9C7F9B6}";
constexpr char kAddinKey[] = "Software\\Microsoft\\Office\\Outlook\\Addins\\Lumivane.COMAddin";

class COMAddinLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = dlopen(LUMIVANE_LIBRARY, RTLD_NOW);
        ASSERT_NE(module, nullptr) << dlerror();
    }

    void TearDown() override
    {
        unsetenv("PLATFORM_REGISTRY_USER");
        if (module)
            dlclose(module);
    }

    HRESULT Call(const char* name)
    {
        auto function = reinterpret_cast<Export>(dlsym(module, name));
        EXPECT_NE(function, nullptr) << name;
        return function ? function() : E_FAIL;
    }

    static std::string Value(HKEY root, const std::string& key, const char* name = nullptr)
    {
        HKEY k = nullptr;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return "<missing>";
        char data[1024] = {};
        DWORD size = sizeof data, type = 0;
        const LONG rc = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(k);
        if (rc != ERROR_SUCCESS)
            return "<no value>";
        if (type == REG_DWORD)
            return std::to_string(*reinterpret_cast<DWORD*>(data));
        return data;
    }

    static bool Exists(HKEY root, const std::string& key)
    {
        HKEY k = nullptr;
        if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        return true;
    }

    TempRoot root;
    void* module = nullptr;
};

} // namespace

TEST_F(COMAddinLibraryTest, RegistrationWritesTheClassesAndTheHostsAddinsKeyAndRemovesThem)
{
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Lumivane.COMAddin.1"), "COMAddin Class");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Lumivane.COMAddin.1\\CLSID"), kAddinClsid);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Lumivane.COMAddin"), "COMAddin Class");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Lumivane.COMAddin\\CLSID"), kAddinClsid);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Lumivane.COMAddin\\CurVer"), "Lumivane.COMAddin.1");
    const std::string clsid = "CLSID\\" + kAddinClsid;
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid), "COMAddin Class");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + "\\ProgID"), "Lumivane.COMAddin.1");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + "\\VersionIndependentProgID"), "Lumivane.COMAddin");
    EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, clsid + "\\Programmable"));
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32"),
              std::filesystem::canonical(LUMIVANE_LIBRARY).string());
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + "\\TypeLib"), "{ECE424C5-06C3-457E-A9F2-E680F54337A0}");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kAddinKey, "FriendlyName"), "Lumivane Add-In");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kAddinKey, "Description"), "Lumivane Add-In");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kAddinKey, "LoadBehavior"), "3");

    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, "Lumivane.COMAddin.1"));
    EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, "Lumivane.COMAddin"));
    EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, clsid));
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, kAddinKey));
    // The shared keys stay.
    EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Office\\Outlook\\Addins"));
}

TEST_F(COMAddinLibraryTest, AnOrdinaryUserCannotRegisterIt)
{
    setenv("PLATFORM_REGISTRY_USER", "ordinary", 1);
    EXPECT_TRUE(FAILED(Call("DllRegisterServer")));
    unsetenv("PLATFORM_REGISTRY_USER");
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, kAddinKey));
}

TEST_F(COMAddinLibraryTest, TheHostOfVersionFourteenConnectsTheRegisteredAddin)
{
    ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
    const auto personal = platform::StoresDirectory() / "personal.store";
    ASSERT_EQ(mapi::CreateStoreFile(personal, mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", personal), S_OK);
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    {
        std::ostringstream out, err;
        host::HostOptions options;
        options.headless = true;
        options.version = "14.0.7015.1000";
        host::HostProgram program(options, out, err);
        ASSERT_TRUE(program.Start()) << err.str();
        ASSERT_EQ(program.Loader().AddIns().size(), 1u);
        EXPECT_EQ(program.Loader().AddIns()[0].progId, "Lumivane.COMAddin");
        out.str("");
        program.Execute("addins");
        EXPECT_NE(out.str().find("Lumivane.COMAddin"), std::string::npos) << out.str();
        EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    }
    // The host quit: every object of the library is gone.
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
}
