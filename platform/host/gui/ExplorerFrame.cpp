#include "ExplorerFrame.h"

#include "base/Utf.h"
#include "com/ComBstr.h"
#include "host/ButtonFace.h"
#include "host/CommandBars.h"
#include "ui/ToolkitImages.h"
#include "host/Folder.h"

#include <wx/button.h>
#include <wx/popupwin.h>
#include <wx/statbmp.h>
#include <wx/settings.h>
#include <wx/statline.h>

#include <algorithm>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/stattext.h>

namespace {

wxString Wx(const std::u16string& text)
{
    return wxString::FromUTF8(platform::Utf16ToUtf8(text));
}

// A tree node's folder.
class FolderData : public wxTreeItemData {
public:
    FolderData(host::Binary store, host::Binary folder) : store(std::move(store)), folder(std::move(folder)) {}
    host::Binary store, folder;
};

LONG ButtonStyle(host::CommandBarControlNode* node)
{
    return host::DroppedMenu::Style(node);
}

constexpr int kFirstMenuId = wxID_HIGHEST + 1;
constexpr int kFirstRibbonId = wxID_HIGHEST + 5000;

} // namespace

ExplorerFrame::ExplorerFrame(host::HostProgram& program, CExplorer* explorer)
    : wxFrame(nullptr, wxID_ANY, "", wxDefaultPosition, wxSize(900, 600)), m_program(program), m_explorer(explorer)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_ribbon = new wxPanel(this);
    sizer->Add(m_ribbon, 0, wxEXPAND);
    auto* split = new wxSplitterWindow(this);
    m_tree = new wxTreeCtrl(split, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTR_DEFAULT_STYLE | wxTR_HIDE_ROOT);
    m_items = new wxListCtrl(split, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT);
    m_items->AppendColumn("Subject", wxLIST_FORMAT_LEFT, 400);
    split->SplitVertically(m_tree, m_items, 250);
    sizer->Add(split, 1, wxEXPAND);
    SetSizer(sizer);
    Bind(wxEVT_MENU, &ExplorerFrame::OnMenu, this);
    Bind(wxEVT_BUTTON, &ExplorerFrame::OnMenu, this);
    Bind(wxEVT_CLOSE_WINDOW, &ExplorerFrame::OnClose, this);
    Bind(wxEVT_ACTIVATE, &ExplorerFrame::OnActivate, this);
    m_tree->Bind(wxEVT_TREE_SEL_CHANGED, &ExplorerFrame::OnFolderSelected, this);
    m_binding = platform::ui::WindowBinding::Attach(this, "HostExplorer");
    BuildFolderTree();
    Rebuild();
}

void ExplorerFrame::Rebuild()
{
    if (m_explorer->Closed())
        return;
    BSTR caption = nullptr;
    m_explorer->get_Caption(&caption);
    SetWindowTextA(m_binding->Handle(), ComBstr(caption).Utf8().c_str());
    SysFreeString(caption);
    BuildMenus();
    ShowItems();
    ShowDroppedMenu();
}

void ExplorerFrame::BuildMenus()
{
    m_menuControls.clear();
    int next = kFirstMenuId;
    auto* bar = new wxMenuBar;
    std::function<void(wxMenu*, CCommandBarControls*)> fill = [&](wxMenu* menu, CCommandBarControls* controls) {
        for (host::CommandBarControlNode* node : controls->Nodes()) {
            const host::ControlState& s = node->State();
            if (!s.visible)
                continue;
            if (s.beginGroup && menu->GetMenuItemCount() > 0)
                menu->AppendSeparator();
            if (node->Children()) {
                auto* sub = new wxMenu;
                fill(sub, node->Children());
                menu->AppendSubMenu(sub, Wx(s.caption));
            } else {
                const int id = next++;
                m_menuControls[id] = node->Interface();
                auto* item = new wxMenuItem(menu, id, Wx(s.caption.empty() ? u"(button)" : s.caption));
                // A button's face beside its caption, unless its style shows the caption alone.
                if (const auto face = host::ShownFace(s); face && ButtonStyle(node) != msoButtonCaption)
                    item->SetBitmap(wxBitmap(platform::ui::ImageOf(*face)));
                menu->Append(item)->Enable(s.enabled);
            }
        }
    };
    if (CCommandBar* menuBar = m_explorer->Bars()->MenuBar())
        for (host::CommandBarControlNode* node : menuBar->Controls()->Nodes()) {
            if (!node->State().visible || !node->Children())
                continue;
            auto* menu = new wxMenu;
            fill(menu, node->Children());
            bar->Append(menu, Wx(node->State().caption));
        }
    SetMenuBar(bar);

    // The ribbon's tabs, one row of buttons each.
    m_ribbon->DestroyChildren();
    m_ribbonButtons.clear();
    auto* rows = new wxBoxSizer(wxVERTICAL);
    int ribbonId = kFirstRibbonId;
    if (host::Ribbon* ribbon = m_program.ExplorerRibbon())
        for (const host::Ribbon::ShownTab& tab : ribbon->Tabs()) {
            auto* row = new wxBoxSizer(wxHORIZONTAL);
            row->Add(new wxStaticText(m_ribbon, wxID_ANY, wxString::FromUTF8(tab.label) + ":"), 0,
                     wxALIGN_CENTER_VERTICAL | wxALL, 4);
            for (const host::Ribbon::ShownGroup& group : tab.groups)
                for (const host::Ribbon::ShownButton& b : group.buttons) {
                    std::string label = b.button.label;
                    if (label.empty())
                        if (const host::BuiltInCommand* c = host::FindBuiltInCommand(b.button.idMso))
                            label = platform::Utf16ToUtf8(c->caption);
                    m_ribbonButtons[ribbonId] = b.button.Key();
                    row->Add(new wxButton(m_ribbon, ribbonId++, wxString::FromUTF8(label)), 0, wxALL, 2);
                }
            rows->Add(row);
        }
    m_ribbon->SetSizer(rows);
    Layout();
}

void ExplorerFrame::ShowDroppedMenu()
{
    if (m_dropped) {
        m_dropped->Destroy();
        m_dropped = nullptr;
    }
    host::CommandBarControlNode* popup = m_program.Dropped().Find(m_explorer.get());
    CCommandBar* menuBar = m_explorer->Bars()->MenuBar();
    if (!popup || !menuBar || !IsShown())
        return;
    // Under its title: the titles before it take their text and the toolkit's padding.
    constexpr int kTitlePadding = 16;
    int left = 0;
    for (host::CommandBarControlNode* node : menuBar->Controls()->Nodes()) {
        if (node == popup)
            break;
        if (node->State().visible && node->Children())
            left += GetTextExtent(Wx(host::DroppedMenu::ShownCaption(node->State().caption))).x + kTitlePadding;
    }
    // A frame line around the menu's own panel.
    auto* window = new wxPopupWindow(this, wxBORDER_NONE);
    window->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_3DSHADOW));
    auto* panel = new wxPanel(window);
    panel->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_MENU));
    auto* rows = new wxBoxSizer(wxVERTICAL);
    const wxSize faceSize(16, 16);
    bool first = true;
    for (host::CommandBarControlNode* node : popup->Children()->Nodes()) {
        const host::ControlState& s = node->State();
        if (!s.visible)
            continue;
        if (s.beginGroup && !first)
            rows->Add(new wxStaticLine(panel), 0, wxEXPAND | wxLEFT | wxRIGHT, 4);
        first = false;
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        // Buttons without a face keep its room, so that the captions line up.
        wxImage blank(faceSize.x, faceSize.y);
        blank.InitAlpha();
        std::fill_n(blank.GetAlpha(), faceSize.x * faceSize.y, static_cast<unsigned char>(0));
        wxBitmap face(blank);
        if (const auto shown = host::ShownFace(s); shown && ButtonStyle(node) != msoButtonCaption)
            face = wxBitmap(platform::ui::ImageOf(*shown));
        auto* picture = new wxStaticBitmap(panel, wxID_ANY, face);
        picture->SetMinSize(faceSize);
        // The caption as it stands: its '&' marks are taken away already.
        auto* caption = new wxStaticText(panel, wxID_ANY, "");
        caption->SetLabelText(Wx(host::DroppedMenu::ShownCaption(s.caption)) +
                              (node->Children() ? wxString::FromUTF8("  \xE2\x96\xB8") : wxString()));
        caption->Enable(s.enabled);
        row->Add(picture, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 6);
        row->Add(caption, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 24);
        rows->Add(row, 0, wxEXPAND | wxTOP | wxBOTTOM, 3);
    }
    rows->AddSpacer(3);
    rows->PrependSpacer(3);
    panel->SetSizerAndFit(rows);
    auto* frame = new wxBoxSizer(wxVERTICAL);
    frame->Add(panel, 1, wxEXPAND | wxALL, 1);
    window->SetSizerAndFit(frame);
    window->Move(ClientToScreen(wxPoint(left, 0)));
    window->Show();
    m_dropped = window;
}

void ExplorerFrame::BuildFolderTree()
{
    const wxTreeItemId root = m_tree->AddRoot("");
    std::vector<host::HostSession::StoreInfo> stores;
    const host::HostSession& session = m_program.Application()->Session();
    if (FAILED(session.Stores(stores)))
        return;
    for (const auto& store : stores) {
        const wxTreeItemId storeItem = m_tree->AppendItem(root, Wx(store.name));
        ComPtr<IMsgStore> ms;
        if (FAILED(session.OpenStore(store.entryId, ms)))
            continue;
        const host::Binary top = host::GetBinaryProp(ms.get(), PR_IPM_SUBTREE_ENTRYID);
        ULONG type = 0;
        ComPtr<IUnknown> object;
        ComPtr<IMAPIFolder> folder;
        ComPtr<IMAPITable> table;
        if (top.empty() || FAILED(session.OpenEntry(top, &store.entryId, type, object)) || FAILED(object.As(folder)) ||
            FAILED(folder->GetHierarchyTable(CONVENIENT_DEPTH | MAPI_UNICODE, table.put())))
            continue;
        SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_DEPTH}};
        LPSRowSet rows = nullptr;
        if (FAILED(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows)))
            continue;
        std::vector<wxTreeItemId> parents{storeItem};
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SPropValue* p = rows->aRow[i].lpProps;
            if (p[0].ulPropTag != PR_ENTRYID || p[1].ulPropTag != PR_DISPLAY_NAME_W)
                continue;
            const std::size_t depth = p[2].ulPropTag == PR_DEPTH ? static_cast<std::size_t>(p[2].Value.l) : 1;
            parents.resize(std::clamp<std::size_t>(depth, 1, parents.size()));
            host::Binary id(p[0].Value.bin.lpb, p[0].Value.bin.lpb + p[0].Value.bin.cb);
            const wxTreeItemId item =
                m_tree->AppendItem(parents.back(), Wx(reinterpret_cast<const char16_t*>(p[1].Value.lpszW)), -1, -1,
                                   new FolderData(store.entryId, id));
            parents.push_back(item);
        }
        FreeProws(rows);
        m_tree->Expand(storeItem);
    }
}

void ExplorerFrame::ShowItems()
{
    m_items->DeleteAllItems();
    CFolder* current = m_explorer->Folder();
    if (!current)
        return;
    ComPtr<IUnknown> object;
    ComPtr<IMAPIFolder> folder;
    ComPtr<IMAPITable> table;
    if (FAILED(current->get_MAPIOBJECT(object.put())) || FAILED(object.As(folder)) ||
        FAILED(folder->GetContentsTable(MAPI_UNICODE, table.put())))
        return;
    SizedSPropTagArray(1, columns) = {1, {PR_SUBJECT_W}};
    LPSRowSet rows = nullptr;
    if (FAILED(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0, &rows)))
        return;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue& p = rows->aRow[i].lpProps[0];
        m_items->InsertItem(static_cast<long>(i), p.ulPropTag == PR_SUBJECT_W
                                                      ? Wx(reinterpret_cast<const char16_t*>(p.Value.lpszW))
                                                      : wxString());
    }
    FreeProws(rows);
}

void ExplorerFrame::OnMenu(wxCommandEvent& event)
{
    if (auto it = m_menuControls.find(event.GetId()); it != m_menuControls.end()) {
        ComPtr<CommandBarControl> control = it->second;
        control->Execute();
    } else if (auto b = m_ribbonButtons.find(event.GetId()); b != m_ribbonButtons.end()) {
        m_program.ExplorerRibbon()->Press(b->second, static_cast<_Explorer*>(m_explorer.get()));
    }
    m_program.AfterUserCommand();
}

void ExplorerFrame::OnFolderSelected(wxTreeEvent& event)
{
    auto* data = dynamic_cast<FolderData*>(m_tree->GetItemData(event.GetItem()));
    if (!data || m_explorer->Closed())
        return;
    CFolder* folder = nullptr;
    if (SUCCEEDED(CFolder::Open(m_program.Application()->Session(), data->folder, data->store, &folder))) {
        m_explorer->put_CurrentFolder(folder);
        folder->Release();
    }
    Rebuild();
}

void ExplorerFrame::OnActivate(wxActivateEvent& event)
{
    if (event.GetActive() && !m_explorer->Closed())
        m_explorer->Activate();
    event.Skip();
}

void ExplorerFrame::OnClose(wxCloseEvent&)
{
    if (!m_explorer->Closed())
        m_explorer->Close();
    Destroy();
    m_program.AfterUserCommand();
}
