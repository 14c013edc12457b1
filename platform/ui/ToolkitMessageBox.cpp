#include "ui/ToolkitMessageBox.h"

#include "ui/WindowBinding.h"

#include <wx/msgdlg.h>
#include <wx/toplevel.h>

namespace platform::ui {

namespace {

// How the box's buttons map onto the toolkit's four (yes, no, cancel or ok, cancel), with their
// labels where they are not the toolkit's own.
struct Layout {
    long style = wxOK;
    int ok = IDOK, yes = 0, no = 0, cancel = 0;
    const char* okLabel = nullptr;
    const char* yesLabel = nullptr;
    const char* noLabel = nullptr;
    const char* cancelLabel = nullptr;
};

Layout LayoutOf(UINT type)
{
    Layout l;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: l.style = wxOK | wxCANCEL; l.cancel = IDCANCEL; break;
    case MB_ABORTRETRYIGNORE:
        l.style = wxYES_NO | wxCANCEL;
        l.yes = IDABORT, l.no = IDRETRY, l.cancel = IDIGNORE;
        l.yesLabel = "&Abort", l.noLabel = "&Retry", l.cancelLabel = "&Ignore";
        break;
    case MB_YESNOCANCEL: l.style = wxYES_NO | wxCANCEL; l.yes = IDYES, l.no = IDNO, l.cancel = IDCANCEL; break;
    case MB_YESNO: l.style = wxYES_NO; l.yes = IDYES, l.no = IDNO; break;
    case MB_RETRYCANCEL:
        l.style = wxOK | wxCANCEL;
        l.ok = IDRETRY, l.cancel = IDCANCEL;
        l.okLabel = "&Retry";
        break;
    case MB_CANCELTRYCONTINUE:
        l.style = wxYES_NO | wxCANCEL;
        l.yes = IDCANCEL, l.no = IDTRYAGAIN, l.cancel = IDCONTINUE;
        l.yesLabel = "Cancel", l.noLabel = "&Try Again", l.cancelLabel = "&Continue";
        break;
    default: break;
    }
    return l;
}

long IconStyle(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return wxICON_ERROR;
    case MB_ICONQUESTION: return wxICON_QUESTION;
    case MB_ICONEXCLAMATION: return wxICON_WARNING;
    case MB_ICONASTERISK: return wxICON_INFORMATION;
    default: return 0;
    }
}

// The toolkit's style that makes the button with this id the default.
long DefaultStyle(const Layout& l, int id)
{
    if (id == l.no)
        return wxNO_DEFAULT;
    if (id == l.cancel && l.cancel != 0)
        return wxCANCEL_DEFAULT;
    return 0;
}

} // namespace

int ToolkitMessageBox::Show(HWND owner, const std::string& text, const std::string& caption, UINT type)
{
    const Layout l = LayoutOf(type);
    const long style = l.style | IconStyle(type) | DefaultStyle(l, MessageBoxDefaultButton(type)) | wxCENTRE;
    wxWindow* parent = owner ? WindowBinding::FrameOf(owner) : nullptr;
    wxGenericMessageDialog box(parent, wxString::FromUTF8(text), wxString::FromUTF8(caption), style);
    if (l.yesLabel)
        box.SetYesNoCancelLabels(l.yesLabel, l.noLabel, l.cancelLabel);
    if (l.okLabel)
        box.SetOKCancelLabels(l.okLabel, "Cancel");
    switch (box.ShowModal()) {
    case wxID_OK: return l.ok;
    case wxID_YES: return l.yes;
    case wxID_NO: return l.no;
    case wxID_CANCEL:
        // The close box of a box without a cancel button gives its only answer.
        return l.cancel ? l.cancel : (l.style & wxYES_NO) ? 0 : l.ok;
    default: return 0;
    }
}

} // namespace platform::ui
