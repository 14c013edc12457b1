// Registration of the library with the register-server tool, creation through COM, the
// exports, and balanced reference counts.
#include "EngineTestSupport.h"

#include "com/Dispatch.h"
#include "com/ErrorInfo.h"
#include "host/ExchExt.h"

using namespace enginetest;

namespace {

const char* const kClasses[][3] = {
    {"SyncEngine", "{5835290B-8949-4F11-B2B1-5795AAEDA16C}", "Both"},
    {"Profiles", "{3C8F6E94-B5A8-49A1-B86E-5E77B9E0A191}", "Both"},
    {"Profile", "{EFB08CB4-AAC8-44D2-B56F-CF745DB53C7F}", "Both"},
    {"Stores", "{4509D00C-F4EB-4031-8306-F8EE2D65B38D}", "Both"},
    {"Store", "{D5A2BCD3-2405-4129-8A65-10E6D6E5483A}", "Both"},
    {"Folders", "{F82A7CB5-E2A2-4698-8025-5180F9CA66E3}", "Both"},
    {"Folder", "{2330B2FA-2C3B-468E-B20E-E07E3ACB476E}", "Both"},
    {"Conflict", "{95D5C734-809E-4D21-AD79-1A6F148B7EC2}", "Both"},
    {"Conflicts", "{FD6F1686-B6ED-43AF-9D7C-A146C88AA345}", "Both"},
    {"ComAddIn", "{7F735073-D624-446C-B9BF-D3CAFD5A7205}", "Apartment"},
};

constexpr const char* kAddinKey = "Software\\Microsoft\\Office\\Outlook\\Addins\\Tembrix.ComAddIn";
constexpr const char* kExtensionsKey = "Software\\Microsoft\\Exchange\\Client\\Extensions";

DWORD RegDword(HKEY root, const std::string& key, const char* name)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    DWORD value = 0xFFFFFFFF, cb = sizeof(value), type = 0;
    RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb);
    RegCloseKey(h);
    return type == REG_DWORD ? value : 0xFFFFFFFF;
}

} // namespace

TEST(EngineRegistration, RegisterWritesEveryClassTheAddInAndRemovesTheExtension)
{
    TempRoot root;
    // A client-extension entry of an earlier installation.
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    const char old[] = "4.0;old.so;5;1";
    ASSERT_EQ(RegSetValueExA(h, "Tembrix", 0, REG_SZ, reinterpret_cast<const BYTE*>(old), sizeof(old)), ERROR_SUCCESS);
    RegCloseKey(h);

    ASSERT_EQ(Regsvr(), 0);

    const std::string path = std::filesystem::canonical(TEMBRIX_LIBRARY).string();
    for (const auto& cls : kClasses) {
        const std::string name = cls[0];
        const std::string clsid = cls[1];
        SCOPED_TRACE(name);
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "Tembrix." + name + ".1", nullptr), name + " Class");
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "Tembrix." + name + ".1\\CLSID", nullptr), clsid);
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "Tembrix." + name, nullptr), name + " Class");
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "Tembrix." + name + "\\CLSID", nullptr), clsid);
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\ProgID", nullptr), "Tembrix." + name + ".1");
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\VersionIndependentProgID", nullptr),
                  "Tembrix." + name);
        EXPECT_EQ(std::filesystem::canonical(RegText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", nullptr))
                      .string(),
                  path);
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", "ThreadingModel"), cls[2]);
    }
    const std::string addin = "CLSID\\{7F735073-D624-446C-B9BF-D3CAFD5A7205}";
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "Tembrix.ComAddIn\\CurVer", nullptr), "Tembrix.ComAddIn.1");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, addin + "\\Programmable"));
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, addin + "\\TypeLib", nullptr), "{4A75B8F9-51DB-4626-8035-FA61A46B928B}");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Tembrix.SyncEngine\\CurVer"));
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, "TypeLib\\{4A75B8F9-51DB-4626-8035-FA61A46B928B}\\1.0", nullptr),
              "TembrixLib");

    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kAddinKey, "FriendlyName"), "Orvinta Add-In");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kAddinKey, "Description"),
              "Helper to start Orvinta at Outlook Startup or Shutdown");
    EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kAddinKey, "LoadBehavior"), 3u);
    EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kAddinKey, "CommandLineSafe"), 0u);

    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kExtensionsKey, "Tembrix"), "");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kExtensionsKey, "Outlook Setup Extension"),
              "4.0;Outxxx.dll;7;000000000000000;0000000000;OutXXX");
}

TEST(EngineRegistration, RoundTripLeavesNothingOfTheLibrary)
{
    TempRoot root;
    ASSERT_EQ(Regsvr(), 0);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        for (const auto& cls : kClasses) {
            CLSID clsid{};
            const std::u16string progId = platform::Utf8ToUtf16(std::string("Tembrix.") + cls[0]);
            ASSERT_EQ(CLSIDFromProgID(progId.c_str(), &clsid), S_OK) << cls[0];
            ComPtr<IUnknown> unknown;
            EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.put_void()), S_OK)
                << cls[0];
            ComPtr<ISupportErrorInfo> support;
            ASSERT_EQ(unknown.As(support), S_OK) << cls[0];
            EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
        }
        ComPtr<ISyncEngine> engine;
        ASSERT_EQ(CoCreateInstance(CLSID_SyncEngine, nullptr, CLSCTX_ALL, IID_ISyncEngine, engine.put_void()), S_OK);
        ComPtr<ISupportErrorInfo> support;
        ASSERT_EQ(engine.As(support), S_OK);
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ISyncEngine), S_OK);
        EXPECT_EQ(LibraryCanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(LibraryCanUnloadNow(), S_OK);
    CoUninitialize();

    ASSERT_EQ(Regsvr(true), 0);
    for (const auto& cls : kClasses) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("Tembrix.") + cls[0])) << cls[0];
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("Tembrix.") + cls[0] + ".1")) << cls[0];
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + cls[1])) << cls[0];
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{4A75B8F9-51DB-4626-8035-FA61A46B928B}"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAddinKey));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kExtensionsKey, "Tembrix"), "");
}

TEST(EngineRegistration, RelativeNameIsRegisteredAsAnAbsolutePath)
{
    TempRoot root;
    const auto library = std::filesystem::canonical(TEMBRIX_LIBRARY);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(library.parent_path());
    const int rc = RunTool(REGSVR_PROGRAM, {"/s", library.filename().string()});
    std::filesystem::current_path(previous);
    ASSERT_EQ(rc, 0);
    for (const auto& cls : kClasses)
        EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, std::string("CLSID\\") + cls[1] + "\\InprocServer32", nullptr),
                  library.string())
            << cls[0];
}

TEST(EngineRegistration, OnlyTheFiveExportsAreVisible)
{
    void* handle = dlopen(TEMBRIX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    for (const char* name :
         {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer", "ExchEntryPoint"})
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    for (const char* name : {"MAPILogon", "SBin2bstr", "RegisterExtension", "TraceInit", "New2Old"})
        EXPECT_EQ(dlsym(handle, name), nullptr) << name;
    dlclose(handle);
}

TEST(EngineRegistration, ClientExtensionAcceptsTheSessionContextOnly)
{
    TempRoot root;
    void* handle = dlopen(TEMBRIX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    auto entry = reinterpret_cast<LPFNEXCHEXTENTRY>(dlsym(handle, "ExchEntryPoint"));
    auto canUnload = reinterpret_cast<HRESULT (*)()>(dlsym(handle, "DllCanUnloadNow"));
    ASSERT_TRUE(entry && canUnload);
    IExchExt* ext = entry();
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);
    ComPtr<IExchExt> again;
    EXPECT_EQ(ext->QueryInterface(IID_IExchExt, again.put_void()), S_OK);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(ext->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    ComPtr<IDispatch> none;
    EXPECT_EQ(ext->QueryInterface(IID_IDispatch, none.put_void()), E_NOINTERFACE);
    EXPECT_EQ(ext->Install(nullptr, EECONTEXT_SESSION, 0), S_OK);
    for (ULONG context = EECONTEXT_VIEWER; context <= EECONTEXT_TASK; ++context)
        EXPECT_EQ(ext->Install(nullptr, context, 0), S_FALSE) << context;
    again.Release();
    unknown.Release();
    EXPECT_EQ(ext->Release(), 0u);
    EXPECT_EQ(canUnload(), S_OK);
    dlclose(handle);
}
