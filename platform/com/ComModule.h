// ComModule: the in-process server part of a shared library. It holds the object map (the
// classes the library makes and registers), hands out class objects, answers
// DllCanUnloadNow from the module's lock count, and writes and removes the classes'
// registration under HKEY_CLASSES_ROOT.
//
// A library defines its map and module once and exports the four entry points:
//
//   static const ComClassEntry kObjectMap[] = {
//       ComClassEntry::Creatable<CSyncEngine>(CLSID_SyncEngine, "Tembrix.SyncEngine.1",
//                                             "Tembrix.SyncEngine", "SyncEngine Class", "Both"),
//   };
//   COM_DEFINE_MODULE(g_module, kObjectMap, LIBID_TembrixLib);
//   COM_MODULE_EXPORTS(g_module)
#pragma once

#include "com/ClassFactoryImpl.h"
#include "com/ModuleLock.h"

#include <atomic>
#include <span>
#include <string>

// Registration flags of an object-map entry.
enum ComClassFlags : DWORD {
    kComRegisterNothing = 0,
    kComRegisterCurVer = 0x1,        // CurVer under the version-independent ProgID
    kComRegisterProgrammable = 0x2,  // empty Programmable key under CLSID\{...}
    kComRegisterTypeLib = 0x4,       // TypeLib value under CLSID\{...} = the module's LIBID
};

struct ComClassEntry {
    const CLSID* clsid = nullptr;           // null: neither class object nor registration
    const char* progId = nullptr;           // "Lib.Class.1"; null: no ProgID keys
    const char* versionIndependentProgId = nullptr;
    const char* description = nullptr;      // "Class Class"
    const char* threadingModel = nullptr;   // stored as given; null: no ThreadingModel value
    DWORD flags = kComRegisterNothing;
    // Makes the class object; null for a class the library creates only itself.
    HRESULT (*getClassObject)(REFIID riid, void** ppv) = nullptr;
    // More registration of the class (add-in keys and the like); bRegister TRUE or FALSE.
    HRESULT (*updateRegistry)(BOOL bRegister) = nullptr;

    template <class T>
    static constexpr ComClassEntry Creatable(const CLSID& clsid, const char* progId,
                                             const char* versionIndependentProgId, const char* description,
                                             const char* threadingModel, DWORD flags = kComRegisterNothing,
                                             HRESULT (*updateRegistry)(BOOL) = nullptr)
    {
        return {&clsid, progId, versionIndependentProgId, description, threadingModel, flags,
                &ClassFactoryImpl<T>::Create, updateRegistry};
    }

    // A class of the library's type library that has no class object and no registration.
    static constexpr ComClassEntry Internal() { return {}; }
};

class ComModule {
public:
    // lockCount is the module's own count (pass platform::com::ModuleLockCount() from the
    // library; COM_DEFINE_MODULE does).
    ComModule(std::span<const ComClassEntry> objectMap, const GUID& libid, std::atomic<LONG>& lockCount);
    ComModule(const ComModule&) = delete;
    ComModule& operator=(const ComModule&) = delete;

    // DllGetClassObject: CLASS_E_CLASSNOTAVAILABLE for a CLSID not in the map.
    HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) const;
    // DllCanUnloadNow: S_OK when nothing holds the module, else S_FALSE.
    HRESULT CanUnloadNow() const;
    LONG GetLockCount() const;

    // Writes (or removes) the registration of every entry. A failure to write gives
    // SELFREG_E_CLASS; unregistering removes only the keys that name this module's classes.
    HRESULT RegisterServer() const;
    HRESULT UnregisterServer() const;
    HRESULT RegisterClass(const ComClassEntry& entry) const;
    HRESULT UnregisterClass(const ComClassEntry& entry) const;

    // The file of the library that holds this module object.
    std::string ModulePath() const;
    const GUID& Libid() const { return m_libid; }
    std::span<const ComClassEntry> ObjectMap() const { return m_objectMap; }

private:
    std::span<const ComClassEntry> m_objectMap;
    GUID m_libid;
    std::atomic<LONG>& m_lockCount;
};

#define COM_DEFINE_MODULE(name, objectMap, libid) \
    ComModule name((objectMap), (libid), ::platform::com::ModuleLockCount())

// The four exports of an in-process server, forwarding to the module object.
#define COM_MODULE_EXPORTS(module)                                                                 \
    extern "C" [[gnu::visibility("default")]] HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, \
                                                                        void** ppv)                \
    {                                                                                              \
        return (module).GetClassObject(rclsid, riid, ppv);                                         \
    }                                                                                              \
    extern "C" [[gnu::visibility("default")]] HRESULT DllCanUnloadNow()                            \
    {                                                                                              \
        return (module).CanUnloadNow();                                                            \
    }                                                                                              \
    extern "C" [[gnu::visibility("default")]] HRESULT DllRegisterServer()                          \
    {                                                                                              \
        return (module).RegisterServer();                                                          \
    }                                                                                              \
    extern "C" [[gnu::visibility("default")]] HRESULT DllUnregisterServer()                        \
    {                                                                                              \
        return (module).UnregisterServer();                                                        \
    }

// Signatures of the exports, for those who look them up.
using PFN_DllGetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
using PFN_DllCanUnloadNow = HRESULT (*)();
using PFN_DllRegisterServer = HRESULT (*)();
using PFN_DllUnregisterServer = HRESULT (*)();
