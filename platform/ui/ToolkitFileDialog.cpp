#include "ui/ToolkitFileDialog.h"

#include "ui/WindowBinding.h"

#include <wx/filedlg.h>

#include <wx/toplevel.h>

namespace platform::ui {

std::optional<FileDialogResult> ToolkitFileDialog::Ask(const FileDialogRequest& request)
{
    wxString wildcard;
    for (const FileFilter& filter : request.filters) {
        if (!wildcard.empty())
            wildcard += "|";
        wildcard += wxString::FromUTF8(filter.description) + "|" + wxString::FromUTF8(filter.patterns);
    }
    if (wildcard.empty())
        wildcard = wxFileSelectorDefaultWildcardStr;
    long style = request.save ? wxFD_SAVE : wxFD_OPEN;
    if (request.save && (request.flags & OFN_OVERWRITEPROMPT))
        style |= wxFD_OVERWRITE_PROMPT;
    if (!request.save && (request.flags & OFN_FILEMUSTEXIST))
        style |= wxFD_FILE_MUST_EXIST;
    const wxString title = request.title.empty() ? wxString(request.save ? "Save As" : "Open")
                                                 : wxString::FromUTF8(request.title);
    wxWindow* parent = request.owner ? WindowBinding::FrameOf(request.owner) : nullptr;
    wxFileDialog dialog(parent, title, wxString::FromUTF8(request.initialDirectory),
                        wxString::FromUTF8(request.fileName), wildcard, style);
    if (request.filterIndex > 0 && request.filterIndex <= request.filters.size())
        dialog.SetFilterIndex(static_cast<int>(request.filterIndex - 1));
    if (dialog.ShowModal() != wxID_OK || dialog.GetPath().empty())
        return std::nullopt;
    FileDialogResult result;
    result.path = dialog.GetPath().utf8_string();
    if (!request.filters.empty())
        result.filterIndex = static_cast<DWORD>(dialog.GetFilterIndex() + 1);
    return result;
}

} // namespace platform::ui
