#include "mapi/Folder.h"

#include "mapi/EntryId.h"
#include "mapi/Message.h"
#include "mapi/SearchSource.h"
#include "mapi/Table.h"

#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

namespace mapi {

namespace {

// The rows of the last full read of a folder's contents, with the properties read and the
// journal position they stand at: the next table over the same folder (the engine reads a
// destination folder twice in a row) starts from them and the journal's changes since.
struct ScannedContents {
    std::int64_t folder = 0;
    bool associated = false;
    PropIdSet read;
    std::int64_t seq = 0;
    std::vector<TableRow> rows;
};

// A full read takes this many properties at most: beyond, each table reads only its own.
constexpr std::size_t kReadTogetherUpTo = 12;

// The properties that tables over a folder asked for in this process, so that a full read takes
// them all and the next table finds its own among them.
PropIdSet AskedTogether(const std::filesystem::path& store, std::int64_t folder, bool associated,
                        const PropIdSet& asked)
{
    static std::mutex lock;
    static std::map<std::tuple<std::string, std::int64_t, bool>, PropIdSet> askedOf;
    std::lock_guard guard(lock);
    PropIdSet& all = askedOf[{store.string(), folder, associated}];
    PropIdSet together = all;
    together.Add(asked);
    if (together.size() > kReadTogetherUpTo)
        return asked;
    all = together;
    return together;
}

// Contents rows of one folder, kept in step through the store's change journal. It reads only
// the properties the table wants, and computes the identity properties (entry IDs, record key)
// of a row when they are asked for instead of keeping them in every row.
class ContentsSource : public TableSource {
public:
    ContentsSource(std::shared_ptr<StoreFile> file, std::int64_t folder, bool associated)
        : m_file(std::move(file)), m_folder(folder), m_associated(associated)
    {
    }

    HRESULT LoadAll(std::vector<TableRow>& rows) override
    {
        std::lock_guard lock(m_file->mutex());
        m_version = m_file->Version();
        HRESULT hr = m_file->LastChange(m_seq);
        if (FAILED(hr))
            return hr;
        if (!m_wanted) {
            m_read.reset();
            return Load(nullptr, rows);
        }
        auto& slot = m_file->ScannedContents();
        auto scanned = std::static_pointer_cast<ScannedContents>(slot);
        if (scanned && scanned->folder == m_folder && scanned->associated == m_associated &&
            scanned->read.Covers(*m_wanted) && scanned->seq <= m_seq) {
            bool gap = false;
            hr = FromScanned(*scanned, rows, gap);
            if (FAILED(hr) || !gap) {
                if (SUCCEEDED(hr))
                    m_read = scanned->read;
                return hr;
            }
        }
        m_read = AskedTogether(m_file->path(), m_folder, m_associated, *m_wanted);
        if (FAILED(hr = Load(&*m_read, rows)))
            return hr;
        auto kept = std::make_shared<ScannedContents>();
        kept->folder = m_folder;
        kept->associated = m_associated;
        kept->read = *m_read;
        kept->seq = m_seq;
        kept->rows = rows;
        slot = std::move(kept);
        return S_OK;
    }

    HRESULT Changes(bool& reload, std::vector<TableRow>& changed) override
    {
        reload = false;
        changed.clear();
        const std::uint64_t version = m_file->Version();
        if (version == m_version)
            return S_OK;
        std::lock_guard lock(m_file->mutex());
        const std::uint64_t seen = m_file->Version();
        std::vector<std::int64_t> objs;
        std::int64_t newSeq = 0;
        bool gap = false;
        HRESULT hr = m_file->ChangesSince(m_seq, m_folder, objs, newSeq, gap);
        if (FAILED(hr))
            return hr;
        if (gap) {
            reload = true;
            return S_OK;
        }
        for (std::int64_t id : objs) {
            ObjectInfo info;
            PropMap props;
            if (SUCCEEDED(m_file->GetObject(id, info)) && info.type == MAPI_MESSAGE && info.parent == m_folder &&
                info.associated == m_associated) {
                if (FAILED(hr = m_file->LoadProps(id, props, ReadSet())))
                    return hr;
                changed.push_back(MakeRow(id, std::move(props), ReadSet()));
            } else {
                changed.push_back(TableRow{static_cast<std::uint32_t>(id), static_cast<std::uint64_t>(id), nullptr});
            }
        }
        // Only now that every changed row is read: a failed read is tried again next time.
        m_version = seen;
        m_seq = newSeq;
        return S_OK;
    }

    std::vector<ULONG> DefaultColumns() const override
    {
        return {PR_INSTANCE_KEY, PR_ENTRYID, PR_MESSAGE_CLASS_W, PR_SUBJECT_W, PR_MESSAGE_FLAGS,
                PR_LAST_MODIFICATION_TIME, PR_MESSAGE_SIZE, PR_RECORD_KEY};
    }

    SubObjectRows SubRows(const TableRow& row) override
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

    bool Selective() const override { return true; }
    void Want(const PropIdSet* ids) override
    {
        if (ids) {
            m_wanted = *ids;
            if (m_read)
                m_read->Add(*ids);
        } else {
            m_wanted.reset();
            m_read.reset();
        }
    }
    HRESULT LoadMore(const PropIdSet& ids, std::vector<TableRow>& rows) override
    {
        std::lock_guard lock(m_file->mutex());
        return Load(&ids, rows);
    }
    bool IsComputed(ULONG id) const override { return IsContentsComputed(id); }
    bool Computed(std::uint32_t key, ULONG id, PropValue& out) const override
    {
        return ContentsComputed(*m_file, key, m_folder, id, out);
    }

private:
    // The properties the rows hold: those read together for the folder, or every one.
    const PropIdSet* ReadSet() const { return !m_wanted ? nullptr : m_read ? &*m_read : &*m_wanted; }

    // The rows of the last full read, brought up to date from the journal (gap: it no longer
    // reaches back that far).
    HRESULT FromScanned(const ScannedContents& scanned, std::vector<TableRow>& rows, bool& gap)
    {
        std::vector<std::int64_t> objs;
        std::int64_t newSeq = 0;
        HRESULT hr = m_file->ChangesSince(scanned.seq, m_folder, objs, newSeq, gap);
        if (FAILED(hr) || gap)
            return hr;
        rows = scanned.rows;
        if (objs.empty())
            return S_OK;
        std::unordered_map<std::uint32_t, std::size_t> at;
        for (std::size_t i = 0; i < rows.size(); ++i)
            at[rows[i].key] = i;
        std::vector<bool> gone(rows.size(), false);
        for (std::int64_t id : objs) {
            ObjectInfo info;
            const auto key = static_cast<std::uint32_t>(id);
            const auto it = at.find(key);
            if (SUCCEEDED(m_file->GetObject(id, info)) && info.type == MAPI_MESSAGE && info.parent == m_folder &&
                info.associated == m_associated) {
                PropMap props;
                if (FAILED(hr = m_file->LoadProps(id, props, &scanned.read)))
                    return hr;
                TableRow row = MakeRow(id, std::move(props), &scanned.read);
                if (it != at.end()) {
                    rows[it->second] = std::move(row);
                } else {
                    at[key] = rows.size();
                    rows.push_back(std::move(row));
                    gone.push_back(false);
                }
            } else if (it != at.end()) {
                gone[it->second] = true;
            }
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (!gone[i])
                rows[kept++] = std::move(rows[i]);
        rows.resize(kept);
        return S_OK;
    }

    HRESULT Load(const PropIdSet* ids, std::vector<TableRow>& rows)
    {
        std::vector<std::pair<ObjectInfo, PropMap>> children;
        HRESULT hr = m_file->LoadChildren(m_folder, MAPI_MESSAGE, m_associated, children, ids);
        if (FAILED(hr))
            return hr;
        rows.clear();
        rows.reserve(children.size());
        for (auto& [info, props] : children)
            rows.push_back(MakeRow(info.id, std::move(props), ids));
        return S_OK;
    }

    // The computed properties a row carries: every one when every property is wanted, else
    // those a restriction or sort order looks at.
    TableRow MakeRow(std::int64_t id, PropMap props, const PropIdSet* ids)
    {
        if (!ids) {
            AddMessageComputed(*m_file, id, m_folder, props);
        } else {
            for (ULONG want : *ids) {
                PropValue v;
                if (ContentsComputed(*m_file, static_cast<std::uint32_t>(id), m_folder, want, v))
                    props.Set(std::move(v));
            }
        }
        return TableRow{static_cast<std::uint32_t>(id), static_cast<std::uint64_t>(id),
                        std::make_shared<const PropMap>(std::move(props))};
    }

    std::shared_ptr<StoreFile> m_file;
    std::int64_t m_folder;
    bool m_associated;
    std::uint64_t m_version = 0;
    std::int64_t m_seq = 0;
    std::optional<PropIdSet> m_wanted; // none: every property
    std::optional<PropIdSet> m_read;   // what a full read took (with m_wanted)
};

// The folders below one folder: its children, or with CONVENIENT_DEPTH all descendants in
// pre-order with PR_DEPTH (1 for children).
class HierarchySource : public TableSource {
public:
    HierarchySource(std::shared_ptr<StoreFile> file, std::int64_t folder, bool deep)
        : m_file(std::move(file)), m_folder(folder), m_deep(deep)
    {
    }
    HRESULT LoadAll(std::vector<TableRow>& rows) override
    {
        std::lock_guard lock(m_file->mutex());
        m_version = m_file->Version();
        rows.clear();
        return Walk(m_folder, 1, rows);
    }
    HRESULT Changes(bool& reload, std::vector<TableRow>& changed) override
    {
        changed.clear();
        reload = m_file->Version() != m_version;
        return S_OK;
    }
    std::vector<ULONG> DefaultColumns() const override
    {
        return {PR_INSTANCE_KEY, PR_ENTRYID, PR_DISPLAY_NAME_W, PR_DEPTH, PR_SUBFOLDERS, PR_FOLDER_TYPE,
                PR_CONTAINER_CLASS_W, PR_CONTENT_COUNT, PR_RECORD_KEY};
    }

private:
    HRESULT Walk(std::int64_t parent, int depth, std::vector<TableRow>& rows)
    {
        std::vector<std::pair<ObjectInfo, PropMap>> children;
        HRESULT hr = m_file->LoadChildren(parent, MAPI_FOLDER, std::nullopt, children);
        if (FAILED(hr))
            return hr;
        for (auto& [info, props] : children) {
            if (FAILED(hr = AddFolderComputed(*m_file, info, props)))
                return hr;
            props.Set(PropValue::Long(PR_DEPTH, depth));
            rows.push_back(TableRow{static_cast<std::uint32_t>(info.id), rows.size(),
                                    std::make_shared<const PropMap>(std::move(props))});
            if (m_deep && FAILED(hr = Walk(info.id, depth + 1, rows)))
                return hr;
        }
        return S_OK;
    }

    std::shared_ptr<StoreFile> m_file;
    std::int64_t m_folder;
    bool m_deep;
    std::uint64_t m_version = 0;
};

bool IsFolderComputed(ULONG id)
{
    switch (id) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_RECORD_KEY):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_STORE_RECORD_KEY):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_MAPPING_SIGNATURE):
    case PROP_ID(PR_PARENT_ENTRYID):
    case PROP_ID(PR_CONTENT_COUNT):
    case PROP_ID(PR_ASSOC_CONTENT_COUNT):
    case PROP_ID(PR_SUBFOLDERS):
    case PROP_ID(PR_FOLDER_TYPE):
    case PROP_ID(PR_ACCESS):
    case PROP_ID(PR_ACCESS_LEVEL):
    case PROP_ID(PR_INSTANCE_KEY):
    case PROP_ID(PR_DEPTH):
        return true;
    default:
        return false;
    }
}

HRESULT FindByName(StoreFile& file, std::int64_t parent, const std::u16string& name, std::int64_t& found)
{
    std::vector<std::pair<ObjectInfo, PropMap>> children;
    HRESULT hr = file.LoadChildren(parent, MAPI_FOLDER, std::nullopt, children);
    if (FAILED(hr))
        return hr;
    const std::u16string folded = FoldCase(name);
    for (auto& [info, props] : children) {
        const PropValue* n = props.Find(PROP_ID(PR_DISPLAY_NAME_W));
        if (n && n->type() == PT_UNICODE && FoldCase(n->str()) == folded) {
            found = info.id;
            return S_OK;
        }
    }
    return MAPI_E_NOT_FOUND;
}

} // namespace

HRESULT AddFolderComputed(StoreFile& file, const ObjectInfo& info, PropMap& props, bool withCounts)
{
    AddIdentityProps(file, MAPI_FOLDER, info.id, props);
    const std::int64_t parent = info.id == kRootFolderId ? kRootFolderId : info.parent;
    props.Set(PropValue::Binary(PR_PARENT_ENTRYID, file.EntryIdOf(MAPI_FOLDER, parent)));
    if (!withCounts)
        return S_OK;
    ULONG normal = 0, assoc = 0, folders = 0;
    HRESULT hr = file.CountChildren(info.id, MAPI_MESSAGE, false, normal);
    if (SUCCEEDED(hr))
        hr = file.CountChildren(info.id, MAPI_MESSAGE, true, assoc);
    if (SUCCEEDED(hr))
        hr = file.CountChildren(info.id, MAPI_FOLDER, std::nullopt, folders);
    if (FAILED(hr))
        return hr;
    props.Set(PropValue::Long(PR_CONTENT_COUNT, normal));
    props.Set(PropValue::Long(PR_ASSOC_CONTENT_COUNT, assoc));
    props.Set(PropValue::Long(PR_SUBFOLDERS, folders ? 1 : 0));
    return S_OK;
}

HRESULT CopyStoredMessage(StoreFile& from, std::int64_t id, StoreFile& to, std::int64_t folder, std::int64_t& newId)
{
    ObjectInfo info;
    PropMap props;
    std::vector<std::pair<ObjectInfo, PropMap>> attachments, recipients;
    HRESULT hr = from.GetObject(id, info);
    if (SUCCEEDED(hr))
        hr = from.LoadProps(id, props);
    if (SUCCEEDED(hr))
        hr = from.LoadChildren(id, MAPI_ATTACH, std::nullopt, attachments);
    if (SUCCEEDED(hr))
        hr = from.LoadChildren(id, MAPI_MAILUSER, std::nullopt, recipients);
    if (FAILED(hr))
        return hr;
    auto subs = [](std::vector<std::pair<ObjectInfo, PropMap>>& list) {
        std::vector<SubObject> out;
        for (auto& [i, p] : list)
            out.push_back(SubObject{i.num, std::move(p)});
        return out;
    };
    if (FAILED(hr = to.InsertObject(MAPI_MESSAGE, folder, info.associated, 0, newId)) ||
        FAILED(hr = to.ReplaceProps(newId, props, true)) ||
        FAILED(hr = to.ReplaceSubObjects(newId, MAPI_ATTACH, subs(attachments), true)) ||
        FAILED(hr = to.ReplaceSubObjects(newId, MAPI_MAILUSER, subs(recipients), true)))
        return hr;
    return to.Journal(newId, folder, MAPI_MESSAGE);
}

HRESULT Folder::Open(MsgStore* store, std::int64_t id, bool writable, IMAPIFolder** out)
{
    auto* f = new (std::nothrow) Folder(store, id, writable);
    if (!f)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = f;
    return S_OK;
}

bool Folder::Supports(REFIID riid) const
{
    return IsEqualIID(riid, IID_IMAPIFolder) || IsEqualIID(riid, IID_IMAPIContainer);
}

bool Folder::IsComputed(ULONG id) const { return IsFolderComputed(id); }

HRESULT Folder::CurrentProps(PropMap& out)
{
    StoreFile& file = *m_store->file();
    StoreFile::ReadTransaction reading(file);
    ObjectInfo info;
    HRESULT hr = file.GetObject(m_id, info);
    if (FAILED(hr))
        return hr == MAPI_E_NOT_FOUND ? MAPI_E_OBJECT_DELETED : hr;
    // A caller that reads, say, the record key once per message must not pay for reading every
    // property, nor for counting a large folder's children, each time: the stored properties are
    // read only when asked for, and the counts only when asked for.
    PropIdSet asked;
    if (!RequestedIds(asked)) {
        hr = file.LoadProps(m_id, out);
    } else {
        // The folder type is kept in the file, though no caller may write it.
        PropIdSet stored;
        for (const ULONG id : asked)
            if (!IsFolderComputed(id) || id == PROP_ID(PR_FOLDER_TYPE))
                stored.Add(id);
        if (!stored.empty())
            hr = file.LoadProps(m_id, out, &stored);
    }
    if (FAILED(hr))
        return hr;
    const bool withCounts = Requested(PROP_ID(PR_CONTENT_COUNT)) || Requested(PROP_ID(PR_ASSOC_CONTENT_COUNT)) ||
                            Requested(PROP_ID(PR_SUBFOLDERS));
    if (FAILED(hr = AddFolderComputed(file, info, out, withCounts)))
        return hr;
    out.Set(PropValue::Long(PR_ACCESS, m_writable ? (MAPI_ACCESS_MODIFY | MAPI_ACCESS_READ | MAPI_ACCESS_DELETE |
                                                     MAPI_ACCESS_CREATE_HIERARCHY | MAPI_ACCESS_CREATE_CONTENTS |
                                                     MAPI_ACCESS_CREATE_ASSOCIATED)
                                                  : MAPI_ACCESS_READ));
    out.Set(PropValue::Long(PR_ACCESS_LEVEL, m_writable ? MAPI_MODIFY : 0));
    return S_OK;
}

namespace {

// A change of a folder's own properties: one transaction, journalled, refused once the folder
// is gone (folder properties are kept without a save).
HRESULT ChangeFolderProps(StoreFile& file, std::int64_t id, const std::function<HRESULT(StoreFile&)>& change)
{
    StoreFile::Transaction tx(file);
    HRESULT hr = tx.Begin();
    ObjectInfo info;
    if (SUCCEEDED(hr) && FAILED(file.GetObject(id, info)))
        hr = MAPI_E_OBJECT_DELETED;
    if (SUCCEEDED(hr))
        hr = change(file);
    if (SUCCEEDED(hr))
        hr = file.Journal(id, info.parent, MAPI_FOLDER);
    return SUCCEEDED(hr) ? tx.Commit() : hr;
}

} // namespace

HRESULT Folder::WriteProps(const std::vector<PropValue>& values)
{
    return ChangeFolderProps(*m_store->file(), m_id, [&](StoreFile& file) { return file.SetProps(m_id, values); });
}

HRESULT Folder::RemoveProps(const std::vector<ULONG>& ids)
{
    return ChangeFolderProps(*m_store->file(), m_id, [&](StoreFile& file) { return file.DeleteProps(m_id, ids); });
}

HRESULT Folder::SaveChanges(ULONG) { return S_OK; } // folder properties are saved as they are set

HRESULT Folder::OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulFlags, ULONG, LPUNKNOWN* lppUnk)
{
    if (!lppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    if (!lpiid || !IsEqualIID(*lpiid, IID_IMAPITable))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    switch (ulPropTag) {
    case PR_CONTAINER_CONTENTS:
        return GetContentsTable(ulFlags, reinterpret_cast<LPMAPITABLE*>(lppUnk));
    case PR_FOLDER_ASSOCIATED_CONTENTS:
        return GetContentsTable(ulFlags | MAPI_ASSOCIATED, reinterpret_cast<LPMAPITABLE*>(lppUnk));
    case PR_CONTAINER_HIERARCHY:
        return GetHierarchyTable(ulFlags, reinterpret_cast<LPMAPITABLE*>(lppUnk));
    default:
        return MAPI_E_NO_SUPPORT;
    }
}

HRESULT Folder::CopyTo(ULONG, LPCIID, LPSPropTagArray lpExcludeProps, ULONG_PTR, LPMAPIPROGRESS, LPCIID lpInterface,
                       LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems)
{
    if (!lpDestObj)
        return MAPI_E_INVALID_PARAMETER;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMAPIFolder) && !IsEqualIID(*lpInterface, IID_IMAPIProp))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    // Properties only; the contents of folders are copied with CopyMessages.
    return CopyPropsInto(static_cast<IMAPIProp*>(lpDestObj), lpExcludeProps, nullptr, ulFlags, lppProblems);
}

HRESULT Folder::GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    *lppTable = nullptr;
    ObjectInfo info;
    if (FAILED(m_store->file()->GetObject(m_id, info)))
        return MAPI_E_OBJECT_DELETED;
    if (!(ulFlags & MAPI_ASSOCIATED) && IsSearchFolder())
        return Table::Create(std::make_shared<SearchSource>(m_store->file(), m_id), (ulFlags & MAPI_UNICODE) != 0,
                             lppTable);
    return Table::Create(std::make_shared<ContentsSource>(m_store->file(), m_id, (ulFlags & MAPI_ASSOCIATED) != 0),
                         (ulFlags & MAPI_UNICODE) != 0, lppTable);
}

HRESULT Folder::GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    *lppTable = nullptr;
    ObjectInfo info;
    if (FAILED(m_store->file()->GetObject(m_id, info)))
        return MAPI_E_OBJECT_DELETED;
    return Table::Create(std::make_shared<HierarchySource>(m_store->file(), m_id, (ulFlags & CONVENIENT_DEPTH) != 0),
                         (ulFlags & MAPI_UNICODE) != 0, lppTable);
}

HRESULT Folder::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                          ULONG* lpulObjType, LPUNKNOWN* lppUnk)
{
    if (cbEntryID == 0) {
        if (!lppUnk)
            return MAPI_E_INVALID_PARAMETER;
        return m_store->OpenObject(MAPI_FOLDER, m_id, lpInterface, ulFlags, lpulObjType, lppUnk);
    }
    return m_store->OpenEntry(cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType, lppUnk);
}

bool Folder::IsSearchFolder()
{
    std::lock_guard lock(m_lock);
    if (m_search)
        return *m_search;
    PropIdSet only;
    only.Add(PROP_ID(PR_FOLDER_TYPE));
    PropMap props;
    if (FAILED(m_store->file()->LoadProps(m_id, props, &only)))
        return false; // not kept: the next call asks again
    const PropValue* type = props.Find(PROP_ID(PR_FOLDER_TYPE));
    m_search = type && type->type() == PT_LONG && type->num() == FOLDER_SEARCH;
    return *m_search;
}

HRESULT Folder::SetSearchCriteria(LPSRestriction lpRestriction, LPENTRYLIST lpContainerList, ULONG ulSearchFlags)
{
    const ULONG known = STOP_SEARCH | RESTART_SEARCH | RECURSIVE_SEARCH | SHALLOW_SEARCH | FOREGROUND_SEARCH |
                        BACKGROUND_SEARCH;
    auto both = [&](ULONG a, ULONG b) { return (ulSearchFlags & a) && (ulSearchFlags & b); };
    if ((ulSearchFlags & ~known) || both(STOP_SEARCH, RESTART_SEARCH) || both(RECURSIVE_SEARCH, SHALLOW_SEARCH) ||
        both(FOREGROUND_SEARCH, BACKGROUND_SEARCH))
        return MAPI_E_INVALID_PARAMETER;
    if (lpContainerList && lpContainerList->cValues && !lpContainerList->lpbin)
        return MAPI_E_INVALID_PARAMETER;
    if (!IsSearchFolder())
        return MAPI_E_NO_SUPPORT;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    StoreFile& file = *m_store->file();

    SearchCriteria criteria;
    Bytes data;
    HRESULT hr = file.LoadSearchCriteria(m_id, data);
    if (SUCCEEDED(hr)) {
        if (!SearchCriteria::Decode(data, criteria))
            return MAPI_E_CORRUPT_DATA;
    } else if (hr != MAPI_E_NOT_INITIALIZED) {
        return hr;
    } else if (!lpRestriction || !lpContainerList) {
        return MAPI_E_INVALID_PARAMETER; // a first search needs both
    }
    // A null restriction or list keeps the one the folder has.
    if (lpRestriction && FAILED(hr = SearchCriteria::EncodeRestriction(*lpRestriction, criteria.restriction)))
        return hr;
    if (lpContainerList) {
        std::vector<Bytes> containers;
        for (ULONG i = 0; i < lpContainerList->cValues; ++i) {
            const SBinary& b = lpContainerList->lpbin[i];
            ParsedEntryId p;
            if (!b.lpb || !ParseEntryId(b.lpb, b.cb, p) || p.isStore || p.type != MAPI_FOLDER ||
                std::memcmp(&p.store, &file.guid(), sizeof(GUID)) != 0)
                return MAPI_E_INVALID_ENTRYID; // only folders of this store can be searched
            ObjectInfo info;
            if (FAILED(file.GetObject(p.id, info)) || info.type != MAPI_FOLDER)
                return MAPI_E_NOT_FOUND;
            containers.emplace_back(reinterpret_cast<const char*>(b.lpb), b.cb);
        }
        criteria.containers = std::move(containers);
    }
    if (ulSearchFlags & RECURSIVE_SEARCH)
        criteria.recursive = true;
    else if (ulSearchFlags & SHALLOW_SEARCH)
        criteria.recursive = false;
    if (ulSearchFlags & FOREGROUND_SEARCH)
        criteria.foreground = true;
    else if (ulSearchFlags & BACKGROUND_SEARCH)
        criteria.foreground = false;
    if (ulSearchFlags & RESTART_SEARCH) {
        criteria.stopped = false;
        criteria.frozen.clear();
    } else if (ulSearchFlags & STOP_SEARCH) {
        // A stopped search keeps what it found, under the criteria just given.
        criteria.stopped = false;
        std::vector<std::pair<ObjectInfo, PropMap>> found;
        if (FAILED(hr = criteria.Evaluate(file, found)))
            return hr;
        criteria.stopped = true;
        criteria.frozen.clear();
        for (const auto& f : found)
            criteria.frozen.push_back(f.first.id);
    }

    StoreFile::Transaction tx(file);
    if (FAILED(hr = tx.Begin()) || FAILED(hr = file.SaveSearchCriteria(m_id, criteria.Encode())))
        return hr;
    return tx.Commit();
}

HRESULT Folder::GetSearchCriteria(ULONG ulFlags, LPSRestriction* lppRestriction, LPENTRYLIST* lppContainerList,
                                  ULONG* lpulSearchState)
{
    if (lppRestriction)
        *lppRestriction = nullptr;
    if (lppContainerList)
        *lppContainerList = nullptr;
    if (ulFlags & ~MAPI_UNICODE)
        return MAPI_E_UNKNOWN_FLAGS;
    if (!IsSearchFolder())
        return MAPI_E_NO_SUPPORT;
    Bytes data;
    HRESULT hr = m_store->file()->LoadSearchCriteria(m_id, data);
    if (FAILED(hr))
        return hr;
    SearchCriteria criteria;
    if (!SearchCriteria::Decode(data, criteria))
        return MAPI_E_CORRUPT_DATA;

    void* res = nullptr;
    void* list = nullptr;
    if (lppRestriction) {
        if (FAILED(hr = MAPIAllocateBuffer(sizeof(SRestriction), &res)))
            return hr;
        hr = SearchCriteria::DecodeRestriction(criteria.restriction, res, (ulFlags & MAPI_UNICODE) != 0,
                                               *static_cast<LPSRestriction>(res));
    }
    if (SUCCEEDED(hr) && lppContainerList) {
        if (SUCCEEDED(hr = MAPIAllocateBuffer(sizeof(ENTRYLIST), &list))) {
            auto* l = static_cast<LPENTRYLIST>(list);
            l->cValues = static_cast<ULONG>(criteria.containers.size());
            l->lpbin = nullptr;
            hr = MAPIAllocateMore(static_cast<ULONG>(sizeof(SBinary) * (l->cValues ? l->cValues : 1)), list,
                                  reinterpret_cast<void**>(&l->lpbin));
            for (ULONG i = 0; i < l->cValues && SUCCEEDED(hr); ++i) {
                const Bytes& eid = criteria.containers[i];
                l->lpbin[i].cb = static_cast<ULONG>(eid.size());
                if (SUCCEEDED(hr = MAPIAllocateMore(static_cast<ULONG>(eid.size() ? eid.size() : 1), list,
                                                    reinterpret_cast<void**>(&l->lpbin[i].lpb))))
                    std::memcpy(l->lpbin[i].lpb, eid.data(), eid.size());
            }
        }
    }
    if (FAILED(hr)) {
        MAPIFreeBuffer(res);
        MAPIFreeBuffer(list);
        return hr;
    }
    if (lppRestriction)
        *lppRestriction = static_cast<LPSRestriction>(res);
    if (lppContainerList)
        *lppContainerList = static_cast<LPENTRYLIST>(list);
    if (lpulSearchState)
        *lpulSearchState = criteria.State();
    return S_OK;
}

HRESULT Folder::CreateMessage(LPCIID lpInterface, ULONG ulFlags, IMessage** lppMessage)
{
    if (!lppMessage)
        return MAPI_E_INVALID_PARAMETER;
    *lppMessage = nullptr;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMessage) && !IsEqualIID(*lpInterface, IID_IMAPIProp) &&
        !IsEqualIID(*lpInterface, IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    if (!(ulFlags & MAPI_ASSOCIATED) && IsSearchFolder())
        return MAPI_E_NO_SUPPORT; // a search folder only shows messages of other folders
    ObjectInfo info;
    if (FAILED(m_store->file()->GetObject(m_id, info)))
        return MAPI_E_OBJECT_DELETED;
    return Message::CreateNew(m_store.get(), m_id, (ulFlags & MAPI_ASSOCIATED) != 0, lppMessage);
}

HRESULT Folder::MessageInThisFolder(const SBinary& eid, std::int64_t& id)
{
    ParsedEntryId parsed;
    if (!ParseEntryId(eid.lpb, eid.cb, parsed) || parsed.type != MAPI_MESSAGE ||
        !IsEqualGUID(parsed.store, m_store->file()->guid()))
        return MAPI_E_INVALID_ENTRYID;
    ObjectInfo info;
    HRESULT hr = m_store->file()->GetObject(parsed.id, info);
    if (FAILED(hr))
        return hr;
    if (info.type != MAPI_MESSAGE || info.parent != m_id)
        return MAPI_E_NOT_FOUND;
    id = parsed.id;
    return S_OK;
}

HRESULT Folder::CopyMessages(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder, ULONG_PTR,
                             LPMAPIPROGRESS, ULONG ulFlags)
{
    if (!lpMsgList || !lpDestFolder)
        return MAPI_E_INVALID_PARAMETER;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMAPIFolder))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    auto* dest = dynamic_cast<Folder*>(static_cast<IMAPIFolder*>(lpDestFolder));
    if (!dest)
        return MAPI_E_NO_SUPPORT; // folders of other providers
    const bool move = (ulFlags & MESSAGE_MOVE) != 0;
    if (!dest->m_writable || (move && !m_writable))
        return MAPI_E_NO_ACCESS;
    StoreFile& from = *m_store->file();
    StoreFile& to = *dest->m_store->file();
    const bool sameStore = &from == &to;
    // Both files stay locked for the whole copy; the source commits only after the target.
    StoreFile::Transaction txTo(to);
    HRESULT hr = txTo.Begin();
    if (FAILED(hr))
        return hr;
    std::optional<StoreFile::Transaction> txFrom;
    if (!sameStore && move) {
        txFrom.emplace(from);
        if (FAILED(hr = txFrom->Begin()))
            return hr;
    }
    ObjectInfo destInfo;
    if (FAILED(to.GetObject(dest->m_id, destInfo)))
        return MAPI_E_OBJECT_DELETED;
    bool partial = false;
    for (ULONG i = 0; i < lpMsgList->cValues; ++i) {
        std::int64_t id = 0;
        hr = MessageInThisFolder(lpMsgList->lpbin[i], id);
        if (hr == MAPI_E_NOT_FOUND || hr == MAPI_E_INVALID_ENTRYID) {
            partial = true;
            continue;
        }
        if (FAILED(hr))
            return hr;
        if (move && sameStore) {
            if (FAILED(hr = to.MoveObject(id, dest->m_id)) || FAILED(hr = to.Journal(id, m_id, MAPI_MESSAGE)) ||
                FAILED(hr = to.Journal(id, dest->m_id, MAPI_MESSAGE)))
                return hr;
            continue;
        }
        std::int64_t newId = 0;
        if (FAILED(hr = CopyStoredMessage(from, id, to, dest->m_id, newId)))
            return hr;
        if (move && (FAILED(hr = from.DeleteObjectTree(id)) || FAILED(hr = from.Journal(id, m_id, MAPI_MESSAGE))))
            return hr;
    }
    if (FAILED(hr = txTo.Commit()))
        return hr;
    if (txFrom && FAILED(hr = txFrom->Commit()))
        return hr;
    return partial ? MAPI_W_PARTIAL_COMPLETION : S_OK;
}

HRESULT Folder::DeleteMessages(LPENTRYLIST lpMsgList, ULONG_PTR, LPMAPIPROGRESS, ULONG)
{
    if (!lpMsgList)
        return MAPI_E_INVALID_PARAMETER;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    StoreFile& file = *m_store->file();
    StoreFile::Transaction tx(file);
    HRESULT hr = tx.Begin();
    if (FAILED(hr))
        return hr;
    bool partial = false;
    for (ULONG i = 0; i < lpMsgList->cValues; ++i) {
        std::int64_t id = 0;
        hr = MessageInThisFolder(lpMsgList->lpbin[i], id);
        if (hr == MAPI_E_NOT_FOUND || hr == MAPI_E_INVALID_ENTRYID) {
            partial = true;
            continue;
        }
        if (FAILED(hr) || FAILED(hr = file.DeleteObjectTree(id)) || FAILED(hr = file.Journal(id, m_id, MAPI_MESSAGE)))
            return hr;
    }
    if (FAILED(hr = tx.Commit()))
        return hr;
    return partial ? MAPI_W_PARTIAL_COMPLETION : S_OK;
}

HRESULT Folder::CreateFolder(ULONG ulFolderType, LPTSTR lpszFolderName, LPTSTR lpszFolderComment,
                             LPCIID lpInterface, ULONG ulFlags, IMAPIFolder** lppFolder)
{
    if (!lppFolder || !lpszFolderName)
        return MAPI_E_INVALID_PARAMETER;
    *lppFolder = nullptr;
    if (ulFolderType != FOLDER_GENERIC && ulFolderType != FOLDER_SEARCH)
        return MAPI_E_INVALID_PARAMETER;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMAPIFolder) && !IsEqualIID(*lpInterface, IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    const std::u16string name = TextArg(lpszFolderName, ulFlags);
    if (name.empty())
        return MAPI_E_INVALID_PARAMETER;
    StoreFile& file = *m_store->file();
    StoreFile::Transaction tx(file);
    HRESULT hr = tx.Begin();
    if (FAILED(hr))
        return hr;
    ObjectInfo self;
    if (FAILED(file.GetObject(m_id, self)))
        return MAPI_E_OBJECT_DELETED;
    std::int64_t existing = 0;
    hr = FindByName(file, m_id, name, existing);
    if (SUCCEEDED(hr)) {
        if (!(ulFlags & OPEN_IF_EXISTS))
            return MAPI_E_COLLISION;
        return Folder::Open(m_store.get(), existing, m_store->ObjectWritable(MAPI_FOLDER, existing, m_id), lppFolder);
    }
    if (hr != MAPI_E_NOT_FOUND)
        return hr;
    std::int64_t id = 0;
    const std::int64_t now = CurrentFileTime();
    std::vector<PropValue> props = {PropValue::Text(PR_DISPLAY_NAME_W, name),
                                    PropValue::Long(PR_FOLDER_TYPE, ulFolderType),
                                    PropValue::Long(PR_CREATION_TIME, now),
                                    PropValue::Long(PR_LAST_MODIFICATION_TIME, now)};
    if (lpszFolderComment)
        props.push_back(PropValue::Text(PR_COMMENT_W, TextArg(lpszFolderComment, ulFlags)));
    if (FAILED(hr = file.InsertObject(MAPI_FOLDER, m_id, false, 0, id)) || FAILED(hr = file.SetProps(id, props)) ||
        FAILED(hr = file.Journal(id, m_id, MAPI_FOLDER)) || FAILED(hr = tx.Commit()))
        return hr;
    return Folder::Open(m_store.get(), id, true, lppFolder);
}

HRESULT Folder::CopyFolder(ULONG, LPENTRYID, LPCIID, LPVOID, LPTSTR, ULONG_PTR, LPMAPIPROGRESS, ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

HRESULT Folder::ChildFolder(ULONG cb, LPENTRYID eid, ObjectInfo& info)
{
    ParsedEntryId parsed;
    if (!eid || !ParseEntryId(eid, cb, parsed) || parsed.type != MAPI_FOLDER ||
        !IsEqualGUID(parsed.store, m_store->file()->guid()))
        return MAPI_E_INVALID_ENTRYID;
    HRESULT hr = m_store->file()->GetObject(parsed.id, info);
    if (FAILED(hr))
        return hr;
    return info.type == MAPI_FOLDER && info.parent == m_id ? S_OK : MAPI_E_NOT_FOUND;
}

HRESULT Folder::DeleteFolder(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG_PTR, LPMAPIPROGRESS, ULONG ulFlags)
{
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    StoreFile& file = *m_store->file();
    StoreFile::Transaction tx(file);
    HRESULT hr = tx.Begin();
    if (FAILED(hr))
        return hr;
    ObjectInfo info;
    if (FAILED(hr = ChildFolder(cbEntryID, lpEntryID, info)))
        return hr;
    ULONG messages = 0, folders = 0;
    if (FAILED(hr = file.CountChildren(info.id, MAPI_MESSAGE, std::nullopt, messages)) ||
        FAILED(hr = file.CountChildren(info.id, MAPI_FOLDER, std::nullopt, folders)))
        return hr;
    if (messages && !(ulFlags & DEL_MESSAGES))
        return MAPI_E_HAS_MESSAGES;
    if (folders && !(ulFlags & DEL_FOLDERS))
        return MAPI_E_HAS_FOLDERS;
    if (FAILED(hr = file.DeleteObjectTree(info.id)) || FAILED(hr = file.Journal(info.id, m_id, MAPI_FOLDER)))
        return hr;
    return tx.Commit();
}

HRESULT Folder::SetReadFlags(LPENTRYLIST lpMsgList, ULONG_PTR, LPMAPIPROGRESS, ULONG ulFlags)
{
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    StoreFile& file = *m_store->file();
    StoreFile::Transaction tx(file);
    HRESULT hr = tx.Begin();
    if (FAILED(hr))
        return hr;
    std::vector<std::int64_t> ids;
    if (lpMsgList) {
        for (ULONG i = 0; i < lpMsgList->cValues; ++i) {
            std::int64_t id = 0;
            if (SUCCEEDED(MessageInThisFolder(lpMsgList->lpbin[i], id)))
                ids.push_back(id);
        }
    } else {
        std::vector<ObjectInfo> children;
        if (FAILED(hr = file.Children(m_id, MAPI_MESSAGE, false, children)))
            return hr;
        for (const auto& c : children)
            ids.push_back(c.id);
    }
    for (std::int64_t id : ids) {
        PropMap props;
        if (FAILED(hr = file.LoadProps(id, props)))
            return hr;
        const PropValue* f = props.Find(PROP_ID(PR_MESSAGE_FLAGS));
        std::int64_t flags = f ? f->num() : 0;
        flags = (ulFlags & CLEAR_READ_FLAG) ? (flags & ~std::int64_t(MSGFLAG_READ)) : (flags | MSGFLAG_READ);
        if (FAILED(hr = file.SetProps(id, {PropValue::Long(PR_MESSAGE_FLAGS, flags)})) ||
            FAILED(hr = file.Journal(id, m_id, MAPI_MESSAGE)))
            return hr;
    }
    return tx.Commit();
}

HRESULT Folder::GetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG, ULONG* lpulMessageStatus)
{
    if (!lpulMessageStatus || !lpEntryID)
        return MAPI_E_INVALID_PARAMETER;
    std::int64_t id = 0;
    HRESULT hr = MessageInThisFolder(SBinary{cbEntryID, reinterpret_cast<LPBYTE>(lpEntryID)}, id);
    if (FAILED(hr))
        return hr;
    PropMap props;
    if (FAILED(hr = m_store->file()->LoadProps(id, props)))
        return hr;
    const PropValue* s = props.Find(PROP_ID(PR_MSG_STATUS));
    *lpulMessageStatus = s ? static_cast<ULONG>(s->num()) : 0;
    return S_OK;
}

HRESULT Folder::SetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulNewStatus, ULONG ulNewStatusMask,
                                 ULONG* lpulOldStatus)
{
    if (!lpEntryID)
        return MAPI_E_INVALID_PARAMETER;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    StoreFile& file = *m_store->file();
    StoreFile::Transaction tx(file);
    HRESULT hr = tx.Begin();
    std::int64_t id = 0;
    if (SUCCEEDED(hr))
        hr = MessageInThisFolder(SBinary{cbEntryID, reinterpret_cast<LPBYTE>(lpEntryID)}, id);
    PropMap props;
    if (SUCCEEDED(hr))
        hr = file.LoadProps(id, props);
    if (FAILED(hr))
        return hr;
    const PropValue* s = props.Find(PROP_ID(PR_MSG_STATUS));
    const ULONG old = s ? static_cast<ULONG>(s->num()) : 0;
    const ULONG status = (old & ~ulNewStatusMask) | (ulNewStatus & ulNewStatusMask);
    if (FAILED(hr = file.SetProps(id, {PropValue::Long(PR_MSG_STATUS, status)})) ||
        FAILED(hr = file.Journal(id, m_id, MAPI_MESSAGE)) || FAILED(hr = tx.Commit()))
        return hr;
    if (lpulOldStatus)
        *lpulOldStatus = old;
    return S_OK;
}

HRESULT Folder::SaveContentsSort(LPSSortOrderSet, ULONG) { return MAPI_E_NO_SUPPORT; }

HRESULT Folder::EmptyFolder(ULONG_PTR, LPMAPIPROGRESS, ULONG ulFlags)
{
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    StoreFile& file = *m_store->file();
    StoreFile::Transaction tx(file);
    HRESULT hr = tx.Begin();
    if (FAILED(hr))
        return hr;
    std::vector<ObjectInfo> children;
    std::optional<bool> which = (ulFlags & DEL_ASSOCIATED) ? std::nullopt : std::optional<bool>(false);
    if (FAILED(hr = file.Children(m_id, MAPI_MESSAGE, which, children)))
        return hr;
    for (const auto& c : children)
        if (FAILED(hr = file.DeleteObjectTree(c.id)) || FAILED(hr = file.Journal(c.id, m_id, MAPI_MESSAGE)))
            return hr;
    if (FAILED(hr = file.Children(m_id, MAPI_FOLDER, std::nullopt, children)))
        return hr;
    for (const auto& c : children)
        if (FAILED(hr = file.DeleteObjectTree(c.id)) || FAILED(hr = file.Journal(c.id, m_id, MAPI_FOLDER)))
            return hr;
    return tx.Commit();
}

} // namespace mapi
