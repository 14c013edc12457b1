// The host add-in of the engine library: runs the start command when the host connects it and
// the stop command when the host quits or disconnects it, whichever comes first.
#pragma once

#include "EngineObject.h"
#include "host/Extensibility.h"

class CComAddIn : public ComObject<CComAddIn, DispatchImpl<CComAddIn, IDTExtensibility2>,
                                   DispatchImpl<CComAddIn, IComAddIn>, SupportErrorInfoImpl<IComAddIn>> {
public:
    CComAddIn();
    ~CComAddIn() override;
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<IDTExtensibility2>);
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<IComAddIn>);
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                                           SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

    // Registration of the add-in key of the host (object map hook).
    static HRESULT UpdateRegistry(BOOL bRegister);

private:
    void ConnectApplicationSink(IDispatch* Application);
    void DisconnectApplicationSink();

    ComPtr<IDispatch> m_application;
    ComPtr<IUnknown> m_sink;
    DWORD m_cookie = 0;
};

// Runs the command line of the value under HKLM\Software\Tembrix (REG_SZ or REG_EXPAND_SZ).
void StartCmd(LPCSTR valueName);
