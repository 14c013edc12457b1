// The MAPI entry points: initialisation, logon and profile administration. Includes every
// declaration a MAPI client needs.
#pragma once

#include "mapi/MapiCodes.h"
#include "mapi/MapiDefs.h"
#include "mapi/MapiGuids.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/MapiX.h"

// Counted per thread: every MAPIInitialize is matched by a MAPIUninitialize on its thread.
HRESULT MAPIInitialize(LPVOID lpMapiInit);
void MAPIUninitialize();
HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPTSTR lpszProfileName, LPTSTR lpszPassword, FLAGS flFlags,
                    LPMAPISESSION* lppSession);
HRESULT MAPIAdminProfiles(ULONG ulFlags, LPPROFADMIN* lppProfAdmin);
