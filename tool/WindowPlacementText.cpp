#include "WindowPlacementText.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

std::string CPlacementText::Format() const
{
    char buffer[96];
    std::snprintf(buffer, sizeof(buffer), "%d,%d,%d,%d,%d,%d", rect.left, rect.top, rect.right, rect.bottom, showCmd,
                  flags);
    return buffer;
}

std::optional<CPlacementText> CPlacementText::Parse(const std::string& text)
{
    int values[6] = {};
    const char* p = text.c_str();
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (*p != ',')
                return std::nullopt;
            ++p;
        }
        while (*p == ' ')
            ++p;
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(p, &end, 10);
        if (end == p || errno == ERANGE || value < INT_MIN || value > INT_MAX)
            return std::nullopt;
        values[i] = static_cast<int>(value);
        p = end;
        while (*p == ' ')
            ++p;
    }
    if (*p != '\0')
        return std::nullopt;
    CPlacementText placement;
    placement.rect = {values[0], values[1], values[2], values[3]};
    placement.showCmd = values[4];
    placement.flags = values[5];
    return placement;
}
