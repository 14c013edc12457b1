// The windowed tests' common steps: letting the toolkit and the platform's loop catch up, a
// picture of a window among the program's own pictures (build/artifacts/orvinta), and a look at
// a window's control by id.
#pragma once

#include "WindowPictures.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/toplevel.h>

#include <string>

namespace tooltest {

inline void Settle()
{
    toolkit_test::Settle();
}

inline void Picture(wxTopLevelWindow* window, const std::string& name)
{
    toolkit_test::SavePicture(window, name, ORVINTA_ARTIFACTS);
}

inline std::string Label(wxWindow* window, int id)
{
    wxWindow* control = window->FindWindow(id);
    return control ? control->GetLabel().utf8_string() : std::string("<none>");
}

inline bool Shown(wxWindow* window, int id)
{
    wxWindow* control = window->FindWindow(id);
    return control && control->IsShown();
}

inline bool Enabled(wxWindow* window, int id)
{
    wxWindow* control = window->FindWindow(id);
    return control && control->IsEnabled();
}

} // namespace tooltest
