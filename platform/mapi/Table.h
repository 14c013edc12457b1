// Table: IMAPITable over a TableSource. Keeps the source's rows, the restricted and sorted view
// of them, the cursor, bookmarks, and the equality indexes that answer FindRow without a scan.
// Rows are read when they are first needed, and from a selective source with only the
// properties that the columns, the restriction, the sort order and FindRow need.
// Advised sinks get the table's events on the message loop of the thread that advised them:
// each change the table takes in from its source becomes a row event in the table's columns at
// that moment, in the order the changes were taken in, so that a sink that keeps rows stays
// equal to the table.
#pragma once

#include "mapi/MapiX.h"
#include "mapi/Restriction.h"
#include "mapi/TableSource.h"
#include "base/MessageLoop.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace mapi {

class Table : public IMAPITable {
public:
    // unicode: string columns of the default column set are PT_UNICODE.
    static HRESULT Create(std::shared_ptr<TableSource> source, bool unicode, IMAPITable** out);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override;

    HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) override;
    HRESULT Advise(ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) override;
    HRESULT Unadvise(ULONG ulConnection) override;
    HRESULT GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType) override;
    HRESULT SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) override;
    HRESULT QueryColumns(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) override;
    HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) override;
    HRESULT SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) override;
    HRESULT SeekRowApprox(ULONG ulNumerator, ULONG ulDenominator) override;
    HRESULT QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) override;
    HRESULT FindRow(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags) override;
    HRESULT Restrict(LPSRestriction lpRestriction, ULONG ulFlags) override;
    HRESULT CreateBookmark(BOOKMARK* lpbkPosition) override;
    HRESULT FreeBookmark(BOOKMARK bkPosition) override;
    HRESULT SortTable(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) override;
    HRESULT QuerySortOrder(LPSSortOrderSet* lppSortCriteria) override;
    HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) override;
    HRESULT Abort() override;
    HRESULT ExpandRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulRowCount, ULONG ulFlags, LPSRowSet* lppRows,
                      ULONG* lpulMoreRows) override;
    HRESULT CollapseRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulFlags, ULONG* lpulRowCount) override;
    HRESULT WaitForCompletion(ULONG ulFlags, ULONG ulTimeout, ULONG* lpulTableStatus) override;
    HRESULT GetCollapseState(ULONG ulFlags, ULONG cbInstanceKey, LPBYTE lpbInstanceKey, ULONG* lpcbCollapseState,
                             LPBYTE* lppbCollapseState) override;
    HRESULT SetCollapseState(ULONG ulFlags, ULONG cbCollapseState, LPBYTE pbCollapseState,
                             BOOKMARK* lpbkLocation) override;

private:
    Table(std::shared_ptr<TableSource> source, bool unicode);
    virtual ~Table();

    struct Row {
        std::uint64_t ordinal;
        std::shared_ptr<const PropMap> props;
    };
    struct Bookmark {
        std::optional<std::uint32_t> key; // none: after the last row
        std::size_t position;
    };
    // Rows by a hash of their equality key (a candidate is checked against the value itself).
    using Index = std::unordered_multimap<std::uint64_t, std::uint32_t>;

    // The one reference to an advised sink. Notifications posted to the sink's loop reach it
    // through this, so after Unadvise none arrives and none holds the sink any longer.
    struct Connection {
        std::mutex mutex;
        IMAPIAdviseSink* sink = nullptr;
        // The sink with a reference for the caller, or null once unadvised.
        IMAPIAdviseSink* Take()
        {
            std::lock_guard lock(mutex);
            if (sink)
                sink->AddRef();
            return sink;
        }
        void Drop()
        {
            IMAPIAdviseSink* old = nullptr;
            {
                std::lock_guard lock(mutex);
                old = sink;
                sink = nullptr;
            }
            if (old)
                old->Release();
        }
    };
    struct Sink {
        ULONG connection = 0;
        ULONG mask = 0;
        std::weak_ptr<platform::MessageLoop> loop;
        std::shared_ptr<Connection> link;
    };
    // One pending event, built into notifications when it is posted.
    struct Event {
        ULONG type = 0;
        HRESULT hr = S_OK;
        std::uint32_t key = 0;
        std::optional<std::uint32_t> prior; // none: the row is the first
        std::shared_ptr<const PropMap> props; // set for a row that is in the table
    };

    // A category heading of a categorised view.
    struct Heading {
        ULONG depth = 0;
        std::string path; // the category values from the top down to this heading
        bool expanded = true;
        Row row;          // category values, PR_ROW_TYPE, PR_DEPTH, PR_CONTENT_COUNT
    };

    // What the caller sees: the sorted rows, or in a categorised view the headings and the
    // rows of expanded categories.
    const std::vector<std::uint32_t>& Visible() const { return m_categories ? m_display : m_view; }
    std::optional<std::size_t> VisiblePosition(std::uint32_t key);
    const Row& RowOf(std::uint32_t key) const;
    void RebuildDisplay();
    std::uint32_t HeadingKey(const std::string& path);
    bool Expanded(const std::string& path, ULONG depth) const;
    Heading* FindHeading(ULONG cbInstanceKey, const BYTE* pbInstanceKey);

    HRESULT Refresh();
    // The properties rows must carry for the columns, restriction, sort order, indexes and the
    // restrictions FindRow was given; Widen reads those the rows lack.
    PropIdSet Needed() const;
    HRESULT Widen();
    // A property of a row: kept in the row, or computed by the source.
    const PropValue* ValueOf(std::uint32_t key, const Row& row, ULONG id, PropValue& scratch) const;
    // Runs on a loop that has sinks: takes in the source's changes (raising their events).
    void CheckForChanges();
    bool HasTableSinks() const;
    void Raise(ULONG tableEvent, HRESULT hr = S_OK);
    void RaiseRow(ULONG tableEvent, std::uint32_t key);
    void PostEvents();
    HRESULT FullLoad();
    void RebuildView();
    bool InView(const Row& row, std::uint32_t key) const;
    bool Less(std::uint32_t a, std::uint32_t b) const;
    bool Less(const Row& ra, std::uint32_t a, const Row& rb, std::uint32_t b) const;
    void InsertIntoView(std::uint32_t key);
    void RemoveFromView(std::uint32_t key);
    std::optional<std::size_t> PositionOf(std::uint32_t key);
    void ViewChanged();
    HRESULT ResolveBookmark(BOOKMARK bk, std::size_t& pos, bool& moved);
    Index& IndexFor(ULONG indexTag);
    void IndexKeys(std::uint32_t key, ULONG indexTag, std::vector<std::uint64_t>& hashes);
    bool IndexMatch(std::uint32_t key, ULONG indexTag, const PropValue& value);
    void IndexAdd(std::uint32_t key);
    void IndexRemove(std::uint32_t key);
    // One row in the current columns, in one block of memory.
    HRESULT MakeRow(const Row& row, std::uint32_t key, SRow& out, bool leaf = true);

    std::atomic<ULONG> m_refs{1};
    std::recursive_mutex m_mutex;
    std::shared_ptr<TableSource> m_source;
    bool m_unicode;
    bool m_loaded = false;
    bool m_selective = false;
    bool m_wantAll = false; // every property (TBL_ALL_COLUMNS was asked for)
    PropIdSet m_wanted;     // what the rows of a selective source carry
    PropIdSet m_findIds;    // properties FindRow restrictions looked at
    std::unordered_map<std::uint32_t, Row> m_rows;
    std::vector<std::uint32_t> m_view;
    std::unordered_map<std::uint32_t, std::uint32_t> m_positions; // valid only while m_positionsValid
    bool m_positionsValid = false;
    std::size_t m_lookupsSinceChange = 0;
    std::size_t m_cursor = 0;
    std::vector<ULONG> m_columns;
    std::unique_ptr<Restriction> m_restriction;
    std::vector<SSortOrder> m_sorts;
    std::map<BOOKMARK, Bookmark> m_bookmarks;
    BOOKMARK m_nextBookmark = 3;
    std::map<ULONG, Index> m_indexes;
    ULONG m_categories = 0;
    ULONG m_expanded = 0;
    std::vector<std::uint32_t> m_display;
    std::unordered_map<std::uint32_t, std::size_t> m_displayPositions;
    std::unordered_map<std::uint32_t, Heading> m_headings;
    std::map<std::string, std::uint32_t> m_headingKeys; // stable while the table lives
    std::map<std::string, bool> m_expandState;          // headings expanded or collapsed by the caller
    std::vector<Sink> m_sinks;
    ULONG m_nextConnection = 1;
    std::map<DWORD, std::uint64_t> m_watches; // thread -> Notifier watch
    std::vector<Event> m_events;
};

} // namespace mapi
