// Arguments of late-bound calls on the host's objects, made as values: an optional argument left
// out, a number, a flag.
#pragma once

#include "com/Variant.h"

namespace VariantArgs {

inline VARIANT MissingArg()
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

inline VARIANT LongArg(LONG value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

inline VARIANT BoolArg(bool value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

} // namespace VariantArgs
