// The ribbon's interfaces between the host and its COM add-ins: the add-in gives its markup
// (IRibbonExtensibility::GetCustomUI), the host calls the markup's callbacks by name through
// the add-in's IDispatch with an IRibbonControl for the control used.
#pragma once

#include "com/Dispatch.h"

struct IRibbonExtensibility : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;
};
PLATFORM_DECLARE_IID(IRibbonExtensibility, "000C0396-0000-0000-C000-000000000046");

struct IRibbonControl : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) = 0;
    // The window the control belongs to (an explorer).
    virtual HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) = 0;
};
PLATFORM_DECLARE_IID(IRibbonControl, "000C0395-0000-0000-C000-000000000046");

// The ribbon of the host's explorer windows.
inline constexpr char16_t kExplorerRibbonId[] = u"MailHost.Explorer";
