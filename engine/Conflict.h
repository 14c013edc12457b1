// One undecided case of a sync run. Filled in with the sync run; until then every member
// answers E_NOTIMPL.
#pragma once

#include "EngineObject.h"

class CConflict : public ComObject<CConflict, DispatchImpl<CConflict, IConflict>, SupportErrorInfoImpl<IConflict>> {
public:
    CConflict();
    ~CConflict() override;
    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE Create(IProfile* pParent, SHORT Type, IUnknown* pSrcFolder, IUnknown* pDstFolder,
                                     IUnknown* pSrcMsg, IUnknown* pDstMsg, LPSTR pszErr) override;
    HRESULT STDMETHODCALLTYPE get_Type(SHORT* pVal) override;
    HRESULT STDMETHODCALLTYPE get_SourceFolder(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_DestinationFolder(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_SourceEntryID(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_DestinationEntryID(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_SourceMessage(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE get_DestinationMessage(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE Resolve(SHORT mode) override;
};
