// The folder set and the properties that a new store starts with: what the mail client would
// create in a new personal store, mailbox or public-folder store.
#include "mapi/StoreFile.h"

#include "mapi/MapiGuids.h"
#include "mapi/SearchCriteria.h"

#include "mapi/MapiCodes.h"
#include "mapi/MapiTags.h"

#include <sqlite3.h>

namespace mapi {

namespace {

PropValue Text(ULONG tag, const std::u16string& s) { return PropValue::Text(tag, s); }
PropValue Long(ULONG tag, std::int64_t v) { return PropValue::Long(tag, v); }
PropValue Bin(ULONG tag, Bytes b) { return PropValue::Binary(tag, std::move(b)); }

constexpr ULONG kSupportMask = STORE_ENTRYID_UNIQUE | STORE_SEARCH_OK | STORE_MODIFY_OK | STORE_CREATE_OK |
                               STORE_ATTACH_OK | STORE_OLE_OK | STORE_NOTIFY_OK | STORE_MV_PROPS_OK |
                               STORE_CATEGORIZE_OK | STORE_RTF_OK | STORE_RESTRICTION_OK | STORE_SORT_OK |
                               STORE_UNCOMPRESSED_RTF | STORE_HTML_OK | STORE_ANSI_OK | STORE_UNICODE_OK;

} // namespace

HRESULT StoreFile::Populate(const std::u16string& displayName)
{
    Transaction tx(*this);
    HRESULT hr = tx.Begin();
    if (FAILED(hr))
        return hr;
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, "INSERT INTO meta(key, value) VALUES(?, ?)", -1, &st, nullptr) != SQLITE_OK)
            return MAPI_E_CALL_FAILED;
        auto put = [&](const char* key, auto bindValue) {
            sqlite3_bind_text(st, 1, key, -1, SQLITE_STATIC);
            bindValue();
            int rc = sqlite3_step(st);
            sqlite3_reset(st);
            return rc == SQLITE_DONE;
        };
        bool ok = put("format", [&] { sqlite3_bind_text(st, 2, "platform-mapi-store", -1, SQLITE_STATIC); }) &&
                  put("version", [&] { sqlite3_bind_int(st, 2, m_version); }) &&
                  put("guid", [&] { sqlite3_bind_blob(st, 2, &m_guid, 16, SQLITE_STATIC); }) &&
                  put("kind", [&] { sqlite3_bind_int(st, 2, static_cast<int>(m_kind)); });
        sqlite3_finalize(st);
        if (!ok)
            return MAPI_E_CALL_FAILED;
    }

    const std::int64_t now = CurrentFileTime();
    std::int64_t storeId = 0, rootId = 0;
    if (FAILED(hr = InsertObject(MAPI_STORE, 0, false, 0, storeId)))
        return hr;
    if (FAILED(hr = InsertObject(MAPI_FOLDER, storeId, false, 0, rootId)))
        return hr;
    if (storeId != kStoreObjectId || rootId != kRootFolderId)
        return MAPI_E_CORRUPT_STORE;

    auto folder = [&](std::int64_t parent, const std::u16string& name, const char16_t* cls, ULONG type,
                      std::int64_t& id) -> HRESULT {
        HRESULT h = InsertObject(MAPI_FOLDER, parent, false, 0, id);
        if (FAILED(h))
            return h;
        std::vector<PropValue> props = {Text(PR_DISPLAY_NAME_W, name), Long(PR_FOLDER_TYPE, type),
                                        Long(PR_CREATION_TIME, now), Long(PR_LAST_MODIFICATION_TIME, now)};
        if (cls)
            props.push_back(Text(PR_CONTAINER_CLASS_W, cls));
        return SetProps(id, props);
    };
    auto eid = [&](std::int64_t id) { return EntryIdOf(MAPI_FOLDER, id); };

    if (FAILED(hr = SetProps(rootId, {Text(PR_DISPLAY_NAME_W, u""), Long(PR_FOLDER_TYPE, FOLDER_ROOT),
                                      Long(PR_CREATION_TIME, now), Long(PR_LAST_MODIFICATION_TIME, now)})))
        return hr;

    std::vector<PropValue> storeProps = {Text(PR_DISPLAY_NAME_W, displayName),
                                         Bin(PR_MDB_PROVIDER, Bytes(reinterpret_cast<const char*>(
                                                                        ProviderUidOf(m_kind).ab),
                                                                    16))};

    if (m_kind == StoreKind::PublicFolders) {
        std::int64_t ipm = 0, nonIpm = 0, favorites = 0, finder = 0;
        if (FAILED(hr = folder(rootId, u"IPM_SUBTREE", nullptr, FOLDER_GENERIC, ipm)) ||
            FAILED(hr = folder(rootId, u"NON_IPM_SUBTREE", nullptr, FOLDER_GENERIC, nonIpm)) ||
            FAILED(hr = folder(rootId, u"Favorites", nullptr, FOLDER_GENERIC, favorites)) ||
            FAILED(hr = folder(rootId, u"Finder", nullptr, FOLDER_GENERIC, finder)))
            return hr;
        storeProps.push_back(Long(PR_STORE_SUPPORT_MASK, (kSupportMask | STORE_PUBLIC_FOLDERS) & ~STORE_SEARCH_OK));
        storeProps.push_back(Long(PR_VALID_FOLDER_MASK, FOLDER_IPM_SUBTREE_VALID | FOLDER_FINDER_VALID));
        storeProps.push_back(Bin(PR_IPM_SUBTREE_ENTRYID, eid(ipm)));
        storeProps.push_back(Bin(PR_IPM_PUBLIC_FOLDERS_ENTRYID, eid(ipm)));
        storeProps.push_back(Bin(PR_NON_IPM_SUBTREE_ENTRYID, eid(nonIpm)));
        storeProps.push_back(Bin(PR_IPM_FAVORITES_ENTRYID, eid(favorites)));
        storeProps.push_back(Bin(PR_FINDER_ENTRYID, eid(finder)));
        if (FAILED(hr = SetProps(storeId, storeProps)))
            return hr;
        return tx.Commit();
    }

    const std::u16string top =
        m_kind == StoreKind::Personal ? u"Top of Personal Folders" : u"Top of Information Store";
    std::int64_t ipm = 0, finder = 0, views = 0, commonViews = 0, reminders = 0;
    std::int64_t inbox = 0, outbox = 0, sent = 0, deleted = 0, calendar = 0, contacts = 0, tasks = 0, notes = 0,
                 journal = 0, drafts = 0, junk = 0;
    if (FAILED(hr = folder(rootId, top, nullptr, FOLDER_GENERIC, ipm)) ||
        FAILED(hr = folder(rootId, u"Search Root", nullptr, FOLDER_GENERIC, finder)) ||
        FAILED(hr = folder(rootId, u"IPM_VIEWS", nullptr, FOLDER_GENERIC, views)) ||
        FAILED(hr = folder(rootId, u"IPM_COMMON_VIEWS", nullptr, FOLDER_GENERIC, commonViews)) ||
        FAILED(hr = folder(rootId, u"Reminders", u"Outlook.Reminder", FOLDER_SEARCH, reminders)) ||
        FAILED(hr = folder(ipm, u"Inbox", u"IPF.Note", FOLDER_GENERIC, inbox)) ||
        FAILED(hr = folder(ipm, u"Outbox", u"IPF.Note", FOLDER_GENERIC, outbox)) ||
        FAILED(hr = folder(ipm, u"Sent Items", u"IPF.Note", FOLDER_GENERIC, sent)) ||
        FAILED(hr = folder(ipm, u"Deleted Items", u"IPF.Note", FOLDER_GENERIC, deleted)) ||
        FAILED(hr = folder(ipm, u"Calendar", u"IPF.Appointment", FOLDER_GENERIC, calendar)) ||
        FAILED(hr = folder(ipm, u"Contacts", u"IPF.Contact", FOLDER_GENERIC, contacts)) ||
        FAILED(hr = folder(ipm, u"Tasks", u"IPF.Task", FOLDER_GENERIC, tasks)) ||
        FAILED(hr = folder(ipm, u"Notes", u"IPF.StickyNote", FOLDER_GENERIC, notes)) ||
        FAILED(hr = folder(ipm, u"Journal", u"IPF.Journal", FOLDER_GENERIC, journal)) ||
        FAILED(hr = folder(ipm, u"Drafts", u"IPF.Note", FOLDER_GENERIC, drafts)) ||
        FAILED(hr = folder(ipm, u"Junk E-mail", u"IPF.Note", FOLDER_GENERIC, junk)))
        return hr;

    storeProps.push_back(Long(PR_STORE_SUPPORT_MASK, kSupportMask | STORE_HAS_SEARCHES |
                                                         (m_kind == StoreKind::Personal ? STORE_LOCALSTORE : 0)));
    storeProps.push_back(Long(PR_VALID_FOLDER_MASK, FOLDER_IPM_SUBTREE_VALID | FOLDER_IPM_INBOX_VALID |
                                                        FOLDER_IPM_OUTBOX_VALID | FOLDER_IPM_WASTEBASKET_VALID |
                                                        FOLDER_IPM_SENTMAIL_VALID | FOLDER_VIEWS_VALID |
                                                        FOLDER_COMMON_VIEWS_VALID | FOLDER_FINDER_VALID));
    storeProps.push_back(Bin(PR_IPM_SUBTREE_ENTRYID, eid(ipm)));
    storeProps.push_back(Bin(PR_IPM_OUTBOX_ENTRYID, eid(outbox)));
    storeProps.push_back(Bin(PR_IPM_WASTEBASKET_ENTRYID, eid(deleted)));
    storeProps.push_back(Bin(PR_IPM_SENTMAIL_ENTRYID, eid(sent)));
    storeProps.push_back(Bin(PR_VIEWS_ENTRYID, eid(views)));
    storeProps.push_back(Bin(PR_COMMON_VIEWS_ENTRYID, eid(commonViews)));
    storeProps.push_back(Bin(PR_FINDER_ENTRYID, eid(finder)));
    if (FAILED(hr = SetProps(storeId, storeProps)))
        return hr;

    // The special folders below the subtree are named on the Inbox and on the root folder.
    std::vector<PropValue> special = {
        Bin(PR_IPM_APPOINTMENT_ENTRYID, eid(calendar)), Bin(PR_IPM_CONTACT_ENTRYID, eid(contacts)),
        Bin(PR_IPM_JOURNAL_ENTRYID, eid(journal)),      Bin(PR_IPM_NOTE_ENTRYID, eid(notes)),
        Bin(PR_IPM_TASK_ENTRYID, eid(tasks)),           Bin(PR_REM_ONLINE_ENTRYID, eid(reminders)),
        Bin(PR_IPM_DRAFTS_ENTRYID, eid(drafts)),
        // Conflicts, Sync Issues, Local Failures, Server Failures, Junk E-mail.
        PropValue(PR_ADDITIONAL_REN_ENTRYIDS, std::vector<Bytes>{Bytes(), Bytes(), Bytes(), Bytes(), eid(junk)})};
    // One Reminders search folder serves the store whether it works online or offline.
    special.push_back(Bin(PR_REM_OFFLINE_ENTRYID, eid(reminders)));
    if (FAILED(hr = SetProps(inbox, special)) || FAILED(hr = SetProps(rootId, special)))
        return hr;
    if (FAILED(hr = SetProps(storeId, {PropValue(PR_STORE_OFFLINE, std::int64_t(0))})))
        return hr;

    // The Reminders folder finds every item below the subtree whose reminder is set, as the
    // client sets it up. The reminder flag is a named property: the store's first.
    {
        sqlite3_stmt* ins = nullptr;
        if (sqlite3_prepare_v2(m_db, "INSERT INTO names(guid, kind, lid, name) VALUES(?, ?, ?, ?)", -1, &ins,
                               nullptr) != SQLITE_OK)
            return MAPI_E_CALL_FAILED;
        sqlite3_bind_blob(ins, 1, &PSETID_Common, 16, SQLITE_STATIC);
        sqlite3_bind_int(ins, 2, MNID_ID);
        sqlite3_bind_int64(ins, 3, 0x8503); // PidLidReminderSet
        sqlite3_bind_blob(ins, 4, "", 0, SQLITE_STATIC);
        const int rc = sqlite3_step(ins);
        sqlite3_finalize(ins);
        if (rc != SQLITE_DONE)
            return MAPI_E_CALL_FAILED;
        const ULONG reminderSet = PROP_TAG(PT_BOOLEAN, 0x8000 + sqlite3_last_insert_rowid(m_db) - 1);
        SPropValue on{};
        on.ulPropTag = reminderSet;
        on.Value.b = 1;
        SRestriction both[2] = {};
        both[0].rt = RES_EXIST;
        both[0].res.resExist.ulPropTag = reminderSet;
        both[1].rt = RES_PROPERTY;
        both[1].res.resProperty = {RELOP_EQ, reminderSet, &on};
        SRestriction all{};
        all.rt = RES_AND;
        all.res.resAnd = {2, both};
        SearchCriteria criteria;
        if (FAILED(hr = SearchCriteria::EncodeRestriction(all, criteria.restriction)))
            return hr;
        criteria.containers.push_back(eid(ipm));
        criteria.recursive = true;
        if (FAILED(hr = SaveSearchCriteria(reminders, criteria.Encode())))
            return hr;
    }

    // The default receive folder.
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, "INSERT INTO meta(key, value) VALUES('receive:', ?)", -1, &st, nullptr) !=
            SQLITE_OK)
            return MAPI_E_CALL_FAILED;
        sqlite3_bind_int64(st, 1, inbox);
        int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            return MAPI_E_CALL_FAILED;
    }
    return tx.Commit();
}

} // namespace mapi
