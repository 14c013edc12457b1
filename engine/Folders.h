// The folders below a folder (all its descendants), or at store level the IPM subtree alone.
#pragma once

#include "EngineObject.h"
#include "mapi/MapiX.h"

#include <vector>

class CFolders : public ComObject<CFolders, DispatchImpl<CFolders, IFolders>, SupportErrorInfoImpl<IFolders>> {
public:
    CFolders();
    ~CFolders() override;
    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE Create(IStore* pStore, IProfile* pProfile, ULONG cbEID, BYTE* pbEID,
                                     LONG bDest) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IFolder** pVal) override;

private:
    ComPtr<IStore> m_store;
    ComPtr<IProfile> m_profile;
    LONG m_bDest = 0;
    bool m_rootList = false;
    std::vector<std::vector<BYTE>> m_rows; // entry IDs, in table order
};
