// Dialog units. Dialogs here are toolkit code, laid out in dialog units as their templates were:
// MapDialogRect turns them into pixels with the base units of the dialog font (the average
// character width and the character height): x * baseX / 4, y * baseY / 8. Headless the base
// units are those of the classic 8-point dialog font at 96 dpi, 6 x 13; a windowed program sets
// its dialog font's.
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

extern "C" {
// FALSE and ERROR_INVALID_PARAMETER for a null rectangle; the dialog window itself does not
// change the result.
BOOL MapDialogRect(HWND dialog, LPRECT rect);
}

namespace platform {

struct DialogBaseUnits {
    int x = 6;
    int y = 13;
};

DialogBaseUnits CurrentDialogBaseUnits();
// Values below 1 are refused (the units stay as they were).
void SetDialogBaseUnits(DialogBaseUnits units);

} // namespace platform
