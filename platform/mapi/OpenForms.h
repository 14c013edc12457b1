// The built-in forms of the process and what they did, for programs that list or close their
// forms and for tests and scripts that act as a form's user.
#pragma once

#include "base/WinTypes.h"
#include "com/ComPtr.h"

#include <string>
#include <vector>

namespace mapi {

class BuiltInForm;

struct FormEvent {
    std::string verb; // "load", "open", "save", "send", "close"
    std::string messageClass;
    std::string subject; // as the form shows it then
    HRESULT result = S_OK;
};

// The forms loaded and not shut down yet, oldest first.
std::vector<ComPtr<BuiltInForm>> OpenForms();
// What the forms did, oldest first.
std::vector<FormEvent> FormEvents();
void ClearFormEvents();

namespace detail {
void AddOpenForm(BuiltInForm* form);
void RemoveOpenForm(BuiltInForm* form);
void RecordFormEvent(FormEvent event);
} // namespace detail

} // namespace mapi
