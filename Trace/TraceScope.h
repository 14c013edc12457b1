// Everything a traced function needs: the writer, the four scope tracers and TRACE_FAILED.
//
//   HRESULT CStore::Open()
//   {
//       HRESULT hr = S_OK;
//       TRACE_FUNC("CStore::Open", &hr);     // the prefix with this file and line, then "-->CStore::Open()"
//       hr = m_session->OpenMsgStore(...);
//       if (FAILED(hr)) {
//           TRACE_FAILED(OpenMsgStore, hr);
//           goto Exit;
//       }
//   Exit:
//       return hr;
//   }
#pragma once

#include "Trace.h"
#include "TraceCtor.h"
#include "TraceDtor.h"
#include "TraceFunc.h"
#include "TraceProc.h"

// The traced-function pattern in one statement: the prefix alone (time, "C", label, this source
// file and line), which the tracer's entry line then completes.
#define TRACE_SCOPE_PREFIX() TracePrint(__FILE__, __LINE__, TL_CALL, "")
#define TRACE_PROC(name)                                                                           \
    TRACE_SCOPE_PREFIX();                                                                          \
    CTraceProc traceScope_(name)
#define TRACE_FUNC(name, result)                                                                   \
    TRACE_SCOPE_PREFIX();                                                                          \
    CTraceFunc traceScope_(name, result)
#define TRACE_CTOR(className)                                                                      \
    TRACE_SCOPE_PREFIX();                                                                          \
    CTraceCtor traceScope_(className, this)
#define TRACE_DTOR(className)                                                                      \
    TRACE_SCOPE_PREFIX();                                                                          \
    CTraceDtor traceScope_(className, this)
