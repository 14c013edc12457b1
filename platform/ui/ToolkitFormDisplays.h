// The toolkit's windows for the built-in MAPI form (ui/FormWindow.h), bound to platform windows
// of class "MapiFormWindow" so that programs and scripts find, screenshot and close them like
// their own. ToolkitPlatform installs them while the toolkit runs.
#pragma once

#include "mapi/FormDisplay.h"

namespace platform::ui {

class ToolkitFormDisplays : public mapi::FormDisplayFactory {
public:
    std::unique_ptr<mapi::FormDisplay> Create(mapi::BuiltInForm& form) override;
};

} // namespace platform::ui
