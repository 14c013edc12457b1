// One MAPI folder of a store. A destination folder is linked to a source folder through the
// named property PRS_SOURCE_FOLDER (the source folder's entry ID).
#pragma once

#include "EngineObject.h"
#include "mapi/MapiX.h"

class CFolder : public ComObject<CFolder, DispatchImpl<CFolder, IFolder>, SupportErrorInfoImpl<IFolder>> {
public:
    CFolder();
    ~CFolder() override;
    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE Create(IStore* pStore, IProfile* pProfile, ULONG cbEID, BYTE* pbEID, LONG bDest,
                                     LONG bRoot) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_HasFolders(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Folders(IFolders** pVal) override;
    HRESULT STDMETHODCALLTYPE get_IsDestination(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Type(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Source(IFolder** pVal) override;
    HRESULT STDMETHODCALLTYPE put_Source(IFolder* newVal) override;
    HRESULT STDMETHODCALLTYPE get_IsEmpty(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_MAPIFolder(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_IsValid(LONG* pVal) override;

private:
    enum { P_ENTRYID, P_RECORD_KEY, P_DISPLAY_NAME, P_SUBFOLDERS, P_CONTAINER_CLASS, P_COUNT };

    HRESULT StringProp(int index, BSTR* pVal);

    ComPtr<IStore> m_store;
    ComPtr<IProfile> m_profile;
    LONG m_bDest = 0;
    LONG m_bRoot = 0;
    ComPtr<IMAPIFolder> m_folder;
    LPSPropValue m_props = nullptr; // the five properties read at creation
    ULONG m_cProps = 0;
    ULONG m_tagSourceFolder = 0;
};
