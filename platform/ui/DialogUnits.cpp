#include "ui/DialogUnits.h"

#include "base/DialogUnits.h"

#include <wx/dcscreen.h>
#include <wx/settings.h>

void UseToolkitDialogUnits()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    wxScreenDC dc;
    dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
    // The average width of the letters, rounded as the platform rounds it.
    const wxSize letters = dc.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    platform::DialogBaseUnits units;
    units.x = (letters.x / 26 + 1) / 2;
    units.y = dc.GetCharHeight();
    platform::SetDialogBaseUnits(units);
}

wxRect DluRect(int x, int y, int cx, int cy)
{
    UseToolkitDialogUnits();
    RECT rect{x, y, x + cx, y + cy};
    MapDialogRect(nullptr, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

wxSize DluSize(int cx, int cy) { return DluRect(0, 0, cx, cy).GetSize(); }

wxPoint DluPoint(int x, int y) { return DluRect(x, y, 0, 0).GetPosition(); }
