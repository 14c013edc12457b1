// ComClassEntry: one class of a library's object map: its CLSID, ProgIDs, description and
// threading model for the registration, and how its class object is made.
#pragma once

#include "com/ClassFactoryImpl.h"

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
