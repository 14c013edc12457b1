// PropMap: the properties of one object, one value per property identifier, kept sorted by
// identifier (a flat map: rows of large tables stay compact).
#pragma once

#include "mapi/PropValue.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace mapi {

class PropMap {
public:
    const PropValue* Find(ULONG id) const
    {
        auto it = Lower(id);
        return it != m_values.end() && it->id() == id ? &*it : nullptr;
    }
    void Set(PropValue v)
    {
        auto it = Lower(v.id());
        if (it != m_values.end() && it->id() == v.id())
            *it = std::move(v);
        else
            m_values.insert(it, std::move(v));
    }
    bool Erase(ULONG id)
    {
        auto it = Lower(id);
        if (it == m_values.end() || it->id() != id)
            return false;
        m_values.erase(it);
        return true;
    }
    void Clear() { m_values.clear(); }
    void Reserve(std::size_t count) { m_values.reserve(count); }
    // Appends a value known to sort after every value present (bulk loading).
    void Append(PropValue v)
    {
        if (!m_values.empty() && m_values.back().id() >= v.id())
            Set(std::move(v));
        else
            m_values.push_back(std::move(v));
    }
    std::size_t size() const { return m_values.size(); }
    bool empty() const { return m_values.empty(); }
    auto begin() const { return m_values.begin(); }
    auto end() const { return m_values.end(); }
    bool operator==(const PropMap& other) const { return m_values == other.m_values; }
    // Takes in the values of other, which holds none of this map's identifiers.
    void Merge(const PropMap& other)
    {
        std::vector<PropValue> merged;
        merged.reserve(m_values.size() + other.m_values.size());
        std::merge(m_values.begin(), m_values.end(), other.m_values.begin(), other.m_values.end(),
                   std::back_inserter(merged), [](const PropValue& a, const PropValue& b) { return a.id() < b.id(); });
        m_values = std::move(merged);
    }

private:
    std::vector<PropValue>::iterator Lower(ULONG id)
    {
        return std::lower_bound(m_values.begin(), m_values.end(), id,
                                [](const PropValue& v, ULONG key) { return v.id() < key; });
    }
    std::vector<PropValue>::const_iterator Lower(ULONG id) const
    {
        return std::lower_bound(m_values.begin(), m_values.end(), id,
                                [](const PropValue& v, ULONG key) { return v.id() < key; });
    }
    std::vector<PropValue> m_values;
};

} // namespace mapi
