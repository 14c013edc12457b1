#include "TestPropertyPage.h"

#include "TestAddInLog.h"
#include "base/Utf.h"
#include "com/Bstr.h"
#include "com/Variant.h"

#include <cstdlib>
#include <dlfcn.h>

namespace {

constexpr DISPID kDirty = 1;
constexpr DISPID kApply = 2;

} // namespace

void CTestPropertyPage::AddTo(IDispatch* pages, const char* title)
{
    CTestPropertyPage* page = nullptr;
    if (FAILED(CreateObject(&page)))
        return;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(reinterpret_cast<const OLECHAR*>(u"Add"))};
    DISPID id = 0;
    HRESULT hr = pages->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    if (SUCCEEDED(hr)) {
        const std::u16string text = platform::Utf8ToUtf16(title);
        VARIANT args[2]; // last first: Title, Page
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        args[0].vt = VT_BSTR;
        args[0].bstrVal = SysAllocString(reinterpret_cast<const OLECHAR*>(text.c_str()));
        args[1].vt = VT_DISPATCH;
        args[1].pdispVal = static_cast<IDispatch*>(page);
        DISPPARAMS params{args, nullptr, 2, 0};
        hr = pages->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        SysFreeString(args[0].bstrVal);
    }
    TestAddInLog(SUCCEEDED(hr) ? "addin page added" : "addin page not added");
    page->Release();
}

HRESULT CTestPropertyPage::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}

HRESULT CTestPropertyPage::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    *info = nullptr;
    return E_NOTIMPL;
}

HRESULT CTestPropertyPage::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (count != 1)
        return DISP_E_UNKNOWNNAME;
    const std::u16string name = reinterpret_cast<const char16_t*>(names[0]);
    if (name == u"Dirty")
        ids[0] = kDirty;
    else if (name == u"Apply")
        ids[0] = kApply;
    else
        return DISP_E_UNKNOWNNAME;
    return S_OK;
}

HRESULT CTestPropertyPage::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*)
{
    if (dispid == kDirty) {
        const bool dirty = !std::getenv("HOST_TEST_PAGE_CLEAN");
        TestAddInLog(std::string("addin page dirty ") + (dirty ? "yes" : "no"));
        if (result) {
            VariantInit(result);
            result->vt = VT_BOOL;
            result->boolVal = dirty ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return S_OK;
    }
    if (dispid == kApply) {
        TestAddInLog("addin page apply");
        return std::getenv("HOST_TEST_PAGE_INVALID") ? E_FAIL : S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT CTestPropertyPage::CreatePageWindow(void* parentWindow, void** window)
{
    *window = nullptr;
    void* library = dlopen(HOST_TEST_PAGE_VIEW, RTLD_NOW);
    using Create = void* (*)(void*);
    auto create = library ? reinterpret_cast<Create>(dlsym(library, "CreateTestPageView")) : nullptr;
    if (!create)
        return E_FAIL;
    TestAddInLog("addin page view");
    *window = create(parentWindow);
    return S_OK;
}
