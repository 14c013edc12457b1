// The add-in library's module: the work done when it is loaded and unloaded, the object map with
// its registration, and the exports through which the host, the COM runtime and the
// register-server tool reach it.
#include "COMAddin.h"
#include "ExchangeExtension.h"
#include "HostIntegrationSeam.h"
#include "ReminderWindowSeam.h"
#include "ModuleInstance.h"
#include "ReminderEngine.h"
#include "Setup.h"
#include "TraceScope.h"
#include "base/CommonControls.h"
#include "base/Module.h"
#include "com/ComModule.h"

namespace {

// The type library's key (there is no type-library file: the key names the library).
HRESULT UpdateTypeLibRegistry(BOOL bRegister);

// ReminderEngine, the four classes of the folder model, which the engine makes itself (no class
// object, no registration), and the COM add-in with the host's Addins key.
const ComClassEntry kObjectMap[] = {
    ComClassEntry::Creatable<CReminderEngine>(CLSID_ReminderEngine, "Lumivane.ReminderEngine.1",
                                              "Lumivane.ReminderEngine", "ReminderEngine Class", "Apartment",
                                              kComRegisterCurVer | kComRegisterProgrammable | kComRegisterTypeLib),
    ComClassEntry::Internal(), // LVStores
    ComClassEntry::Internal(), // LVStore
    ComClassEntry::Internal(), // LVFolders
    ComClassEntry::Internal(), // LVFolder
    ComClassEntry::Creatable<CCOMAddin>(CLSID_COMAddin, "Lumivane.COMAddin.1", "Lumivane.COMAddin", "COMAddin Class",
                                        "Apartment", kComRegisterCurVer | kComRegisterProgrammable | kComRegisterTypeLib,
                                        &CCOMAddin::UpdateRegistry),
    // The type library itself.
    ComClassEntry{nullptr, nullptr, nullptr, nullptr, nullptr, kComRegisterNothing, nullptr, &UpdateTypeLibRegistry},
};

COM_DEFINE_MODULE(g_module, kObjectMap, LIBID_LumivaneLib);

// The engine's way to the host's dialog hook and explorer menu.
CHostIntegrationSeam g_hostIntegration;
// The engine's way to the reminders window, under the host integration's seam.
CReminderWindowSeam g_reminderWindow;

HRESULT UpdateTypeLibRegistry(BOOL bRegister)
{
    return g_module.UpdateTypeLibRegistry(bRegister, "Lumivane 1.0 Type Library");
}

HMODULE ThisModule()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &self);
    return self;
}

// Process attach: tracing first, then the module.
[[gnu::constructor]] void ProcessAttach()
{
    const HMODULE module = ThisModule();
    SetModuleInstance(module);
    TraceInit("CL", "Lumivane.ini", module);
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "DllMain(DLL_PROCESS_ATTACH).\n");
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&init);
    g_reminderWindow.Install();
    g_hostIntegration.Install();
}

[[gnu::destructor]] void ProcessDetach()
{
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "DllMain(DLL_PROCESS_DETACH).\n");
}

} // namespace

extern "C" [[gnu::visibility("default")]] HRESULT DllCanUnloadNow()
{
    return g_module.CanUnloadNow();
}

extern "C" [[gnu::visibility("default")]] HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    return g_module.GetClassObject(rclsid, riid, ppv);
}

extern "C" [[gnu::visibility("default")]] HRESULT DllRegisterServer()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("DllRegisterServer", &hr);
    hr = g_module.RegisterServer();
    if (SUCCEEDED(hr))
        hr = g_module.WriteCanonicalServerPath();
    return hr;
}

extern "C" [[gnu::visibility("default")]] HRESULT DllUnregisterServer()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("DllUnregisterServer", &hr);
    hr = g_module.UnregisterServer();
    return hr;
}

extern "C" [[gnu::visibility("default")]] LPEXCHEXT ExchangeExtension()
{
    TRACE_PROC("ExchangeExtension");
    IExchExt* extension = nullptr;
    const HRESULT hr = CExchangeExtension::CreateInstance(&extension);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CreateInstance() failed. hr=0x%08lx\n", hr);
        return nullptr;
    }
    return extension;
}

extern "C" [[gnu::visibility("default")]] void RunDLLRegisterExtension(HWND, HINSTANCE, LPSTR, int)
{
    TRACE_PROC("RunDLLRegisterExtension");
    CSetup setup;
    setup.Install();
}

extern "C" [[gnu::visibility("default")]] void RunDLLUnregisterExtension(HWND, HINSTANCE, LPSTR, int)
{
    TRACE_PROC("RunDLLUnregisterExtension");
    CSetup setup;
    setup.UnInstall();
}
