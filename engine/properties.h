// The engine's named MAPI properties, in the property set of a sync profile (its key bytes).
#pragma once

#include "com/Unknown.h"
#include "mapi/MapiX.h"

// The tag of one MNID_STRING property of the set, created when missing, with the type bits
// cleared. Any non-zero result of the store, warnings included, fails with its top bit set.
HRESULT GetIDsFromNames(const GUID& guid, LPCWSTR pszName, IUnknown* pObject, ULONG* pTag);

HRESULT GetPRS_LAST_SYNC(IUnknown* pObject, const GUID& guid, ULONG* pTag);     // PT_SYSTIME
HRESULT GetPRS_SOURCE_FOLDER(IUnknown* pObject, const GUID& guid, ULONG* pTag); // PT_BINARY
HRESULT GetPRS_SEARCH_KEY(IUnknown* pObject, const GUID& guid, ULONG* pTag);    // PT_BINARY
HRESULT GetPRS_FOLDER_KEY(IUnknown* pObject, const GUID& guid, ULONG* pTag);    // PT_BINARY
