// GUIDs, and the trait that gives each interface its IID (the stand-in for __uuidof).
#pragma once

#include "base/WinTypes.h"

#include <cstring>

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using UUID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPGUID = GUID*;
using LPIID = IID*;
using LPCLSID = CLSID*;

inline bool IsEqualGUID(REFGUID a, REFGUID b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualGUID(a, b); }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }

namespace platform::detail {
constexpr unsigned HexDigit(char c)
{
    return c >= '0' && c <= '9' ? unsigned(c - '0')
         : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
         : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                : throw "bad hex digit in GUID literal";
}
constexpr unsigned long long HexValue(const char* s, int digits)
{
    unsigned long long v = 0;
    for (int i = 0; i < digits; ++i)
        v = v * 16 + HexDigit(s[i]);
    return v;
}
} // namespace platform::detail

// A GUID from its text "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" (no braces), at compile time.
constexpr GUID MakeGuid(const char* s)
{
    using platform::detail::HexValue;
    GUID g{};
    g.Data1 = static_cast<DWORD>(HexValue(s, 8));
    g.Data2 = static_cast<WORD>(HexValue(s + 9, 4));
    g.Data3 = static_cast<WORD>(HexValue(s + 14, 4));
    g.Data4[0] = static_cast<BYTE>(HexValue(s + 19, 2));
    g.Data4[1] = static_cast<BYTE>(HexValue(s + 21, 2));
    for (int i = 0; i < 6; ++i)
        g.Data4[2 + i] = static_cast<BYTE>(HexValue(s + 24 + 2 * i, 2));
    return g;
}

inline constexpr GUID GUID_NULL{};
inline constexpr GUID IID_NULL{};
inline constexpr GUID CLSID_NULL{};

// Each interface declares its IID once with PLATFORM_DECLARE_IID(Interface, "text");
// IID_OF(Interface) then yields it.
template <class T>
struct IidTraits;

#define PLATFORM_DECLARE_IID(Interface, text)                \
    template <>                                              \
    struct IidTraits<Interface> {                            \
        static constexpr GUID iid = MakeGuid(text);          \
    }

template <class T>
constexpr const GUID& uuidof()
{
    return IidTraits<T>::iid;
}
#define IID_OF(T) (::uuidof<T>())
