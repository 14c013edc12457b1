// The view of the test extension's Tools-Options page: a panel with one check box.
#include <wx/checkbox.h>
#include <wx/panel.h>

extern "C" [[gnu::visibility("default")]] void* CreateTestPageView(void* parent)
{
    auto* panel = new wxPanel(static_cast<wxWindow*>(parent));
    new wxCheckBox(panel, wxID_ANY, "Test setting", wxPoint(12, 12));
    return static_cast<wxWindow*>(panel);
}
