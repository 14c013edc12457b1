// Scope tracer for functions and methods without a result: "-->name()" on entry,
// "<--name()" on every exit, at level 3.
#pragma once

#include "Trace.h"

class CTraceProc {
public:
    explicit CTraceProc(LPCSTR name) : m_name(name) { TracePrintRaw(__FILE__, __LINE__, TL_CALL, "-->%s()\n", m_name); }
    ~CTraceProc() { TracePrintRaw(__FILE__, __LINE__, TL_CALL, "<--%s()\n", m_name); }
    CTraceProc(const CTraceProc&) = delete;
    CTraceProc& operator=(const CTraceProc&) = delete;

private:
    LPCSTR m_name; // the caller's literal, not copied
};
