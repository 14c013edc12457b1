// Visual themes ("uxtheme.dll"): windows are drawn by the toolkit, which themes them whenever it
// runs on a display; headless nothing is drawn and nothing is themed.
#pragma once

#include "base/WinTypes.h"

extern "C" {
// TRUE while a toolkit display runs in the process (platform::ToolkitDisplayRunning).
BOOL IsThemeActive();
BOOL IsAppThemed();
}
