#include "mapi/SearchSource.h"

#include "mapi/MapiTags.h"
#include "mapi/Message.h"

namespace mapi {

HRESULT SearchSource::Results(StoreFile& file, std::int64_t folder, std::map<std::int64_t, PropMap>& out)
{
    out.clear();
    std::lock_guard lock(file.mutex());
    Bytes data;
    HRESULT hr = file.LoadSearchCriteria(folder, data);
    if (hr == MAPI_E_NOT_INITIALIZED)
        return S_OK; // a search folder that was never given criteria is empty
    if (FAILED(hr))
        return hr;
    SearchCriteria criteria;
    if (!SearchCriteria::Decode(data, criteria))
        return MAPI_E_CORRUPT_DATA;
    if (criteria.stopped) {
        for (std::int64_t id : criteria.frozen) {
            ObjectInfo info;
            PropMap props;
            if (FAILED(file.GetObject(id, info)) || info.type != MAPI_MESSAGE)
                continue; // deleted since the search stopped
            if (FAILED(hr = file.LoadProps(id, props)))
                return hr;
            AddMessageComputed(file, id, info.parent, props);
            out.emplace(id, std::move(props));
        }
        return S_OK;
    }
    std::vector<std::pair<ObjectInfo, PropMap>> found;
    if (FAILED(hr = criteria.Evaluate(file, found)))
        return hr;
    for (auto& [info, props] : found)
        out.emplace(info.id, std::move(props));
    return S_OK;
}

HRESULT SearchSource::Read(std::map<std::uint32_t, TableRow>& rows)
{
    m_version = m_file->Version();
    std::map<std::int64_t, PropMap> found;
    HRESULT hr = Results(*m_file, m_folder, found);
    if (FAILED(hr))
        return hr;
    rows.clear();
    for (auto& [id, props] : found) {
        const auto key = static_cast<std::uint32_t>(id);
        rows[key] = TableRow{key, static_cast<std::uint64_t>(id), std::make_shared<const PropMap>(std::move(props))};
    }
    return S_OK;
}

HRESULT SearchSource::LoadAll(std::vector<TableRow>& rows)
{
    HRESULT hr = Read(m_current);
    if (FAILED(hr))
        return hr;
    rows.clear();
    for (const auto& [key, row] : m_current)
        rows.push_back(row);
    return S_OK;
}

HRESULT SearchSource::Changes(bool& reload, std::vector<TableRow>& changed)
{
    reload = false;
    changed.clear();
    if (m_file->Version() == m_version)
        return S_OK;
    std::map<std::uint32_t, TableRow> now;
    HRESULT hr = Read(now);
    if (FAILED(hr))
        return hr;
    for (const auto& [key, row] : m_current)
        if (!now.contains(key))
            changed.push_back(TableRow{key, row.ordinal, nullptr});
    for (const auto& [key, row] : now) {
        auto old = m_current.find(key);
        if (old == m_current.end() || !(*old->second.props == *row.props))
            changed.push_back(row);
    }
    m_current = std::move(now);
    return S_OK;
}

std::vector<ULONG> SearchSource::DefaultColumns() const
{
    return {PR_INSTANCE_KEY,           PR_ENTRYID,      PR_MESSAGE_CLASS_W, PR_SUBJECT_W,     PR_MESSAGE_FLAGS,
            PR_LAST_MODIFICATION_TIME, PR_MESSAGE_SIZE, PR_RECORD_KEY,      PR_PARENT_ENTRYID};
}

SubObjectRows SearchSource::SubRows(const TableRow& row)
{
    auto file = m_file;
    const std::int64_t id = row.key;
    return [file, id](ULONG subObject) {
        std::vector<PropMap> out;
        std::vector<std::pair<ObjectInfo, PropMap>> children;
        const ULONG type = subObject == PR_MESSAGE_RECIPIENTS ? MAPI_MAILUSER : MAPI_ATTACH;
        if (SUCCEEDED(file->LoadChildren(id, type, std::nullopt, children)))
            for (auto& c : children)
                out.push_back(std::move(c.second));
        return out;
    };
}

} // namespace mapi
