// Stand-ins for the options page's and the COM add-in's tests: an engine that records what it
// is asked and fails where a test says, a folder whose reminder type cannot be written, and an
// application object that reports any version text.
#pragma once

#include "ReminderLib.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"

#include <string>
#include <vector>

namespace addintest {

class CStubEngine : public ComObject<CStubEngine, DispatchImpl<CStubEngine, IReminderEngine>> {
public:
    static std::span<const DispatchMember> DispatchMembers() { return ReminderEngineDispatchMembers(); }
    ~CStubEngine() override;

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

    // What it was asked, in order ("enabled", "disabled", "configuring", "configured",
    // "reset", "initialized", "released").
    std::vector<std::string>* log = nullptr;
    bool enabled = false;
    int configuring = 0;
    HRESULT disableResult = S_OK;
    HRESULT resetResult = S_OK;
    HRESULT setFolderResult = S_OK;
    std::vector<std::pair<ILVFolder*, ReminderType>> folders;

private:
    void Log(const char* what);
};

class CStubFolder : public ComObject<CStubFolder, DispatchImpl<CStubFolder, ILVFolder>> {
public:
    static std::span<const DispatchMember> DispatchMembers() { return LVFolderDispatchMembers(); }

    HRESULT STDMETHODCALLTYPE Create(ILVStore*, ULONG, BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MAPIFolder(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IReminderEngine*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_Folders(ILVFolders**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_EntryID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RecordKey(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_DefaultFolderType(DefaultFolderType* pVal) override;
    HRESULT STDMETHODCALLTYPE get_ContainerClass(ContainerClass* pVal) override;
    HRESULT STDMETHODCALLTYPE get_ReminderType(ReminderType* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ReminderType(ReminderType newVal) override;
    HRESULT STDMETHODCALLTYPE get_RemindersPossible(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE get_InWasteBasket(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE get_SubFolders(VARIANT_BOOL* pVal) override;
    HRESULT STDMETHODCALLTYPE get_Store(ILVStore**) override { return E_NOTIMPL; }

    ReminderType stored = RT_NONE;
    HRESULT putResult = S_OK;
    int puts = 0;
};

// An application object that answers only "Version".
class CStubApplication : public ComObject<CStubApplication, IDispatch> {
public:
    explicit CStubApplication(std::u16string version) : m_version(std::move(version)) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override;

private:
    std::u16string m_version;
};

} // namespace addintest
