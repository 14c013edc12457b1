#include "host/Explorer.h"

#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ErrorReporting.h"
#include "host/CommandBars.h"
#include "host/Folder.h"
#include "host/HostApplication.h"
#include "host/VariantArgs.h"

CExplorer::CExplorer(CHostApplication* application, ComPtr<CFolder> folder)
    : m_application(application), m_folder(std::move(folder))
{
    m_events = &AddConnectionPoint(DIID_ExplorerEvents);
}

std::span<const DispatchMember> CExplorer::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&_Explorer::get_CommandBars>("CommandBars", 0x2100, DISPATCH_PROPERTYGET),
        DispMember<&_Explorer::get_CurrentFolder>("CurrentFolder", 0x2103, DISPATCH_PROPERTYGET),
        DispMember<&_Explorer::put_CurrentFolder>("CurrentFolder", 0x2103, DISPATCH_PROPERTYPUTREF | DISPATCH_PROPERTYPUT),
        DispMember<&_Explorer::get_Caption>("Caption", 0x2111, DISPATCH_PROPERTYGET),
        DispMember<&_Explorer::Activate>("Activate", 0x2133, DISPATCH_METHOD),
        DispMember<&_Explorer::Close>("Close", 0x2115, DISPATCH_METHOD),
        DispMember<&_Explorer::get_Application>("Application", 0xF000, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CExplorer::FinalConstruct()
{
    CHostApplication* app = m_application;
    CCommandBars* bars = nullptr;
    const HRESULT hr = CCommandBars::CreateObject(&bars, [app](LONG id) { return app->RunCommand(id); });
    if (SUCCEEDED(hr))
        m_bars.Attach(bars);
    return hr;
}

void CExplorer::FinalRelease()
{
    if (m_bars)
        m_bars->DetachAll();
}

HRESULT CExplorer::get_CommandBars(_CommandBars** bars)
{
    if (!bars)
        return E_POINTER;
    *bars = nullptr;
    if (Closed())
        return ReportError(E_ACCESSDENIED, IID_OF(_Explorer), "Explorer", "The window has been closed.");
    *bars = m_bars.get();
    (*bars)->AddRef();
    return S_OK;
}

HRESULT CExplorer::get_CurrentFolder(MAPIFolder** folder)
{
    if (!folder)
        return E_POINTER;
    *folder = m_folder.get();
    if (*folder)
        (*folder)->AddRef();
    return S_OK;
}

HRESULT CExplorer::put_CurrentFolder(MAPIFolder* folder)
{
    if (Closed())
        return ReportError(E_ACCESSDENIED, IID_OF(_Explorer), "Explorer", "The window has been closed.");
    if (!folder)
        return E_INVALIDARG;
    // Any folder object will do: it is opened again from its IDs.
    ComBstr entry, store;
    HRESULT hr = folder->get_EntryID(entry.put());
    if (SUCCEEDED(hr))
        hr = folder->get_StoreID(store.put());
    host::Binary entryId, storeId;
    if (FAILED(hr) || !host::ParseHex(entry.Utf8(), entryId) || !host::ParseHex(store.Utf8(), storeId))
        return ReportError(E_INVALIDARG, IID_OF(_Explorer), "Explorer", "The folder has no valid entry ID.");
    CFolder* made = nullptr;
    hr = CFolder::Open(m_application->Session(), entryId, storeId, &made);
    if (FAILED(hr))
        return ReportError(hr, IID_OF(_Explorer), "Explorer", "The folder cannot be opened.");
    m_folder.Attach(made);
    m_events->Fire(DISPID_ExplorerEvents_FolderSwitch);
    return S_OK;
}

HRESULT CExplorer::get_Caption(BSTR* caption)
{
    std::u16string text = m_folder ? m_folder->Name() + u" - " : u"";
    text += m_application ? m_application->Name() : u"";
    return host::CopyText(text, caption);
}

HRESULT CExplorer::Activate()
{
    if (Closed())
        return ReportError(E_ACCESSDENIED, IID_OF(_Explorer), "Explorer", "The window has been closed.");
    m_application->ActivateWindow(static_cast<_Explorer*>(this));
    return S_OK;
}

HRESULT CExplorer::Close()
{
    if (Closed())
        return S_OK;
    m_application->CloseExplorer(this);
    return S_OK;
}

HRESULT CExplorer::get_Application(_Application** application)
{
    if (!application)
        return E_POINTER;
    *application = m_application;
    if (!m_application)
        return ReportError(E_ACCESSDENIED, IID_OF(_Explorer), "Explorer", "The window has been closed.");
    m_application->AddRef();
    return S_OK;
}

void CExplorer::FireActivate()
{
    m_events->Fire(DISPID_ExplorerEvents_Activate);
}

void CExplorer::FireDeactivate()
{
    m_events->Fire(DISPID_ExplorerEvents_Deactivate);
}

void CExplorer::CloseWindow()
{
    if (Closed())
        return;
    ComPtr<_Explorer> self(this);
    m_events->Fire(DISPID_ExplorerEvents_Close);
    m_application = nullptr;
    m_bars->DetachAll();
}
