// How the built-in form shows itself. Headless, a form has no window: what it does is recorded
// (mapi/OpenForms.h) and tests or scripts act as its user. A windowed program installs a
// factory of toolkit windows (platform/ui does while its toolkit runs).
#pragma once

#include "base/WinMessages.h"
#include "base/WinTypes.h"

#include <memory>

namespace mapi {

class BuiltInForm;

// One form's window. The form owns it and calls it on the thread that uses the form.
class FormDisplay {
public:
    virtual ~FormDisplay() = default;
    // The verb open: shows the form, or brings it to the front, owned by `parent` (or none) and
    // at `position` (screen coordinates) when given. Modal: returns once the form has closed.
    virtual HRESULT Open(HWND parent, const RECT* position, bool modal) = 0;
    // What the form shows or allows changed (texts after loading or saving, buttons).
    virtual void Refresh() = 0;
    // The form shuts down: the window goes and calls the form no more.
    virtual void Close() = 0;
    // The window while it shows (null headless).
    virtual HWND Window() const = 0;
    virtual bool Shown() const = 0;
};

class FormDisplayFactory {
public:
    virtual ~FormDisplayFactory() = default;
    virtual std::unique_ptr<FormDisplay> Create(BuiltInForm& form) = 0;
};

// Installs the factory that forms opened from now on use and returns the one before; null
// restores the headless one.
std::shared_ptr<FormDisplayFactory> SetFormDisplayFactory(std::shared_ptr<FormDisplayFactory> factory);
std::shared_ptr<FormDisplayFactory> CurrentFormDisplayFactory();

} // namespace mapi
