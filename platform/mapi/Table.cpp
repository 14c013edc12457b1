#include "mapi/Table.h"

#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/Notifier.h"
#include "mapi/PropObject.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string_view>
#include <unordered_set>

namespace mapi {

HRESULT Table::Create(std::shared_ptr<TableSource> source, bool unicode, IMAPITable** out)
{
    if (!out || !source)
        return MAPI_E_INVALID_PARAMETER;
    auto* t = new (std::nothrow) Table(std::move(source), unicode);
    if (!t)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    // A selective source's rows are read when first asked for, once the caller has said which
    // columns, restriction and sort order it wants.
    HRESULT hr = t->m_selective ? S_OK : t->Refresh();
    if (FAILED(hr)) {
        t->Release();
        return hr;
    }
    *out = t;
    return S_OK;
}

Table::Table(std::shared_ptr<TableSource> source, bool unicode)
    : m_source(std::move(source)), m_unicode(unicode), m_selective(m_source->Selective())
{
    m_columns = m_source->DefaultColumns();
    for (auto& tag : m_columns) {
        if (PROP_TYPE(tag) == PT_UNICODE || PROP_TYPE(tag) == PT_STRING8)
            tag = CHANGE_PROP_TYPE(tag, unicode ? PT_UNICODE : PT_STRING8);
    }
}

HRESULT Table::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMAPITable)) {
        *ppv = static_cast<IMAPITable*>(this);
        AddRef();
        return S_OK;
    }
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
}

Table::~Table()
{
    // No check of ours runs after this (Unwatch waits for one that is running).
    for (const auto& [thread, watch] : m_watches)
        Notifier::Instance().Unwatch(watch);
    for (auto& s : m_sinks)
        s.link->Drop();
}

ULONG Table::Release()
{
    ULONG r = --m_refs;
    if (r == 0)
        delete this;
    return r;
}

HRESULT Table::GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError)
{
    if (lppMAPIError)
        *lppMAPIError = nullptr;
    return S_OK;
}

// ---- keeping in step with the source ----

bool Table::InView(const Row& row, std::uint32_t key) const
{
    if (!m_restriction)
        return true;
    TableRow tr{key, row.ordinal, row.props};
    return m_restriction->Match(*row.props, m_source->SubRows(tr));
}

bool Table::Less(std::uint32_t a, std::uint32_t b) const
{
    return Less(m_rows.at(a), a, m_rows.at(b), b);
}

namespace {

// How two values of one sort column order: a missing value before any value, then by type.
int CompareSortValues(const PropValue* va, const PropValue* vb)
{
    if (!va || !vb)
        return (va ? 1 : 0) - (vb ? 1 : 0);
    if (va->type() != vb->type())
        return va->type() < vb->type() ? -1 : 1;
    return CompareValues(*va, *vb);
}

// The view's order: the sort columns (va(k), vb(k) give column k's values), then the order the
// source gave, then the key, so that the order is total and a row is found again by binary
// search.
template <class ValuesA, class ValuesB>
bool SortsBefore(const std::vector<SSortOrder>& sorts, ValuesA va, std::uint64_t ordinalA, std::uint32_t a,
                 ValuesB vb, std::uint64_t ordinalB, std::uint32_t b)
{
    for (std::size_t k = 0; k < sorts.size(); ++k) {
        const int c = CompareSortValues(va(k), vb(k));
        if (c != 0)
            return (sorts[k].ulOrder & TABLE_SORT_DESCEND) ? c > 0 : c < 0;
    }
    if (ordinalA != ordinalB)
        return ordinalA < ordinalB;
    return a < b;
}

} // namespace

bool Table::Less(const Row& ra, std::uint32_t a, const Row& rb, std::uint32_t b) const
{
    return SortsBefore(
        m_sorts, [&](std::size_t k) { return Restriction::RowValue(*ra.props, m_sorts[k].ulPropTag); }, ra.ordinal, a,
        [&](std::size_t k) { return Restriction::RowValue(*rb.props, m_sorts[k].ulPropTag); }, rb.ordinal, b);
}

void Table::RebuildView()
{
    std::vector<std::pair<const Row*, std::uint32_t>> view;
    view.reserve(m_rows.size());
    for (const auto& [key, row] : m_rows)
        if (InView(row, key))
            view.emplace_back(&row, key);
    // Sorted with the rows at hand and each row's sort values looked up once: looking them up
    // for every comparison costs more than the sort itself.
    const std::size_t columns = m_sorts.size();
    std::vector<const PropValue*> values(view.size() * columns);
    for (std::size_t i = 0; i < view.size(); ++i)
        for (std::size_t k = 0; k < columns; ++k)
            values[i * columns + k] = Restriction::RowValue(*view[i].first->props, m_sorts[k].ulPropTag);
    std::vector<std::uint32_t> order(view.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t i, std::uint32_t j) {
        return SortsBefore(
            m_sorts, [&](std::size_t k) { return values[i * columns + k]; }, view[i].first->ordinal, view[i].second,
            [&](std::size_t k) { return values[j * columns + k]; }, view[j].first->ordinal, view[j].second);
    });
    m_view.clear();
    m_view.reserve(view.size());
    for (const std::uint32_t i : order)
        m_view.push_back(view[i].second);
    ViewChanged();
    m_indexes.clear();
    RebuildDisplay();
}

// ---- categorised views ----

namespace {

// Heading keys lie above every row key that a source hands out.
constexpr std::uint32_t kFirstHeadingKey = 0xC0000000u;

} // namespace

std::uint32_t Table::HeadingKey(const std::string& path)
{
    auto it = m_headingKeys.find(path);
    if (it == m_headingKeys.end())
        it = m_headingKeys.emplace(path, kFirstHeadingKey + static_cast<std::uint32_t>(m_headingKeys.size())).first;
    return it->second;
}

bool Table::Expanded(const std::string& path, ULONG depth) const
{
    auto it = m_expandState.find(path);
    return it != m_expandState.end() ? it->second : depth < m_expanded;
}

void Table::RebuildDisplay()
{
    m_display.clear();
    m_displayPositions.clear();
    m_headings.clear();
    if (m_categories == 0)
        return;
    std::vector<std::string> open(m_categories);
    std::vector<std::uint32_t> openKeys(m_categories);
    bool first = true;
    for (std::uint32_t key : m_view) {
        const Row& row = m_rows.at(key);
        // The path of each level: the equality keys of the category values down to it.
        std::vector<std::string> paths(m_categories);
        std::string path;
        for (ULONG d = 0; d < m_categories; ++d) {
            const PropValue* v = Restriction::RowValue(*row.props, m_sorts[d].ulPropTag);
            const std::string part = v ? EqualityKey(*v) : std::string();
            path += std::to_string(part.size() + (v ? 1 : 0)) + ":" + part + ";";
            paths[d] = path;
        }
        ULONG from = 0;
        while (!first && from < m_categories && paths[from] == open[from])
            ++from;
        first = false;
        bool visible = true;
        for (ULONG d = 0; d < from; ++d)
            visible = visible && m_headings.at(openKeys[d]).expanded;
        for (ULONG d = from; d < m_categories; ++d) {
            Heading h;
            h.depth = d;
            h.path = paths[d];
            h.expanded = Expanded(h.path, d);
            auto props = std::make_shared<PropMap>();
            for (ULONG c = 0; c <= d; ++c)
                if (const PropValue* v = Restriction::RowValue(*row.props, m_sorts[c].ulPropTag))
                    props->Set(*v);
            props->Set(PropValue::Long(PR_DEPTH, d));
            h.row = Row{0, props};
            const std::uint32_t hk = HeadingKey(h.path);
            if (visible) {
                m_displayPositions[hk] = m_display.size();
                m_display.push_back(hk);
            }
            visible = visible && h.expanded;
            open[d] = paths[d];
            openKeys[d] = hk;
            m_headings[hk] = std::move(h);
        }
        for (ULONG d = 0; d < m_categories; ++d)
            ++m_headings.at(openKeys[d]).row.ordinal; // the leaf count, for PR_CONTENT_COUNT
        if (visible) {
            m_displayPositions[key] = m_display.size();
            m_display.push_back(key);
        }
    }
    for (auto& [hk, h] : m_headings) {
        auto props = std::make_shared<PropMap>(*h.row.props);
        props->Set(PropValue::Long(PR_ROW_TYPE, h.expanded ? TBL_EXPANDED_CATEGORY : TBL_COLLAPSED_CATEGORY));
        props->Set(PropValue::Long(PR_CONTENT_COUNT, static_cast<std::int64_t>(h.row.ordinal)));
        h.row.props = std::move(props);
    }
}

std::optional<std::size_t> Table::VisiblePosition(std::uint32_t key)
{
    if (m_categories == 0)
        return PositionOf(key);
    auto it = m_displayPositions.find(key);
    if (it == m_displayPositions.end())
        return std::nullopt;
    return it->second;
}

const Table::Row& Table::RowOf(std::uint32_t key) const
{
    auto h = m_headings.find(key);
    return h != m_headings.end() ? h->second.row : m_rows.at(key);
}

Table::Heading* Table::FindHeading(ULONG cbInstanceKey, const BYTE* pbInstanceKey)
{
    std::uint32_t key = 0;
    if (!pbInstanceKey || cbInstanceKey != sizeof(key))
        return nullptr;
    std::memcpy(&key, pbInstanceKey, sizeof(key));
    auto it = m_headings.find(key);
    return it == m_headings.end() ? nullptr : &it->second;
}

// Where a row stands in the sorted view. Right after a change a binary search answers, so that
// a table that changes between look-ups costs O(log n) per look-up instead of renumbering every
// row; once look-ups outnumber a part of the rows without a change in between, the rows are
// numbered once and answer from that map. The row's properties must be the ones it was sorted
// in with.
std::optional<std::size_t> Table::PositionOf(std::uint32_t key)
{
    if (!m_positionsValid && ++m_lookupsSinceChange > m_view.size() / 16 + 16) {
        m_positions.clear();
        m_positions.reserve(m_view.size());
        for (std::size_t i = 0; i < m_view.size(); ++i)
            m_positions[m_view[i]] = static_cast<std::uint32_t>(i);
        m_positionsValid = true;
    }
    if (m_positionsValid) {
        auto it = m_positions.find(key);
        if (it == m_positions.end())
            return std::nullopt;
        return it->second;
    }
    if (!m_rows.contains(key))
        return std::nullopt;
    auto it = std::lower_bound(m_view.begin(), m_view.end(), key,
                               [this](std::uint32_t a, std::uint32_t b) { return Less(a, b); });
    if (it == m_view.end() || *it != key)
        return std::nullopt;
    return static_cast<std::size_t>(it - m_view.begin());
}

void Table::ViewChanged()
{
    m_positionsValid = false;
    m_lookupsSinceChange = 0;
}

void Table::InsertIntoView(std::uint32_t key)
{
    auto it = std::lower_bound(m_view.begin(), m_view.end(), key,
                               [this](std::uint32_t a, std::uint32_t b) { return Less(a, b); });
    m_view.insert(it, key);
    ViewChanged();
    IndexAdd(key);
}

void Table::RemoveFromView(std::uint32_t key)
{
    std::optional<std::size_t> pos = PositionOf(key);
    if (!pos)
        return;
    IndexRemove(key);
    m_view.erase(m_view.begin() + static_cast<std::ptrdiff_t>(*pos));
    ViewChanged();
}

PropIdSet Table::Needed() const
{
    PropIdSet ids;
    // Columns and indexes can take the properties the source computes from it row by row;
    // restrictions and sort orders look at rows as the rows carry them.
    for (ULONG tag : m_columns)
        if (!m_source->IsComputed(PROP_ID(tag)))
            ids.Add(PROP_ID(tag));
    for (const auto& [tag, index] : m_indexes)
        if (!m_source->IsComputed(PROP_ID(tag)))
            ids.Add(PROP_ID(tag));
    if (m_restriction)
        m_restriction->AddPropIds(ids);
    for (const auto& s : m_sorts)
        ids.Add(PROP_ID(s.ulPropTag));
    ids.Add(m_findIds);
    return ids;
}

HRESULT Table::Widen()
{
    if (!m_selective || m_wantAll)
        return S_OK;
    const PropIdSet missing = m_wanted.Missing(Needed());
    if (missing.empty())
        return S_OK;
    if (m_loaded) {
        // Rows the source no longer has, or has newly, are left to the next look at its changes.
        std::vector<TableRow> rows;
        HRESULT hr = m_source->LoadMore(missing, rows);
        if (FAILED(hr))
            return hr;
        for (auto& r : rows) {
            auto it = m_rows.find(r.key);
            if (it == m_rows.end() || !r.props || r.props->empty())
                continue;
            auto merged = std::make_shared<PropMap>(*it->second.props);
            merged->Merge(*r.props);
            it->second.props = std::move(merged);
        }
    }
    m_wanted.Add(missing);
    m_source->Want(&m_wanted);
    return S_OK;
}

const PropValue* Table::ValueOf(std::uint32_t key, const Row& row, ULONG id, PropValue& scratch) const
{
    if (const PropValue* v = row.props->Find(id))
        return v;
    if (m_selective && m_source->Computed(key, id, scratch))
        return &scratch;
    return nullptr;
}

HRESULT Table::FullLoad()
{
    std::optional<std::uint32_t> cursorKey;
    if (m_loaded && m_cursor < Visible().size())
        cursorKey = Visible()[m_cursor];
    if (m_selective) {
        if (!m_wantAll)
            m_wanted.Add(Needed());
        m_source->Want(m_wantAll ? nullptr : &m_wanted);
    }
    std::vector<TableRow> rows;
    HRESULT hr = m_source->LoadAll(rows);
    if (FAILED(hr))
        return hr;
    m_rows.clear();
    m_rows.reserve(rows.size());
    for (auto& r : rows)
        m_rows[r.key] = Row{r.ordinal, std::move(r.props)};
    RebuildView();
    m_loaded = true;
    if (cursorKey) {
        if (auto pos = VisiblePosition(*cursorKey))
            m_cursor = *pos;
    }
    m_cursor = std::min(m_cursor, Visible().size());
    return S_OK;
}

HRESULT Table::Refresh()
{
    if (!m_loaded)
        return FullLoad();
    HRESULT hr = Widen(); // columns set since the rows were read
    if (FAILED(hr))
        return hr;
    bool reload = false;
    std::vector<TableRow> changed;
    hr = m_source->Changes(reload, changed);
    if (FAILED(hr))
        return hr;
    if (reload) {
        // The source could not say what changed: compare its rows with ours, so that the
        // change still comes to sinks row by row.
        std::vector<TableRow> rows;
        if (FAILED(hr = m_source->LoadAll(rows)))
            return hr;
        changed.clear();
        std::unordered_set<std::uint32_t> present;
        for (auto& r : rows) {
            present.insert(r.key);
            auto it = m_rows.find(r.key);
            if (it == m_rows.end() || it->second.ordinal != r.ordinal || !(*it->second.props == *r.props))
                changed.push_back(std::move(r));
        }
        for (const auto& [key, row] : m_rows)
            if (!present.contains(key))
                changed.push_back(TableRow{key, row.ordinal, nullptr});
    }
    if (changed.empty())
        return S_OK;
    // Row events carry the row before; in a categorised view that is a heading whose own rows
    // change too, so such a view tells its sinks to read it again.
    const bool notify = HasTableSinks() && m_categories == 0;
    std::optional<std::uint32_t> cursorKey;
    if (m_cursor < Visible().size())
        cursorKey = Visible()[m_cursor];
    for (auto& c : changed) {
        auto it = m_rows.find(c.key);
        const bool wasIn = it != m_rows.end() && PositionOf(c.key).has_value();
        if (it != m_rows.end()) {
            RemoveFromView(c.key);
            if (!c.props) {
                m_rows.erase(it);
                if (notify && wasIn)
                    RaiseRow(TABLE_ROW_DELETED, c.key);
                continue;
            }
            it->second = Row{c.ordinal, std::move(c.props)};
        } else {
            if (!c.props)
                continue;
            it = m_rows.emplace(c.key, Row{c.ordinal, std::move(c.props)}).first;
        }
        const bool isIn = InView(it->second, c.key);
        if (isIn)
            InsertIntoView(c.key);
        if (notify && (wasIn || isIn))
            RaiseRow(!isIn ? TABLE_ROW_DELETED : wasIn ? TABLE_ROW_MODIFIED : TABLE_ROW_ADDED, c.key);
    }
    PostEvents();
    if (m_categories) {
        RebuildDisplay();
        Raise(TABLE_CHANGED);
    }
    if (cursorKey) {
        if (auto pos = VisiblePosition(*cursorKey))
            m_cursor = *pos;
    }
    m_cursor = std::min(m_cursor, Visible().size());
    return S_OK;
}

// ---- equality indexes for FindRow ----

namespace {

std::uint64_t KeyHash(const PropValue& v)
{
    if (v.type() == PT_BINARY || v.type() == PT_CLSID)
        return std::hash<std::string_view>{}(v.bin()); // its equality key is the bytes themselves
    return std::hash<std::string>{}(EqualityKey(v));
}

bool SameKey(const PropValue& a, const PropValue& b)
{
    if (a.type() != b.type())
        return false;
    if (a.type() == PT_BINARY || a.type() == PT_CLSID)
        return a.bin() == b.bin();
    return EqualityKey(a) == EqualityKey(b);
}

} // namespace

// The hashes under which a row stands in the index of indexTag: of its value, or of each value
// of a multi-valued property of that type.
void Table::IndexKeys(std::uint32_t key, ULONG indexTag, std::vector<std::uint64_t>& hashes)
{
    hashes.clear();
    PropValue scratch;
    const PropValue* v = ValueOf(key, m_rows.at(key), PROP_ID(indexTag), scratch);
    if (!v)
        return;
    const ULONG type = PROP_TYPE(indexTag);
    if (v->type() == type) {
        hashes.push_back(KeyHash(*v));
        return;
    }
    if (v->type() != (type | MV_FLAG))
        return;
    if (type == PT_UNICODE)
        for (const auto& s : v->mvStr())
            hashes.push_back(KeyHash(PropValue(indexTag, s)));
    else if (type == PT_BINARY || type == PT_CLSID)
        for (const auto& b : v->mvBin())
            hashes.push_back(KeyHash(PropValue(indexTag, b)));
    else
        for (auto n : v->mvNum())
            hashes.push_back(KeyHash(PropValue(indexTag, n)));
}

// Whether a row's value of indexTag (or one of its values) equals value.
bool Table::IndexMatch(std::uint32_t key, ULONG indexTag, const PropValue& value)
{
    PropValue scratch;
    const PropValue* v = ValueOf(key, m_rows.at(key), PROP_ID(indexTag), scratch);
    if (!v)
        return false;
    const ULONG type = PROP_TYPE(indexTag);
    if (v->type() == type)
        return SameKey(*v, value);
    if (v->type() != (type | MV_FLAG))
        return false;
    if (type == PT_UNICODE)
        return std::any_of(v->mvStr().begin(), v->mvStr().end(),
                           [&](const std::u16string& s) { return SameKey(PropValue(indexTag, s), value); });
    if (type == PT_BINARY || type == PT_CLSID)
        return std::any_of(v->mvBin().begin(), v->mvBin().end(),
                           [&](const Bytes& b) { return SameKey(PropValue(indexTag, b), value); });
    return std::any_of(v->mvNum().begin(), v->mvNum().end(),
                       [&](std::int64_t n) { return SameKey(PropValue(indexTag, n), value); });
}

Table::Index& Table::IndexFor(ULONG indexTag)
{
    auto it = m_indexes.find(indexTag);
    if (it != m_indexes.end())
        return it->second;
    Index& index = m_indexes[indexTag];
    index.reserve(m_view.size());
    std::vector<std::uint64_t> hashes;
    for (std::uint32_t key : m_view) {
        IndexKeys(key, indexTag, hashes);
        for (auto h : hashes)
            index.emplace(h, key);
    }
    return index;
}

void Table::IndexAdd(std::uint32_t key)
{
    std::vector<std::uint64_t> hashes;
    for (auto& [tag, index] : m_indexes) {
        IndexKeys(key, tag, hashes);
        for (auto h : hashes)
            index.emplace(h, key);
    }
}

void Table::IndexRemove(std::uint32_t key)
{
    std::vector<std::uint64_t> hashes;
    for (auto& [tag, index] : m_indexes) {
        IndexKeys(key, tag, hashes);
        for (auto h : hashes) {
            auto [b, e] = index.equal_range(h);
            while (b != e)
                b = b->second == key ? index.erase(b) : std::next(b);
        }
    }
}

// ---- columns, counts, positions ----

HRESULT Table::GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType)
{
    if (!lpulTableStatus || !lpulTableType)
        return MAPI_E_INVALID_PARAMETER;
    *lpulTableStatus = TBLSTAT_COMPLETE;
    *lpulTableType = TBLTYPE_DYNAMIC;
    return S_OK;
}

HRESULT Table::SetColumns(LPSPropTagArray lpPropTagArray, ULONG)
{
    if (!lpPropTagArray)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    m_columns.assign(lpPropTagArray->aulPropTag, lpPropTagArray->aulPropTag + lpPropTagArray->cValues);
    Raise(TABLE_SETCOL_DONE);
    return S_OK;
}

HRESULT Table::QueryColumns(ULONG ulFlags, LPSPropTagArray* lpPropTagArray)
{
    if (!lpPropTagArray)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    if (!(ulFlags & TBL_ALL_COLUMNS))
        return AllocTagArray(m_columns, lpPropTagArray);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    if (m_selective && !m_wantAll) {
        // Every property of every row: read them all from now on.
        m_wantAll = true;
        m_source->Want(nullptr);
        if (FAILED(hr = FullLoad()))
            return hr;
    }
    std::set<ULONG> seen;
    std::vector<ULONG> all = m_columns;
    for (ULONG t : all)
        seen.insert(PROP_ID(t));
    for (const auto& [key, row] : m_rows)
        for (const auto& v : *row.props)
            if (seen.insert(v.id()).second)
                all.push_back(v.ReportedTag(m_unicode));
    return AllocTagArray(all, lpPropTagArray);
}

HRESULT Table::GetRowCount(ULONG, ULONG* lpulCount)
{
    if (!lpulCount)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    *lpulCount = static_cast<ULONG>(Visible().size());
    return S_OK;
}

HRESULT Table::ResolveBookmark(BOOKMARK bk, std::size_t& pos, bool& moved)
{
    moved = false;
    switch (bk) {
    case BOOKMARK_BEGINNING:
        pos = 0;
        return S_OK;
    case BOOKMARK_CURRENT:
        pos = m_cursor;
        return S_OK;
    case BOOKMARK_END:
        pos = Visible().size();
        return S_OK;
    default:
        break;
    }
    auto it = m_bookmarks.find(bk);
    if (it == m_bookmarks.end())
        return MAPI_E_INVALID_BOOKMARK;
    if (!it->second.key) {
        pos = Visible().size();
        return S_OK;
    }
    if (auto p = VisiblePosition(*it->second.key)) {
        pos = *p;
        return S_OK;
    }
    // The row is gone: the nearest position, and the caller learns that it moved.
    pos = std::min(it->second.position, Visible().size());
    moved = true;
    return S_OK;
}

HRESULT Table::SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought)
{
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    std::size_t base = 0;
    bool moved = false;
    if (FAILED(hr = ResolveBookmark(bkOrigin, base, moved)))
        return hr;
    long long target = static_cast<long long>(base) + lRowCount;
    target = std::clamp<long long>(target, 0, static_cast<long long>(Visible().size()));
    m_cursor = static_cast<std::size_t>(target);
    if (lplRowsSought)
        *lplRowsSought = static_cast<LONG>(target - static_cast<long long>(base));
    return moved ? MAPI_W_POSITION_CHANGED : S_OK;
}

HRESULT Table::SeekRowApprox(ULONG ulNumerator, ULONG ulDenominator)
{
    if (ulDenominator == 0)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    if (ulNumerator >= ulDenominator)
        m_cursor = Visible().size();
    else
        m_cursor = static_cast<std::size_t>(static_cast<unsigned long long>(ulNumerator) * Visible().size() /
                                            ulDenominator);
    return S_OK;
}

HRESULT Table::QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator)
{
    if (!lpulRow || !lpulNumerator || !lpulDenominator)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    *lpulRow = static_cast<ULONG>(m_cursor);
    *lpulNumerator = static_cast<ULONG>(m_cursor);
    *lpulDenominator = static_cast<ULONG>(Visible().empty() ? 1 : Visible().size());
    return S_OK;
}

HRESULT Table::FindRow(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags)
{
    if (!lpRestriction)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    std::unique_ptr<Restriction> res;
    if (FAILED(hr = Restriction::Compile(*lpRestriction, res)))
        return hr;
    ULONG tag = 0;
    const PropValue* value = nullptr;
    const ULONG vt = res->IsEquality(tag, value) ? value->type() : 0;
    const bool indexed = m_categories == 0 && value && !(vt & MV_FLAG) && vt != PT_NULL && vt != PT_OBJECT &&
                         vt != PT_ERROR;
    // The rows must carry what the restriction looks at; an indexed property the source
    // computes is computed for the index alone.
    if (!indexed)
        res->AddPropIds(m_findIds);
    else if (!m_source->IsComputed(PROP_ID(tag)))
        m_findIds.Add(PROP_ID(tag));
    if (FAILED(hr = Widen()))
        return hr;
    std::size_t start = 0;
    bool moved = false;
    if (FAILED(hr = ResolveBookmark(bkOrigin, start, moved)))
        return hr;
    const bool backward = (ulFlags & DIR_BACKWARD) != 0;
    const std::size_t n = Visible().size();
    if (n == 0)
        return MAPI_E_NOT_FOUND;
    if (backward && start >= n)
        start = n - 1;
    if (!backward && start >= n)
        return MAPI_E_NOT_FOUND;

    std::optional<std::size_t> found;
    if (indexed) {
        // An equality on one property: answered from the index of that property.
        const ULONG indexTag = PROP_TAG(vt, PROP_ID(tag));
        Index& index = IndexFor(indexTag);
        auto [b, e] = index.equal_range(KeyHash(*value));
        for (; b != e; ++b) {
            const std::uint32_t key = b->second;
            if (!IndexMatch(key, indexTag, *value))
                continue;
            const std::optional<std::size_t> at = PositionOf(key);
            if (!at)
                continue;
            const std::size_t pos = *at;
            if (backward ? pos <= start && (!found || pos > *found) : pos >= start && (!found || pos < *found))
                found = pos;
        }
    } else if (backward) {
        for (std::size_t i = start + 1; i-- > 0;) {
            const std::uint32_t key = Visible()[i];
            const Row& row = RowOf(key);
            if (res->Match(*row.props, m_source->SubRows(TableRow{key, row.ordinal, row.props}))) {
                found = i;
                break;
            }
        }
    } else {
        for (std::size_t i = start; i < n; ++i) {
            const std::uint32_t key = Visible()[i];
            const Row& row = RowOf(key);
            if (res->Match(*row.props, m_source->SubRows(TableRow{key, row.ordinal, row.props}))) {
                found = i;
                break;
            }
        }
    }
    if (!found)
        return MAPI_E_NOT_FOUND;
    m_cursor = *found;
    return moved ? MAPI_W_POSITION_CHANGED : S_OK;
}

HRESULT Table::Restrict(LPSRestriction lpRestriction, ULONG)
{
    std::lock_guard lock(m_mutex);
    std::unique_ptr<Restriction> res;
    if (lpRestriction) {
        HRESULT hr = Restriction::Compile(*lpRestriction, res);
        if (FAILED(hr))
            return hr;
    }
    // Rows not read yet are read once, with what this restriction needs.
    HRESULT hr = m_loaded ? Refresh() : S_OK;
    if (FAILED(hr))
        return hr;
    m_restriction = std::move(res);
    if (m_loaded) {
        if (FAILED(hr = Widen()))
            return hr;
        RebuildView();
    }
    m_cursor = 0;
    Raise(TABLE_RESTRICT_DONE);
    return S_OK;
}

HRESULT Table::CreateBookmark(BOOKMARK* lpbkPosition)
{
    if (!lpbkPosition)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    Bookmark b;
    if (m_cursor < Visible().size())
        b.key = Visible()[m_cursor];
    b.position = m_cursor;
    *lpbkPosition = m_nextBookmark++;
    m_bookmarks[*lpbkPosition] = b;
    return S_OK;
}

HRESULT Table::FreeBookmark(BOOKMARK bkPosition)
{
    std::lock_guard lock(m_mutex);
    if (bkPosition <= BOOKMARK_END)
        return S_OK;
    return m_bookmarks.erase(bkPosition) ? S_OK : MAPI_E_INVALID_BOOKMARK;
}

HRESULT Table::SortTable(LPSSortOrderSet lpSortCriteria, ULONG)
{
    if (!lpSortCriteria)
        return MAPI_E_INVALID_PARAMETER;
    if (lpSortCriteria->cCategories > lpSortCriteria->cSorts ||
        lpSortCriteria->cExpanded > lpSortCriteria->cCategories)
        return MAPI_E_INVALID_PARAMETER;
    for (ULONG i = 0; i < lpSortCriteria->cSorts; ++i) {
        const ULONG order = lpSortCriteria->aSort[i].ulOrder;
        if (order != TABLE_SORT_ASCEND && order != TABLE_SORT_DESCEND)
            return MAPI_E_TOO_COMPLEX;
        const ULONG type = PROP_TYPE(lpSortCriteria->aSort[i].ulPropTag);
        if (type == PT_UNSPECIFIED || type == PT_ERROR || type == PT_OBJECT || (type & MV_INSTANCE))
            return MAPI_E_INVALID_TYPE;
    }
    std::lock_guard lock(m_mutex);
    HRESULT hr = m_loaded ? Refresh() : S_OK;
    if (FAILED(hr))
        return hr;
    m_sorts.assign(lpSortCriteria->aSort, lpSortCriteria->aSort + lpSortCriteria->cSorts);
    if (m_categories != lpSortCriteria->cCategories || m_expanded != lpSortCriteria->cExpanded)
        m_expandState.clear();
    m_categories = lpSortCriteria->cCategories;
    m_expanded = lpSortCriteria->cExpanded;
    if (m_loaded && FAILED(hr = Widen()))
        return hr;
    if (m_loaded)
        RebuildView();
    m_cursor = 0;
    Raise(TABLE_SORT_DONE);
    return S_OK;
}

HRESULT Table::QuerySortOrder(LPSSortOrderSet* lppSortCriteria)
{
    if (!lppSortCriteria)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    void* p = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSSortOrderSet(m_sorts.size() ? m_sorts.size() : 1)), &p);
    if (FAILED(hr))
        return hr;
    auto* set = static_cast<LPSSortOrderSet>(p);
    set->cSorts = static_cast<ULONG>(m_sorts.size());
    set->cCategories = m_categories;
    set->cExpanded = m_expanded;
    for (std::size_t i = 0; i < m_sorts.size(); ++i)
        set->aSort[i] = m_sorts[i];
    *lppSortCriteria = set;
    return S_OK;
}

HRESULT Table::MakeRow(const Row& row, std::uint32_t key, SRow& out, bool leaf)
{
    out.ulAdrEntryPad = 0;
    out.cValues = static_cast<ULONG>(m_columns.size());
    out.lpProps = nullptr;
    const std::size_t n = m_columns.size();
    // What each column shows, then one block for the values and everything they point to. The
    // working lists are the thread's own, kept from row to row: a table hands out many rows.
    struct Scratch {
        std::vector<const PropValue*> values;
        std::vector<ULONG> tags;
        std::vector<PropValue> computed;
    };
    thread_local Scratch scratch;
    std::vector<const PropValue*>& values = scratch.values;
    std::vector<ULONG>& tags = scratch.tags;
    std::vector<PropValue>& computed = scratch.computed;
    values.assign(n, nullptr);
    tags.assign(m_columns.begin(), m_columns.end());
    if (computed.size() < n)
        computed.resize(n);
    std::size_t extra = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const PropValue* v = leaf ? ValueOf(key, row, PROP_ID(tags[i]), computed[i]) : row.props->Find(PROP_ID(tags[i]));
        if (v && PROP_TYPE(tags[i]) == PT_UNSPECIFIED)
            tags[i] = v->ReportedTag(m_unicode);
        if (v && v->type() != PT_OBJECT) {
            values[i] = v;
            extra += v->OutOfLineSize(tags[i]);
        } else if (PROP_ID(tags[i]) == PROP_ID(PR_INSTANCE_KEY) && PROP_TYPE(tags[i]) != PT_ERROR) {
            extra += 8;
        }
    }
    const std::size_t head = sizeof(SPropValue) * (n ? n : 1);
    void* block = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(head + extra), &block);
    if (FAILED(hr))
        return hr;
    auto* vals = static_cast<LPSPropValue>(block);
    char* space = static_cast<char*>(block) + head;
    for (std::size_t i = 0; i < n && SUCCEEDED(hr); ++i) {
        std::memset(&vals[i], 0, sizeof(SPropValue));
        const ULONG tag = tags[i];
        if (values[i]) {
            hr = values[i]->ToSPropValueIn(tag, vals[i], space);
        } else if (PROP_ID(tag) == PROP_ID(PR_INSTANCE_KEY) && PROP_TYPE(tag) != PT_ERROR) {
            vals[i].ulPropTag = PR_INSTANCE_KEY;
            vals[i].Value.bin.cb = sizeof(key);
            vals[i].Value.bin.lpb = reinterpret_cast<LPBYTE>(space);
            std::memcpy(space, &key, sizeof(key));
            space += 8;
        } else if (tag == PR_ROW_TYPE) {
            vals[i].ulPropTag = PR_ROW_TYPE;
            vals[i].Value.l = TBL_LEAF_ROW;
        } else if (tag == PR_DEPTH) {
            vals[i].ulPropTag = PR_DEPTH;
            vals[i].Value.l = static_cast<LONG>(m_categories); // leaves stand below every heading
        } else {
            vals[i].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tag));
            vals[i].Value.err = MAPI_E_NOT_FOUND;
        }
    }
    if (FAILED(hr)) {
        MAPIFreeBuffer(block);
        return hr;
    }
    out.lpProps = vals;
    return S_OK;
}

HRESULT Table::QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows)
{
    if (!lppRows || lRowCount == 0)
        return MAPI_E_INVALID_PARAMETER;
    *lppRows = nullptr;
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    std::size_t from, to;
    if (lRowCount > 0) {
        from = m_cursor;
        to = std::min(Visible().size(), m_cursor + static_cast<std::size_t>(lRowCount));
    } else {
        const std::size_t back = static_cast<std::size_t>(-static_cast<long long>(lRowCount));
        to = m_cursor;
        from = m_cursor > back ? m_cursor - back : 0;
    }
    const std::size_t n = to > from ? to - from : 0;
    void* p = nullptr;
    if (FAILED(hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(n ? n : 1)), &p)))
        return hr;
    auto* set = static_cast<LPSRowSet>(p);
    set->cRows = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t key = Visible()[from + i];
        hr = MakeRow(RowOf(key), key, set->aRow[i], !m_headings.contains(key));
        if (FAILED(hr)) {
            FreeProws(set);
            return hr;
        }
        set->cRows = static_cast<ULONG>(i + 1);
    }
    if (!(ulFlags & TBL_NOADVANCE))
        m_cursor = lRowCount > 0 ? to : from;
    *lppRows = set;
    return S_OK;
}

HRESULT Table::Abort() { return S_OK; } // every operation completes before it returns

// ---- notifications ----

HRESULT Table::Advise(ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection)
{
    if (!lpAdviseSink || !lpulConnection || ulEventMask == 0)
        return MAPI_E_INVALID_PARAMETER;
    auto loop = platform::MessageLoop::CurrentShared();
    std::lock_guard lock(m_mutex);
    // Events tell of changes to the rows as they are from here on.
    if (!m_loaded) {
        HRESULT hr = Refresh();
        if (FAILED(hr))
            return hr;
    }
    Sink s;
    s.connection = m_nextConnection++;
    s.mask = ulEventMask;
    s.loop = loop;
    s.link = std::make_shared<Connection>();
    s.link->sink = lpAdviseSink;
    lpAdviseSink->AddRef();
    m_sinks.push_back(std::move(s));
    if (!m_watches.contains(loop->threadId()))
        m_watches[loop->threadId()] = Notifier::Instance().Watch([this] { CheckForChanges(); });
    *lpulConnection = m_sinks.back().connection;
    return S_OK;
}

HRESULT Table::Unadvise(ULONG ulConnection)
{
    std::shared_ptr<Connection> link;
    std::optional<std::uint64_t> watch;
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_sinks.begin(), m_sinks.end(),
                               [&](const Sink& s) { return s.connection == ulConnection; });
        if (it == m_sinks.end())
            return MAPI_E_NOT_FOUND;
        link = it->link; // notifications already posted to it are dropped
        const auto loop = it->loop.lock();
        m_sinks.erase(it);
        if (loop) {
            const DWORD thread = loop->threadId();
            const bool more = std::any_of(m_sinks.begin(), m_sinks.end(), [&](const Sink& s) {
                auto l = s.loop.lock();
                return l && l->threadId() == thread;
            });
            auto w = m_watches.find(thread);
            if (!more && w != m_watches.end()) {
                watch = w->second;
                m_watches.erase(w);
            }
        }
    }
    // Outside our lock: a running check of ours takes it.
    if (watch)
        Notifier::Instance().Unwatch(*watch);
    link->Drop();
    return S_OK;
}

bool Table::HasTableSinks() const
{
    return std::any_of(m_sinks.begin(), m_sinks.end(), [](const Sink& s) { return s.mask & fnevTableModified; });
}

void Table::CheckForChanges()
{
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        Raise(TABLE_ERROR, hr);
}

void Table::Raise(ULONG tableEvent, HRESULT hr)
{
    if (!HasTableSinks())
        return;
    Event e;
    e.type = tableEvent;
    e.hr = hr;
    m_events.push_back(std::move(e));
    PostEvents();
}

void Table::RaiseRow(ULONG tableEvent, std::uint32_t key)
{
    Event e;
    e.type = tableEvent;
    e.key = key;
    if (tableEvent != TABLE_ROW_DELETED) {
        const std::size_t pos = PositionOf(key).value_or(0);
        if (pos > 0)
            e.prior = m_view[pos - 1];
        e.props = m_rows.at(key).props;
    }
    m_events.push_back(std::move(e));
}

namespace {

// The notifications handed to one sink: the array and every row block they point into.
struct NotificationBlock {
    LPNOTIFICATION notifications = nullptr;
    ULONG count = 0;
    std::vector<void*> buffers;
    ~NotificationBlock()
    {
        for (void* b : buffers)
            MAPIFreeBuffer(b);
    }
};

HRESULT SetKey(SPropValue& prop, std::uint32_t key, void* parent)
{
    prop.ulPropTag = PR_INSTANCE_KEY;
    prop.Value.bin.cb = sizeof(key);
    HRESULT hr = MAPIAllocateMore(sizeof(key), parent, reinterpret_cast<void**>(&prop.Value.bin.lpb));
    if (SUCCEEDED(hr))
        std::memcpy(prop.Value.bin.lpb, &key, sizeof(key));
    return hr;
}

} // namespace

void Table::PostEvents()
{
    if (m_events.empty())
        return;
    std::vector<Event> events = std::move(m_events);
    m_events.clear();
    for (const Sink& s : m_sinks) {
        if (!(s.mask & fnevTableModified))
            continue;
        auto loop = s.loop.lock();
        if (!loop)
            continue;
        auto block = std::make_shared<NotificationBlock>();
        void* array = nullptr;
        HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(sizeof(NOTIFICATION) * events.size()), &array);
        if (FAILED(hr))
            continue; // no memory: this sink misses the events
        block->buffers.push_back(array);
        block->notifications = static_cast<LPNOTIFICATION>(array);
        std::memset(array, 0, sizeof(NOTIFICATION) * events.size());
        for (const Event& e : events) {
            NOTIFICATION& n = block->notifications[block->count];
            n.ulEventType = fnevTableModified;
            TABLE_NOTIFICATION& t = n.info.tab;
            t.ulTableEvent = e.type;
            t.hResult = e.hr;
            t.propIndex.ulPropTag = PR_NULL;
            t.propPrior.ulPropTag = PR_NULL;
            if (e.type == TABLE_ROW_ADDED || e.type == TABLE_ROW_DELETED || e.type == TABLE_ROW_MODIFIED) {
                hr = SetKey(t.propIndex, e.key, array);
                if (SUCCEEDED(hr) && e.prior)
                    hr = SetKey(t.propPrior, *e.prior, array);
                if (SUCCEEDED(hr) && e.props) {
                    hr = MakeRow(Row{0, e.props}, e.key, t.row);
                    if (SUCCEEDED(hr))
                        block->buffers.push_back(t.row.lpProps);
                }
                if (FAILED(hr))
                    break;
            }
            ++block->count;
        }
        loop->PostTask([link = s.link, block] {
            if (IMAPIAdviseSink* sink = block->count ? link->Take() : nullptr) {
                sink->OnNotify(block->count, block->notifications);
                sink->Release();
            }
        });
    }
}

HRESULT Table::ExpandRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulRowCount, ULONG, LPSRowSet* lppRows,
                         ULONG* lpulMoreRows)
{
    if (lppRows)
        *lppRows = nullptr;
    if (lpulMoreRows)
        *lpulMoreRows = 0;
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    Heading* h = FindHeading(cbInstanceKey, pbInstanceKey);
    if (!h)
        return MAPI_E_NOT_FOUND;
    if (h->expanded)
        return MAPI_E_INVALID_PARAMETER; // only a collapsed heading expands
    const std::uint32_t headingKey = HeadingKey(h->path);
    const std::size_t before = m_display.size();
    m_expandState[h->path] = true;
    RebuildDisplay();
    const std::size_t added = m_display.size() - before;
    const std::size_t at = VisiblePosition(headingKey).value_or(0) + 1;
    const std::size_t give = lppRows ? std::min<std::size_t>(ulRowCount, added) : 0;
    // The rows not handed back are read next: the cursor stands on the first of them.
    m_cursor = at + give;
    if (lppRows) {
        void* p = nullptr;
        if (FAILED(hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(give ? give : 1)), &p)))
            return hr;
        auto* set = static_cast<LPSRowSet>(p);
        set->cRows = 0;
        for (std::size_t i = 0; i < give; ++i) {
            const std::uint32_t key = m_display[at + i];
            if (FAILED(hr = MakeRow(RowOf(key), key, set->aRow[i], !m_headings.contains(key)))) {
                FreeProws(set);
                return hr;
            }
            set->cRows = static_cast<ULONG>(i + 1);
        }
        *lppRows = set;
    }
    if (lpulMoreRows)
        *lpulMoreRows = static_cast<ULONG>(added - give);
    Raise(TABLE_CHANGED);
    return S_OK;
}

HRESULT Table::CollapseRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG, ULONG* lpulRowCount)
{
    if (lpulRowCount)
        *lpulRowCount = 0;
    std::lock_guard lock(m_mutex);
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    Heading* h = FindHeading(cbInstanceKey, pbInstanceKey);
    if (!h)
        return MAPI_E_NOT_FOUND;
    if (!h->expanded)
        return MAPI_E_INVALID_PARAMETER;
    const std::uint32_t headingKey = HeadingKey(h->path);
    std::optional<std::uint32_t> cursorKey;
    if (m_cursor < Visible().size())
        cursorKey = Visible()[m_cursor];
    const std::size_t before = m_display.size();
    m_expandState[h->path] = false;
    RebuildDisplay();
    if (lpulRowCount)
        *lpulRowCount = static_cast<ULONG>(before - m_display.size());
    // A cursor on a row that went out of sight moves to the row after the heading.
    if (cursorKey) {
        if (auto pos = VisiblePosition(*cursorKey))
            m_cursor = *pos;
        else
            m_cursor = VisiblePosition(headingKey).value_or(0) + 1;
    }
    m_cursor = std::min(m_cursor, Visible().size());
    Raise(TABLE_CHANGED);
    return S_OK;
}

// A collapse state: "CS1", the caller's expand and collapse choices (path, state), then the
// path of the heading or the key of the row it was taken at.
HRESULT Table::GetCollapseState(ULONG, ULONG cbInstanceKey, LPBYTE lpbInstanceKey, ULONG* lpcbCollapseState,
                                LPBYTE* lppbCollapseState)
{
    if (!lpcbCollapseState || !lppbCollapseState || !lpbInstanceKey || cbInstanceKey != sizeof(std::uint32_t))
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_mutex);
    if (m_categories == 0)
        return MAPI_E_INVALID_PARAMETER; // only a categorised view has one
    std::uint32_t key = 0;
    std::memcpy(&key, lpbInstanceKey, sizeof(key));
    std::string out = "CS1";
    auto put = [&out](const std::string& text) {
        const auto n = static_cast<std::uint32_t>(text.size());
        out.append(reinterpret_cast<const char*>(&n), sizeof(n));
        out += text;
    };
    put(std::to_string(m_expandState.size()));
    for (const auto& [path, expanded] : m_expandState) {
        put(path);
        out += expanded ? '1' : '0';
    }
    auto h = m_headings.find(key);
    if (h != m_headings.end()) {
        out += 'H';
        put(h->second.path);
    } else {
        out += 'R';
        put(std::to_string(key));
    }
    void* p = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(out.size()), &p);
    if (FAILED(hr))
        return hr;
    std::memcpy(p, out.data(), out.size());
    *lpcbCollapseState = static_cast<ULONG>(out.size());
    *lppbCollapseState = static_cast<LPBYTE>(p);
    return S_OK;
}

HRESULT Table::SetCollapseState(ULONG, ULONG cbCollapseState, LPBYTE pbCollapseState, BOOKMARK* lpbkLocation)
{
    if (!pbCollapseState || !lpbkLocation)
        return MAPI_E_INVALID_PARAMETER;
    const std::string data(reinterpret_cast<const char*>(pbCollapseState), cbCollapseState);
    std::size_t pos = 3;
    bool ok = data.compare(0, 3, "CS1") == 0;
    auto take = [&](std::string& text) {
        std::uint32_t n = 0;
        if (!ok || pos + sizeof(n) > data.size())
            return ok = false;
        std::memcpy(&n, data.data() + pos, sizeof(n));
        pos += sizeof(n);
        if (n > data.size() - pos)
            return ok = false;
        text = data.substr(pos, n);
        pos += n;
        return true;
    };
    std::string text;
    std::map<std::string, bool> state;
    std::size_t count = 0;
    if (take(text)) {
        try {
            count = std::stoul(text);
        } catch (...) {
            ok = false;
        }
    }
    for (std::size_t i = 0; ok && i < count; ++i) {
        std::string path;
        if (!take(path) || pos >= data.size())
            ok = false;
        else
            state[path] = data[pos++] == '1';
    }
    char kind = ok && pos < data.size() ? data[pos++] : 0;
    std::string where;
    ok = ok && (kind == 'H' || kind == 'R') && take(where) && pos == data.size();
    if (!ok)
        return MAPI_E_CORRUPT_DATA;
    std::lock_guard lock(m_mutex);
    if (m_categories == 0)
        return MAPI_E_INVALID_PARAMETER;
    HRESULT hr = Refresh();
    if (FAILED(hr))
        return hr;
    m_expandState = std::move(state);
    RebuildDisplay();
    std::optional<std::uint32_t> key;
    if (kind == 'H') {
        auto it = m_headingKeys.find(where);
        if (it != m_headingKeys.end())
            key = it->second;
    } else {
        try {
            key = static_cast<std::uint32_t>(std::stoul(where));
        } catch (...) {
            return MAPI_E_CORRUPT_DATA;
        }
    }
    Bookmark b;
    b.position = 0;
    if (key && VisiblePosition(*key)) {
        b.key = *key;
        b.position = *VisiblePosition(*key);
    }
    *lpbkLocation = m_nextBookmark++;
    m_bookmarks[*lpbkLocation] = b;
    Raise(TABLE_CHANGED);
    return S_OK;
}

HRESULT Table::WaitForCompletion(ULONG, ULONG, ULONG* lpulTableStatus)
{
    if (lpulTableStatus)
        *lpulTableStatus = TBLSTAT_COMPLETE;
    return S_OK;
}

} // namespace mapi
