// The add-in library through its exports: registration, creating the engine through COM,
// whether it may be unloaded, and the client extension's entry.
#include "ReminderLib.h"

#include "TempRoot.h"
#include "com/ClassFactory.h"
#include "com/ComPtr.h"
#include "com/ComRuntime.h"
#include "com/GuidString.h"
#include "host/ExchExtCompanions.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <string>

namespace {

using Export = HRESULT (*)();

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        module = dlopen(LUMIVANE_LIBRARY, RTLD_NOW);
        ASSERT_NE(module, nullptr) << dlerror();
    }

    void TearDown() override
    {
        if (module)
            dlclose(module);
        CoUninitialize();
    }

    HRESULT Call(const char* name)
    {
        auto function = reinterpret_cast<Export>(dlsym(module, name));
        EXPECT_NE(function, nullptr) << name;
        return function ? function() : E_FAIL;
    }

    static std::string Value(const std::string& key, const char* name = nullptr)
    {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return "<missing>";
        char data[1024] = {};
        DWORD size = sizeof data, type = 0;
        const LONG rc = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(k);
        return rc == ERROR_SUCCESS ? std::string(data) : "<no value>";
    }

    static bool Exists(const std::string& key)
    {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        return true;
    }

    TempRoot root;
    void* module = nullptr;
};

const std::string kEngineClsid = "{30D581D4-D155-41ED-B6E9-125BDA26E9C4}";

} // namespace

TEST_F(LibraryTest, RegistrationWritesTheEnginesClassesAndRemovesThemAgain)
{
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    EXPECT_EQ(Value("Lumivane.ReminderEngine.1"), "ReminderEngine Class");
    EXPECT_EQ(Value("Lumivane.ReminderEngine.1\\CLSID"), kEngineClsid);
    EXPECT_EQ(Value("Lumivane.ReminderEngine"), "ReminderEngine Class");
    EXPECT_EQ(Value("Lumivane.ReminderEngine\\CLSID"), kEngineClsid);
    EXPECT_EQ(Value("Lumivane.ReminderEngine\\CurVer"), "Lumivane.ReminderEngine.1");
    const std::string clsid = "CLSID\\" + kEngineClsid;
    EXPECT_EQ(Value(clsid), "ReminderEngine Class");
    EXPECT_EQ(Value(clsid + "\\ProgID"), "Lumivane.ReminderEngine.1");
    EXPECT_EQ(Value(clsid + "\\VersionIndependentProgID"), "Lumivane.ReminderEngine");
    EXPECT_TRUE(Exists(clsid + "\\Programmable"));
    EXPECT_EQ(Value(clsid + "\\InprocServer32"), std::filesystem::canonical(LUMIVANE_LIBRARY).string());
    EXPECT_EQ(Value(clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(clsid + "\\TypeLib"), "{ECE424C5-06C3-457E-A9F2-E680F54337A0}");
    EXPECT_TRUE(Exists("TypeLib\\{ECE424C5-06C3-457E-A9F2-E680F54337A0}"));
    // The classes the engine makes itself, and the Application sink, have no keys.
    for (const GUID* internal : {&CLSID_LVStores, &CLSID_LVStore, &CLSID_LVFolders, &CLSID_LVFolder})
        EXPECT_FALSE(Exists("CLSID\\" + platform::GuidToString(*internal)));
    EXPECT_FALSE(Exists("CLSID\\{048FE78C-723B-41B4-A40D-037A1DD0A0A2}"));

    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    EXPECT_FALSE(Exists("Lumivane.ReminderEngine.1"));
    EXPECT_FALSE(Exists("Lumivane.ReminderEngine"));
    EXPECT_FALSE(Exists(clsid));
    EXPECT_FALSE(Exists("TypeLib\\{ECE424C5-06C3-457E-A9F2-E680F54337A0}"));
}

TEST_F(LibraryTest, TheEngineIsCreatedByItsProgIdAndHoldsTheLibrary)
{
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"Lumivane.ReminderEngine", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_ReminderEngine));
    ComPtr<IReminderEngine> engine;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IReminderEngine, engine.put_void()), S_OK);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    VARIANT_BOOL enabled = VARIANT_TRUE;
    EXPECT_EQ(engine->get_Enabled(&enabled), S_OK);
    EXPECT_EQ(enabled, VARIANT_FALSE);
    LONG interval = 0;
    EXPECT_EQ(engine->get_UpdateInterval(&interval), S_OK);
    EXPECT_EQ(interval, 10);
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(engine.As(dispatch), S_OK);
    engine = nullptr;
    dispatch = nullptr;
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    // A class the library does not make.
    auto getClassObject = reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(dlsym(module, "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(CLSID_LVStores, IID_IClassFactory, factory.put_void()), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(getClassObject(CLSID_ReminderEngine, IID_IClassFactory, factory.put_void()), S_OK);
    factory = nullptr;
    EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
}

TEST_F(LibraryTest, TheExtensionEntryHandsOutAnExtensionObject)
{
    auto entry = reinterpret_cast<LPFNEXCHEXTENTRY>(dlsym(module, "ExchangeExtension"));
    ASSERT_NE(entry, nullptr);
    ComPtr<IExchExt> extension;
    extension.Attach(entry());
    ASSERT_TRUE(extension);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    ComPtr<IUnknown> commands;
    EXPECT_EQ(extension->QueryInterface(IID_IExchExtCommands, commands.put_void()), E_NOINTERFACE);
    extension = nullptr;
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    // The trace writer's state is the library's own: none of it is exported.
    EXPECT_EQ(dlsym(module, "TraceInit"), nullptr);
    EXPECT_EQ(dlsym(module, "TracePrint"), nullptr);
}
