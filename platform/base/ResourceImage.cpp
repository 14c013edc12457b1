// Icons and bitmaps: LoadIconA, LoadImageA, DestroyIcon, DeleteObject and their pixels.
#include "base/ResourceImage.h"

#include "base/ImageCodec.h"
#include "base/LastError.h"
#include "base/ObjectTable.h"
#include "base/ResourceRegistry.h"
#include "base/Resources.h"
#include "base/SystemIcons.h"
#include "base/WinError.h"

#include <cerrno>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace {

struct Image {
    ImagePixels pixels;
    bool shared = false;
    int bitsPerPixel = 32; // bitmaps: the depth they report (1: monochrome)
};

platform::ObjectTable<Image>& Icons()
{
    static auto* table = new platform::ObjectTable<Image>;
    return *table;
}

platform::ObjectTable<Image>& Bitmaps()
{
    static auto* table = new platform::ObjectTable<Image>;
    return *table;
}

// Shared images by where they came from and their size.
using SharedKey = std::tuple<UINT, std::uintptr_t, std::string, int, int>;
std::mutex g_sharedLock;
std::map<SharedKey, std::uintptr_t>& SharedImages()
{
    static auto* images = new std::map<SharedKey, std::uintptr_t>;
    return *images;
}

bool Usable(const ImagePixels& p)
{
    return p.width > 0 && p.height > 0 &&
           p.rgba.size() == static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 4;
}

std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path)
{
    std::string name = path;
    for (char& c : name)
        if (c == '\\')
            c = '/';
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND : Win32ErrorFromErrno(errno));
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        SetLastError(ERROR_READ_FAULT);
        return std::nullopt;
    }
    return bytes;
}

// Decodes, sizes and wraps an image of this type from its file bytes.
std::optional<ImagePixels> Decode(UINT type, std::span<const std::uint8_t> bytes, int cx, int cy)
{
    if (type == IMAGE_ICON) {
        const auto images = platform::DecodeIconFile(bytes);
        if (!images) {
            SetLastError(ERROR_INVALID_DATA);
            return std::nullopt;
        }
        return platform::PickIconImage(*images, cx, cy);
    }
    auto bitmap = platform::DecodeBitmapFile(bytes);
    if (!bitmap) {
        SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    if (cx > 0 && cy > 0)
        return platform::ScaleImage(*bitmap, cx, cy);
    return bitmap;
}

HANDLE Wrap(UINT type, ImagePixels pixels, bool shared, int bitsPerPixel = 32)
{
    auto image = std::make_shared<Image>(Image{std::move(pixels), shared, bitsPerPixel});
    auto& table = type == IMAGE_ICON ? Icons() : Bitmaps();
    return reinterpret_cast<HANDLE>(table.Add(std::move(image)));
}

// A shared image is made once per source and size; `make` decodes it on first use.
template <typename Make>
HANDLE Shared(const SharedKey& key, UINT type, Make make)
{
    std::lock_guard guard(g_sharedLock);
    auto& images = SharedImages();
    if (const auto it = images.find(key); it != images.end())
        return reinterpret_cast<HANDLE>(it->second);
    std::optional<ImagePixels> pixels = make();
    if (!pixels)
        return nullptr;
    HANDLE handle = Wrap(type, std::move(*pixels), true);
    images.emplace(key, reinterpret_cast<std::uintptr_t>(handle));
    return handle;
}

} // namespace

namespace platform {

std::optional<ImagePixels> IconPixels(HICON icon)
{
    const auto image = Icons().Get(reinterpret_cast<std::uintptr_t>(icon));
    return image ? std::optional<ImagePixels>(image->pixels) : std::nullopt;
}

std::optional<ImagePixels> BitmapPixels(HBITMAP bitmap)
{
    const auto image = Bitmaps().Get(reinterpret_cast<std::uintptr_t>(bitmap));
    return image ? std::optional<ImagePixels>(image->pixels) : std::nullopt;
}

HICON CreateIconFromPixels(ImagePixels pixels)
{
    if (!Usable(pixels)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HICON>(Wrap(IMAGE_ICON, std::move(pixels), false));
}

HBITMAP CreateBitmapFromPixels(ImagePixels pixels, int bitsPerPixel)
{
    if (!Usable(pixels) || (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HBITMAP>(Wrap(IMAGE_BITMAP, std::move(pixels), false, bitsPerPixel));
}

int BitmapBitsPerPixel(HBITMAP bitmap)
{
    const auto image = Bitmaps().Get(reinterpret_cast<std::uintptr_t>(bitmap));
    return image ? image->bitsPerPixel : 0;
}

} // namespace platform

HICON LoadIconA(HINSTANCE instance, LPCSTR name)
{
    return static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags)
{
    if (!name || (type != IMAGE_ICON && type != IMAGE_BITMAP) || cx < 0 || cy < 0) {
        SetLastError(type == IMAGE_CURSOR ? ERROR_NOT_SUPPORTED : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (type == IMAGE_ICON && (flags & LR_DEFAULTSIZE)) {
        cx = cx ? cx : SYSTEM_ICON_SIZE;
        cy = cy ? cy : SYSTEM_ICON_SIZE;
    }
    const bool shared = (flags & LR_SHARED) != 0;

    if (flags & LR_LOADFROMFILE) {
        if (IS_INTRESOURCE(name)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        auto load = [&]() -> std::optional<ImagePixels> {
            const auto bytes = ReadFile(name);
            return bytes ? Decode(type, *bytes, cx, cy) : std::nullopt;
        };
        if (shared)
            return Shared({type, 0, std::string("file:") + name, cx, cy}, type, load);
        auto pixels = load();
        return pixels ? Wrap(type, std::move(*pixels), false) : nullptr;
    }

    if (!instance) {
        // The system's own images: its icons by id.
        if (type != IMAGE_ICON || !IS_INTRESOURCE(name)) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        const unsigned id = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name));
        const int size = cx ? cx : SYSTEM_ICON_SIZE;
        auto draw = [&]() -> std::optional<ImagePixels> {
            auto pixels = platform::DrawSystemIcon(id, size);
            if (!pixels) {
                SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
                return std::nullopt;
            }
            return cy && cy != size ? platform::ScaleImage(*pixels, size, cy) : pixels;
        };
        if (shared)
            return Shared({type, 0, "system:" + std::to_string(id), cx, cy}, type, draw);
        auto pixels = draw();
        return pixels ? Wrap(type, std::move(*pixels), false) : nullptr;
    }

    DWORD error = 0;
    const auto* entry = platform::ResourceRegistry::Instance().Find(
        instance, type == IMAGE_ICON ? RT_GROUP_ICON : RT_BITMAP, name, 0, &error);
    if (!entry) {
        SetLastError(error);
        return nullptr;
    }
    auto decode = [&]() { return Decode(type, std::span(entry->data, entry->size), cx, cy); };
    if (shared)
        return Shared({type, reinterpret_cast<std::uintptr_t>(instance),
                       platform::ResourceRegistry::KeyOf(name) + "/" + std::to_string(entry->language), cx, cy},
                      type, decode);
    auto pixels = decode();
    return pixels ? Wrap(type, std::move(*pixels), false) : nullptr;
}

BOOL DestroyIcon(HICON icon)
{
    const auto handle = reinterpret_cast<std::uintptr_t>(icon);
    const auto image = Icons().Get(handle);
    if (!image) {
        SetLastError(ERROR_INVALID_ICON_HANDLE);
        return FALSE;
    }
    if (!image->shared)
        Icons().Remove(handle);
    return TRUE;
}

BOOL DeleteObject(HGDIOBJ object)
{
    const auto handle = reinterpret_cast<std::uintptr_t>(object);
    const auto image = Bitmaps().Get(handle);
    if (!image || image->shared) {
        // A shared bitmap belongs to the process; the platform refuses to delete it too.
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Bitmaps().Remove(handle);
    return TRUE;
}
