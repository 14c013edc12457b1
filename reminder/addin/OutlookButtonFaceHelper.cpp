#include "OutlookButtonFaceHelper.h"

#include "ClipboardSnapshot.h"
#include "LateBound.h"
#include "TraceScope.h"
#include "base/Clipboard.h"
#include "base/GlobalMemory.h"
#include "base/LastError.h"
#include "com/ComPtr.h"
#include "com/ComRuntime.h"
#include "com/Picture.h"
#include "registry/Registry.h"

#include <cstring>
#include <vector>

namespace {

using LateBound::BoolArg;
using LateBound::LongArg;
using LateBound::MissingArg;

constexpr UINT kFirstRegisteredFormat = 0xC000;
constexpr UINT kLastRegisteredFormat = 0xFFFF;
constexpr LONG kStyleCaption = 2;
constexpr LONG kControlButton = 1;
constexpr char kFaceValue[] = "FaceFormatName";
constexpr char kMaskValue[] = "MaskFormatName";

// A Win32 error as HRESULT; no error at all is still a failure.
HRESULT FromWin32(DWORD error)
{
    return static_cast<LONG>(error) > 0 ? static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu)) : E_FAIL;
}

HRESULT LastErrorResult()
{
    return FromWin32(GetLastError());
}

// A picture over the bitmap that does not own it.
HRESULT PictureOf(HBITMAP bitmap, IDispatch** picture)
{
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    return OleCreatePictureIndirect(&desc, IID_OF(IPictureDisp), FALSE, reinterpret_cast<void**>(picture));
}

VARIANT ObjectArg(IDispatch* object)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    return v;
}

// The bitmap as a packed device-independent bitmap in a moveable block: the 40-byte header, the
// colour table of `bitCount` (none above 8 bits) and the bits. bitCount 0: the bitmap's own format.
HGLOBAL PackedDib(HBITMAP bitmap, WORD bitCount)
{
    std::vector<BYTE> query(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(query.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biBitCount = 0;
    if (!GetDIBits(nullptr, bitmap, 0, 0, nullptr, info, DIB_RGB_COLORS))
        return nullptr;
    const LONG height = info->bmiHeader.biHeight;
    if (bitCount) {
        // The size and colour table of the format asked for.
        info->bmiHeader.biBitCount = bitCount;
        info->bmiHeader.biCompression = BI_RGB;
        if (!GetDIBits(nullptr, bitmap, 0, 0, nullptr, info, DIB_RGB_COLORS))
            return nullptr;
    }
    const WORD bits = info->bmiHeader.biBitCount;
    const std::size_t colours = bits <= 8 ? std::size_t{1} << bits : 0;
    const std::size_t stride = ((static_cast<std::size_t>(info->bmiHeader.biWidth) * bits + 31) / 32) * 4;
    const std::size_t image = stride * static_cast<std::size_t>(height < 0 ? -height : height);
    const std::size_t offset = sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, offset + image);
    auto* target = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
    if (!target) {
        if (block)
            GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, info, sizeof(BITMAPINFOHEADER));
    auto* header = reinterpret_cast<BITMAPINFO*>(target);
    header->bmiHeader.biSizeImage = static_cast<DWORD>(image);
    const int lines = GetDIBits(nullptr, bitmap, 0, static_cast<UINT>(height < 0 ? -height : height), target + offset,
                                header, DIB_RGB_COLORS);
    GlobalUnlock(block);
    if (lines == 0) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

} // namespace

COutlookButtonFaceHelper::COutlookButtonFaceHelper()
{
    TRACE_CTOR("COutlookButtonFaceHelper");
}

COutlookButtonFaceHelper::~COutlookButtonFaceHelper()
{
    TRACE_DTOR("COutlookButtonFaceHelper");
}

HRESULT COutlookButtonFaceHelper::SetFace(IDispatch* button, HBITMAP bitmap)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookButtonFaceHelper::SetFace", &hr);
    DISPID picture = DISPID_UNKNOWN, mask = DISPID_UNKNOWN, pasteFace = DISPID_UNKNOWN;
    bool checkedPasteFace = false;
    if (!button || !bitmap) {
        hr = E_INVALIDARG;
        return hr;
    }
    hr = LateBound::GetIDOfName(button, u"Picture", &picture);
    const HRESULT hrMask = LateBound::GetIDOfName(button, u"Mask", &mask);
    if (FAILED(hr) || FAILED(hrMask)) {
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "Checking PasteFace\n");
        hr = LateBound::GetIDOfName(button, u"PasteFace", &pasteFace);
        checkedPasteFace = true;
    }
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetIDsOfNames() failed, hr=0x%08lx\n", hr);
        return hr;
    }
    hr = checkedPasteFace ? PasteFace(button, pasteFace, bitmap) : SetPictureAndMask(button, bitmap, picture, mask);
    return hr;
}

HRESULT COutlookButtonFaceHelper::SetPictureAndMask(IDispatch* button, HBITMAP bitmap, DISPID picture, DISPID mask)
{
    HRESULT hr = S_OK;
    ComPtr<IDispatch> facePicture, maskPicture;
    HBITMAP maskBitmap = nullptr;
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Using Picture-Property and Mask-Property - Method\n");
    hr = PictureOf(bitmap, facePicture.put());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "OleCreatePictureIndirect() failed, hr=0x%08lx\n", hr);
        return hr;
    }
    hr = LateBound::PutProperty(button, picture, ObjectArg(facePicture.get()));
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "PutProperty() failed, hr=0x%08lx\n", hr);
        return hr;
    }
    maskBitmap = CreateMask(bitmap);
    if (!maskBitmap) {
        hr = LastErrorResult();
        TRACE_FAILED(CreateMask, hr);
        return hr;
    }
    hr = PictureOf(maskBitmap, maskPicture.put());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "OleCreatePictureIndirect() failed, hr=0x%08lx\n", hr);
    } else {
        hr = LateBound::PutProperty(button, mask, ObjectArg(maskPicture.get()));
        if (FAILED(hr))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "PutProperty() failed, hr=0x%08lx\n", hr);
    }
    // The pictures do not own their bitmaps; the button keeps copies.
    maskPicture = nullptr;
    DeleteObject(maskBitmap);
    return hr;
}

HRESULT COutlookButtonFaceHelper::PasteFace(IDispatch* button, DISPID pasteFace, HBITMAP bitmap)
{
    HRESULT hr = S_OK;
    CClipboardSnapshot previous;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Using PasteFace - Method\n");
    // What the user had on the clipboard comes back afterwards.
    hr = previous.Take();
    if (FAILED(hr)) {
        TRACE_FAILED(Take, hr);
        return hr;
    }
    hr = GetClipboardNames(button);
    if (FAILED(hr)) {
        TRACE_FAILED(GetClipboardNames, hr);
    } else {
        hr = CopyFaceAndMask(bitmap);
        if (FAILED(hr))
            TRACE_FAILED(CopyFaceAndMask, hr);
    }
    if (SUCCEEDED(hr)) {
        hr = button->Invoke(pasteFace, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                            nullptr);
        if (FAILED(hr))
            TRACE_FAILED(PasteFace, hr);
    }
    const HRESULT restored = previous.Restore();
    if (FAILED(restored))
        TRACE_FAILED(Restore, restored);
    return hr;
}

HRESULT COutlookButtonFaceHelper::GetClipboardNames(IDispatch* button)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookButtonFaceHelper::GetClipboardNames", &hr);
    if (LoadFormatNames())
        return hr;
    hr = LearnFormatNames(button);
    return hr;
}

HRESULT COutlookButtonFaceHelper::LearnFormatNames(IDispatch* button)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookButtonFaceHelper::LearnFormatNames", &hr);
    ComPtr<IDispatch> application, explorer, bars, tempBar, controls, tempButton;
    const HRESULT initialized = CoInitialize(nullptr);
    // Each step: the object it gives, or a traced failure.
    auto got = [&](HRESULT result, const ComPtr<IDispatch>& object, const char* failure) {
        hr = result;
        if (SUCCEEDED(hr) && !object) {
            hr = E_FAIL;
            TracePrint(__FILE__, __LINE__, TL_ERROR, "pDispatch == NULL. hr=0x%08lx\n", hr);
            return false;
        }
        if (FAILED(hr))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "%s() failed. hr=0x%08lx\n", failure, hr);
        return SUCCEEDED(hr);
    };
    if (!button) {
        hr = E_INVALIDARG;
    } else if (got(LateBound::GetObject(button, u"Application", application.put()), application,
                   "GetPropertyByName") &&
               got(LateBound::InvokeObject(application.get(), u"ActiveExplorer", {}, explorer.put()), explorer,
                   "InvokeN") &&
               got(LateBound::GetObject(explorer.get(), u"CommandBars", bars.put()), bars, "GetPropertyByName") &&
               got(LateBound::InvokeObject(bars.get(), u"Add", {MissingArg(), MissingArg(), MissingArg(), BoolArg(true)},
                                           tempBar.put()),
                   tempBar, "InvokeN") &&
               got(LateBound::GetObject(tempBar.get(), u"Controls", controls.put()), controls,
                   "GetPropertyByName") &&
               got(LateBound::InvokeObject(controls.get(), u"Add",
                                           {LongArg(kControlButton), MissingArg(), MissingArg(), MissingArg(),
                                            BoolArg(true)},
                                           tempButton.put()),
                   tempButton, "InvokeN")) {
        hr = LateBound::PutProperty(tempButton.get(), u"Style", LongArg(kStyleCaption));
        if (FAILED(hr))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "PutPropertyByName() failed. hr=0x%08lx\n", hr);
        if (SUCCEEDED(hr)) {
            hr = CopyDummyImage();
            if (FAILED(hr))
                TRACE_FAILED(CopyDummyImage, hr);
        }
        // The host puts the throw-away button's face and mask on the clipboard in its formats.
        if (SUCCEEDED(hr) && FAILED(hr = LateBound::Invoke(tempButton.get(), u"PasteFace", {})))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "InvokeN() failed. hr=0x%08lx\n", hr);
        if (SUCCEEDED(hr) && FAILED(hr = LateBound::Invoke(tempButton.get(), u"CopyFace", {})))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "InvokeN() failed. hr=0x%08lx\n", hr);
        if (SUCCEEDED(hr) && FAILED(hr = DoGetClipBoardNames()))
            TRACE_FAILED(DoGetClipBoardNames, hr);
        if (SUCCEEDED(hr) && FAILED(hr = SaveFormatNames()))
            TRACE_FAILED(SaveFormatNames, hr);
    }
    // The throw-away bar and button go whatever step failed.
    if (tempButton) {
        const HRESULT deleted = LateBound::Invoke(tempButton.get(), u"Delete", {});
        if (FAILED(deleted))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "InvokeN() failed. hr=0x%08lx\n", deleted);
    }
    if (tempBar) {
        const HRESULT deleted = LateBound::Invoke(tempBar.get(), u"Delete", {});
        if (FAILED(deleted))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "InvokeN() failed. hr=0x%08lx\n", deleted);
    }
    tempButton = nullptr;
    tempBar = nullptr;
    controls = nullptr;
    bars = nullptr;
    explorer = nullptr;
    application = nullptr;
    if (SUCCEEDED(initialized))
        CoUninitialize();
    if (FAILED(hr)) {
        m_faceFormatName[0] = '\0';
        m_maskFormatName[0] = '\0';
    }
    return hr;
}

HRESULT COutlookButtonFaceHelper::CopyDummyImage()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookButtonFaceHelper::CopyDummyImage", &hr);
    if (!OpenClipboard(nullptr)) {
        hr = LastErrorResult();
        TRACE_FAILED(OpenClipboard, hr);
        return hr;
    }
    EmptyClipboard();
    HBITMAP dummy = CreateBitmap(1, 1, 1, 1, nullptr);
    if (!dummy) {
        hr = LastErrorResult();
        TRACE_FAILED(CreateBitmap, hr);
    } else if (!SetClipboardData(CF_BITMAP, dummy)) {
        hr = LastErrorResult();
        TRACE_FAILED(SetClipboardData, hr);
        DeleteObject(dummy);
    }
    CloseClipboard();
    return hr;
}

HRESULT COutlookButtonFaceHelper::DoGetClipBoardNames()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookButtonFaceHelper::DoGetClipBoardNames", &hr);
    char names[2][256] = {"", ""};
    SIZE_T sizes[2] = {0, 0};
    int found = 0;
    if (!OpenClipboard(nullptr)) {
        hr = LastErrorResult();
        TRACE_FAILED(OpenClipboard, hr);
        return hr;
    }
    for (UINT format = EnumClipboardFormats(0); format && found < 2; format = EnumClipboardFormats(format)) {
        if (format < kFirstRegisteredFormat || format > kLastRegisteredFormat)
            continue;
        if (GetClipboardFormatNameA(format, names[found], sizeof names[found]) == 0)
            continue;
        HANDLE data = GetClipboardData(format);
        sizes[found] = data ? GlobalSize(static_cast<HGLOBAL>(data)) : 0;
        ++found;
    }
    EmptyClipboard();
    CloseClipboard();
    if (found < 2) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "Clipboard formats not found. hr=0x%08lx\n", hr);
        return hr;
    }
    // The face is the larger of the two.
    const int face = sizes[0] >= sizes[1] ? 0 : 1;
    std::strcpy(m_faceFormatName, names[face]);
    std::strcpy(m_maskFormatName, names[1 - face]);
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "Face format: %s, mask format: %s\n", m_faceFormatName, m_maskFormatName);
    return hr;
}

bool COutlookButtonFaceHelper::LoadFormatNames()
{
    TRACE_PROC("COutlookButtonFaceHelper::LoadFormatNames");
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kClipboardNamesKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool loaded = true;
    for (auto [value, name] : {std::pair{kFaceValue, m_faceFormatName}, std::pair{kMaskValue, m_maskFormatName}}) {
        DWORD type = 0, size = sizeof m_faceFormatName - 1;
        if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(name), &size) != ERROR_SUCCESS ||
            type != REG_SZ) {
            loaded = false;
            size = 0;
        }
        name[size] = '\0';
        loaded = loaded && name[0] != '\0';
    }
    RegCloseKey(key);
    if (!loaded) {
        m_faceFormatName[0] = '\0';
        m_maskFormatName[0] = '\0';
    }
    return loaded;
}

HRESULT COutlookButtonFaceHelper::SaveFormatNames()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookButtonFaceHelper::SaveFormatNames", &hr);
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, kClipboardNamesKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                              nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(static_cast<DWORD>(rc));
        TRACE_FAILED(RegCreateKeyEx, hr);
        return hr;
    }
    for (auto [value, name] : {std::pair{kFaceValue, m_faceFormatName}, std::pair{kMaskValue, m_maskFormatName}}) {
        rc = RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                            static_cast<DWORD>(std::strlen(name) + 1));
        if (rc != ERROR_SUCCESS) {
            hr = FromWin32(static_cast<DWORD>(rc));
            TRACE_FAILED(RegSetValueEx, hr);
            break;
        }
    }
    RegCloseKey(key);
    return hr;
}

HRESULT COutlookButtonFaceHelper::CopyFaceAndMask(HBITMAP face)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("COutlookButtonFaceHelper::CopyFaceAndMask", &hr);
    const UINT faceFormat = RegisterClipboardFormatA(m_faceFormatName);
    const UINT maskFormat = RegisterClipboardFormatA(m_maskFormatName);
    if (!faceFormat || !maskFormat) {
        hr = LastErrorResult();
        TRACE_FAILED(RegisterClipboardFormat, hr);
        return hr;
    }
    HBITMAP mask = CreateMask(face);
    if (!mask) {
        hr = LastErrorResult();
        TRACE_FAILED(CreateMask, hr);
        return hr;
    }
    if (!OpenClipboard(nullptr)) {
        hr = LastErrorResult();
        TRACE_FAILED(OpenClipboard, hr);
        DeleteObject(mask);
        return hr;
    }
    EmptyClipboard();
    // The face at its own depth, the mask as a monochrome DIB (header and two colours: 48 bytes).
    const std::pair<UINT, HGLOBAL> blocks[] = {{faceFormat, PackedDib(face, 0)}, {maskFormat, PackedDib(mask, 1)}};
    for (const auto& [format, block] : blocks) {
        if (!block) {
            hr = E_OUTOFMEMORY;
            TRACE_FAILED(GetDIBits, hr);
        } else if (!SetClipboardData(format, block)) {
            hr = LastErrorResult();
            TRACE_FAILED(SetClipboardData, hr);
            GlobalFree(block);
        }
    }
    CloseClipboard();
    DeleteObject(mask);
    return hr;
}

HBITMAP COutlookButtonFaceHelper::CreateMask(HBITMAP face)
{
    BITMAP info{};
    if (GetObjectA(face, sizeof info, &info) != sizeof info || info.bmWidth <= 0 || info.bmHeight <= 0)
        return nullptr;
    const std::size_t width = static_cast<std::size_t>(info.bmWidth);
    const std::size_t height = static_cast<std::size_t>(info.bmHeight);
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -info.bmHeight; // top-down
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> pixels(width * height * 4);
    if (GetDIBits(nullptr, face, 0, static_cast<UINT>(height), pixels.data(), &header, DIB_RGB_COLORS) !=
        info.bmHeight)
        return nullptr;
    // Rows of a monochrome bitmap are WORD-aligned; a set bit is white.
    const std::size_t stride = (width + 15) / 16 * 2;
    std::vector<BYTE> bits(stride * height, 0);
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x) {
            const BYTE* p = &pixels[(y * width + x) * 4]; // blue, green, red, unused
            if (RGB(p[2], p[1], p[0]) == kTransparentColour)
                bits[y * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        }
    return CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, bits.data());
}
