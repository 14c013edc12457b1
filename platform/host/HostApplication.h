// CHostApplication: the host's Application object, the root of its object model, and the
// source of the application events (ApplicationEvents) the add-ins advise on. The host program
// drives it: opens windows, runs commands, fires Startup and Quit.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/ConnectionPointContainerImpl.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/BuiltInCommands.h"
#include "host/HostInterfaces.h"
#include "host/Explorers.h"
#include "host/HostSession.h"
#include "host/Inspector.h"
#include "host/LanguageSettings.h"
#include "host/NameSpace.h"

#include <span>
#include <string>
#include <vector>


class CHostApplication : public ComObject<CHostApplication, DispatchImpl<CHostApplication, _Application>,
                                          SupportErrorInfoImpl<_Application>, ConnectionPointContainerImpl> {
public:
    CHostApplication(host::HostSession& session, std::u16string version, LONG languageId);

    static std::span<const DispatchMember> DispatchMembers();
    HRESULT FinalConstruct();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE get_Version(BSTR* version) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** ns) override;
    HRESULT STDMETHODCALLTYPE GetNamespace(BSTR Type, _NameSpace** ns) override;
    HRESULT STDMETHODCALLTYPE get_Explorers(_Explorers** explorers) override;
    HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** explorer) override;
    HRESULT STDMETHODCALLTYPE ActiveInspector(_Inspector** inspector) override;
    HRESULT STDMETHODCALLTYPE ActiveWindow(IDispatch** window) override;
    HRESULT STDMETHODCALLTYPE get_LanguageSettings(LanguageSettings** settings) override;
    HRESULT STDMETHODCALLTYPE Quit() override;
    HRESULT STDMETHODCALLTYPE get_Application(_Application** application) override;

    // For the host program and the object model's own objects.
    host::HostSession& Session() const { return m_session; }
    const std::u16string& Name() const { return m_name; }
    const std::u16string& Version() const { return m_version; }
    LONG LanguageId() const { return m_languageId; }
    CExplorers* ExplorerList() const { return m_explorers.get(); }
    const std::vector<ComPtr<CInspector>>& Inspectors() const { return m_inspectors; }
    bool QuitRequested() const { return m_quitRequested; }

    // The host's handler of its built-in commands; RunCommand goes there.
    void SetCommandHandler(host::CommandRunner handler) { m_handler = std::move(handler); }
    // Told of every explorer that opens (true) or closes (false).
    using ExplorerObserver = std::function<void(CExplorer*, bool opened)>;
    void SetExplorerObserver(ExplorerObserver observer) { m_observer = std::move(observer); }
    // Told of every inspector that opens (true) or closes (false).
    using InspectorObserver = std::function<void(CInspector*, bool opened)>;
    void SetInspectorObserver(InspectorObserver observer) { m_inspectorObserver = std::move(observer); }
    HRESULT RunCommand(LONG id);

    HRESULT OpenExplorer(CFolder* folder, CExplorer** explorer);
    HRESULT OpenItem(const host::Binary& entryId, const host::Binary& storeId, CMailItem** item);
    HRESULT DisplayItem(CMailItem* item);
    void ActivateWindow(IDispatch* window);
    void CloseExplorer(CExplorer* explorer);
    void CloseInspector(CInspector* inspector);
    // The explorer or inspector in front, or null.
    IDispatch* Active() const { return m_active.get(); }

    // Application events to the advised sinks.
    void FireStartup();
    void FireQuit();
    void FireNewMail();
    void FireReminder(IDispatch* item);
    // The Options dialog opens: the add-ins may add pages to `pages`.
    void FireOptionsPagesAdd(IDispatch* pages);
    // Returns the Cancel a sink set.
    bool FireItemSend(IDispatch* item);
    void FireOptionsPagesAdd(IUnknown* pages);

    // Closes every window (their Close events) and cuts the object model off; add-ins that
    // still hold objects get errors from them.
    void Shutdown();

private:
    host::HostSession& m_session;
    std::u16string m_name = u"Mail Host";
    std::u16string m_version;
    LONG m_languageId;
    ComPtr<CNameSpace> m_namespace;
    ComPtr<CExplorers> m_explorers;
    ComPtr<CLanguageSettings> m_language;
    std::vector<ComPtr<CInspector>> m_inspectors;
    ComPtr<IDispatch> m_active;
    host::CommandRunner m_handler;
    ExplorerObserver m_observer;
    InspectorObserver m_inspectorObserver;
    ConnectionPoint* m_events = nullptr;
    bool m_quitRequested = false;
};
