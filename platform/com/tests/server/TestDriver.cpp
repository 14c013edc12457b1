// A client program for the test server: creates a class by ProgID or CLSID through the
// runtime, uses it early- and late-bound, releases it and unloads the library.
// Usage: com_test_driver account|plain PROGID-OR-{CLSID}
// Prints "key=value" lines; exit status 0 when every step succeeded.
#include "TestInterfaces.h"
#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "com/ComRuntime.h"
#include "com/GuidString.h"

#include <cstdio>
#include <string>

namespace {

int Fail(const char* step, HRESULT hr)
{
    std::printf("failed=%s hr=0x%08X\n", step, static_cast<unsigned>(hr));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: com_test_driver account|plain PROGID-OR-{CLSID}\n");
        return 2;
    }
    const std::string kind = argv[1];
    const std::u16string name = platform::Utf8ToUtf16(argv[2]);
    HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr))
        return Fail("CoInitialize", hr);

    CLSID clsid{};
    hr = CLSIDFromString(name.c_str(), &clsid);
    if (FAILED(hr))
        return Fail("CLSIDFromString", hr);
    std::printf("clsid=%s\n", platform::GuidToString(clsid).c_str());
    {
        ComPtr<IUnknown> unknown;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.put_void());
        if (FAILED(hr))
            return Fail("CoCreateInstance", hr);
        hr = OleRun(unknown.get());
        if (FAILED(hr))
            return Fail("OleRun", hr);
        if (kind == "account") {
            ComPtr<IAccount> account;
            hr = unknown.As(account);
            if (FAILED(hr))
                return Fail("QueryInterface", hr);
            ComBstr owner(u"Driver");
            account->put_Owner(owner);
            LONG balance = 0;
            hr = account->Deposit(5, &balance);
            if (FAILED(hr))
                return Fail("Deposit", hr);
            // Late-bound read of the same property.
            LPOLESTR names[] = {const_cast<LPOLESTR>(u"BALANCE")};
            DISPID dispid = 0;
            hr = account->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
            if (FAILED(hr))
                return Fail("GetIDsOfNames", hr);
            DISPPARAMS none{nullptr, nullptr, 0, 0};
            VARIANT result;
            VariantInit(&result);
            hr = account->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                 nullptr);
            if (FAILED(hr))
                return Fail("Invoke", hr);
            ComBstr ownerBack;
            account->get_Owner(ownerBack.put());
            std::printf("balance=%d latebound=%d owner=%s\n", balance, result.lVal, ownerBack.Utf8().c_str());
            VariantClear(&result);
        } else {
            ComPtr<IPlain> plain;
            hr = unknown.As(plain);
            if (FAILED(hr))
                return Fail("QueryInterface", hr);
            LONG sum = 0;
            plain->Add(2, 3, &sum);
            std::printf("sum=%d\n", sum);
        }
    }
    std::printf("loaded=%zu\n", platform::com::LoadedServerCount());
    CoFreeUnusedLibraries();
    std::printf("after_free=%zu\n", platform::com::LoadedServerCount());
    CoUninitialize();
    return 0;
}
