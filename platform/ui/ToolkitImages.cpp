#include "ui/ToolkitImages.h"

namespace platform::ui {

wxImage ImageOf(const ImagePixels& pixels)
{
    const std::size_t count = static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height);
    if (pixels.width <= 0 || pixels.height <= 0 || pixels.rgba.size() != count * 4)
        return wxImage();
    wxImage image(pixels.width, pixels.height, false);
    image.InitAlpha();
    unsigned char* rgb = image.GetData();
    unsigned char* alpha = image.GetAlpha();
    for (std::size_t i = 0; i < count; ++i) {
        rgb[i * 3] = pixels.rgba[i * 4];
        rgb[i * 3 + 1] = pixels.rgba[i * 4 + 1];
        rgb[i * 3 + 2] = pixels.rgba[i * 4 + 2];
        alpha[i] = pixels.rgba[i * 4 + 3];
    }
    return image;
}

wxImage ImageOfIcon(HICON icon)
{
    const auto pixels = IconPixels(icon);
    return pixels ? ImageOf(*pixels) : wxImage();
}

wxImage ImageOfBitmap(HBITMAP bitmap)
{
    const auto pixels = BitmapPixels(bitmap);
    return pixels ? ImageOf(*pixels) : wxImage();
}

wxIcon IconOf(HICON icon)
{
    const wxImage image = ImageOfIcon(icon);
    wxIcon result;
    if (image.IsOk())
        result.CopyFromBitmap(wxBitmap(image));
    return result;
}

wxBitmap BitmapOf(HBITMAP bitmap)
{
    const wxImage image = ImageOfBitmap(bitmap);
    return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

} // namespace platform::ui
