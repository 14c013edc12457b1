// ComModule: the in-process server part of a shared library. It holds the object map (the
// classes the library makes and registers), hands out class objects, answers
// DllCanUnloadNow from the module's lock count, and writes and removes the classes'
// registration under HKEY_CLASSES_ROOT.
//
// A library defines its map and module once and exports the four entry points:
//
//   static const ComClassEntry kObjectMap[] = {
//       ComClassEntry::Creatable<CAccount>(CLSID_Account, "Bank.Account.1", "Bank.Account",
//                                          "Account Class", "Both"),
//   };
//   COM_DEFINE_MODULE(g_module, kObjectMap, LIBID_BankLib);
//   COM_MODULE_EXPORTS(g_module)
#pragma once

#include "com/ComClassEntry.h"
#include "com/ModuleLock.h"

#include <atomic>
#include <span>
#include <string>

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

    // The type library's registration (TypeLib\{LIBID}\1.0 with `name` as its default value), or
    // its removal; for an object map's entry of its own. SELFREG_E_CLASS when it cannot be written.
    HRESULT UpdateTypeLibRegistry(BOOL bRegister, const char* name) const;
    // Names the library in every class's InprocServer32 by its canonical path, whatever name (a
    // relative one, a link) it was loaded by.
    HRESULT WriteCanonicalServerPath() const;

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
