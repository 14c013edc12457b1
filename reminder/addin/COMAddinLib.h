// The COM add-in's part of the add-in's type library: the add-in's own dual interface (the
// ribbon's callbacks), the application sink's interface with the host's application events, and
// their class ids.
#pragma once

#include "com/Dispatch.h"

inline constexpr CLSID CLSID_COMAddin = MakeGuid("EA3E44ED-0F07-4886-B88C-2AEAA9C7F9B6");
inline constexpr CLSID CLSID_ApplicationSink = MakeGuid("048FE78C-723B-41B4-A40D-037A1DD0A0A2");

// The ribbon's callbacks, found by name through the add-in's IDispatch.
struct ICOMAddin : IDispatch {
    // The host's repurposed command ShowRemindersWindow; CancelDefault is left as it is, so the
    // host's own command runs too.
    virtual HRESULT STDMETHODCALLTYPE ShowRemindersWindowC(IDispatch* pControl, VARIANT_BOOL* CancelDefault) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowRemindersWindow(IDispatch* pControl) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConfigureReminders(IDispatch* pControl) = 0;
};
PLATFORM_DECLARE_IID(ICOMAddin, "68787AA2-6990-4F59-B1C8-0C00D10E4E79");

// The sink of the host's application events; the add-in connects it to the Application and
// makes itself its parent, whose OnDisconnection the host's Quit calls.
struct IApplicationSink : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Connect(IUnknown* ConnectionPoint) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetParent(IDispatch* parent) = 0;
    virtual HRESULT STDMETHODCALLTYPE ItemSend(IDispatch* Item, VARIANT_BOOL* Cancel) = 0;
    virtual HRESULT STDMETHODCALLTYPE NewMail() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reminder(IDispatch* Item) = 0;
    virtual HRESULT STDMETHODCALLTYPE OptionsPagesAdd(IUnknown* Pages) = 0;
    virtual HRESULT STDMETHODCALLTYPE Startup() = 0;
    virtual HRESULT STDMETHODCALLTYPE Quit() = 0;
};
PLATFORM_DECLARE_IID(IApplicationSink, "AC56DA68-0532-41D6-BDBE-4E8385AD0E01");

inline constexpr IID IID_ICOMAddin = uuidof<ICOMAddin>();
inline constexpr IID IID_IApplicationSink = uuidof<IApplicationSink>();
