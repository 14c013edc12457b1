#include "ConflictsListBody.h"

#include "ConflictResource.h"
#include "ResourceImages.h"

#include "base/WinMessages.h"

#include <wx/control.h>
#include <wx/dcbuffer.h>
#include <wx/settings.h>

namespace {

// The list's colours (COLORREF values).
constexpr COLORREF kHeaderFill = 0xDBBE9B;
constexpr COLORREF kHeaderLine = 0xB4B4B4;
constexpr COLORREF kColumnLine = 0x606060;
constexpr COLORREF kStruckText = 0x808080;
constexpr COLORREF kSelection = 0x7E0000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr int kTickSize = 13;
constexpr int kPadding = 4;

} // namespace

CConflictsListBody::CConflictsListBody(wxWindow* parent, CConflictsListCtrl& list,
                                       std::function<std::array<int, 7>()> widths)
    : wxVScrolledWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS | wxVSCROLL),
      m_list(list), m_widths(std::move(widths)), m_tickBoxes(ResourceBitmap(IDB_TICK_BOXES))
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(*wxWHITE);
    SetRowCount(static_cast<size_t>(m_list.GetItemCount()));
    Bind(wxEVT_PAINT, &CConflictsListBody::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CConflictsListBody::OnMouseDown, this);
    Bind(wxEVT_RIGHT_DOWN, &CConflictsListBody::OnMouseDown, this);
    Bind(wxEVT_LEFT_DCLICK, &CConflictsListBody::OnDoubleClick, this);
    Bind(wxEVT_KEY_DOWN, &CConflictsListBody::OnKeyDown, this);
    Bind(wxEVT_KEY_UP, &CConflictsListBody::OnKeyUp, this);
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
        Refresh();
        event.Skip();
    });
}

wxCoord CConflictsListBody::OnGetRowHeight(size_t) const { return kRowHeight; }

void CConflictsListBody::RowsChanged()
{
    if (GetRowCount() != static_cast<size_t>(m_list.GetItemCount()))
        SetRowCount(static_cast<size_t>(m_list.GetItemCount()));
    if (m_nFocus >= m_list.GetItemCount())
        m_nFocus = m_list.GetItemCount() - 1;
    Refresh();
}

void CConflictsListBody::RefreshOneRow(int row)
{
    if (row >= 0 && static_cast<size_t>(row) < GetRowCount())
        RefreshRow(static_cast<size_t>(row));
}

void CConflictsListBody::EnsureRowVisible(int row)
{
    if (row >= 0 && static_cast<size_t>(row) < GetRowCount() && !IsRowVisible(static_cast<size_t>(row)))
        ScrollToRow(static_cast<size_t>(row));
}

int CConflictsListBody::RowAt(int y) const
{
    const int row = VirtualHitTest(y);
    return row == wxNOT_FOUND || row >= m_list.GetItemCount() ? -1 : row;
}

int CConflictsListBody::ColumnAt(int x) const
{
    const auto widths = m_widths();
    int left = 0;
    for (int column = 0; column < CConflictsListCtrl::COL_COUNT; ++column) {
        if (x >= left && x < left + widths[static_cast<std::size_t>(column)])
            return column;
        left += widths[static_cast<std::size_t>(column)];
    }
    return -1;
}

const wxBitmap& CConflictsListBody::Icon(UINT id)
{
    auto it = m_icons.find(id);
    if (it == m_icons.end())
        it = m_icons.emplace(id, ResourceIcon(id)).first;
    return it->second;
}

void CConflictsListBody::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    const auto widths = m_widths();
    const wxSize client = GetClientSize();
    int y = 0;
    for (size_t row = GetVisibleRowsBegin(); row < GetVisibleRowsEnd() && y < client.y; ++row, y += kRowHeight)
        DrawRow(dc, static_cast<int>(row), wxRect(0, y, client.x, kRowHeight), widths);
}

void CConflictsListBody::DrawRow(wxDC& dc, int row, const wxRect& rect, const std::array<int, 7>& widths)
{
    using L = CConflictsListCtrl;
    std::array<int, L::COL_COUNT + 1> x{};
    for (int column = 0; column < L::COL_COUNT; ++column)
        x[static_cast<std::size_t>(column) + 1] = x[static_cast<std::size_t>(column)] + widths[static_cast<std::size_t>(column)];
    const auto cell = [&](int first, int last) {
        return wxRect(x[static_cast<std::size_t>(first)], rect.y,
                      x[static_cast<std::size_t>(last) + 1] - x[static_cast<std::size_t>(first)], rect.height);
    };
    const bool header = m_list.IsHeader(row);
    const bool selected = m_list.IsSelected(row);
    const int active = m_list.GetActiveSide();

    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(ToolkitColour(header ? kHeaderFill : kWhite)));
    dc.DrawRectangle(rect);
    if (selected) {
        // Only the active side's half shows the selection.
        dc.SetBrush(wxBrush(ToolkitColour(kSelection)));
        dc.DrawRectangle(active == L::SIDE_LOCAL ? cell(L::COL_LOCAL_TICK, L::COL_LOCAL_DATE)
                                                 : cell(L::COL_GLOBAL_TICK, L::COL_GLOBAL_DATE));
    }
    if (header) {
        dc.SetPen(wxPen(ToolkitColour(kHeaderLine)));
        dc.DrawLine(rect.GetLeft(), rect.GetTop(), rect.GetRight() + 1, rect.GetTop());
        dc.DrawLine(rect.GetLeft(), rect.GetBottom(), rect.GetRight() + 1, rect.GetBottom());
    }
    dc.SetPen(wxPen(ToolkitColour(kColumnLine)));
    for (const int column : {L::COL_LOCAL_TICK, L::COL_GLOBAL_TICK})
        dc.DrawLine(x[static_cast<std::size_t>(column)], rect.GetTop(), x[static_cast<std::size_t>(column)],
                    rect.GetBottom() + 1);

    // The conflict's icon and the two tick boxes.
    if (const UINT icon = m_list.RowIcon(row)) {
        const wxRect box = cell(L::COL_STATE, L::COL_STATE);
        const wxBitmap& picture = Icon(icon);
        if (picture.IsOk())
            dc.DrawBitmap(picture, box.x + (box.width - picture.GetWidth()) / 2,
                          box.y + (box.height - picture.GetHeight()) / 2, true);
    }
    for (const int side : {L::SIDE_LOCAL, L::SIDE_GLOBAL}) {
        const int image = m_list.StateImage(row, side);
        const wxRect box = cell(side == L::SIDE_LOCAL ? L::COL_LOCAL_TICK : L::COL_GLOBAL_TICK,
                                side == L::SIDE_LOCAL ? L::COL_LOCAL_TICK : L::COL_GLOBAL_TICK);
        if (m_tickBoxes.IsOk() && m_tickBoxes.GetWidth() >= (image + 1) * kTickSize)
            dc.DrawBitmap(m_tickBoxes.GetSubBitmap(wxRect(image * kTickSize, 0, kTickSize, kTickSize)),
                          box.x + (box.width - kTickSize) / 2 + 1, box.y + (box.height - kTickSize) / 2, true);
    }

    // Texts: a header's paths across two columns each, a conflict's four texts.
    const wxFont normal = GetFont();
    wxFont struck = normal;
    struck.SetStrikethrough(true);
    const auto text = [&](int first, int last, int column) {
        const wxRect box = cell(first, last).Deflate(kPadding, 0);
        const bool highlighted = selected && L::SideOfColumn(column) == active;
        const bool grey = !header && m_list.IsCellStruckOut(row, column);
        dc.SetFont(grey ? struck : normal);
        dc.SetTextForeground(highlighted ? *wxWHITE : ToolkitColour(grey ? kStruckText : 0));
        const wxString shown =
            wxControl::Ellipsize(wxString::FromUTF8(m_list.CellText(row, column)), dc, wxELLIPSIZE_END, box.width);
        wxDCClipper clip(dc, box);
        dc.DrawLabel(shown, box, wxALIGN_LEFT | wxALIGN_CENTER_VERTICAL);
    };
    if (header) {
        text(L::COL_LOCAL_SUBJECT, L::COL_LOCAL_DATE, L::COL_LOCAL_SUBJECT);
        text(L::COL_GLOBAL_SUBJECT, L::COL_GLOBAL_DATE, L::COL_GLOBAL_SUBJECT);
    } else {
        for (const int column : {L::COL_LOCAL_SUBJECT, L::COL_LOCAL_DATE, L::COL_GLOBAL_SUBJECT, L::COL_GLOBAL_DATE})
            text(column, column, column);
    }
    if (row == m_nFocus && HasFocus()) {
        dc.SetPen(wxPen(ToolkitColour(kColumnLine), 1, wxPENSTYLE_DOT));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(rect.Deflate(0, 1));
    }
}

void CConflictsListBody::Select(int row, bool toggle, bool extend)
{
    if (row < 0)
        return;
    if (extend && m_nAnchor >= 0) {
        const int from = std::min(m_nAnchor, row), to = std::max(m_nAnchor, row);
        for (int i = 0; i < m_list.GetItemCount(); ++i)
            m_list.SetSelected(i, i >= from && i <= to);
    } else if (toggle) {
        m_list.SetSelected(row, !m_list.IsSelected(row));
        m_nAnchor = row;
    } else {
        m_list.SelectOnly(row);
        m_nAnchor = row;
    }
    const int previous = m_nFocus;
    m_nFocus = row;
    RefreshOneRow(previous);
    RefreshOneRow(row);
    EnsureRowVisible(row);
}

void CConflictsListBody::OnMouseDown(wxMouseEvent& event)
{
    SetFocus();
    const int row = RowAt(event.GetY());
    const int column = ColumnAt(event.GetX());
    if (row < 0) {
        m_list.SelectOnly(-1);
        return;
    }
    // A right-button press keeps a selection it falls into.
    if (!event.RightDown() || !m_list.IsSelected(row))
        Select(row, event.ControlDown(), event.ShiftDown());
    m_list.OnButtonDown(row, column);
}

void CConflictsListBody::OnDoubleClick(wxMouseEvent& event)
{
    const int row = RowAt(event.GetY());
    if (row >= 0)
        m_list.OnDoubleClick(row, ColumnAt(event.GetX()));
}

void CConflictsListBody::OnKeyDown(wxKeyEvent& event)
{
    const int count = m_list.GetItemCount();
    const int page = std::max(1, GetClientSize().y / kRowHeight - 1);
    int target = -1;
    switch (event.GetKeyCode()) {
    case WXK_UP: target = std::max(0, m_nFocus - 1); break;
    case WXK_DOWN: target = std::min(count - 1, m_nFocus + 1); break;
    case WXK_PAGEUP: target = std::max(0, m_nFocus - page); break;
    case WXK_PAGEDOWN: target = std::min(count - 1, m_nFocus + page); break;
    case WXK_HOME: target = 0; break;
    case WXK_END: target = count - 1; break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: m_list.OnKeyDown(VK_RETURN); return;
    case WXK_LEFT: m_list.OnKeyDown(VK_LEFT); return;
    case WXK_RIGHT: m_list.OnKeyDown(VK_RIGHT); return;
    case WXK_SPACE: return; // it acts when released
    case WXK_TAB: Navigate(event.ShiftDown() ? wxNavigationKeyEvent::IsBackward : wxNavigationKeyEvent::IsForward); return;
    default: event.Skip(); return;
    }
    if (count > 0)
        Select(target, event.ControlDown(), event.ShiftDown());
}

void CConflictsListBody::OnKeyUp(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_SPACE)
        m_list.OnKeyUp(VK_SPACE);
    else
        event.Skip();
}
