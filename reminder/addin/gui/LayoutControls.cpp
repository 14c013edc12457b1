#include "LayoutControls.h"

#include "BitmapButtonView.h"
#include "FolderImages.h"
#include "ListModelView.h"
#include "base/DialogItems.h"
#include "base/Resources.h"
#include "base/TreeCtrl.h"
#include "base/UiLanguage.h"
#include "ui/DialogItemBinding.h"
#include "ui/DialogUnits.h"
#include "ui/ToolkitImages.h"
#include "ui/TreeCtrlView.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Tree views by their model, while they live.
std::map<const CTreeCtrl*, wxWindow*>& TreeViews()
{
    static std::map<const CTreeCtrl*, wxWindow*> views;
    return views;
}

constexpr int kIconSize = 32;

} // namespace

wxString ModuleString(HINSTANCE module, UINT id)
{
    char text[1024] = {};
    LoadStringA(module, id, text, sizeof text);
    return wxString::FromUTF8(text);
}

LayoutControls::LayoutControls(wxWindow* parent, IDialogModel& model) : m_parent(parent), m_model(model)
{
    UseToolkitDialogUnits();
    if (const DialogTemplate* layout = model.Layout())
        for (const DialogControl& control : layout->controls)
            if (control.onlyLanguage == 0 || control.onlyLanguage == GetThreadUILanguage())
                Make(control);
}

wxWindow* LayoutControls::Control(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void LayoutControls::ShowItem(int id, bool show)
{
    if (wxWindow* control = Control(id))
        control->Show(show);
}

wxWindow* LayoutControls::TreeViewOf(const CTreeCtrl* model)
{
    const auto it = TreeViews().find(model);
    return it == TreeViews().end() ? nullptr : it->second;
}

void LayoutControls::Make(const DialogControl& control)
{
    const wxRect r = DluRect(control.x, control.y, control.cx, control.cy);
    const HWND item = control.id == IDC_STATIC ? nullptr : GetDlgItem(m_model.Window(), control.id);
    const HINSTANCE module = m_model.ResourceModule();
    const wxString text = control.textId ? ModuleString(module, control.textId) : wxString();
    wxWindow* made = nullptr;
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new wxButton(m_parent, wxID_ANY, text, r.GetPosition(), r.GetSize());
        if (control.kind == ControlKind::DefPushButton)
            button->SetDefault();
        made = button;
        break;
    }
    case ControlKind::CheckBox: made = new wxCheckBox(m_parent, wxID_ANY, text, r.GetPosition(), r.GetSize()); break;
    case ControlKind::RadioButton:
        made = new wxRadioButton(m_parent, wxID_ANY, text, r.GetPosition(), r.GetSize(),
                                 (control.style & WS_GROUP) ? wxRB_GROUP : 0);
        break;
    case ControlKind::Edit: made = new wxTextCtrl(m_parent, wxID_ANY, text, r.GetPosition(), r.GetSize()); break;
    case ControlKind::Static:
        made = new wxStaticText(m_parent, wxID_ANY, text, r.GetPosition(), r.GetSize(), wxST_NO_AUTORESIZE);
        break;
    case ControlKind::GroupBox: made = new wxStaticBox(m_parent, wxID_ANY, text, r.GetPosition(), r.GetSize()); break;
    case ControlKind::EtchedLine: made = new wxStaticLine(m_parent, wxID_ANY, r.GetPosition(), wxSize(r.width, 2)); break;
    case ControlKind::Icon: {
        const auto icon = static_cast<HICON>(
            LoadImageA(module, MAKEINTRESOURCEA(control.imageId), IMAGE_ICON, kIconSize, kIconSize, 0));
        const wxImage image = platform::ui::ImageOfIcon(icon);
        if (icon)
            DestroyIcon(icon);
        made = new wxStaticBitmap(m_parent, wxID_ANY, image.IsOk() ? wxBitmap(image) : wxBitmap(kIconSize, kIconSize),
                                  r.GetPosition(), wxSize(kIconSize, kIconSize));
        break;
    }
    case ControlKind::Picture: {
        const HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(control.imageId));
        const wxBitmap picture = platform::ui::BitmapOf(bitmap);
        if (bitmap)
            DeleteObject(bitmap);
        made = new wxStaticBitmap(m_parent, wxID_ANY, picture.IsOk() ? picture : wxBitmap(r.width, r.height),
                                  r.GetPosition(), picture.IsOk() ? picture.GetSize() : r.GetSize());
        break;
    }
    case ControlKind::Frame:
        made = new wxPanel(m_parent, wxID_ANY, r.GetPosition(), r.GetSize(), wxBORDER_SUNKEN);
        break;
    case ControlKind::Tree: {
        CTreeCtrl* tree = m_model.Tree(control.id);
        if (!tree)
            return;
        auto* view = new CTreeCtrlView(m_parent, wxID_ANY, *tree, r.GetPosition(), r.GetSize());
        view->SetImages(FolderImages(module));
        view->SetMarkImages(FolderStateImages(module));
        TreeViews()[tree] = view;
        view->Bind(wxEVT_DESTROY, [tree, view](wxWindowDestroyEvent& event) {
            if (event.GetEventObject() == view && TreeViews()[tree] == view)
                TreeViews().erase(tree);
            event.Skip();
        });
        made = view;
        break;
    }
    case ControlKind::ListView: {
        IListModel* list = m_model.List(control.id);
        if (!list)
            return;
        made = new ListModelView(m_parent, *list, r.GetPosition(), r.GetSize());
        break;
    }
    case ControlKind::ComboBox:
        made = new wxComboBox(m_parent, wxID_ANY, wxString(), r.GetPosition(), r.GetSize(), 0, nullptr, wxCB_DROPDOWN);
        break;
    case ControlKind::BitmapButton: {
        IBitmapButtonModel* button = m_model.Button(control.id);
        if (!button)
            return;
        made = new BitmapButtonView(m_parent, *button, module, text, r);
        break;
    }
    }
    if (!made)
        return;
    if (item && control.kind != ControlKind::Tree && control.kind != ControlKind::BitmapButton &&
        control.kind != ControlKind::ListView)
        platform::ui::BindDialogItem(item, made);
    if (control.id != IDC_STATIC) {
        m_controls[control.id] = made;
        if (!m_model.IsItemShown(control.id))
            made->Hide();
    }
}
