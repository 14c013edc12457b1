#include "base/Theme.h"

#include "base/DisplayState.h"

BOOL IsThemeActive()
{
    return platform::ToolkitDisplayRunning() ? TRUE : FALSE;
}

BOOL IsAppThemed()
{
    return platform::ToolkitDisplayRunning() ? TRUE : FALSE;
}
