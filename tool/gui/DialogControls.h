// Controls of the program's dialogs placed in dialog units: each takes the id of its dialog
// item, so that a CDialogBinding shows the item in it.
#pragma once

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

wxStaticText* DluStatic(wxWindow* parent, int id, int x, int y, int cx, int cy, long style = 0);
wxButton* DluButton(wxWindow* parent, int id, int x, int y, int cx, int cy);
wxCheckBox* DluCheckBox(wxWindow* parent, int id, int x, int y, int cx, int cy);
wxRadioButton* DluRadio(wxWindow* parent, int id, int x, int y, int cx, int cy, bool firstOfGroup);
wxTextCtrl* DluEdit(wxWindow* parent, int id, int x, int y, int cx, int cy, long style = 0);
wxStaticBox* DluGroup(wxWindow* parent, int id, int x, int y, int cx, int cy);
wxStaticLine* DluLine(wxWindow* parent, int id, int x, int y, int cx);
wxStaticBitmap* DluPicture(wxWindow* parent, int id, int x, int y, const wxBitmap& bitmap);
// A 16 x 16 picture of a system icon (IDI_...), or the program's icon of that id at `size`.
wxBitmap SystemIconBitmap(const char* name, int size);
wxBitmap ProgramIconBitmap(unsigned id, int size);
