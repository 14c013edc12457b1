#include "host/CommandBars.h"

#include "base/Utf.h"
#include "com/ErrorReporting.h"
#include "host/CommandBar.h"
#include "host/CommandBarControls.h"
#include "host/VariantArgs.h"

#include <algorithm>
#include <map>

CCommandBars::CCommandBars(host::CommandRunner runner) : m_runner(std::move(runner)) {}

std::span<const DispatchMember> CCommandBars::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&_CommandBars::get_Count>("Count", 0x60030010, DISPATCH_PROPERTYGET),
        DispMember<&_CommandBars::get_Item>("Item", DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD),
        DispMember<&_CommandBars::Add>("Add", 0x60030003, DISPATCH_METHOD),
        DispMember<&_CommandBars::FindControl>("FindControl", 0x6003001A, DISPATCH_METHOD),
    };
    return members;
}

HRESULT CCommandBars::FinalConstruct()
{
    CCommandBar* menuBar = nullptr;
    HRESULT hr = CCommandBar::CreateObject(&menuBar, this, std::u16string(kMenuBarName), true, false, m_runner);
    if (FAILED(hr))
        return hr;
    m_bars.emplace_back().Attach(menuBar);
    // The built-in menus, then their commands into them.
    std::map<LONG, CCommandBarControls*> popups;
    for (const host::BuiltInCommand& c : host::BuiltInCommands()) {
        CCommandBarControls* into = c.parent == 0 ? menuBar->Controls() : popups[c.parent];
        if (!into)
            continue;
        host::CommandBarControlNode* node = nullptr;
        hr = into->Insert(c.type, c.id, std::nullopt, false, &node);
        if (FAILED(hr))
            return hr;
        node->State().caption = c.caption;
        node->State().builtIn = true;
        if (c.type == msoControlPopup)
            popups[c.id] = node->Children();
    }
    return S_OK;
}

void CCommandBars::FinalRelease()
{
    DetachAll();
}

void CCommandBars::DetachAll()
{
    std::vector<ComPtr<CCommandBar>> bars;
    bars.swap(m_bars);
    for (const ComPtr<CCommandBar>& bar : bars)
        bar->Detach();
}

LONG CCommandBars::IndexOf(const CCommandBar* bar) const
{
    for (std::size_t i = 0; i < m_bars.size(); ++i)
        if (m_bars[i].get() == bar)
            return static_cast<LONG>(i + 1);
    return 0;
}

void CCommandBars::Remove(CCommandBar* bar)
{
    std::erase_if(m_bars, [bar](const ComPtr<CCommandBar>& b) { return b.get() == bar; });
}

HRESULT CCommandBars::get_Count(LONG* count)
{
    return host::PutLong(static_cast<LONG>(m_bars.size()), count);
}

HRESULT CCommandBars::get_Item(VARIANT Index, CommandBar** bar)
{
    if (!bar)
        return E_POINTER;
    *bar = nullptr;
    VARIANT v;
    VariantInit(&v);
    VariantCopyInd(&v, &Index);
    HRESULT hr = E_INVALIDARG;
    if (v.vt == VT_BSTR) {
        const std::string name = platform::Utf16ToUtf8(std::u16string_view(v.bstrVal ? v.bstrVal : u""));
        for (const ComPtr<CCommandBar>& b : m_bars)
            if (platform::EqualNoCase(platform::Utf16ToUtf8(b->Name()), name)) {
                *bar = b.get();
                (*bar)->AddRef();
                hr = S_OK;
                break;
            }
    } else {
        std::optional<LONG> index;
        if (SUCCEEDED(host::OptionalLong(v, index)) && index && *index >= 1 &&
            *index <= static_cast<LONG>(m_bars.size())) {
            *bar = m_bars[*index - 1].get();
            (*bar)->AddRef();
            hr = S_OK;
        }
    }
    VariantClear(&v);
    if (FAILED(hr))
        return ReportError(E_INVALIDARG, IID_OF(_CommandBars), "CommandBars", "No such command bar.");
    return S_OK;
}

HRESULT CCommandBars::Add(VARIANT Name, VARIANT /*Position*/, VARIANT /*MenuBar*/, VARIANT Temporary, CommandBar** bar)
{
    if (!bar)
        return E_POINTER;
    *bar = nullptr;
    std::optional<std::u16string> name;
    std::optional<bool> temporary;
    if (FAILED(host::OptionalText(Name, name)) || FAILED(host::OptionalBool(Temporary, temporary)))
        return ReportError(E_INVALIDARG, IID_OF(_CommandBars), "CommandBars", "Invalid argument.");
    if (!name || name->empty())
        name = u"Custom " + platform::Utf8ToUtf16(std::to_string(++m_customCount));
    for (const ComPtr<CCommandBar>& b : m_bars)
        if (platform::EqualNoCase(platform::Utf16ToUtf8(b->Name()), platform::Utf16ToUtf8(*name)))
            return ReportError(E_INVALIDARG, IID_OF(_CommandBars), "CommandBars",
                               "A command bar of that name exists already.");
    CCommandBar* made = nullptr;
    const HRESULT hr = CCommandBar::CreateObject(&made, this, *name, false, temporary.value_or(false), m_runner);
    if (FAILED(hr))
        return hr;
    m_bars.emplace_back().Attach(made);
    *bar = made;
    made->AddRef();
    return S_OK;
}

HRESULT CCommandBars::FindControl(VARIANT Type, VARIANT Id, VARIANT Tag, VARIANT Visible, CommandBarControl** control)
{
    if (!control)
        return E_POINTER;
    *control = nullptr;
    std::optional<LONG> type, id;
    std::optional<std::u16string> tag;
    std::optional<bool> visible;
    if (FAILED(host::OptionalLong(Type, type)) || FAILED(host::OptionalLong(Id, id)) ||
        FAILED(host::OptionalText(Tag, tag)) || FAILED(host::OptionalBool(Visible, visible)))
        return ReportError(E_INVALIDARG, IID_OF(_CommandBars), "CommandBars", "Invalid argument.");
    for (const ComPtr<CCommandBar>& b : m_bars)
        if (host::CommandBarControlNode* found = b->Controls()->Find(type, id, tag, visible, true))
            return found->Interface().CopyTo(control);
    return S_OK;
}
