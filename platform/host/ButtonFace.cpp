#include "host/ButtonFace.h"

#include "base/Resources.h"
#include "com/ComPtr.h"
#include "com/Picture.h"

namespace host {

std::optional<ImagePixels> PicturePixels(IDispatch* picture)
{
    ComPtr<IPicture> p;
    if (!picture || FAILED(picture->QueryInterface(IID_OF(IPicture), p.put_void())))
        return std::nullopt;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(p->get_Type(&type)) || FAILED(p->get_Handle(&handle)))
        return std::nullopt;
    if (type == PICTYPE_BITMAP)
        return platform::BitmapPixels(reinterpret_cast<HBITMAP>(handle));
    if (type == PICTYPE_ICON)
        return platform::IconPixels(reinterpret_cast<HICON>(handle));
    return std::nullopt;
}

HRESULT PictureOf(const ImagePixels& pixels, int bitsPerPixel, IDispatch** picture)
{
    if (!picture)
        return E_POINTER;
    *picture = nullptr;
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = platform::CreateBitmapFromPixels(pixels, bitsPerPixel);
    if (!desc.bmp.hbitmap)
        return E_OUTOFMEMORY;
    const HRESULT hr = OleCreatePictureIndirect(&desc, IID_OF(IPictureDisp), TRUE, reinterpret_cast<void**>(picture));
    if (FAILED(hr))
        DeleteObject(desc.bmp.hbitmap);
    return hr;
}

std::optional<ImagePixels> ShownFace(const ControlState& state)
{
    if (!state.face)
        return std::nullopt;
    ImagePixels shown = *state.face;
    if (state.mask && state.mask->width == shown.width && state.mask->height == shown.height)
        for (std::size_t i = 0; i + 3 < shown.rgba.size(); i += 4) {
            const std::uint8_t* m = &state.mask->rgba[i];
            if (m[0] > 127 && m[1] > 127 && m[2] > 127)
                shown.rgba[i + 3] = 0;
        }
    return shown;
}

} // namespace host
