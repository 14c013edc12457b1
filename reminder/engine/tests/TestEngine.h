// A stand-in of the reminder engine for the folder model's tests: it holds a MAPI session, the
// store collection made on it and the set of watched folders; its back folder is the default
// store's Calendar (or none, when a test says so). Whether it is enabled is the test's choice,
// and the stores it is told to switch on and off are recorded.
#pragma once

#include "ReminderFolders.h"
#include "ReminderLib.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "mapi/Mapi.h"

#include <string>
#include <vector>

class CTestEngine : public ComObject<CTestEngine, DispatchImpl<CTestEngine, IReminderEngine>> {
public:
    static std::span<const DispatchMember> DispatchMembers() { return ReminderEngineDispatchMembers(); }
    void FinalRelease();

    // Keeps the session and makes the store collection on it.
    HRESULT Init(IMAPISession* session);
    // A new engine, Init with the session.
    static HRESULT Start(IMAPISession* session, ComPtr<CTestEngine>& out);
    // Drops the back folder; with `none`, the engine has none from now on.
    void SetNoBackFolder(bool none);
    CReminderFolders& Folders() { return m_folders; }
    ILVStores* StoresObject() const { return m_stores.get(); }

    std::vector<std::string> enabledStores;  // EnableStore calls, record keys as given
    std::vector<std::string> disabledStores; // DisableStore calls

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

private:
    ComPtr<IMAPISession> m_session;
    ComPtr<ILVStores> m_stores;
    ComPtr<ILVFolder> m_backFolder;
    bool m_noBackFolder = false;
    bool m_enabled = false;
    CReminderFolders m_folders;
};
