#include "com/DispatchImpl.h"

#include "base/Utf.h"
#include "com/ComPtr.h"
#include "com/ErrorInfo.h"

namespace platform::com {

HRESULT DispatchGetIDsOfNames(std::span<const DispatchMember> members, REFIID riid, LPOLESTR* rgszNames,
                              UINT cNames, DISPID* rgDispId)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (cNames == 0)
        return S_OK;
    if (!rgszNames || !rgDispId)
        return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    const std::string name = rgszNames[0] ? Utf16ToUtf8(rgszNames[0]) : std::string();
    for (const DispatchMember& member : members) {
        if (EqualNoCase(name, member.name)) {
            rgDispId[0] = member.dispid;
            // Parameter names are not known: named arguments are not supported.
            return cNames > 1 ? DISP_E_UNKNOWNNAME : S_OK;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

namespace {

const DispatchMember* FindMember(std::span<const DispatchMember> members, DISPID dispid, WORD wFlags)
{
    for (const DispatchMember& member : members) {
        if (member.dispid != dispid)
            continue;
        if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (member.flags & wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
                return &member;
        } else if (member.flags & wFlags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) {
            return &member;
        }
    }
    return nullptr;
}

void FillExcepInfo(EXCEPINFO& info, IErrorInfo& error, HRESULT hr)
{
    info = EXCEPINFO{};
    error.GetSource(&info.bstrSource);
    error.GetDescription(&info.bstrDescription);
    error.GetHelpFile(&info.bstrHelpFile);
    error.GetHelpContext(&info.dwHelpContext);
    info.scode = hr;
}

} // namespace

HRESULT DispatchInvoke(void* self, std::span<const DispatchMember> members, DISPID dispIdMember, REFIID riid,
                       WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                       UINT* puArgErr)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!pDispParams || pDispParams->cNamedArgs > pDispParams->cArgs ||
        (pDispParams->cArgs > 0 && !pDispParams->rgvarg) ||
        (pDispParams->cNamedArgs > 0 && !pDispParams->rgdispidNamedArgs))
        return E_INVALIDARG;
    if (pVarResult)
        VariantInit(pVarResult);

    const DispatchMember* member = FindMember(members, dispIdMember, wFlags);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    // The only named argument understood is the value of a put.
    const bool put = (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    for (UINT i = 0; i < pDispParams->cNamedArgs; ++i) {
        if (!put || pDispParams->rgdispidNamedArgs[i] != DISPID_PROPERTYPUT)
            return DISP_E_NONAMEDARGS;
    }

    DispatchArgs args(*pDispParams, static_cast<WORD>(put ? (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
                                                          : wFlags),
                      pVarResult, puArgErr);
    // An error object left from an earlier call must not be taken for this member's.
    SetErrorInfo(0, nullptr);
    const HRESULT hr = member->call(self, *member, args);
    if (SUCCEEDED(hr)) {
        args.Finish();
        return hr;
    }
    if (!args.Called())
        return hr; // argument count or conversion
    ComPtr<IErrorInfo> error;
    if (GetErrorInfo(0, error.put()) != S_OK || !error)
        return hr;
    if (!pExcepInfo) {
        SetErrorInfo(0, error.get()); // leave it for the caller
        return hr;
    }
    FillExcepInfo(*pExcepInfo, *error, hr);
    return DISP_E_EXCEPTION;
}

} // namespace platform::com
