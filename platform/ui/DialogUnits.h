// Dialog units in the toolkit's dialog font: dialogs drawn as toolkit code are laid out in dialog
// units, which MapDialogRect turns into pixels with the base units of the font the toolkit gives
// dialogs (its average character width and its height).
#pragma once

#include <wx/gdicmn.h>

// Sets the platform's dialog base units from the toolkit's dialog font (once).
void UseToolkitDialogUnits();
// A rectangle and a size in dialog units, in pixels.
wxRect DluRect(int x, int y, int cx, int cy);
wxSize DluSize(int cx, int cy);
wxPoint DluPoint(int x, int y);
