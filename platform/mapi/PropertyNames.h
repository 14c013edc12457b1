// The names of the property tags the platform knows (text properties in their wide form), for
// tools and windows that show or read properties by name.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <vector>

namespace mapi {

struct PropertyName {
    const char* name;
    ULONG tag;
};

const std::vector<PropertyName>& PropertyNames();

// "PR_SUBJECT" for a tag of either string width, else the tag as "0x0037001F".
std::string PropertyTagName(ULONG tag);

} // namespace mapi
