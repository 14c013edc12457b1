#include "ui/DialogItemBinding.h"

#include "base/DialogItems.h"
#include "base/Resources.h"
#include "ui/ToolkitImages.h"
#include "base/Window.h"
#include "base/WindowView.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <memory>

namespace platform::ui {

namespace {

std::string ItemText(HWND item)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Shows the item's state in the control.
class ItemView : public WindowView {
public:
    ItemView(HWND item, wxWindow* control) : m_item(item), m_control(control) {}

    void Apply(const WindowViewState& state) override
    {
        if (!m_control)
            return;
        if (m_control->IsEnabled() != state.enabled)
            m_control->Enable(state.enabled);
        Show();
    }
    void Raise() override
    {
        if (m_control)
            m_control->SetFocus();
    }
    void WindowDestroyed() override { m_control = nullptr; }

    // The item's text and check state into the control, without the control's own events.
    void Show()
    {
        if (!m_control)
            return;
        const wxString text = wxString::FromUTF8(ItemText(m_item));
        const UINT check = static_cast<UINT>(SendMessageA(m_item, BM_GETCHECK, 0, 0));
        if (auto* edit = dynamic_cast<wxTextCtrl*>(m_control)) {
            if (edit->GetValue() != text)
                edit->ChangeValue(text);
        } else if (auto* box = dynamic_cast<wxCheckBox*>(m_control)) {
            if (box->GetLabel() != text)
                box->SetLabel(text);
            if (box->Is3State())
                box->Set3StateValue(check == BST_INDETERMINATE ? wxCHK_UNDETERMINED
                                    : check == BST_CHECKED    ? wxCHK_CHECKED
                                                              : wxCHK_UNCHECKED);
            else
                box->SetValue(check == BST_CHECKED);
        } else if (auto* radio = dynamic_cast<wxRadioButton*>(m_control)) {
            if (radio->GetLabel() != text)
                radio->SetLabel(text);
            // A toolkit radio button cannot be unchecked by itself; its group follows the
            // item that is checked.
            if (check == BST_CHECKED && !radio->GetValue())
                radio->SetValue(true);
        } else if (auto* combo = dynamic_cast<wxComboBox*>(m_control)) {
            // Refilling the list clears the toolkit's edit, which reports a text change.
            m_showing = true;
            ShowCombo(*combo, text);
            m_showing = false;
        } else if (auto* picture = dynamic_cast<wxStaticBitmap*>(m_control)) {
            ShowPicture(*picture);
        } else if (m_control->GetLabel() != text) {
            m_control->SetLabel(text);
        }
    }

    void Detach() { m_control = nullptr; }
    // While the control follows the item: what the control reports then is the program's own
    // change, not the user's.
    bool Showing() const { return m_showing; }

private:
    void ShowCombo(wxComboBox& combo, const wxString& text)
    {
        wxArrayString entries;
        for (const std::string& entry : ComboItems(m_item))
            entries.Add(wxString::FromUTF8(entry));
        if (combo.GetStrings() != entries)
            combo.Set(entries);
        const int current = static_cast<int>(SendMessageA(m_item, CB_GETCURSEL, 0, 0));
        if (current >= 0 && current < static_cast<int>(combo.GetCount()) && combo.GetSelection() != current)
            combo.SetSelection(current);
        if (combo.GetValue() != text)
            combo.ChangeValue(text);
    }

    void ShowPicture(wxStaticBitmap& picture)
    {
        HANDLE image = reinterpret_cast<HANDLE>(SendMessageA(m_item, STM_GETICON, 0, 0));
        const bool icon = image != nullptr;
        if (!icon)
            image = reinterpret_cast<HANDLE>(SendMessageA(m_item, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (image == m_image)
            return;
        m_image = image;
        wxBitmap bitmap;
        if (icon)
            bitmap.CopyFromIcon(IconOf(static_cast<HICON>(image)));
        else if (image)
            bitmap = BitmapOf(static_cast<HBITMAP>(image));
        picture.SetBitmap(bitmap.IsOk() ? bitmap : wxNullBitmap);
    }

    HWND m_item;
    wxWindow* m_control;
    HANDLE m_image = nullptr;
    bool m_showing = false;
};

} // namespace

bool BindDialogItem(HWND item, wxWindow* control)
{
    if (!control || !IsWindow(item) || !GetDlgCtrlID(item))
        return false;
    const bool known = dynamic_cast<wxTextCtrl*>(control) || dynamic_cast<wxCheckBox*>(control) ||
                       dynamic_cast<wxRadioButton*>(control) || dynamic_cast<wxButton*>(control) ||
                       dynamic_cast<wxStaticText*>(control) || dynamic_cast<wxComboBox*>(control) ||
                       dynamic_cast<wxStaticBitmap*>(control) || dynamic_cast<wxStaticBox*>(control);
    if (!known)
        return false;
    auto view = std::make_shared<ItemView>(item, control);
    std::weak_ptr<ItemView> weak = view;
    WatchDialogItem(item, [weak] {
        if (const auto v = weak.lock())
            v->Show();
    });
    if (dynamic_cast<wxTextCtrl*>(control)) {
        control->Bind(wxEVT_TEXT, [item, control](wxCommandEvent& event) {
            TypeDialogItemText(item, static_cast<wxTextCtrl*>(control)->GetValue().utf8_string());
            event.Skip();
        });
    } else if (dynamic_cast<wxCheckBox*>(control) || dynamic_cast<wxRadioButton*>(control)) {
        // A click is the platform's click; the control then shows the item's state (a check box
        // the program drives itself keeps the program's state).
        const auto click = [item, weak](wxCommandEvent& event) {
            SendMessageA(item, BM_CLICK, 0, 0);
            if (const auto v = weak.lock())
                v->Show();
            event.Skip();
        };
        if (dynamic_cast<wxCheckBox*>(control))
            control->Bind(wxEVT_CHECKBOX, click);
        else
            control->Bind(wxEVT_RADIOBUTTON, click);
    } else if (auto* combo = dynamic_cast<wxComboBox*>(control)) {
        combo->Bind(wxEVT_TEXT, [item, combo, weak](wxCommandEvent& event) {
            if (const auto v = weak.lock(); !v || !v->Showing())
                TypeDialogItemText(item, combo->GetValue().utf8_string());
            event.Skip();
        });
        combo->Bind(wxEVT_COMBOBOX, [item, combo, weak](wxCommandEvent& event) {
            if (const auto v = weak.lock(); !v || !v->Showing())
                SelectComboItem(item, combo->GetSelection());
            event.Skip();
        });
    } else if (dynamic_cast<wxButton*>(control)) {
        control->Bind(wxEVT_BUTTON, [item](wxCommandEvent&) { SendMessageA(item, BM_CLICK, 0, 0); });
    }
    control->Bind(wxEVT_DESTROY, [item, weak, control](wxWindowDestroyEvent& event) {
        if (event.GetEventObject() == control) {
            if (const auto v = weak.lock())
                v->Detach();
            if (IsWindow(item)) {
                WatchDialogItem(item, nullptr);
                BindWindowView(item, nullptr);
            }
        }
        event.Skip();
    });
    BindWindowView(item, view);
    return true;
}

} // namespace platform::ui
