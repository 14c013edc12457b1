// Reads a registry file (as RegFileWriter writes it, or as the platform's editor does) into
// the list of changes it asks for. The whole file is checked before anything is returned:
// one error anywhere and there is no list.
#pragma once

#include "RegFileOperation.h"

#include <string>
#include <string_view>
#include <vector>

class RegFileReader {
public:
    // bytes: the file's contents, UTF-8 (with or without a byte-order mark) or UTF-16LE with
    // its byte-order mark. False with "line N: ..." in error.
    static bool Parse(std::string_view bytes, std::vector<RegFileOperation>& operations, std::string& error);

private:
    static bool ParseQuoted(std::string_view& text, std::string& out, bool allowLineEscapes);
    static bool ParseHexList(std::string_view text, std::vector<BYTE>& data);
    static bool ParseValueData(std::string_view text, RegFileOperation& op, std::string& error);
};
