#include "AddinDialogWnd.h"

#include "base/DialogItems.h"
#include "base/MessageBox.h"
#include "base/Window.h"
#include "ui/DialogUnits.h"

#include <wx/button.h>

namespace {

std::string WindowText(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The id of the folder tree, which a dialog may borrow from the page.
constexpr int kTreeId = 202;

} // namespace

AddinDialogWnd::AddinDialogWnd(wxWindow* parent, IDialogModel& model)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(WindowText(model.Window())), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE |
                   (model.Layout() && model.Layout()->resizable ? wxRESIZE_BORDER | wxMAXIMIZE_BOX : 0)),
      m_model(model), m_controls(this, model)
{
    if (const DialogTemplate* layout = model.Layout()) {
        SetClientSize(DluSize(layout->cx, layout->cy));
        m_initialClient = GetClientSize();
        if (layout->resizable)
            SetMinSize(GetSize());
    }
    BorrowTree();
    CentreOnParent();
    m_model.SetView(this);
    // Bound last: a placement the logic gave its window wins over the centring.
    m_binding = platform::ui::WindowBinding::AttachTo(this, model.Window());
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        // The logic decides: WM_CLOSE is its Cancel.
        if (m_modelGone)
            return;
        if (!m_model.IsEnded())
            SendMessageA(m_model.Window(), WM_CLOSE, 0, 0);
        if (event.CanVeto() && !m_model.IsEnded())
            event.Veto();
    });
    // Escape is the dialog's Cancel (IDCANCEL), whichever buttons it has.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE && !m_modelGone && !m_model.IsEnded()) {
            SendMessageA(m_model.Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return;
        }
        event.Skip();
    });
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        FollowSize();
        event.Skip();
    });
}

AddinDialogWnd::~AddinDialogWnd()
{
    ReturnTree();
    if (!m_modelGone)
        m_model.SetView(nullptr);
    m_binding.reset();
}

void AddinDialogWnd::OnModelGone()
{
    m_modelGone = true;
}

INT_PTR AddinDialogWnd::Run()
{
    if (!m_model.IsEnded())
        ShowModal();
    ReturnTree();
    return m_model.IsEnded() ? m_model.Result() : IDCANCEL;
}

void AddinDialogWnd::OnShowItem(int id, bool show)
{
    m_controls.ShowItem(id, show);
}

void AddinDialogWnd::OnEnd(INT_PTR result)
{
    if (IsModal())
        EndModal(static_cast<int>(result));
}

void AddinDialogWnd::BorrowTree()
{
    CTreeCtrl* tree = m_model.Tree(kTreeId);
    m_tree = tree && !m_controls.Control(kTreeId) ? LayoutControls::TreeViewOf(tree) : nullptr;
    if (!m_tree)
        return;
    // Into the place of the layout's first frame.
    wxWindow* frame = nullptr;
    for (const DialogControl& control : m_model.Layout() ? m_model.Layout()->controls : std::span<const DialogControl>())
        if (control.kind == ControlKind::Frame && (frame = m_controls.Control(control.id)))
            break;
    m_treeHome = m_tree->GetParent();
    m_treeHomeRect = m_tree->GetRect();
    m_treeRect = frame ? frame->GetRect() : wxRect(wxPoint(8, 8), m_tree->GetSize());
    m_tree->Reparent(this);
    m_tree->SetSize(m_treeRect);
    m_tree->Show();
}

void AddinDialogWnd::ReturnTree()
{
    if (!m_tree)
        return;
    m_tree->Reparent(m_treeHome);
    m_tree->SetSize(m_treeHomeRect);
    m_tree = nullptr;
}

void AddinDialogWnd::FollowSize()
{
    if (m_modelGone || !m_model.Layout() || !m_model.Layout()->resizable || m_initialClient == wxSize())
        return;
    const wxSize now = GetClientSize();
    const int dx = now.x - m_initialClient.x;
    const int dy = now.y - m_initialClient.y;
    for (const DialogControl& control : m_model.Layout()->controls) {
        wxWindow* window = m_controls.Control(control.id);
        if (!window)
            continue;
        const wxRect r = DluRect(control.x, control.y, control.cx, control.cy);
        if (control.kind == ControlKind::Frame || control.kind == ControlKind::Tree || control.kind == ControlKind::ListView)
            window->SetSize(r.x, r.y, r.width + dx, r.height + dy);
        else if (dynamic_cast<wxButton*>(window))
            window->Move(r.x + dx, r.y + dy);
        else if (control.kind == ControlKind::ComboBox)
            window->Move(r.x, r.y + dy);
    }
    if (m_tree)
        m_tree->SetSize(m_treeRect.x, m_treeRect.y, m_treeRect.width + dx, m_treeRect.height + dy);
}
