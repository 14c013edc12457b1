#include "WxWindowState.h"

#include "OrvApp.h"

#include <wx/display.h>

namespace {

CRect ToCRect(const wxRect& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }

// Show commands of a placement.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;

} // namespace

CWxWindowState::CWxWindowState(wxTopLevelWindow* window) : m_window(window), m_normal(ToCRect(window->GetRect())) {}

void CWxWindowState::Track()
{
    if (!m_window->IsMaximized() && !m_window->IsIconized())
        m_normal = ToCRect(m_window->GetRect());
}

std::string CWxWindowState::GetSettingsKey() const
{
    const COrvApp* app = COrvApp::Current();
    return app ? app->SettingsKey() : std::string();
}

CPlacementText CWxWindowState::GetPlacement() const
{
    CPlacementText placement;
    placement.rect = m_normal;
    placement.showCmd = m_window->IsIconized() ? kShowMinimized : m_window->IsMaximized() ? kShowMaximized : kShowNormal;
    placement.flags = 0;
    return placement;
}

void CWxWindowState::SetPlacement(const CPlacementText& placement)
{
    MoveWindow(placement.rect);
    if (placement.showCmd == kShowMaximized)
        m_window->Maximize(true);
    else if (placement.showCmd == kShowMinimized)
        m_window->Iconize(true);
}

CRect CWxWindowState::GetWindowRect() const { return ToCRect(m_window->GetRect()); }

void CWxWindowState::MoveWindow(const CRect& rect)
{
    m_window->SetSize(rect.left, rect.top, rect.Width(), rect.Height());
    m_normal = rect;
}

std::vector<CRect> CWxWindowState::GetWorkAreas() const
{
    std::vector<CRect> areas;
    for (unsigned i = 0; i < wxDisplay::GetCount(); ++i)
        areas.push_back(ToCRect(wxDisplay(i).GetClientArea()));
    return areas;
}
