// CLVFolder: one MAPI folder of a store, for the options page's folder tree and the engine. The
// same object watches the folder once it is a reminder folder: it opens the folder's contents
// table restricted to items with a reminder or a recurrence, advises itself on it, and keeps one
// copy of each such item in the engine's back folder (the watch side lives in LVFolderWatch.cpp).
#pragma once

#include "BackFolderCopies.h"
#include "BackFolderItem.h"
#include "ReminderObject.h"

#include <string>
#include <vector>

// Folder properties read by Create, by position.
enum FolderProp : ULONG {
    IDX_FOLDER_DISPLAY_NAME = 0,
    IDX_FOLDER_ENTRYID = 1,
    IDX_FOLDER_RECORD_KEY = 2,
    IDX_FOLDER_CONTAINER_CLASS = 3,
    IDX_FOLDER_FOLDER_TYPE = 4,
    IDX_FOLDER_SUBFOLDERS = 5,
    FOLDER_PROP_COUNT = 6,
};

class CLVFolder : public ComObject<CLVFolder, DispatchImpl<CLVFolder, ILVFolder>, SupportErrorInfoImpl<ILVFolder>,
                                   IMAPIAdviseSink> {
public:
    CLVFolder();
    ~CLVFolder() override;
    static std::span<const DispatchMember> DispatchMembers() { return LVFolderDispatchMembers(); }

    HRESULT STDMETHODCALLTYPE Create(ILVStore* pStore, ULONG cbEID, BYTE* pbEID) override;
    HRESULT STDMETHODCALLTYPE get_MAPIFolder(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE Advise(IReminderEngine* pEngine) override;
    HRESULT STDMETHODCALLTYPE Unadvise() override;
    HRESULT STDMETHODCALLTYPE get_Folders(ILVFolders** pVal) override;
    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_DefaultFolderType(DefaultFolderType* pVal) override;
    HRESULT STDMETHODCALLTYPE get_ContainerClass(ContainerClass* pVal) override;
    HRESULT STDMETHODCALLTYPE get_ReminderType(ReminderType* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ReminderType(ReminderType newVal) override;
    HRESULT STDMETHODCALLTYPE get_RemindersPossible(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE get_InWasteBasket(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE get_SubFolders(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Store(ILVStore** pVal) override;

    // The watched table's notifications (this object is the sink it is advised with).
    ULONG OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications) override;

    // The watch's cached rows, in the watched table's columns (for tests and diagnostics).
    const SRowSet* CachedRows() const { return m_rows; }

private:
    // A folder property read by Create, when the folder has it with that tag.
    const SPropValue* FolderProp(ULONG index, ULONG tag) const;
    // The folder's display name as 8-bit (UTF-8) text.
    std::string NameText() const;

    // The watch (LVFolderWatch.cpp).
    HRESULT GetRestriction(LPSRestriction* restriction);
    HRESULT ReReadContentsTable();
    HRESULT AddToBackFolder(const SRow& row);
    HRESULT RemoveFromBackFolder(const SRow& row);
    HRESULT ModifyInBackFolder(const SRow& row);
    HRESULT RewriteInBackFolder(const SRowSet* rows);
    static HRESULT AppendPropTag(LPSPropTagArray* tags, ULONG tag);
    static HRESULT GetNamedPropValue(IMessage* message, LPSPropValue* value);
    HRESULT GetBackFolder(IMAPIFolder** folder);
    // Opens a source item of the watched folder from a row's PR_ENTRYID.
    HRESULT OpenSourceItem(const SRow& row, IMessage** message);
    // Opens the item of a row, the back folder, and finds the item's copies there.
    HRESULT FindItemCopies(const SRow& row, IMessage** source, IMAPIFolder** backFolder,
                           std::vector<CBackFolderCopies::Bytes>& copies);
    // A new copy of the item (the back folder holds no copy of it yet).
    HRESULT CreateCopy(IMessage* source, IMAPIFolder* backFolder);
    // Writes a copy's named values: the source's values of those names, this folder's and its
    // store's names and this folder's record key.
    HRESULT SetNamedValues(IMessage* copy, LPSPropValue values, ULONG count, LPSPropTagArray tags,
                           std::span<const BackFolderItem::Name> names);
    // Brings the copy with this entry ID up to date with the item.
    HRESULT UpdateCopy(IMessage* source, IMAPIFolder* backFolder, const SBinary& copyEntryId);
    void ReleaseWatch();

    // Watch state.
    ULONG m_connection = 0;
    IReminderEngine* m_engine = nullptr; // not counted: the engine outlives its watched folders
    ComPtr<ILVStore> m_store;
    ComPtr<IMAPIFolder> m_folder;
    ComPtr<IMAPITable> m_table;
    LPSRowSet m_rows = nullptr;
    // Folder properties read by Create.
    ULONG m_cFolderProps = 0;
    LPSPropValue m_folderProps = nullptr;
    CBackFolderCopies m_copies;
};
