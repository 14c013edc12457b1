// Creation through the registry in this process: the test server is registered by the
// register-server tool (a child process sharing the test's platform root) and then created
// by ProgID and CLSID, used, released and unloaded.
#include "RunChild.h"
#include "TempRoot.h"
#include "TestInterfaces.h"
#include "com/ComBstr.h"
#include "com/ClassFactory.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/ComRuntime.h"
#include "com/ConnectionPoints.h"
#include "com/GuidString.h"
#include "com/RunnableObject.h"
#include "com/TaskMem.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

namespace {

std::optional<std::string> ReadClassesValue(const std::string& key, const char* name = "")
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return std::nullopt;
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    return std::string(buffer);
}

bool ClassesKeyExists(const std::string& key)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

DWORD ClassesSubkeyCount()
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "", 0, KEY_READ, &h) != ERROR_SUCCESS)
        return 0;
    DWORD count = 0;
    RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(h);
    return count;
}

std::string RealPath(const char* path)
{
    char resolved[PATH_MAX];
    return realpath(path, resolved) ? resolved : path;
}

// The test server if it is loaded, without loading it.
bool ServerLoaded()
{
    void* handle = dlopen(COM_TEST_SERVER, RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}

LONG ServerLockCount()
{
    void* handle = dlopen(COM_TEST_SERVER, RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return -1;
    auto count = reinterpret_cast<LONG (*)()>(dlsym(handle, "TestServerLockCount"));
    const LONG result = count ? count() : -1;
    dlclose(handle);
    return result;
}

// The loaded test server's own answer to DllCanUnloadNow (E_FAIL when it is not loaded).
HRESULT ServerCanUnloadNow()
{
    void* handle = dlopen(COM_TEST_SERVER, RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return E_FAIL;
    auto canUnload = reinterpret_cast<HRESULT (*)()>(dlsym(handle, "DllCanUnloadNow"));
    const HRESULT result = canUnload ? canUnload() : E_FAIL;
    dlclose(handle);
    return result;
}

void RegisterClassKey(const CLSID& clsid, const std::string& path)
{
    HKEY h = nullptr;
    const std::string key = "CLSID\\" + platform::GuidToString(clsid) + "\\InprocServer32";
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()), static_cast<DWORD>(path.size() + 1));
    RegCloseKey(h);
}

class Server : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ChildResult reg = RunChild({REGSVR_PROGRAM, "/s", COM_TEST_SERVER});
        ASSERT_EQ(reg.exitCode, 0) << reg.err;
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
    }
    void TearDown() override
    {
        CoFreeUnusedLibraries();
        CoUninitialize();
    }

    TempRoot root;
};

TEST_F(Server, RegistrationWritesTheClassKeys)
{
    const std::string account = "CLSID\\" + platform::GuidToString(CLSID_TestAccount);
    EXPECT_EQ(ReadClassesValue(account), "Account Class");
    EXPECT_EQ(ReadClassesValue(account + "\\ProgID"), "TestServer.Account.1");
    EXPECT_EQ(ReadClassesValue(account + "\\VersionIndependentProgID"), "TestServer.Account");
    EXPECT_EQ(ReadClassesValue(account + "\\InprocServer32"), RealPath(COM_TEST_SERVER));
    EXPECT_EQ(ReadClassesValue(account + "\\InprocServer32", "ThreadingModel"), "Both");
    EXPECT_TRUE(ClassesKeyExists(account + "\\Programmable"));
    EXPECT_EQ(ReadClassesValue(account + "\\TypeLib"), platform::GuidToString(LIBID_TestServer));
    EXPECT_EQ(ReadClassesValue("TestServer.Account.1"), "Account Class");
    EXPECT_EQ(ReadClassesValue("TestServer.Account.1\\CLSID"), platform::GuidToString(CLSID_TestAccount));
    EXPECT_EQ(ReadClassesValue("TestServer.Account\\CLSID"), platform::GuidToString(CLSID_TestAccount));
    EXPECT_EQ(ReadClassesValue("TestServer.Account\\CurVer"), "TestServer.Account.1");

    const std::string plain = "CLSID\\" + platform::GuidToString(CLSID_TestPlain);
    EXPECT_EQ(ReadClassesValue(plain + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_FALSE(ClassesKeyExists(plain + "\\Programmable"));
    EXPECT_FALSE(ClassesKeyExists(plain + "\\TypeLib"));
    EXPECT_FALSE(ClassesKeyExists("TestServer.Plain\\CurVer"));
}

TEST_F(Server, UnregistrationRemovesExactlyWhatItWrote)
{
    // A key of someone else's, and a ProgID that meanwhile names another class.
    RegisterClassKey(MakeGuid("00000000-1111-2222-3333-444444444444"), "/elsewhere/lib.so");
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "TestServer.Plain.1\\CLSID", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &h, nullptr),
              ERROR_SUCCESS);
    const std::string other = "{00000000-1111-2222-3333-444444444444}";
    RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()), DWORD(other.size() + 1));
    RegCloseKey(h);

    const ChildResult unreg = RunChild({REGSVR_PROGRAM, "/u", "/s", COM_TEST_SERVER});
    ASSERT_EQ(unreg.exitCode, 0) << unreg.err;
    EXPECT_FALSE(ClassesKeyExists("CLSID\\" + platform::GuidToString(CLSID_TestAccount)));
    EXPECT_FALSE(ClassesKeyExists("CLSID\\" + platform::GuidToString(CLSID_TestPlain)));
    EXPECT_FALSE(ClassesKeyExists("TestServer.Account"));
    EXPECT_FALSE(ClassesKeyExists("TestServer.Account.1"));
    EXPECT_FALSE(ClassesKeyExists("TestServer.Plain"));
    EXPECT_TRUE(ClassesKeyExists("TestServer.Plain.1"));
    EXPECT_TRUE(ClassesKeyExists("CLSID\\" + other));
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "TestServer.Plain.1");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID");
    EXPECT_EQ(ClassesSubkeyCount(), 0u);
}

TEST_F(Server, UnregistrationLeavesNothingBehind)
{
    const ChildResult unreg = RunChild({REGSVR_PROGRAM, "/u", "/s", COM_TEST_SERVER});
    ASSERT_EQ(unreg.exitCode, 0) << unreg.err;
    // CLSID itself is the shared parent; nothing of ours is left below it.
    HKEY h = nullptr;
    DWORD subkeys = 99;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &h) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr);
        RegCloseKey(h);
        EXPECT_EQ(subkeys, 0u);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID");
    }
    EXPECT_EQ(ClassesSubkeyCount(), 0u);
}

TEST_F(Server, ProgIdsAndClsids)
{
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"TestServer.Account", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_TestAccount));
    ASSERT_EQ(CLSIDFromProgID(u"testserver.plain.1", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_TestPlain));
    ASSERT_EQ(CLSIDFromString(u"TestServer.Plain", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_TestPlain));
    EXPECT_EQ(CLSIDFromProgID(u"TestServer.Nothing", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"TestServer.Nothing", &clsid), CO_E_CLASSSTRING);

    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_TestAccount, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), u"TestServer.Account.1");
    CoTaskMemFree(progId);
    EXPECT_EQ(ProgIDFromCLSID(MakeGuid("00000000-1111-2222-3333-444444444444"), &progId), REGDB_E_CLASSNOTREG);

    // CurVer is followed: pointing it at the plain class changes what the name means.
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "TestServer.Account\\CurVer", 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    const char plain[] = "TestServer.Plain.1";
    RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(plain), sizeof plain);
    RegCloseKey(h);
    ASSERT_EQ(CLSIDFromProgID(u"TestServer.Account", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_TestPlain));
}

TEST_F(Server, CreatedUsedReleasedAndUnloaded)
{
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"TestServer.Account", &clsid), S_OK);
    IAccount* account = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_OF(IAccount), reinterpret_cast<void**>(&account)),
              S_OK);
    ASSERT_TRUE(ServerLoaded());
    EXPECT_EQ(ServerLockCount(), 1); // the object; the class factory is gone already
    EXPECT_EQ(platform::com::LoadedServerCount(), 1u);
    ASSERT_EQ(OleRun(account), S_OK);

    EXPECT_EQ(account->AddRef(), 2u);
    ComBstr owner(u"Ada");
    account->put_Owner(owner);
    LONG balance = 0;
    ASSERT_EQ(account->Deposit(12, &balance), S_OK);
    EXPECT_EQ(balance, 12);
    EXPECT_EQ(account->Release(), 1u);

    // Another by CLSID, of the plain class, while the first still lives.
    ComPtr<IPlain> plain;
    ASSERT_EQ(CoCreateInstance(CLSID_TestPlain, nullptr, CLSCTX_INPROC_SERVER, IID_OF(IPlain), plain.put_void()), S_OK);
    LONG sum = 0;
    plain->Add(40, 2, &sum);
    EXPECT_EQ(sum, 42);
    EXPECT_EQ(ServerLockCount(), 2);
    EXPECT_EQ(platform::com::LoadedServerCount(), 1u); // one library, loaded once

    // In use: not unloaded.
    EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerLoaded());
    plain = nullptr;
    EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
    EXPECT_EQ(account->Release(), 0u);
    EXPECT_EQ(ServerLockCount(), 0);
    EXPECT_EQ(ServerCanUnloadNow(), S_OK);
    CoFreeUnusedLibraries();
    EXPECT_FALSE(ServerLoaded());
    EXPECT_EQ(platform::com::LoadedServerCount(), 0u);

    // And loaded again on demand.
    ASSERT_EQ(CoCreateInstance(CLSID_TestPlain, nullptr, CLSCTX_ALL, IID_OF(IPlain), plain.put_void()), S_OK);
    EXPECT_TRUE(ServerLoaded());
}

TEST_F(Server, ClassObjectLocksTheLibrary)
{
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_TestPlain, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void()),
              S_OK);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerLoaded());
    factory->LockServer(TRUE);
    factory = nullptr;
    CoFreeUnusedLibraries();
    EXPECT_TRUE(ServerLoaded());
    ASSERT_EQ(CoGetClassObject(CLSID_TestPlain, CLSCTX_ALL, nullptr, IID_IClassFactory, factory.put_void()), S_OK);
    factory->LockServer(FALSE);
    factory = nullptr;
    CoFreeUnusedLibraries();
    EXPECT_FALSE(ServerLoaded());
}

// Receives the account's events.
class CBalanceSink : public ComObject<CBalanceSink, IDispatch> {
public:
    HRESULT QueryExtraInterface(REFIID riid, void** ppv)
    {
        if (!IsEqualIID(riid, DIID_IAccountEvents))
            return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        if (id == DISPID_BalanceChanged && params->cArgs == 1 && params->rgvarg[0].vt == VT_I4)
            balances.push_back(params->rgvarg[0].lVal);
        return S_OK;
    }
    std::vector<LONG> balances;
};

TEST_F(Server, EventsCrossTheLibraryBoundary)
{
    ComPtr<IAccount> account;
    ASSERT_EQ(CoCreateInstance(CLSID_TestAccount, nullptr, CLSCTX_ALL, IID_OF(IAccount), account.put_void()), S_OK);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(account.As(container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID_IAccountEvents, point.put()), S_OK);
    CBalanceSink* sink = nullptr;
    ASSERT_EQ(CBalanceSink::CreateObject(&sink), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink->GetUnknown(), &cookie), S_OK);
    LONG balance = 0;
    account->Deposit(3, &balance);
    account->Deposit(4, &balance);
    ASSERT_EQ(point->Unadvise(cookie), S_OK);
    account->Deposit(5, &balance);
    EXPECT_EQ(sink->balances, (std::vector<LONG>{3, 7}));
    EXPECT_EQ(sink->Release(), 0u);
    point = nullptr;
    container = nullptr;
    account = nullptr;
    EXPECT_EQ(ServerLockCount(), 0);
}

TEST_F(Server, CreationFailures)
{
    void* p = reinterpret_cast<void*>(1);
    const CLSID unknown = MakeGuid("00000000-1111-2222-3333-444444444444");
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, &p), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(p, nullptr);
    // Only in-process servers exist.
    EXPECT_EQ(CoCreateInstance(CLSID_TestPlain, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &p), REGDB_E_CLASSNOTREG);

    const CLSID missing = MakeGuid("00000000-1111-2222-3333-000000000001");
    RegisterClassKey(missing, (root.path() / "gone.so").string());
    EXPECT_EQ(CoCreateInstance(missing, nullptr, CLSCTX_ALL, IID_IUnknown, &p), CO_E_DLLNOTFOUND);

    const CLSID noExport = MakeGuid("00000000-1111-2222-3333-000000000002");
    RegisterClassKey(noExport, COM_TEST_NOEXPORT);
    EXPECT_EQ(CoCreateInstance(noExport, nullptr, CLSCTX_ALL, IID_IUnknown, &p), CO_E_ERRORINDLL);

    const CLSID notLibrary = MakeGuid("00000000-1111-2222-3333-000000000003");
    const auto text = root.path() / "readme.so";
    std::ofstream(text) << "not a library\n";
    RegisterClassKey(notLibrary, text.string());
    EXPECT_EQ(CoCreateInstance(notLibrary, nullptr, CLSCTX_ALL, IID_IUnknown, &p), CO_E_ERRORINDLL);

    // Registered to the server library, which does not make this class.
    const CLSID foreign = MakeGuid("00000000-1111-2222-3333-000000000004");
    RegisterClassKey(foreign, COM_TEST_SERVER);
    EXPECT_EQ(CoCreateInstance(foreign, nullptr, CLSCTX_ALL, IID_IUnknown, &p), CLASS_E_CLASSNOTAVAILABLE);
    // The class exists, the interface does not.
    EXPECT_EQ(CoCreateInstance(CLSID_TestPlain, nullptr, CLSCTX_ALL, IID_IDispatch, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
}

TEST_F(Server, ThreadsMustInitialise)
{
    HRESULT uninitialised = S_OK;
    HRESULT initialised = E_FAIL;
    HRESULT again = E_FAIL;
    HRESULT changed = E_FAIL;
    std::thread([&] {
        void* p = nullptr;
        uninitialised = CoCreateInstance(CLSID_TestPlain, nullptr, CLSCTX_ALL, IID_IUnknown, &p);
        if (CoInitializeEx(nullptr, COINIT_MULTITHREADED) == S_OK) {
            again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            changed = CoInitialize(nullptr);
            ComPtr<IPlain> plain;
            initialised = CoCreateInstance(CLSID_TestPlain, nullptr, CLSCTX_ALL, IID_OF(IPlain), plain.put_void());
            CoUninitialize();
            CoUninitialize();
        }
        uninitialised = uninitialised == CO_E_NOTINITIALIZED
                            ? CoCreateInstance(CLSID_TestPlain, nullptr, CLSCTX_ALL, IID_IUnknown, &p)
                            : S_OK;
    }).join();
    EXPECT_EQ(uninitialised, CO_E_NOTINITIALIZED); // before, and again after the balanced uninitialise
    EXPECT_EQ(initialised, S_OK);
    EXPECT_EQ(again, S_FALSE);
    EXPECT_EQ(changed, RPC_E_CHANGED_MODE);
}

TEST_F(Server, ManyThreadsCreateAndReleaseConcurrently)
{
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    ComPtr<IAccount> shared;
    ASSERT_EQ(CoCreateInstance(CLSID_TestAccount, nullptr, CLSCTX_ALL, IID_OF(IAccount), shared.put_void()), S_OK);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            for (int i = 0; i < 200; ++i) {
                ComPtr<IAccount> account;
                LONG balance = 0;
                if (FAILED(CoCreateInstance(CLSID_TestAccount, nullptr, CLSCTX_ALL, IID_OF(IAccount),
                                            account.put_void())) ||
                    FAILED(account->Deposit(1, &balance)) || balance != 1)
                    ++failures;
                ComPtr<IAccount> extra = shared; // references on one object from every thread
            }
            CoUninitialize();
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(shared->AddRef(), 2u);
    EXPECT_EQ(shared->Release(), 1u);
    shared = nullptr;
    EXPECT_EQ(ServerLockCount(), 0);
    CoFreeUnusedLibraries();
    EXPECT_FALSE(ServerLoaded());
}

class CRunnable : public ComObject<CRunnable, IRunnableObject> {
public:
    HRESULT STDMETHODCALLTYPE GetRunningClass(LPCLSID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Run(LPBINDCTX) override
    {
        ++runs;
        return result;
    }
    BOOL STDMETHODCALLTYPE IsRunning() override { return runs > 0; }
    HRESULT STDMETHODCALLTYPE LockRunning(BOOL, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL) override { return S_OK; }
    int runs = 0;
    HRESULT result = S_OK;
};

TEST(OleRun, RunsRunnableObjectsOnly)
{
    CRunnable* runnable = nullptr;
    ASSERT_EQ(CRunnable::CreateObject(&runnable), S_OK);
    EXPECT_EQ(OleRun(runnable), S_OK);
    EXPECT_EQ(runnable->runs, 1);
    runnable->result = E_UNEXPECTED;
    EXPECT_EQ(OleRun(runnable), E_UNEXPECTED);
    EXPECT_EQ(runnable->Release(), 0u);
    EXPECT_EQ(OleRun(nullptr), E_INVALIDARG);
}

} // namespace
