#include "host/MailItem.h"

#include "base/Utf.h"
#include "com/ErrorReporting.h"
#include "host/Folder.h"
#include "host/HostApplication.h"
#include "host/VariantArgs.h"

CMailItem::CMailItem(CHostApplication* application, ComPtr<IMessage> message, host::Binary entryId,
                     host::Binary storeId)
    : m_application(application), m_message(std::move(message)), m_entryId(std::move(entryId)),
      m_storeId(std::move(storeId))
{
}

std::span<const DispatchMember> CMailItem::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&_MailItem::get_EntryID>("EntryID", 0xF01E, DISPATCH_PROPERTYGET),
        DispMember<&_MailItem::get_Subject>("Subject", 0x0037, DISPATCH_PROPERTYGET),
        DispMember<&_MailItem::get_MessageClass>("MessageClass", 0x001A, DISPATCH_PROPERTYGET),
        DispMember<&_MailItem::get_Parent>("Parent", 0xF001, DISPATCH_PROPERTYGET),
        DispMember<&_MailItem::get_MAPIOBJECT>("MAPIOBJECT", 0xF100, DISPATCH_PROPERTYGET),
        DispMember<&_MailItem::Display>("Display", 0xF0A6, DISPATCH_METHOD),
    };
    return members;
}

host::Binary CMailItem::ParentId() const
{
    return host::GetBinaryProp(m_message.get(), PR_PARENT_ENTRYID);
}

HRESULT CMailItem::get_EntryID(BSTR* entryId)
{
    return host::CopyText(platform::Utf8ToUtf16(host::HexText(m_entryId)), entryId);
}

HRESULT CMailItem::get_Subject(BSTR* subject)
{
    return host::CopyText(host::GetTextProp(m_message.get(), PR_SUBJECT_W), subject);
}

HRESULT CMailItem::get_MessageClass(BSTR* messageClass)
{
    return host::CopyText(host::GetTextProp(m_message.get(), PR_MESSAGE_CLASS_W), messageClass);
}

HRESULT CMailItem::get_Parent(MAPIFolder** folder)
{
    if (!folder)
        return E_POINTER;
    *folder = nullptr;
    if (!m_application)
        return E_UNEXPECTED;
    CFolder* made = nullptr;
    const HRESULT hr = CFolder::Open(m_application->Session(), ParentId(), m_storeId, &made);
    if (FAILED(hr))
        return ReportError(hr, IID_OF(_MailItem), "MailItem", "The item's folder cannot be opened.");
    *folder = made;
    return S_OK;
}

HRESULT CMailItem::get_MAPIOBJECT(IUnknown** message)
{
    if (!message)
        return E_POINTER;
    *message = m_message.get();
    m_message->AddRef();
    return S_OK;
}

HRESULT CMailItem::Display(VARIANT)
{
    if (!m_application)
        return E_UNEXPECTED;
    return m_application->DisplayItem(this);
}
