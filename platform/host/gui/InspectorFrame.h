// InspectorFrame: the window of one inspector: the properties of its item, one row each.
#pragma once

#include "com/ComPtr.h"
#include "host/Inspector.h"

#include "ui/WindowBinding.h"

#include <memory>

#include <wx/frame.h>
#include <wx/listctrl.h>

class InspectorFrame : public wxFrame {
public:
    explicit InspectorFrame(CInspector* inspector);
    CInspector* Inspector() const { return m_inspector.get(); }

private:
    void ShowProperties();
    void OnClose(wxCloseEvent& event);
    void OnActivate(wxActivateEvent& event);

    ComPtr<CInspector> m_inspector;
    wxListCtrl* m_list = nullptr;
    // The platform window the program and scripts know this window by.
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
};
