#include "base/Bitmap.h"
#include "base/ResourceImage.h"
#include "com/ComBstr.h"
#include "com/ComPtr.h"
#include "com/Picture.h"
#include "com/Stream.h"

#include <gtest/gtest.h>

namespace {

PICTDESC BitmapDesc(HBITMAP bitmap)
{
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    return desc;
}

VARIANT Property(IDispatch* object, const char16_t* name)
{
    LPOLESTR names[1] = {const_cast<LPOLESTR>(reinterpret_cast<const OLECHAR*>(name))};
    DISPID id = -1;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                             nullptr),
              S_OK);
    return result;
}

LONG AsLong(VARIANT v)
{
    VARIANT number;
    VariantInit(&number);
    EXPECT_EQ(VariantChangeType(&number, &v, 0, VT_I4), S_OK);
    return number.lVal;
}

} // namespace

TEST(Pictures, ABitmapPictureReportsHandleTypeAndSize)
{
    HBITMAP bitmap = CreateBitmap(16, 8, 1, 32, nullptr);
    PICTDESC desc = BitmapDesc(bitmap);
    ComPtr<IPicture> picture;
    ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPicture), FALSE, picture.put_void()), S_OK);
    OLE_HANDLE handle = 0;
    SHORT type = 0;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    EXPECT_EQ(picture->get_Handle(&handle), S_OK);
    EXPECT_EQ(reinterpret_cast<HBITMAP>(handle), bitmap);
    EXPECT_EQ(picture->get_Type(&type), S_OK);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    EXPECT_EQ(picture->get_Width(&width), S_OK);
    EXPECT_EQ(picture->get_Height(&height), S_OK);
    EXPECT_EQ(width, 423); // 16 pixels at 96 per inch in 0.01 mm
    EXPECT_EQ(height, 212);
    EXPECT_EQ(picture->get_Handle(nullptr), E_POINTER);

    // The same object late-bound.
    ComPtr<IPictureDisp> disp;
    ASSERT_EQ(picture->QueryInterface(IID_OF(IPictureDisp), disp.put_void()), S_OK);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(picture->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
    EXPECT_EQ(AsLong(Property(dispatch.get(), u"Type")), PICTYPE_BITMAP);
    EXPECT_EQ(AsLong(Property(dispatch.get(), u"width")), 423);
    EXPECT_EQ(AsLong(Property(dispatch.get(), u"Height")), 212);
    EXPECT_EQ(static_cast<OLE_HANDLE>(AsLong(Property(dispatch.get(), u"Handle"))), handle);
}

TEST(Pictures, OnlyAnOwningPictureDeletesItsBitmap)
{
    HBITMAP kept = CreateBitmap(2, 2, 1, 1, nullptr);
    PICTDESC desc = BitmapDesc(kept);
    IPictureDisp* picture = nullptr;
    ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPictureDisp), FALSE, reinterpret_cast<void**>(&picture)), S_OK);
    EXPECT_EQ(picture->Release(), 0u);
    EXPECT_TRUE(platform::BitmapPixels(kept).has_value());

    desc = BitmapDesc(kept);
    ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPictureDisp), TRUE, reinterpret_cast<void**>(&picture)), S_OK);
    picture->Release();
    EXPECT_FALSE(platform::BitmapPixels(kept).has_value());
}

TEST(Pictures, IconsAndEmptyPictures)
{
    HICON icon = platform::CreateIconFromPixels(ImagePixels{4, 4, std::vector<std::uint8_t>(64, 200)});
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = icon;
    ComPtr<IPicture> picture;
    ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPicture), TRUE, picture.put_void()), S_OK);
    SHORT type = 0;
    picture->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_ICON);
    picture = nullptr;
    EXPECT_FALSE(platform::IconPixels(icon).has_value());

    desc.picType = PICTYPE_NONE;
    ASSERT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPicture), FALSE, picture.put_void()), S_OK);
    OLE_XSIZE_HIMETRIC width = -1;
    picture->get_Width(&width);
    EXPECT_EQ(width, 0);
}

TEST(Pictures, BadRequestsLeaveTheHandleAlone)
{
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 1, nullptr);
    PICTDESC desc = BitmapDesc(bitmap);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IStream), TRUE, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_TRUE(platform::BitmapPixels(bitmap).has_value()); // still the caller's
    EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPicture), FALSE, nullptr), E_POINTER);
    desc.cbSizeofstruct = 4;
    EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPicture), FALSE, &out), E_INVALIDARG);
    desc = BitmapDesc(bitmap);
    desc.picType = PICTYPE_METAFILE;
    EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPicture), FALSE, &out), E_INVALIDARG);
    DeleteObject(bitmap);
    desc = BitmapDesc(bitmap); // no longer a bitmap
    EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_OF(IPicture), FALSE, &out), E_INVALIDARG);
    EXPECT_EQ(OleCreatePictureIndirect(nullptr, IID_OF(IPicture), FALSE, &out), E_INVALIDARG);
}
