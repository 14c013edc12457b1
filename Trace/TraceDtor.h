// Scope tracer for destructors: "-->Class::~Class(address)" on entry, "<--Class::~Class()" on
// exit, at level 3.
#pragma once

#include "Trace.h"
#include "TraceAddress.h"

class CTraceDtor {
public:
    CTraceDtor(LPCSTR className, const void* object) : m_className(className), m_object(object)
    {
        TracePrintRaw(__FILE__, __LINE__, TL_CALL, "-->%s::~%s(%s)\n", m_className, m_className,
                      TraceAddress(m_object).text);
    }
    ~CTraceDtor() { TracePrintRaw(__FILE__, __LINE__, TL_CALL, "<--%s::~%s()\n", m_className, m_className); }
    CTraceDtor(const CTraceDtor&) = delete;
    CTraceDtor& operator=(const CTraceDtor&) = delete;

private:
    LPCSTR m_className;
    const void* m_object;
};
