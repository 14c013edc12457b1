#include "COMAddin.h"

#include "Application.h"
#include "EngineSeam.h"
#include "ExtPropertySheets.h"
#include "HostUtils.h"
#include "ModuleInstance.h"
#include "OptionsResource.h"
#include "OutlookVersion.h"
#include "ReminderEngine.h"
#include "TraceScope.h"
#include "base/Format.h"
#include "base/Module.h"
#include "base/Utf.h"
#include "base/Window.h"
#include "com/ComBstr.h"
#include "host/HostInterfaces.h"
#include "host/PropertySheet.h"
#include "registry/Registry.h"

#include <string>
#include <string_view>

namespace {

constexpr char kAddinKey[] = "Software\\Microsoft\\Office\\Outlook\\Addins\\Lumivane.COMAddin";
constexpr char kProduct[] = "Lumivane Add-In";
constexpr int kMarkupBuffer = 8000;

// The ribbon: the host's own ShowRemindersWindow command opens this add-in's window, and the
// add-ins tab gets the window and the options; "%s" takes the options button's label.
constexpr char kRibbonMarkup[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<customUI xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\">\r\n"
    "  <commands>\r\n"
    "    <command idMso=\"ShowRemindersWindow\" onAction=\"ShowRemindersWindowC\"/>\r\n"
    "  </commands>\r\n"
    "  <ribbon>\r\n"
    "    <tabs>\r\n"
    "      <tab idMso=\"TabAddIns\">\r\n"
    "        <group id=\"LumivaneAddIn\" label=\"Lumivane Add-In\" autoScale=\"true\">\r\n"
    "          <button size=\"large\" idMso=\"ShowRemindersWindow\" onAction=\"ShowRemindersWindow\"/>\r\n"
    "          <button size=\"large\" imageMso=\"AddInCommandsMenu\" id=\"ConfigureReminders\" label=\"%s\" "
    "onAction=\"ConfigureReminders\"/>\r\n"
    "        </group>\r\n"
    "      </tab>\r\n"
    "    </tabs>\r\n"
    "  </ribbon>\r\n"
    "</customUI>\r\n";

CCOMAddin::EngineCreator g_engineCreator = &CReminderEngine::CreateInstance;

// The markup with the label in an 8000-byte buffer ("%s" replaced as wsprintfA does, whose 1024
// bytes would cut it).
std::string RibbonMarkup(const std::string& label)
{
    const std::string_view format(kRibbonMarkup);
    const std::size_t at = format.find("%s");
    std::string markup(format.substr(0, at));
    markup += label;
    markup += format.substr(at + 2);
    if (markup.size() > kMarkupBuffer - 1)
        markup.resize(kMarkupBuffer - 1);
    return markup;
}

} // namespace

CCOMAddin::CCOMAddin()
{
    TRACE_CTOR("CCOMAddin");
}

CCOMAddin::~CCOMAddin()
{
    TRACE_DTOR("CCOMAddin");
}

void CCOMAddin::FinalRelease()
{
    m_pSink = nullptr;
}

std::span<const DispatchMember> CCOMAddin::DispatchMembers(std::type_identity<ICOMAddin>)
{
    static const DispatchMember members[] = {
        DispMember<&ICOMAddin::ShowRemindersWindowC>("ShowRemindersWindowC", 1, DISPATCH_METHOD, {VT_DISPATCH, VT_BOOL}),
        DispMember<&ICOMAddin::ShowRemindersWindow>("ShowRemindersWindow", 2, DISPATCH_METHOD),
        DispMember<&ICOMAddin::ConfigureReminders>("ConfigureReminders", 3, DISPATCH_METHOD),
    };
    return members;
}

std::span<const DispatchMember> CCOMAddin::DispatchMembers(std::type_identity<IDTExtensibility2>)
{
    return {};
}

std::span<const DispatchMember> CCOMAddin::DispatchMembers(std::type_identity<IRibbonExtensibility>)
{
    return {};
}

CCOMAddin::EngineCreator CCOMAddin::SetEngineCreator(EngineCreator creator)
{
    const EngineCreator previous = g_engineCreator;
    g_engineCreator = creator ? creator : &CReminderEngine::CreateInstance;
    return previous;
}

HRESULT CCOMAddin::UpdateRegistry(BOOL bRegister)
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
    const DWORD loadAtStartup = 3;
    for (const char* name : {"FriendlyName", "Description"}) {
        if (rc == ERROR_SUCCESS)
            rc = RegSetValueExA(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(kProduct), sizeof kProduct);
    }
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(hKey, "LoadBehavior", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&loadAtStartup),
                            sizeof loadAtStartup);
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

HRESULT CCOMAddin::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*, SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CCOMAddin::OnConnection", &hr);
    int major = 0;
    ComPtr<IUnknown> session;
    ComPtr<IMAPISession> mapiSession;
    ComPtr<IReminderEngine> engine;
    ComPtr<_Application> application;
    CApplication* sink = nullptr;

    hr = GetOutlookVersion(Application, major);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetOutlookVersion() failed. hr=0x%08lx\n", hr);
        hr = S_OK;
        return hr;
    }
    if (major < 14) {
        TracePrint(__FILE__, __LINE__, TL_DEBUG, "GetOutlookVersion is %d, COMAddIn not needed\n", major);
        return hr;
    }
    m_connected = true;
    // An engine left in the cache is disabled before it goes, so its timer and hook stop.
    AddinCache::ClearEngine();

    hr = GetMapiSession(Application, session.put());
    if (SUCCEEDED(hr) && !session)
        hr = E_FAIL;
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetMapiSession() failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = session.As(mapiSession);
    if (SUCCEEDED(hr))
        hr = m_holds.CacheMapiSession(mapiSession.get());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CacheMapiSession() failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = g_engineCreator(engine.put());
    if (SUCCEEDED(hr) && !engine)
        hr = E_OUTOFMEMORY;
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CreateInstance() failed. hr=0x%08lx\n", hr);
        return hr;
    }
    AddinCache::SetEngine(engine.get());
    m_engine = engine.get();
    hr = Application->QueryInterface(uuidof<_Application>(), application.put_void());
    if (SUCCEEDED(hr))
        hr = m_holds.CacheOutlookApplication(application.get());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CacheOutlookApplication() failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = engine->Initialize(SessionVariant(session.get()));
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Session() failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = engine->put_Enabled(VARIANT_TRUE);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Enabled() failed. hr=0x%08lx\n", hr);
        return hr;
    }
    hr = CApplication::CreateObject(&sink);
    if (FAILED(hr)) {
        hr = E_OUTOFMEMORY;
        return hr;
    }
    m_pSink.Attach(sink);
    hr = m_pSink->Connect(Application);
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "Connect() failed: hr=%lx\n", hr);
        return hr;
    }
    hr = m_pSink->SetParent(static_cast<IDTExtensibility2*>(this));
    return hr;
}

HRESULT CCOMAddin::OnDisconnection(ext_DisconnectMode, SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CCOMAddin::OnDisconnection", &hr);
    // Only what this add-in's connection set up is undone: on older hosts the client
    // extension's engine and cache stay.
    if (!m_connected)
        return hr;
    m_connected = false;
    // A failure to disable is returned once the rest is done: the engine, the sink and the
    // holds go all the same.
    if (m_engine && AddinCache::Engine() == m_engine) {
        hr = AddinCache::ClearEngine();
        if (FAILED(hr))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "put_Enabled() failed. hr=0x%08lx\n", hr);
    }
    m_engine = nullptr;
    if (m_pSink) {
        const HRESULT disconnected = m_pSink->Disconnect();
        if (FAILED(disconnected))
            TracePrint(__FILE__, __LINE__, TL_ERROR, "Disconnect() failed: hr=%lx\n", disconnected);
        // The sink lets go of this add-in, or the two would keep each other.
        m_pSink->SetParent(nullptr);
    }
    m_holds.CacheOutlookApplication(nullptr);
    m_holds.CacheMapiSession(nullptr);
    return hr;
}

HRESULT CCOMAddin::OnAddInsUpdate(SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CCOMAddin::OnAddInsUpdate", &hr);
    return hr;
}

HRESULT CCOMAddin::OnStartupComplete(SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CCOMAddin::OnStartupComplete", &hr);
    return hr;
}

HRESULT CCOMAddin::OnBeginShutdown(SAFEARRAY**)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CCOMAddin::OnBeginShutdown", &hr);
    return hr;
}

HRESULT CCOMAddin::GetCustomUI(BSTR RibbonID, BSTR* RibbonXml)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CCOMAddin::GetCustomUI", &hr);
    TracePrint(__FILE__, __LINE__, TL_DEBUG, "RibbonID: %S\n", RibbonID ? RibbonID : u"");
    if (!RibbonXml) {
        hr = E_POINTER;
        return hr;
    }
    // The label is UTF-8 text of the string table; the BSTR holds the markup as UTF-16.
    *RibbonXml = ComBstr(std::string_view(RibbonMarkup(LoadAddinString(IDS_CONFIGURE_REMINDERS)))).Detach();
    if (!*RibbonXml)
        hr = E_OUTOFMEMORY;
    return hr;
}

HRESULT CCOMAddin::ShowRemindersWindowC(IDispatch* pControl, VARIANT_BOOL*)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CCOMAddin::ShowRemindersWindowC", &hr);
    // CancelDefault stays as it is: the host's own command runs too.
    hr = static_cast<ICOMAddin*>(this)->ShowRemindersWindow(pControl);
    return hr;
}

HRESULT CCOMAddin::ShowRemindersWindow(IDispatch*)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("MyShowRemindersWindow", &hr);
    IReminderEngine* engine = AddinCache::Engine();
    if (!engine) {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "No engine: no reminders window\n");
        return hr;
    }
    // Filter 0: the window shows the stored filter; an open window comes to the front instead.
    const HRESULT shown = EngineSeam()->OpenRemindersWindow(engine, 0);
    if (FAILED(shown))
        TracePrint(__FILE__, __LINE__, TL_ERROR, "OpenRemindersWindow() failed. hr=0x%08lx\n", shown);
    return hr;
}

HRESULT CCOMAddin::ConfigureReminders(IDispatch*)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CCOMAddin::ConfigureReminders", &hr);
    ShowOptionsSheet();
    return hr;
}

void CCOMAddin::ShowOptionsSheet()
{
    TRACE_PROC("CCOMAddin::ShowOptionsSheet");
    ComPtr<IExchExtPropertySheets> sheets;
    PROPSHEETPAGEA page{};
    ULONG count = 0;
    const HWND owner = GetActiveWindow();
    HRESULT hr = CExtensionBase::CreateInstance<CExtPropertySheets>(nullptr, sheets.put());
    if (FAILED(hr)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "CExtPropertySheets::CreateInstance() failed. hr=0x%08lx\n", hr);
        return;
    }
    sheets->GetMaxPageCount(EEPS_TOOLSOPTIONS);
    hr = sheets->GetPages(nullptr, EEPS_TOOLSOPTIONS, &page, &count);
    if (FAILED(hr) || count == 0) {
        // The Options dialog holds the page: there is nothing to show, and its flag stays.
        TracePrint(__FILE__, __LINE__, TL_WARNING, "No options page to show. hr=0x%08lx\n", hr);
        return;
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_PROPTITLE;
    header.hwndParent = owner;
    header.hInstance = ModuleInstance();
    header.pszCaption = kProduct;
    header.nPages = 1;
    header.nStartPage = 0;
    header.ppsp = &page;
    using PropertySheetProc = INT_PTR (*)(const PROPSHEETHEADERA*);
    const HMODULE comctl = LoadLibraryA("comctl32.dll");
    const auto propertySheet = comctl ? reinterpret_cast<PropertySheetProc>(GetProcAddress(comctl, "PropertySheetA"))
                                      : nullptr;
    const INT_PTR shown = propertySheet ? propertySheet(&header) : -1;
    if (!propertySheet)
        TracePrint(__FILE__, __LINE__, TL_ERROR, "GetProcAddress(PropertySheetA) failed\n");
    // A sheet that never took the page leaves it to be let go here.
    if (shown < 0 && page.pfnCallback)
        page.pfnCallback(nullptr, PSPCB_RELEASE, &page);
    if (comctl)
        FreeLibrary(comctl);
    // The page is this sheet's no longer.
    CExtPropertySheets::SetPagesGiven(false);
}
