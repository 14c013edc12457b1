// The library module: the object map of the ten classes, the exports, and the work done when
// the library is loaded.
#include "ComAddIn.h"
#include "Conflict.h"
#include "Conflicts.h"
#include "Folder.h"
#include "Folders.h"
#include "Profile.h"
#include "Profiles.h"
#include "Store.h"
#include "Stores.h"
#include "SyncEngine.h"
#include "TraceScope.h"
#include "extension.h"
#include "resource.h"
#include "com/ComModule.h"

namespace {

// The type library's registration (there is no type-library file: the key names the library
// and its version).
HRESULT UpdateTypeLibRegistry(BOOL bRegister);

const ComClassEntry kObjectMap[] = {
    ComClassEntry::Creatable<CSyncEngine>(CLSID_SyncEngine, "Tembrix.SyncEngine.1", "Tembrix.SyncEngine",
                                          LoadEngineString(IDS_SYNCENGINE_DESC), "Both"),
    ComClassEntry::Creatable<CProfiles>(CLSID_Profiles, "Tembrix.Profiles.1", "Tembrix.Profiles",
                                        LoadEngineString(IDS_PROFILES_DESC), "Both"),
    ComClassEntry::Creatable<CProfile>(CLSID_Profile, "Tembrix.Profile.1", "Tembrix.Profile",
                                       LoadEngineString(IDS_PROFILE_DESC), "Both"),
    ComClassEntry::Creatable<CStores>(CLSID_Stores, "Tembrix.Stores.1", "Tembrix.Stores",
                                      LoadEngineString(IDS_STORES_DESC), "Both"),
    ComClassEntry::Creatable<CStore>(CLSID_Store, "Tembrix.Store.1", "Tembrix.Store",
                                     LoadEngineString(IDS_STORE_DESC), "Both"),
    ComClassEntry::Creatable<CFolders>(CLSID_Folders, "Tembrix.Folders.1", "Tembrix.Folders",
                                       LoadEngineString(IDS_FOLDERS_DESC), "Both"),
    ComClassEntry::Creatable<CFolder>(CLSID_Folder, "Tembrix.Folder.1", "Tembrix.Folder",
                                      LoadEngineString(IDS_FOLDER_DESC), "Both"),
    ComClassEntry::Creatable<CConflict>(CLSID_Conflict, "Tembrix.Conflict.1", "Tembrix.Conflict",
                                        LoadEngineString(IDS_CONFLICT_DESC), "Both"),
    ComClassEntry::Creatable<CConflicts>(CLSID_Conflicts, "Tembrix.Conflicts.1", "Tembrix.Conflicts",
                                         LoadEngineString(IDS_CONFLICTS_DESC), "Both"),
    ComClassEntry::Creatable<CComAddIn>(CLSID_ComAddIn, "Tembrix.ComAddIn.1", "Tembrix.ComAddIn", "ComAddIn Class",
                                        "Apartment",
                                        kComRegisterCurVer | kComRegisterProgrammable | kComRegisterTypeLib,
                                        &CComAddIn::UpdateRegistry),
    // The type library itself.
    ComClassEntry{nullptr, nullptr, nullptr, nullptr, nullptr, kComRegisterNothing, nullptr, &UpdateTypeLibRegistry},
};

COM_DEFINE_MODULE(g_module, kObjectMap, LIBID_TembrixLib);

HRESULT UpdateTypeLibRegistry(BOOL bRegister)
{
    return g_module.UpdateTypeLibRegistry(bRegister, "TembrixLib");
}

// What the library's entry does on load: settings of the trace writer.
[[gnu::constructor]] void LibraryLoaded()
{
    TraceInit("CL", "tembrix.ini");
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
    UnregisterExtension();
    hr = g_module.RegisterServer();
    if (SUCCEEDED(hr))
        hr = g_module.WriteCanonicalServerPath();
    return hr;
}

extern "C" [[gnu::visibility("default")]] HRESULT DllUnregisterServer()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("DllUnregisterServer", &hr);
    UnregisterExtension();
    hr = g_module.UnregisterServer();
    return hr;
}
