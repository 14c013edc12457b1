// CReminderEngine: the one object through which the add-in's host code reaches the reminder
// machinery. It holds the MAPI session and the store collection; once enabled it holds the back
// folder with its sink, the watched folders and a window timer that raises the reminders when
// the earliest of the copies' reminder times has passed. Enabling restores the watched folders
// from the Folders registry tree and switches the host's own reminders off in their stores;
// disabling switches them on again in every store of the profile whose scope the add-in saved.
//
// The timer lives on a hidden message window ("ReminderTimer") of the thread that made the
// engine (the host's window thread); everything here runs on that thread.
#pragma once

#include "BackFolderSink.h"
#include "ReminderFolders.h"
#include "ReminderLib.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "mapi/Mapi.h"
#include "registry/Registry.h"

#include <map>
#include <string>

class CRegKeyEx;

// The add-in's settings key (written by the options page) and the diagnostics switches.
inline constexpr char kSettingsKey[] = "Software\\Halvesta\\Lumivane Add-In\\Settings";
inline constexpr char kIniFile[] = "Lumivane.ini";
inline constexpr char kIniSection[] = "CL";

// The add-in's string table: the lines of the reminder mail and the texts of a failed reset.
#define IDS_MAIL_SUBJECT 430
#define IDS_MAIL_DATE 431
#define IDS_MAIL_LOCATION 432
#define IDS_RESET_USER_FAILED 440
#define IDS_RESET_MACHINE_FAILED 441

class CReminderEngine : public ComObject<CReminderEngine, DispatchImpl<CReminderEngine, IReminderEngine>,
                                         SupportErrorInfoImpl<IReminderEngine>> {
public:
    CReminderEngine();
    ~CReminderEngine() override;
    static std::span<const DispatchMember> DispatchMembers() { return ReminderEngineDispatchMembers(); }

    // A new engine with one reference.
    static HRESULT CreateInstance(IReminderEngine** out);
    HRESULT FinalConstruct();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE get_MapiSession(IUnknown** pVal) override;
    HRESULT STDMETHODCALLTYPE Initialize(VARIANT Session) override;
    HRESULT STDMETHODCALLTYPE SetReminderFolder(ILVFolder* pFolder, ReminderType newVal) override;
    HRESULT STDMETHODCALLTYPE get_Stores(ILVStores** pVal) override;
    HRESULT STDMETHODCALLTYPE get_BackFolder(ILVFolder** pVal) override;
    HRESULT STDMETHODCALLTYPE get_ProfileName(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL newVal) override;
    HRESULT STDMETHODCALLTYPE get_UpdateInterval(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_UpdateInterval(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_Configuring(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE put_Configuring(VARIANT_BOOL newVal) override;
    HRESULT STDMETHODCALLTYPE ShowReminders() override;
    HRESULT STDMETHODCALLTYPE SetNextReminder(LONG_PTR dwReminder) override;
    HRESULT STDMETHODCALLTYPE get_IsReminderFolder(BSTR StoreID, BSTR EntryID, VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE DisableStore(BSTR RecordKey) override;
    HRESULT STDMETHODCALLTYPE EnableStore(BSTR RecordKey) override;

    // Deletes every copy and the add-in's settings. With `restart` (Reset) the settings of the
    // machine go too, and an engine that was enabled is disabled around it and enabled again;
    // without it (the reset of outdated settings while enabling) only the user's settings go.
    virtual HRESULT DoReset(BOOL restart);

    // Sends a mail to the address through the host's Outbox (the reminder mails, and the options
    // page's test mail).
    HRESULT SendMail(const std::string& address, const std::string& subject, const std::string& body);

    // The timer window's message map: WM_TIMER of map 0.
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                              DWORD dwMsgMapID = 0);

    // State for tests and diagnostics.
    HWND TimerWindow() const { return m_hWnd; }
    UINT_PTR TimerId() const { return m_timerId; }
    const FILETIME& NextReminder() const { return m_ftNextReminder; }
    const CBackFolderSink* Sink() const { return m_pSink.get(); }
    std::size_t WatchedFolderCount() const { return m_folders.Count(); }

private:
    // Enabling and disabling.
    HRESULT DoEnable();
    HRESULT DoDisable();
    bool SettingsOutdated();
    std::string ProfileKey();
    HRESULT Enable();
    // The folder keys of one store key below the profile key.
    HRESULT EnableStoreKey(HKEY profileKey, const std::string& storeKey, bool consultRunDisabled);
    HRESULT Disable();
    // The host's reminders of a store: off once per enabling; on again where a scope was saved.
    void SuppressStore(ILVStore* store);
    void RestoreSuppressedNow();
    void RestoreDefaultReminders();

    // The back folder (BackFolder.cpp).
    HRESULT SetBackFolder();
    HRESULT ReleaseBackFolder();
    void RemoveOrphanReminderEntries();
    void EnsureFlagDueBy();
    HRESULT BackFolderMAPIFolder(IMAPIFolder** folder);

    // The timer and raising (ReminderTimer.cpp).
    HRESULT EnableTimer();
    HRESULT DisableTimer();
    LRESULT OnTimer();
    void GetMailSettings(bool& mail, std::string& address);
    HRESULT SentReminderMails(const std::string& address);
    HRESULT SentReminderMail(const std::string& address, IMAPIFolder* folder, const SBinary& entryId);
    std::string BuildBody(IMessage* copy);
    BOOL ReminderSoundEnabled();
    void PlayReminderSound();

    HWND m_hWnd = nullptr;
    FILETIME m_ftNextReminder{0xFFFFFFFF, 0xFFFFFFFF};
    ULONG m_configuring = 0;
    ComPtr<ILVFolder> m_pBackFolder;
    CReminderFolders m_folders;
    ComPtr<CBackFolderSink> m_pSink;
    LONG m_updateInterval = 10;
    UINT_PTR m_timerId = 0;
    bool m_enabled = false;
    bool m_mapiInitialized = false;
    ComPtr<IMAPISession> m_pSession;
    ComPtr<ILVStores> m_pStores;
    // The stores this enabling switched the host's reminders off in, by record key (hex).
    std::map<std::string, ComPtr<IMsgStore>> m_suppressed;
};
