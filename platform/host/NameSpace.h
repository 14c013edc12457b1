// CNameSpace: the "MAPI" name space of the application: the session, items and folders by
// entry ID, the default folders.
#pragma once

#include "com/ComObject.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/HostInterfaces.h"

#include <span>
#include <vector>

class CHostApplication;

class CNameSpace : public ComObject<CNameSpace, DispatchImpl<CNameSpace, _NameSpace>, SupportErrorInfoImpl<_NameSpace>> {
public:
    explicit CNameSpace(CHostApplication* application) : m_application(application) {}

    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE get_Application(_Application** application) override;
    HRESULT STDMETHODCALLTYPE get_MAPIOBJECT(IUnknown** session) override;
    HRESULT STDMETHODCALLTYPE get_CurrentProfileName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetItemFromID(BSTR EntryIDItem, VARIANT EntryIDStore, IDispatch** item) override;
    HRESULT STDMETHODCALLTYPE GetFolderFromID(BSTR EntryIDFolder, VARIANT EntryIDStore, MAPIFolder** folder) override;
    HRESULT STDMETHODCALLTYPE GetDefaultFolder(LONG FolderType, MAPIFolder** folder) override;

    void Detach() { m_application = nullptr; }

private:
    HRESULT Ids(BSTR entry, const VARIANT& store, std::vector<BYTE>& entryId, std::vector<BYTE>& storeId);

    CHostApplication* m_application;
};
