#include "mapi/PropValue.h"

#include "base/Utf.h"
#include "mapi/MapiCodes.h"
#include "mapi/MapiUtil.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace mapi {

// Where the out-of-line parts of a value go: chained MAPI blocks, or one block laid out in turn.
struct ValueSpace {
    void* parent = nullptr;
    char** cursor = nullptr;
};

namespace {

const Bytes kEmptyBytes;
const std::u16string kEmptyText;
const std::vector<Bytes> kEmptyMvBin;
const std::vector<std::u16string> kEmptyMvStr;
const std::vector<std::int64_t> kEmptyMvNum;

std::int64_t FromFileTime(const FILETIME& ft)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}
FILETIME ToFileTime(std::int64_t v)
{
    auto u = static_cast<std::uint64_t>(v);
    return FILETIME{static_cast<DWORD>(u & 0xFFFFFFFFu), static_cast<DWORD>(u >> 32)};
}

std::u16string FromWide(const WCHAR* s)
{
    return s ? std::u16string(s) : std::u16string();
}

void PutU32(Bytes& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutU64(Bytes& out, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutWide(Bytes& out, const std::u16string& s)
{
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
}

struct Reader {
    const unsigned char* p;
    std::size_t left;
    bool U32(std::uint32_t& v)
    {
        if (left < 4)
            return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t(p[i]) << (8 * i);
        p += 4;
        left -= 4;
        return true;
    }
    bool U64(std::uint64_t& v)
    {
        if (left < 8)
            return false;
        v = 0;
        for (int i = 0; i < 8; ++i)
            v |= std::uint64_t(p[i]) << (8 * i);
        p += 8;
        left -= 8;
        return true;
    }
    bool Take(std::size_t n, Bytes& out)
    {
        if (left < n)
            return false;
        out.assign(reinterpret_cast<const char*>(p), n);
        p += n;
        left -= n;
        return true;
    }
};

std::u16string WideFromBytes(const Bytes& b)
{
    std::u16string s(b.size() / 2, u'\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char16_t>(static_cast<unsigned char>(b[2 * i]) |
                                     (static_cast<unsigned char>(b[2 * i + 1]) << 8));
    return s;
}

ULONG Align8(std::size_t n) { return static_cast<ULONG>((n + 7u) & ~std::size_t(7)); }

// Bytes of the UTF-8 form of UTF-16 text, as Utf16ToUtf8 writes it (a lone surrogate becomes
// U+FFFD, three bytes).
std::size_t Utf8Length(const std::u16string& s)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c < 0x80)
            n += 1;
        else if (c < 0x800)
            n += 2;
        else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            n += 4;
            ++i;
        } else
            n += 3;
    }
    return n;
}

template <class T>
SCODE More(ULONG cb, const ValueSpace& space, T** out)
{
    if (space.cursor) {
        *out = reinterpret_cast<T*>(*space.cursor);
        *space.cursor += Align8(cb);
        return S_OK;
    }
    void* p = nullptr;
    SCODE sc = MAPIAllocateMore(cb ? cb : 1, space.parent, &p);
    *out = static_cast<T*>(p);
    return sc;
}

SCODE DupNarrow(const std::u16string& s, const ValueSpace& space, LPSTR* out)
{
    std::string narrow = platform::Utf16ToUtf8(s);
    SCODE sc = More(ULONG(narrow.size() + 1), space, out);
    if (SUCCEEDED(sc))
        std::memcpy(*out, narrow.c_str(), narrow.size() + 1);
    return sc;
}
SCODE DupWide(const std::u16string& s, const ValueSpace& space, LPWSTR* out)
{
    SCODE sc = More(ULONG((s.size() + 1) * sizeof(WCHAR)), space, out);
    if (SUCCEEDED(sc)) {
        std::memcpy(*out, s.data(), s.size() * sizeof(WCHAR));
        (*out)[s.size()] = 0;
    }
    return sc;
}

} // namespace

ULONG PropValue::CanonicalTag(ULONG tag)
{
    switch (PROP_TYPE(tag)) {
    case PT_STRING8:
        return CHANGE_PROP_TYPE(tag, PT_UNICODE);
    case PT_MV_STRING8:
        return CHANGE_PROP_TYPE(tag, PT_MV_UNICODE);
    default:
        return tag;
    }
}

std::int64_t PropValue::num() const
{
    auto* p = std::get_if<std::int64_t>(&m_data);
    return p ? *p : 0;
}
double PropValue::dbl() const
{
    auto* p = std::get_if<double>(&m_data);
    return p ? *p : 0.0;
}
const Bytes& PropValue::bin() const
{
    if (auto* p = std::get_if<Bytes>(&m_data))
        return *p;
    auto* shared = std::get_if<std::shared_ptr<const Bytes>>(&m_data);
    return shared ? **shared : kEmptyBytes;
}
const std::u16string& PropValue::str() const
{
    if (auto* p = std::get_if<std::u16string>(&m_data))
        return *p;
    auto* shared = std::get_if<std::shared_ptr<const std::u16string>>(&m_data);
    return shared ? **shared : kEmptyText;
}

PropValue::Stored PropValue::Keep(Data&& data)
{
    return std::visit(
        [](auto&& d) -> Stored {
            using T = std::decay_t<decltype(d)>;
            if constexpr (std::is_same_v<T, Bytes>) {
                if (d.size() >= kSharedFrom)
                    return std::make_shared<const Bytes>(std::move(d));
            } else if constexpr (std::is_same_v<T, std::u16string>) {
                if (d.size() * 2 >= kSharedFrom)
                    return std::make_shared<const std::u16string>(std::move(d));
            }
            return Stored(std::move(d));
        },
        std::move(data));
}

bool PropValue::operator==(const PropValue& other) const
{
    if (m_tag != other.m_tag)
        return false;
    auto binary = [](const Stored& d) {
        return std::holds_alternative<Bytes>(d) || std::holds_alternative<std::shared_ptr<const Bytes>>(d);
    };
    auto text = [](const Stored& d) {
        return std::holds_alternative<std::u16string>(d) ||
               std::holds_alternative<std::shared_ptr<const std::u16string>>(d);
    };
    if (binary(m_data) && binary(other.m_data))
        return bin() == other.bin();
    if (text(m_data) && text(other.m_data))
        return str() == other.str();
    return m_data == other.m_data;
}

bool PropValue::StorageView(std::string_view& out) const
{
    if (std::holds_alternative<Bytes>(m_data) || std::holds_alternative<std::shared_ptr<const Bytes>>(m_data)) {
        out = bin();
        return true;
    }
    if constexpr (std::endian::native == std::endian::little) {
        if (std::holds_alternative<std::u16string>(m_data) ||
            std::holds_alternative<std::shared_ptr<const std::u16string>>(m_data)) {
            const std::u16string& s = str();
            out = std::string_view(reinterpret_cast<const char*>(s.data()), s.size() * 2);
            return true;
        }
    }
    return false;
}
const std::vector<Bytes>& PropValue::mvBin() const
{
    auto* p = std::get_if<std::vector<Bytes>>(&m_data);
    return p ? *p : kEmptyMvBin;
}
const std::vector<std::u16string>& PropValue::mvStr() const
{
    auto* p = std::get_if<std::vector<std::u16string>>(&m_data);
    return p ? *p : kEmptyMvStr;
}
const std::vector<std::int64_t>& PropValue::mvNum() const
{
    auto* p = std::get_if<std::vector<std::int64_t>>(&m_data);
    return p ? *p : kEmptyMvNum;
}

HRESULT PropValue::FromSPropValue(const SPropValue& v, PropValue& out)
{
    const ULONG tag = CanonicalTag(v.ulPropTag);
    switch (PROP_TYPE(v.ulPropTag)) {
    case PT_NULL:
    case PT_OBJECT:
        out = PropValue(tag, std::monostate{});
        return S_OK;
    case PT_I2:
        out = PropValue(tag, std::int64_t(v.Value.i));
        return S_OK;
    case PT_LONG:
        out = PropValue(tag, std::int64_t(v.Value.l));
        return S_OK;
    case PT_BOOLEAN:
        out = PropValue(tag, std::int64_t(v.Value.b ? 1 : 0));
        return S_OK;
    case PT_ERROR:
        out = PropValue(tag, std::int64_t(v.Value.err));
        return S_OK;
    case PT_I8:
    case PT_CURRENCY:
        out = PropValue(tag, std::int64_t(v.Value.li));
        return S_OK;
    case PT_SYSTIME:
        out = PropValue(tag, FromFileTime(v.Value.ft));
        return S_OK;
    case PT_R4:
        out = PropValue(tag, double(v.Value.flt));
        return S_OK;
    case PT_DOUBLE:
    case PT_APPTIME:
        out = PropValue(tag, v.Value.dbl);
        return S_OK;
    case PT_STRING8:
        out = PropValue(tag, platform::Utf8ToUtf16(v.Value.lpszA ? v.Value.lpszA : ""));
        return S_OK;
    case PT_UNICODE:
        out = PropValue(tag, FromWide(v.Value.lpszW));
        return S_OK;
    case PT_BINARY:
        if (v.Value.bin.cb && !v.Value.bin.lpb)
            return MAPI_E_BAD_VALUE;
        out = PropValue(tag, Bytes(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb));
        return S_OK;
    case PT_CLSID:
        if (!v.Value.lpguid)
            return MAPI_E_BAD_VALUE;
        out = PropValue(tag, Bytes(reinterpret_cast<const char*>(v.Value.lpguid), sizeof(GUID)));
        return S_OK;
    case PT_MV_BINARY: {
        std::vector<Bytes> vals;
        for (ULONG i = 0; i < v.Value.MVbin.cValues; ++i) {
            const SBinary& b = v.Value.MVbin.lpbin[i];
            if (b.cb && !b.lpb)
                return MAPI_E_BAD_VALUE;
            vals.emplace_back(reinterpret_cast<const char*>(b.lpb), b.cb);
        }
        out = PropValue(tag, std::move(vals));
        return S_OK;
    }
    case PT_MV_CLSID: {
        std::vector<Bytes> vals;
        for (ULONG i = 0; i < v.Value.MVguid.cValues; ++i)
            vals.emplace_back(reinterpret_cast<const char*>(&v.Value.MVguid.lpguid[i]), sizeof(GUID));
        out = PropValue(tag, std::move(vals));
        return S_OK;
    }
    case PT_MV_STRING8: {
        std::vector<std::u16string> vals;
        for (ULONG i = 0; i < v.Value.MVszA.cValues; ++i)
            vals.push_back(platform::Utf8ToUtf16(v.Value.MVszA.lppszA[i] ? v.Value.MVszA.lppszA[i] : ""));
        out = PropValue(tag, std::move(vals));
        return S_OK;
    }
    case PT_MV_UNICODE: {
        std::vector<std::u16string> vals;
        for (ULONG i = 0; i < v.Value.MVszW.cValues; ++i)
            vals.push_back(FromWide(v.Value.MVszW.lppszW[i]));
        out = PropValue(tag, std::move(vals));
        return S_OK;
    }
    case PT_MV_I2:
    case PT_MV_LONG:
    case PT_MV_I8:
    case PT_MV_SYSTIME: {
        std::vector<std::int64_t> vals;
        const ULONG type = PROP_TYPE(v.ulPropTag);
        const ULONG n = type == PT_MV_I2 ? v.Value.MVi.cValues : type == PT_MV_LONG ? v.Value.MVl.cValues
                      : type == PT_MV_I8 ? v.Value.MVli.cValues : v.Value.MVft.cValues;
        for (ULONG i = 0; i < n; ++i) {
            vals.push_back(type == PT_MV_I2     ? v.Value.MVi.lpi[i]
                           : type == PT_MV_LONG ? v.Value.MVl.lpl[i]
                           : type == PT_MV_I8   ? v.Value.MVli.lpli[i]
                                                : FromFileTime(v.Value.MVft.lpft[i]));
        }
        out = PropValue(tag, std::move(vals));
        return S_OK;
    }
    default:
        return MAPI_E_INVALID_TYPE;
    }
}

ULONG PropValue::ReportedTag(bool unicode) const
{
    if (!unicode) {
        if (type() == PT_UNICODE)
            return CHANGE_PROP_TYPE(m_tag, PT_STRING8);
        if (type() == PT_MV_UNICODE)
            return CHANGE_PROP_TYPE(m_tag, PT_MV_STRING8);
    }
    return m_tag;
}

ULONG PropValue::OutputType(ULONG requestedTag) const
{
    ULONG type = PROP_TYPE(requestedTag);
    if (type == PT_UNSPECIFIED)
        type = this->type();
    // Only the two string widths convert into each other.
    if (type != this->type()) {
        const bool textPair = (type == PT_STRING8 && this->type() == PT_UNICODE) ||
                              (type == PT_MV_STRING8 && this->type() == PT_MV_UNICODE);
        if (!textPair)
            return PT_UNSPECIFIED;
    }
    return type;
}

ULONG PropValue::OutOfLineSize(ULONG requestedTag) const
{
    std::size_t n = 0;
    switch (OutputType(requestedTag)) {
    case PT_STRING8:
        return Align8(Utf8Length(str()) + 1);
    case PT_UNICODE:
        return Align8((str().size() + 1) * sizeof(WCHAR));
    case PT_BINARY:
        return Align8(bin().size());
    case PT_CLSID:
        return Align8(sizeof(GUID));
    case PT_MV_BINARY:
        n = Align8(mvBin().size() * sizeof(SBinary));
        for (const auto& b : mvBin())
            n += Align8(b.size());
        return static_cast<ULONG>(n);
    case PT_MV_CLSID:
        return Align8(mvBin().size() * sizeof(GUID));
    case PT_MV_STRING8:
        n = Align8(mvStr().size() * sizeof(LPSTR));
        for (const auto& t : mvStr())
            n += Align8(Utf8Length(t) + 1);
        return static_cast<ULONG>(n);
    case PT_MV_UNICODE:
        n = Align8(mvStr().size() * sizeof(LPWSTR));
        for (const auto& t : mvStr())
            n += Align8((t.size() + 1) * sizeof(WCHAR));
        return static_cast<ULONG>(n);
    case PT_MV_I2:
        return Align8(mvNum().size() * sizeof(SHORT));
    case PT_MV_LONG:
        return Align8(mvNum().size() * sizeof(LONG));
    case PT_MV_I8:
        return Align8(mvNum().size() * sizeof(LONGLONG));
    case PT_MV_SYSTIME:
        return Align8(mvNum().size() * sizeof(FILETIME));
    default:
        return 0;
    }
}

HRESULT PropValue::ToSPropValue(ULONG requestedTag, SPropValue& out, void* parent) const
{
    return Convert(requestedTag, out, ValueSpace{parent, nullptr});
}

HRESULT PropValue::ToSPropValueIn(ULONG requestedTag, SPropValue& out, char*& space) const
{
    return Convert(requestedTag, out, ValueSpace{nullptr, &space});
}

HRESULT PropValue::Convert(ULONG requestedTag, SPropValue& out, const ValueSpace& parent) const
{
    const ULONG type = OutputType(requestedTag);
    if (type == PT_UNSPECIFIED) {
        out.ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(requestedTag));
        out.Value.err = MAPI_E_NOT_FOUND;
        return S_OK;
    }
    std::memset(&out, 0, sizeof(out));
    out.ulPropTag = PROP_TAG(type, id());
    switch (type) {
    case PT_NULL:
    case PT_OBJECT:
        out.Value.x = 0;
        return S_OK;
    case PT_I2:
        out.Value.i = static_cast<SHORT>(num());
        return S_OK;
    case PT_LONG:
        out.Value.l = static_cast<LONG>(num());
        return S_OK;
    case PT_BOOLEAN:
        out.Value.b = num() ? 1 : 0;
        return S_OK;
    case PT_ERROR:
        out.Value.err = static_cast<SCODE>(num());
        return S_OK;
    case PT_I8:
    case PT_CURRENCY:
        out.Value.li = num();
        return S_OK;
    case PT_SYSTIME:
        out.Value.ft = ToFileTime(num());
        return S_OK;
    case PT_R4:
        out.Value.flt = static_cast<float>(dbl());
        return S_OK;
    case PT_DOUBLE:
    case PT_APPTIME:
        out.Value.dbl = dbl();
        return S_OK;
    case PT_STRING8:
        return DupNarrow(str(), parent, &out.Value.lpszA);
    case PT_UNICODE:
        return DupWide(str(), parent, &out.Value.lpszW);
    case PT_BINARY: {
        const Bytes& b = bin();
        out.Value.bin.cb = static_cast<ULONG>(b.size());
        SCODE sc = More(ULONG(b.size()), parent, &out.Value.bin.lpb);
        if (SUCCEEDED(sc) && !b.empty())
            std::memcpy(out.Value.bin.lpb, b.data(), b.size());
        return sc;
    }
    case PT_CLSID: {
        SCODE sc = More(sizeof(GUID), parent, &out.Value.lpguid);
        if (SUCCEEDED(sc)) {
            std::memset(out.Value.lpguid, 0, sizeof(GUID));
            std::memcpy(out.Value.lpguid, bin().data(), std::min(bin().size(), sizeof(GUID)));
        }
        return sc;
    }
    case PT_MV_BINARY: {
        const auto& vals = mvBin();
        out.Value.MVbin.cValues = static_cast<ULONG>(vals.size());
        SCODE sc = More(ULONG(vals.size() * sizeof(SBinary)), parent, &out.Value.MVbin.lpbin);
        for (std::size_t i = 0; SUCCEEDED(sc) && i < vals.size(); ++i) {
            out.Value.MVbin.lpbin[i].cb = static_cast<ULONG>(vals[i].size());
            sc = More(ULONG(vals[i].size()), parent, &out.Value.MVbin.lpbin[i].lpb);
            if (SUCCEEDED(sc) && !vals[i].empty())
                std::memcpy(out.Value.MVbin.lpbin[i].lpb, vals[i].data(), vals[i].size());
        }
        return sc;
    }
    case PT_MV_CLSID: {
        const auto& vals = mvBin();
        out.Value.MVguid.cValues = static_cast<ULONG>(vals.size());
        SCODE sc = More(ULONG(vals.size() * sizeof(GUID)), parent, &out.Value.MVguid.lpguid);
        for (std::size_t i = 0; SUCCEEDED(sc) && i < vals.size(); ++i) {
            std::memset(&out.Value.MVguid.lpguid[i], 0, sizeof(GUID));
            std::memcpy(&out.Value.MVguid.lpguid[i], vals[i].data(), std::min(vals[i].size(), sizeof(GUID)));
        }
        return sc;
    }
    case PT_MV_STRING8: {
        const auto& vals = mvStr();
        out.Value.MVszA.cValues = static_cast<ULONG>(vals.size());
        SCODE sc = More(ULONG(vals.size() * sizeof(LPSTR)), parent, &out.Value.MVszA.lppszA);
        for (std::size_t i = 0; SUCCEEDED(sc) && i < vals.size(); ++i)
            sc = DupNarrow(vals[i], parent, &out.Value.MVszA.lppszA[i]);
        return sc;
    }
    case PT_MV_UNICODE: {
        const auto& vals = mvStr();
        out.Value.MVszW.cValues = static_cast<ULONG>(vals.size());
        SCODE sc = More(ULONG(vals.size() * sizeof(LPWSTR)), parent, &out.Value.MVszW.lppszW);
        for (std::size_t i = 0; SUCCEEDED(sc) && i < vals.size(); ++i)
            sc = DupWide(vals[i], parent, &out.Value.MVszW.lppszW[i]);
        return sc;
    }
    case PT_MV_I2:
    case PT_MV_LONG:
    case PT_MV_I8:
    case PT_MV_SYSTIME: {
        const auto& vals = mvNum();
        const ULONG n = static_cast<ULONG>(vals.size());
        SCODE sc = S_OK;
        if (type == PT_MV_I2) {
            out.Value.MVi.cValues = n;
            sc = More(n * sizeof(SHORT), parent, &out.Value.MVi.lpi);
            for (ULONG i = 0; SUCCEEDED(sc) && i < n; ++i)
                out.Value.MVi.lpi[i] = static_cast<SHORT>(vals[i]);
        } else if (type == PT_MV_LONG) {
            out.Value.MVl.cValues = n;
            sc = More(n * sizeof(LONG), parent, &out.Value.MVl.lpl);
            for (ULONG i = 0; SUCCEEDED(sc) && i < n; ++i)
                out.Value.MVl.lpl[i] = static_cast<LONG>(vals[i]);
        } else if (type == PT_MV_I8) {
            out.Value.MVli.cValues = n;
            sc = More(n * sizeof(LONGLONG), parent, &out.Value.MVli.lpli);
            for (ULONG i = 0; SUCCEEDED(sc) && i < n; ++i)
                out.Value.MVli.lpli[i] = vals[i];
        } else {
            out.Value.MVft.cValues = n;
            sc = More(n * sizeof(FILETIME), parent, &out.Value.MVft.lpft);
            for (ULONG i = 0; SUCCEEDED(sc) && i < n; ++i)
                out.Value.MVft.lpft[i] = ToFileTime(vals[i]);
        }
        return sc;
    }
    default:
        out.ulPropTag = PROP_TAG(PT_ERROR, id());
        out.Value.err = MAPI_E_INVALID_TYPE;
        return S_OK;
    }
}

Bytes PropValue::Serialize() const
{
    Bytes out;
    std::visit(
        [&](const auto& d) {
            using T = std::decay_t<decltype(d)>;
            if constexpr (std::is_same_v<T, std::int64_t>)
                PutU64(out, static_cast<std::uint64_t>(d));
            else if constexpr (std::is_same_v<T, double>) {
                std::uint64_t u;
                std::memcpy(&u, &d, sizeof u);
                PutU64(out, u);
            } else if constexpr (std::is_same_v<T, Bytes>)
                out = d;
            else if constexpr (std::is_same_v<T, std::u16string>)
                PutWide(out, d);
            else if constexpr (std::is_same_v<T, std::vector<Bytes>>) {
                PutU32(out, static_cast<std::uint32_t>(d.size()));
                for (const auto& b : d) {
                    PutU32(out, static_cast<std::uint32_t>(b.size()));
                    out += b;
                }
            } else if constexpr (std::is_same_v<T, std::vector<std::u16string>>) {
                PutU32(out, static_cast<std::uint32_t>(d.size()));
                for (const auto& s : d) {
                    PutU32(out, static_cast<std::uint32_t>(s.size() * 2));
                    PutWide(out, s);
                }
            } else if constexpr (std::is_same_v<T, std::vector<std::int64_t>>) {
                PutU32(out, static_cast<std::uint32_t>(d.size()));
                for (auto v : d)
                    PutU64(out, static_cast<std::uint64_t>(v));
            }
        },
        m_data);
    return out;
}

bool PropValue::Deserialize(ULONG tag, const void* data, std::size_t size, PropValue& out)
{
    Reader r{static_cast<const unsigned char*>(data), size};
    switch (PROP_TYPE(tag)) {
    case PT_NULL:
    case PT_OBJECT:
        out = PropValue(tag, std::monostate{});
        return true;
    case PT_I2:
    case PT_LONG:
    case PT_BOOLEAN:
    case PT_ERROR:
    case PT_I8:
    case PT_CURRENCY:
    case PT_SYSTIME: {
        std::uint64_t v;
        if (!r.U64(v))
            return false;
        out = PropValue(tag, static_cast<std::int64_t>(v));
        return true;
    }
    case PT_R4:
    case PT_DOUBLE:
    case PT_APPTIME: {
        std::uint64_t u;
        if (!r.U64(u))
            return false;
        double d;
        std::memcpy(&d, &u, sizeof d);
        out = PropValue(tag, d);
        return true;
    }
    case PT_BINARY:
    case PT_CLSID:
        out = PropValue(tag, Bytes(static_cast<const char*>(data), size));
        return true;
    case PT_UNICODE:
        if (size % 2)
            return false;
        out = PropValue(tag, WideFromBytes(Bytes(static_cast<const char*>(data), size)));
        return true;
    case PT_MV_BINARY:
    case PT_MV_CLSID:
    case PT_MV_UNICODE: {
        std::uint32_t n;
        if (!r.U32(n))
            return false;
        std::vector<Bytes> vals;
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t len;
            Bytes b;
            if (!r.U32(len) || !r.Take(len, b))
                return false;
            vals.push_back(std::move(b));
        }
        if (PROP_TYPE(tag) == PT_MV_UNICODE) {
            std::vector<std::u16string> strs;
            for (const auto& b : vals)
                strs.push_back(WideFromBytes(b));
            out = PropValue(tag, std::move(strs));
        } else {
            out = PropValue(tag, std::move(vals));
        }
        return true;
    }
    case PT_MV_I2:
    case PT_MV_LONG:
    case PT_MV_I8:
    case PT_MV_SYSTIME: {
        std::uint32_t n;
        if (!r.U32(n) || r.left != std::size_t(n) * 8)
            return false;
        std::vector<std::int64_t> vals(n);
        for (auto& v : vals) {
            std::uint64_t u = 0;
            r.U64(u);
            v = static_cast<std::int64_t>(u);
        }
        out = PropValue(tag, std::move(vals));
        return true;
    }
    default:
        return false;
    }
}

ULONG PropValue::Size() const
{
    switch (type()) {
    case PT_UNICODE:
        return static_cast<ULONG>(str().size() * 2);
    case PT_BINARY:
    case PT_CLSID:
        return static_cast<ULONG>(bin().size());
    case PT_I2:
    case PT_BOOLEAN:
        return 2;
    case PT_LONG:
    case PT_ERROR:
    case PT_R4:
        return 4;
    default:
        return static_cast<ULONG>(Serialize().size());
    }
}

char16_t FoldCase(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return c + 32;
    if (c < 0xC0)
        return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        // Latin Extended-A: upper and lower case alternate.
        const bool evenUpper = (c < 0x139) || (c > 0x148 && c < 0x179);
        if (evenUpper ? (c % 2 == 0) : (c % 2 == 1))
            return c + 1;
    }
    return c;
}

std::u16string FoldCase(std::u16string_view s)
{
    std::u16string out(s);
    for (auto& c : out)
        c = FoldCase(c);
    return out;
}

int CompareValues(const PropValue& a, const PropValue& b)
{
    auto cmp = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (a.type()) {
    case PT_SYSTIME:
        return cmp(static_cast<std::uint64_t>(a.num()), static_cast<std::uint64_t>(b.num()));
    case PT_I2:
    case PT_LONG:
    case PT_BOOLEAN:
    case PT_ERROR:
    case PT_I8:
    case PT_CURRENCY:
        return cmp(a.num(), b.num());
    case PT_R4:
    case PT_DOUBLE:
    case PT_APPTIME:
        return cmp(a.dbl(), b.dbl());
    case PT_UNICODE: {
        const auto& x = a.str();
        const auto& y = b.str();
        const std::size_t n = std::min(x.size(), y.size());
        for (std::size_t i = 0; i < n; ++i) {
            char16_t cx = FoldCase(x[i]), cy = FoldCase(y[i]);
            if (cx != cy)
                return cx < cy ? -1 : 1;
        }
        return cmp(x.size(), y.size());
    }
    case PT_BINARY:
    case PT_CLSID: {
        const auto& x = a.bin();
        const auto& y = b.bin();
        if (x.size() != y.size())
            return x.size() < y.size() ? -1 : 1;
        int r = x.empty() ? 0 : std::memcmp(x.data(), y.data(), x.size());
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    default: {
        // Multi-valued: compare element-wise by their storage form.
        Bytes x = a.Serialize(), y = b.Serialize();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    }
}

Bytes EqualityKey(const PropValue& v)
{
    if (v.type() == PT_UNICODE) {
        PropValue folded(v.tag(), FoldCase(v.str()));
        return folded.Serialize();
    }
    if (v.type() == PT_BOOLEAN)
        return Bytes(1, v.num() ? '\1' : '\0');
    return v.Serialize();
}

} // namespace mapi
