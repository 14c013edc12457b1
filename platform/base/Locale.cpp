#include "base/Locale.h"

#include "base/LastError.h"
#include "base/LocaleTable.h"
#include "base/SettingsSource.h"
#include "base/UiLanguage.h"
#include "base/Utf.h"
#include "base/WinError.h"
#include "base/WinTime.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::LocaleData;

thread_local std::optional<LCID> t_locale;

const LocaleData* Resolve(LCID locale)
{
    if (locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT || locale == LOCALE_NEUTRAL)
        locale = GetUserDefaultLCID();
    const LocaleData* data = platform::FindLocale(locale);
    if (!data)
        SetLastError(ERROR_INVALID_PARAMETER);
    return data;
}

// Writes text and its zero as the platform's text functions do: with size 0 the characters
// needed, else all of it or nothing.
int Deliver(const std::string& text, LPSTR buffer, int size)
{
    const int needed = static_cast<int>(text.size() + 1);
    if (size == 0)
        return needed;
    if (!buffer || size < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return needed;
}

// One element of a picture string: a run of one format letter, or literal text.
struct Element {
    char letter = 0; // 0 for literal text
    std::size_t count = 0;
    std::string text;
};

std::vector<Element> ParsePicture(std::string_view picture, std::string_view letters)
{
    std::vector<Element> out;
    auto literal = [&](char c) {
        if (out.empty() || out.back().letter != 0)
            out.push_back({});
        out.back().text += c;
    };
    for (std::size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        if (c == '\'' && i + 1 < picture.size() && picture[i + 1] == '\'') {
            literal('\'');
            i += 2;
            continue;
        }
        if (c == '\'') {
            ++i;
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        literal('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal(picture[i++]);
            }
            if (out.empty() || out.back().letter != 0)
                out.push_back({}); // an empty quoted text still separates two runs
            continue;
        }
        if (letters.find(c) != std::string_view::npos) {
            std::size_t n = 0;
            while (i < picture.size() && picture[i] == c) {
                ++n;
                ++i;
            }
            out.push_back({c, n, {}});
            continue;
        }
        literal(c);
        ++i;
    }
    return out;
}

std::string Number(int value, std::size_t width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", static_cast<int>(width), value);
    return text;
}

bool ValidDate(const SYSTEMTIME& t)
{
    return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
           t.wDay <= platform::DaysInMonth(t.wYear, t.wMonth);
}

bool ValidTime(const SYSTEMTIME& t)
{
    return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

// The time to format: the one given, or now in local time. False (ERROR_INVALID_PARAMETER) when
// it is not valid.
bool TimeToFormat(const SYSTEMTIME* given, bool (*valid)(const SYSTEMTIME&), SYSTEMTIME& t)
{
    if (given)
        t = *given;
    else
        GetLocalTime(&t);
    if (valid(t))
        return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

// Drops the element at index i and the separator text before it (back to the previous format
// element), as the TIME_NO... flags leave out a part with its separator.
void DropWithSeparator(std::vector<Element>& elements, std::size_t i)
{
    elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(i));
    if (i > 0 && elements[i - 1].letter == 0 && i - 1 > 0)
        elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(i - 1));
    else if (i < elements.size() && elements[i].letter == 0 && (i == 0 || elements[i - 1].letter == 0))
        elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(i)); // a leading part: the text after it
}

// Collation of one code point: its class (symbol, digit, letter), base letter, accent and case.
struct Weight {
    int group = 0;
    char32_t base = 0;
    char32_t accent = 0;
    int upper = 0;
};

constexpr std::string_view kLatin1Base = "AAAAAAACEEEEIIIIDNOOOOO*OUUUUYTsaaaaaaaceeeeiiiidnooooo/ouuuuyty";
constexpr std::string_view kLatinExtendedABase =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiJjJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";

Weight WeightOf(char32_t cp)
{
    Weight w;
    char base = 0;
    if (cp < 0x80) {
        if ((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z'))
            base = static_cast<char>(cp);
        else if (cp >= '0' && cp <= '9') {
            w.group = 1;
            w.base = cp;
            return w;
        } else {
            w.base = cp;
            return w;
        }
    } else if (cp >= 0xC0 && cp <= 0xFF) {
        base = kLatin1Base[cp - 0xC0];
        w.accent = cp;
    } else if (cp >= 0x100 && cp <= 0x17F) {
        base = kLatinExtendedABase[cp - 0x100];
        w.accent = cp;
    }
    if (base == '*' || base == '/') {
        w.base = cp;
        return w;
    }
    if (base) {
        w.group = 2;
        w.upper = base >= 'A' && base <= 'Z';
        w.base = static_cast<char32_t>(w.upper ? base - 'A' + 'a' : base);
        // The accent step tells accented forms apart from the plain letter and from each other:
        // its key is the small form of the accented letter.
        if (w.accent && w.upper)
            w.accent = cp == 0x178 ? 0xFF : (cp < 0x100 ? cp + 0x20 : cp + 1);
        return w;
    }
    // Greek and Cyrillic capitals and small letters fold together.
    w.group = 2;
    if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) {
        w.base = cp + 0x20;
        w.upper = 1;
    } else if (cp >= 0x410 && cp <= 0x42F) {
        w.base = cp + 0x20;
        w.upper = 1;
    } else if (cp >= 0x400 && cp <= 0x40F) {
        w.base = cp + 0x50;
        w.upper = 1;
    } else if ((cp >= 0x3B1 && cp <= 0x3C9) || (cp >= 0x430 && cp <= 0x45F)) {
        w.base = cp;
    } else {
        w.group = cp >= 0x2000 && cp < 0x3000 ? 0 : 2; // punctuation and symbols of the general blocks
        w.base = cp;
    }
    return w;
}

// The weights of a text. Letters that stand for two (ß, Æ, Œ) sort as those two, told apart
// from them by the accent step.
std::vector<Weight> WeightsOf(const std::vector<char32_t>& text, DWORD flags)
{
    std::vector<Weight> out;
    for (char32_t c : text) {
        const char* pair = c == 0xDF ? "ss" : c == 0xC6 ? "AE" : c == 0xE6 ? "ae" : c == 0x152 ? "OE" : c == 0x153 ? "oe" : nullptr;
        if (pair) {
            for (int i = 0; i < 2; ++i) {
                Weight w = WeightOf(static_cast<char32_t>(pair[i]));
                w.accent = c;
                out.push_back(w);
            }
            continue;
        }
        Weight w = WeightOf(c);
        if (!(flags & NORM_IGNORESYMBOLS) || w.group != 0)
            out.push_back(w);
    }
    return out;
}

int CompareWeights(const std::vector<char32_t>& a, const std::vector<char32_t>& b, DWORD flags)
{
    const std::vector<Weight> wa = WeightsOf(a, flags);
    const std::vector<Weight> wb = WeightsOf(b, flags);
    auto level = [&](auto key) -> int {
        const std::size_t n = std::min(wa.size(), wb.size());
        for (std::size_t i = 0; i < n; ++i) {
            const auto ka = key(wa[i]);
            const auto kb = key(wb[i]);
            if (ka != kb)
                return ka < kb ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
        }
        return CSTR_EQUAL;
    };
    int result = level([](const Weight& w) { return std::make_pair(w.group, w.base); });
    if (result != CSTR_EQUAL)
        return result;
    if (wa.size() != wb.size())
        return wa.size() < wb.size() ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    if (!(flags & NORM_IGNORENONSPACE)) {
        result = level([](const Weight& w) { return w.accent; });
        if (result != CSTR_EQUAL)
            return result;
    }
    if (!(flags & NORM_IGNORECASE))
        result = level([](const Weight& w) { return w.upper; });
    return result;
}

constexpr DWORD kCompareFlags = NORM_IGNORECASE | NORM_IGNORENONSPACE | NORM_IGNORESYMBOLS | SORT_STRINGSORT |
                                0x00000010 /* LINGUISTIC_IGNORECASE */ | 0x00000020 /* LINGUISTIC_IGNOREDIACRITIC */ |
                                0x00010000 /* NORM_IGNOREKANATYPE */ | 0x00020000 /* NORM_IGNOREWIDTH */ |
                                0x08000000 /* NORM_LINGUISTIC_CASING */;

int CompareCodePoints(LCID locale, DWORD flags, const std::vector<char32_t>& a, const std::vector<char32_t>& b)
{
    if (flags & ~kCompareFlags) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    if (locale != LOCALE_INVARIANT && !Resolve(locale))
        return 0;
    if (flags & 0x10)
        flags |= NORM_IGNORECASE;
    if (flags & 0x20)
        flags |= NORM_IGNORENONSPACE;
    return CompareWeights(a, b, flags);
}

} // namespace

LCID GetUserDefaultLCID()
{
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            const LocaleData* data = platform::FindLocaleByName(value);
            return data ? data->lcid : 1033;
        }
    }
    return 1033;
}

LCID GetSystemDefaultLCID()
{
    return GetUserDefaultLCID();
}

LCID GetThreadLocale()
{
    return t_locale ? *t_locale : GetUserDefaultLCID();
}

BOOL SetThreadLocale(LCID locale)
{
    if (locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT)
        locale = GetUserDefaultLCID();
    if (!platform::FindLocale(locale) || (locale >> 16) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    t_locale = locale;
    if (locale != LOCALE_INVARIANT)
        SetThreadUILanguage(LANGIDFROMLCID(locale));
    return TRUE;
}

int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCSTR format, LPSTR buffer, int size)
{
    const LocaleData* data = Resolve(locale);
    if (!data)
        return 0;
    if ((flags & ~(DATE_SHORTDATE | LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP)) || (format && (flags & DATE_SHORTDATE))) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    SYSTEMTIME t{};
    if (!TimeToFormat(date, ValidDate, t))
        return 0;
    const int dayOfWeek = platform::DayOfWeek(platform::DaysFromCivil(t.wYear, t.wMonth, t.wDay));
    std::string text;
    for (const Element& e : ParsePicture(format ? std::string_view(format) : data->shortDate, "dMyg")) {
        switch (e.letter) {
        case 0:
            text += e.text;
            break;
        case 'd':
            if (e.count <= 2)
                text += Number(t.wDay, e.count);
            else
                text += platform::DayName(*data, dayOfWeek, e.count == 3);
            break;
        case 'M':
            if (e.count <= 2)
                text += Number(t.wMonth, e.count);
            else
                text += platform::MonthName(*data, t.wMonth - 1, e.count == 3);
            break;
        case 'y':
            if (e.count == 1)
                text += std::to_string(t.wYear % 100);
            else if (e.count == 2)
                text += Number(t.wYear % 100, 2);
            else
                text += std::to_string(t.wYear);
            break;
        case 'g':
            break; // no era for the Gregorian calendar
        }
    }
    return Deliver(text, buffer, size);
}

int GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME* time, LPCSTR format, LPSTR buffer, int size)
{
    const LocaleData* data = Resolve(locale);
    if (!data)
        return 0;
    constexpr DWORD known = TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT |
                            LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP;
    if (flags & ~known) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    SYSTEMTIME t{};
    if (!TimeToFormat(time, ValidTime, t))
        return 0;
    auto elements = ParsePicture(format ? std::string_view(format) : data->timeFormat, "hHmst");
    auto drop = [&](char letter) {
        for (std::size_t i = 0; i < elements.size();) {
            if (elements[i].letter == letter)
                DropWithSeparator(elements, i);
            else
                ++i;
        }
    };
    if (flags & (TIME_NOSECONDS | TIME_NOMINUTESORSECONDS))
        drop('s');
    if (flags & TIME_NOMINUTESORSECONDS)
        drop('m');
    if (flags & TIME_NOTIMEMARKER)
        drop('t');
    std::string text;
    for (const Element& e : elements) {
        const bool h24 = (flags & TIME_FORCE24HOURFORMAT) || e.letter == 'H';
        switch (e.letter) {
        case 0:
            text += e.text;
            break;
        case 'h':
        case 'H': {
            const int hour = h24 ? t.wHour : (t.wHour % 12 == 0 ? 12 : t.wHour % 12);
            text += Number(hour, e.count >= 2 ? 2 : 1);
            break;
        }
        case 'm':
            text += Number(t.wMinute, e.count >= 2 ? 2 : 1);
            break;
        case 's':
            text += Number(t.wSecond, e.count >= 2 ? 2 : 1);
            break;
        case 't':
            if (!(flags & TIME_FORCE24HOURFORMAT)) {
                const std::string_view marker = platform::TimeMarker(*data, t.wHour >= 12);
                text += e.count == 1 ? marker.substr(0, marker.empty() ? 0 : 1) : marker;
            }
            break;
        }
    }
    // A marker left out at the end leaves no trailing space.
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return Deliver(text, buffer, size);
}

int CompareStringA(LCID locale, DWORD flags, LPCSTR string1, int count1, LPCSTR string2, int count2)
{
    if (!string1 || !string2 || count1 < -1 || count2 < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto decode = [](LPCSTR s, int count) {
        const std::string_view text(s, count < 0 ? std::strlen(s) : static_cast<std::size_t>(count));
        std::vector<char32_t> out;
        for (std::size_t i = 0; i < text.size();) {
            char32_t cp = 0;
            const std::size_t n = platform::DecodeUtf8(text, i, cp);
            out.push_back(n ? cp : 0xFFFD);
            i += n ? n : 1;
        }
        return out;
    };
    return CompareCodePoints(locale, flags, decode(string1, count1), decode(string2, count2));
}

int CompareStringW(LCID locale, DWORD flags, LPCWSTR string1, int count1, LPCWSTR string2, int count2)
{
    if (!string1 || !string2 || count1 < -1 || count2 < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto decode = [](LPCWSTR s, int count) {
        const std::size_t n = count < 0 ? platform::WideLength(s) : static_cast<std::size_t>(count);
        std::vector<char32_t> out;
        for (std::size_t i = 0; i < n; ++i) {
            const char16_t c = s[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00));
                ++i;
            } else {
                out.push_back(c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
            }
        }
        return out;
    };
    return CompareCodePoints(locale, flags, decode(string1, count1), decode(string2, count2));
}

int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int size)
{
    const LocaleData* info = Resolve(locale);
    if (!info)
        return 0;
    const bool noOverride = (type & LOCALE_NOUSEROVERRIDE) != 0;
    type &= ~(LOCALE_NOUSEROVERRIDE | LOCALE_USE_CP_ACP);
    std::string text;
    switch (type) {
    case LOCALE_ILANGUAGE: {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(info->lcid & 0xFFFF));
        text = hex;
        break;
    }
    case LOCALE_SDECIMAL:
        text = info->decimal;
        if (!noOverride && info->lcid == GetUserDefaultLCID()) {
            std::string user;
            if (platform::ReadSettingString(platform::SettingsHive::CurrentUser, "Control Panel\\International",
                                            "sDecimal", "", user) == ERROR_SUCCESS &&
                !user.empty())
                text = user;
        }
        break;
    case LOCALE_STHOUSAND:
        text = info->thousand;
        break;
    case LOCALE_SSHORTDATE:
        text = info->shortDate;
        break;
    case LOCALE_STIMEFORMAT:
        text = info->timeFormat;
        break;
    case LOCALE_SISO639LANGNAME:
        text = info->language.empty() ? "iv" : info->language;
        break;
    case LOCALE_SISO3166CTRYNAME:
        text = info->territory.empty() ? "IV" : info->territory;
        break;
    default:
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    return Deliver(text, data, size);
}
