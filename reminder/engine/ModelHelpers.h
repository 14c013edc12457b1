// Small helpers of the folder model's classes.
#pragma once

#include "com/Bstr.h"
#include "mapi/Mapi.h"

// The lower-case hex text of a binary value for a BSTR out-parameter. Without a value: `missing`,
// traced as "<name> not available".
HRESULT KeyText(const SPropValue* value, LPCSTR name, HRESULT missing, BSTR* pVal);

// Reads every row of the table from its first one: GetRowCount rows at the most, 20 a call, each
// row copied into a block of its own (MAPI buffers; free them with FreeRowSet). On a failure
// the rows read so far stay in *rows.
HRESULT ReadTableRows(IMAPITable* table, LPSRowSet* rows);
