// Profile values in the registry: UTF-16LE text with its terminating zero, stored as REG_BINARY.
#pragma once

#include "registry/Registry.h"

#include <string>

HRESULT RegSetValue(HKEY hKey, LPCSTR pszName, const std::u16string& text);
// A missing or empty value gives empty text and S_OK. The text ends at the value's last byte
// or at its first zero character, whichever comes first.
HRESULT RegGetValue(HKEY hKey, LPCSTR pszName, std::u16string& text);
