#include "host/CommandBar.h"

#include "com/ErrorReporting.h"
#include "host/CommandBarControls.h"
#include "host/CommandBars.h"
#include "host/VariantArgs.h"

CCommandBar::CCommandBar(CCommandBars* bars, std::u16string name, bool builtIn, bool temporary,
                         host::CommandRunner runner)
    : m_bars(bars), m_name(std::move(name)), m_builtIn(builtIn), m_temporary(temporary), m_runner(std::move(runner))
{
}

std::span<const DispatchMember> CCommandBar::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&CommandBar::get_Name>("Name", 0x60030015, DISPATCH_PROPERTYGET),
        DispMember<&CommandBar::get_Index>("Index", 0x60030011, DISPATCH_PROPERTYGET),
        DispMember<&CommandBar::get_Controls>("Controls", 0x60030005, DISPATCH_PROPERTYGET),
        DispMember<&CommandBar::FindControl>("FindControl", 0x6003001F, DISPATCH_METHOD),
        DispMember<&CommandBar::Delete>("Delete", 0x6003001E, DISPATCH_METHOD),
        DispMember<&CommandBar::get_Visible>("Visible", 0x60030021, DISPATCH_PROPERTYGET, {VT_BOOL}),
        DispMember<&CommandBar::put_Visible>("Visible", 0x60030021, DISPATCH_PROPERTYPUT, {VT_BOOL}),
        DispMember<&CommandBar::get_BuiltIn>("BuiltIn", 0x60030002, DISPATCH_PROPERTYGET, {VT_BOOL}),
    };
    return members;
}

HRESULT CCommandBar::FinalConstruct()
{
    CCommandBarControls* controls = nullptr;
    const HRESULT hr = CCommandBarControls::CreateObject(&controls, m_runner, this);
    if (SUCCEEDED(hr))
        m_controls.Attach(controls);
    return hr;
}

void CCommandBar::FinalRelease()
{
    Detach();
}

HRESULT CCommandBar::Deleted()
{
    return ReportError(E_ACCESSDENIED, IID_OF(CommandBar), "CommandBar", "The command bar has been deleted.");
}

void CCommandBar::Detach()
{
    m_bars = nullptr;
    if (m_controls) {
        m_controls->DetachAll();
        m_controls->SetBar(nullptr);
    }
}

HRESULT CCommandBar::get_Name(BSTR* name)
{
    return host::CopyText(m_name, name);
}

HRESULT CCommandBar::get_Index(LONG* index)
{
    if (!m_bars)
        return Deleted();
    return host::PutLong(m_bars->IndexOf(this), index);
}

HRESULT CCommandBar::get_Controls(CommandBarControls** controls)
{
    if (!controls)
        return E_POINTER;
    *controls = nullptr;
    if (!m_bars)
        return Deleted();
    *controls = m_controls.get();
    (*controls)->AddRef();
    return S_OK;
}

HRESULT CCommandBar::FindControl(VARIANT Type, VARIANT Id, VARIANT Tag, VARIANT Visible, VARIANT Recursive,
                                 CommandBarControl** control)
{
    if (!control)
        return E_POINTER;
    *control = nullptr;
    if (!m_bars)
        return Deleted();
    std::optional<LONG> type, id;
    std::optional<std::u16string> tag;
    std::optional<bool> visible, recursive;
    if (FAILED(host::OptionalLong(Type, type)) || FAILED(host::OptionalLong(Id, id)) ||
        FAILED(host::OptionalText(Tag, tag)) || FAILED(host::OptionalBool(Visible, visible)) ||
        FAILED(host::OptionalBool(Recursive, recursive)))
        return ReportError(E_INVALIDARG, IID_OF(CommandBar), "CommandBar", "Invalid argument.");
    if (host::CommandBarControlNode* found = m_controls->Find(type, id, tag, visible, recursive.value_or(false)))
        return found->Interface().CopyTo(control);
    return S_OK;
}

HRESULT CCommandBar::Delete()
{
    if (!m_bars)
        return Deleted();
    if (m_builtIn)
        return ReportError(E_FAIL, IID_OF(CommandBar), "CommandBar", "A built-in command bar cannot be deleted.");
    ComPtr<CommandBar> self(this);
    m_bars->Remove(this);
    Detach();
    return S_OK;
}

HRESULT CCommandBar::get_Visible(VARIANT_BOOL* visible)
{
    return host::PutBool(m_visible, visible);
}

HRESULT CCommandBar::put_Visible(VARIANT_BOOL visible)
{
    if (!m_bars)
        return Deleted();
    m_visible = visible != VARIANT_FALSE;
    return S_OK;
}

HRESULT CCommandBar::get_BuiltIn(VARIANT_BOOL* builtIn)
{
    return host::PutBool(m_builtIn, builtIn);
}
