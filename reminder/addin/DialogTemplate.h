// The add-in's dialogs without templates: each dialog lists its controls here, as its template
// would, in dialog units, with the ids its code uses and the string of its text. The dialog's
// logic makes the controls as dialog items of its window; a toolkit view makes its controls
// from the same list.
#pragma once

#include "base/WinTypes.h"

#include <span>

enum class ControlKind {
    PushButton,
    DefPushButton,
    CheckBox,
    RadioButton,
    Edit,
    Static,       // a text
    GroupBox,
    EtchedLine,   // a horizontal separator
    Icon,         // an icon resource (imageId), 32 x 32
    Picture,      // a bitmap resource (imageId)
    Frame,        // a sunken or hidden frame that marks a place
    Tree,         // the folder tree: a child window of its own
    BitmapButton, // a push button that shows an image (imageId: the image strip)
    ListView,     // a report list view: the dialog's own control, shown through its list model
    ComboBox,     // a drop-down combo box with an edit
};

// The id of a control no code addresses.
inline constexpr int IDC_STATIC = -1;

struct DialogControl {
    ControlKind kind;
    int id;
    UINT textId; // 0: no text
    short x, y, cx, cy;
    DWORD style = 0; // WS_GROUP, WS_TABSTOP and the like
    bool hidden = false;
    UINT imageId = 0;
    LANGID onlyLanguage = 0; // made only in this UI language (0: in every one)
};

struct DialogTemplate {
    UINT id;
    short cx, cy;  // dialog units
    UINT captionId; // 0: no caption
    std::span<const DialogControl> controls;
    // A resizable frame: frames and trees grow with it, buttons keep to its bottom-right corner.
    bool resizable = false;
};
