// A toolkit control bound to a dialog item (base/DialogItems.h): the control shows the item's
// text, check state and enabling as the program sets them, and the user's typing and clicks
// reach the item as they would on the platform: typing is TypeDialogItemText (text, modified
// mark, EN_CHANGE), a click on a button, check box or radio button is BM_CLICK (state, then
// BN_CLICKED). Text controls, check boxes, radio buttons, buttons, group boxes and static texts
// can be bound; a combo box shows the item's list, text and current entry (typing is typing, a
// choice from the list is SelectComboItem), a static bitmap the item's icon or bitmap.
#pragma once

#include "base/WinTypes.h"

class wxWindow;

namespace platform::ui {

// Binds the control to the item until either goes; false for a control of another kind or no
// item.
bool BindDialogItem(HWND item, wxWindow* control);

} // namespace platform::ui
