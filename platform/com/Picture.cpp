#include "com/Picture.h"

#include "base/ResourceImage.h"
#include "base/Resources.h"
#include "com/ComObject.h"

#include <optional>

namespace {

class Picture : public ComObject<Picture, IPicture, DispatchImpl<Picture, IPictureDisp>> {
public:
    Picture(SHORT type, OLE_HANDLE handle, LONG width, LONG height, bool own)
        : m_type(type), m_handle(handle), m_width(width), m_height(height), m_own(own)
    {
    }

    static std::span<const DispatchMember> DispatchMembers()
    {
        static const DispatchMember members[] = {
            DispMember<&IPictureDisp::get_Handle>("Handle", DISPID_PICT_HANDLE, DISPATCH_PROPERTYGET),
            DispMember<&IPictureDisp::get_hPal>("hPal", DISPID_PICT_HPAL, DISPATCH_PROPERTYGET),
            DispMember<&IPictureDisp::get_Type>("Type", DISPID_PICT_TYPE, DISPATCH_PROPERTYGET),
            DispMember<&IPictureDisp::get_Width>("Width", DISPID_PICT_WIDTH, DISPATCH_PROPERTYGET),
            DispMember<&IPictureDisp::get_Height>("Height", DISPID_PICT_HEIGHT, DISPATCH_PROPERTYGET),
        };
        return members;
    }

    void FinalRelease()
    {
        if (!m_own || !m_handle)
            return;
        if (m_type == PICTYPE_BITMAP)
            DeleteObject(reinterpret_cast<HGDIOBJ>(m_handle));
        else if (m_type == PICTYPE_ICON)
            DestroyIcon(reinterpret_cast<HICON>(m_handle));
    }

    HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE* handle) override { return Put(m_handle, handle); }
    HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE* palette) override { return Put(OLE_HANDLE{0}, palette); }
    HRESULT STDMETHODCALLTYPE get_Type(SHORT* type) override { return Put(m_type, type); }
    HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* width) override { return Put(m_width, width); }
    HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* height) override { return Put(m_height, height); }

private:
    template <class T>
    static HRESULT Put(T value, T* out)
    {
        if (!out)
            return E_POINTER;
        *out = value;
        return S_OK;
    }

    SHORT m_type;
    OLE_HANDLE m_handle;
    LONG m_width;
    LONG m_height;
    bool m_own;
};

} // namespace

HRESULT OleCreatePictureIndirect(LPPICTDESC desc, REFIID riid, BOOL own, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!desc || desc->cbSizeofstruct < sizeof(UINT) * 2)
        return E_INVALIDARG;
    OLE_HANDLE handle = 0;
    std::optional<ImagePixels> pixels;
    if (desc->picType == PICTYPE_BITMAP && desc->cbSizeofstruct >= sizeof(PICTDESC)) {
        pixels = platform::BitmapPixels(desc->bmp.hbitmap);
        handle = reinterpret_cast<OLE_HANDLE>(desc->bmp.hbitmap);
    } else if (desc->picType == PICTYPE_ICON && desc->cbSizeofstruct >= sizeof(UINT) * 2 + sizeof(HICON)) {
        pixels = platform::IconPixels(desc->icon.hicon);
        handle = reinterpret_cast<OLE_HANDLE>(desc->icon.hicon);
    } else if (desc->picType == PICTYPE_NONE) {
        pixels = ImagePixels{};
    }
    if (!pixels)
        return E_INVALIDARG;
    // Checked first: a picture that owns its handle would delete it when a failed request drops it.
    if (!IsEqualIID(riid, IID_OF(IPicture)) && !IsEqualIID(riid, IID_OF(IPictureDisp)) &&
        !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, IID_IUnknown))
        return E_NOINTERFACE;
    Picture* picture = nullptr;
    HRESULT hr = Picture::CreateObject(&picture, static_cast<SHORT>(desc->picType), handle,
                                       platform::com::PixelsToHimetric(pixels->width),
                                       platform::com::PixelsToHimetric(pixels->height), own != FALSE);
    if (FAILED(hr))
        return hr;
    hr = picture->QueryInterface(riid, ppv);
    picture->Release();
    return hr;
}
