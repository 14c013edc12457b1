#include "TestAccount.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "com/ErrorInfo.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

VARIANT I4(LONG v)
{
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}

VARIANT Text(std::u16string_view s)
{
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BSTR;
    x.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return x;
}

VARIANT Missing()
{
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_ERROR;
    x.scode = DISP_E_PARAMNOTFOUND;
    return x;
}

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CTestAccount::CreateObject(IID_IDispatch, account.put_void()), S_OK); }
    void TearDown() override
    {
        for (VARIANT& v : args)
            VariantClear(&v);
    }

    DISPID Id(const char16_t* name)
    {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 12345;
        EXPECT_EQ(account->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        return id;
    }

    // Calls with the arguments in declaration order (reversed here, as COM passes them).
    HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> declared, VARIANT* result = nullptr, bool namedPut = false)
    {
        for (VARIANT& v : args)
            VariantClear(&v);
        args.assign(declared.rbegin(), declared.rend());
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{args.empty() ? nullptr : args.data(), namedPut ? &named : nullptr,
                          static_cast<UINT>(args.size()), namedPut ? 1u : 0u};
        argErr = 999;
        excep = EXCEPINFO{};
        return account->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, &argErr);
    }

    ComPtr<IDispatch> account;
    std::vector<VARIANT> args;
    UINT argErr = 0;
    EXCEPINFO excep{};
};

TEST_F(Dispatch, NamesAreFoundInAnyCase)
{
    EXPECT_EQ(Id(u"Owner"), 1);
    EXPECT_EQ(Id(u"oWnEr"), 1);
    EXPECT_EQ(Id(u"DEPOSIT"), 3);
    EXPECT_EQ(Id(u"item"), DISPID_VALUE);
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"Overdraft")};
    DISPID id = 0;
    EXPECT_EQ(account->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    // Parameter names are not known.
    LPOLESTR withParam[] = {const_cast<LPOLESTR>(u"Deposit"), const_cast<LPOLESTR>(u"amount")};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(account->GetIDsOfNames(IID_NULL, withParam, 2, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 3);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    UINT count = 9;
    EXPECT_EQ(account->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(account->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), DISP_E_BADINDEX);
    EXPECT_EQ(info, nullptr);
}

TEST_F(Dispatch, PropertyPutAndGet)
{
    ASSERT_EQ(Call(1, DISPATCH_PROPERTYPUT, {Text(u"Ada")}, nullptr, true), S_OK);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Call(1, DISPATCH_PROPERTYGET, {}, &result), S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(result.bstrVal), u"Ada");
    VariantClear(&result);
    // A number is converted to the text the property takes.
    ASSERT_EQ(Call(1, DISPATCH_PROPERTYPUT, {I4(17)}, nullptr, true), S_OK);
    ASSERT_EQ(Call(1, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &result), S_OK);
    EXPECT_EQ(std::u16string(result.bstrVal), u"17");
    VariantClear(&result);

    // A boolean property answers VT_BOOL; "True" as text is accepted.
    ASSERT_EQ(Call(5, DISPATCH_PROPERTYPUT, {Text(u"True")}, nullptr, true), S_OK);
    ASSERT_EQ(Call(5, DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);

    // A read-only property has no put.
    EXPECT_EQ(Call(2, DISPATCH_PROPERTYPUT, {I4(5)}, nullptr, true), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(99, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
}

TEST_F(Dispatch, IndexedPropertyWithNamedValue)
{
    ASSERT_EQ(Call(DISPID_VALUE, DISPATCH_PROPERTYPUT, {I4(3), Text(u"three")}, nullptr, true), S_OK);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Call(DISPID_VALUE, DISPATCH_PROPERTYGET, {Text(u"3")}, &result), S_OK);
    EXPECT_EQ(std::u16string(result.bstrVal), u"three");
    VariantClear(&result);
    // The index is required; the value alone is not enough, and a put needs its value.
    EXPECT_EQ(Call(DISPID_VALUE, DISPATCH_PROPERTYPUT, {Text(u"four")}, nullptr, true), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(DISPID_VALUE, DISPATCH_PROPERTYPUT, {}), DISP_E_PARAMNOTFOUND);
    // Without the named value the last argument is the value.
    ASSERT_EQ(Call(DISPID_VALUE, DISPATCH_PROPERTYPUT, {I4(4), Text(u"four")}), S_OK);
    ASSERT_EQ(Call(DISPID_VALUE, DISPATCH_PROPERTYGET, {I4(4)}, &result), S_OK);
    EXPECT_EQ(std::u16string(result.bstrVal), u"four");
    VariantClear(&result);
}

TEST_F(Dispatch, MethodsConvertArgumentsAndReturnResults)
{
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Call(3, DISPATCH_METHOD, {Text(u"25")}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 25);
    // Without a result variant the result is simply dropped.
    ASSERT_EQ(Call(3, DISPATCH_METHOD, {I4(5)}), S_OK);
    ASSERT_EQ(Call(2, DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.lVal, 30);

    // The result given back through a by-reference last argument.
    LONG byref = 0;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &byref;
    ASSERT_EQ(Call(3, DISPATCH_METHOD, {I4(10), ref}), S_OK);
    EXPECT_EQ(byref, 40);
}

TEST_F(Dispatch, OptionalArgumentsAndCounts)
{
    Call(1, DISPATCH_PROPERTYPUT, {Text(u"Ada")}, nullptr, true);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Call(6, DISPATCH_METHOD, {Text(u"Dear")}, &result), S_OK);
    EXPECT_EQ(std::u16string(result.bstrVal), u"Dear Ada");
    VariantClear(&result);
    ASSERT_EQ(Call(6, DISPATCH_METHOD, {Text(u"Dear"), Missing()}, &result), S_OK);
    EXPECT_EQ(std::u16string(result.bstrVal), u"Dear Ada");
    VariantClear(&result);
    VARIANT yes;
    VariantInit(&yes);
    yes.vt = VT_BOOL;
    yes.boolVal = VARIANT_TRUE;
    ASSERT_EQ(Call(6, DISPATCH_METHOD, {Text(u"Dear"), yes}, &result), S_OK);
    EXPECT_EQ(std::u16string(result.bstrVal), u"Dear Ada True");
    VariantClear(&result);

    EXPECT_EQ(Call(6, DISPATCH_METHOD, {}, &result), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(4, DISPATCH_METHOD, {I4(1), I4(2)}), DISP_E_BADPARAMCOUNT);
    // A required argument marked missing.
    EXPECT_EQ(Call(6, DISPATCH_METHOD, {Missing()}, &result), DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(argErr, 0u);
}

TEST_F(Dispatch, TypeMismatchNamesTheArgument)
{
    EXPECT_EQ(Call(3, DISPATCH_METHOD, {Text(u"lots")}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(Call(DISPID_VALUE, DISPATCH_PROPERTYGET, {Text(u"x")}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    // Second of two arguments: index 0 in rgvarg, which holds the last one.
    EXPECT_EQ(Call(7, DISPATCH_METHOD, {VARIANT{}, Text(u"ten")}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(Call(3, DISPATCH_METHOD, {Text(u"99999999999")}), DISP_E_OVERFLOW);
    // Named arguments other than a put's value are not understood.
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(Call(3, DISPATCH_METHOD, {I4(1)}, &result, true), DISP_E_NONAMEDARGS);
}

TEST_F(Dispatch, InterfaceArguments)
{
    ComPtr<IDispatch> target;
    ASSERT_EQ(CTestAccount::CreateObject(IID_IDispatch, target.put_void()), S_OK);
    Call(3, DISPATCH_METHOD, {I4(50)});
    VARIANT to;
    VariantInit(&to);
    to.vt = VT_DISPATCH;
    to.pdispVal = target.get();
    target->AddRef();
    ASSERT_EQ(Call(7, DISPATCH_METHOD, {to, I4(20)}), S_OK);
    ComPtr<IAccount> typed;
    target.As(typed);
    LONG balance = 0;
    typed->get_Balance(&balance);
    EXPECT_EQ(balance, 20);
    // A plain number is no account.
    EXPECT_EQ(Call(7, DISPATCH_METHOD, {I4(1), I4(20)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);
}

TEST_F(Dispatch, FailingMemberFillsExcepInfo)
{
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(Call(4, DISPATCH_METHOD, {I4(100)}), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, ACCOUNT_E_INSUFFICIENT);
    EXPECT_EQ(std::u16string(excep.bstrSource), u"TestServer.Account");
    EXPECT_EQ(std::u16string(excep.bstrDescription), u"Insufficient funds: only 0 left.");
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.put()), S_FALSE); // taken into the EXCEPINFO

    // Without an EXCEPINFO the member's result comes back and the error info stays set.
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    VARIANT amount = I4(100);
    params.rgvarg = &amount;
    params.cArgs = 1;
    EXPECT_EQ(account->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              ACCOUNT_E_INSUFFICIENT);
    EXPECT_EQ(GetErrorInfo(0, left.put()), S_OK);
    // A member that fails without error info: its result as it is.
    EXPECT_EQ(Call(DISPID_VALUE, DISPATCH_PROPERTYGET, {I4(8)}), E_INVALIDARG);
    EXPECT_EQ(excep.bstrDescription, nullptr);
    EXPECT_EQ(account->Invoke(1, IID_OF(IAccount), 0, DISPATCH_PROPERTYGET, &params, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

// Two dual interfaces on one object, each with its own table; the second has an event-style
// member whose last argument is a by-reference flag.
struct IFirst : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;
};
struct ISecond : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Sending(IDispatch* item, VARIANT_BOOL* cancel) = 0;
};

} // namespace
PLATFORM_DECLARE_IID(IFirst, "0D8C9B61-3C4E-4B7E-8E0F-1A2B3C4D5E70");
PLATFORM_DECLARE_IID(ISecond, "0D8C9B61-3C4E-4B7E-8E0F-1A2B3C4D5E71");
namespace {

class CTwoDuals : public ComObject<CTwoDuals, DispatchImpl<CTwoDuals, IFirst>, DispatchImpl<CTwoDuals, ISecond>> {
public:
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<IFirst>)
    {
        static const DispatchMember members[] = {DispMember<&IFirst::get_Name>("Name", 1, DISPATCH_PROPERTYGET)};
        return members;
    }
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<ISecond>)
    {
        static const DispatchMember members[] = {
            DispMember<&ISecond::Sending>("Sending", 0x20, DISPATCH_METHOD, {VT_DISPATCH, VT_BOOL})};
        return members;
    }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override
    {
        *name = SysAllocString(u"first");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Sending(IDispatch* item, VARIANT_BOOL* cancel) override
    {
        sawItem = item != nullptr;
        sawCancel = *cancel;
        *cancel = VARIANT_TRUE;
        return S_OK;
    }
    bool sawItem = false;
    VARIANT_BOOL sawCancel = 1;
};

TEST(DispatchTables, OnePerDualInterface)
{
    CTwoDuals* object = nullptr;
    ASSERT_EQ(CTwoDuals::CreateObject(&object), S_OK);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(object->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
    EXPECT_EQ(static_cast<void*>(dispatch.get()), static_cast<void*>(static_cast<IFirst*>(object)));
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::u16string(result.bstrVal), u"first");
    VariantClear(&result);
    EXPECT_EQ(dispatch->Invoke(0x20, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);

    ComPtr<ISecond> second;
    ASSERT_EQ(object->QueryInterface(IID_OF(ISecond), second.put_void()), S_OK);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_BOOL | VT_BYREF;
    args[0].pboolVal = &cancel;
    VariantInit(&args[1]);
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = dispatch.get();
    DISPPARAMS params{args, nullptr, 2, 0};
    ASSERT_EQ(second->Invoke(0x20, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    EXPECT_TRUE(object->sawItem);
    EXPECT_EQ(object->sawCancel, VARIANT_FALSE);
    EXPECT_EQ(cancel, VARIANT_TRUE); // written back through the reference
    // Without the flag argument the result is the method's out value.
    DISPPARAMS one{&args[1], nullptr, 1, 0};
    ASSERT_EQ(second->Invoke(0x20, IID_NULL, 0, DISPATCH_METHOD, &one, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    // A flag passed by value cannot be written back.
    VARIANT byValue[2] = {args[1], args[1]};
    byValue[0].vt = VT_BOOL;
    byValue[0].boolVal = VARIANT_FALSE;
    DISPPARAMS wrong{byValue, nullptr, 2, 0};
    UINT argErr = 9;
    EXPECT_EQ(second->Invoke(0x20, IID_NULL, 0, DISPATCH_METHOD, &wrong, nullptr, nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    second = nullptr;
    dispatch = nullptr;
    EXPECT_EQ(object->Release(), 0u);
}

} // namespace
