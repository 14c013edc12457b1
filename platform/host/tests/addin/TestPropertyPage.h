// CTestPropertyPage: the page the test add-in adds when the Options dialog opens (when
// HOST_TEST_ADD_PAGE names its title). It logs "addin page ..." lines; it is dirty unless
// HOST_TEST_PAGE_CLEAN is set, and its Apply fails when HOST_TEST_PAGE_INVALID is set.
#pragma once

#include "com/ComObject.h"
#include "host/PropertyPages.h"

class CTestPropertyPage : public ComObject<CTestPropertyPage, IDispatch, IHostPropertyPageView> {
public:
    // Adds a new page to the pages collection, late-bound as an add-in would.
    static void AddTo(IDispatch* pages, const char* title);

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override;
    HRESULT STDMETHODCALLTYPE CreatePageWindow(void* parentWindow, void** window) override;
};
