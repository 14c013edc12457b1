#include "mapi/OneOffAddress.h"

#include "base/Utf.h"
#include "mapi/MapiCodes.h"
#include "mapi/MapiTags.h"

#include <cstring>

namespace mapi {

namespace {

constexpr BYTE kOneOffUid[16] = MAPI_ONE_OFF_UID;
constexpr std::size_t kHeader = 4 + 16 + 2 + 2;

void PutWide(Bytes& out, const std::u16string& s)
{
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xff);
        out += static_cast<char>(c >> 8);
    }
    out.append(2, '\0');
}

bool TakeWide(const unsigned char* p, std::size_t cb, std::size_t& pos, std::u16string& out)
{
    out.clear();
    while (pos + 1 < cb) {
        const char16_t c = static_cast<char16_t>(p[pos] | (p[pos + 1] << 8));
        pos += 2;
        if (c == 0)
            return true;
        out += c;
    }
    return false;
}

bool TakeNarrow(const unsigned char* p, std::size_t cb, std::size_t& pos, std::u16string& out)
{
    const std::size_t start = pos;
    while (pos < cb && p[pos] != 0)
        ++pos;
    if (pos >= cb)
        return false;
    out = platform::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(p) + start, pos - start));
    ++pos;
    return true;
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view s)
{
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// local@domain, with no blanks, angle brackets, commas or second "@".
bool IsSmtpAddress(std::u16string_view a)
{
    const auto at = a.find(u'@');
    if (at == std::u16string_view::npos || at == 0 || at + 1 >= a.size() || a.find(u'@', at + 1) != a.npos)
        return false;
    for (char16_t c : a)
        if (IsSpace(c) || c == u'<' || c == u'>' || c == u',' || c == u';' || c == u'"' || c < 0x20)
            return false;
    return true;
}

} // namespace

Bytes OneOffAddress::EntryId() const
{
    Bytes out(4, '\0');
    out.append(reinterpret_cast<const char*>(kOneOffUid), 16);
    const std::uint16_t flags = MAPI_ONE_OFF_UNICODE | (noRichInfo ? MAPI_ONE_OFF_NO_RICH_INFO : 0);
    out.append(2, '\0'); // version
    out += static_cast<char>(flags & 0xff);
    out += static_cast<char>(flags >> 8);
    PutWide(out, name);
    PutWide(out, type);
    PutWide(out, address);
    return out;
}

bool OneOffAddress::Parse(const void* data, std::size_t cb, OneOffAddress& out)
{
    if (!data || cb < kHeader)
        return false;
    const auto* p = static_cast<const unsigned char*>(data);
    if (std::memcmp(p + 4, kOneOffUid, 16) != 0)
        return false;
    const std::uint16_t flags = static_cast<std::uint16_t>(p[22] | (p[23] << 8));
    OneOffAddress a;
    a.noRichInfo = flags & MAPI_ONE_OFF_NO_RICH_INFO;
    std::size_t pos = kHeader;
    auto take = (flags & MAPI_ONE_OFF_UNICODE) ? TakeWide : TakeNarrow;
    if (!take(p, cb, pos, a.name) || !take(p, cb, pos, a.type) || !take(p, cb, pos, a.address) || a.type.empty())
        return false;
    out = std::move(a);
    return true;
}

Bytes OneOffAddress::SearchKey() const
{
    std::u16string key = type + u":" + address;
    for (auto& c : key)
        c = Upper(c);
    std::string utf8 = platform::Utf16ToUtf8(key);
    utf8 += '\0';
    return utf8;
}

PropMap OneOffAddress::Props() const
{
    PropMap props;
    props.Set(PropValue::Text(PR_DISPLAY_NAME_W, name.empty() ? address : name));
    props.Set(PropValue::Text(PR_ADDRTYPE_W, type));
    props.Set(PropValue::Text(PR_EMAIL_ADDRESS_W, address));
    props.Set(PropValue::Binary(PR_ENTRYID, EntryId()));
    props.Set(PropValue::Binary(PR_SEARCH_KEY, SearchKey()));
    props.Set(PropValue::Long(PR_OBJECT_TYPE, MAPI_MAILUSER));
    props.Set(PropValue::Long(PR_DISPLAY_TYPE, DT_MAILUSER));
    props.Set(PropValue::Long(PR_SEND_RICH_INFO, noRichInfo ? 0 : 1));
    return props;
}

bool OneOffAddress::FromSmtpText(std::u16string_view text, OneOffAddress& out)
{
    text = Trim(text);
    std::u16string_view name;
    std::u16string_view address = text;
    const auto open = text.rfind(u'<');
    if (open != text.npos && text.back() == u'>') {
        name = Trim(text.substr(0, open));
        if (name.size() >= 2 && name.front() == u'"' && name.back() == u'"')
            name = name.substr(1, name.size() - 2);
        address = Trim(text.substr(open + 1, text.size() - open - 2));
    }
    if (address.size() > 5 && Upper(address[0]) == u'S' && Upper(address[1]) == u'M' && Upper(address[2]) == u'T' &&
        Upper(address[3]) == u'P' && address[4] == u':')
        address.remove_prefix(5);
    if (!IsSmtpAddress(address))
        return false;
    out = OneOffAddress{std::u16string(name.empty() ? address : name), u"SMTP", std::u16string(address), false};
    return true;
}

} // namespace mapi
