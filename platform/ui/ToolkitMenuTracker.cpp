#include "ui/ToolkitMenuTracker.h"

#include "ui/WindowBinding.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/toplevel.h>

namespace platform::ui {

namespace {

void Fill(wxMenu& target, HMENU menu, int depth, std::map<int, UINT>& commands)
{
    for (const MenuItemView& item : MenuItems(menu)) {
        if (item.state & MF_SEPARATOR) {
            target.AppendSeparator();
            continue;
        }
        const wxString text = wxString::FromUTF8(item.text);
        wxMenuItem* added = nullptr;
        if ((item.state & MF_POPUP) && item.popup) {
            auto* sub = new wxMenu;
            if (depth < 16)
                Fill(*sub, item.popup, depth + 1, commands);
            added = target.AppendSubMenu(sub, text);
        } else {
            const bool checked = (item.state & MF_CHECKED) != 0;
            const int id = wxID_HIGHEST + 1 + static_cast<int>(commands.size());
            commands[id] = item.id;
            added = target.Append(id, text, wxString(), checked ? wxITEM_CHECK : wxITEM_NORMAL);
            if (checked)
                added->Check(true);
        }
        if (item.state & (MF_GRAYED | MF_DISABLED))
            added->Enable(false);
    }
}

} // namespace

ToolkitMenuTracker::Built ToolkitMenuTracker::BuildMenu(HMENU menu)
{
    Built built;
    built.menu = std::make_unique<wxMenu>();
    Fill(*built.menu, menu, 0, built.commands);
    return built;
}

UINT ToolkitMenuTracker::Track(HMENU menu, UINT, int x, int y, HWND owner, const RECT*)
{
    wxWindow* window = owner ? WindowBinding::FrameOf(owner) : nullptr;
    if (!window && wxTheApp)
        window = wxTheApp->GetTopWindow();
    if (!window)
        return 0;
    const Built popup = BuildMenu(menu);
    // An owner that is not on the screen (a program that sits in the tray) cannot hold a popup
    // menu: a small window of the menu's own stands in for it at the point.
    wxFrame* anchor = nullptr;
    if (!window->IsShownOnScreen()) {
        anchor = new wxFrame(nullptr, wxID_ANY, wxString(), wxPoint(x, y), wxSize(1, 1),
                             wxFRAME_NO_TASKBAR | wxFRAME_TOOL_WINDOW | wxSTAY_ON_TOP | wxBORDER_NONE);
        anchor->Show();
        window = anchor;
    }
    const int chosen = window->GetPopupMenuSelectionFromUser(*popup.menu, window->ScreenToClient(wxPoint(x, y)));
    if (anchor)
        anchor->Destroy();
    const auto it = popup.commands.find(chosen);
    return it == popup.commands.end() ? 0 : it->second;
}

} // namespace platform::ui
