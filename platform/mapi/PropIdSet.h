// PropIdSet: property identifiers, each once, in ascending order: the properties a reader asks
// for (a table's columns, restriction and sort order).
#pragma once

#include "mapi/MapiDefs.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace mapi {

class PropIdSet {
public:
    bool Has(ULONG id) const { return std::binary_search(m_ids.begin(), m_ids.end(), id); }
    bool Add(ULONG id)
    {
        auto it = std::lower_bound(m_ids.begin(), m_ids.end(), id);
        if (it != m_ids.end() && *it == id)
            return false;
        m_ids.insert(it, id);
        return true;
    }
    void Add(const PropIdSet& other)
    {
        for (ULONG id : other.m_ids)
            Add(id);
    }
    bool Covers(const PropIdSet& other) const
    {
        return std::includes(m_ids.begin(), m_ids.end(), other.m_ids.begin(), other.m_ids.end());
    }
    // The identifiers of other that this set lacks.
    PropIdSet Missing(const PropIdSet& other) const
    {
        PropIdSet out;
        std::set_difference(other.m_ids.begin(), other.m_ids.end(), m_ids.begin(), m_ids.end(),
                            std::back_inserter(out.m_ids));
        return out;
    }
    bool empty() const { return m_ids.empty(); }
    std::size_t size() const { return m_ids.size(); }
    auto begin() const { return m_ids.begin(); }
    auto end() const { return m_ids.end(); }
    bool operator==(const PropIdSet&) const = default;

private:
    std::vector<ULONG> m_ids;
};

} // namespace mapi
