#include "EqualityRestriction.h"

CEqualityRestriction& CEqualityRestriction::Exists(ULONG tag)
{
    m_exists.push_back(tag);
    return *this;
}

CEqualityRestriction& CEqualityRestriction::Equals(ULONG tag, const SBinary& value)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.bin = value;
    m_values.push_back(v);
    return *this;
}

CEqualityRestriction& CEqualityRestriction::Equals(ULONG tag, bool value)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.b = value ? 1 : 0;
    m_values.push_back(v);
    return *this;
}

LPSRestriction CEqualityRestriction::Get()
{
    m_terms.clear();
    for (ULONG tag : m_exists) {
        SRestriction term{};
        term.rt = RES_EXIST;
        term.res.resExist.ulPropTag = tag;
        m_terms.push_back(term);
    }
    for (SPropValue& value : m_values) {
        SRestriction term{};
        term.rt = RES_PROPERTY;
        term.res.resProperty = {RELOP_EQ, value.ulPropTag, &value};
        m_terms.push_back(term);
    }
    m_root.rt = RES_AND;
    m_root.res.resAnd = {static_cast<ULONG>(m_terms.size()), m_terms.data()};
    return &m_root;
}
