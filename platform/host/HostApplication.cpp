#include "host/HostApplication.h"

#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ErrorReporting.h"
#include "host/ApplicationEvents.h"
#include "host/Explorer.h"
#include "host/Explorers.h"
#include "host/Folder.h"
#include "host/Inspector.h"
#include "host/LanguageSettings.h"
#include "host/MailItem.h"
#include "host/NameSpace.h"
#include "host/VariantArgs.h"

#include <algorithm>

CHostApplication::CHostApplication(host::HostSession& session, std::u16string version, LONG languageId)
    : m_session(session), m_version(std::move(version)), m_languageId(languageId)
{
    m_events = &AddConnectionPoint(DIID_ApplicationEvents);
}

std::span<const DispatchMember> CHostApplication::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&_Application::get_Version>("Version", 0x0116, DISPATCH_PROPERTYGET),
        DispMember<&_Application::get_Name>("Name", 0x3001, DISPATCH_PROPERTYGET),
        DispMember<&_Application::get_Session>("Session", 0xF0B7, DISPATCH_PROPERTYGET),
        DispMember<&_Application::GetNamespace>("GetNamespace", 0x0110, DISPATCH_METHOD),
        DispMember<&_Application::get_Explorers>("Explorers", 0x2107, DISPATCH_PROPERTYGET),
        DispMember<&_Application::ActiveExplorer>("ActiveExplorer", 0x0111, DISPATCH_METHOD),
        DispMember<&_Application::ActiveInspector>("ActiveInspector", 0x0112, DISPATCH_METHOD),
        DispMember<&_Application::ActiveWindow>("ActiveWindow", 0x0113, DISPATCH_METHOD),
        DispMember<&_Application::get_LanguageSettings>("LanguageSettings", 0x0118, DISPATCH_PROPERTYGET),
        DispMember<&_Application::Quit>("Quit", 0x0115, DISPATCH_METHOD),
        DispMember<&_Application::get_Application>("Application", 0xF000, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CHostApplication::FinalConstruct()
{
    CNameSpace* ns = nullptr;
    HRESULT hr = CNameSpace::CreateObject(&ns, this);
    if (FAILED(hr))
        return hr;
    m_namespace.Attach(ns);
    CExplorers* explorers = nullptr;
    hr = CExplorers::CreateObject(&explorers, this);
    if (FAILED(hr))
        return hr;
    m_explorers.Attach(explorers);
    CLanguageSettings* language = nullptr;
    hr = CLanguageSettings::CreateObject(&language, m_languageId);
    if (FAILED(hr))
        return hr;
    m_language.Attach(language);
    return S_OK;
}

void CHostApplication::FinalRelease()
{
    Shutdown();
}

HRESULT CHostApplication::get_Version(BSTR* version)
{
    return host::CopyText(m_version, version);
}

HRESULT CHostApplication::get_Name(BSTR* name)
{
    return host::CopyText(m_name, name);
}

HRESULT CHostApplication::get_Session(_NameSpace** ns)
{
    if (!ns)
        return E_POINTER;
    *ns = m_namespace.get();
    (*ns)->AddRef();
    return S_OK;
}

HRESULT CHostApplication::GetNamespace(BSTR Type, _NameSpace** ns)
{
    if (!ns)
        return E_POINTER;
    *ns = nullptr;
    if (!platform::EqualNoCase(ComBstr(Type).Utf8(), "MAPI"))
        return ReportError(E_INVALIDARG, IID_OF(_Application), "Application", "Only the MAPI name space exists.");
    return get_Session(ns);
}

HRESULT CHostApplication::get_Explorers(_Explorers** explorers)
{
    if (!explorers)
        return E_POINTER;
    *explorers = m_explorers.get();
    (*explorers)->AddRef();
    return S_OK;
}

HRESULT CHostApplication::ActiveExplorer(_Explorer** explorer)
{
    if (!explorer)
        return E_POINTER;
    *explorer = nullptr;
    // The explorer in front, or the last explorer that was (an inspector may be in front).
    ComPtr<_Explorer> e;
    if (m_active && SUCCEEDED(m_active->QueryInterface(IID_OF(_Explorer), e.put_void()))) {
        *explorer = e.get();
        e->AddRef();
    } else if (!m_explorers->List().empty()) {
        *explorer = m_explorers->List().back().get();
        (*explorer)->AddRef();
    }
    return S_OK;
}

HRESULT CHostApplication::ActiveInspector(_Inspector** inspector)
{
    if (!inspector)
        return E_POINTER;
    *inspector = nullptr;
    ComPtr<_Inspector> i;
    if (m_active && SUCCEEDED(m_active->QueryInterface(IID_OF(_Inspector), i.put_void()))) {
        *inspector = i.get();
        i->AddRef();
    } else if (!m_inspectors.empty()) {
        *inspector = m_inspectors.back().get();
        (*inspector)->AddRef();
    }
    return S_OK;
}

HRESULT CHostApplication::ActiveWindow(IDispatch** window)
{
    if (!window)
        return E_POINTER;
    *window = m_active.get();
    if (*window)
        (*window)->AddRef();
    return S_OK;
}

HRESULT CHostApplication::get_LanguageSettings(LanguageSettings** settings)
{
    if (!settings)
        return E_POINTER;
    *settings = m_language.get();
    (*settings)->AddRef();
    return S_OK;
}

HRESULT CHostApplication::Quit()
{
    m_quitRequested = true;
    return S_OK;
}

HRESULT CHostApplication::get_Application(_Application** application)
{
    if (!application)
        return E_POINTER;
    *application = this;
    AddRef();
    return S_OK;
}

HRESULT CHostApplication::RunCommand(LONG id)
{
    if (id == host::kCommandExit && !m_handler) {
        m_quitRequested = true;
        return S_OK;
    }
    return m_handler ? m_handler(id) : S_OK;
}

HRESULT CHostApplication::OpenExplorer(CFolder* folder, CExplorer** explorer)
{
    *explorer = nullptr;
    CExplorer* made = nullptr;
    const HRESULT hr = CExplorer::CreateObject(&made, this, ComPtr<CFolder>(folder));
    if (FAILED(hr))
        return hr;
    m_explorers->Opened(made);
    if (m_observer)
        m_observer(made, true);
    ActivateWindow(static_cast<_Explorer*>(made));
    *explorer = made;
    return S_OK;
}

HRESULT CHostApplication::OpenItem(const host::Binary& entryId, const host::Binary& storeId, CMailItem** item)
{
    *item = nullptr;
    ULONG type = 0;
    ComPtr<IUnknown> object;
    HRESULT hr = m_session.OpenEntry(entryId, &storeId, type, object);
    if (FAILED(hr))
        return hr;
    if (type != MAPI_MESSAGE)
        return MAPI_E_INVALID_ENTRYID;
    ComPtr<IMessage> message;
    if (FAILED(object.As(message)))
        return E_NOINTERFACE;
    host::Binary store = storeId.empty() ? host::GetBinaryProp(message.get(), PR_STORE_ENTRYID) : storeId;
    return CMailItem::CreateObject(item, this, message, entryId, store);
}

HRESULT CHostApplication::DisplayItem(CMailItem* item)
{
    CInspector* made = nullptr;
    const HRESULT hr = CInspector::CreateObject(&made, this, ComPtr<CMailItem>(item));
    if (FAILED(hr))
        return hr;
    m_inspectors.emplace_back().Attach(made);
    if (m_inspectorObserver)
        m_inspectorObserver(made, true);
    ActivateWindow(static_cast<_Inspector*>(made));
    return S_OK;
}

void CHostApplication::ActivateWindow(IDispatch* window)
{
    if (m_active.get() == window)
        return;
    ComPtr<IDispatch> previous = m_active;
    m_active = window;
    ComPtr<_Explorer> e;
    if (previous && SUCCEEDED(previous->QueryInterface(IID_OF(_Explorer), e.put_void())))
        static_cast<CExplorer*>(e.get())->FireDeactivate();
    e = nullptr;
    if (window && SUCCEEDED(window->QueryInterface(IID_OF(_Explorer), e.put_void())))
        static_cast<CExplorer*>(e.get())->FireActivate();
}

void CHostApplication::CloseExplorer(CExplorer* explorer)
{
    ComPtr<CExplorer> keep(explorer);
    if (m_active.get() == static_cast<IDispatch*>(static_cast<_Explorer*>(explorer))) {
        explorer->FireDeactivate();
        m_active = nullptr;
    }
    explorer->CloseWindow();
    m_explorers->Closed(explorer);
    if (m_observer)
        m_observer(explorer, false);
    if (!m_active && !m_explorers->List().empty())
        ActivateWindow(static_cast<_Explorer*>(m_explorers->List().back().get()));
}

void CHostApplication::CloseInspector(CInspector* inspector)
{
    ComPtr<CInspector> keep(inspector);
    if (m_active.get() == static_cast<IDispatch*>(static_cast<_Inspector*>(inspector)))
        m_active = nullptr;
    inspector->CloseWindow();
    if (m_inspectorObserver)
        m_inspectorObserver(inspector, false);
    std::erase_if(m_inspectors, [inspector](const ComPtr<CInspector>& i) { return i.get() == inspector; });
    if (!m_active && !m_explorers->List().empty())
        ActivateWindow(static_cast<_Explorer*>(m_explorers->List().back().get()));
}

void CHostApplication::FireStartup()
{
    m_events->Fire(DISPID_ApplicationEvents_Startup);
}

void CHostApplication::FireQuit()
{
    m_events->Fire(DISPID_ApplicationEvents_Quit);
}

void CHostApplication::FireNewMail()
{
    m_events->Fire(DISPID_ApplicationEvents_NewMail);
}

void CHostApplication::FireReminder(IDispatch* item)
{
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = item;
    m_events->Fire(DISPID_ApplicationEvents_Reminder, std::span<VARIANT>(&arg, 1));
}

void CHostApplication::FireOptionsPagesAdd(IDispatch* pages)
{
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = pages;
    m_events->Fire(DISPID_ApplicationEvents_OptionsPagesAdd, std::span<VARIANT>(&arg, 1));
}

bool CHostApplication::FireItemSend(IDispatch* item)
{
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_DISPATCH;
    args[0].pdispVal = item;
    VariantInit(&args[1]);
    args[1].vt = VT_BOOL | VT_BYREF;
    args[1].pboolVal = &cancel;
    m_events->Fire(DISPID_ApplicationEvents_ItemSend, args);
    return cancel != VARIANT_FALSE;
}

void CHostApplication::FireOptionsPagesAdd(IUnknown* pages)
{
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_UNKNOWN;
    arg.punkVal = pages;
    m_events->Fire(DISPID_ApplicationEvents_OptionsPagesAdd, std::span<VARIANT>(&arg, 1));
}

void CHostApplication::Shutdown()
{
    while (!m_inspectors.empty())
        CloseInspector(m_inspectors.back().get());
    if (m_explorers) {
        while (!m_explorers->List().empty())
            CloseExplorer(m_explorers->List().back().get());
        m_explorers->Detach();
    }
    m_active = nullptr;
    if (m_namespace)
        m_namespace->Detach();
}
