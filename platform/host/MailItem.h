// CMailItem: an item of a folder (any message class) in the object model.
#pragma once

#include "com/ComObject.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/HostInterfaces.h"
#include "host/HostSession.h"

#include <span>

class CHostApplication;

class CMailItem : public ComObject<CMailItem, DispatchImpl<CMailItem, _MailItem>, SupportErrorInfoImpl<_MailItem>> {
public:
    CMailItem(CHostApplication* application, ComPtr<IMessage> message, host::Binary entryId, host::Binary storeId);

    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* entryId) override;
    HRESULT STDMETHODCALLTYPE get_Subject(BSTR* subject) override;
    HRESULT STDMETHODCALLTYPE get_MessageClass(BSTR* messageClass) override;
    HRESULT STDMETHODCALLTYPE get_Parent(MAPIFolder** folder) override;
    HRESULT STDMETHODCALLTYPE get_MAPIOBJECT(IUnknown** message) override;
    HRESULT STDMETHODCALLTYPE Display(VARIANT Modal) override;

    IMessage* Message() const { return m_message.get(); }
    const host::Binary& EntryId() const { return m_entryId; }
    const host::Binary& StoreId() const { return m_storeId; }
    host::Binary ParentId() const;
    // The application goes away.
    void Detach() { m_application = nullptr; }

private:
    CHostApplication* m_application;
    ComPtr<IMessage> m_message;
    host::Binary m_entryId;
    host::Binary m_storeId;
};
