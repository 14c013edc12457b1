// Scope tracer for constructors: "-->Class::Class(address)" on entry, "<--Class::Class()" on
// exit, at level 3.
#pragma once

#include "Trace.h"
#include "TraceAddress.h"

class CTraceCtor {
public:
    CTraceCtor(LPCSTR className, const void* object) : m_className(className), m_object(object)
    {
        TracePrintRaw(__FILE__, __LINE__, TL_CALL, "-->%s::%s(%s)\n", m_className, m_className,
                      TraceAddress(m_object).text);
    }
    ~CTraceCtor() { TracePrintRaw(__FILE__, __LINE__, TL_CALL, "<--%s::%s()\n", m_className, m_className); }
    CTraceCtor(const CTraceCtor&) = delete;
    CTraceCtor& operator=(const CTraceCtor&) = delete;

private:
    LPCSTR m_className;
    const void* m_object;
};
