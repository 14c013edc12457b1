#include "DialogControls.h"

#include "DialogUnits.h"

#include "base/Module.h"
#include "base/Resources.h"
#include "ui/ToolkitImages.h"

wxStaticText* DluStatic(wxWindow* parent, int id, int x, int y, int cx, int cy, long style)
{
    const wxRect r = DluRect(x, y, cx, cy);
    return new wxStaticText(parent, id, wxString(), r.GetPosition(), r.GetSize(), style | wxST_NO_AUTORESIZE);
}

wxButton* DluButton(wxWindow* parent, int id, int x, int y, int cx, int cy)
{
    const wxRect r = DluRect(x, y, cx, cy);
    return new wxButton(parent, id, wxString(), r.GetPosition(), r.GetSize());
}

wxCheckBox* DluCheckBox(wxWindow* parent, int id, int x, int y, int cx, int cy)
{
    const wxRect r = DluRect(x, y, cx, cy);
    return new wxCheckBox(parent, id, wxString(), r.GetPosition(), r.GetSize());
}

wxRadioButton* DluRadio(wxWindow* parent, int id, int x, int y, int cx, int cy, bool firstOfGroup)
{
    const wxRect r = DluRect(x, y, cx, cy);
    return new wxRadioButton(parent, id, wxString(), r.GetPosition(), r.GetSize(), firstOfGroup ? wxRB_GROUP : 0);
}

wxTextCtrl* DluEdit(wxWindow* parent, int id, int x, int y, int cx, int cy, long style)
{
    const wxRect r = DluRect(x, y, cx, cy);
    return new wxTextCtrl(parent, id, wxString(), r.GetPosition(), r.GetSize(), style);
}

wxStaticBox* DluGroup(wxWindow* parent, int id, int x, int y, int cx, int cy)
{
    const wxRect r = DluRect(x, y, cx, cy);
    return new wxStaticBox(parent, id, wxString(), r.GetPosition(), r.GetSize());
}

wxStaticLine* DluLine(wxWindow* parent, int id, int x, int y, int cx)
{
    const wxRect r = DluRect(x, y, cx, 1);
    return new wxStaticLine(parent, id, r.GetPosition(), wxSize(r.width, 2));
}

wxStaticBitmap* DluPicture(wxWindow* parent, int id, int x, int y, const wxBitmap& bitmap)
{
    return new wxStaticBitmap(parent, id, bitmap, DluPoint(x, y), bitmap.IsOk() ? bitmap.GetSize() : wxSize(16, 16));
}

wxBitmap SystemIconBitmap(const char* name, int size)
{
    wxImage image = platform::ui::ImageOfIcon(LoadIconA(nullptr, name));
    if (!image.IsOk())
        return wxBitmap(size, size);
    if (image.GetWidth() != size)
        image.Rescale(size, size, wxIMAGE_QUALITY_HIGH);
    return wxBitmap(image);
}

wxBitmap ProgramIconBitmap(unsigned id, int size)
{
    const HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0);
    wxImage image = platform::ui::ImageOfIcon(static_cast<HICON>(icon));
    if (icon)
        DestroyIcon(static_cast<HICON>(icon));
    if (!image.IsOk())
        return wxBitmap(size, size);
    if (image.GetWidth() != size)
        image.Rescale(size, size, wxIMAGE_QUALITY_HIGH);
    return wxBitmap(image);
}
