#include "host/CommandBarPopup.h"

#include "host/CommandBarControls.h"

CCommandBarPopup::CCommandBarPopup(host::CommandRunner runner) : m_runner(std::move(runner))
{
    m_state.type = msoControlPopup;
}

std::span<const DispatchMember> CCommandBarPopup::DispatchMembers()
{
    static const auto members = [] {
        auto common = CommonMembers();
        std::vector<DispatchMember> all(common.begin(), common.end());
        all.push_back(DispMember<&CommandBarPopup::get_Controls>("Controls", 0x60040001, DISPATCH_PROPERTYGET));
        return all;
    }();
    return members;
}

HRESULT CCommandBarPopup::FinalConstruct()
{
    CCommandBarControls* controls = nullptr;
    const HRESULT hr = CCommandBarControls::CreateObject(&controls, m_runner, nullptr);
    if (FAILED(hr))
        return hr;
    m_controls.Attach(controls);
    return S_OK;
}

void CCommandBarPopup::FinalRelease()
{
    if (m_controls)
        m_controls->DetachAll();
}

HRESULT CCommandBarPopup::QueryExtraInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_OF(CommandBarControl))) {
        *ppv = static_cast<CommandBarControl*>(static_cast<CommandBarPopup*>(this));
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CCommandBarPopup::Execute()
{
    // Opening a menu runs nothing.
    return m_container ? S_OK : host::ControlDeletedError();
}

HRESULT CCommandBarPopup::get_Controls(CommandBarControls** controls)
{
    if (!controls)
        return E_POINTER;
    *controls = nullptr;
    if (!m_container)
        return host::ControlDeletedError();
    *controls = m_controls.get();
    (*controls)->AddRef();
    return S_OK;
}

CCommandBarControls* CCommandBarPopup::Children()
{
    return m_controls.get();
}

void CCommandBarPopup::OnAttach(CCommandBarControls* container, CCommandBar* bar)
{
    if (!m_controls)
        return;
    if (container)
        m_controls->SetBar(bar);
    else
        m_controls->DetachAll(); // a deleted menu takes its controls with it
}
