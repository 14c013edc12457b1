// Reading the optional VARIANT arguments of the object model's methods: a missing argument is
// VT_ERROR with DISP_E_PARAMNOTFOUND (or VT_EMPTY when a caller passes nothing at all).
#pragma once

#include "com/Variant.h"

#include <optional>
#include <string>

namespace host {

bool IsMissing(const VARIANT& v);
// The argument as a number, nullopt when missing; a text that is no number is E_INVALIDARG.
HRESULT OptionalLong(const VARIANT& v, std::optional<LONG>& out);
HRESULT OptionalBool(const VARIANT& v, std::optional<bool>& out);
HRESULT OptionalText(const VARIANT& v, std::optional<std::u16string>& out);
// Helpers for results.
HRESULT CopyText(const std::u16string& text, BSTR* out);
HRESULT PutBool(bool value, VARIANT_BOOL* out);
HRESULT PutLong(LONG value, LONG* out);

} // namespace host
