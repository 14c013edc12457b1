#include "OrvDoc.h"

#include "ErrorText.h"
#include "OrvApp.h"
#include "ToolStrings.h"
#include "resource.h"

#include "base/MessageBox.h"
#include "base/Window.h"
#include "com/ComRuntime.h"

#include <algorithm>

namespace {

void ShowFailure(UINT id, HRESULT hr, UINT type)
{
    const std::string text = FailureText(id, hr);
    const COrvApp* app = COrvApp::Current();
    MessageBoxA(nullptr, text.c_str(), app ? app->m_strAppName.c_str() : nullptr, type);
}

} // namespace

COrvDoc::COrvDoc()
{
    m_hrEngine = ConnectEngine();
    if (FAILED(m_hrEngine)) {
        m_pEngine.Release();
        ShowFailure(IDS_ENGINE_NOT_LOADED, m_hrEngine, MB_OK | MB_ICONSTOP);
    }
    LoadProfiles();
}

COrvDoc::~COrvDoc() { ReleaseEngine(); }

HRESULT COrvDoc::ConnectEngine()
{
    ComPtr<IUnknown> unknown;
    HRESULT hr = CoCreateInstance(CLSID_SyncEngine, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.put_void());
    if (SUCCEEDED(hr))
        hr = OleRun(unknown.get());
    if (SUCCEEDED(hr))
        hr = unknown.As(m_pEngine);
    unknown.Release();
    if (SUCCEEDED(hr))
        hr = m_pEngine->Init();
    return hr;
}

void COrvDoc::ReleaseEngine()
{
    m_pProfiles.Release();
    m_pEngine.Release();
}

bool COrvDoc::LoadProfiles()
{
    if (!m_pEngine)
        return false;
    m_pProfiles.Release();
    const HRESULT hr = m_pEngine->get_Profiles(m_pProfiles.put());
    if (FAILED(hr)) {
        m_pProfiles.Release();
        ShowFailure(IDS_PROFILES_NOT_LOADED, hr, MB_OK | MB_ICONSTOP);
        return false;
    }
    return true;
}

void COrvDoc::SetSyncState(bool running)
{
    m_bRunning = running;
    if (m_onTrayIcon)
        m_onTrayIcon(running ? IDI_RUNNING : IDI_IDLE);
    if (!running && m_onStatusText)
        m_onStatusText(LoadResString(AFX_IDS_IDLEMESSAGE));
}

std::string COrvDoc::OnIdle() const { return m_bRunning ? LoadResString(IDS_PROCESSING) : std::string(); }

bool COrvDoc::CanCloseFrame()
{
    if (m_bRunning) {
        m_bQuitAfterRun = true;
        m_bCloseRequested = true;
        const COrvApp* app = COrvApp::Current();
        MessageBoxA(nullptr, LoadResString(IDS_CLOSE_DURING_RUN).c_str(), app ? app->m_strAppName.c_str() : nullptr,
                    MB_OK | MB_ICONINFORMATION);
        return false;
    }
    for (HWND view : std::vector<HWND>(m_views))
        SendMessageA(view, WMU_KILLTIMER, 0, 0);
    return true;
}

void COrvDoc::RemoveView(HWND view) { m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end()); }
