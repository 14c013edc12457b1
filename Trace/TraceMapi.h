// MAPI dumps for the add-in's trace output: property tags, values, rows, row sets,
// notifications, binary values, client-extension contexts and property-sheet flags. Every dump
// is written at level 2 without prefixes, and looks at its argument only when that level is on.
#pragma once

#include "Trace.h"

#include "mapi/MapiDefs.h"

extern "C" {

// The tag's name, or the tag as eight hexadecimal digits; no line end.
void TracePropTag(ULONG ulPropTag);
// "(count) " and the bytes in hexadecimal, at most 1025 of them ("..." after the cut).
void TraceBinary(ULONG cb, const BYTE* lpb);
void TracePropValues(ULONG cValues, const SPropValue* lpProps);
void TraceRow(const SRow* lpRow);
void TraceRowSet(const SRowSet* lpRows);
void TraceNotification(const NOTIFICATION* lpNotification);
void TraceExtensionContext(ULONG ulContext);
void TracePropSheetFlags(ULONG ulFlag);

} // extern "C"
