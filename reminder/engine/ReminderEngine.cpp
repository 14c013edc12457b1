// The engine object: creation and release, the session and the store collection, switching the
// engine on and off, the watched folders from the registry, and resetting the settings.
#include "ReminderEngine.h"

#include "BackFolder.h"
#include "EngineSeam.h"
#include "LVStores.h"
#include "MapiBuffer.h"
#include "MapiUtils.h"
#include "ModuleInstance.h"
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "TraceScope.h"
#include "base/LastError.h"
#include "base/MessageBox.h"
#include "base/Profile.h"
#include "system/SystemInfo.h"
#include "base/SystemMessages.h"
#include "base/Utf.h"
#include "base/Window.h"
#include "com/ComBstr.h"

#include <utility>

namespace {

constexpr char kHalvestaKey[] = "Software\\Halvesta";
constexpr char kAddInSubKey[] = "Lumivane Add-In";
constexpr char kCaption[] = "Lumivane Add-In";

std::string Text(BSTR text)
{
    return text ? platform::Utf16ToUtf8(std::u16string_view(text, SysStringLen(text))) : std::string();
}

HRESULT FromWin32(LONG rc)
{
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
}

// The message window's procedure hands everything to the engine that owns the window.
LRESULT CALLBACK TimerWindowProc(CReminderEngine* engine, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (engine && engine->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result, 0))
        return result;
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

} // namespace

CReminderEngine::CReminderEngine()
{
    TRACE_CTOR("CReminderEngine");
}

CReminderEngine::~CReminderEngine()
{
    TRACE_DTOR("CReminderEngine");
    if (m_pSink) {
        m_pSink->RemoveSink();
        m_pSink = nullptr;
    }
    m_pBackFolder = nullptr;
    m_pStores = nullptr;
    m_pSession = nullptr;
    // The watched folders go before MAPI does.
    m_folders.RemoveAll();
    if (m_mapiInitialized)
        MAPIUninitialize();
}

HRESULT CReminderEngine::CreateInstance(IReminderEngine** out)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::CreateInstance", &hr);
    CReminderEngine* engine = nullptr;
    if (!out) {
        hr = E_POINTER;
        return hr;
    }
    *out = nullptr;
    hr = CreateObject(&engine);
    if (FAILED(hr)) {
        TRACE_FAILED(CreateInstance, hr);
        return hr;
    }
    *out = engine;
    return hr;
}

HRESULT CReminderEngine::FinalConstruct()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::FinalConstruct", &hr);
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    HWND parent = nullptr;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5)
        parent = HWND_MESSAGE;
    m_hWnd = platform::CreateMessageWindow(
        "LumivaneReminderTimer", "ReminderTimer",
        [this](HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
            return TimerWindowProc(this, hWnd, uMsg, wParam, lParam);
        },
        parent, nullptr, WS_POPUP);
    if (!m_hWnd) {
        hr = HRESULT_FROM_WIN32(GetLastError());
        if (SUCCEEDED(hr))
            hr = E_FAIL;
        TRACE_FAILED(Create, hr);
    }
    return hr;
}

void CReminderEngine::FinalRelease()
{
    TRACE_PROC("CReminderEngine::FinalRelease");
    put_Enabled(VARIANT_FALSE);
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

HRESULT CReminderEngine::get_MapiSession(IUnknown** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::get_MapiSession", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = m_pSession.get();
    if (*pVal)
        (*pVal)->AddRef();
    return hr;
}

HRESULT CReminderEngine::Initialize(VARIANT Session)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::Initialize", &hr);
    ComPtr<IMAPISession> session;
    HRESULT queried = S_OK;
    bool logon = false;
    bool named = false;
    std::u16string profile;
    ULONG flags = MAPI_EXTENDED | MAPI_NO_MAIL;

    if (Session.vt != VT_EMPTY && Session.vt != VT_BSTR && Session.vt != VT_DISPATCH && Session.vt != VT_UNKNOWN) {
        hr = E_INVALIDARG;
        TRACE_FAILED(Initialize, hr);
        return hr;
    }
    // Another session: what was built on the old one goes first, the store collection included.
    if (m_enabled) {
        const HRESULT disabled = put_Enabled(VARIANT_FALSE);
        if (FAILED(disabled))
            TRACE_FAILED(put_Enabled, disabled);
    }
    m_pStores = nullptr;
    m_pSession = nullptr;

    switch (Session.vt) {
    case VT_EMPTY:
        logon = true;
        break;
    case VT_BSTR:
        logon = true;
        if (Session.bstrVal) {
            named = true;
            profile.assign(Session.bstrVal, SysStringLen(Session.bstrVal));
        }
        break;
    default: // VT_DISPATCH, VT_UNKNOWN
        if (!Session.punkVal)
            logon = true;
        else
            queried = Session.punkVal->QueryInterface(IID_IMAPISession, session.put_void());
        break;
    }

    if (!m_mapiInitialized) {
        hr = MAPIInitialize(nullptr);
        if (FAILED(hr)) {
            TRACE_FAILED(MAPIInitialize, hr);
            return hr;
        }
        m_mapiInitialized = true;
    }
    if (FAILED(queried)) {
        hr = queried;
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    if (logon) {
        if (named)
            flags |= MAPI_NEW_SESSION | (profile.empty() ? MAPI_USE_DEFAULT : MAPI_EXPLICIT_PROFILE);
        std::u16string wide = profile;
        hr = MAPILogonEx(0, named ? reinterpret_cast<LPTSTR>(wide.data()) : nullptr, nullptr, flags | MAPI_UNICODE,
                         session.put());
        if (FAILED(hr)) {
            std::string ansi = platform::Utf16ToUtf8(profile);
            hr = MAPILogonEx(0, named ? reinterpret_cast<LPTSTR>(ansi.data()) : nullptr, nullptr, flags,
                             session.put());
        }
        if (FAILED(hr)) {
            TRACE_FAILED(MAPILogonEx, hr);
            return hr;
        }
    }
    m_pSession = session;
    hr = get_Stores(nullptr);
    if (FAILED(hr))
        TRACE_FAILED(get_Stores, hr);
    return hr;
}

HRESULT CReminderEngine::SetReminderFolder(ILVFolder* pFolder, ReminderType newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::SetReminderFolder", &hr);
    HRESULT result = S_OK;
    if (!pFolder)
        return hr;
    if (newVal == RT_NONE)
        result = m_folders.RemoveFolder(this, pFolder);
    else if (newVal == RT_PERSONAL || newVal == RT_PUBLIC)
        result = m_folders.AddFolder(this, pFolder);
    if (FAILED(result))
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "The watched folders did not change: hr=0x%08lx\n", result);
    return hr;
}

HRESULT CReminderEngine::get_Stores(ILVStores** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::get_Stores", &hr);
    if (pVal)
        *pVal = nullptr;
    if (!m_pStores) {
        CLVStores* stores = nullptr;
        hr = CLVStores::CreateObject(&stores);
        if (FAILED(hr)) {
            hr = E_OUTOFMEMORY;
            return hr;
        }
        hr = stores->Create(this, m_pSession.get());
        if (FAILED(hr)) {
            TRACE_FAILED(Create, hr);
            stores->Release();
            return hr;
        }
        m_pStores.Attach(stores);
    }
    if (pVal) {
        *pVal = m_pStores.get();
        (*pVal)->AddRef();
    }
    return hr;
}

HRESULT CReminderEngine::get_BackFolder(ILVFolder** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::get_BackFolder", &hr);
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = m_pBackFolder.get();
    if (*pVal)
        (*pVal)->AddRef();
    return hr;
}

HRESULT CReminderEngine::get_ProfileName(BSTR* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::get_ProfileName", &hr);
    if (!m_pStores) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pStores == NULL. failed hr=0x%08lx\n", hr);
        return hr;
    }
    hr = m_pStores->get_ProfileName(pVal);
    return hr;
}

HRESULT CReminderEngine::get_Enabled(VARIANT_BOOL* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CReminderEngine::put_Enabled(VARIANT_BOOL newVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::put_Enabled", &hr);
    const bool enable = newVal != VARIANT_FALSE;
    if (enable == m_enabled)
        return hr;
    hr = enable ? DoEnable() : DoDisable();
    return hr;
}

std::string CReminderEngine::ProfileKey()
{
    ComBstr key;
    if (!m_pStores || FAILED(m_pStores->get_ProfileKey(key.put())))
        return std::string();
    return Text(key);
}

bool CReminderEngine::SettingsOutdated()
{
    std::string user, install;
    const std::string profileKey = ProfileKey();
    ReadTimestamps(profileKey.c_str(), &user, &install);
    return user.size() == 14 && install.size() == 14 && user < install;
}

HRESULT CReminderEngine::DoEnable()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::DoEnable", &hr);
    ComPtr<ILVStore> defaultStore;
    m_suppressed.clear();

    EngineSeam()->InstallHook();
    hr = SetBackFolder();
    if (FAILED(hr)) {
        TRACE_FAILED(SetBackFolder, hr);
        return hr;
    }
    if (SettingsOutdated()) {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "The settings are older than the installation: reset\n");
        DoReset(FALSE);
        const HRESULT saved = SaveUserTimestamp(ProfileKey().c_str());
        if (FAILED(saved))
            TRACE_FAILED(SaveUserTimestamp, saved);
    }
    RemoveOrphanReminderEntries();
    EnsureFlagDueBy();
    hr = Enable();
    if (FAILED(hr)) {
        TRACE_FAILED(Enable, hr);
        RestoreSuppressedNow();
        return hr;
    }
    hr = EnableTimer();
    if (FAILED(hr)) {
        TRACE_FAILED(EnableTimer, hr);
        RestoreSuppressedNow();
        return hr;
    }
    // The host's reminders of the default store, whose Calendar holds the copies.
    if (SUCCEEDED(m_pStores->get_Item(0, defaultStore.put())) && defaultStore)
        SuppressStore(defaultStore.get());
    else
        TracePrint(__FILE__, __LINE__, TL_ERROR, "get_Item() failed. hr=0x%08lx\n", MAPI_E_NOT_FOUND);
    EngineSeam()->InstallOutlookMenu(TRUE);
    m_enabled = true;
    return hr;
}

HRESULT CReminderEngine::DoDisable()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::DoDisable", &hr);
    EngineSeam()->InstallOutlookMenu(FALSE);
    m_folders.RemoveAll();
    hr = DisableTimer();
    if (FAILED(hr)) {
        TRACE_FAILED(DisableTimer, hr);
        return hr;
    }
    hr = Disable();
    if (FAILED(hr)) {
        TRACE_FAILED(Disable, hr);
        return hr;
    }
    hr = ReleaseBackFolder();
    if (FAILED(hr)) {
        TRACE_FAILED(ReleaseBackFolder, hr);
        return hr;
    }
    EngineSeam()->RemoveHook();
    if (const std::string key = ProfileKey(); !key.empty()) {
        const HRESULT saved = SaveUserTimestamp(key.c_str());
        if (FAILED(saved))
            TRACE_FAILED(SaveUserTimestamp, saved);
    }
    RestoreDefaultReminders();
    m_suppressed.clear();
    m_enabled = false;
    return hr;
}

HRESULT CReminderEngine::Disable()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::Disable", &hr);
    if (HWND window = EngineSeam()->RemindersWindow(); window && IsWindow(window))
        SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return hr;
}

void CReminderEngine::SuppressStore(ILVStore* store)
{
    TRACE_PROC("CReminderEngine::SuppressStore");
    ComBstr recordKey;
    ComPtr<IUnknown> unknown;
    ComPtr<IMsgStore> mdb;
    HRESULT hr = store->get_RecordKey(recordKey.put());
    if (FAILED(hr)) {
        TRACE_FAILED(get_RecordKey, hr);
        return;
    }
    const std::string key = Text(recordKey);
    if (m_suppressed.contains(key))
        return; // once per enabling
    hr = store->get_MDB(unknown.put());
    if (SUCCEEDED(hr) && !unknown)
        hr = MAPI_E_NOT_FOUND;
    if (SUCCEEDED(hr))
        hr = unknown.As(mdb);
    if (FAILED(hr)) {
        TRACE_FAILED(get_MDB, hr);
        return;
    }
    hr = DisableDefaultReminders(mdb.get());
    if (FAILED(hr)) {
        TRACE_FAILED(DisableDefaultReminders, hr);
        return;
    }
    m_suppressed.emplace(key, mdb);
}

void CReminderEngine::RestoreSuppressedNow()
{
    TRACE_PROC("CReminderEngine::RestoreSuppressedNow");
    for (auto& [key, mdb] : m_suppressed) {
        const HRESULT hr = EnableDefaultReminders(mdb.get());
        if (FAILED(hr))
            TRACE_FAILED(EnableDefaultReminders, hr);
    }
    m_suppressed.clear();
}

void CReminderEngine::RestoreDefaultReminders()
{
    TRACE_PROC("CReminderEngine::RestoreDefaultReminders");
    LONG count = 0;
    if (!m_pStores || FAILED(m_pStores->get_Count(&count)))
        return;
    // Every store whose scope the add-in saved (this session's, or one an earlier session left),
    // and the default store as always.
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<ILVStore> store;
        ComBstr recordKey;
        ComPtr<IUnknown> unknown;
        ComPtr<IMsgStore> mdb;
        VARIANT_BOOL isDefault = VARIANT_FALSE;
        if (FAILED(m_pStores->get_Item(i, store.put())) || !store)
            continue;
        store->get_DefaultStore(&isDefault);
        if (FAILED(store->get_RecordKey(recordKey.put())))
            continue;
        if (!isDefault && !HasSuppressionRecord(Text(recordKey)))
            continue;
        HRESULT hr = store->get_MDB(unknown.put());
        if (SUCCEEDED(hr) && !unknown)
            hr = MAPI_E_NOT_FOUND;
        if (SUCCEEDED(hr))
            hr = unknown.As(mdb);
        if (FAILED(hr)) {
            TRACE_FAILED(get_MDB, hr);
            continue;
        }
        hr = EnableDefaultReminders(mdb.get());
        if (FAILED(hr))
            TRACE_FAILED(EnableDefaultReminders, hr);
    }
}

HRESULT CReminderEngine::Enable()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::Enable", &hr);
    CRegKeyEx folders, profile;
    LONG rc = ERROR_SUCCESS;
    std::string profileKey;
    if (!m_pStores) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pStores == NULL. failed hr=0x%08lx\n", hr);
        return hr;
    }
    profileKey = ProfileKey();
    if (profileKey.empty())
        return hr;
    rc = folders.Open(HKEY_CURRENT_USER, kFoldersKey, KEY_ALL_ACCESS);
    if (rc == ERROR_SUCCESS)
        rc = profile.Open(folders, profileKey.c_str(), KEY_ALL_ACCESS);
    if (rc == ERROR_FILE_NOT_FOUND)
        return hr;
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(rc);
        TRACE_FAILED(Open, hr);
        return hr;
    }
    for (DWORD index = 0;; ++index) {
        std::string storeKey;
        rc = profile.EnumKey(index, storeKey);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS) {
            hr = FromWin32(rc);
            TRACE_FAILED(RegEnumKeyEx, hr);
            return hr;
        }
        hr = EnableStoreKey(profile, storeKey, true);
        if (FAILED(hr))
            return hr;
    }
    return hr;
}

HRESULT CReminderEngine::EnableStoreKey(HKEY profileKey, const std::string& storeKeyName, bool consultRunDisabled)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::EnableStoreKey", &hr);
    CRegKeyEx storeKey;
    ComPtr<ILVStore> store;
    LONG rc = storeKey.Open(profileKey, storeKeyName.c_str(), KEY_ALL_ACCESS);
    const bool runDisabled =
        consultRunDisabled && GetPrivateProfileIntA(kIniSection, "RunDisabled", 0, kIniFile) != 0;
    if (rc != ERROR_SUCCESS) {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "Store key %s cannot be opened (%ld): skipped\n",
                   storeKeyName.c_str(), rc);
        return hr;
    }
    hr = m_pStores->GetStoreFromKey(ComBstr(storeKeyName), store.put());
    if (FAILED(hr)) {
        TRACE_FAILED(GetStoreFromKey, hr);
        return hr;
    }
    if (!store) {
        // The store left the profile: its folders wait for it; the keys stay.
        TracePrint(__FILE__, __LINE__, TL_WARNING, "Store %s is not in the profile: skipped\n", storeKeyName.c_str());
        return hr;
    }
    for (DWORD index = 0;; ++index) {
        std::string folderKeyName;
        CRegKeyEx folderKey;
        std::string eid;
        DWORD type = 0;
        DWORD valueType = 0;
        ComPtr<ILVFolder> folder;
        rc = storeKey.EnumKey(index, folderKeyName);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS) {
            hr = FromWin32(rc);
            TRACE_FAILED(RegEnumKeyEx, hr);
            return hr;
        }
        rc = folderKey.Open(storeKey, folderKeyName.c_str(), KEY_ALL_ACCESS);
        if (rc == ERROR_SUCCESS)
            rc = RegQueryValueExA(folderKey, "eid", nullptr, &valueType, nullptr, nullptr);
        if (rc == ERROR_SUCCESS && valueType != REG_SZ && valueType != REG_EXPAND_SZ)
            rc = ERROR_INVALID_DATA;
        if (rc == ERROR_SUCCESS)
            rc = folderKey.QueryStringValue("eid", &eid);
        if (rc == ERROR_SUCCESS && eid.empty())
            rc = ERROR_INVALID_DATA;
        if (rc == ERROR_SUCCESS)
            rc = folderKey.QueryDWORDValue("type", type);
        if (rc != ERROR_SUCCESS) {
            // A key that cannot be read is left as it is and skipped; the others still count.
            TracePrint(__FILE__, __LINE__, TL_WARNING, "Folder key %s cannot be read (%ld): skipped\n",
                       folderKeyName.c_str(), rc);
            continue;
        }
        const ReminderType reminderType =
            type == RT_PERSONAL || type == RT_PUBLIC ? static_cast<ReminderType>(type) : RT_NONE;
        SuppressStore(store.get());
        HRESULT folderHr = store->GetFolderFromEID(ComBstr(eid), folder.put());
        if (SUCCEEDED(folderHr) && !folder)
            folderHr = MAPI_E_NOT_FOUND;
        if (FAILED(folderHr)) {
            TracePrint(__FILE__, __LINE__, TL_ERROR, "GetFolder() failed. hr=0x%08lx\n", folderHr);
            continue;
        }
        if (runDisabled)
            continue;
        folderHr = static_cast<IReminderEngine*>(this)->SetReminderFolder(folder.get(), reminderType);
        if (FAILED(folderHr))
            TRACE_FAILED(SetReminderFolder, folderHr);
    }
    return hr;
}

HRESULT CReminderEngine::EnableStore(BSTR RecordKey)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::EnableStore", &hr);
    CRegKeyEx folders, profile;
    const std::string recordKey = Text(RecordKey);
    const std::string profileKey = ProfileKey();
    LONG rc = ERROR_SUCCESS;
    if (!m_pStores) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pStores == NULL. failed hr=0x%08lx\n", hr);
        return hr;
    }
    if (recordKey.empty() || profileKey.empty())
        return hr;
    rc = folders.Open(HKEY_CURRENT_USER, kFoldersKey, KEY_ALL_ACCESS);
    if (rc == ERROR_SUCCESS)
        rc = profile.Open(folders, profileKey.c_str(), KEY_ALL_ACCESS);
    if (rc == ERROR_SUCCESS) {
        CRegKeyEx store;
        rc = store.Open(profile, recordKey.c_str(), KEY_READ);
    }
    if (rc == ERROR_FILE_NOT_FOUND)
        return hr;
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(rc);
        TRACE_FAILED(Open, hr);
        return hr;
    }
    hr = EnableStoreKey(profile, recordKey, false);
    return hr;
}

HRESULT CReminderEngine::DisableStore(BSTR RecordKey)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::DisableStore", &hr);
    const std::string recordKey = Text(RecordKey);
    m_folders.RemoveFolders(recordKey.c_str());
    return hr;
}

HRESULT CReminderEngine::get_IsReminderFolder(BSTR StoreID, BSTR EntryID, VARIANT_BOOL* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::get_IsReminderFolder", &hr);
    SBinary storeId{};
    ComPtr<IUnknown> unknown;
    ComPtr<IMAPIProp> storeProp;
    CMapiBuffer<SPropValue> recordKey;
    ComBstr recordKeyText;
    ULONG objectType = 0;
    LONG count = 0;
    if (!pVal) {
        hr = E_POINTER;
        return hr;
    }
    *pVal = VARIANT_FALSE;
    if (!m_pSession || !m_pStores) {
        hr = MAPI_E_NOT_INITIALIZED;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pStores == NULL. failed hr=0x%08lx\n", hr);
        return hr;
    }
    hr = bstr2SBin(StoreID, &storeId);
    if (FAILED(hr)) {
        TRACE_FAILED(bstr2SBin, hr);
        return hr;
    }
    hr = m_pSession->OpenEntry(storeId.cb, reinterpret_cast<LPENTRYID>(storeId.lpb), nullptr, 0, &objectType,
                               unknown.put());
    FreeSBinary(&storeId);
    if (FAILED(hr)) {
        TRACE_FAILED(OpenEntry, hr);
        return hr;
    }
    hr = unknown.As(storeProp);
    if (FAILED(hr)) {
        TRACE_FAILED(QueryInterface, hr);
        return hr;
    }
    hr = HrGetOneProp(storeProp.get(), PR_RECORD_KEY, recordKey.put());
    if (FAILED(hr)) {
        TRACE_FAILED(HrGetOneProp, hr);
        return hr;
    }
    hr = SBin2bstr(&recordKey->Value.bin, recordKeyText.put());
    if (FAILED(hr)) {
        TRACE_FAILED(SBin2bstr, hr);
        return hr;
    }
    hr = m_pStores->get_Count(&count);
    if (FAILED(hr)) {
        TRACE_FAILED(get_Count, hr);
        return hr;
    }
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<ILVStore> store;
        ComPtr<ILVFolder> folder;
        ComBstr key;
        ReminderType type = RT_NONE;
        hr = m_pStores->get_Item(i, store.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_Item, hr);
            return hr;
        }
        hr = store->get_RecordKey(key.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_RecordKey, hr);
            return hr;
        }
        if (Text(key) != Text(recordKeyText))
            continue;
        hr = store->GetFolderFromEID(EntryID, folder.put());
        if (FAILED(hr)) {
            TRACE_FAILED(GetFolderFromEID, hr);
            return hr;
        }
        hr = folder->get_ReminderType(&type);
        if (FAILED(hr)) {
            TRACE_FAILED(get_ReminderType, hr);
            return hr;
        }
        *pVal = type != RT_NONE ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    }
    return hr;
}

HRESULT CReminderEngine::DoReset(BOOL restart)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::DoReset", &hr);
    const bool wasEnabled = m_enabled;
    ComPtr<IMAPIFolder> folder;
    ComPtr<ILVStore> store;
    ComPtr<IUnknown> unknown;
    ComPtr<IMsgStore> mdb;
    bool atHand = false;

    if (m_pBackFolder) {
        hr = BackFolderMAPIFolder(folder.put());
        if (SUCCEEDED(hr)) {
            hr = m_pBackFolder->get_Store(store.put());
            if (SUCCEEDED(hr) && !store)
                hr = MAPI_E_NOT_FOUND;
            if (FAILED(hr))
                TRACE_FAILED(get_Store, hr);
        }
        if (SUCCEEDED(hr)) {
            hr = store->get_MDB(unknown.put());
            if (SUCCEEDED(hr) && !unknown)
                hr = MAPI_E_NOT_FOUND;
            if (SUCCEEDED(hr))
                hr = unknown.As(mdb);
            if (FAILED(hr))
                TRACE_FAILED(get_MDB, hr);
        }
        atHand = SUCCEEDED(hr);
    }
    if (atHand && restart)
        put_Enabled(VARIANT_FALSE);
    if (atHand) {
        CMapiBuffer<SRestriction> restriction;
        ComPtr<IMAPITable> table;
        LPSRowSet rows = nullptr;
        SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
        hr = GetBackFolderRestriction(folder.get(), restriction.put());
        if (FAILED(hr))
            TRACE_FAILED(GetBackFolderRestriction, hr);
        if (SUCCEEDED(hr)) {
            hr = folder->GetContentsTable(MAPI_ASSOCIATED, table.put());
            if (FAILED(hr))
                TRACE_FAILED(GetContentsTable, hr);
        }
        if (SUCCEEDED(hr)) {
            hr = HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), restriction.get(), nullptr, 0,
                                &rows);
            if (FAILED(hr))
                TRACE_FAILED(HrQueryAllRows, hr);
        }
        if (SUCCEEDED(hr) && rows && rows->cRows) {
            std::vector<SBinary> ids;
            for (ULONG i = 0; i < rows->cRows; ++i) {
                const SRow& row = rows->aRow[i];
                if (row.cValues && row.lpProps[0].ulPropTag == PR_ENTRYID)
                    ids.push_back(row.lpProps[0].Value.bin);
            }
            ENTRYLIST list{static_cast<ULONG>(ids.size()), ids.data()};
            hr = folder->DeleteMessages(&list, 0, nullptr, 0);
            if (FAILED(hr))
                TRACE_FAILED(DeleteMessages, hr);
        }
        FreeRowSet(&rows);
    }

    // The settings trees; the saved scopes of suppressed stores lie outside them and stay.
    const std::pair<HKEY, UINT> trees[] = {{HKEY_CURRENT_USER, IDS_RESET_USER_FAILED},
                                           {HKEY_LOCAL_MACHINE, IDS_RESET_MACHINE_FAILED}};
    for (const auto& [root, textId] : trees) {
        if (root == HKEY_LOCAL_MACHINE && !restart)
            break; // the installation's stamp is every user's: only an explicit reset takes it
        CRegKeyEx halvesta;
        LONG rc = halvesta.Open(root, kHalvestaKey, KEY_ALL_ACCESS);
        if (rc == ERROR_SUCCESS)
            rc = halvesta.RecurseDeleteKey(kAddInSubKey);
        if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND)
            continue;
        TRACE_FAILED(RecurseDeleteKey, FromWin32(rc));
        std::string text = LoadAddinString(textId);
        LPSTR message = nullptr;
        if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(rc), 0, reinterpret_cast<LPSTR>(&message), 0, nullptr) &&
            message)
            text += message;
        if (message)
            LocalFree(message);
        MessageBoxA(m_hWnd, text.c_str(), kCaption, MB_ICONINFORMATION);
    }
    if (restart && wasEnabled)
        put_Enabled(VARIANT_TRUE);
    return hr;
}

HRESULT CReminderEngine::Reset()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CReminderEngine::Reset", &hr);
    hr = DoReset(TRUE);
    return hr;
}
