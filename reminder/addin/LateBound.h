// Late-bound calls on the host's objects through IDispatch by member name (system default
// locale), for objects whose interfaces the add-in does not bind to: a property read, a
// property write and a method call. Arguments are given first to last; a missing optional one
// is MissingArg().
#pragma once

#include "VariantArgs.h"
#include "com/Dispatch.h"
#include "com/Variant.h"

#include <initializer_list>

namespace LateBound {

using VariantArgs::BoolArg;
using VariantArgs::LongArg;
using VariantArgs::MissingArg;

HRESULT GetIDOfName(IDispatch* object, const char16_t* name, DISPID* dispid);
// The property's value into *result (a fresh variant the caller clears).
HRESULT GetProperty(IDispatch* object, const char16_t* name, VARIANT* result);
// The property's value as an object; E_NOINTERFACE for a value that is no object.
HRESULT GetObject(IDispatch* object, const char16_t* name, IDispatch** result);
HRESULT PutProperty(IDispatch* object, DISPID dispid, const VARIANT& value);
HRESULT PutProperty(IDispatch* object, const char16_t* name, const VARIANT& value);
// A method call; its result into *result when it is given (a fresh variant the caller clears).
HRESULT Invoke(IDispatch* object, const char16_t* name, std::initializer_list<VARIANT> args, VARIANT* result = nullptr);
// A method whose result is an object.
HRESULT InvokeObject(IDispatch* object, const char16_t* name, std::initializer_list<VARIANT> args, IDispatch** result);

} // namespace LateBound
