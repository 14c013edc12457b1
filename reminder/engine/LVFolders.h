// CLVFolders: the subfolders of one folder, sorted by display name, read once by Create. Each
// Item is a new folder object. A folder whose subfolders cannot be listed has none.
#pragma once

#include "ReminderObject.h"

class CLVFolders
    : public ComObject<CLVFolders, DispatchImpl<CLVFolders, ILVFolders>, SupportErrorInfoImpl<ILVFolders>> {
public:
    CLVFolders();
    ~CLVFolders() override;
    static std::span<const DispatchMember> DispatchMembers() { return LVFoldersDispatchMembers(); }

    // S_FALSE (and no rows) when the folder's hierarchy table cannot be opened.
    HRESULT STDMETHODCALLTYPE Create(ILVStore* pStore, ULONG cbEID, BYTE* pbEID) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, ILVFolder** pVal) override;

private:
    ComPtr<ILVStore> m_store;
    LPSRowSet m_rows = nullptr;
};
