#include "TestAccount.h"
#include "TestPlain.h"
#include "com/ClassFactoryImpl.h"
#include "com/ComModule.h"
#include "com/ComPtr.h"
#include "com/ConnectionPoints.h"
#include "com/GuidString.h"
#include "registry/Registry.h"
#include "TempRoot.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace {

constexpr IID kOtherIid = MakeGuid("0D8C9B61-3C4E-4B7E-8E0F-1A2B3C4D5E61");
constexpr IID kAliasIid = MakeGuid("0D8C9B61-3C4E-4B7E-8E0F-1A2B3C4D5E62");

// Answers one extra IID with its IPlain interface, and can refuse to be constructed.
class CAliased : public ComObject<CAliased, IPlain> {
public:
    explicit CAliased(bool failConstruct = false) : m_fail(failConstruct) {}
    HRESULT FinalConstruct() { return m_fail ? E_ACCESSDENIED : S_OK; }
    HRESULT QueryExtraInterface(REFIID riid, void** ppv)
    {
        if (!IsEqualIID(riid, kAliasIid))
            return E_NOINTERFACE;
        *ppv = static_cast<IPlain*>(this);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(LONG a, LONG b, LONG* sum) override
    {
        *sum = a + b;
        return S_OK;
    }

private:
    bool m_fail;
};

TEST(ComObject, QueryInterfaceKeepsIdentityAndCounts)
{
    const LONG locksBefore = platform::com::ModuleLockCount();
    CTestAccount* account = nullptr;
    ASSERT_EQ(CTestAccount::CreateObject(&account), S_OK);
    EXPECT_EQ(account->RefCount(), 1u);
    EXPECT_EQ(platform::com::ModuleLockCount(), locksBefore + 1);

    ComPtr<IUnknown> unk1, unk2;
    ASSERT_EQ(account->QueryInterface(IID_IUnknown, unk1.put_void()), S_OK);
    ComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(account->QueryInterface(IID_OF(IConnectionPointContainer), cpc.put_void()), S_OK);
    ASSERT_EQ(cpc->QueryInterface(IID_IUnknown, unk2.put_void()), S_OK);
    EXPECT_EQ(unk1.get(), unk2.get()); // one identity from every interface

    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(account->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
    EXPECT_EQ(static_cast<void*>(dispatch.get()), static_cast<void*>(static_cast<IAccount*>(account)));
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(account->QueryInterface(IID_OF(ISupportErrorInfo), support.put_void()), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_OF(IAccount)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(account->QueryInterface(kOtherIid, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(account->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    EXPECT_EQ(account->RefCount(), 6u);
    unk1 = nullptr;
    unk2 = nullptr;
    cpc = nullptr;
    dispatch = nullptr;
    support = nullptr;
    EXPECT_EQ(account->Release(), 0u);
    EXPECT_EQ(platform::com::ModuleLockCount(), locksBefore);
}

TEST(ComObject, ExtraInterfacesAndFailedConstruction)
{
    const LONG locksBefore = platform::com::ModuleLockCount();
    ComPtr<IPlain> plain;
    ASSERT_EQ(CAliased::CreateObject(kAliasIid, plain.put_void()), S_OK);
    LONG sum = 0;
    plain->Add(1, 2, &sum);
    EXPECT_EQ(sum, 3);
    plain = nullptr;

    CAliased* failing = nullptr;
    EXPECT_EQ(CAliased::CreateObject(&failing, true), E_ACCESSDENIED);
    EXPECT_EQ(failing, nullptr);
    // Asking a new object for an interface it lacks destroys it again.
    void* p = nullptr;
    EXPECT_EQ(CAliased::CreateObject(kOtherIid, &p), E_NOINTERFACE);
    EXPECT_EQ(platform::com::ModuleLockCount(), locksBefore);
}

TEST(ClassFactory, CreatesRefusesAggregationAndLocks)
{
    const LONG locksBefore = platform::com::ModuleLockCount();
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(ClassFactoryImpl<CTestPlain>::Create(IID_IClassFactory, factory.put_void()), S_OK);
    ComPtr<IPlain> plain;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_OF(IPlain), plain.put_void()), S_OK);
    ComPtr<IUnknown> outer;
    plain.As(outer);
    void* aggregated = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(aggregated, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &aggregated), E_NOINTERFACE);

    plain = nullptr;
    outer = nullptr;
    factory->LockServer(TRUE);
    factory = nullptr;
    EXPECT_EQ(platform::com::ModuleLockCount(), locksBefore + 1);
    platform::com::ModuleUnlock(); // what LockServer(FALSE) does
    EXPECT_EQ(platform::com::ModuleLockCount(), locksBefore);
}

const ComClassEntry kMap[] = {
    ComClassEntry::Creatable<CTestPlain>(CLSID_TestPlain, "T.Plain.1", "T.Plain", "Plain Class", "Both"),
    ComClassEntry::Internal(),
};

TEST(ComModule, ClassObjectsAndUnloadAnswer)
{
    COM_DEFINE_MODULE(module, kMap, LIBID_TestServer);
    ASSERT_EQ(module.CanUnloadNow(), platform::com::ModuleLockCount() == 0 ? S_OK : S_FALSE);
    const LONG before = module.GetLockCount();
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(module.GetClassObject(CLSID_TestPlain, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    ComPtr<IPlain> plain;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_OF(IPlain), plain.put_void()), S_OK);
    factory = nullptr;
    EXPECT_EQ(module.GetLockCount(), before + 1);
    plain = nullptr;
    EXPECT_EQ(module.GetLockCount(), before);
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(module.GetClassObject(CLSID_TestAccount, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    // The entry without a CLSID never matches, not even CLSID_NULL.
    EXPECT_EQ(module.GetClassObject(CLSID_NULL, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
}

// Hands out and drops a reference of its own while it goes.
class CSelfReferencing : public ComObject<CSelfReferencing, IPlain> {
public:
    explicit CSelfReferencing(int* finalReleases) : m_finalReleases(finalReleases) {}
    void FinalRelease()
    {
        ++*m_finalReleases;
        ComPtr<IPlain> self(this); // AddRef and Release during destruction
    }
    HRESULT STDMETHODCALLTYPE Add(LONG, LONG, LONG*) override { return E_NOTIMPL; }

private:
    int* m_finalReleases;
};

TEST(ComObject, FinalReleaseMayUseItsOwnReferences)
{
    int finalReleases = 0;
    CSelfReferencing* object = nullptr;
    ASSERT_EQ(CSelfReferencing::CreateObject(&object, &finalReleases), S_OK);
    const LONG locks = platform::com::ModuleLockCount();
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(finalReleases, 1);
    EXPECT_EQ(platform::com::ModuleLockCount(), locks - 1);
}

} // namespace

TEST(ComModule, TypeLibraryKeyAndCanonicalServerPath)
{
    TempRoot root;
    COM_DEFINE_MODULE(module, kMap, LIBID_TestServer);
    const std::string typeLib = "TypeLib\\" + platform::GuidToString(LIBID_TestServer) + "\\1.0";
    ASSERT_EQ(module.RegisterServer(), S_OK);
    ASSERT_EQ(module.UpdateTypeLibRegistry(TRUE, "TestLib"), S_OK);
    HKEY key = nullptr;
    char text[1024] = {};
    DWORD size = sizeof text;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, typeLib.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_STREQ(text, "TestLib");
    EXPECT_EQ(module.UpdateTypeLibRegistry(FALSE, "TestLib"), S_OK);
    EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, typeLib.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(module.UpdateTypeLibRegistry(FALSE, "TestLib"), S_OK); // gone already

    // The server key names the module by its canonical path.
    const std::string server = "CLSID\\" + platform::GuidToString(CLSID_TestPlain) + "\\InprocServer32";
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, server.c_str(), REG_SZ, "./relative", 10), ERROR_SUCCESS);
    EXPECT_EQ(module.WriteCanonicalServerPath(), S_OK);
    size = sizeof text;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, server.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(std::string(text), std::filesystem::canonical(module.ModulePath()).string());
    EXPECT_EQ(module.UnregisterServer(), S_OK);
    // Without the class's key there is nothing to name.
    EXPECT_EQ(module.WriteCanonicalServerPath(), SELFREG_E_CLASS);
}
