#include "PropertyText.h"

#include "base/Utf.h"
#include "base/WinTime.h"
#include "com/GuidString.h"
#include "mapi/MapiGuids.h"
#include "mapi/MapiTags.h"
#include "mapi/PropertyNames.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

struct TypeEntry {
    const char* name;
    const char* ptName;
    ULONG type;
};
const TypeEntry kTypes[] = {
    {"string", "PT_UNICODE", PT_UNICODE},  {"string8", "PT_STRING8", PT_STRING8},
    {"long", "PT_LONG", PT_LONG},          {"i2", "PT_I2", PT_I2},
    {"bool", "PT_BOOLEAN", PT_BOOLEAN},    {"i8", "PT_I8", PT_I8},
    {"time", "PT_SYSTIME", PT_SYSTIME},    {"binary", "PT_BINARY", PT_BINARY},
    {"clsid", "PT_CLSID", PT_CLSID},       {"double", "PT_DOUBLE", PT_DOUBLE},
    {"null", "PT_NULL", PT_NULL},          {"mv-string", "PT_MV_UNICODE", PT_MV_UNICODE},
    {"mv-binary", "PT_MV_BINARY", PT_MV_BINARY}, {"mv-long", "PT_MV_LONG", PT_MV_LONG},
    {"error", "PT_ERROR", PT_ERROR},       {"object", "PT_OBJECT", PT_OBJECT},
};

struct SetEntry {
    const char* name;
    const GUID* guid;
};
const SetEntry kSets[] = {
    {"PS_PUBLIC_STRINGS", &PS_PUBLIC_STRINGS}, {"PS_MAPI", &PS_MAPI},
    {"PSETID_Common", &PSETID_Common},         {"PSETID_Appointment", &PSETID_Appointment},
    {"PSETID_Task", &PSETID_Task},             {"PSETID_Address", &PSETID_Address},
    {"PSETID_Note", &PSETID_Note},             {"PSETID_Log", &PSETID_Log},
};

bool ParseInteger(const std::string& text, std::int64_t& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno || !end || *end)
        return false;
    out = v;
    return true;
}

std::vector<std::string> Split(const std::string& text, char sep)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : text) {
        if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

bool ParseGuidText(std::string text, GUID& g)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return false;
    for (std::size_t i = 0; i < 36; ++i)
        if (i != 8 && i != 13 && i != 18 && i != 23 && !std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    g = MakeGuid(text.c_str());
    return true;
}

} // namespace

std::string PropertyText::Hex(const mapi::Bytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool PropertyText::FromHex(const std::string& hex, mapi::Bytes& out)
{
    if (hex.size() % 2)
        return false;
    out.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(hex[i])) || !std::isxdigit(static_cast<unsigned char>(hex[i + 1])))
            return false;
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return true;
}

std::string PropertyText::TimeText(std::int64_t fileTime)
{
    FILETIME ft = platform::UInt64ToFileTime(static_cast<ULONGLONG>(fileTime));
    SYSTEMTIME st{};
    if (!FileTimeToSystemTime(&ft, &st))
        return std::to_string(fileTime);
    char buf[64];
    const unsigned frac = static_cast<unsigned>(static_cast<ULONGLONG>(fileTime) % 10000000ULL);
    if (frac)
        std::snprintf(buf, sizeof buf, "%04u-%02u-%02uT%02u:%02u:%02u.%07uZ", st.wYear, st.wMonth, st.wDay, st.wHour,
                      st.wMinute, st.wSecond, frac);
    else
        std::snprintf(buf, sizeof buf, "%04u-%02u-%02uT%02u:%02u:%02uZ", st.wYear, st.wMonth, st.wDay, st.wHour,
                      st.wMinute, st.wSecond);
    return buf;
}

bool PropertyText::ParseTime(const std::string& text, std::int64_t& fileTime)
{
    unsigned y, mo, d, h = 0, mi = 0, s = 0;
    char tail[32] = {};
    int n = std::sscanf(text.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u%31s", &y, &mo, &d, &h, &mi, &s, tail);
    if (n < 3 || (n >= 4 && n < 6))
        return false;
    unsigned frac = 0;
    std::string rest = tail;
    if (!rest.empty() && rest[0] == '.') {
        std::size_t i = 1;
        std::string digits;
        while (i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i])))
            digits += rest[i++];
        if (digits.empty() || digits.size() > 7)
            return false;
        digits.resize(7, '0');
        frac = static_cast<unsigned>(std::stoul(digits));
        rest = rest.substr(i);
    }
    if (!(rest.empty() || rest == "Z"))
        return false;
    SYSTEMTIME st{static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
                  static_cast<WORD>(mi), static_cast<WORD>(s), 0};
    FILETIME ft{};
    if (!SystemTimeToFileTime(&st, &ft))
        return false;
    fileTime = static_cast<std::int64_t>(platform::FileTimeToUInt64(ft) + frac);
    return true;
}

bool PropertyText::ParseType(const std::string& text, ULONG& type)
{
    for (const auto& t : kTypes) {
        if (platform::EqualNoCase(text, t.name) || platform::EqualNoCase(text, t.ptName)) {
            type = t.type;
            return true;
        }
    }
    return false;
}

std::string PropertyText::TypeName(ULONG type)
{
    for (const auto& t : kTypes)
        if (t.type == type)
            return t.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(type));
    return buf;
}

bool PropertyText::ParseTag(const std::string& text, ULONG& tag, std::string& error)
{
    for (const auto& n : mapi::PropertyNames()) {
        if (platform::EqualNoCase(text, n.name)) {
            tag = n.tag;
            return true;
        }
    }
    const auto colon = text.find(':');
    std::int64_t v = 0;
    if (colon != std::string::npos) {
        ULONG type = 0;
        if (!ParseInteger(text.substr(0, colon), v) || v <= 0 || v > 0xFFFE || !ParseType(text.substr(colon + 1), type)) {
            error = "bad property \"" + text + "\" (expected an id and a type, as 0x6701:long)";
            return false;
        }
        tag = PROP_TAG(type, static_cast<ULONG>(v));
        return true;
    }
    if (ParseInteger(text, v) && v > 0xFFFF && v <= 0xFFFFFFFFLL) {
        tag = static_cast<ULONG>(v);
        return true;
    }
    error = "unknown property \"" + text + "\"";
    return false;
}

std::string PropertyText::TagName(ULONG tag)
{
    return mapi::PropertyTagName(tag);
}

bool PropertyText::ParseSet(const std::string& text, GUID& set)
{
    for (const auto& s : kSets) {
        if (platform::EqualNoCase(text, s.name)) {
            set = *s.guid;
            return true;
        }
    }
    return ParseGuidText(text, set);
}

std::string PropertyText::SetName(const GUID& set)
{
    for (const auto& s : kSets)
        if (IsEqualGUID(set, *s.guid))
            return s.name;
    return platform::GuidToString(set);
}

bool PropertyText::ParseText(ULONG tag, const std::string& text, mapi::PropValue& out, std::string& error)
{
    const ULONG type = PROP_TYPE(tag);
    auto bad = [&](const char* what) {
        error = "bad " + std::string(what) + " value \"" + text + "\" for " + TagName(tag);
        return false;
    };
    std::int64_t n = 0;
    switch (type) {
    case PT_UNICODE:
    case PT_STRING8:
        out = mapi::PropValue::Text(tag, platform::Utf8ToUtf16(text));
        return true;
    case PT_LONG:
    case PT_I2:
    case PT_I8:
        if (!ParseInteger(text, n))
            return bad("integer");
        if ((type == PT_LONG && (n < INT32_MIN || n > 0xFFFFFFFFLL)) || (type == PT_I2 && (n < -32768 || n > 65535)))
            return bad("integer");
        out = mapi::PropValue(tag, n);
        return true;
    case PT_BOOLEAN:
        if (platform::EqualNoCase(text, "true") || text == "1")
            out = mapi::PropValue(tag, std::int64_t(1));
        else if (platform::EqualNoCase(text, "false") || text == "0")
            out = mapi::PropValue(tag, std::int64_t(0));
        else
            return bad("boolean");
        return true;
    case PT_SYSTIME:
        if (!ParseTime(text, n))
            return bad("time (expected YYYY-MM-DDTHH:MM:SSZ)");
        out = mapi::PropValue(tag, n);
        return true;
    case PT_DOUBLE: {
        char* end = nullptr;
        double d = std::strtod(text.c_str(), &end);
        if (text.empty() || *end)
            return bad("number");
        out = mapi::PropValue(tag, d);
        return true;
    }
    case PT_BINARY: {
        mapi::Bytes b;
        if (!FromHex(text, b))
            return bad("hexadecimal");
        out = mapi::PropValue(tag, b);
        return true;
    }
    case PT_CLSID: {
        GUID g;
        if (!ParseGuidText(text, g))
            return bad("GUID");
        out = mapi::PropValue(tag, mapi::Bytes(reinterpret_cast<const char*>(&g), sizeof g));
        return true;
    }
    case PT_MV_UNICODE:
    case PT_MV_STRING8: {
        std::vector<std::u16string> vals;
        for (const auto& part : Split(text, ';'))
            vals.push_back(platform::Utf8ToUtf16(part));
        out = mapi::PropValue(mapi::PropValue::CanonicalTag(tag), std::move(vals));
        return true;
    }
    case PT_MV_BINARY: {
        std::vector<mapi::Bytes> vals;
        for (const auto& part : Split(text, ';')) {
            mapi::Bytes b;
            if (!FromHex(part, b))
                return bad("hexadecimal");
            vals.push_back(b);
        }
        out = mapi::PropValue(tag, std::move(vals));
        return true;
    }
    case PT_MV_LONG: {
        std::vector<std::int64_t> vals;
        for (const auto& part : Split(text, ';')) {
            if (!ParseInteger(part, n))
                return bad("integer");
            vals.push_back(n);
        }
        out = mapi::PropValue(tag, std::move(vals));
        return true;
    }
    case PT_NULL:
        out = mapi::PropValue(tag, std::monostate{});
        return true;
    default:
        error = "properties of type " + TypeName(type) + " cannot be set";
        return false;
    }
}

bool PropertyText::ParseJson(ULONG tag, const nlohmann::json& value, mapi::PropValue& out, std::string& error)
{
    const ULONG type = PROP_TYPE(tag);
    // Text with a NUL character would be cut short there; a whole number beyond 64 bits would wrap.
    auto usable = [&](const nlohmann::json& v) {
        if (v.is_string() && v.get<std::string>().find('\0') != std::string::npos) {
            error = "text with a NUL character for " + TagName(tag);
            return false;
        }
        if (v.is_number_unsigned() && v.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
            error = "number " + v.dump() + " out of range for " + TagName(tag);
            return false;
        }
        return true;
    };
    if (!usable(value))
        return false;
    if (value.is_string())
        return ParseText(tag, value.get<std::string>(), out, error);
    if (value.is_boolean() && type == PT_BOOLEAN) {
        out = mapi::PropValue(tag, std::int64_t(value.get<bool>() ? 1 : 0));
        return true;
    }
    if (value.is_number_integer() && (type == PT_LONG || type == PT_I2 || type == PT_I8 || type == PT_BOOLEAN)) {
        return ParseText(tag, std::to_string(value.get<std::int64_t>()), out, error);
    }
    if (value.is_number() && type == PT_DOUBLE) {
        out = mapi::PropValue(tag, value.get<double>());
        return true;
    }
    if (value.is_array() && (type & MV_FLAG)) {
        std::string joined;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (!value[i].is_string() && !value[i].is_number_integer()) {
                error = "bad value in the list for " + TagName(tag);
                return false;
            }
            if (!usable(value[i]))
                return false;
            joined += (i ? ";" : "") + (value[i].is_string() ? value[i].get<std::string>()
                                                             : std::to_string(value[i].get<std::int64_t>()));
        }
        if (type == PT_MV_UNICODE || type == PT_MV_STRING8) {
            std::vector<std::u16string> vals;
            for (const auto& v : value)
                vals.push_back(platform::Utf8ToUtf16(v.is_string() ? v.get<std::string>() : v.dump()));
            out = mapi::PropValue(mapi::PropValue::CanonicalTag(tag), std::move(vals));
            return true;
        }
        return ParseText(tag, joined, out, error);
    }
    error = "bad JSON value " + value.dump() + " for " + TagName(tag);
    return false;
}

nlohmann::json PropertyText::ToJson(const mapi::PropValue& v)
{
    switch (v.type()) {
    case PT_UNICODE:
        return platform::Utf16ToUtf8(v.str());
    case PT_BOOLEAN:
        return v.num() != 0;
    case PT_SYSTIME:
        return TimeText(v.num());
    case PT_BINARY:
        return Hex(v.bin());
    case PT_CLSID: {
        GUID g{};
        std::memcpy(&g, v.bin().data(), std::min(v.bin().size(), sizeof g));
        return platform::GuidToString(g);
    }
    case PT_DOUBLE:
    case PT_R4:
    case PT_APPTIME:
        return v.dbl();
    case PT_ERROR: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(v.num()));
        return std::string("error ") + buf;
    }
    case PT_MV_UNICODE: {
        auto a = nlohmann::json::array();
        for (const auto& s : v.mvStr())
            a.push_back(platform::Utf16ToUtf8(s));
        return a;
    }
    case PT_MV_BINARY:
    case PT_MV_CLSID: {
        auto a = nlohmann::json::array();
        for (const auto& b : v.mvBin())
            a.push_back(Hex(b));
        return a;
    }
    case PT_MV_SYSTIME: {
        auto a = nlohmann::json::array();
        for (auto n : v.mvNum())
            a.push_back(TimeText(n));
        return a;
    }
    case PT_MV_I2:
    case PT_MV_LONG:
    case PT_MV_I8: {
        auto a = nlohmann::json::array();
        for (auto n : v.mvNum())
            a.push_back(n);
        return a;
    }
    case PT_NULL:
    case PT_OBJECT:
        return nullptr;
    default:
        return v.num();
    }
}

std::string PropertyText::ToText(const mapi::PropValue& v)
{
    nlohmann::json j = ToJson(v);
    if (j.is_string())
        return j.get<std::string>();
    if (j.is_array()) {
        std::string out;
        for (std::size_t i = 0; i < j.size(); ++i)
            out += (i ? ";" : "") + (j[i].is_string() ? j[i].get<std::string>() : j[i].dump());
        return out;
    }
    return j.dump();
}
