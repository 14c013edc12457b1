// CFolder: a MAPI folder as the object model shows it (name, entry and store IDs as hex text,
// the MAPI folder itself).
#pragma once

#include "com/ComObject.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/HostInterfaces.h"
#include "host/HostSession.h"

#include <span>

class CFolder : public ComObject<CFolder, DispatchImpl<CFolder, MAPIFolder>, SupportErrorInfoImpl<MAPIFolder>> {
public:
    CFolder(const host::HostSession& session, host::Binary entryId, host::Binary storeId, std::u16string name);

    static std::span<const DispatchMember> DispatchMembers();
    // A folder object for an entry ID; fails when it names no folder.
    static HRESULT Open(const host::HostSession& session, const host::Binary& entryId, const host::Binary& storeId,
                        CFolder** folder);

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* entryId) override;
    HRESULT STDMETHODCALLTYPE get_StoreID(BSTR* storeId) override;
    HRESULT STDMETHODCALLTYPE get_MAPIOBJECT(IUnknown** folder) override;

    const host::Binary& EntryId() const { return m_entryId; }
    const host::Binary& StoreId() const { return m_storeId; }
    const std::u16string& Name() const { return m_name; }

private:
    const host::HostSession& m_session;
    host::Binary m_entryId;
    host::Binary m_storeId;
    std::u16string m_name;
};
