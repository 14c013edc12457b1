// BSTR: a UTF-16 string with its byte length in the four bytes before the first character
// and a terminating zero character after the last. It may hold embedded zeros; a null BSTR
// counts as the empty string.
#pragma once

#include "base/WinTypes.h"

using BSTR = OLECHAR*;
using LPBSTR = BSTR*;

BSTR SysAllocString(const OLECHAR* psz);
// Copies ui characters of pch (or leaves them zero when pch is null).
BSTR SysAllocStringLen(const OLECHAR* pch, UINT ui);
// A BSTR of len bytes copied from psz (zeroed when psz is null), as a byte string.
BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
// Replace *pbstr with a new copy; psz may point into the old string. TRUE on success.
INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
void SysFreeString(BSTR bstrString);
// Length in characters (bytes / 2, rounded down) and in bytes, without the terminator.
UINT SysStringLen(BSTR pbstr);
UINT SysStringByteLen(BSTR bstr);
