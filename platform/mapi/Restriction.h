// Restriction: a caller's SRestriction copied into owned form and evaluated against rows.
// A property missing from a row makes every comparison on it false.
#pragma once

#include "mapi/PropIdSet.h"
#include "mapi/PropMap.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace mapi {

// The rows of a sub-object (PR_MESSAGE_RECIPIENTS, PR_MESSAGE_ATTACHMENTS) of a row.
using SubObjectRows = std::function<std::vector<PropMap>(ULONG subObject)>;

class Restriction {
public:
    // MAPI_E_TOO_COMPLEX for kinds the store does not evaluate, MAPI_E_INVALID_PARAMETER for a
    // malformed tree.
    static HRESULT Compile(const SRestriction& res, std::unique_ptr<Restriction>& out);

    bool Match(const PropMap& row, const SubObjectRows& sub = {}) const;

    // For RES_PROPERTY with RELOP_EQ: the tag and the value the row must equal.
    bool IsEquality(ULONG& tag, const PropValue*& value) const;

    // The identifiers of the properties a row must carry to be matched (those of sub-objects'
    // rows are not the row's own).
    void AddPropIds(PropIdSet& ids) const;

    // The value of tag in a row, when the row has it with a matching type.
    static const PropValue* RowValue(const PropMap& row, ULONG tag);

private:
    ULONG m_rt = 0;
    ULONG m_relop = 0;
    ULONG m_tag = 0;
    ULONG m_tag2 = 0;
    ULONG m_mask = 0;
    ULONG m_fuzzy = 0;
    std::optional<PropValue> m_value;
    std::vector<std::unique_ptr<Restriction>> m_children;
};

bool ApplyRelop(ULONG relop, int comparison);

} // namespace mapi
