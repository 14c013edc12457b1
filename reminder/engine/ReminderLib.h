// The add-in's type library in C++: the reminder engine's interface, the store, folder and
// collection interfaces of its folder model, their enumerations and the class ids.
//
// Every member is offered late-bound through the per-interface tables below, except those that
// take addresses (a row, a key's bytes, 8-bit texts, a FILETIME): they are reached through the
// vtable only, and their parameters are pointer-sized, so nothing is cut on a 64-bit machine.
#pragma once

#include "com/Dispatch.h"
#include "com/DispatchMember.h"

#include <span>

struct IReminderEngine;
struct ILVStores;
struct ILVStore;
struct ILVFolders;
struct ILVFolder;

inline constexpr GUID LIBID_LumivaneLib = MakeGuid("ECE424C5-06C3-457E-A9F2-E680F54337A0");

inline constexpr CLSID CLSID_ReminderEngine = MakeGuid("30D581D4-D155-41ED-B6E9-125BDA26E9C4");
inline constexpr CLSID CLSID_LVStores = MakeGuid("9364C18B-D09D-4847-94EE-39EC0ADBD710");
inline constexpr CLSID CLSID_LVStore = MakeGuid("7B39DA71-110F-4393-BA59-1539E63B8447");
inline constexpr CLSID CLSID_LVFolders = MakeGuid("D7F6F7E8-1E2C-4BDA-9E4D-FC8066F0DEAC");
inline constexpr CLSID CLSID_LVFolder = MakeGuid("C4A0DF49-0AB4-4A2E-985D-086BB1EE9712");

enum ReminderType : LONG {
    RT_NONE = 0,
    RT_PERSONAL = 1,
    RT_PUBLIC = 2,
};

enum ContainerClass : LONG {
    CC_Mail = 0,
    CC_Appointment = 1,
    CC_Contact = 2,
    CC_Task = 3,
    CC_Journal = 4,
    CC_Note = 5,
    CC_RSS = 6,
};

enum DefaultFolderType : LONG {
    DFT_NONE = 0,
    DFT_ROOT = 1,
    DFT_IPM_SUBTREE = 2,
    DFT_IPM_OUTBOX = 3,
    DFT_IPM_WASTEBASKET = 4,
    DFT_IPM_SENTMAIL = 5,
    DFT_VIEWS = 6,
    DFT_COMMON_VIEWS = 7,
    DFT_FINDER = 8,
    DFT_IPM_FAVORITES = 9,
    DFT_IPM_INBOX = 10,
    DFT_IPM_APPOINTMENT = 11,
    DFT_IPM_CONTACT = 12,
    DFT_IPM_JOURNAL = 13,
    DFT_IPM_NOTE = 14,
    DFT_IPM_TASK = 15,
    DFT_REM_ONLINE = 16,
    DFT_REM_OFFLINE = 17,
    DFT_IPM_DRAFTS = 18,
    DFT_IPM_CONFLICTS = 19,
    DFT_IPM_SYNC_ISSUS = 20,
    DFT_IPM_LOCAL_FAILURES = 21,
    DFT_IPM_SERVER_FAILURES = 22,
    DFT_IPM_JUNK_EMAIL = 23,
};

struct IReminderEngine : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_MapiSession(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(VARIANT Session) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReminderFolder(ILVFolder* pFolder, ReminderType newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Stores(ILVStores** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BackFolder(ILVFolder** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProfileName(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UpdateInterval(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UpdateInterval(LONG newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Configuring(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Configuring(VARIANT_BOOL newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowReminders() = 0;
    // The address of a UTC FILETIME, or 0 for none.
    virtual HRESULT STDMETHODCALLTYPE SetNextReminder(LONG_PTR dwReminder) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsReminderFolder(BSTR StoreID, BSTR EntryID, VARIANT_BOOL* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableStore(BSTR RecordKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableStore(BSTR RecordKey) = 0;
};
PLATFORM_DECLARE_IID(IReminderEngine, "D895F3AA-7645-49F7-9C75-1F99CE36A896");

struct ILVStores : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Create(IReminderEngine* pParent, IUnknown* pSession) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReminderEngine(IReminderEngine** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Item(LONG index, ILVStore** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProfileKey(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProfileName(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStoreFromKey(BSTR Key, ILVStore** pRet) = 0;
};
PLATFORM_DECLARE_IID(ILVStores, "A8DA5960-6D2A-4E6A-AD86-DBD73F9C25F4");

struct ILVStore : IDispatch {
    // pRow: the address of the store's row (an SRow of the collection's columns); the store
    // keeps a copy of it.
    virtual HRESULT STDMETHODCALLTYPE Create(ILVStores* pParent, LONG_PTR pRow) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultFolderType(ULONG cbKey, BYTE* pbKey, DefaultFolderType* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReminderFolder(LPSTR Key, LPSTR eid, LPSTR display, ReminderType type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReminderType(LPSTR Key, ReminderType* ptype) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MapiSession(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MDB(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DefaultFolder(DefaultFolderType type, ILVFolder** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFolderFromEID(BSTR eid, ILVFolder** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DefaultStore(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MDBProvider(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StoreSupportMask(LONG* pVal) = 0;
};
PLATFORM_DECLARE_IID(ILVStore, "B92BA472-09C3-4AC8-A644-88C7836B17EC");

struct ILVFolders : IDispatch {
    // pbEID: the parent folder's entry ID.
    virtual HRESULT STDMETHODCALLTYPE Create(ILVStore* pStore, ULONG cbEID, BYTE* pbEID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Item(LONG index, ILVFolder** pVal) = 0;
};
PLATFORM_DECLARE_IID(ILVFolders, "976EED54-21AD-4A65-985C-242579F0A712");

struct ILVFolder : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Create(ILVStore* pStore, ULONG cbEID, BYTE* pbEID) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MAPIFolder(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IReminderEngine* pEngine) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Folders(ILVFolders** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DefaultFolderType(DefaultFolderType* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ContainerClass(ContainerClass* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReminderType(ReminderType* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ReminderType(ReminderType newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RemindersPossible(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InWasteBasket(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SubFolders(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Store(ILVStore** pVal) = 0;
};
PLATFORM_DECLARE_IID(ILVFolder, "81E02C4A-DC54-4006-A140-9A0C0B257598");

inline constexpr IID IID_IReminderEngine = uuidof<IReminderEngine>();
inline constexpr IID IID_ILVStores = uuidof<ILVStores>();
inline constexpr IID IID_ILVStore = uuidof<ILVStore>();
inline constexpr IID IID_ILVFolders = uuidof<ILVFolders>();
inline constexpr IID IID_ILVFolder = uuidof<ILVFolder>();

// The late-bound members of each interface, with the type library's dispatch ids. A class
// that implements one of them returns its table from DispatchMembers().
std::span<const DispatchMember> ReminderEngineDispatchMembers();
std::span<const DispatchMember> LVStoresDispatchMembers();
std::span<const DispatchMember> LVStoreDispatchMembers();
std::span<const DispatchMember> LVFoldersDispatchMembers();
std::span<const DispatchMember> LVFolderDispatchMembers();
