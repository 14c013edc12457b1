#include "ConflictsListView.h"

#include "ConflictResource.h"
#include "ConflictsListBody.h"
#include "ResourceImages.h"
#include "ToolStrings.h"

#include <wx/dcclient.h>
#include <wx/headerctrl.h>
#include <wx/settings.h>

#include <vector>

namespace {

constexpr int kStripHeight = 5;
constexpr COLORREF kStrip = 0x808080;
constexpr int kTextPadding = 12;

// A header whose columns the list sizes itself.
class ColumnHeader : public wxHeaderCtrl {
public:
    ColumnHeader(wxWindow* parent, const std::array<int, 7>& widths) : wxHeaderCtrl(parent, wxID_ANY)
    {
        const UINT titles[] = {IDS_COLUMN_STATE, IDS_COLUMN_TICK, IDS_COLUMN_LOCAL, IDS_COLUMN_DATE,
                               IDS_COLUMN_TICK,  IDS_COLUMN_GLOBAL, IDS_COLUMN_DATE};
        for (std::size_t i = 0; i < widths.size(); ++i)
            m_columns.emplace_back(wxString::FromUTF8(LoadResString(titles[i])), widths[i], wxALIGN_LEFT, 0);
        SetColumnCount(static_cast<unsigned>(m_columns.size()));
    }
    void SetWidths(const std::array<int, 7>& widths)
    {
        for (std::size_t i = 0; i < widths.size(); ++i) {
            if (m_columns[i].GetWidth() == widths[i])
                continue;
            m_columns[i].SetWidth(widths[i]);
            UpdateColumn(static_cast<unsigned>(i));
        }
    }
    // The width a column's title needs.
    int TitleWidth(unsigned column) const { return GetTextExtent(m_columns[column].GetTitle()).x + 2 * kTextPadding; }

private:
    const wxHeaderColumn& GetColumn(unsigned idx) const override { return m_columns[idx]; }
    std::vector<wxHeaderColumnSimple> m_columns;
};

} // namespace

CConflictsListView::CConflictsListView(wxWindow* parent, wxWindowID id, CConflictsListCtrl& list, const wxPoint& pos,
                                       const wxSize& size)
    : wxPanel(parent, id, pos, size, wxBORDER_SUNKEN), m_list(list)
{
    m_header = new ColumnHeader(this, m_widths);
    m_strip = new wxWindow(this, wxID_ANY);
    m_strip->SetBackgroundColour(ToolkitColour(kStrip));
    m_body = new CConflictsListBody(this, list, [this] { return m_widths; });
    m_list.m_onRowChanged = [this](int row) { m_body->RefreshOneRow(row); };
    m_list.m_onChanged = [this] {
        m_body->RowsChanged();
        Relayout();
    };
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        Relayout();
    });
    Relayout();
}

CConflictsListView::~CConflictsListView()
{
    m_list.m_onRowChanged = nullptr;
    m_list.m_onChanged = nullptr;
}

void CConflictsListView::Relayout()
{
    using L = CConflictsListCtrl;
    const wxSize client = GetClientSize();
    const int headerHeight = m_header->GetBestSize().y;
    m_header->SetSize(0, 0, client.x, headerHeight);
    m_strip->SetSize(0, headerHeight, client.x, kStripHeight);
    m_body->SetSize(0, headerHeight + kStripHeight, client.x, std::max(0, client.y - headerHeight - kStripHeight));

    // The date columns fit their texts (either side's, as a preview may show the other side's
    // there); the subject columns share the rest of the rows' width (the body's client width
    // leaves out its scroll bar).
    auto* header = static_cast<ColumnHeader*>(m_header);
    wxClientDC dc(m_body);
    dc.SetFont(m_body->GetFont());
    int dates = 0;
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        if (!m_list.IsHeader(row))
            for (const int column : {L::COL_LOCAL_DATE, L::COL_GLOBAL_DATE})
                dates = std::max(dates, dc.GetTextExtent(wxString::FromUTF8(m_list.GetItemText(row, column))).x +
                                            kTextPadding);
    for (const int column : {L::COL_LOCAL_DATE, L::COL_GLOBAL_DATE})
        m_widths[static_cast<std::size_t>(column)] = std::max(dates, header->TitleWidth(static_cast<unsigned>(column)));
    const int fixed = m_widths[L::COL_STATE] + m_widths[L::COL_LOCAL_TICK] + m_widths[L::COL_LOCAL_DATE] +
                      m_widths[L::COL_GLOBAL_TICK] + m_widths[L::COL_GLOBAL_DATE];
    const int share = std::max(40, (m_body->GetClientSize().x - fixed) / 2);
    m_widths[L::COL_LOCAL_SUBJECT] = share;
    m_widths[L::COL_GLOBAL_SUBJECT] = share;
    header->SetWidths(m_widths);
    m_body->Refresh();
}
