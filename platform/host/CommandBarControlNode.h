// What a command bar and its controls collection need of each control, whatever its type: its
// state, its interface, its sub-controls (popups only), and being cut from a bar that goes.
#pragma once

#include "com/ComPtr.h"
#include "host/BuiltInCommands.h"
#include "host/CommandBarInterfaces.h"

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
