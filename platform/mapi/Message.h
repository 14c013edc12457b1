// Message: IMessage. Changes stay in memory until SaveChanges writes the message with its
// attachments and recipients in one transaction.
#pragma once

#include "com/ComPtr.h"
#include "mapi/MsgStore.h"

namespace mapi {

// What a message and the attachments opened on it share.
struct MessageState {
    std::recursive_mutex mutex;
    std::int64_t id = 0; // 0 until first saved
    std::int64_t folder = 0;
    bool associated = false;
    PropMap props;
    std::vector<SubObject> attachments;
    std::vector<SubObject> recipients;
    ULONG nextAttachNum = 0;
    ULONG nextRowId = 0;
    std::uint64_t version = 0; // bumped on every change of attachments or recipients
};

class Message : public PropObject<IMessage> {
public:
    static HRESULT Open(MsgStore* store, const ObjectInfo& info, bool writable, IMessage** out);
    static HRESULT CreateNew(MsgStore* store, std::int64_t folder, bool associated, IMessage** out);

    HRESULT SaveChanges(ULONG ulFlags) override;
    HRESULT OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                         LPUNKNOWN* lppUnk) override;
    HRESULT CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps, ULONG_PTR ulUIParam,
                   LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
                   LPSPropProblemArray* lppProblems) override;

    HRESULT GetAttachmentTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT OpenAttach(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags, LPATTACH* lppAttach) override;
    HRESULT CreateAttach(LPCIID lpInterface, ULONG ulFlags, ULONG* lpulAttachmentNum, LPATTACH* lppAttach) override;
    HRESULT DeleteAttach(ULONG ulAttachmentNum, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                         ULONG ulFlags) override;
    HRESULT GetRecipientTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT ModifyRecipients(ULONG ulFlags, LPADRLIST lpMods) override;
    HRESULT SubmitMessage(ULONG ulFlags) override;
    // After a failed SubmitMessage: what went wrong.
    HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) override;
    HRESULT SetReadFlag(ULONG ulFlags) override;

protected:
    bool Supports(REFIID riid) const override;
    HRESULT CurrentProps(PropMap& out) override;
    HRESULT WriteProps(const std::vector<PropValue>& values) override;
    HRESULT RemoveProps(const std::vector<ULONG>& ids) override;
    bool IsComputed(ULONG id) const override;
    bool IsIgnoredWrite(ULONG id) const override;
    bool Writable() const override { return m_writable; }
    StoreFile* File() const override { return m_store->file().get(); }

private:
    Message(MsgStore* store, std::shared_ptr<MessageState> state, bool writable)
        : m_store(store), m_state(std::move(state)), m_writable(writable)
    {
    }

    HRESULT SubmitFailed(HRESULT hr, const std::string& why);

    ComPtr<MsgStore> m_store;
    std::shared_ptr<MessageState> m_state;
    bool m_writable;
    HRESULT m_lastResult = S_OK; // of the last failed submission
    std::string m_lastError;
};

// Properties of a message that the store computes, for the message and its table rows.
void AddMessageComputed(const StoreFile& file, std::int64_t id, std::int64_t folder, PropMap& props);
// One of those of a stored message (false for a property that is not one of them).
bool IsContentsComputed(ULONG propId);
bool ContentsComputed(const StoreFile& file, std::int64_t id, std::int64_t folder, ULONG propId, PropValue& out);
bool IsMessageComputed(ULONG id);

} // namespace mapi
