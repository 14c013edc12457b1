#include "TestPlain.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "com/Variant.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

namespace {

// An object whose default property is a number, for conversions of VT_DISPATCH.
struct IValueHolder : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Value(LONG* value) = 0;
};
} // namespace
PLATFORM_DECLARE_IID(IValueHolder, "0D8C9B61-3C4E-4B7E-8E0F-1A2B3C4D5E60");
namespace {

class CValueHolder : public ComObject<CValueHolder, DispatchImpl<CValueHolder, IValueHolder>> {
public:
    static std::span<const DispatchMember> DispatchMembers()
    {
        static const DispatchMember members[] = {
            DispMember<&IValueHolder::get_Value>("Value", DISPID_VALUE, DISPATCH_PROPERTYGET)};
        return members;
    }
    HRESULT STDMETHODCALLTYPE get_Value(LONG* value) override
    {
        *value = 42;
        return S_OK;
    }
};

VARIANT Make(VARTYPE vt)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}

VARIANT Text(std::u16string_view s)
{
    VARIANT v = Make(VT_BSTR);
    v.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return v;
}

std::u16string TextOf(const VARIANT& v)
{
    return std::u16string(v.bstrVal, SysStringLen(v.bstrVal));
}

TEST(Variant, InitAndClearReleaseWhatTheyOwn)
{
    CTestPlain* plain = nullptr;
    ASSERT_EQ(CTestPlain::CreateObject(&plain), S_OK);
    VARIANT v = Make(VT_UNKNOWN);
    v.punkVal = plain;
    plain->AddRef();
    EXPECT_EQ(plain->RefCount(), 2u);
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(plain->RefCount(), 1u);
    plain->Release();

    VARIANT s = Text(u"owned");
    EXPECT_EQ(VariantClear(&s), S_OK); // frees the string (checked by the sanitizer build)
    VARIANT bad = Make(0x0fff);
    EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
}

TEST(Variant, CopyDuplicatesStringsAndAddRefs)
{
    CTestPlain* plain = nullptr;
    ASSERT_EQ(CTestPlain::CreateObject(&plain), S_OK);
    VARIANT src = Make(VT_UNKNOWN);
    src.punkVal = plain; // takes the creation reference
    VARIANT dst;
    VariantInit(&dst);
    ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
    EXPECT_EQ(plain->RefCount(), 2u);
    // Copying a string over the interface releases the interface.
    VARIANT text = Text(std::u16string(u"a\0b", 3));
    ASSERT_EQ(VariantCopy(&dst, &text), S_OK);
    EXPECT_EQ(plain->RefCount(), 1u);
    EXPECT_NE(dst.bstrVal, text.bstrVal);
    EXPECT_EQ(TextOf(dst), std::u16string(u"a\0b", 3));
    VariantClear(&dst);
    VariantClear(&text);
    VariantClear(&src);
}

TEST(Variant, ByrefCopiesAndIndirection)
{
    LONG value = 7;
    VARIANT ref = Make(VT_I4 | VT_BYREF);
    ref.plVal = &value;
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &ref), S_OK);
    EXPECT_EQ(copy.vt, VT_I4 | VT_BYREF);
    EXPECT_EQ(copy.plVal, &value);
    ASSERT_EQ(VariantCopyInd(&copy, &ref), S_OK);
    EXPECT_EQ(copy.vt, VT_I4);
    EXPECT_EQ(copy.lVal, 7);

    BSTR s = SysAllocString(u"by reference");
    VARIANT refText = Make(VT_BSTR | VT_BYREF);
    refText.pbstrVal = &s;
    ASSERT_EQ(VariantCopyInd(&copy, &refText), S_OK);
    EXPECT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, s);
    EXPECT_EQ(TextOf(copy), u"by reference");
    VariantClear(&copy);
    VariantClear(&refText); // a reference owns nothing
    SysFreeString(s);

    // A variant that refers to a variant.
    VARIANT inner = Text(u"inner");
    VARIANT refVar = Make(VT_VARIANT | VT_BYREF);
    refVar.pvarVal = &inner;
    ASSERT_EQ(VariantCopyInd(&copy, &refVar), S_OK);
    EXPECT_EQ(TextOf(copy), u"inner");
    VariantClear(&copy);
    VariantClear(&inner);
}

TEST(VariantChangeType, NumbersAndText)
{
    VARIANT v = Make(VT_I4);
    v.lVal = -1234;
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &v, 0, VT_BSTR), S_OK);
    EXPECT_EQ(TextOf(out), u"-1234");
    ASSERT_EQ(VariantChangeType(&out, &out, 0, VT_I2), S_OK); // in place
    EXPECT_EQ(out.vt, VT_I2);
    EXPECT_EQ(out.iVal, -1234);

    VARIANT t = Text(u"  42 ");
    ASSERT_EQ(VariantChangeType(&out, &t, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 42);
    VariantClear(&t);
    t = Text(u"2.5");
    ASSERT_EQ(VariantChangeType(&out, &t, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 2); // half to even
    ASSERT_EQ(VariantChangeType(&out, &t, 0, VT_R8), S_OK);
    EXPECT_DOUBLE_EQ(out.dblVal, 2.5);
    VariantClear(&t);
    t = Text(u"3.5");
    ASSERT_EQ(VariantChangeType(&out, &t, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 4);
    VariantClear(&t);

    VARIANT r = Make(VT_R8);
    r.dblVal = 0.1;
    ASSERT_EQ(VariantChangeType(&out, &r, 0, VT_BSTR), S_OK);
    EXPECT_EQ(TextOf(out), u"0.1");
    r.dblVal = 1e20;
    ASSERT_EQ(VariantChangeType(&out, &r, 0, VT_BSTR), S_OK);
    EXPECT_EQ(TextOf(out), u"1E+20");
    VariantClear(&out);
    t = Text(u"+1.5e3");
    ASSERT_EQ(VariantChangeType(&out, &t, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 1500);
    VariantClear(&t);
    t = Text(u"1e999");
    EXPECT_EQ(VariantChangeType(&out, &t, 0, VT_R8), DISP_E_OVERFLOW);
    VariantClear(&t);
    t = Text(u"nan");
    EXPECT_EQ(VariantChangeType(&out, &t, 0, VT_R8), DISP_E_TYPEMISMATCH);
    VariantClear(&t);
}

TEST(VariantChangeType, RangeAndMismatch)
{
    VARIANT out;
    VariantInit(&out);
    VARIANT big = Make(VT_I4);
    big.lVal = 70000;
    EXPECT_EQ(VariantChangeType(&out, &big, 0, VT_I2), DISP_E_OVERFLOW);
    EXPECT_EQ(out.vt, VT_EMPTY);
    VARIANT negative = Make(VT_I4);
    negative.lVal = -1;
    EXPECT_EQ(VariantChangeType(&out, &negative, 0, VT_UI4), DISP_E_OVERFLOW);
    VARIANT word = Text(u"twelve");
    EXPECT_EQ(VariantChangeType(&out, &word, 0, VT_I4), DISP_E_TYPEMISMATCH);
    VariantClear(&word);
    VARIANT huge = Text(u"99999999999");
    EXPECT_EQ(VariantChangeType(&out, &huge, 0, VT_I4), DISP_E_OVERFLOW);
    ASSERT_EQ(VariantChangeType(&out, &huge, 0, VT_I8), S_OK);
    EXPECT_EQ(out.llVal, 99999999999LL);
    VariantClear(&huge);
    VARIANT null = Make(VT_NULL);
    EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_I4), DISP_E_TYPEMISMATCH);
    VARIANT missing = Make(VT_ERROR);
    missing.scode = DISP_E_PARAMNOTFOUND;
    EXPECT_EQ(VariantChangeType(&out, &missing, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&out, &negative, 0, 0x0fff), DISP_E_BADVARTYPE);
    // Empty becomes zero, the empty string or false.
    VARIANT empty = Make(VT_EMPTY);
    ASSERT_EQ(VariantChangeType(&out, &empty, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 0);
    ASSERT_EQ(VariantChangeType(&out, &empty, 0, VT_BSTR), S_OK);
    EXPECT_EQ(SysStringLen(out.bstrVal), 0u);
    VariantClear(&out);
}

TEST(VariantChangeType, Booleans)
{
    VARIANT out;
    VariantInit(&out);
    for (auto [text, expected] : {std::pair{u"True", VARIANT_TRUE}, std::pair{u"false", VARIANT_FALSE},
                                  std::pair{u"TRUE", VARIANT_TRUE}, std::pair{u"0", VARIANT_FALSE},
                                  std::pair{u"-1", VARIANT_TRUE}, std::pair{u"5", VARIANT_TRUE}}) {
        VARIANT t = Text(text);
        ASSERT_EQ(VariantChangeType(&out, &t, 0, VT_BOOL), S_OK) << std::string(text, text + 2);
        EXPECT_EQ(out.vt, VT_BOOL);
        EXPECT_EQ(out.boolVal, expected);
        VariantClear(&t);
    }
    VARIANT maybe = Text(u"maybe");
    EXPECT_EQ(VariantChangeType(&out, &maybe, 0, VT_BOOL), DISP_E_TYPEMISMATCH);
    VariantClear(&maybe);

    VARIANT b = Make(VT_BOOL);
    b.boolVal = VARIANT_TRUE;
    ASSERT_EQ(VariantChangeType(&out, &b, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, -1);
    ASSERT_EQ(VariantChangeType(&out, &b, 0, VT_BSTR), S_OK);
    EXPECT_EQ(TextOf(out), u"-1");
    ASSERT_EQ(VariantChangeType(&out, &b, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
    EXPECT_EQ(TextOf(out), u"True");
    VariantClear(&out);
    VARIANT n = Make(VT_I4);
    n.lVal = 2;
    ASSERT_EQ(VariantChangeType(&out, &n, 0, VT_BOOL), S_OK);
    EXPECT_EQ(out.boolVal, VARIANT_TRUE);
}

TEST(VariantChangeType, InterfacesAndDefaultValue)
{
    CValueHolder* holder = nullptr;
    ASSERT_EQ(CValueHolder::CreateObject(&holder), S_OK);
    VARIANT unk = Make(VT_UNKNOWN);
    unk.punkVal = holder->GetUnknown();
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &unk, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(out.vt, VT_DISPATCH);
    EXPECT_EQ(holder->RefCount(), 2u);
    // An object converts to its default property.
    VARIANT number;
    VariantInit(&number);
    ASSERT_EQ(VariantChangeType(&number, &out, 0, VT_BSTR), S_OK);
    EXPECT_EQ(TextOf(number), u"42");
    VariantClear(&number);
    EXPECT_EQ(VariantChangeType(&number, &out, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    VariantClear(&out);
    EXPECT_EQ(holder->RefCount(), 1u);

    CTestPlain* plain = nullptr;
    ASSERT_EQ(CTestPlain::CreateObject(&plain), S_OK);
    VARIANT p = Make(VT_UNKNOWN);
    p.punkVal = plain;
    EXPECT_EQ(VariantChangeType(&out, &p, 0, VT_DISPATCH), E_NOINTERFACE);
    EXPECT_EQ(VariantChangeType(&out, &p, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(plain->RefCount(), 1u);
    VariantClear(&p);
    holder->Release();
}

TEST(VariantChangeType, ByrefSource)
{
    SHORT value = 12;
    VARIANT ref = Make(VT_I2 | VT_BYREF);
    ref.piVal = &value;
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_BSTR), S_OK);
    EXPECT_EQ(TextOf(out), u"12");
    VariantClear(&out);
}

} // namespace
