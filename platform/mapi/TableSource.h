// TableSource: where a table's rows come from. A table asks its source for all rows once and
// then for the rows that changed since, so that it stays in step with the store.
#pragma once

#include "mapi/MapiCodes.h"
#include "mapi/PropIdSet.h"
#include "mapi/PropMap.h"
#include "mapi/Restriction.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace mapi {

struct TableRow {
    std::uint32_t key = 0;     // the row's instance key (stable for the row's life)
    std::uint64_t ordinal = 0; // the row's place in the unsorted table
    std::shared_ptr<const PropMap> props;
};

class TableSource {
public:
    virtual ~TableSource() = default;
    virtual HRESULT LoadAll(std::vector<TableRow>& rows) = 0;
    // Rows changed since the last LoadAll or Changes: a row without props was removed. reload
    // asks the table to call LoadAll instead.
    virtual HRESULT Changes(bool& reload, std::vector<TableRow>& changed) = 0;
    virtual std::vector<ULONG> DefaultColumns() const = 0;
    // Sub-object rows of a row, for RES_SUBRESTRICTION.
    virtual SubObjectRows SubRows(const TableRow&) { return {}; }

    // A selective source reads only the properties the table asks for (Want, before LoadAll and
    // Changes; null: every one), reads more of them for the rows it has with LoadMore, and hands
    // out the properties it computes (entry ID, record key...) row by row through Computed
    // instead of keeping them in every row. Other sources give every property.
    virtual bool Selective() const { return false; }
    virtual void Want(const PropIdSet* /*ids*/) {}
    virtual HRESULT LoadMore(const PropIdSet& /*ids*/, std::vector<TableRow>& /*rows*/) { return MAPI_E_NO_SUPPORT; }
    virtual bool IsComputed(ULONG /*id*/) const { return false; }
    virtual bool Computed(std::uint32_t /*key*/, ULONG /*id*/, PropValue& /*out*/) const { return false; }
};

// A fixed list of rows (store table, profile table, and snapshots).
class RowListSource : public TableSource {
public:
    RowListSource(std::vector<TableRow> rows, std::vector<ULONG> columns)
        : m_rows(std::move(rows)), m_columns(std::move(columns))
    {
    }
    HRESULT LoadAll(std::vector<TableRow>& rows) override
    {
        rows = m_rows;
        return S_OK;
    }
    HRESULT Changes(bool& reload, std::vector<TableRow>& changed) override
    {
        reload = false;
        changed.clear();
        return S_OK;
    }
    std::vector<ULONG> DefaultColumns() const override { return m_columns; }

private:
    std::vector<TableRow> m_rows;
    std::vector<ULONG> m_columns;
};

} // namespace mapi
