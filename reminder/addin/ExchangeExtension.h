// CExchangeExtension: the add-in as a client extension of hosts older than major version 14. The
// host makes one object per context it loads extensions in and installs it with that context:
// the task context caches the host's Application, the session context caches the MAPI session
// and makes the engine, each explorer's viewer context enables the engine, and the options
// dialog's property-sheets context gives the add-in's page. Every object holds the cached session
// and Application it found when it was made; the one that lets go of the session's last hold
// disables and releases the engine.
#pragma once

#include "AddinCache.h"
#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "host/ExchExtCompanions.h"

class CExchangeExtension : public ComObject<CExchangeExtension, IExchExt> {
public:
    CExchangeExtension();
    ~CExchangeExtension() override;

    // The export's object: the extension with one reference, or a failure (nothing handed out).
    static HRESULT CreateInstance(IExchExt** ppExt);
    HRESULT FinalConstruct();
    void FinalRelease();
    // IExchExt itself; each companion interface through the member that holds it (the
    // member's own reference), E_NOINTERFACE while there is none.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;

    HRESULT STDMETHODCALLTYPE Install(LPEXCHEXTCALLBACK lpeecb, ULONG mecontext, ULONG ulFlags) override;

    ULONG GetContext() const { return m_context; }

    // The cache setters of this object (each takes a hold of this object on what it caches).
    HRESULT CacheMapiSession(IExchExtCallback* callback);
    HRESULT CacheOutlookApplication(IExchExtCallback* callback);

private:
    using InstallHandler = HRESULT (CExchangeExtension::*)(IExchExtCallback*);
    static constexpr ULONG kContextCount = 15;

    HRESULT CheckVersion(IExchExtCallback* callback);
    HRESULT InstallSession(IExchExtCallback* callback);
    HRESULT InstallViewer(IExchExtCallback* callback);
    HRESULT InstallPropertysheets(IExchExtCallback* callback);
    HRESULT InstallTask(IExchExtCallback* callback);

    ULONG m_context = 0;
    ULONG m_flags = 0;
    ComPtr<IUnknown> m_pAdvancedCriteria;
    ComPtr<IUnknown> m_pAttachedFileEvents;
    ComPtr<IUnknown> m_pCommands;
    ComPtr<IUnknown> m_pMessageEvents;
    ComPtr<IUnknown> m_pPropertySheets;
    ComPtr<IUnknown> m_pSessionEvents;
    ComPtr<IUnknown> m_pUserEvents;
    InstallHandler m_pInstallContext[kContextCount] = {};
    CCacheHolds m_holds;
};

// The companions of the extension's interface map: session events (session context) and the
// Tools-Options page (property-sheets context). `parent` is the extension that keeps them.
HRESULT CreateExtSessionEvents(CExchangeExtension* parent, IUnknown** out);
HRESULT CreateExtPropertySheets(CExchangeExtension* parent, IUnknown** out);
