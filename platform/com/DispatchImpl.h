// DispatchImpl<Derived, Itf>: IDispatch for a dual interface Itf, driven by Derived's table
//   static std::span<const DispatchMember> DispatchMembers();
// A class with several dual interfaces gives one table per interface instead:
//   static std::span<const DispatchMember> DispatchMembers(std::type_identity<IFoo>);
// GetIDsOfNames finds member names without regard to case; Invoke converts the arguments
// (given last first, the value of a put under DISPID_PROPERTYPUT) to the parameters' types and
// calls the interface method. When the method fails after setting error info, Invoke returns
// DISP_E_EXCEPTION with the EXCEPINFO filled from it. There are no type-library files, so
// GetTypeInfoCount reports 0.
//
//   class CAccount : public ComObject<CAccount, DispatchImpl<CAccount, IAccount>,
//                                     SupportErrorInfoImpl<IAccount>>
#pragma once

#include "com/DispatchMember.h"

#include <span>
#include <type_traits>

namespace platform::com {

HRESULT DispatchGetIDsOfNames(std::span<const DispatchMember> members, REFIID riid, LPOLESTR* rgszNames,
                              UINT cNames, DISPID* rgDispId);
HRESULT DispatchInvoke(void* self, std::span<const DispatchMember> members, DISPID dispIdMember, REFIID riid,
                       WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                       UINT* puArgErr);

} // namespace platform::com

template <class Derived, class Itf>
class DispatchImpl : public Itf {
    static_assert(std::is_base_of_v<IDispatch, Itf>, "DispatchImpl needs a dual interface");

    static std::span<const DispatchMember> Members()
    {
        if constexpr (requires { Derived::DispatchMembers(std::type_identity<Itf>{}); })
            return Derived::DispatchMembers(std::type_identity<Itf>{});
        else
            return Derived::DispatchMembers();
    }

public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override
    {
        if (!pctinfo)
            return E_INVALIDARG;
        *pctinfo = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override
    {
        if (!ppTInfo)
            return E_INVALIDARG;
        *ppTInfo = nullptr;
        return DISP_E_BADINDEX;
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                            DISPID* rgDispId) override
    {
        return platform::com::DispatchGetIDsOfNames(Members(), riid, rgszNames, cNames, rgDispId);
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override
    {
        return platform::com::DispatchInvoke(static_cast<Itf*>(static_cast<Derived*>(this)),
                                             Members(), dispIdMember, riid, wFlags, pDispParams,
                                             pVarResult, pExcepInfo, puArgErr);
    }
};

template <class Derived, class Itf>
struct IidTraits<DispatchImpl<Derived, Itf>> : IidTraits<Itf> {};
