// Small MAPI helpers shared by the engine classes: a new MAPI session per caller, and binary
// values as lowercase hex text.
#pragma once

#include "com/Bstr.h"
#include "mapi/MapiX.h"

// MAPI_UNICODE | MAPI_TIMEOUT_SHORT | MAPI_NO_MAIL | MAPI_EXTENDED | MAPI_EXPLICIT_PROFILE |
// MAPI_NEW_SESSION
inline constexpr ULONG kEngineLogonFlags = 0x80108032;

// A new session of its own on the named MAPI profile.
HRESULT MAPILogon(LPCWSTR pszProfile, LPMAPISESSION* ppSession);

// Two lowercase hex digits per byte; empty binary gives empty text.
HRESULT SBin2bstr(const SBinary& bin, BSTR* pText);
HRESULT SBin2bstr(ULONG cb, const BYTE* pb, BSTR* pText);
// Characters / 2 bytes (an odd last character is ignored). Text that is not hex gives
// E_INVALIDARG and leaves *pBin empty. The bytes are freed with FreeSBin.
HRESULT bstr2SBin(const OLECHAR* text, SBinary* pBin);
// The same from 8-bit text.
HRESULT str2SBin(LPCSTR text, SBinary* pBin);
HRESULT dupSBin(const SBinary& bin, SBinary* pCopy);
void FreeSBin(SBinary* pBin);
