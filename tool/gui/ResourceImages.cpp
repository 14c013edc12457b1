#include "ResourceImages.h"

#include "base/Module.h"
#include "base/Resources.h"
#include "ui/ToolkitImages.h"

namespace {

constexpr int kIconSize = 16;

} // namespace

wxBitmap ResourceIcon(unsigned id)
{
    const HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, kIconSize, kIconSize, 0);
    const wxImage image = platform::ui::ImageOfIcon(static_cast<HICON>(icon));
    if (icon)
        DestroyIcon(static_cast<HICON>(icon));
    if (!image.IsOk()) {
        wxImage blank(kIconSize, kIconSize);
        blank.InitAlpha();
        std::fill(blank.GetAlpha(), blank.GetAlpha() + kIconSize * kIconSize, 0);
        return wxBitmap(blank);
    }
    return wxBitmap(image);
}

wxBitmap ResourceBitmap(unsigned id)
{
    const HANDLE bitmap = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0);
    const wxImage image = platform::ui::ImageOfBitmap(static_cast<HBITMAP>(bitmap));
    if (bitmap)
        DeleteObject(bitmap);
    return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

wxImageList* ResourceImageList(std::span<const unsigned> icons)
{
    auto* list = new wxImageList(kIconSize, kIconSize, true, static_cast<int>(icons.size()));
    for (const unsigned id : icons)
        list->Add(ResourceIcon(id));
    return list;
}

wxColour ToolkitColour(COLORREF colour)
{
    return wxColour(static_cast<unsigned char>(ColourRed(colour)), static_cast<unsigned char>(ColourGreen(colour)),
                    static_cast<unsigned char>(ColourBlue(colour)));
}
