#include "FolderImages.h"

#include "OptionsResource.h"
#include "base/Bitmap.h"
#include "base/Resources.h"
#include "ui/ToolkitImages.h"

namespace {

constexpr int kImageSize = 16;
constexpr int kStates = 5;

} // namespace

wxImageList* FolderImages(HINSTANCE module)
{
    auto* images = new wxImageList(kImageSize, kImageSize, true, static_cast<int>(std::size(kFolderIcons)));
    for (const unsigned id : kFolderIcons) {
        const auto icon = static_cast<HICON>(
            LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, kImageSize, kImageSize, 0));
        wxImage image = platform::ui::ImageOfIcon(icon);
        if (icon)
            DestroyIcon(icon);
        if (!image.IsOk())
            image = wxImage(kImageSize, kImageSize, true);
        images->Add(wxBitmap(image.Rescale(kImageSize, kImageSize)));
    }
    return images;
}

wxImageList* FolderStateImages(HINSTANCE module)
{
    auto* images = new wxImageList(kImageSize, kImageSize, true, kStates);
    const HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(IDB_TREE_STATES));
    wxImage strip = platform::ui::ImageOfBitmap(bitmap);
    if (bitmap)
        DeleteObject(bitmap);
    for (int i = 0; i < kStates; ++i) {
        wxImage image = strip.IsOk() && strip.GetWidth() >= (i + 1) * kImageSize
                            ? strip.GetSubImage(wxRect(i * kImageSize, 0, kImageSize, kImageSize))
                            : wxImage(kImageSize, kImageSize, true);
        image.SetMaskColour(255, 0, 255);
        images->Add(wxBitmap(image));
    }
    return images;
}
