// Names of keys and values: case-insensitive comparison (folded form) and the splitting of
// subkey paths.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

// Longest key name (one path part) and value name, in characters.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;

class KeyName {
public:
    // The form in which names are compared and ordered: upper case, as the platform orders
    // subkeys. ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters are folded; other
    // bytes (including ill-formed UTF-8) are kept as they are.
    static std::string Fold(std::string_view name);

    // Splits a subkey path at '\\'. Empty parts (doubled or trailing separators) are skipped.
    // A path that begins with '\\' gives ERROR_BAD_PATHNAME, a part longer than
    // kMaxKeyNameLength characters ERROR_INVALID_PARAMETER.
    static LONG Split(const char* path, std::vector<std::string>& parts);

    // Number of characters (code points) of UTF-8 text; ill-formed bytes count one each.
    static std::size_t CharacterCount(std::string_view text);
};

} // namespace platform::registry
