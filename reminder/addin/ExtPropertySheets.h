// CExtPropertySheets: the client extension's property-sheets object. It puts the add-in's
// options page into the host's Tools-Options dialog, and an object of its own, made without an
// extension, gives the same page to the COM add-in's options sheet. While a sheet holds the
// page (the process-wide pages-given flag), a second request gets none.
#pragma once

#include "ExtensionBase.h"
#include "com/ComObject.h"
#include "host/ExchExtCompanions.h"

class CExtPropertySheets : public ComObject<CExtPropertySheets, IExchExtPropertySheets>, public CExtensionBase {
public:
    CExtPropertySheets();
    ~CExtPropertySheets() override;

    // EEPS_TOOLSOPTIONS: 1; the message, folder and store sheets: 0.
    ULONG STDMETHODCALLTYPE GetMaxPageCount(ULONG ulFlags) override;
    // EEPS_TOOLSOPTIONS: the options page unless a sheet holds it already.
    HRESULT STDMETHODCALLTYPE GetPages(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags, LPPROPSHEETPAGE lppsp,
                                       ULONG* lpcpsp) override;
    // EEPS_TOOLSOPTIONS: the sheet let go of the page.
    void STDMETHODCALLTYPE FreePages(LPPROPSHEETPAGE lppsp, ULONG ulFlags, ULONG cpsp) override;

    // Fills one record with the options page (a new page object for the parent extension).
    HRESULT GetPagesToolsOptions(LPPROPSHEETPAGE lppsp, ULONG* lpcpsp);

    // Whether a sheet holds the page.
    static bool PagesGiven();
    static void SetPagesGiven(bool given);
};
