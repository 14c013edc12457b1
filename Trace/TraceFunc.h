// Scope tracer for functions that return an HRESULT: "-->name()" on entry and, on every exit,
// "<--name(), ret = %lx" with the value of the result variable at that moment, at level 3.
#pragma once

#include "Trace.h"

class CTraceFunc {
public:
    CTraceFunc(LPCSTR name, const HRESULT* result) : m_name(name), m_result(result)
    {
        TracePrintRaw(__FILE__, __LINE__, TL_CALL, "-->%s()\n", m_name);
    }
    ~CTraceFunc() { TracePrintRaw(__FILE__, __LINE__, TL_CALL, "<--%s(), ret = %lx\n", m_name, *m_result); }
    CTraceFunc(const CTraceFunc&) = delete;
    CTraceFunc& operator=(const CTraceFunc&) = delete;

private:
    LPCSTR m_name;
    const HRESULT* m_result; // the function's result variable, read when the scope ends
};
