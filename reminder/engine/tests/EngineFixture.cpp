#include "EngineFixture.h"

#include "MapiBuffer.h"
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "ReminderMessages.h"
#include "base/MessageLoop.h"
#include "base/Profile.h"
#include "base/Sound.h"
#include "base/Utf.h"
#include "base/Window.h"
#include "host/HostReminders.h"
#include "host/HostSession.h"

namespace remindertest {

CRecordingSeam::~CRecordingSeam()
{
    CloseWindow();
}

HRESULT CRecordingSeam::OpenRemindersWindow(IReminderEngine*, LONG filter)
{
    calls.push_back("open " + std::to_string(filter));
    if (onOpen)
        onOpen();
    if (!makeWindow)
        return E_OUTOFMEMORY;
    OpenWindow();
    return S_OK;
}

BOOL CRecordingSeam::InstallHook()
{
    calls.push_back("hook");
    return TRUE;
}

void CRecordingSeam::RemoveHook()
{
    calls.push_back("unhook");
}

HRESULT CRecordingSeam::InstallOutlookMenu(BOOL show)
{
    calls.push_back(show ? "menu 1" : "menu 0");
    return S_OK;
}

void CRecordingSeam::OpenWindow()
{
    if (window)
        return;
    window = platform::CreateMessageWindow(
        "TestReminders", "Lumivane Add-In",
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message >= WM_APP || message == WM_COMMAND)
                windowMessages.push_back(message);
            return DefWindowProcA(hwnd, message, wParam, lParam);
        });
    ShowWindow(window, SW_SHOW);
}

void CRecordingSeam::CloseWindow()
{
    if (window && IsWindow(window))
        DestroyWindow(window);
    window = nullptr;
}

EngineFixture::EngineFixture()
{
    clock = std::make_shared<platform::ManualClock>(kNow, 1000);
    scopedClock = std::make_unique<platform::ScopedClock>(clock);
}

void EngineFixture::SetUp()
{
    ReminderFixture::SetUp();
    if (HasFatalFailure())
        return;
    previousSeam = SetEngineSeam(&seam);
    platform::ClearSoundRecords();
    reminder = NewEngine();
}

void EngineFixture::TearDown()
{
    reminder = nullptr;
    seam.CloseWindow();
    SetEngineSeam(previousSeam);
    ReminderFixture::TearDown();
    scopedClock.reset();
}

ComPtr<IReminderEngine> EngineFixture::NewEngine()
{
    ComPtr<IReminderEngine> engine;
    EXPECT_EQ(CReminderEngine::CreateInstance(engine.put()), S_OK);
    if (!engine)
        return engine;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = session.get();
    EXPECT_EQ(engine->Initialize(v), S_OK);
    return engine;
}

std::string EngineFixture::ProfileKey()
{
    ComPtr<ILVStores> stores;
    ComBstr key;
    EXPECT_EQ(engine->get_Stores(stores.put()), S_OK);
    EXPECT_EQ(stores->get_ProfileKey(key.put()), S_OK);
    return Text(key);
}

std::string EngineFixture::StoreKey(const std::u16string& storeName)
{
    ComBstr key;
    ComPtr<ILVStore> store = Store(storeName);
    if (store)
        store->get_RecordKey(key.put());
    return Text(key);
}

std::string EngineFixture::FolderKey(IMAPIFolder* folder)
{
    return Hex(GetBinary(folder, PR_RECORD_KEY));
}

void EngineFixture::MarkFolder(const std::u16string& storeName, IMAPIFolder* folder, ReminderType type)
{
    ComPtr<ILVStore> store = Store(storeName);
    ASSERT_TRUE(store);
    std::string key = FolderKey(folder);
    std::string eid = Hex(GetBinary(folder, PR_ENTRYID));
    CMapiBuffer<SPropValue> name;
    std::string display = "Folder";
    if (SUCCEEDED(HrGetOneProp(folder, PR_DISPLAY_NAME_A, name.put())))
        display = name->Value.lpszA;
    ASSERT_EQ(store->SetReminderFolder(key.data(), eid.data(), display.data(), type), S_OK);
}

void EngineFixture::Advance(ULONGLONG milliseconds)
{
    platform::MessageLoop::Current().AdvanceAndRun(*clock, milliseconds);
    Pump();
}

ULONGLONG EngineFixture::NextReminder() const
{
    const FILETIME& next = Engine()->NextReminder();
    return (ULONGLONG(next.dwHighDateTime) << 32) | next.dwLowDateTime;
}

std::vector<std::string> EngineFixture::HostDue(const std::u16string& storeName)
{
    std::vector<std::string> subjects;
    host::HostSession hostSession;
    EXPECT_EQ(hostSession.Logon("Work"), S_OK);
    std::vector<host::HostSession::StoreInfo> stores;
    hostSession.Stores(stores);
    host::Binary storeId;
    for (const auto& s : stores)
        if (s.name == storeName)
            storeId = s.entryId;
    for (const auto& r : host::HostReminders::Due(hostSession, 0x7000000000000000ULL))
        if (r.storeId == storeId)
            subjects.push_back(platform::Utf16ToUtf8(r.subject));
    hostSession.Logoff();
    return subjects;
}

void EngineFixture::HostReminderItem(IMsgStore* store, LONG folderType, const char* subject)
{
    host::HostSession hostSession;
    ASSERT_EQ(hostSession.Logon("Work"), S_OK);
    host::Binary folderId;
    ASSERT_EQ(hostSession.DefaultFolderId(store, folderType, folderId), S_OK);
    hostSession.Logoff();
    ComPtr<IMAPIFolder> folder = Open(store, folderId);
    ASSERT_TRUE(folder);
    ItemPlan plan = Plan(subject);
    plan.signalTime = kMay1st10h - 60 * kMinute;
    NewItem(folder.get(), plan);
}

bool EngineFixture::KeyExists(HKEY root, const std::string& path)
{
    CRegKeyEx key;
    return key.Open(root, path.c_str(), KEY_READ) == ERROR_SUCCESS;
}

void EngineFixture::SetSettingsDword(const char* name, DWORD value)
{
    CRegKeyEx key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDWORDValue(name, value), ERROR_SUCCESS);
}

void EngineFixture::SetSettingsString(const char* name, const std::string& value)
{
    CRegKeyEx key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);
    ASSERT_EQ(key.SetStringValue(name, value.c_str()), ERROR_SUCCESS);
}

void EngineFixture::WriteIni(const std::string& key, int value)
{
    ASSERT_TRUE(WritePrivateProfileStringA(kIniSection, key.c_str(), std::to_string(value).c_str(), kIniFile));
}

} // namespace remindertest
