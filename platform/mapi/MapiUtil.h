// MAPI memory and the utility functions of the MAPI library.
#pragma once

#include "mapi/MapiX.h"

using LPALLOCATEBUFFER = SCODE (*)(ULONG cbSize, LPVOID* lppBuffer);
using LPALLOCATEMORE = SCODE (*)(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
using LPFREEBUFFER = ULONG (*)(LPVOID lpBuffer);

// A block from MAPIAllocateBuffer owns every block chained to it with MAPIAllocateMore;
// MAPIFreeBuffer of the first frees them all.
SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
ULONG MAPIFreeBuffer(LPVOID lpBuffer);

HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp);
HRESULT HrSetOneProp(LPMAPIPROP lpMapiProp, LPSPropValue lpProp);
HRESULT HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags, LPSRestriction lpRestriction,
                       LPSSortOrderSet lpSortOrderSet, LONG crowsMax, LPSRowSet* lppRows);
void FreeProws(LPSRowSet lpRows);
void FreePadrlist(LPADRLIST lpAdrlist);
LPSPropValue PpropFindProp(LPSPropValue lpPropArray, ULONG cValues, ULONG ulPropTag);
SCODE ScCountProps(int cValues, LPSPropValue lpPropArray, ULONG* lpcb);
SCODE ScDupPropset(int cValues, LPSPropValue lpPropArray, LPALLOCATEBUFFER lpAllocateBuffer,
                   LPSPropValue* lppPropArray);
SCODE PropCopyMore(LPSPropValue lpSPropValueDest, LPSPropValue lpSPropValueSrc, LPALLOCATEMORE lpfAllocMore,
                   LPVOID lpvObject);
// Upper-case hexadecimal, two characters per byte, zero-terminated (sz holds 2 * cb + 1).
void HexFromBin(LPBYTE pb, int cb, LPSTR sz);
// Reads pairs of hexadecimal digits (either case) up to the terminator; FALSE for any other
// character or an odd count.
BOOL FBinFromHex(LPSTR sz, LPBYTE pb);
ULONG UlRelease(LPVOID punk);
ULONG UlAddRef(LPVOID punk);
// Looks at once for changes made by this or another process to the stores and profiles that
// the calling thread's advised objects watch; their notifications are posted to this thread's
// message loop and arrive when it next runs. (Without this call the loop looks every second.)
HRESULT HrDispatchNotifications(ULONG ulFlags);
