// Value types and data as the tool shows and takes them on its command line.
#pragma once

#include "base/WinTypes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class RegValueText {
public:
    static std::string TypeName(DWORD type);
    static std::optional<DWORD> TypeFromName(std::string_view name);

    // The data column of `query`: text up to its terminator, REG_MULTI_SZ strings joined by
    // "\0", numbers as 0x..., everything else as upper-case hex digits.
    static std::string Display(DWORD type, std::span<const BYTE> data);

    // The bytes that `add /t type /d text` stores. False, with a message, for text that does
    // not fit the type (a number out of range, bad hex digits).
    static bool Parse(DWORD type, std::string_view text, std::vector<BYTE>& data, std::string& error);

    static std::string Hex(std::span<const BYTE> data);
    // Hex digits, two per byte, nothing between them.
    static bool ParseHex(std::string_view text, std::vector<BYTE>& data);
    // Decimal or 0x-hexadecimal, at most max.
    static bool ParseNumber(std::string_view text, std::uint64_t max, std::uint64_t& value);
};
