// CEqualityRestriction: the form of the copies' identity rules, a RES_AND of RES_EXIST terms
// followed by RES_PROPERTY RELOP_EQ terms. It keeps the terms; the values' data (binary bytes)
// stay the caller's and must outlive the restriction's use.
#pragma once

#include "mapi/Mapi.h"

#include <deque>
#include <vector>

class CEqualityRestriction {
public:
    // The tag must exist.
    CEqualityRestriction& Exists(ULONG tag);
    // The property must exist and equal the value.
    CEqualityRestriction& Equals(ULONG tag, const SBinary& value);
    CEqualityRestriction& Equals(ULONG tag, bool value);
    // The whole restriction; valid while this object lives unchanged.
    LPSRestriction Get();

private:
    std::vector<ULONG> m_exists;
    std::deque<SPropValue> m_values; // stable addresses for the terms
    std::vector<SRestriction> m_terms;
    SRestriction m_root{};
};
