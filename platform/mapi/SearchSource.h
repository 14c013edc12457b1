// SearchSource: the contents of a search folder: the messages its criteria find, read again
// whenever the store changed and compared with what the table holds.
#pragma once

#include "mapi/SearchCriteria.h"
#include "mapi/TableSource.h"

#include <map>
#include <memory>

namespace mapi {

class SearchSource : public TableSource {
public:
    SearchSource(std::shared_ptr<StoreFile> file, std::int64_t folder) : m_file(std::move(file)), m_folder(folder) {}

    HRESULT LoadAll(std::vector<TableRow>& rows) override;
    HRESULT Changes(bool& reload, std::vector<TableRow>& changed) override;
    std::vector<ULONG> DefaultColumns() const override;
    SubObjectRows SubRows(const TableRow& row) override;

    // The messages that the folder's criteria find now (a stopped search: what it had found).
    static HRESULT Results(StoreFile& file, std::int64_t folder, std::map<std::int64_t, PropMap>& out);

private:
    HRESULT Read(std::map<std::uint32_t, TableRow>& rows);

    std::shared_ptr<StoreFile> m_file;
    std::int64_t m_folder;
    std::uint64_t m_version = 0;
    std::map<std::uint32_t, TableRow> m_current;
};

} // namespace mapi
