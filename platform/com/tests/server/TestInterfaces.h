// The interfaces and classes of the test server library, shared by the library, the test
// driver program and the tests.
#pragma once

#include "com/Dispatch.h"

// {6B1D3A52-0C7E-4E15-9D3B-5A0F2C8E7B11}
struct IAccount : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Owner(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Owner(BSTR newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Balance(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Deposit(LONG amount, LONG* newBalance) = 0;
    virtual HRESULT STDMETHODCALLTYPE Withdraw(LONG amount) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Frozen(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Frozen(VARIANT_BOOL newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Describe(BSTR prefix, VARIANT suffix, BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE Transfer(IAccount* target, LONG amount) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Item(LONG index, BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Item(LONG index, BSTR newVal) = 0;
};
PLATFORM_DECLARE_IID(IAccount, "6B1D3A52-0C7E-4E15-9D3B-5A0F2C8E7B11");

// Outgoing dispinterface of Account: 1 BalanceChanged(LONG newBalance), 2 FrozenChanged(VARIANT_BOOL).
inline constexpr IID DIID_IAccountEvents = MakeGuid("6B1D3A52-0C7E-4E15-9D3B-5A0F2C8E7B12");
inline constexpr DISPID DISPID_BalanceChanged = 1;
inline constexpr DISPID DISPID_FrozenChanged = 2;

struct IPlain : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Add(LONG a, LONG b, LONG* sum) = 0;
};
PLATFORM_DECLARE_IID(IPlain, "6B1D3A52-0C7E-4E15-9D3B-5A0F2C8E7B13");

inline constexpr CLSID CLSID_TestAccount = MakeGuid("6B1D3A52-0C7E-4E15-9D3B-5A0F2C8E7B21");
inline constexpr CLSID CLSID_TestPlain = MakeGuid("6B1D3A52-0C7E-4E15-9D3B-5A0F2C8E7B22");
inline constexpr GUID LIBID_TestServer = MakeGuid("6B1D3A52-0C7E-4E15-9D3B-5A0F2C8E7B30");

// Error of Withdraw when the balance is too small.
#define ACCOUNT_E_INSUFFICIENT MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x0201)
