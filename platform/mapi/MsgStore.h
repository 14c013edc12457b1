// MsgStore: IMsgStore over one store file.
#pragma once

#include "mapi/PropObject.h"

#include <set>

namespace mapi {

class MsgStore : public PropObject<IMsgStore> {
public:
    // writable: opened with MDB_WRITE.
    static HRESULT Create(std::shared_ptr<StoreFile> file, bool writable, IMsgStore** out);

    const std::shared_ptr<StoreFile>& file() const { return m_file; }
    bool writableStore() const { return m_writable; }
    // Folders (by object number) that this store object lets no one change, nor the messages in
    // them, though the store itself is writable: a session sets them from its profile.
    void SetReadOnlyFolders(std::set<std::int64_t> folders) { m_readOnlyFolders = std::move(folders); }
    // Whether the folder or message (with its parent folder) may be changed through this object.
    bool ObjectWritable(ULONG type, std::int64_t id, std::int64_t parent) const;

    // Opens a folder or message of this store by object number.
    HRESULT OpenObject(ULONG type, std::int64_t id, LPCIID iid, ULONG flags, ULONG* objType, LPUNKNOWN* unk);

    HRESULT SaveChanges(ULONG ulFlags) override;
    HRESULT OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                         LPUNKNOWN* lppUnk) override;
    HRESULT CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps, ULONG_PTR ulUIParam,
                   LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
                   LPSPropProblemArray* lppProblems) override;

    HRESULT Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                   ULONG* lpulConnection) override;
    HRESULT Unadvise(ULONG ulConnection) override;
    HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                            ULONG ulFlags, ULONG* lpulResult) override;
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                      LPUNKNOWN* lppUnk) override;
    HRESULT SetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) override;
    HRESULT GetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID, LPENTRYID* lppEntryID,
                             LPTSTR* lppszExplicitClass) override;
    HRESULT GetReceiveFolderTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT StoreLogoff(ULONG* lpulFlags) override;
    HRESULT AbortSubmit(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags) override;
    HRESULT GetOutgoingQueue(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT SetLockState(IMessage* lpMessage, ULONG ulLockState) override;
    HRESULT FinishedMsg(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) override;
    HRESULT NotifyNewMail(LPNOTIFICATION lpNotification) override;

protected:
    bool Supports(REFIID riid) const override;
    HRESULT CurrentProps(PropMap& out) override;
    HRESULT WriteProps(const std::vector<PropValue>& values) override;
    HRESULT RemoveProps(const std::vector<ULONG>& ids) override;
    bool IsComputed(ULONG id) const override;
    bool Writable() const override { return m_writable; }
    StoreFile* File() const override { return m_file.get(); }

private:
    MsgStore(std::shared_ptr<StoreFile> file, bool writable) : m_file(std::move(file)), m_writable(writable) {}
    std::shared_ptr<StoreFile> m_file;
    bool m_writable;
    std::set<std::int64_t> m_readOnlyFolders;
};

// Reads a text argument that is 8-bit, or UTF-16 when MAPI_UNICODE is in flags.
std::u16string TextArg(LPTSTR text, ULONG flags);

} // namespace mapi
