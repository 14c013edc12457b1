// ExplorerFrame: the window of one explorer: its menu bar made from the explorer's command
// bars, the ribbon's tabs above the panes, the folder tree of the session's stores and the
// items of the current folder. It only shows the object model and passes the user's actions
// to it (Execute of a control, Press of a ribbon button, CurrentFolder).
#pragma once

#include "com/ComPtr.h"
#include "host/Explorer.h"
#include "host/HostProgram.h"

#include "ui/WindowBinding.h"

#include <memory>

#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/treectrl.h>

#include <map>

class ExplorerFrame : public wxFrame {
public:
    ExplorerFrame(host::HostProgram& program, CExplorer* explorer);

    CExplorer* Explorer() const { return m_explorer.get(); }
    // Shows the object model's state again (menus, ribbon, items).
    void Rebuild();

private:
    void BuildMenus();
    void BuildFolderTree();
    void ShowItems();
    // The menu a script dropped down, shown open under its title; gone when none is.
    void ShowDroppedMenu();
    void OnMenu(wxCommandEvent& event);
    void OnFolderSelected(wxTreeEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnActivate(wxActivateEvent& event);

    host::HostProgram& m_program;
    ComPtr<CExplorer> m_explorer;
    wxTreeCtrl* m_tree = nullptr;
    wxListCtrl* m_items = nullptr;
    wxPanel* m_ribbon = nullptr;
    wxWindow* m_dropped = nullptr;
    std::map<int, ComPtr<CommandBarControl>> m_menuControls;
    std::map<int, std::string> m_ribbonButtons;
    // The platform window the program and scripts know this window by.
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
};
