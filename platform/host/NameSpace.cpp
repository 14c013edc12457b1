#include "host/NameSpace.h"

#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ErrorReporting.h"
#include "host/Folder.h"
#include "host/HostApplication.h"
#include "host/MailItem.h"
#include "host/VariantArgs.h"

std::span<const DispatchMember> CNameSpace::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&_NameSpace::get_Application>("Application", 0xF000, DISPATCH_PROPERTYGET),
        DispMember<&_NameSpace::get_MAPIOBJECT>("MAPIOBJECT", 0xF100, DISPATCH_PROPERTYGET),
        DispMember<&_NameSpace::get_CurrentProfileName>("CurrentProfileName", 0x2111, DISPATCH_PROPERTYGET),
        DispMember<&_NameSpace::GetItemFromID>("GetItemFromID", 0x2109, DISPATCH_METHOD),
        DispMember<&_NameSpace::GetFolderFromID>("GetFolderFromID", 0x2108, DISPATCH_METHOD),
        DispMember<&_NameSpace::GetDefaultFolder>("GetDefaultFolder", 0x210B, DISPATCH_METHOD),
    };
    return members;
}

namespace {

HRESULT Fail(HRESULT hr, std::string_view text)
{
    return ReportError(hr, IID_OF(_NameSpace), "NameSpace", text);
}

} // namespace

HRESULT CNameSpace::get_Application(_Application** application)
{
    if (!application)
        return E_POINTER;
    *application = m_application;
    if (!m_application)
        return E_UNEXPECTED;
    m_application->AddRef();
    return S_OK;
}

HRESULT CNameSpace::get_MAPIOBJECT(IUnknown** session)
{
    if (!session)
        return E_POINTER;
    *session = nullptr;
    if (!m_application || !m_application->Session().Session())
        return Fail(MAPI_E_NOT_INITIALIZED, "The host is not logged on.");
    *session = m_application->Session().Session();
    (*session)->AddRef();
    return S_OK;
}

HRESULT CNameSpace::get_CurrentProfileName(BSTR* name)
{
    if (!m_application)
        return E_UNEXPECTED;
    return host::CopyText(platform::Utf8ToUtf16(m_application->Session().ProfileName()), name);
}

HRESULT CNameSpace::Ids(BSTR entry, const VARIANT& store, std::vector<BYTE>& entryId, std::vector<BYTE>& storeId)
{
    if (!m_application)
        return E_UNEXPECTED;
    std::optional<std::u16string> storeText;
    if (FAILED(host::OptionalText(store, storeText)))
        return Fail(E_INVALIDARG, "The store ID is not text.");
    if (!host::ParseHex(ComBstr(entry).Utf8(), entryId) || entryId.empty())
        return Fail(E_INVALIDARG, "The entry ID is not valid hexadecimal text.");
    storeId.clear();
    if (storeText && !host::ParseHex(platform::Utf16ToUtf8(*storeText), storeId))
        return Fail(E_INVALIDARG, "The store ID is not valid hexadecimal text.");
    return S_OK;
}

HRESULT CNameSpace::GetItemFromID(BSTR EntryIDItem, VARIANT EntryIDStore, IDispatch** item)
{
    if (!item)
        return E_POINTER;
    *item = nullptr;
    std::vector<BYTE> entryId, storeId;
    HRESULT hr = Ids(EntryIDItem, EntryIDStore, entryId, storeId);
    if (FAILED(hr))
        return hr;
    CMailItem* made = nullptr;
    hr = m_application->OpenItem(entryId, storeId, &made);
    if (FAILED(hr))
        return Fail(hr, "The item cannot be found.");
    *item = static_cast<_MailItem*>(made);
    return S_OK;
}

HRESULT CNameSpace::GetFolderFromID(BSTR EntryIDFolder, VARIANT EntryIDStore, MAPIFolder** folder)
{
    if (!folder)
        return E_POINTER;
    *folder = nullptr;
    std::vector<BYTE> entryId, storeId;
    HRESULT hr = Ids(EntryIDFolder, EntryIDStore, entryId, storeId);
    if (FAILED(hr))
        return hr;
    CFolder* made = nullptr;
    hr = CFolder::Open(m_application->Session(), entryId, storeId, &made);
    if (FAILED(hr))
        return Fail(hr, "The folder cannot be found.");
    *folder = made;
    return S_OK;
}

HRESULT CNameSpace::GetDefaultFolder(LONG FolderType, MAPIFolder** folder)
{
    if (!folder)
        return E_POINTER;
    *folder = nullptr;
    if (!m_application)
        return E_UNEXPECTED;
    ComPtr<IMsgStore> store;
    std::vector<BYTE> storeId, folderId;
    HRESULT hr = m_application->Session().OpenDefaultStore(store, storeId);
    if (FAILED(hr))
        return Fail(hr, "The default store cannot be opened.");
    hr = m_application->Session().DefaultFolderId(store.get(), FolderType, folderId);
    if (hr == E_INVALIDARG)
        return Fail(hr, "Unknown default folder.");
    if (FAILED(hr))
        return Fail(hr, "The default folder does not exist.");
    CFolder* made = nullptr;
    hr = CFolder::Open(m_application->Session(), folderId, storeId, &made);
    if (FAILED(hr))
        return Fail(hr, "The default folder cannot be opened.");
    *folder = made;
    return S_OK;
}
