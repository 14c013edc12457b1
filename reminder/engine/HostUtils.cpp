#include "HostUtils.h"

#include "MapiBuffer.h"
#include "com/ComPtr.h"
#include "TraceScope.h"
#include "base/WinTime.h"
#include "host/HostInterfaces.h"

#include <limits>

namespace {

constexpr LONG kSignalTime = 0x8560;
constexpr LONG kReminderTime = 0x8502;
constexpr LONG kReminderDelta = 0x8501;
constexpr LONGLONG kTicksPerMinute = 600000000LL;

} // namespace

VARIANT SessionVariant(IUnknown* session)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = session;
    return v;
}

HRESULT GetMapiSession(IDispatch* application, IUnknown** session)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("GetMapiSession", &hr);
    ComPtr<_Application> app;
    ComPtr<_NameSpace> nameSpace;
    OLECHAR name[] = u"MAPIOBJECT";
    LPOLESTR names[] = {name};
    DISPID dispid = DISPID_UNKNOWN;
    DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
    VARIANT vaResult;
    VariantInit(&vaResult);
    if (session)
        *session = nullptr;
    if (!application || !session) {
        hr = E_INVALIDARG;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pApplication == NULL. hr=0x%08x\n", hr);
        goto Exit;
    }
    hr = application->QueryInterface(uuidof<_Application>(), app.put_void());
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        goto Exit;
    }
    hr = app->get_Session(nameSpace.put());
    if (FAILED(hr) || !nameSpace) {
        hr = FAILED(hr) ? hr : E_FAIL;
        TRACE_FAILED(get_Session, hr);
        goto Exit;
    }
    hr = nameSpace->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid);
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsOfNames, hr);
        goto Exit;
    }
    hr = nameSpace->Invoke(dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &noArgs, &vaResult, nullptr,
                           nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(Invoke, hr);
        goto Exit;
    }
    if (vaResult.vt != VT_UNKNOWN || !vaResult.punkVal) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "vaResult.vt != VT_UNKNOWN() failed. hr=0x%08x\n", hr);
        goto Exit;
    }
    *session = vaResult.punkVal; // the reference the call returned
    vaResult.vt = VT_EMPTY;
Exit:
    VariantClear(&vaResult);
    return hr;
}

HRESULT EnsureFlagDueBy(IMessage* message)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("EnsureFlagDueBy", &hr);
    GUID common = PSETID_Common;
    MAPINAMEID ids[3] = {{&common, MNID_ID, {kSignalTime}},
                         {&common, MNID_ID, {kReminderTime}},
                         {&common, MNID_ID, {kReminderDelta}}};
    LPMAPINAMEID names[3] = {&ids[0], &ids[1], &ids[2]};
    CMapiBuffer<SPropTagArray> tags;
    CMapiBuffer<SPropValue> values;
    ULONG count = 0;
    ULONG signalTag = 0, reminderTag = 0, deltaTag = 0;
    LONG delta = 0;
    __int128 signal = 0;
    SPropValue value{};
    if (!message) {
        hr = E_INVALIDARG;
        goto Exit;
    }
    hr = message->GetIDsFromNames(3, names, MAPI_CREATE, tags.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetIDsFromNames, hr);
        goto Exit;
    }
    if (!tags || tags->cValues != 3) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetIDsFromNames() returned not enough information. hr=0x%08lx\n", hr);
        goto Exit;
    }
    signalTag = tags->aulPropTag[0] = CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_SYSTIME);
    reminderTag = tags->aulPropTag[1] = CHANGE_PROP_TYPE(tags->aulPropTag[1], PT_SYSTIME);
    deltaTag = tags->aulPropTag[2] = CHANGE_PROP_TYPE(tags->aulPropTag[2], PT_LONG);
    hr = message->GetProps(tags.get(), 0, &count, values.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetProps, hr);
        goto Exit;
    }
    hr = S_OK; // missing values come back as errors
    if (count < 3 || !values) {
        hr = E_FAIL;
        TRACE_FAILED(GetProps, hr);
        goto Exit;
    }
    if (values.get()[0].ulPropTag == signalTag)
        goto Exit; // it has one
    if (values.get()[1].ulPropTag != reminderTag) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "dispidReminderTime is not set\n");
        goto Exit;
    }
    if (values.get()[2].ulPropTag == deltaTag)
        delta = values.get()[2].Value.l;
    signal = static_cast<__int128>(platform::FileTimeToUInt64(values.get()[1].Value.ft)) -
             static_cast<__int128>(delta) * kTicksPerMinute;
    if (signal < 0 || signal > std::numeric_limits<LONGLONG>::max()) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "signal time out of range (delta %ld). failed hr=0x%08lx\n", delta, hr);
        goto Exit;
    }
    value.ulPropTag = signalTag;
    value.Value.ft = platform::UInt64ToFileTime(static_cast<ULONGLONG>(signal));
    hr = message->SetProps(1, &value, nullptr);
    if (FAILED(hr))
        TRACE_FAILED(SetProps, hr);
Exit:
    return hr;
}
