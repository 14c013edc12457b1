// PropValue: one property value owned by C++ containers, the form in which the store keeps
// properties in memory. Text is kept as UTF-16 (PT_STRING8 values are converted on the way in
// and out), so one property has one value whatever width the caller asks for.
#pragma once

#include "mapi/MapiDefs.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mapi {

using Bytes = std::string; // binary values (and serialised forms) as byte strings
struct ValueSpace;

class PropValue {
public:
    using Data = std::variant<std::monostate, std::int64_t, double, Bytes, std::u16string, std::vector<Bytes>,
                              std::vector<std::u16string>, std::vector<std::int64_t>>;

    PropValue() = default;
    // Built straight from one of the alternatives (or a Data).
    template <class T>
    PropValue(ULONG tag, T&& data) : m_tag(tag), m_data(Keep(Data(std::forward<T>(data))))
    {
    }

    static PropValue Long(ULONG tag, std::int64_t v) { return PropValue(tag, v); }
    static PropValue Binary(ULONG tag, Bytes v) { return PropValue(tag, std::move(v)); }
    static PropValue Text(ULONG tag, std::u16string v) { return PropValue(CanonicalTag(tag), std::move(v)); }
    static PropValue Error(ULONG id, SCODE sc) { return PropValue(PROP_TAG(PT_ERROR, id), std::int64_t(sc)); }

    // The tag with its canonical type: PT_STRING8 becomes PT_UNICODE, PT_MV_STRING8 PT_MV_UNICODE.
    static ULONG CanonicalTag(ULONG tag);

    ULONG tag() const { return m_tag; }
    ULONG id() const { return PROP_ID(m_tag); }
    ULONG type() const { return PROP_TYPE(m_tag); }
    // The same value under another tag of the same type (a large value is shared, not copied).
    PropValue Retagged(ULONG tag) const
    {
        PropValue v = *this;
        v.m_tag = tag;
        return v;
    }

    std::int64_t num() const;
    const Bytes& bin() const;
    const std::u16string& str() const;
    const std::vector<Bytes>& mvBin() const;
    const std::vector<std::u16string>& mvStr() const;
    const std::vector<std::int64_t>& mvNum() const;
    double dbl() const;

    // From a caller's value; text is decoded from UTF-8 (PT_STRING8). Unsupported types give
    // MAPI_E_BAD_VALUE / MAPI_E_INVALID_TYPE.
    static HRESULT FromSPropValue(const SPropValue& v, PropValue& out);
    // Into a caller's value of the requested tag (its type may be PT_UNSPECIFIED, or the other
    // string width); out-of-line data is allocated with MAPIAllocateMore on parent.
    HRESULT ToSPropValue(ULONG requestedTag, SPropValue& out, void* parent) const;
    // The same with the out-of-line data laid out from `space` on, which moves past it: a block
    // of at least OutOfLineSize(requestedTag) bytes, 8-aligned.
    HRESULT ToSPropValueIn(ULONG requestedTag, SPropValue& out, char*& space) const;
    ULONG OutOfLineSize(ULONG requestedTag) const;
    // The tag under which this value is reported (string width chosen by the caller).
    ULONG ReportedTag(bool unicode) const;

    // Storage form.
    Bytes Serialize() const;
    // The storage form without a copy, where the value's own memory is it (binary values and
    // text); false for the other types.
    bool StorageView(std::string_view& out) const;
    static bool Deserialize(ULONG tag, const void* data, std::size_t size, PropValue& out);

    // Size as PR_MESSAGE_SIZE and RES_SIZE count it.
    ULONG Size() const;

    bool operator==(const PropValue& other) const;

    // Binary values and text from this size on are shared between copies of a value (copies of
    // a message's properties, of a property map, a message copied onto another) and never
    // changed in place: a large body or attachment lies in memory once.
    static constexpr std::size_t kSharedFrom = 4096;

private:
    using Stored = std::variant<std::monostate, std::int64_t, double, Bytes, std::u16string, std::vector<Bytes>,
                                std::vector<std::u16string>, std::vector<std::int64_t>,
                                std::shared_ptr<const Bytes>, std::shared_ptr<const std::u16string>>;
    static Stored Keep(Data&& data);

    // The type a value is given out as for a requested tag; PT_UNSPECIFIED when it cannot be.
    ULONG OutputType(ULONG requestedTag) const;
    HRESULT Convert(ULONG requestedTag, SPropValue& out, const ValueSpace& space) const;

    ULONG m_tag = PR_NULL_TAG;
    Stored m_data;
    static constexpr ULONG PR_NULL_TAG = PROP_TAG(PT_NULL, 0);
};

// Order of two values of one type as MAPI compares them: numbers by value, text ignoring case,
// binary values first by length and then byte by byte.
int CompareValues(const PropValue& a, const PropValue& b);
// A key that is equal for two values exactly when CompareValues gives 0.
Bytes EqualityKey(const PropValue& v);

// Case folding used by every text comparison of the store.
char16_t FoldCase(char16_t c);
std::u16string FoldCase(std::u16string_view s);

} // namespace mapi
