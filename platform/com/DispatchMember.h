// DispatchMember: one entry of the table that drives a DispatchImpl: the member's name,
// dispatch id, kind (DISPATCH_METHOD, _PROPERTYGET, _PROPERTYPUT or _PROPERTYPUTREF) and the
// call that converts the arguments and calls the interface method.
//
// Entries are made from the interface's own methods; the parameter types give the argument
// types (LONG -> VT_I4, BSTR -> VT_BSTR, an interface pointer -> VT_DISPATCH or VT_UNKNOWN,
// VARIANT -> any, optional when trailing, ...). A last pointer parameter (LONG*, BSTR*,
// VARIANT_BOOL*, IFoo**, VARIANT*) is the result. VARIANT_BOOL is a short, so boolean
// parameters name their type:
//   DispMember<&IAccount::get_Owner>("Owner", 1, DISPATCH_PROPERTYGET),
//   DispMember<&IAccount::put_Frozen>("Frozen", 5, DISPATCH_PROPERTYPUT, {VT_BOOL}),
// The method must belong to the dual interface itself (or one of its single-inheritance bases).
#pragma once

#include "com/DispatchArgs.h"

#include <array>
#include <initializer_list>
#include <tuple>
#include <type_traits>
#include <utility>

inline constexpr std::size_t kMaxDispatchParams = 12;

struct DispatchMember;
using DispatchCall = HRESULT (*)(void* self, const DispatchMember& member, DispatchArgs& args);

struct DispatchMember {
    const char* name;
    DISPID dispid;
    WORD flags;
    DispatchCall call;
    // Argument types by parameter position; VT_EMPTY: from the parameter's C++ type.
    std::array<VARTYPE, kMaxDispatchParams> types{};
};

namespace platform::com::dispatch {

template <class M>
struct MethodTraits;
template <class C, class... P>
struct MethodTraits<HRESULT (STDMETHODCALLTYPE C::*)(P...)> {
    using Class = C;
    using Params = std::tuple<P...>;
};

template <class T>
inline constexpr bool kIsInterface = std::is_class_v<T> && std::is_base_of_v<IUnknown, T>;

template <class T>
struct IsInterfacePointer : std::false_type {};
template <class I>
struct IsInterfacePointer<I*> : std::bool_constant<kIsInterface<I>> {};

// A pointer parameter that receives a result.
template <class T>
inline constexpr bool kIsOut = std::is_pointer_v<T> && !std::is_const_v<std::remove_pointer_t<T>> &&
                               !std::is_same_v<T, BSTR> && !IsInterfacePointer<T>::value;

template <class T>
constexpr VARTYPE DefaultType()
{
    using U = std::remove_cv_t<T>;
    if constexpr (std::is_same_v<U, VARIANT>)
        return VT_VARIANT;
    else if constexpr (std::is_same_v<U, BSTR> || std::is_same_v<U, const OLECHAR*>)
        return VT_BSTR;
    else if constexpr (IsInterfacePointer<U>::value)
        return std::is_base_of_v<IDispatch, std::remove_pointer_t<U>> ? VT_DISPATCH : VT_UNKNOWN;
    else if constexpr (std::is_same_v<U, bool>)
        return VT_BOOL;
    else if constexpr (std::is_enum_v<U>)
        return VT_I4;
    else if constexpr (std::is_floating_point_v<U>)
        return sizeof(U) == 4 ? VT_R4 : VT_R8;
    else if constexpr (std::is_integral_v<U>) {
        if constexpr (std::is_signed_v<U>)
            return sizeof(U) == 1 ? VT_I1 : sizeof(U) == 2 ? VT_I2 : sizeof(U) == 4 ? VT_I4 : VT_I8;
        else
            return sizeof(U) == 1 ? VT_UI1 : sizeof(U) == 2 ? VT_UI2 : sizeof(U) == 4 ? VT_UI4 : VT_UI8;
    } else
        static_assert(sizeof(U) == 0, "parameter type has no VARIANT form");
}

// Reads a converted simple variant as an arithmetic value.
template <class T>
T ReadNumber(const VARIANT& v)
{
    switch (v.vt) {
    case VT_I1: return static_cast<T>(v.cVal);
    case VT_UI1: return static_cast<T>(v.bVal);
    case VT_I2: return static_cast<T>(v.iVal);
    case VT_UI2: return static_cast<T>(v.uiVal);
    case VT_BOOL: return static_cast<T>(v.boolVal);
    case VT_I4: return static_cast<T>(v.lVal);
    case VT_UI4: return static_cast<T>(v.ulVal);
    case VT_INT: return static_cast<T>(v.intVal);
    case VT_UINT: return static_cast<T>(v.uintVal);
    case VT_I8: return static_cast<T>(v.llVal);
    case VT_UI8: return static_cast<T>(v.ullVal);
    case VT_R4: return static_cast<T>(v.fltVal);
    case VT_R8: return static_cast<T>(v.dblVal);
    case VT_DATE: return static_cast<T>(v.date);
    case VT_ERROR: return static_cast<T>(v.scode);
    default: return T{};
    }
}

// Writes an arithmetic value as a variant of type vt.
template <class T>
void WriteNumber(T x, VARTYPE vt, VARIANT& v)
{
    VariantInit(&v);
    v.vt = vt;
    switch (vt) {
    case VT_I1: v.cVal = static_cast<CHAR>(x); break;
    case VT_UI1: v.bVal = static_cast<BYTE>(x); break;
    case VT_I2: v.iVal = static_cast<SHORT>(x); break;
    case VT_UI2: v.uiVal = static_cast<USHORT>(x); break;
    case VT_BOOL: v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_I4: v.lVal = static_cast<LONG>(x); break;
    case VT_UI4: v.ulVal = static_cast<ULONG>(x); break;
    case VT_INT: v.intVal = static_cast<INT>(x); break;
    case VT_UINT: v.uintVal = static_cast<UINT>(x); break;
    case VT_I8: v.llVal = static_cast<LONGLONG>(x); break;
    case VT_UI8: v.ullVal = static_cast<ULONGLONG>(x); break;
    case VT_R4: v.fltVal = static_cast<FLOAT>(x); break;
    case VT_R8: v.dblVal = static_cast<DOUBLE>(x); break;
    case VT_DATE: v.date = static_cast<DATE>(x); break;
    case VT_ERROR: v.scode = static_cast<SCODE>(x); break;
    default: v.vt = VT_EMPTY; break;
    }
}

// An in parameter: the converted argument kept alive for the call.
template <class T>
class InArg {
public:
    InArg() { VariantInit(&m_v); }
    ~InArg()
    {
        if constexpr (IsInterfacePointer<T>::value) {
            if (m_owned && m_itf)
                m_itf->Release();
        }
        VariantClear(&m_v);
    }
    InArg(const InArg&) = delete;
    InArg& operator=(const InArg&) = delete;

    HRESULT Load(DispatchArgs& args, UINT index, UINT inCount, VARTYPE vt)
    {
        const HRESULT hr = args.Fetch(index, inCount, vt, m_v);
        if (FAILED(hr))
            return hr;
        if constexpr (IsInterfacePointer<T>::value) {
            using I = std::remove_pointer_t<T>;
            IUnknown* unk = (m_v.vt == VT_UNKNOWN || m_v.vt == VT_DISPATCH) ? m_v.punkVal : nullptr;
            if (unk) {
                if constexpr (std::is_same_v<I, IUnknown>) {
                    m_itf = unk;
                } else if constexpr (std::is_same_v<I, IDispatch>) {
                    if (m_v.vt != VT_DISPATCH)
                        return args.Fail(index, inCount, DISP_E_TYPEMISMATCH);
                    m_itf = m_v.pdispVal;
                } else {
                    void* p = nullptr;
                    if (FAILED(unk->QueryInterface(uuidof<I>(), &p)) || !p)
                        return args.Fail(index, inCount, DISP_E_TYPEMISMATCH);
                    m_itf = static_cast<I*>(p);
                    m_owned = true;
                }
            }
        }
        return S_OK;
    }

    T Get()
    {
        using U = std::remove_cv_t<T>;
        if constexpr (std::is_same_v<U, VARIANT>)
            return m_v;
        else if constexpr (std::is_same_v<U, BSTR> || std::is_same_v<U, const OLECHAR*>)
            return m_v.bstrVal;
        else if constexpr (IsInterfacePointer<U>::value)
            return m_itf;
        else if constexpr (std::is_same_v<U, bool>)
            return ReadNumber<LONGLONG>(m_v) != 0;
        else if constexpr (std::is_enum_v<U>)
            return static_cast<U>(ReadNumber<std::underlying_type_t<U>>(m_v));
        else
            return ReadNumber<U>(m_v);
    }

private:
    VARIANT m_v;
    std::conditional_t<IsInterfacePointer<T>::value, T, void*> m_itf = nullptr;
    bool m_owned = false;
};

// An out parameter (P is U*): storage for the callee, turned into a variant afterwards.
template <class P>
class OutArg {
    using U = std::remove_pointer_t<P>;

public:
    OutArg()
    {
        if constexpr (std::is_same_v<U, VARIANT>)
            VariantInit(&m_value);
        else
            m_value = U{};
    }
    ~OutArg()
    {
        if constexpr (std::is_same_v<U, VARIANT>)
            VariantClear(&m_value);
        else if constexpr (std::is_same_v<U, BSTR>)
            SysFreeString(m_value);
        else if constexpr (IsInterfacePointer<U>::value) {
            if (m_value)
                m_value->Release();
        }
    }
    OutArg(const OutArg&) = delete;
    OutArg& operator=(const OutArg&) = delete;

    P Pointer() { return &m_value; }

    // An in/out argument passed by reference: its value goes in first.
    HRESULT LoadInitial(const VARIANT& byref, VARTYPE vt)
    {
        VARIANT v;
        VariantInit(&v);
        const HRESULT hr = VariantChangeType(&v, &byref, 0, vt);
        if (FAILED(hr))
            return DISP_E_TYPEMISMATCH;
        if constexpr (std::is_same_v<U, VARIANT>) {
            VariantClear(&m_value);
            m_value = v;
            return S_OK;
        } else if constexpr (std::is_same_v<U, BSTR>) {
            m_value = v.bstrVal;
            return S_OK;
        } else if constexpr (IsInterfacePointer<U>::value) {
            VariantClear(&v); // an interface given by reference starts empty for the callee
            return S_OK;
        } else if constexpr (std::is_same_v<U, bool>) {
            m_value = ReadNumber<LONGLONG>(v) != 0;
            return S_OK;
        } else if constexpr (std::is_enum_v<U>) {
            m_value = static_cast<U>(ReadNumber<std::underlying_type_t<U>>(v));
            return S_OK;
        } else {
            m_value = ReadNumber<U>(v);
            return S_OK;
        }
    }

    // Moves the value into `out` as type vt.
    void Store(VARTYPE vt, VARIANT& out)
    {
        VariantInit(&out);
        if constexpr (std::is_same_v<U, VARIANT>) {
            out = m_value;
            VariantInit(&m_value);
        } else if constexpr (std::is_same_v<U, BSTR>) {
            out.vt = VT_BSTR;
            out.bstrVal = std::exchange(m_value, nullptr);
        } else if constexpr (IsInterfacePointer<U>::value) {
            out.vt = vt;
            if (vt == VT_DISPATCH && m_value) {
                // The interface is dual; its pointer is an IDispatch.
                if constexpr (std::is_base_of_v<IDispatch, std::remove_pointer_t<U>>)
                    out.pdispVal = std::exchange(m_value, nullptr);
            } else {
                out.punkVal = std::exchange(m_value, nullptr);
            }
        } else if constexpr (std::is_enum_v<U>) {
            WriteNumber(static_cast<std::underlying_type_t<U>>(m_value), vt, out);
        } else {
            WriteNumber(m_value, vt, out);
        }
    }

private:
    U m_value;
};

template <class T>
constexpr VARTYPE TypeOf(const DispatchMember& m, std::size_t index)
{
    return m.types[index] != VT_EMPTY ? m.types[index] : DefaultType<T>();
}

template <class Params, std::size_t... I>
constexpr UINT RequiredCount(std::index_sequence<I...>)
{
    // Trailing VARIANT parameters are optional.
    UINT required = 0;
    ((std::is_same_v<std::remove_cv_t<std::tuple_element_t<I, Params>>, VARIANT> ? 0 : (required = I + 1)), ...);
    return required;
}

// Whether the last parameter receives the result (false for a method without parameters).
template <class Params>
constexpr bool HasOutParam()
{
    constexpr std::size_t N = std::tuple_size_v<Params>;
    if constexpr (N == 0)
        return false;
    else
        return kIsOut<std::tuple_element_t<N - 1, Params>>;
}

template <auto Method, std::size_t... I>
HRESULT CallMember(void* self, const DispatchMember& m, DispatchArgs& args, std::index_sequence<I...>)
{
    using Traits = MethodTraits<decltype(Method)>;
    using C = typename Traits::Class;
    using Params = typename Traits::Params;
    // The table calls through the interface pointer: name the interface's method
    // (&IFoo::Bar), not the implementing class's.
    static_assert(std::is_abstract_v<C> && std::is_base_of_v<IDispatch, C>,
                  "a dispatch member must be a method of the dual interface");
    constexpr std::size_t N = std::tuple_size_v<Params>;
    constexpr bool hasOut = HasOutParam<Params>();
    constexpr UINT inCount = hasOut ? UINT(N - 1) : UINT(N);
    static_assert(N <= kMaxDispatchParams, "too many parameters for a dispatch member");

    HRESULT hr = args.CheckCount(inCount, RequiredCount<Params>(std::make_index_sequence<inCount>{}), hasOut);
    if (FAILED(hr))
        return hr;
    std::tuple<InArg<std::tuple_element_t<I, Params>>...> in;
    ((SUCCEEDED(hr) ? (hr = std::get<I>(in).Load(args, UINT(I), inCount,
                                                  TypeOf<std::tuple_element_t<I, Params>>(m, I)))
                    : hr),
     ...);
    if (FAILED(hr))
        return hr;
    C* object = static_cast<C*>(self);
    if constexpr (hasOut) {
        using P = std::tuple_element_t<N - 1, Params>;
        using U = std::remove_pointer_t<P>;
        const VARTYPE outType = m.types[N - 1] != VT_EMPTY ? m.types[N - 1] : DefaultType<U>();
        OutArg<P> out;
        if (VARIANT* byref = args.ByrefOut()) {
            hr = out.LoadInitial(*byref, outType);
            if (FAILED(hr))
                return args.Fail(inCount, inCount, hr);
        }
        args.MarkCalled();
        hr = (object->*Method)(std::get<I>(in).Get()..., out.Pointer());
        if (FAILED(hr))
            return hr;
        VARIANT value;
        out.Store(outType, value);
        if (VARIANT* byref = args.ByrefOut()) {
            const HRESULT stored = StoreByref(*byref, value);
            VariantClear(&value);
            return FAILED(stored) ? args.Fail(inCount, inCount, stored) : hr;
        }
        VariantClear(&args.Result());
        args.Result() = value;
        return hr;
    } else {
        args.MarkCalled();
        return (object->*Method)(std::get<I>(in).Get()...);
    }
}

template <auto Method>
HRESULT Call(void* self, const DispatchMember& m, DispatchArgs& args)
{
    using Params = typename MethodTraits<decltype(Method)>::Params;
    constexpr std::size_t N = std::tuple_size_v<Params>;
    if constexpr (HasOutParam<Params>())
        return CallMember<Method>(self, m, args, std::make_index_sequence<N - 1>{});
    else
        return CallMember<Method>(self, m, args, std::make_index_sequence<N>{});
}

} // namespace platform::com::dispatch

// A table entry for an interface method; `types` names argument types in parameter order
// where the C++ type does not say it (VT_BOOL for VARIANT_BOOL, VT_DATE for DATE).
template <auto Method>
DispatchMember DispMember(const char* name, DISPID dispid, WORD flags, std::initializer_list<VARTYPE> types = {})
{
    DispatchMember member{name, dispid, flags, &platform::com::dispatch::Call<Method>, {}};
    std::size_t i = 0;
    for (VARTYPE vt : types) {
        if (i < kMaxDispatchParams)
            member.types[i++] = vt;
    }
    return member;
}
