// The views library's entry: the add-in library finds it by name once a toolkit display runs.
#include "AddinDialogWnd.h"
#include "OptionsPageView.h"
#include "ui/WindowBinding.h"

#include <wx/app.h>

namespace {

wxWindow* OwnerFrame(HWND owner)
{
    if (wxWindow* frame = platform::ui::WindowBinding::FrameOf(owner))
        return frame;
    if (wxWindow* active = wxGetActiveWindow())
        return wxGetTopLevelParent(active);
    return wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
}

void ShowModeless(IDialogModel& dialog)
{
    auto* window = new AddinDialogWnd(nullptr, dialog);
    window->Show();
}

INT_PTR RunModal(IDialogModel& dialog, HWND owner)
{
    AddinDialogWnd window(OwnerFrame(owner), dialog);
    return window.Run();
}

void* CreatePageView(void* parent, IDialogModel& page)
{
    return new OptionsPageView(static_cast<wxWindow*>(parent), page);
}

} // namespace

extern "C" __attribute__((visibility("default"))) bool LumivaneViews(AddinViewHooks* hooks)
{
    if (!hooks || !wxTheApp)
        return false;
    hooks->showModeless = &ShowModeless;
    hooks->runModal = &RunModal;
    hooks->createPageView = &CreatePageView;
    return true;
}
