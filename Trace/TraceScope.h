// Everything a traced function needs: the writer, the four scope tracers and TRACE_FAILED.
//
//   HRESULT CStore::Open()
//   {
//       TracePrint(__FILE__, __LINE__, TL_CALL, "");
//       HRESULT hr = S_OK;
//       CTraceFunc trace("CStore::Open", &hr);
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
