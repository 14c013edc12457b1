// The window-state store over a toolkit top-level window: its placement as the platform keeps
// it (the normal rectangle while maximised or minimised, and the show command), and the work
// areas of the displays.
#pragma once

#include "WindowStateStore.h"

#include <wx/toplevel.h>

class CWxWindowState : public CWindowStateStore {
public:
    explicit CWxWindowState(wxTopLevelWindow* window);

    // Keeps the normal rectangle up to date; call on every move and size.
    void Track();

protected:
    std::string GetSettingsKey() const override;
    CPlacementText GetPlacement() const override;
    void SetPlacement(const CPlacementText& placement) override;
    CRect GetWindowRect() const override;
    void MoveWindow(const CRect& rect) override;
    std::vector<CRect> GetWorkAreas() const override;

private:
    wxTopLevelWindow* m_window;
    CRect m_normal;
};
