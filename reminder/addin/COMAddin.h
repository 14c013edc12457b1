// CCOMAddin: the add-in as the COM add-in of hosts from major version 14 on (coclass COMAddin,
// "Lumivane.COMAddin"). On connection it makes, initialises and enables the reminder engine and
// connects its application sink; on disconnection, or when the host quits, it undoes what its
// own connection set up. Its ribbon offers the reminders window and the reminder options. On
// older hosts it stays idle: the client extension runs the engine there.
#pragma once

#include "AddinCache.h"
#include "COMAddinLib.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "host/Extensibility.h"
#include "host/RibbonInterfaces.h"

class CCOMAddin : public ComObject<CCOMAddin, DispatchImpl<CCOMAddin, ICOMAddin>,
                                   DispatchImpl<CCOMAddin, IDTExtensibility2>,
                                   DispatchImpl<CCOMAddin, IRibbonExtensibility>> {
public:
    CCOMAddin();
    ~CCOMAddin() override;
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<ICOMAddin>);
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<IDTExtensibility2>);
    static std::span<const DispatchMember> DispatchMembers(std::type_identity<IRibbonExtensibility>);
    void FinalRelease();

    // The registration of the add-in's key under the host's Addins key (object map hook).
    static HRESULT UpdateRegistry(BOOL bRegister);

    // ICOMAddin
    HRESULT STDMETHODCALLTYPE ShowRemindersWindowC(IDispatch* pControl, VARIANT_BOOL* CancelDefault) override;
    HRESULT STDMETHODCALLTYPE ShowRemindersWindow(IDispatch* pControl) override;
    HRESULT STDMETHODCALLTYPE ConfigureReminders(IDispatch* pControl) override;

    // IDTExtensibility2
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                                           SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

    // IRibbonExtensibility: the same markup for every ribbon.
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;

    // How the engine is made (tests give one that fails or makes a test double); returns the
    // one before. Null restores CReminderEngine::CreateInstance.
    using EngineCreator = HRESULT (*)(IReminderEngine** engine);
    static EngineCreator SetEngineCreator(EngineCreator creator);

    // State for tests.
    IApplicationSink* Sink() const { return m_pSink.get(); }
    bool Connected() const { return m_connected; }

private:
    // The options sheet over the active window.
    void ShowOptionsSheet();

    ComPtr<IApplicationSink> m_pSink;
    // Set once a connection passed the version gate: this add-in runs the engine.
    bool m_connected = false;
    // The engine this add-in's connection put into the cache (compared, never used itself).
    IReminderEngine* m_engine = nullptr;
    // The holds this add-in took on the cached session and Application.
    CCacheHolds m_holds;
};
