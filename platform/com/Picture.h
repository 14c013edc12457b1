// Picture objects: OleCreatePictureIndirect wraps a bitmap or an icon handle in an object that
// answers IPicture (early-bound) and IPictureDisp (late-bound, the form a command-bar button's
// Picture and Mask properties take). Sizes are in HIMETRIC units (0.01 mm) at 96 pixels per
// inch. The picture deletes its handle when it goes only when it was made owning it.
#pragma once

#include "base/WinTypes.h"
#include "com/DispatchImpl.h"

struct HPALETTE__;
using HPALETTE = HPALETTE__*;

// Handles as the picture hands them out: pointer-sized here, so that nothing is cut.
using OLE_HANDLE = UINT_PTR;
using OLE_XSIZE_HIMETRIC = LONG;
using OLE_YSIZE_HIMETRIC = LONG;

#define PICTYPE_UNINITIALIZED (-1)
#define PICTYPE_NONE 0
#define PICTYPE_BITMAP 1
#define PICTYPE_METAFILE 2
#define PICTYPE_ICON 3
#define PICTYPE_ENHMETAFILE 4

// What a picture is made of: the size of the record, its type and the handle of that type.
struct PICTDESC {
    UINT cbSizeofstruct;
    UINT picType;
    union {
        struct {
            HBITMAP hbitmap;
            HPALETTE hpal;
        } bmp;
        struct {
            HICON hicon;
        } icon;
    };
};
using LPPICTDESC = PICTDESC*;

struct IPicture : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE* handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE* palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Type(SHORT* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* height) = 0;
};
PLATFORM_DECLARE_IID(IPicture, "7BF80980-BF32-101A-8BBB-00AA00300CAB");

// The late-bound face of a picture: properties Handle (DISPID 0), hPal (2), Type (3), Width (4)
// and Height (5).
struct IPictureDisp : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE* handle) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE* palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Type(SHORT* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* height) = 0;
};
PLATFORM_DECLARE_IID(IPictureDisp, "7BF80981-BF32-101A-8BBB-00AA00300CAB");

#define DISPID_PICT_HANDLE 0
#define DISPID_PICT_HPAL 2
#define DISPID_PICT_TYPE 3
#define DISPID_PICT_WIDTH 4
#define DISPID_PICT_HEIGHT 5

extern "C" {
// A picture of PICTYPE_BITMAP (a live bitmap; the palette is ignored), PICTYPE_ICON (a live
// icon) or PICTYPE_NONE, asked for by riid (IPicture, IPictureDisp, IDispatch, IUnknown). With
// `own` TRUE the picture deletes its handle (DeleteObject or DestroyIcon) when its last
// reference goes. E_INVALIDARG for a record too small, another type or a handle that is none;
// E_NOINTERFACE for another interface; E_POINTER without ppv.
HRESULT OleCreatePictureIndirect(LPPICTDESC desc, REFIID riid, BOOL own, LPVOID* ppv);
}

namespace platform::com {

// HIMETRIC units of a length in pixels (96 per inch), as the picture reports its size.
inline LONG PixelsToHimetric(LONG pixels)
{
    return static_cast<LONG>((static_cast<LONGLONG>(pixels) * 2540 + 48) / 96);
}

} // namespace platform::com
