#include "mapi/Restriction.h"

#include "mapi/MapiCodes.h"
#include "mapi/MapiTags.h"

namespace mapi {

namespace {

bool ValidRelop(ULONG relop) { return relop <= RELOP_NE; }

// Compares a row value with a restriction value; multi-valued row values match when one of
// their values does.
bool CompareAny(const PropValue& row, const PropValue& value, ULONG relop)
{
    if (row.type() == value.type())
        return ApplyRelop(relop, CompareValues(row, value));
    if ((row.type() & MV_FLAG) && (row.type() & ~MV_FLAG) == value.type()) {
        const ULONG base = value.type();
        auto one = [&](PropValue::Data d) {
            return ApplyRelop(relop, CompareValues(PropValue(PROP_TAG(base, row.id()), std::move(d)), value));
        };
        if (base == PT_UNICODE) {
            for (const auto& s : row.mvStr())
                if (one(s))
                    return true;
        } else if (base == PT_BINARY || base == PT_CLSID) {
            for (const auto& b : row.mvBin())
                if (one(b))
                    return true;
        } else {
            for (auto n : row.mvNum())
                if (one(n))
                    return true;
        }
    }
    return false;
}

bool ContentMatch(const PropValue& row, const PropValue& value, ULONG fuzzy)
{
    auto test = [&](auto hay, auto needle) {
        const ULONG level = fuzzy & 0xFFFF;
        if (level == FL_PREFIX)
            return hay.size() >= needle.size() && hay.compare(0, needle.size(), needle) == 0;
        if (level == FL_SUBSTRING)
            return hay.find(needle) != decltype(hay)::npos;
        return hay == needle;
    };
    const bool ignoreCase = (fuzzy & (FL_IGNORECASE | FL_LOOSE)) != 0;
    auto textTest = [&](const std::u16string& s) {
        return ignoreCase ? test(FoldCase(s), FoldCase(value.str())) : test(s, value.str());
    };
    if (value.type() == PT_UNICODE) {
        if (row.type() == PT_UNICODE)
            return textTest(row.str());
        if (row.type() == PT_MV_UNICODE)
            for (const auto& s : row.mvStr())
                if (textTest(s))
                    return true;
        return false;
    }
    if (value.type() == PT_BINARY) {
        if (row.type() == PT_BINARY)
            return test(row.bin(), value.bin());
        if (row.type() == PT_MV_BINARY)
            for (const auto& b : row.mvBin())
                if (test(b, value.bin()))
                    return true;
    }
    return false;
}

} // namespace

bool ApplyRelop(ULONG relop, int c)
{
    switch (relop) {
    case RELOP_LT:
        return c < 0;
    case RELOP_LE:
        return c <= 0;
    case RELOP_GT:
        return c > 0;
    case RELOP_GE:
        return c >= 0;
    case RELOP_EQ:
        return c == 0;
    case RELOP_NE:
        return c != 0;
    default:
        return false;
    }
}

const PropValue* Restriction::RowValue(const PropMap& row, ULONG tag)
{
    const PropValue* v = row.Find(PROP_ID(tag));
    if (!v || v->type() == PT_ERROR)
        return nullptr;
    const ULONG type = PROP_TYPE(tag);
    if (type == PT_UNSPECIFIED || PropValue::CanonicalTag(tag) == v->tag())
        return v;
    return nullptr;
}

HRESULT Restriction::Compile(const SRestriction& res, std::unique_ptr<Restriction>& out)
{
    auto r = std::make_unique<Restriction>();
    r->m_rt = res.rt;
    auto child = [&](const SRestriction* c) -> HRESULT {
        if (!c)
            return MAPI_E_INVALID_PARAMETER;
        std::unique_ptr<Restriction> compiled;
        HRESULT hr = Compile(*c, compiled);
        if (SUCCEEDED(hr))
            r->m_children.push_back(std::move(compiled));
        return hr;
    };
    auto value = [&](const SPropValue* v) -> HRESULT {
        if (!v)
            return MAPI_E_INVALID_PARAMETER;
        PropValue pv;
        HRESULT hr = PropValue::FromSPropValue(*v, pv);
        if (SUCCEEDED(hr))
            r->m_value = std::move(pv);
        return hr;
    };
    HRESULT hr = S_OK;
    switch (res.rt) {
    case RES_AND:
    case RES_OR: {
        const ULONG n = res.rt == RES_AND ? res.res.resAnd.cRes : res.res.resOr.cRes;
        const SRestriction* list = res.rt == RES_AND ? res.res.resAnd.lpRes : res.res.resOr.lpRes;
        if (n && !list)
            return MAPI_E_INVALID_PARAMETER;
        for (ULONG i = 0; i < n && SUCCEEDED(hr); ++i)
            hr = child(&list[i]);
        break;
    }
    case RES_NOT:
        hr = child(res.res.resNot.lpRes);
        break;
    case RES_CONTENT:
        r->m_tag = res.res.resContent.ulPropTag;
        r->m_fuzzy = res.res.resContent.ulFuzzyLevel;
        hr = value(res.res.resContent.lpProp);
        if (SUCCEEDED(hr) && r->m_value->type() != PT_UNICODE && r->m_value->type() != PT_BINARY)
            hr = MAPI_E_TOO_COMPLEX;
        break;
    case RES_PROPERTY:
        r->m_tag = res.res.resProperty.ulPropTag;
        r->m_relop = res.res.resProperty.relop;
        if (!ValidRelop(r->m_relop))
            return MAPI_E_TOO_COMPLEX;
        hr = value(res.res.resProperty.lpProp);
        break;
    case RES_COMPAREPROPS:
        r->m_relop = res.res.resCompareProps.relop;
        r->m_tag = res.res.resCompareProps.ulPropTag1;
        r->m_tag2 = res.res.resCompareProps.ulPropTag2;
        if (!ValidRelop(r->m_relop))
            return MAPI_E_TOO_COMPLEX;
        break;
    case RES_BITMASK:
        r->m_relop = res.res.resBitMask.relBMR;
        r->m_tag = res.res.resBitMask.ulPropTag;
        r->m_mask = res.res.resBitMask.ulMask;
        if (r->m_relop != BMR_EQZ && r->m_relop != BMR_NEZ)
            return MAPI_E_INVALID_PARAMETER;
        break;
    case RES_SIZE:
        r->m_relop = res.res.resSize.relop;
        r->m_tag = res.res.resSize.ulPropTag;
        r->m_mask = res.res.resSize.cb;
        if (!ValidRelop(r->m_relop))
            return MAPI_E_TOO_COMPLEX;
        break;
    case RES_EXIST:
        r->m_tag = res.res.resExist.ulPropTag;
        break;
    case RES_SUBRESTRICTION:
        r->m_tag = res.res.resSub.ulSubObject;
        if (r->m_tag != PR_MESSAGE_RECIPIENTS && r->m_tag != PR_MESSAGE_ATTACHMENTS)
            return MAPI_E_TOO_COMPLEX;
        hr = child(res.res.resSub.lpRes);
        break;
    case RES_COMMENT:
        // A comment restricts nothing itself; its optional restriction does.
        if (res.res.resComment.lpRes)
            hr = child(res.res.resComment.lpRes);
        break;
    default:
        return MAPI_E_TOO_COMPLEX;
    }
    if (FAILED(hr))
        return hr;
    out = std::move(r);
    return S_OK;
}

void Restriction::AddPropIds(PropIdSet& ids) const
{
    switch (m_rt) {
    case RES_AND:
    case RES_OR:
    case RES_NOT:
    case RES_COMMENT:
        for (const auto& c : m_children)
            c->AddPropIds(ids);
        return;
    case RES_SUBRESTRICTION:
        return;
    case RES_COMPAREPROPS:
        ids.Add(PROP_ID(m_tag2));
        [[fallthrough]];
    default:
        ids.Add(PROP_ID(m_tag));
        return;
    }
}

bool Restriction::IsEquality(ULONG& tag, const PropValue*& value) const
{
    if (m_rt != RES_PROPERTY || m_relop != RELOP_EQ || !m_value)
        return false;
    tag = m_tag;
    value = &*m_value;
    return true;
}

bool Restriction::Match(const PropMap& row, const SubObjectRows& sub) const
{
    switch (m_rt) {
    case RES_AND:
        for (const auto& c : m_children)
            if (!c->Match(row, sub))
                return false;
        return true;
    case RES_OR:
        for (const auto& c : m_children)
            if (c->Match(row, sub))
                return true;
        return false;
    case RES_NOT:
        return !m_children[0]->Match(row, sub);
    case RES_CONTENT: {
        const PropValue* v = row.Find(PROP_ID(m_tag));
        return v && v->type() != PT_ERROR && ContentMatch(*v, *m_value, m_fuzzy);
    }
    case RES_PROPERTY: {
        const PropValue* v = row.Find(PROP_ID(m_tag));
        return v && v->type() != PT_ERROR && CompareAny(*v, *m_value, m_relop);
    }
    case RES_COMPAREPROPS: {
        const PropValue* a = RowValue(row, m_tag);
        const PropValue* b = RowValue(row, m_tag2);
        return a && b && a->type() == b->type() && ApplyRelop(m_relop, CompareValues(*a, *b));
    }
    case RES_BITMASK: {
        const PropValue* v = row.Find(PROP_ID(m_tag));
        if (!v || (v->type() != PT_LONG && v->type() != PT_I2 && v->type() != PT_BOOLEAN && v->type() != PT_I8))
            return false;
        const bool zero = (static_cast<std::uint64_t>(v->num()) & m_mask) == 0;
        return m_relop == BMR_EQZ ? zero : !zero;
    }
    case RES_SIZE: {
        const PropValue* v = row.Find(PROP_ID(m_tag));
        if (!v || v->type() == PT_ERROR)
            return false;
        const ULONG size = v->Size();
        return ApplyRelop(m_relop, size < m_mask ? -1 : (size > m_mask ? 1 : 0));
    }
    case RES_EXIST: {
        const PropValue* v = row.Find(PROP_ID(m_tag));
        return v && v->type() != PT_ERROR;
    }
    case RES_SUBRESTRICTION: {
        if (!sub)
            return false;
        for (const auto& r : sub(m_tag))
            if (m_children[0]->Match(r, sub))
                return true;
        return false;
    }
    case RES_COMMENT:
        return m_children.empty() || m_children[0]->Match(row, sub);
    default:
        return false;
    }
}

} // namespace mapi
