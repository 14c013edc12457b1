// Folder: IMAPIFolder. Folder properties are written to the store at once (no SaveChanges).
#pragma once

#include "com/ComPtr.h"
#include "mapi/MsgStore.h"

#include <optional>

namespace mapi {

class Folder : public PropObject<IMAPIFolder> {
public:
    static HRESULT Open(MsgStore* store, std::int64_t id, bool writable, IMAPIFolder** out);

    std::int64_t id() const { return m_id; }
    MsgStore* store() const { return m_store.get(); }

    HRESULT SaveChanges(ULONG ulFlags) override;
    HRESULT OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                         LPUNKNOWN* lppUnk) override;
    HRESULT CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps, ULONG_PTR ulUIParam,
                   LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
                   LPSPropProblemArray* lppProblems) override;

    HRESULT GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                      LPUNKNOWN* lppUnk) override;
    HRESULT SetSearchCriteria(LPSRestriction lpRestriction, LPENTRYLIST lpContainerList,
                              ULONG ulSearchFlags) override;
    HRESULT GetSearchCriteria(ULONG ulFlags, LPSRestriction* lppRestriction, LPENTRYLIST* lppContainerList,
                              ULONG* lpulSearchState) override;

    HRESULT CreateMessage(LPCIID lpInterface, ULONG ulFlags, IMessage** lppMessage) override;
    HRESULT CopyMessages(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder, ULONG_PTR ulUIParam,
                         LPMAPIPROGRESS lpProgress, ULONG ulFlags) override;
    HRESULT DeleteMessages(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                           ULONG ulFlags) override;
    HRESULT CreateFolder(ULONG ulFolderType, LPTSTR lpszFolderName, LPTSTR lpszFolderComment, LPCIID lpInterface,
                         ULONG ulFlags, IMAPIFolder** lppFolder) override;
    HRESULT CopyFolder(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, LPVOID lpDestFolder,
                       LPTSTR lpszNewFolderName, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                       ULONG ulFlags) override;
    HRESULT DeleteFolder(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                         ULONG ulFlags) override;
    HRESULT SetReadFlags(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                         ULONG ulFlags) override;
    HRESULT GetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags, ULONG* lpulMessageStatus) override;
    HRESULT SetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulNewStatus, ULONG ulNewStatusMask,
                             ULONG* lpulOldStatus) override;
    HRESULT SaveContentsSort(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) override;
    HRESULT EmptyFolder(ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) override;

protected:
    bool Supports(REFIID riid) const override;
    HRESULT CurrentProps(PropMap& out) override;
    HRESULT WriteProps(const std::vector<PropValue>& values) override;
    HRESULT RemoveProps(const std::vector<ULONG>& ids) override;
    bool IsComputed(ULONG id) const override;
    bool Writable() const override { return m_writable; }
    StoreFile* File() const override { return m_store->file().get(); }

private:
    Folder(MsgStore* store, std::int64_t id, bool writable) : m_store(store), m_id(id), m_writable(writable) {}
    // The message number of an entry ID of a message in this folder.
    HRESULT MessageInThisFolder(const SBinary& eid, std::int64_t& id);
    HRESULT ChildFolder(ULONG cb, LPENTRYID eid, ObjectInfo& info);
    // Asked once per folder object: the type is fixed when the folder is made.
    bool IsSearchFolder();

    ComPtr<MsgStore> m_store;
    std::int64_t m_id;
    bool m_writable;
    std::optional<bool> m_search;
};

// Properties a folder computes, for the folder object and the hierarchy table alike.
// The folder's computed properties; the counts (content, associated content, subfolders) need
// a look at every child and are left out when withCounts is false.
HRESULT AddFolderComputed(StoreFile& file, const ObjectInfo& info, PropMap& props, bool withCounts = true);
// Copies a stored message (with its attachments and recipients) into a folder; new id out.
HRESULT CopyStoredMessage(StoreFile& from, std::int64_t id, StoreFile& to, std::int64_t folder, std::int64_t& newId);

} // namespace mapi
