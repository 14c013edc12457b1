// The engine library's type library TembrixLib: its dual interfaces, the progress callback
// interface, and the CLSIDs of its classes. Clients (the window program, scripts) use these
// declarations; every object is reached through COM.
#pragma once

#include "base/WinTime.h"
#include "com/Dispatch.h"

struct ISyncEngine;
struct IProfiles;
struct IProfile;
struct IStores;
struct IStore;
struct IFolders;
struct IFolder;
struct IConflicts;
struct IConflict;
struct IStatus;

inline constexpr GUID LIBID_TembrixLib = MakeGuid("4A75B8F9-51DB-4626-8035-FA61A46B928B");

inline constexpr CLSID CLSID_SyncEngine = MakeGuid("5835290B-8949-4F11-B2B1-5795AAEDA16C");
inline constexpr CLSID CLSID_Profiles = MakeGuid("3C8F6E94-B5A8-49A1-B86E-5E77B9E0A191");
inline constexpr CLSID CLSID_Profile = MakeGuid("EFB08CB4-AAC8-44D2-B56F-CF745DB53C7F");
inline constexpr CLSID CLSID_Stores = MakeGuid("4509D00C-F4EB-4031-8306-F8EE2D65B38D");
inline constexpr CLSID CLSID_Store = MakeGuid("D5A2BCD3-2405-4129-8A65-10E6D6E5483A");
inline constexpr CLSID CLSID_Folders = MakeGuid("F82A7CB5-E2A2-4698-8025-5180F9CA66E3");
inline constexpr CLSID CLSID_Folder = MakeGuid("2330B2FA-2C3B-468E-B20E-E07E3ACB476E");
inline constexpr CLSID CLSID_Conflict = MakeGuid("95D5C734-809E-4D21-AD79-1A6F148B7EC2");
inline constexpr CLSID CLSID_Conflicts = MakeGuid("FD6F1686-B6ED-43AF-9D7C-A146C88AA345");
inline constexpr CLSID CLSID_ComAddIn = MakeGuid("7F735073-D624-446C-B9BF-D3CAFD5A7205");

// Addresses cross these interfaces as pointer-sized integers (GetStoreList, IStore::Create,
// IProfiles::GetKey).

struct ISyncEngine : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Profiles(IProfiles** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Sources(IStores** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Destinations(IStores** pVal) = 0;
    // Writes the address of the store record array to *(StoreRec**)lppStoreRec.
    virtual HRESULT STDMETHODCALLTYPE GetStoreList(LONG_PTR lppStoreRec, LONG* lpnStoreRec) = 0;
    virtual HRESULT STDMETHODCALLTYPE Init() = 0;
};
PLATFORM_DECLARE_IID(ISyncEngine, "78ED9A1D-BCDA-45D8-870D-BEFB7BA46B70");

struct IProfiles : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Create(ISyncEngine* pEngine) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IProfile** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(IProfile* pProfile) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(IProfile* pProfile) = 0;
    // Writes the open profiles HKEY to *(HKEY*)lpKey.
    virtual HRESULT STDMETHODCALLTYPE GetKey(LONG_PTR lpKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Engine(ISyncEngine** pVal) = 0;
};
PLATFORM_DECLARE_IID(IProfiles, "56375979-C3EB-448E-A0B8-702510893BB1");

struct IProfile : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Create(IProfiles* pParent, LPSTR pszKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE Load() = 0;
    virtual HRESULT STDMETHODCALLTYPE Save() = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Source(IStore** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Source(IStore* newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Destination(IStore** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Destination(IStore* newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGuid) = 0;
    virtual HRESULT STDMETHODCALLTYPE Synchronize(IStatus* pStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE FinalizeSynchronize() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Conflicts(IConflicts** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResolveConflict(IConflict* pConflict, SHORT mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_QueryDelete(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_QueryDelete(LONG newVal) = 0;
};
PLATFORM_DECLARE_IID(IProfile, "A0950362-65F9-4645-85AC-4A4C72A038B2");

struct IStores : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Create(ISyncEngine* pParent, LONG bDest) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IStore** pVal) = 0;
};
PLATFORM_DECLARE_IID(IStores, "B591C4E5-B7F0-4BC8-8160-0F315872760C");

struct IStore : IDispatch {
    // lpStoreRec: the address of the engine's StoreRec.
    virtual HRESULT STDMETHODCALLTYPE Create(IStores* pParent, LONG_PTR lpStoreRec, LONG bDest) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SessionName(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StoreName(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsDestination(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Open() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MDB(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Folders(IFolders** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProfile(IProfile* pProfile) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddSrcKey(LPSTR pszKey, IFolder* pDstFolder) = 0;
    virtual HRESULT STDMETHODCALLTYPE DelSrcKey(LPSTR pszKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindSrcKey(LPSTR pszKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SyncFolderCount(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FirstSyncFolder(IFolder** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NextSyncFolder(IFolder** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastSyncTime(FILETIME* pTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLastSyncTime(FILETIME* pTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Session(IUnknown** pVal) = 0;
};
PLATFORM_DECLARE_IID(IStore, "288BFBAF-A7E2-4504-B4EF-C7B4EBE6A02B");

struct IFolders : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Create(IStore* pStore, IProfile* pProfile, ULONG cbEID, BYTE* pbEID,
                                             LONG bDest) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IFolder** pVal) = 0;
};
PLATFORM_DECLARE_IID(IFolders, "07A670EB-B07D-4E90-B00F-A226632822AB");

struct IFolder : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Create(IStore* pStore, IProfile* pProfile, ULONG cbEID, BYTE* pbEID,
                                             LONG bDest, LONG bRoot) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HasFolders(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Folders(IFolders** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsDestination(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Type(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Source(IFolder** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Source(IFolder* newVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsEmpty(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MAPIFolder(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsValid(LONG* pVal) = 0;
};
PLATFORM_DECLARE_IID(IFolder, "F9880AE0-5E6F-465A-B604-79804DCAB049");

struct IConflicts : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Create(IProfile* pParent, LONG lConflicts, IConflict** pConflicts) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IConflict** pVal) = 0;
};
PLATFORM_DECLARE_IID(IConflicts, "DE0D0C43-2E79-41C2-937B-4AB4434D58F6");

struct IConflict : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Create(IProfile* pParent, SHORT Type, IUnknown* pSrcFolder,
                                             IUnknown* pDstFolder, IUnknown* pSrcMsg, IUnknown* pDstMsg,
                                             LPSTR pszErr) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Type(SHORT* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceFolder(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationFolder(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceEntryID(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationEntryID(BSTR* pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceMessage(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationMessage(IUnknown** pVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Resolve(SHORT mode) = 0;
};
PLATFORM_DECLARE_IID(IConflict, "1A5E6A73-B2B1-4130-9727-9DFEE9023976");

// The add-in's own dual interface; it has no members.
struct IComAddIn : IDispatch {};
PLATFORM_DECLARE_IID(IComAddIn, "C1211E8A-ECE4-4C2F-B611-1616329FE515");

// Progress of a sync run (not dual). The engine does not check the results.
struct IStatus : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Information(BSTR msg) = 0;
    virtual HRESULT STDMETHODCALLTYPE FoldersProgress(LONG lCurrent, LONG lTotal) = 0;
    // Hands over one reference, which the receiver releases.
    virtual HRESULT STDMETHODCALLTYPE CurrentFolder(IFolder* pFolder) = 0;
    virtual HRESULT STDMETHODCALLTYPE MessagesProgress(LONG lCurrent, LONG lTotal) = 0;
};
PLATFORM_DECLARE_IID(IStatus, "7D60BA77-0A86-4E56-9BFC-B06D949BE2ED");

inline constexpr IID IID_ISyncEngine = uuidof<ISyncEngine>();
inline constexpr IID IID_IProfiles = uuidof<IProfiles>();
inline constexpr IID IID_IProfile = uuidof<IProfile>();
inline constexpr IID IID_IStores = uuidof<IStores>();
inline constexpr IID IID_IStore = uuidof<IStore>();
inline constexpr IID IID_IFolders = uuidof<IFolders>();
inline constexpr IID IID_IFolder = uuidof<IFolder>();
inline constexpr IID IID_IConflicts = uuidof<IConflicts>();
inline constexpr IID IID_IConflict = uuidof<IConflict>();
inline constexpr IID IID_IComAddIn = uuidof<IComAddIn>();
inline constexpr IID IID_IStatus = uuidof<IStatus>();
