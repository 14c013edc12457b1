#include "ClipboardSnapshot.h"

#include "TraceScope.h"
#include "base/Bitmap.h"
#include "base/Clipboard.h"
#include "base/GlobalMemory.h"
#include "base/LastError.h"
#include "base/WinError.h"

#include <cstring>

namespace {

HRESULT LastErrorResult()
{
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// A bitmap of the same size, depth and pixels.
HBITMAP CopyBitmap(HBITMAP bitmap)
{
    BITMAP info{};
    if (GetObjectA(bitmap, sizeof info, &info) != sizeof info || info.bmWidth <= 0 || info.bmHeight <= 0)
        return nullptr;
    const int bits = info.bmBitsPixel;
    // Device-independent rows are DWORD-aligned, those of CreateBitmap WORD-aligned.
    const std::size_t dibStride = ((static_cast<std::size_t>(info.bmWidth) * bits + 31) / 32) * 4;
    const std::size_t ddbStride = ((static_cast<std::size_t>(info.bmWidth) * bits + 15) / 16) * 2;
    std::vector<BYTE> dib(dibStride * static_cast<std::size_t>(info.bmHeight));
    std::vector<BYTE> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* bmi = reinterpret_cast<BITMAPINFO*>(header.data());
    bmi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi->bmiHeader.biWidth = info.bmWidth;
    bmi->bmiHeader.biHeight = -info.bmHeight; // top-down, as CreateBitmap takes them
    bmi->bmiHeader.biPlanes = 1;
    bmi->bmiHeader.biBitCount = static_cast<WORD>(bits);
    bmi->bmiHeader.biCompression = BI_RGB;
    if (GetDIBits(nullptr, bitmap, 0, static_cast<UINT>(info.bmHeight), dib.data(), bmi, DIB_RGB_COLORS) !=
        info.bmHeight)
        return nullptr;
    std::vector<BYTE> ddb(ddbStride * static_cast<std::size_t>(info.bmHeight));
    for (LONG y = 0; y < info.bmHeight; ++y)
        std::memcpy(&ddb[static_cast<std::size_t>(y) * ddbStride], &dib[static_cast<std::size_t>(y) * dibStride],
                    ddbStride);
    return CreateBitmap(info.bmWidth, info.bmHeight, 1, static_cast<UINT>(bits), ddb.data());
}

HGLOBAL CopyBlock(HGLOBAL block)
{
    const SIZE_T size = GlobalSize(block);
    const void* source = GlobalLock(block);
    if (!source)
        return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size);
    void* target = copy ? GlobalLock(copy) : nullptr;
    if (target) {
        std::memcpy(target, source, size);
        GlobalUnlock(copy);
    } else if (copy) {
        GlobalFree(copy);
        copy = nullptr;
    }
    GlobalUnlock(block);
    return copy;
}

void FreeData(UINT format, HANDLE data)
{
    if (format == CF_BITMAP)
        DeleteObject(data);
    else
        GlobalFree(data);
}

} // namespace

CClipboardSnapshot::~CClipboardSnapshot()
{
    Free();
}

void CClipboardSnapshot::Free()
{
    for (const Item& item : m_items)
        FreeData(item.format, item.data);
    m_items.clear();
}

HRESULT CClipboardSnapshot::Take()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CClipboardSnapshot::Take", &hr);
    Free();
    if (!OpenClipboard(nullptr)) {
        hr = LastErrorResult();
        TRACE_FAILED(OpenClipboard, hr);
        return hr;
    }
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        HANDLE data = GetClipboardData(format);
        if (!data)
            continue;
        HANDLE copy = format == CF_BITMAP ? static_cast<HANDLE>(CopyBitmap(static_cast<HBITMAP>(data)))
                                          : static_cast<HANDLE>(CopyBlock(static_cast<HGLOBAL>(data)));
        if (!copy) {
            hr = E_OUTOFMEMORY;
            TRACE_FAILED(CopyClipboardData, hr);
            break;
        }
        m_items.push_back({format, copy});
    }
    CloseClipboard();
    if (FAILED(hr))
        Free();
    return hr;
}

HRESULT CClipboardSnapshot::Restore()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CClipboardSnapshot::Restore", &hr);
    if (!OpenClipboard(nullptr)) {
        hr = LastErrorResult();
        TRACE_FAILED(OpenClipboard, hr);
        return hr;
    }
    EmptyClipboard();
    for (const Item& item : m_items)
        if (!SetClipboardData(item.format, item.data)) {
            hr = LastErrorResult();
            TRACE_FAILED(SetClipboardData, hr);
            FreeData(item.format, item.data);
        }
    m_items.clear();
    CloseClipboard();
    return hr;
}
