#include "host/Inspector.h"

#include "com/ErrorReporting.h"
#include "host/CommandBars.h"
#include "host/HostApplication.h"
#include "host/MailItem.h"
#include "host/VariantArgs.h"

CInspector::CInspector(CHostApplication* application, ComPtr<CMailItem> item)
    : m_application(application), m_item(std::move(item))
{
}

std::span<const DispatchMember> CInspector::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&_Inspector::get_CurrentItem>("CurrentItem", 0x2102, DISPATCH_PROPERTYGET),
        DispMember<&_Inspector::get_CommandBars>("CommandBars", 0x2100, DISPATCH_PROPERTYGET),
        DispMember<&_Inspector::get_Caption>("Caption", 0x2111, DISPATCH_PROPERTYGET),
        DispMember<&_Inspector::Activate>("Activate", 0x2133, DISPATCH_METHOD),
        DispMember<&_Inspector::Close>("Close", 0x2115, DISPATCH_METHOD),
    };
    return members;
}

HRESULT CInspector::FinalConstruct()
{
    CHostApplication* app = m_application;
    CCommandBars* bars = nullptr;
    const HRESULT hr = CCommandBars::CreateObject(&bars, [app](LONG id) { return app->RunCommand(id); });
    if (SUCCEEDED(hr))
        m_bars.Attach(bars);
    return hr;
}

void CInspector::FinalRelease()
{
    if (m_bars)
        m_bars->DetachAll();
}

HRESULT CInspector::get_CurrentItem(IDispatch** item)
{
    if (!item)
        return E_POINTER;
    *item = static_cast<_MailItem*>(m_item.get());
    (*item)->AddRef();
    return S_OK;
}

HRESULT CInspector::get_CommandBars(_CommandBars** bars)
{
    if (!bars)
        return E_POINTER;
    *bars = nullptr;
    if (Closed())
        return ReportError(E_ACCESSDENIED, IID_OF(_Inspector), "Inspector", "The window has been closed.");
    *bars = m_bars.get();
    (*bars)->AddRef();
    return S_OK;
}

HRESULT CInspector::get_Caption(BSTR* caption)
{
    BSTR subject = nullptr;
    const HRESULT hr = m_item->get_Subject(&subject);
    if (FAILED(hr))
        return hr;
    std::u16string text(subject ? subject : u"", SysStringLen(subject));
    SysFreeString(subject);
    return host::CopyText(text, caption);
}

HRESULT CInspector::Activate()
{
    if (Closed())
        return ReportError(E_ACCESSDENIED, IID_OF(_Inspector), "Inspector", "The window has been closed.");
    m_application->ActivateWindow(static_cast<_Inspector*>(this));
    return S_OK;
}

HRESULT CInspector::Close(LONG)
{
    if (!Closed())
        m_application->CloseInspector(this);
    return S_OK;
}

void CInspector::CloseWindow()
{
    m_application = nullptr;
    if (m_bars)
        m_bars->DetachAll();
}
