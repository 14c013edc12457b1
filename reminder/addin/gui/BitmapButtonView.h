// The bitmap button on the screen: a control that paints what its model says (the themed push
// button through the toolkit's native renderer, or a flat face with drawn edges, the image of
// the strip and the focus rectangle) and reports the mouse, the focus and the press. A click
// is the dialog item's BM_CLICK, so the dialog's logic gets BN_CLICKED as from any button; the
// item's enabling shows here.
#pragma once

#include "AddinViews.h"

#include <wx/bitmap.h>
#include <wx/control.h>

#include <memory>
#include <vector>

class BitmapButtonView : public wxControl {
public:
    BitmapButtonView(wxWindow* parent, IBitmapButtonModel& model, HINSTANCE module, const wxString& label,
                     const wxRect& rect);
    ~BitmapButtonView() override;

private:
    void OnPaint();
    void Click();

    IBitmapButtonModel& m_model;
    std::vector<wxBitmap> m_images;
    int m_imageHeight = 16;
    std::shared_ptr<class BitmapButtonItemView> m_itemView;
};
