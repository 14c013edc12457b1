#include "host/Folder.h"

#include "base/Utf.h"
#include "com/ErrorReporting.h"
#include "host/VariantArgs.h"

CFolder::CFolder(const host::HostSession& session, host::Binary entryId, host::Binary storeId, std::u16string name)
    : m_session(session), m_entryId(std::move(entryId)), m_storeId(std::move(storeId)), m_name(std::move(name))
{
}

std::span<const DispatchMember> CFolder::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&MAPIFolder::get_Name>("Name", 0x2102, DISPATCH_PROPERTYGET),
        DispMember<&MAPIFolder::get_EntryID>("EntryID", 0xF01E, DISPATCH_PROPERTYGET),
        DispMember<&MAPIFolder::get_StoreID>("StoreID", 0x3108, DISPATCH_PROPERTYGET),
        DispMember<&MAPIFolder::get_MAPIOBJECT>("MAPIOBJECT", 0xF100, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CFolder::Open(const host::HostSession& session, const host::Binary& entryId, const host::Binary& storeId,
                      CFolder** folder)
{
    *folder = nullptr;
    ULONG type = 0;
    ComPtr<IUnknown> object;
    HRESULT hr = session.OpenEntry(entryId, &storeId, type, object);
    if (FAILED(hr))
        return hr;
    if (type != MAPI_FOLDER)
        return MAPI_E_INVALID_ENTRYID;
    ComPtr<IMAPIProp> props;
    if (FAILED(object.As(props)))
        return E_NOINTERFACE;
    host::Binary store = storeId.empty() ? host::GetBinaryProp(props.get(), PR_STORE_ENTRYID) : storeId;
    return CreateObject(folder, session, entryId, store, host::GetTextProp(props.get(), PR_DISPLAY_NAME_W));
}

HRESULT CFolder::get_Name(BSTR* name)
{
    return host::CopyText(m_name, name);
}

HRESULT CFolder::get_EntryID(BSTR* entryId)
{
    return host::CopyText(platform::Utf8ToUtf16(host::HexText(m_entryId)), entryId);
}

HRESULT CFolder::get_StoreID(BSTR* storeId)
{
    return host::CopyText(platform::Utf8ToUtf16(host::HexText(m_storeId)), storeId);
}

HRESULT CFolder::get_MAPIOBJECT(IUnknown** folder)
{
    if (!folder)
        return E_POINTER;
    *folder = nullptr;
    ULONG type = 0;
    ComPtr<IUnknown> object;
    const HRESULT hr = m_session.OpenEntry(m_entryId, &m_storeId, type, object);
    if (FAILED(hr))
        return ReportError(hr, IID_OF(MAPIFolder), "MAPIFolder", "The folder cannot be opened.");
    *folder = object.get();
    object->AddRef();
    return S_OK;
}
