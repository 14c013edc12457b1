#include "mapi/Message.h"

#include "base/Utf.h"
#include "mapi/Attach.h"
#include "mapi/EntryId.h"
#include "mapi/MailSpool.h"
#include "mapi/MapiErrorInfo.h"
#include "mapi/Table.h"

#include <cstring>
#include <random>

namespace mapi {

namespace {

Bytes RandomKey()
{
    static std::mutex m;
    static std::mt19937_64 gen(std::random_device{}());
    std::lock_guard lock(m);
    Bytes b(16, '\0');
    for (int i = 0; i < 16; i += 8) {
        std::uint64_t v = gen();
        for (int j = 0; j < 8; ++j)
            b[static_cast<std::size_t>(i + j)] = static_cast<char>((v >> (8 * j)) & 0xFF);
    }
    return b;
}

// The rows of a message's attachment or recipient table.
class SubObjectSource : public TableSource {
public:
    SubObjectSource(std::shared_ptr<MessageState> state, bool attachments)
        : m_state(std::move(state)), m_attachments(attachments)
    {
    }
    HRESULT LoadAll(std::vector<TableRow>& rows) override
    {
        std::lock_guard lock(m_state->mutex);
        m_version = m_state->version;
        rows.clear();
        const auto& subs = m_attachments ? m_state->attachments : m_state->recipients;
        for (const auto& s : subs) {
            auto props = std::make_shared<PropMap>(s.props);
            if (m_attachments) {
                props->Set(PropValue::Long(PR_ATTACH_NUM, s.num));
                ULONG size = 0;
                for (const auto& v : s.props)
                    size += v.Size();
                props->Set(PropValue::Long(PR_ATTACH_SIZE, size));
                props->Set(PropValue::Long(PR_OBJECT_TYPE, MAPI_ATTACH));
            } else {
                props->Set(PropValue::Long(PR_ROWID, s.num));
            }
            rows.push_back(TableRow{s.num, s.num, std::move(props)});
        }
        return S_OK;
    }
    HRESULT Changes(bool& reload, std::vector<TableRow>& changed) override
    {
        changed.clear();
        std::lock_guard lock(m_state->mutex);
        reload = m_state->version != m_version;
        return S_OK;
    }
    std::vector<ULONG> DefaultColumns() const override
    {
        if (m_attachments)
            return {PR_ATTACH_NUM, PR_INSTANCE_KEY, PR_RECORD_KEY, PR_RENDERING_POSITION, PR_ATTACH_METHOD,
                    PR_ATTACH_FILENAME_W, PR_ATTACH_LONG_FILENAME_W, PR_ATTACH_SIZE, PR_DISPLAY_NAME_W};
        return {PR_ROWID, PR_INSTANCE_KEY, PR_DISPLAY_NAME_W, PR_ADDRTYPE_W, PR_EMAIL_ADDRESS_W, PR_RECIPIENT_TYPE,
                PR_ENTRYID};
    }

private:
    std::shared_ptr<MessageState> m_state;
    bool m_attachments;
    std::uint64_t m_version = 0;
};

} // namespace

bool IsMessageComputed(ULONG id)
{
    switch (id) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_STORE_RECORD_KEY):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_MAPPING_SIGNATURE):
    case PROP_ID(PR_PARENT_ENTRYID):
    case PROP_ID(PR_INSTANCE_KEY):
    case PROP_ID(PR_ACCESS):
    case PROP_ID(PR_ACCESS_LEVEL):
    case PROP_ID(PR_MESSAGE_SIZE):
    case PROP_ID(PR_HASATTACH):
    case PROP_ID(PR_MESSAGE_ATTACHMENTS):
    case PROP_ID(PR_MESSAGE_RECIPIENTS):
    case PROP_ID(PR_CREATION_TIME):
    case PROP_ID(PR_LAST_MODIFICATION_TIME):
        return true;
    default:
        return false;
    }
}

void AddMessageComputed(const StoreFile& file, std::int64_t id, std::int64_t folder, PropMap& props)
{
    if (id != 0)
        AddIdentityProps(file, MAPI_MESSAGE, id, props);
    else {
        props.Set(PropValue::Binary(PR_STORE_ENTRYID, file.StoreEntryId()));
        props.Set(PropValue::Binary(PR_STORE_RECORD_KEY, file.StoreRecordKey()));
        props.Set(PropValue::Long(PR_OBJECT_TYPE, MAPI_MESSAGE));
    }
    props.Set(PropValue::Binary(PR_PARENT_ENTRYID, file.EntryIdOf(MAPI_FOLDER, folder)));
}

bool IsContentsComputed(ULONG propId)
{
    switch (propId) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_RECORD_KEY):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_STORE_RECORD_KEY):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_MAPPING_SIGNATURE):
    case PROP_ID(PR_PARENT_ENTRYID):
        return true;
    default:
        return false;
    }
}

bool ContentsComputed(const StoreFile& file, std::int64_t id, std::int64_t folder, ULONG propId, PropValue& out)
{
    switch (propId) {
    case PROP_ID(PR_ENTRYID):
        out = PropValue::Binary(PR_ENTRYID, file.EntryIdOf(MAPI_MESSAGE, id));
        return true;
    case PROP_ID(PR_RECORD_KEY):
        out = PropValue::Binary(PR_RECORD_KEY, file.RecordKeyOf(id));
        return true;
    case PROP_ID(PR_STORE_ENTRYID):
        out = PropValue::Binary(PR_STORE_ENTRYID, file.StoreEntryId());
        return true;
    case PROP_ID(PR_STORE_RECORD_KEY):
        out = PropValue::Binary(PR_STORE_RECORD_KEY, file.StoreRecordKey());
        return true;
    case PROP_ID(PR_OBJECT_TYPE):
        out = PropValue::Long(PR_OBJECT_TYPE, MAPI_MESSAGE);
        return true;
    case PROP_ID(PR_MAPPING_SIGNATURE):
        out = PropValue::Binary(PR_MAPPING_SIGNATURE, file.StoreRecordKey());
        return true;
    case PROP_ID(PR_PARENT_ENTRYID):
        out = PropValue::Binary(PR_PARENT_ENTRYID, file.EntryIdOf(MAPI_FOLDER, folder));
        return true;
    default:
        return false;
    }
}

HRESULT Message::Open(MsgStore* store, const ObjectInfo& info, bool writable, IMessage** out)
{
    auto state = std::make_shared<MessageState>();
    state->id = info.id;
    state->folder = info.parent;
    state->associated = info.associated;
    StoreFile& file = *store->file();
    StoreFile::ReadTransaction reading(file); // one consistent read of the message and its parts
    HRESULT hr = file.LoadProps(info.id, state->props);
    std::vector<std::pair<ObjectInfo, PropMap>> subs;
    if (SUCCEEDED(hr))
        hr = file.LoadChildren(info.id, MAPI_ATTACH, std::nullopt, subs);
    for (auto& [i, p] : subs) {
        state->attachments.push_back(SubObject{i.num, std::move(p)});
        state->nextAttachNum = std::max(state->nextAttachNum, i.num + 1);
    }
    if (SUCCEEDED(hr))
        hr = file.LoadChildren(info.id, MAPI_MAILUSER, std::nullopt, subs);
    for (auto& [i, p] : subs) {
        state->recipients.push_back(SubObject{i.num, std::move(p)});
        state->nextRowId = std::max(state->nextRowId, i.num + 1);
    }
    if (FAILED(hr))
        return hr;
    auto* m = new (std::nothrow) Message(store, std::move(state), writable);
    if (!m)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = m;
    return S_OK;
}

HRESULT Message::CreateNew(MsgStore* store, std::int64_t folder, bool associated, IMessage** out)
{
    auto state = std::make_shared<MessageState>();
    state->folder = folder;
    state->associated = associated;
    ULONG flags = MSGFLAG_UNSENT | MSGFLAG_READ | (associated ? MSGFLAG_ASSOCIATED : 0);
    state->props.Set(PropValue::Long(PR_MESSAGE_FLAGS, flags));
    state->props.Set(PropValue::Binary(PR_SEARCH_KEY, RandomKey()));
    auto* m = new (std::nothrow) Message(store, std::move(state), true);
    if (!m)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = m;
    return S_OK;
}

bool Message::Supports(REFIID riid) const { return IsEqualIID(riid, IID_IMessage); }

bool Message::IsComputed(ULONG id) const { return IsMessageComputed(id); }

// The record key names the message itself: writing it back is accepted and changes nothing
// but the modification time at the next save.
bool Message::IsIgnoredWrite(ULONG id) const { return id == PROP_ID(PR_RECORD_KEY); }

HRESULT Message::CurrentProps(PropMap& out)
{
    std::lock_guard lock(m_state->mutex);
    out = m_state->props;
    AddMessageComputed(*m_store->file(), m_state->id, m_state->folder, out);
    ULONG size = 0;
    for (const auto& v : m_state->props)
        size += v.Size();
    for (const auto& a : m_state->attachments)
        for (const auto& v : a.props)
            size += v.Size();
    out.Set(PropValue::Long(PR_MESSAGE_SIZE, size));
    out.Set(PropValue::Long(PR_HASATTACH, m_state->attachments.empty() ? 0 : 1));
    out.Set(PropValue::Long(PR_ACCESS, m_writable ? (MAPI_ACCESS_MODIFY | MAPI_ACCESS_READ | MAPI_ACCESS_DELETE)
                                                  : MAPI_ACCESS_READ));
    out.Set(PropValue::Long(PR_ACCESS_LEVEL, m_writable ? MAPI_MODIFY : 0));
    return S_OK;
}

HRESULT Message::WriteProps(const std::vector<PropValue>& values)
{
    std::lock_guard lock(m_state->mutex);
    for (const auto& v : values)
        m_state->props.Set(v);
    return S_OK;
}

HRESULT Message::RemoveProps(const std::vector<ULONG>& ids)
{
    std::lock_guard lock(m_state->mutex);
    for (ULONG id : ids)
        m_state->props.Erase(id);
    return S_OK;
}

HRESULT Message::SaveChanges(ULONG)
{
    std::lock_guard objLock(m_lock);
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    std::lock_guard lock(m_state->mutex);
    StoreFile& file = *m_store->file();
    StoreFile::Transaction tx(file);
    HRESULT hr = tx.Begin();
    if (FAILED(hr))
        return hr;
    std::int64_t id = m_state->id;
    const bool fresh = id == 0;
    if (fresh) {
        ObjectInfo folder;
        if (FAILED(hr = file.GetObject(m_state->folder, folder)) || folder.type != MAPI_FOLDER)
            return MAPI_E_OBJECT_DELETED;
        if (FAILED(hr = file.InsertObject(MAPI_MESSAGE, m_state->folder, m_state->associated, 0, id)))
            return hr;
    } else {
        ObjectInfo info;
        if (FAILED(file.GetObject(id, info)))
            return MAPI_E_OBJECT_DELETED;
        m_state->folder = info.parent; // it may have been moved meanwhile
    }
    std::int64_t stamp = 0;
    if (FAILED(hr = file.NextModificationTime(CurrentFileTime(), stamp)))
        return hr;
    PropMap props = m_state->props;
    props.Set(PropValue::Long(PR_LAST_MODIFICATION_TIME, stamp));
    if (!props.Find(PROP_ID(PR_CREATION_TIME)))
        props.Set(PropValue::Long(PR_CREATION_TIME, stamp));
    if (!props.Find(PROP_ID(PR_MESSAGE_CLASS_W)))
        props.Set(PropValue::Text(PR_MESSAGE_CLASS_W, u"IPM"));
    std::int64_t flags = props.Find(PROP_ID(PR_MESSAGE_FLAGS)) ? props.Find(PROP_ID(PR_MESSAGE_FLAGS))->num() : 0;
    flags = m_state->attachments.empty() ? (flags & ~std::int64_t(MSGFLAG_HASATTACH)) : (flags | MSGFLAG_HASATTACH);
    props.Set(PropValue::Long(PR_MESSAGE_FLAGS, flags));
    props.Set(PropValue::Long(PR_HASATTACH, m_state->attachments.empty() ? 0 : 1));
    ULONG size = 0;
    for (const auto& v : props)
        size += v.Size();
    for (const auto& a : m_state->attachments)
        for (const auto& v : a.props)
            size += v.Size();
    props.Set(PropValue::Long(PR_MESSAGE_SIZE, size));
    if (FAILED(hr = file.ReplaceProps(id, props, fresh)) ||
        FAILED(hr = file.ReplaceSubObjects(id, MAPI_ATTACH, m_state->attachments, fresh)) ||
        FAILED(hr = file.ReplaceSubObjects(id, MAPI_MAILUSER, m_state->recipients, fresh)) ||
        FAILED(hr = file.Journal(id, m_state->folder, MAPI_MESSAGE)) || FAILED(hr = tx.Commit()))
        return hr;
    m_state->id = id;
    m_state->props = std::move(props);
    return S_OK;
}

HRESULT Message::OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG, ULONG ulFlags, LPUNKNOWN* lppUnk)
{
    std::lock_guard lock(m_state->mutex);
    if (PROP_ID(ulPropTag) == PROP_ID(PR_MESSAGE_ATTACHMENTS) || PROP_ID(ulPropTag) == PROP_ID(PR_MESSAGE_RECIPIENTS)) {
        if (!lpiid || !IsEqualIID(*lpiid, IID_IMAPITable))
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        return PROP_ID(ulPropTag) == PROP_ID(PR_MESSAGE_ATTACHMENTS)
                   ? GetAttachmentTable(ulFlags, reinterpret_cast<LPMAPITABLE*>(lppUnk))
                   : GetRecipientTable(ulFlags, reinterpret_cast<LPMAPITABLE*>(lppUnk));
    }
    auto state = m_state;
    return OpenPropertyStream(m_state->props, ulPropTag, lpiid, ulFlags, m_writable,
                              [state](PropValue v) {
                                  std::lock_guard l(state->mutex);
                                  state->props.Set(std::move(v));
                                  return S_OK;
                              },
                              lppUnk);
}

HRESULT Message::CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps, ULONG_PTR,
                        LPMAPIPROGRESS, LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
                        LPSPropProblemArray* lppProblems)
{
    if (!lpDestObj)
        return MAPI_E_INVALID_PARAMETER;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMessage) && !IsEqualIID(*lpInterface, IID_IMAPIProp))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    for (ULONG i = 0; i < ciidExclude; ++i)
        if (rgiidExclude && IsEqualIID(rgiidExclude[i], IID_IMessage))
            return S_OK; // every IMessage property excluded
    auto* dest = static_cast<IMessage*>(lpDestObj);
    HRESULT hr = CopyPropsInto(dest, lpExcludeProps, nullptr, ulFlags, lppProblems);
    if (FAILED(hr))
        return hr;
    std::vector<SubObject> recipients, attachments;
    {
        std::lock_guard lock(m_state->mutex);
        recipients = m_state->recipients;
        attachments = m_state->attachments;
    }
    if (!IsExcluded(lpExcludeProps, PR_MESSAGE_RECIPIENTS) && !recipients.empty()) {
        // The recipients replace the destination's.
        std::vector<std::vector<SPropValue>> rows;
        void* block = nullptr;
        if (FAILED(hr = MAPIAllocateBuffer(1, &block)))
            return hr;
        for (const auto& r : recipients) {
            std::vector<SPropValue> vals;
            for (const auto& v : r.props) {
                if (v.id() == PROP_ID(PR_ROWID))
                    continue;
                SPropValue sv{};
                if (SUCCEEDED(hr = v.ToSPropValue(v.tag(), sv, block)))
                    vals.push_back(sv);
            }
            rows.push_back(std::move(vals));
        }
        void* p = nullptr;
        if (SUCCEEDED(hr))
            hr = MAPIAllocateMore(static_cast<ULONG>(CbNewADRLIST(rows.size())), block, &p);
        if (SUCCEEDED(hr)) {
            auto* list = static_cast<LPADRLIST>(p);
            list->cRows = static_cast<ULONG>(rows.size());
            for (std::size_t i = 0; i < rows.size(); ++i) {
                list->aRow[i].ulAdrEntryPad = 0;
                list->aRow[i].cValues = static_cast<ULONG>(rows[i].size());
                list->aRow[i].lpProps = rows[i].data();
            }
            hr = dest->ModifyRecipients(0, list);
        }
        MAPIFreeBuffer(block);
        if (FAILED(hr))
            return hr;
    }
    if (!IsExcluded(lpExcludeProps, PR_MESSAGE_ATTACHMENTS)) {
        for (const auto& a : attachments) {
            ComPtr<IAttach> src, dst;
            ULONG num = 0;
            if (FAILED(hr = OpenAttach(a.num, nullptr, 0, src.put())) ||
                FAILED(hr = dest->CreateAttach(nullptr, 0, &num, dst.put())) ||
                FAILED(hr = src->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IAttachment, dst.get(), 0, nullptr)) ||
                FAILED(hr = dst->SaveChanges(0)))
                return hr;
        }
    }
    return S_OK;
}

HRESULT Message::GetAttachmentTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    return Table::Create(std::make_shared<SubObjectSource>(m_state, true), (ulFlags & MAPI_UNICODE) != 0, lppTable);
}

HRESULT Message::GetRecipientTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    return Table::Create(std::make_shared<SubObjectSource>(m_state, false), (ulFlags & MAPI_UNICODE) != 0, lppTable);
}

HRESULT Message::OpenAttach(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags, LPATTACH* lppAttach)
{
    if (!lppAttach)
        return MAPI_E_INVALID_PARAMETER;
    *lppAttach = nullptr;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IAttachment) && !IsEqualIID(*lpInterface, IID_IMAPIProp) &&
        !IsEqualIID(*lpInterface, IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    std::lock_guard lock(m_state->mutex);
    for (const auto& a : m_state->attachments) {
        if (a.num == ulAttachmentNum) {
            const bool writable = m_writable && (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
            return Attach::Create(m_store.get(), m_state, a.num, a.props, writable, lppAttach);
        }
    }
    return MAPI_E_NOT_FOUND;
}

HRESULT Message::CreateAttach(LPCIID lpInterface, ULONG, ULONG* lpulAttachmentNum, LPATTACH* lppAttach)
{
    if (!lppAttach)
        return MAPI_E_INVALID_PARAMETER;
    *lppAttach = nullptr;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IAttachment) && !IsEqualIID(*lpInterface, IID_IMAPIProp) &&
        !IsEqualIID(*lpInterface, IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    std::lock_guard lock(m_state->mutex);
    const ULONG num = m_state->nextAttachNum++;
    if (lpulAttachmentNum)
        *lpulAttachmentNum = num;
    PropMap props;
    props.Set(PropValue::Long(PR_RENDERING_POSITION, -1));
    return Attach::Create(m_store.get(), m_state, num, std::move(props), true, lppAttach);
}

HRESULT Message::DeleteAttach(ULONG ulAttachmentNum, ULONG_PTR, LPMAPIPROGRESS, ULONG)
{
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    std::lock_guard lock(m_state->mutex);
    auto& list = m_state->attachments;
    auto it = std::find_if(list.begin(), list.end(), [&](const SubObject& s) { return s.num == ulAttachmentNum; });
    if (it == list.end())
        return MAPI_E_NOT_FOUND;
    list.erase(it);
    ++m_state->version;
    return S_OK;
}

HRESULT Message::ModifyRecipients(ULONG ulFlags, LPADRLIST lpMods)
{
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    if (ulFlags & ~(MODRECIP_ADD | MODRECIP_MODIFY | MODRECIP_REMOVE))
        return MAPI_E_UNKNOWN_FLAGS;
    if (!lpMods && ulFlags != 0)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(m_state->mutex);
    auto& list = m_state->recipients;
    auto rowIdOf = [](const SRow& row, ULONG& id) {
        LPSPropValue p = PpropFindProp(row.lpProps, row.cValues, PR_ROWID);
        if (!p)
            return false;
        id = static_cast<ULONG>(p->Value.l);
        return true;
    };
    auto toProps = [](const SRow& row, PropMap& props) -> HRESULT {
        props.Clear();
        for (ULONG i = 0; i < row.cValues; ++i) {
            const ULONG type = PROP_TYPE(row.lpProps[i].ulPropTag);
            if (row.lpProps[i].ulPropTag == PR_ROWID || type == PT_ERROR || type == PT_NULL)
                continue;
            PropValue v;
            HRESULT hr = PropValue::FromSPropValue(row.lpProps[i], v);
            if (FAILED(hr))
                return hr;
            props.Set(std::move(v));
        }
        return S_OK;
    };
    std::vector<SubObject> result = list;
    ULONG nextRowId = m_state->nextRowId;
    if (ulFlags == 0)
        result.clear(); // the list replaces every recipient
    const ULONG count = lpMods ? lpMods->cRows : 0;
    for (ULONG i = 0; i < count; ++i) {
        const SRow& row = lpMods->aRow[i];
        ULONG rowId = 0;
        if (ulFlags == 0 || ulFlags == MODRECIP_ADD) {
            SubObject s;
            s.num = nextRowId++;
            HRESULT hr = toProps(row, s.props);
            if (FAILED(hr))
                return hr;
            result.push_back(std::move(s));
        } else if (ulFlags == MODRECIP_MODIFY) {
            if (!rowIdOf(row, rowId))
                return MAPI_E_INVALID_PARAMETER;
            auto it = std::find_if(result.begin(), result.end(), [&](const SubObject& s) { return s.num == rowId; });
            if (it == result.end())
                return MAPI_E_NOT_FOUND;
            HRESULT hr = toProps(row, it->props);
            if (FAILED(hr))
                return hr;
        } else if (ulFlags == MODRECIP_REMOVE) {
            if (!rowIdOf(row, rowId))
                return MAPI_E_INVALID_PARAMETER;
            std::erase_if(result, [&](const SubObject& s) { return s.num == rowId; });
        } else {
            return MAPI_E_INVALID_PARAMETER;
        }
    }
    list = std::move(result);
    m_state->nextRowId = nextRowId;
    ++m_state->version;
    return S_OK;
}

namespace {

// The folder an entry ID names in this store, or an error.
HRESULT FolderOf(StoreFile& file, const Bytes& eid, std::int64_t& folder)
{
    ParsedEntryId p;
    if (!ParseEntryId(eid.data(), eid.size(), p) || p.isStore || p.type != MAPI_FOLDER ||
        std::memcmp(&p.store, &file.guid(), sizeof(GUID)) != 0)
        return MAPI_E_INVALID_ENTRYID;
    ObjectInfo info;
    if (FAILED(file.GetObject(p.id, info)) || info.type != MAPI_FOLDER)
        return MAPI_E_NOT_FOUND;
    folder = p.id;
    return S_OK;
}

} // namespace

// Submission is done at once: the message is composed, written to the spool (and handed to
// the configured sendmail command), and then filed: moved to the folder PR_SENTMAIL_ENTRYID
// names, or deleted when PR_DELETE_AFTER_SUBMIT is set or, without either, when it is in the
// Outbox. A message that cannot be sent is saved and stays where it is, and the error returns.
HRESULT Message::SubmitMessage(ULONG ulFlags)
{
    if (ulFlags & ~FORCE_SUBMIT)
        return MAPI_E_UNKNOWN_FLAGS;
    std::lock_guard objLock(m_lock);
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    StoreFile& file = *m_store->file();
    const std::int64_t now = CurrentFileTime();
    ComposedMail mail;
    bool deleteAfter = false;
    std::int64_t sentFolder = 0;
    HRESULT hr = S_OK;
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->associated)
            return MAPI_E_NO_SUPPORT;
        const PropValue* del = m_state->props.Find(PROP_ID(PR_DELETE_AFTER_SUBMIT));
        deleteAfter = del && del->type() == PT_BOOLEAN && del->num() != 0;
        const PropValue* sent = m_state->props.Find(PROP_ID(PR_SENTMAIL_ENTRYID));
        if (!deleteAfter && sent && sent->type() == PT_BINARY && FAILED(hr = FolderOf(file, sent->bin(), sentFolder)))
            return hr;
        if (FAILED(hr = MailComposer::Compose(m_state->props, m_state->recipients, m_state->attachments, now, mail)))
            return SubmitFailed(hr, hr == MAPI_E_NO_RECIPIENTS ? "the message has no recipients"
                                    : hr == MAPI_E_NOT_FOUND   ? "a recipient has no address"
                                                               : "the message cannot be composed");
    }
    // A mail command takes an argument that begins with '-' for an option of its own.
    for (const std::string& address : mail.envelope)
        if (!address.empty() && address.front() == '-')
            return SubmitFailed(MAPI_E_INVALID_PARAMETER, "the recipient address \"" + address + "\" begins with '-'");
    if (FAILED(hr = SaveChanges(KEEP_OPEN_READWRITE)))
        return SubmitFailed(hr, "the message cannot be saved");
    std::filesystem::path spooled;
    std::string why;
    if (FAILED(hr = MailSpool::Deliver(mail, spooled, &why)))
        return SubmitFailed(hr, why);

    std::lock_guard lock(m_state->mutex);
    const std::int64_t id = m_state->id;
    const std::int64_t from = m_state->folder;
    if (!deleteAfter && sentFolder == 0) {
        PropMap store;
        std::int64_t outbox = 0;
        const PropValue* v = nullptr;
        if (SUCCEEDED(file.LoadProps(kStoreObjectId, store)) && (v = store.Find(PROP_ID(PR_IPM_OUTBOX_ENTRYID))) &&
            v->type() == PT_BINARY && SUCCEEDED(FolderOf(file, v->bin(), outbox)) && outbox == from)
            deleteAfter = true;
    }
    StoreFile::Transaction tx(file);
    if (FAILED(hr = tx.Begin()))
        return hr;
    if (deleteAfter) {
        if (FAILED(hr = file.DeleteObjectTree(id)) || FAILED(hr = file.Journal(id, from, MAPI_MESSAGE)))
            return hr;
    } else {
        std::int64_t flags = 0;
        if (const PropValue* f = m_state->props.Find(PROP_ID(PR_MESSAGE_FLAGS)))
            flags = f->num();
        flags = (flags | MSGFLAG_READ) & ~std::int64_t(MSGFLAG_UNSENT | MSGFLAG_SUBMIT);
        std::vector<PropValue> sentProps = {
            PropValue::Long(PR_MESSAGE_FLAGS, flags), PropValue::Long(PR_CLIENT_SUBMIT_TIME, now),
            PropValue::Long(PR_MESSAGE_DELIVERY_TIME, now),
            PropValue::Text(PR_INTERNET_MESSAGE_ID_W, platform::Utf8ToUtf16(mail.messageId))};
        if (FAILED(hr = file.SetProps(id, sentProps)) || FAILED(hr = file.Journal(id, from, MAPI_MESSAGE)))
            return hr;
        if (sentFolder != 0 && sentFolder != from &&
            (FAILED(hr = file.MoveObject(id, sentFolder)) || FAILED(hr = file.Journal(id, sentFolder, MAPI_MESSAGE))))
            return hr;
        for (auto& v : sentProps)
            m_state->props.Set(std::move(v));
        if (sentFolder != 0)
            m_state->folder = sentFolder;
    }
    return tx.Commit();
}

HRESULT Message::SubmitFailed(HRESULT hr, const std::string& why)
{
    std::lock_guard lock(m_lock);
    m_lastResult = hr;
    m_lastError = why;
    return hr;
}

HRESULT Message::GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError)
{
    if (!lppMAPIError)
        return MAPI_E_INVALID_PARAMETER;
    *lppMAPIError = nullptr;
    std::string text;
    {
        std::lock_guard lock(m_lock);
        if (hResult == m_lastResult)
            text = m_lastError;
    }
    return text.empty() ? S_OK : NewMapiError(text, "Mail submission", ulFlags, lppMAPIError);
}

HRESULT Message::SetReadFlag(ULONG ulFlags)
{
    std::lock_guard lock(m_state->mutex);
    const PropValue* f = m_state->props.Find(PROP_ID(PR_MESSAGE_FLAGS));
    std::int64_t flags = f ? f->num() : 0;
    flags = (ulFlags & CLEAR_READ_FLAG) ? (flags & ~std::int64_t(MSGFLAG_READ)) : (flags | MSGFLAG_READ);
    m_state->props.Set(PropValue::Long(PR_MESSAGE_FLAGS, flags));
    if (m_state->id == 0)
        return S_OK;
    // The read state is written at once, without a save of the message.
    StoreFile& file = *m_store->file();
    StoreFile::Transaction tx(file);
    HRESULT hr = tx.Begin();
    if (SUCCEEDED(hr))
        hr = file.SetProps(m_state->id, {PropValue::Long(PR_MESSAGE_FLAGS, flags)});
    if (SUCCEEDED(hr))
        hr = file.Journal(m_state->id, m_state->folder, MAPI_MESSAGE);
    return SUCCEEDED(hr) ? tx.Commit() : hr;
}

} // namespace mapi
