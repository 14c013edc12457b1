// What a command bar and its controls collection need of each control, whatever its type: its
// state, its interface, its sub-controls (popups only), and being cut from a bar that goes.
#pragma once

#include "base/ResourceImage.h"
#include "com/ComPtr.h"
#include "host/BuiltInCommands.h"
#include "host/CommandBarInterfaces.h"

#include <optional>
#include <string>

class CCommandBar;
class CCommandBarControls;

namespace host {

struct ControlState {
    LONG id = kCustomControlId;
    LONG type = msoControlButton;
    std::u16string caption;
    std::u16string tag;
    std::u16string tooltip;
    std::u16string description;
    std::u16string parameter;
    bool visible = true;
    bool enabled = true;
    bool beginGroup = false;
    bool builtIn = false;
    bool temporary = false;
    // A button's face and mask (white: transparent), copies of the pictures put to it.
    std::optional<ImagePixels> face;
    std::optional<ImagePixels> mask;
};

class CommandBarControlNode {
public:
    virtual ~CommandBarControlNode() = default;
    virtual ControlState& State() = 0;
    virtual ComPtr<CommandBarControl> Interface() = 0;
    // The popup's controls, null for a button.
    virtual CCommandBarControls* Children() = 0;
    // Placed into (or removed from, with nulls) a controls collection of a bar.
    virtual void Attach(CCommandBarControls* container, CCommandBar* bar) = 0;
};

} // namespace host
