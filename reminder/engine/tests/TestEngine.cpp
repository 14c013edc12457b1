#include "TestEngine.h"

#include "LVStores.h"
#include "base/Utf.h"

namespace {

std::string Text(BSTR text)
{
    return text ? platform::Utf16ToUtf8(std::u16string_view(text, SysStringLen(text))) : std::string();
}

} // namespace

void CTestEngine::FinalRelease()
{
    m_folders.RemoveAll();
    m_backFolder = nullptr;
    m_stores = nullptr;
    m_session = nullptr;
}

HRESULT CTestEngine::Start(IMAPISession* session, ComPtr<CTestEngine>& out)
{
    CTestEngine* engine = nullptr;
    HRESULT hr = CreateObject(&engine);
    if (FAILED(hr))
        return hr;
    out.Attach(engine);
    return out->Init(session);
}

HRESULT CTestEngine::Init(IMAPISession* session)
{
    m_session = session;
    CLVStores* stores = nullptr;
    HRESULT hr = CLVStores::CreateObject(&stores);
    if (FAILED(hr))
        return hr;
    hr = stores->Create(this, session);
    if (FAILED(hr)) {
        stores->Release();
        return hr;
    }
    m_stores.Attach(stores);
    return S_OK;
}

void CTestEngine::SetNoBackFolder(bool none)
{
    m_noBackFolder = none;
    m_backFolder = nullptr;
}

HRESULT CTestEngine::get_MapiSession(IUnknown** pVal)
{
    *pVal = m_session.get();
    if (*pVal)
        (*pVal)->AddRef();
    return S_OK;
}

HRESULT CTestEngine::Initialize(VARIANT)
{
    return E_NOTIMPL;
}

HRESULT CTestEngine::SetReminderFolder(ILVFolder* pFolder, ReminderType newVal)
{
    if (newVal == RT_NONE)
        m_folders.RemoveFolder(this, pFolder);
    else if (newVal == RT_PERSONAL || newVal == RT_PUBLIC)
        m_folders.AddFolder(this, pFolder);
    return S_OK;
}

HRESULT CTestEngine::get_Stores(ILVStores** pVal)
{
    *pVal = m_stores.get();
    if (*pVal)
        (*pVal)->AddRef();
    return S_OK;
}

HRESULT CTestEngine::get_BackFolder(ILVFolder** pVal)
{
    *pVal = nullptr;
    if (m_noBackFolder)
        return S_OK;
    if (!m_backFolder && m_stores) {
        ComPtr<ILVStore> store;
        if (SUCCEEDED(m_stores->get_Item(0, store.put())))
            store->get_DefaultFolder(DFT_IPM_APPOINTMENT, m_backFolder.put());
    }
    *pVal = m_backFolder.get();
    if (*pVal)
        (*pVal)->AddRef();
    return S_OK;
}

HRESULT CTestEngine::get_ProfileName(BSTR* pVal)
{
    return m_stores ? m_stores->get_ProfileName(pVal) : MAPI_E_NOT_INITIALIZED;
}

HRESULT CTestEngine::get_Enabled(VARIANT_BOOL* pVal)
{
    *pVal = m_enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CTestEngine::put_Enabled(VARIANT_BOOL newVal)
{
    m_enabled = newVal != VARIANT_FALSE;
    return S_OK;
}

HRESULT CTestEngine::get_UpdateInterval(LONG*) { return E_NOTIMPL; }
HRESULT CTestEngine::put_UpdateInterval(LONG) { return E_NOTIMPL; }
HRESULT CTestEngine::get_Configuring(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT CTestEngine::put_Configuring(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT CTestEngine::ShowReminders() { return E_NOTIMPL; }
HRESULT CTestEngine::SetNextReminder(LONG_PTR) { return E_NOTIMPL; }
HRESULT CTestEngine::get_IsReminderFolder(BSTR, BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT CTestEngine::Reset() { return E_NOTIMPL; }

HRESULT CTestEngine::DisableStore(BSTR RecordKey)
{
    const std::string key = Text(RecordKey);
    disabledStores.push_back(key);
    m_folders.RemoveFolders(key.c_str());
    return S_OK;
}

HRESULT CTestEngine::EnableStore(BSTR RecordKey)
{
    enabledStores.push_back(Text(RecordKey));
    return S_OK;
}
