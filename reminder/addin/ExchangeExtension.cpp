#include "ExchangeExtension.h"

#include "HostUtils.h"
#include "ReminderEngine.h"
#include "TraceMapi.h"
#include "TraceScope.h"

CExchangeExtension::CExchangeExtension()
{
    TRACE_CTOR("CExchangeExtension");
    m_pInstallContext[EECONTEXT_SESSION] = &CExchangeExtension::InstallSession;
    m_pInstallContext[EECONTEXT_VIEWER] = &CExchangeExtension::InstallViewer;
    m_pInstallContext[EECONTEXT_PROPERTYSHEETS] = &CExchangeExtension::InstallPropertysheets;
    m_pInstallContext[EECONTEXT_TASK] = &CExchangeExtension::InstallTask;
}

CExchangeExtension::~CExchangeExtension()
{
    TRACE_DTOR("CExchangeExtension");
    TraceExtensionContext(m_context);
}

HRESULT CExchangeExtension::CreateInstance(IExchExt** ppExt)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::CreateInstance", &hr);
    CExchangeExtension* extension = nullptr;
    if (!ppExt) {
        hr = E_POINTER;
        return hr;
    }
    *ppExt = nullptr;
    hr = CreateObject(&extension);
    if (hr == E_OUTOFMEMORY) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "new failed. hr=0x%08lx\n", hr);
        return hr;
    }
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "FinalConstruct failed. hr=0x%08lx\n", hr);
        return hr;
    }
    *ppExt = extension;
    return hr;
}

HRESULT CExchangeExtension::FinalConstruct()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::FinalConstruct", &hr);
    // Every live extension object holds what is cached when it is made.
    m_holds.TakeHolds();
    return hr;
}

void CExchangeExtension::FinalRelease()
{
    TRACE_PROC("CExchangeExtension::FinalRelease");
    m_pAdvancedCriteria = nullptr;
    m_pAttachedFileEvents = nullptr;
    m_pCommands = nullptr;
    m_pMessageEvents = nullptr;
    m_pPropertySheets = nullptr;
    m_pSessionEvents = nullptr;
    m_pUserEvents = nullptr;

    // Only the holds this object took are given up: an object made before the cache was set
    // takes nothing away from those that hold it.
    const bool lastSessionHold = m_holds.HoldsSession() && AddinCache::SessionHolds() == 1;
    if (m_context == EECONTEXT_SESSION && lastSessionHold && AddinCache::Engine()) {
        const HRESULT hr = AddinCache::Engine()->put_Enabled(VARIANT_FALSE);
        if (FAILED(hr))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Enabled() failed. hr=0x%08lx\n", hr);
    }
    if (m_holds.HoldsApplication() && m_holds.ReleaseApplication())
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "Releasing Outlook.Application\n");
    if (m_holds.HoldsSession()) {
        if (lastSessionHold && AddinCache::Engine()) {
            const HRESULT hr = AddinCache::Engine()->put_Enabled(VARIANT_FALSE);
            if (FAILED(hr))
                TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Enabled() failed. hr=0x%08lx\n", hr);
        }
        if (m_holds.ReleaseSession())
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "Releasing Mapi Session\n");
    }
    // Holds on objects no longer cached (another was cached since) go too.
    m_holds.ReleaseApplication();
    m_holds.ReleaseSession();
}

HRESULT CExchangeExtension::QueryInterface(REFIID riid, void** ppv)
{
    const struct {
        const IID& iid;
        ComPtr<IUnknown>& member;
    } companions[] = {
        {IID_IExchExtAdvancedCriteria, m_pAdvancedCriteria},
        {IID_IExchExtAttachedFileEvents, m_pAttachedFileEvents},
        {IID_IExchExtCommands, m_pCommands},
        {IID_IExchExtMessageEvents, m_pMessageEvents},
        {uuidof<IExchExtPropertySheets>(), m_pPropertySheets},
        {uuidof<IExchExtSessionEvents>(), m_pSessionEvents},
        {IID_IExchExtUserEvents, m_pUserEvents},
    };
    for (const auto& companion : companions) {
        if (!IsEqualIID(riid, companion.iid))
            continue;
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        return companion.member ? companion.member->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    return ComObject::QueryInterface(riid, ppv);
}

HRESULT CExchangeExtension::Install(LPEXCHEXTCALLBACK lpeecb, ULONG mecontext, ULONG ulFlags)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::Install", &hr);
    TraceExtensionContext(mecontext);
    m_context = mecontext;
    m_flags = ulFlags;
    if (mecontext == 0 || mecontext >= kContextCount) {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "Unknown context: %d\n", static_cast<int>(mecontext));
        hr = S_FALSE;
        return hr;
    }
    const InstallHandler handler = m_pInstallContext[mecontext];
    if (!handler) {
        hr = S_FALSE;
        return hr;
    }
    hr = CheckVersion(lpeecb);
    if (FAILED(hr)) {
        TRACE_FAILED(CheckVersion, hr);
        hr = S_FALSE;
        return hr;
    }
    hr = (this->*handler)(lpeecb);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "m_pInstallContext(%d) failed. hr=0x%08lx\n",
                   static_cast<int>(mecontext), hr);
        hr = S_FALSE;
    }
    return hr;
}

HRESULT CExchangeExtension::CheckVersion(IExchExtCallback* callback)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::CheckVersion", &hr);
    ULONG version = 0;
    if (!callback) {
        hr = E_INVALIDARG;
        return hr;
    }
    hr = callback->GetVersion(&version, EECBGV_GETBUILDVERSION);
    if (FAILED(hr)) {
        TRACE_FAILED(GetVersion, hr);
        return hr;
    }
    if ((version & 0xFFFF0000u) != 0x000D0000u) {
        hr = E_FAIL;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "Wrong Version. ulVersion=0x%08lx  hr=0x%08lx\n", version, hr);
    }
    return hr;
}

HRESULT CExchangeExtension::CacheMapiSession(IExchExtCallback* callback)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::CacheMapiSession", &hr);
    ComPtr<IMAPISession> session;
    hr = callback->GetSession(session.put(), nullptr);
    if (SUCCEEDED(hr) && !session)
        hr = MAPI_E_NOT_FOUND;
    if (FAILED(hr)) {
        TRACE_FAILED(GetSession, hr);
        return hr;
    }
    hr = m_holds.CacheMapiSession(session.get());
    if (FAILED(hr))
        TRACE_FAILED(CacheMapiSession, hr);
    return hr;
}

HRESULT CExchangeExtension::CacheOutlookApplication(IExchExtCallback* callback)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::CacheOutlookApplication", &hr);
    ComPtr<IOutlookExtCallback> outlook;
    ComPtr<IUnknown> object;
    ComPtr<IDispatch> dispatch;
    ComPtr<_Application> application;
    OLECHAR name[] = u"Application";
    LPOLESTR names[] = {name};
    DISPID dispid = DISPID_UNKNOWN;
    DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    m_holds.ReleaseApplication();
    hr = callback->QueryInterface(uuidof<IOutlookExtCallback>(), outlook.put_void());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "QueryInterface() failed: hr=%lx\n", hr);
        goto Exit;
    }
    hr = outlook->GetObject(object.put());
    if (SUCCEEDED(hr) && !object)
        hr = E_FAIL;
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetObject() failed: hr=%lx\n", hr);
        goto Exit;
    }
    hr = object.As(dispatch);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "QueryInterface() failed: hr=%lx\n", hr);
        goto Exit;
    }
    hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, 0x800, &dispid);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetIDsOfNames() failed: hr=%lx\n", hr);
        goto Exit;
    }
    hr = dispatch->Invoke(dispid, IID_NULL, 0x800, DISPATCH_PROPERTYGET, &noArgs, &result, nullptr, nullptr);
    if (FAILED(hr)) {
        TRACE_FAILED(Invoke, hr);
        goto Exit;
    }
    if (result.vt != VT_DISPATCH || !result.pdispVal) {
        hr = E_FAIL;
        TRACE_FAILED(Invoke, hr);
        goto Exit;
    }
    hr = result.pdispVal->QueryInterface(uuidof<_Application>(), application.put_void());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "QueryInterface() failed: hr=%lx\n", hr);
        goto Exit;
    }
    hr = m_holds.CacheOutlookApplication(application.get());
Exit:
    VariantClear(&result);
    return hr;
}

HRESULT CExchangeExtension::InstallSession(IExchExtCallback* callback)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::InstallSession", &hr);
    ComPtr<IReminderEngine> engine;
    // Once per process.
    if (AddinCache::SessionHolds() != 0) {
        hr = S_FALSE;
        return hr;
    }
    hr = CacheMapiSession(callback);
    if (FAILED(hr))
        return hr;
    if (const HRESULT made = CreateExtSessionEvents(this, m_pSessionEvents.put()); FAILED(made))
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CExtSessionEvents::CreateInstance() failed. hr=0x%08lx\n", made);
    // An engine left in the cache is disabled before it goes (ClearEngine), so that it does not
    // run on beside the new one while another holder keeps it.
    AddinCache::ClearEngine();
    hr = CReminderEngine::CreateInstance(engine.put());
    if (FAILED(hr)) {
        TRACE_FAILED(CreateInstance, hr);
        return hr;
    }
    AddinCache::SetEngine(engine.get());
    hr = engine->Initialize(SessionVariant(AddinCache::Session()));
    if (FAILED(hr))
        TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Session() failed. hr=0x%08lx\n", hr);
    return hr;
}

HRESULT CExchangeExtension::InstallViewer(IExchExtCallback*)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::InstallViewer", &hr);
    IReminderEngine* engine = AddinCache::Engine();
    if (!engine) {
        ComPtr<IReminderEngine> made;
        hr = CReminderEngine::CreateInstance(made.put());
        if (FAILED(hr)) {
            TRACE_FAILED(CreateInstance, hr);
            return hr;
        }
        AddinCache::SetEngine(made.get());
        engine = made.get();
        if (const HRESULT init = engine->Initialize(SessionVariant(AddinCache::Session())); FAILED(init))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Session() failed. hr=0x%08lx\n", init);
        if (const HRESULT enabled = engine->put_Enabled(VARIANT_TRUE); FAILED(enabled))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Enabled() failed. hr=0x%08lx\n", enabled);
        return hr;
    }
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (SUCCEEDED(engine->get_Enabled(&enabled)) && !enabled) {
        if (const HRESULT result = engine->put_Enabled(VARIANT_TRUE); FAILED(result))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Enabled() failed. hr=0x%08lx\n", result);
    }
    return hr;
}

HRESULT CExchangeExtension::InstallPropertysheets(IExchExtCallback*)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::InstallPropertysheets", &hr);
    hr = CreateExtPropertySheets(this, m_pPropertySheets.put());
    if (FAILED(hr))
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CExtPropertySheets::CreateInstance() failed. hr=0x%08lx\n", hr);
    return hr;
}

HRESULT CExchangeExtension::InstallTask(IExchExtCallback* callback)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CExchangeExtension::InstallTask", &hr);
    hr = CacheOutlookApplication(callback);
    if (FAILED(hr))
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CacheOutlookApplication() failed. hr=0x%08lx\n", hr);
    return hr;
}
