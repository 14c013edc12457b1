// Setting the thread's error info from a failing method: ReportError builds an error object
// (source, description, the interface's IID; no help file, context 0), sets it and returns hr,
// so that a method can end with   return ReportError(hr, IID_OF(IAccount), u"Bank.Account", u"...");
#pragma once

#include "com/ErrorInfo.h"

#include <string_view>

HRESULT ReportError(HRESULT hr, REFGUID iid, std::u16string_view source, std::u16string_view description);
// The same with UTF-8 texts.
HRESULT ReportError(HRESULT hr, REFGUID iid, std::string_view source, std::string_view description);
