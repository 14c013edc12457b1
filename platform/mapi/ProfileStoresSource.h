// ProfileStoresSource: the rows of a session's message-store table, read from the profile.
// Each check reads the profile again and reports the stores that came, went or changed, so an
// advised store table tells its sinks when a store is added to or removed from the profile.
#pragma once

#include "mapi/ProfileRegistry.h"
#include "mapi/TableSource.h"

#include <map>
#include <string>

namespace mapi {

class ProfileStoresSource : public TableSource {
public:
    explicit ProfileStoresSource(std::string profile) : m_profile(std::move(profile)) {}

    HRESULT LoadAll(std::vector<TableRow>& rows) override;
    HRESULT Changes(bool& reload, std::vector<TableRow>& changed) override;
    std::vector<ULONG> DefaultColumns() const override;

private:
    HRESULT Read(std::map<std::string, TableRow>& rows);

    std::string m_profile;
    std::map<std::string, TableRow> m_current; // by the store's subkey in the profile
    std::map<std::string, std::uint32_t> m_keys;
    std::uint32_t m_nextKey = 1;
};

} // namespace mapi
