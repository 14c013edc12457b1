// The names of the property tags the admin tool knows (text properties in their wide form).
#pragma once

#include "base/WinTypes.h"

#include <vector>

struct PropertyName {
    const char* name;
    ULONG tag;
};

const std::vector<PropertyName>& PropertyNames();
