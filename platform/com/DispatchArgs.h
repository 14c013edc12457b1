// DispatchArgs: the arguments of one IDispatch::Invoke call as the members of a dispatch
// table see them: in declaration order (COM passes them last first), the property value of a
// put, conversion to the parameter's type with the argument's index for puArgErr, and the
// result.
#pragma once

#include "com/Dispatch.h"

class DispatchArgs {
public:
    DispatchArgs(DISPPARAMS& params, WORD flags, VARIANT* result, UINT* argErr);
    ~DispatchArgs();
    DispatchArgs(const DispatchArgs&) = delete;
    DispatchArgs& operator=(const DispatchArgs&) = delete;

    bool IsPut() const { return (m_flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    // Positional arguments given (without the value of a put).
    UINT PositionalCount() const { return m_positional; }

    // Checks the number of arguments against a member with inCount parameters, of which the
    // first `required` must be given; an out parameter may be passed as a by-reference last
    // argument (ByrefOut() then gives it). DISP_E_BADPARAMCOUNT / DISP_E_PARAMNOTFOUND.
    HRESULT CheckCount(UINT inCount, UINT required, bool hasOut);

    // The argument of parameter `index` (declaration order) for a member with inCount in
    // parameters; null when it was not given.
    VARIANT* Arg(UINT index, UINT inCount);
    // Converts that argument to vt into `out` (a fresh variant the caller clears).
    // VT_VARIANT copies it (a missing one becomes VT_ERROR / DISP_E_PARAMNOTFOUND).
    // DISP_E_PARAMNOTOPTIONAL, DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW set puArgErr.
    HRESULT Fetch(UINT index, UINT inCount, VARTYPE vt, VARIANT& out);
    // Records a failed conversion of the argument of parameter `index`.
    HRESULT Fail(UINT index, UINT inCount, HRESULT hr);

    // The by-reference argument bound to the out parameter, or null (then it is the result).
    VARIANT* ByrefOut() const { return m_byrefOut; }
    // The result variant (owned here until Invoke hands it to the caller).
    VARIANT& Result() { return m_result; }

    // Marks the moment the member itself is called: its failure is the member's own.
    void MarkCalled() { m_called = true; }
    bool Called() const { return m_called; }

    // Hands the result to the caller's pVarResult (or frees it).
    void Finish();

private:
    UINT ErrIndex(UINT index, UINT inCount) const;

    DISPPARAMS& m_params;
    WORD m_flags;
    VARIANT* m_callerResult;
    UINT* m_argErr;
    UINT m_positional = 0;
    int m_putValue = -1; // index into rgvarg of the put's value
    VARIANT* m_byrefOut = nullptr;
    VARIANT m_result;
    bool m_called = false;
};

// Writes value into a by-reference argument (VT_BYREF | type, or VT_BYREF | VT_VARIANT),
// freeing what it held; DISP_E_TYPEMISMATCH when value cannot take the target's type.
HRESULT StoreByref(VARIANT& byref, const VARIANT& value);
