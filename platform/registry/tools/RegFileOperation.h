// One change that an imported registry file asks for, with the line it came from.
#pragma once

#include "RegKeyPath.h"

#include <string>
#include <vector>

struct RegFileOperation {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };

    Kind kind = Kind::CreateKey;
    RegKeyPath key;
    std::string name; // value name; empty for the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    int line = 0;
};
