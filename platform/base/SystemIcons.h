// The system icons that LoadIconA(NULL, IDI_...) hands out, drawn at any size: application,
// error, question, warning, information, the platform logo and the shield.
#pragma once

#include "base/ResourceImage.h"

#include <optional>

namespace platform {

// Nothing for an id that is no system icon (or a size below 1 or above 256).
std::optional<ImagePixels> DrawSystemIcon(unsigned id, int size);

} // namespace platform
