// CApplication: the COM add-in's sink of the host's application events (coclass ApplicationSink,
// made only inside the add-in). It answers IApplicationSink, IDispatch and the host's
// ApplicationEvents with one interface whose dispatch ids are the events', so the host's event
// calls reach the members below. Connected to the Application, it holds the Application and its
// parent (the add-in's IDTExtensibility2); the host's Quit disconnects the parent.
#pragma once

#include "COMAddinLib.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"

class CApplication : public ComObject<CApplication, DispatchImpl<CApplication, IApplicationSink>> {
public:
    CApplication();
    ~CApplication() override;
    static std::span<const DispatchMember> DispatchMembers();
    HRESULT QueryExtraInterface(REFIID riid, void** ppv);

    // Queries the given object for the host's Application and advises this sink on its
    // ApplicationEvents; a failed advise lets go of the Application again.
    HRESULT STDMETHODCALLTYPE Connect(IUnknown* ConnectionPoint) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE SetParent(IDispatch* parent) override;

    HRESULT STDMETHODCALLTYPE ItemSend(IDispatch* Item, VARIANT_BOOL* Cancel) override;
    HRESULT STDMETHODCALLTYPE NewMail() override;
    HRESULT STDMETHODCALLTYPE Reminder(IDispatch* Item) override;
    HRESULT STDMETHODCALLTYPE OptionsPagesAdd(IUnknown* Pages) override;
    HRESULT STDMETHODCALLTYPE Startup() override;
    // The host shuts down: the parent's OnDisconnection(ext_dm_HostShutdown).
    HRESULT STDMETHODCALLTYPE Quit() override;

    DWORD Cookie() const { return m_cookie; }
    IUnknown* ApplicationObject() const { return m_application.get(); }
    IDispatch* Parent() const { return m_parent.get(); }

private:
    ComPtr<IDispatch> m_parent;
    ComPtr<IUnknown> m_application;
    DWORD m_cookie = 0;
};
