#include "MainFrameWnd.h"

#include "DialogControls.h"
#include "OrvDoc.h"
#include "ResourceImages.h"
#include "resource.h"

#include "base/Menu.h"
#include "base/Window.h"
#include "ui/WindowBinding.h"

#include <wx/accel.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

namespace {

// The toolkit ids of the frame's commands, apart from those of popup menus.
constexpr int kFirstId = wxID_HIGHEST + 1000;
constexpr int kToolSize = 16;
constexpr int kToolHeight = 17;

int ToolkitKey(const std::string& key)
{
    if (key.size() == 1)
        return static_cast<unsigned char>(key[0]);
    if (key[0] == 'F' && key.size() <= 3)
        return WXK_F1 + std::stoi(key.substr(1)) - 1;
    static const std::map<std::string, int> named = {
        {"Del", WXK_DELETE}, {"Ins", WXK_INSERT}, {"Home", WXK_HOME},     {"End", WXK_END},
        {"PgUp", WXK_PAGEUP}, {"PgDn", WXK_PAGEDOWN}, {"Esc", WXK_ESCAPE}, {"Enter", WXK_RETURN},
        {"Tab", WXK_TAB},    {"Space", WXK_SPACE},   {"Back", WXK_BACK}};
    const auto it = named.find(key);
    return it == named.end() ? 0 : it->second;
}

} // namespace

CMainFrameWnd::CMainFrameWnd(CMainFrame& frame, COrvDoc& doc)
    : wxFrame(nullptr, wxID_ANY, wxString(), wxDefaultPosition, wxSize(640, 480)), m_frame(frame), m_doc(doc)
{
    const wxBitmap icon = ProgramIconBitmap(IDR_MAINFRAME, 32);
    if (icon.IsOk()) {
        wxIcon frameIcon;
        frameIcon.CopyFromBitmap(icon);
        SetIcon(frameIcon);
    }
    BuildMenuBar();
    BuildToolBar();
    CreateStatusBar(1);
    BuildAccelerators();
    StatusTextChanged();
    BarsChanged();

    Bind(wxEVT_MENU, &CMainFrameWnd::OnCommand, this, kFirstId, kFirstId + 999);
    Bind(wxEVT_UPDATE_UI, &CMainFrameWnd::OnUpdateUI, this, kFirstId, kFirstId + 999);
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrameWnd::OnClose, this);
    Bind(wxEVT_IDLE, &CMainFrameWnd::OnIdle, this);

    // The frame's platform window, which the program made, is the one this frame shows.
    m_binding = platform::ui::WindowBinding::AttachTo(this, frame.GetSafeHwnd());
    m_frame.SetSite(this);
}

CMainFrameWnd::~CMainFrameWnd() { m_frame.SetSite(nullptr); }

int CMainFrameWnd::ToolkitId(UINT command)
{
    if (const auto it = m_ids.find(command); it != m_ids.end())
        return it->second;
    const int id = kFirstId + static_cast<int>(m_ids.size());
    m_ids[command] = id;
    m_commands[id] = command;
    return id;
}

void CMainFrameWnd::FillMenu(wxMenu& menu, HMENU source, int depth)
{
    for (const platform::MenuItemView& item : platform::MenuItems(source)) {
        if (item.state & MF_SEPARATOR) {
            menu.AppendSeparator();
        } else if ((item.state & MF_POPUP) && item.popup) {
            auto* sub = new wxMenu;
            if (depth < 8)
                FillMenu(*sub, item.popup, depth + 1);
            menu.AppendSubMenu(sub, wxString::FromUTF8(item.text));
        } else {
            const bool check = item.id == ID_VIEW_TOOLBAR || item.id == ID_VIEW_STATUS_BAR;
            menu.Append(ToolkitId(item.id), wxString::FromUTF8(item.text),
                        wxString::FromUTF8(CMainFrame::CommandPrompt(item.id)), check ? wxITEM_CHECK : wxITEM_NORMAL);
        }
    }
}

void CMainFrameWnd::BuildMenuBar()
{
    auto* bar = new wxMenuBar;
    for (const platform::MenuItemView& item : platform::MenuItems(m_frame.GetMenu())) {
        if (!(item.state & MF_POPUP) || !item.popup)
            continue;
        auto* menu = new wxMenu;
        FillMenu(*menu, item.popup, 1);
        bar->Append(menu, wxString::FromUTF8(item.text));
    }
    SetMenuBar(bar);
}

void CMainFrameWnd::BuildToolBar()
{
    wxToolBar* bar = CreateToolBar(wxTB_FLAT | wxTB_HORIZONTAL | wxTB_TEXT | wxTB_NODIVIDER);
    bar->SetToolBitmapSize(wxSize(kToolSize, kToolHeight));
    const wxBitmap strip = ResourceBitmap(IDB_TOOLBAR);
    for (const CToolBarButton& button : m_frame.ToolBarButtons()) {
        wxBitmap picture;
        if (strip.IsOk() && strip.GetWidth() >= (button.image + 1) * kToolSize && strip.GetHeight() >= kToolHeight)
            picture = strip.GetSubBitmap(wxRect(button.image * kToolSize, 0, kToolSize, kToolHeight));
        else
            picture = wxBitmap(kToolSize, kToolHeight);
        bar->AddTool(ToolkitId(button.id), wxString::FromUTF8(button.label), picture,
                     wxString::FromUTF8(button.label), wxITEM_NORMAL);
        bar->SetToolLongHelp(ToolkitId(button.id), wxString::FromUTF8(CMainFrame::CommandPrompt(button.id)));
    }
    bar->Realize();
}

void CMainFrameWnd::BuildAccelerators()
{
    std::vector<wxAcceleratorEntry> entries;
    for (const CAccelerator& accelerator : m_frame.Accelerators().Entries()) {
        const int key = ToolkitKey(accelerator.key);
        if (key == 0)
            continue;
        int flags = wxACCEL_NORMAL;
        if (accelerator.ctrl)
            flags |= wxACCEL_CTRL;
        if (accelerator.shift)
            flags |= wxACCEL_SHIFT;
        if (accelerator.alt)
            flags |= wxACCEL_ALT;
        entries.emplace_back(flags, key, ToolkitId(accelerator.command));
    }
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(entries.size()), entries.data()));
}

void CMainFrameWnd::OnCommand(wxCommandEvent& event)
{
    const auto it = m_commands.find(event.GetId());
    if (it == m_commands.end() || !m_frame.GetSafeHwnd())
        return;
    SendMessageA(m_frame.GetSafeHwnd(), WM_COMMAND, it->second, 0);
}

void CMainFrameWnd::OnUpdateUI(wxUpdateUIEvent& event)
{
    const auto it = m_commands.find(event.GetId());
    if (it == m_commands.end())
        return;
    event.Enable(m_frame.IsCommandEnabled(it->second));
    if (it->second == ID_VIEW_TOOLBAR || it->second == ID_VIEW_STATUS_BAR)
        event.Check(m_frame.IsCommandChecked(it->second));
}

void CMainFrameWnd::OnClose(wxCloseEvent& event)
{
    if (!event.CanVeto()) {
        // The program ends: the window goes now, saving what it keeps.
        if (m_frame.GetSafeHwnd())
            m_frame.DestroyWindow();
        else
            Destroy();
        return;
    }
    // The frame decides (a run refuses it); when it closes, its window's end ends this frame.
    event.Veto();
    if (m_frame.GetSafeHwnd())
        SendMessageA(m_frame.GetSafeHwnd(), WM_CLOSE, 0, 0);
}

void CMainFrameWnd::OnIdle(wxIdleEvent& event)
{
    event.Skip();
    const std::string text = m_doc.OnIdle();
    if (!text.empty() && m_frame.GetStatusText() != text)
        m_frame.SetStatusText(text);
}

void CMainFrameWnd::BarsChanged()
{
    if (wxToolBar* bar = GetToolBar())
        bar->Show(m_frame.IsToolBarVisible());
    if (wxStatusBar* bar = GetStatusBar())
        bar->Show(m_frame.IsStatusBarVisible());
    SendSizeEvent();
}

void CMainFrameWnd::StatusTextChanged()
{
    if (GetStatusBar())
        SetStatusText(wxString::FromUTF8(m_frame.GetStatusText()));
}
