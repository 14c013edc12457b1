// The conflicts of a profile's sync run. The collection holds its own reference to each
// conflict, so items stay valid for as long as anyone holds the collection or an item.
#pragma once

#include "EngineObject.h"

#include <vector>

class CConflicts : public ComObject<CConflicts, DispatchImpl<CConflicts, IConflicts>,
                                    SupportErrorInfoImpl<IConflicts>> {
public:
    CConflicts();
    ~CConflicts() override;
    static std::span<const DispatchMember> DispatchMembers();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE Create(IProfile* pParent, LONG lConflicts, IConflict** pConflicts) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IConflict** pVal) override;

private:
    ComPtr<IProfile> m_parent;
    std::vector<ComPtr<IConflict>> m_conflicts;
};
