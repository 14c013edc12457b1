// Connecting a sink to a connectable object in one call: find the object's connection point
// for iid and advise (or unadvise) the sink there.
#pragma once

#include "com/ConnectionPoints.h"

// E_INVALIDARG for a null object or sink; the object's own failure otherwise (E_NOINTERFACE
// when it is not connectable, CONNECT_E_NOCONNECTION without such a connection point,
// CONNECT_E_CANNOTCONNECT when the sink lacks iid).
HRESULT AdviseSink(IUnknown* pUnkCP, IUnknown* pUnkSink, REFIID iid, DWORD* pdwCookie);
HRESULT UnadviseSink(IUnknown* pUnkCP, REFIID iid, DWORD dwCookie);
