// CExplorerSink: the sink on one explorer window's events. Activation shows the add-in's menu
// button in that window (and hides the host's command 6894), deactivation hides it again, and
// closing the window lets go of the button's sink and of this sink. The menu functions keep the
// sinks (OutlookMenu.h); a sink lives until its explorer closes or the menu is removed.
#pragma once

#include "DispEventSink.h"
#include "host/CommandBarInterfaces.h"

class CExplorerSink : public CDispEventSink<CExplorerSink> {
public:
    explicit CExplorerSink(IDispatch* explorer);
    ~CExplorerSink() override;

    HRESULT OnEvent(DISPID dispid, const DISPPARAMS& params);
    HRESULT OnActivate();
    HRESULT OnDeactivate();
    HRESULT OnClose();

    IDispatch* Explorer() const { return m_explorer; }
    CommandBarControl* Button() const { return m_button.get(); }

private:
    IDispatch* m_explorer; // the explorer holds this sink while it is advised
    ComPtr<CommandBarControl> m_button;
};
