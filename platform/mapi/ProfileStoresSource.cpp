#include "mapi/ProfileStoresSource.h"

#include "mapi/EntryId.h"
#include "mapi/MapiGuids.h"
#include "mapi/MapiTags.h"

#include <cstring>

namespace mapi {

HRESULT ProfileStoresSource::Read(std::map<std::string, TableRow>& rows)
{
    std::vector<ProfileStore> stores;
    HRESULT hr = ProfileRegistry::Stores(m_profile, stores);
    if (FAILED(hr))
        return hr;
    rows.clear();
    for (const auto& s : stores) {
        auto props = std::make_shared<PropMap>();
        props->Set(PropValue::Text(PR_DISPLAY_NAME_W, s.displayName));
        props->Set(PropValue::Binary(PR_ENTRYID, s.entryId));
        if (!s.recordKey.empty()) {
            props->Set(PropValue::Binary(PR_RECORD_KEY, s.recordKey));
            props->Set(PropValue::Binary(PR_STORE_RECORD_KEY, s.recordKey));
        }
        if (!s.provider.empty())
            props->Set(PropValue::Binary(PR_MDB_PROVIDER, s.provider));
        props->Set(PropValue::Long(PR_DEFAULT_STORE, s.isDefault ? 1 : 0));
        props->Set(PropValue::Long(PR_RESOURCE_FLAGS, s.isDefault ? (STATUS_DEFAULT_STORE | STATUS_PRIMARY_STORE)
                                                                  : STATUS_SECONDARY_STORE));
        props->Set(PropValue::Long(PR_OBJECT_TYPE, MAPI_STORE));
        props->Set(PropValue::Long(PR_RESOURCE_TYPE, MAPI_STORE_PROVIDER));
        const bool personal =
            s.provider.size() == 16 && std::memcmp(s.provider.data(), kPersonalStoreProvider.ab, 16) == 0;
        props->Set(PropValue::Text(PR_PROVIDER_DISPLAY_W, personal ? u"Personal Folders" : u"Server Store"));
        auto key = m_keys.find(s.key);
        if (key == m_keys.end())
            key = m_keys.emplace(s.key, m_nextKey++).first;
        rows[s.key] = TableRow{key->second, key->second, std::move(props)};
    }
    return S_OK;
}

HRESULT ProfileStoresSource::LoadAll(std::vector<TableRow>& rows)
{
    HRESULT hr = Read(m_current);
    if (FAILED(hr))
        return hr;
    rows.clear();
    for (const auto& [name, row] : m_current)
        rows.push_back(row);
    return S_OK;
}

HRESULT ProfileStoresSource::Changes(bool& reload, std::vector<TableRow>& changed)
{
    reload = false;
    changed.clear();
    std::map<std::string, TableRow> now;
    HRESULT hr = Read(now);
    if (FAILED(hr))
        return hr;
    for (const auto& [name, row] : m_current)
        if (!now.contains(name)) {
            changed.push_back(TableRow{row.key, row.ordinal, nullptr});
            m_keys.erase(name); // a store added again later is a new row
        }
    for (const auto& [name, row] : now) {
        auto old = m_current.find(name);
        if (old == m_current.end() || !(*old->second.props == *row.props))
            changed.push_back(row);
    }
    m_current = std::move(now);
    return S_OK;
}

std::vector<ULONG> ProfileStoresSource::DefaultColumns() const
{
    return {PR_INSTANCE_KEY, PR_ENTRYID,       PR_RECORD_KEY,      PR_DISPLAY_NAME_W,
            PR_DEFAULT_STORE, PR_MDB_PROVIDER, PR_RESOURCE_FLAGS, PR_OBJECT_TYPE};
}

} // namespace mapi
