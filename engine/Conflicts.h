// The conflicts of a profile's sync run. Filled in with the sync run; until then every member
// answers E_NOTIMPL.
#pragma once

#include "EngineObject.h"

class CConflicts : public ComObject<CConflicts, DispatchImpl<CConflicts, IConflicts>,
                                    SupportErrorInfoImpl<IConflicts>> {
public:
    CConflicts();
    ~CConflicts() override;
    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE Create(IProfile* pParent, LONG lConflicts, IConflict** pConflicts) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IConflict** pVal) override;
};
