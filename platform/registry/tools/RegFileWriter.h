// The text of an exported registry file: the header, [KEY] sections and "name"=data lines.
// Data is written so that importing it gives back the same type and bytes: plain strings
// only for REG_SZ text with exactly one terminator (and no line breaks), dword: only for
// four-byte REG_DWORD values, hex(type): for everything else.
#pragma once

#include "base/WinTypes.h"

#include <span>
#include <string>

class RegFileWriter {
public:
    static constexpr const char* kHeader = "Windows Registry Editor Version 5.00";

    static std::string Header();
    // False when the key cannot be written (a line break in its name).
    static bool Section(const std::string& keyPath, std::string& text);
    static std::string ValueLine(const std::string& name, DWORD type, std::span<const BYTE> data);
    // A quoted string with \\, \" and (in names) \n and \r escaped.
    static std::string Quote(const std::string& text);
};
