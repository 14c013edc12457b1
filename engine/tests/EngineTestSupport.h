// Shared set-up of the engine tests: a fresh platform root with the engine library registered
// by the register-server tool, message stores in MAPI profiles, and short ways to reach the
// engine's objects through COM.
#pragma once

#include "ChildProcess.h"
#include "TempRoot.h"
#include "TembrixLib.h"
#include "base/PlatformRoot.h"
#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "com/ComRuntime.h"
#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <vector>

namespace enginetest {

inline int RunTool(const std::string& program, const std::vector<std::string>& args)
{
    ChildProcess child(program, args);
    while (!child.readLine().empty()) {
    }
    return child.wait();
}

inline int Regsvr(bool unregister = false)
{
    std::vector<std::string> args;
    if (unregister)
        args.push_back("/u");
    args.push_back("/s");
    args.push_back(TEMBRIX_LIBRARY);
    return RunTool(REGSVR_PROGRAM, args);
}

// The library's own DllCanUnloadNow (the library stays loaded while the runtime holds it).
inline HRESULT LibraryCanUnloadNow()
{
    void* handle = dlopen(TEMBRIX_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return S_OK; // not loaded at all
    auto fn = reinterpret_cast<HRESULT (*)()>(dlsym(handle, "DllCanUnloadNow"));
    const HRESULT hr = fn ? fn() : E_FAIL;
    dlclose(handle);
    return hr;
}

inline std::string Text(BSTR b)
{
    return b ? platform::Utf16ToUtf8(std::u16string_view(b, SysStringLen(b))) : std::string();
}

// One string value of a registry key ("" when missing).
inline std::string RegText(HKEY root, const std::string& key, const char* name)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return "";
    char buffer[2048] = "";
    DWORD cb = sizeof(buffer);
    DWORD type = 0;
    LONG rc = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &cb);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS ? std::string(buffer) : "";
}

inline bool KeyExists(HKEY root, const std::string& key)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

// A fresh root with the library registered and COM and MAPI initialised on this thread.
class RegisteredEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Regsvr(), 0);
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
        ASSERT_EQ(MAPIAdminProfiles(0, admin.put()), S_OK);
    }
    void TearDown() override
    {
        admin.Release();
        MAPIUninitialize();
        CoUninitialize();
        EXPECT_EQ(LibraryCanUnloadNow(), S_OK) << "objects of the engine are still alive";
    }

    std::filesystem::path NewStore(const std::string& file, mapi::StoreKind kind, const std::u16string& name)
    {
        const auto path = platform::StoresDirectory() / file;
        EXPECT_EQ(mapi::CreateStoreFile(path, kind, name), S_OK);
        return path;
    }
    void NewProfile(const std::string& name, const std::vector<std::filesystem::path>& stores)
    {
        ASSERT_EQ(admin->CreateProfile(const_cast<char*>(name.c_str()), nullptr, 0, 0), S_OK);
        for (const auto& store : stores)
            ASSERT_EQ(mapi::ProfileRegistry::AddStore(name, store), S_OK);
    }

    ComPtr<ISyncEngine> CreateEngine()
    {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(u"Tembrix.SyncEngine", &clsid), S_OK);
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.put_void()), S_OK);
        ComPtr<ISyncEngine> engine;
        if (unknown) {
            EXPECT_EQ(OleRun(unknown.get()), S_OK);
            EXPECT_EQ(unknown.As(engine), S_OK);
            EXPECT_EQ(engine->Init(), S_OK);
        }
        return engine;
    }

    TempRoot root;
    ComPtr<IProfAdmin> admin;
};

// The n-th store (1-based) of a list whose StoreName is `name`, or null.
inline ComPtr<IStore> StoreNamed(IStores* stores, const std::string& name)
{
    LONG count = 0;
    stores->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IStore> store;
        if (FAILED(stores->get_Items(i, store.put())))
            continue;
        ComBstr text;
        store->get_StoreName(text.put());
        if (text.Utf8() == name)
            return store;
    }
    return {};
}

// The folder named `name` in a folder list, or null.
inline ComPtr<IFolder> FolderNamed(IFolders* folders, const std::string& name)
{
    LONG count = 0;
    folders->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IFolder> folder;
        if (FAILED(folders->get_Items(i, folder.put())))
            continue;
        ComBstr text;
        folder->get_Name(text.put());
        if (text.Utf8() == name)
            return folder;
    }
    return {};
}

inline std::vector<std::string> FolderNames(IFolders* folders)
{
    std::vector<std::string> names;
    LONG count = 0;
    folders->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IFolder> folder;
        if (FAILED(folders->get_Items(i, folder.put())))
            continue;
        ComBstr text;
        folder->get_Name(text.put());
        names.push_back(text.Utf8());
    }
    return names;
}

} // namespace enginetest
