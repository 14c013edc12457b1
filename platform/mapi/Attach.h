// Attach: IAttach on a message. SaveChanges hands the attachment to its message; the message's
// SaveChanges writes it to the store.
#pragma once

#include "mapi/Message.h"

#include <functional>

namespace mapi {

class Attach : public PropObject<IAttach> {
public:
    static HRESULT Create(MsgStore* store, std::shared_ptr<MessageState> state, ULONG num, PropMap props,
                          bool writable, IAttach** out);

    HRESULT SaveChanges(ULONG ulFlags) override;
    HRESULT OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                         LPUNKNOWN* lppUnk) override;
    HRESULT CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps, ULONG_PTR ulUIParam,
                   LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
                   LPSPropProblemArray* lppProblems) override;

protected:
    bool Supports(REFIID riid) const override;
    HRESULT CurrentProps(PropMap& out) override;
    HRESULT WriteProps(const std::vector<PropValue>& values) override;
    HRESULT RemoveProps(const std::vector<ULONG>& ids) override;
    bool IsComputed(ULONG id) const override;
    bool Writable() const override { return m_writable; }
    StoreFile* File() const override { return m_store->file().get(); }

private:
    Attach(MsgStore* store, std::shared_ptr<MessageState> state, ULONG num, PropMap props, bool writable)
        : m_store(store), m_state(std::move(state)), m_num(num), m_props(std::move(props)), m_writable(writable)
    {
    }
    ComPtr<MsgStore> m_store;
    std::shared_ptr<MessageState> m_state;
    ULONG m_num;
    PropMap m_props;
    bool m_writable;
};

// A stream over one property value; Commit hands the bytes back.
HRESULT OpenPropertyStream(const PropMap& props, ULONG tag, LPCIID iid, ULONG flags, bool writable,
                           std::function<HRESULT(PropValue)> commit, LPUNKNOWN* out);

} // namespace mapi
