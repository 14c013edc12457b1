// The engine's tests: the stores of the folder model's fixture (a personal default store whose
// Calendar is the back folder, a second mailbox, a public-folder store), a real engine on its own
// session, a manual clock that the tests advance (the engine's timer with it), and a seam that
// records what the engine asks of the add-in's windows.
#pragma once

#include "AddinCache.h"
#include "EngineSeam.h"
#include "ReminderEngine.h"
#include "ReminderFixture.h"
#include "base/ManualClock.h"

#include <memory>
#include <string>
#include <vector>

namespace remindertest {

// 2007-05-01 10:05 UTC: five minutes after the fixture's default signal time.
constexpr ULONGLONG kNow = kMay1st10h + 5 * kMinute;

class CRecordingSeam : public CEngineSeam {
public:
    ~CRecordingSeam() override;

    HWND RemindersWindow() override { return window; }
    HRESULT OpenRemindersWindow(IReminderEngine* engine, LONG filter) override;
    BOOL InstallHook() override;
    void RemoveHook() override;
    HRESULT InstallOutlookMenu(BOOL show) override;

    // Makes the reminders window OpenRemindersWindow opens (a top-level window recording its
    // messages); `open` makes it now.
    void OpenWindow();
    void CloseWindow();

    HWND window = nullptr;
    std::vector<std::string> calls;   // "open 2", "hook", "unhook", "menu 1", "menu 0"
    std::vector<UINT> windowMessages; // messages the window got (WM_APP based and WM_COMMAND)
    bool makeWindow = true;           // whether OpenRemindersWindow makes one
    std::function<void()> onOpen;     // runs inside OpenRemindersWindow
};

class EngineFixture : public ReminderFixture {
protected:
    EngineFixture();
    void SetUp() override;
    void TearDown() override;

    // A new engine on the fixture's session (Initialize with it), not enabled.
    ComPtr<IReminderEngine> NewEngine();
    CReminderEngine* Engine() const { return static_cast<CReminderEngine*>(reminder.get()); }
    // Marks a folder of a store as a reminder folder (the Folders registry tree).
    void MarkFolder(const std::u16string& storeName, IMAPIFolder* folder, ReminderType type = RT_PUBLIC);
    std::string ProfileKey();
    std::string StoreKey(const std::u16string& storeName);
    std::string FolderKey(IMAPIFolder* folder);
    // Runs the loop for that many milliseconds of the manual clock (timers and notifications).
    void Advance(ULONGLONG milliseconds);
    // The engine's next reminder as a number (all bits set: none).
    ULONGLONG NextReminder() const;
    // What the host finds due in a store of the profile, by subject.
    std::vector<std::string> HostDue(const std::u16string& storeName);
    // A reminder item (reminder set, signal long due) directly in a default folder of a store.
    void HostReminderItem(IMsgStore* store, LONG folderType, const char* subject);
    bool KeyExists(HKEY root, const std::string& path);
    void SetSettingsDword(const char* name, DWORD value);
    void SetSettingsString(const char* name, const std::string& value);
    void WriteIni(const std::string& key, int value);

    std::shared_ptr<platform::ManualClock> clock;
    std::unique_ptr<platform::ScopedClock> scopedClock;
    CRecordingSeam seam;
    CEngineSeam* previousSeam = nullptr;
    ComPtr<IReminderEngine> reminder;
};

} // namespace remindertest
