#include "StoreFilePath.h"

#include "ToolStrings.h"
#include "resource.h"

#include "base/LastError.h"
#include "base/Utf.h"
#include "base/WinError.h"
#include "com/TaskMem.h"

#include <algorithm>
#include <cctype>

namespace {

// The personal-store provider's UID as it starts in the entry ID.
const char* const kMarker = "4e495441";
constexpr std::size_t kMaxPathBytes = 260;

int LowerHexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Where the path's hex digits begin, or npos.
std::size_t PathStart(const std::string& hex)
{
    const std::size_t marker = hex.find(kMarker);
    if (marker == 80 && hex.find("000000", 86) == 108)
        return 114;
    if (marker == 72 && hex.find("000000", 72) == 100)
        return 106;
    return std::string::npos;
}

} // namespace

std::string GetStoreFilePathFromEntryId(const std::string& entryIdHex)
{
    std::string hex = entryIdHex;
    std::transform(hex.begin(), hex.end(), hex.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::size_t start = PathStart(hex);
    if (start == std::string::npos || start >= hex.size())
        return LoadResString(IDS_NO_FILENAME);
    const std::string pathHex = hex.substr(start);
    if (pathHex.empty() || pathHex.size() % 2 != 0 || pathHex.size() / 2 > kMaxPathBytes)
        return LoadResString(IDS_NO_FILENAME);

    std::string bytes;
    bytes.reserve(pathHex.size() / 2);
    for (std::size_t i = 0; i < pathHex.size(); i += 2) {
        const int high = LowerHexDigit(pathHex[i]);
        const int low = LowerHexDigit(pathHex[i + 1]);
        if (high < 0 || low < 0)
            return LoadResString(IDS_NO_FILENAME);
        bytes.push_back(static_cast<char>(high * 16 + low));
    }

    if (bytes[0] != '\0') {
        // ANSI text, up to its terminator.
        return bytes.substr(0, bytes.find('\0'));
    }
    // UTF-16 with the high byte first.
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t c = static_cast<char16_t>((static_cast<unsigned char>(bytes[i]) << 8) |
                                                 static_cast<unsigned char>(bytes[i + 1]));
        if (c == 0 && !wide.empty())
            break;
        if (c != 0)
            wide.push_back(c);
    }
    LPSTR ansi = nullptr;
    if (FAILED(WideToAnsi(wide.c_str(), &ansi)) || !ansi)
        return {};
    std::string path(ansi);
    CoTaskMemFree(ansi);
    return path;
}

HRESULT WideToAnsi(LPCWSTR wide, LPSTR* ansi)
{
    *ansi = nullptr;
    if (!wide)
        return S_OK;
    std::size_t length = 0;
    while (wide[length])
        ++length;
    // Up to three bytes of UTF-8 for each UTF-16 unit, and the terminator.
    const std::size_t size = 3 * (length + 1);
    auto* buffer = static_cast<LPSTR>(CoTaskMemAlloc(size));
    if (!buffer)
        return E_OUTOFMEMORY;
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, static_cast<int>(size), nullptr, nullptr) == 0) {
        const DWORD error = GetLastError();
        CoTaskMemFree(buffer);
        return static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
    }
    *ansi = buffer;
    return S_OK;
}
