#include "ComAddIn.h"

#include "ApplicationSink.h"
#include "base/Process.h"
#include "com/Advise.h"
#include "host/ApplicationEvents.h"
#include "registry/Registry.h"

#include <string>
#include <vector>

namespace {

constexpr const char* kAddinKey = "Software\\Microsoft\\Office\\Outlook\\Addins\\Tembrix.ComAddIn";

} // namespace

void StartCmd(LPCSTR valueName)
{
    TRACE_PROC("StartCmd");
    HKEY hKey = nullptr;
    DWORD type = 0;
    DWORD cb = 0;
    // Read only: the add-in never creates or changes the machine's settings.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tembrix", 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return;
    std::vector<BYTE> buffer;
    if (RegQueryValueExA(hKey, valueName, nullptr, &type, nullptr, &cb) == ERROR_SUCCESS && cb > 0 &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        buffer.resize(cb);
        if (RegQueryValueExA(hKey, valueName, nullptr, &type, buffer.data(), &cb) != ERROR_SUCCESS)
            buffer.clear();
        else
            buffer.resize(cb);
    }
    RegCloseKey(hKey);
    // The text ends at its first zero or at the value's end, whichever comes first.
    std::string command;
    for (BYTE b : buffer) {
        if (b == 0)
            break;
        command.push_back(char(b));
    }
    if (type == REG_EXPAND_SZ && !command.empty()) {
        const DWORD needed = ExpandEnvironmentStringsA(command.c_str(), nullptr, 0);
        if (needed) {
            std::string expanded(needed, '\0');
            if (ExpandEnvironmentStringsA(command.c_str(), expanded.data(), needed) == needed) {
                expanded.resize(needed - 1);
                command = expanded;
            }
        }
    }
    if (command.empty())
        return;
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "%s=%s\n", valueName, command.c_str());
    WinExec(command.c_str(), SW_SHOWNORMAL); // result not checked
}

CComAddIn::CComAddIn()
{
    TRACE_CTOR("CComAddIn");
}

CComAddIn::~CComAddIn()
{
    TRACE_DTOR("CComAddIn");
}

void CComAddIn::FinalRelease()
{
    DisconnectApplicationSink();
}

std::span<const DispatchMember> CComAddIn::DispatchMembers(std::type_identity<IDTExtensibility2>)
{
    return {};
}

std::span<const DispatchMember> CComAddIn::DispatchMembers(std::type_identity<IComAddIn>)
{
    return {};
}

HRESULT CComAddIn::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*, SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CComAddIn::OnConnection", &hr);
    StartCmd("StartCmd");
    ConnectApplicationSink(Application);
    return hr;
}

HRESULT CComAddIn::OnDisconnection(ext_DisconnectMode, SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CComAddIn::OnDisconnection", &hr);
    if (m_application)
        StartCmd("StopCmd");
    DisconnectApplicationSink();
    return hr;
}

HRESULT CComAddIn::OnAddInsUpdate(SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CComAddIn::OnAddInsUpdate", &hr);
    return hr;
}

HRESULT CComAddIn::OnStartupComplete(SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CComAddIn::OnStartupComplete", &hr);
    return hr;
}

HRESULT CComAddIn::OnBeginShutdown(SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CComAddIn::OnBeginShutdown", &hr);
    return hr;
}

void CComAddIn::ConnectApplicationSink(IDispatch* Application)
{
    TRACE_PROC("CComAddIn::ConnectApplicationSink");
    DisconnectApplicationSink();
    if (!Application)
        return;
    m_application = Application;
    CApplicationSink* sink = nullptr;
    if (FAILED(CApplicationSink::CreateObject(&sink, this)))
        return;
    m_sink.Attach(sink->GetUnknown());
    const HRESULT hr = AdviseSink(m_application.get(), m_sink.get(), DIID_ApplicationEvents, &m_cookie);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "AtlAdvise Failed, HRESULT = %x\n", hr);
        m_cookie = 0;
    }
}

void CComAddIn::DisconnectApplicationSink()
{
    TRACE_PROC("CComAddIn::DisconnectApplicationSink");
    if (m_application && m_cookie)
        UnadviseSink(m_application.get(), DIID_ApplicationEvents, m_cookie);
    m_cookie = 0;
    m_sink.Release();
    m_application.Release();
}

HRESULT CComAddIn::UpdateRegistry(BOOL bRegister)
{
    if (!bRegister) {
        const LONG rc = RegDeleteTreeA(HKEY_LOCAL_MACHINE, kAddinKey);
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
    }
    HKEY hKey = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAddinKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &hKey, nullptr);
    if (rc != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    auto text = [&](const char* name, const std::string& value) {
        if (rc == ERROR_SUCCESS)
            rc = RegSetValueExA(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1));
    };
    auto dword = [&](const char* name, DWORD value) {
        if (rc == ERROR_SUCCESS)
            rc = RegSetValueExA(hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    };
    text("FriendlyName", "Orvinta Add-In");
    text("Description", "Helper to start Orvinta at Outlook Startup or Shutdown");
    dword("LoadBehavior", 3);
    dword("CommandLineSafe", 0);
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}
