// The conflicts list on the screen: a header with the seven columns ("O", "X", "Local", "Date",
// "X", "Global", "Date"), a grey strip of five pixels, and the self-drawn rows below. The two
// date columns fit their texts; the two subject columns share what is left of the width.
#pragma once

#include "ConflictsListCtrl.h"

#include <wx/panel.h>

#include <array>

class CConflictsListBody;
class wxHeaderCtrl;

class CConflictsListView : public wxPanel {
public:
    CConflictsListView(wxWindow* parent, wxWindowID id, CConflictsListCtrl& list, const wxPoint& pos,
                       const wxSize& size);
    ~CConflictsListView() override;

    // The columns' widths now.
    std::array<int, 7> Widths() const { return m_widths; }
    CConflictsListBody* Body() const { return m_body; }

private:
    void Relayout();

    CConflictsListCtrl& m_list;
    wxHeaderCtrl* m_header = nullptr;
    wxWindow* m_strip = nullptr;
    CConflictsListBody* m_body = nullptr;
    std::array<int, 7> m_widths{20, 20, 150, 50, 20, 150, 50};
};
