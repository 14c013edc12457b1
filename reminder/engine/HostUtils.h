// Bridges between the host and MAPI: the MAPI session behind the host's Application object,
// and the signal time a reminder item gets when it has none.
#pragma once

#include "com/Dispatch.h"
#include "mapi/Mapi.h"

// The IUnknown of the MAPI session of the application's name space ("MAPIOBJECT"), with the
// reference the host handed out.
HRESULT GetMapiSession(IDispatch* application, IUnknown** session);
// The session as the engine's Initialize takes it: a VARIANT of type VT_UNKNOWN, without a
// reference of its own.
VARIANT SessionVariant(IUnknown* session);
// Without a signal time (PSETID_Common 0x8560) the message gets reminder time (0x8502) minus
// the reminder delta (0x8501, signed minutes; missing: 0). E_FAIL without a reminder time or
// when the result would lie before 1601. The caller saves the message.
HRESULT EnsureFlagDueBy(IMessage* message);
