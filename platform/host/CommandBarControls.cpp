#include "host/CommandBarControls.h"

#include "com/ErrorReporting.h"
#include "host/CommandBar.h"
#include "host/CommandBarButton.h"
#include "host/CommandBarPopup.h"

#include <algorithm>

namespace host {

HRESULT ControlDeletedError()
{
    return ReportError(E_ACCESSDENIED, IID_OF(CommandBarControl), "CommandBarControl",
                       "The control has been deleted.");
}

HRESULT RunControlCommand(const ControlState& state, CCommandBarControls* container)
{
    if (state.id == kCustomControlId || !FindBuiltInCommand(state.id) || !container || !container->Runner())
        return S_OK;
    return container->Runner()(state.id);
}

LONG ControlIndex(CCommandBarControls* container, const CommandBarControlNode* node)
{
    return container->IndexOf(node);
}

HRESULT ControlParent(CCommandBar* bar, CommandBar** parent)
{
    if (!parent)
        return E_POINTER;
    *parent = bar;
    if (bar)
        bar->AddRef();
    return S_OK;
}

HRESULT DeleteControl(CCommandBarControls* container, CommandBarControlNode* node)
{
    return container->Remove(node) ? S_OK : ControlDeletedError();
}

} // namespace host

using host::CommandBarControlNode;

CCommandBarControls::CCommandBarControls(host::CommandRunner runner, CCommandBar* bar)
    : m_runner(std::move(runner)), m_bar(bar)
{
}

std::span<const DispatchMember> CCommandBarControls::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&CommandBarControls::get_Count>("Count", 0x60030001, DISPATCH_PROPERTYGET),
        DispMember<&CommandBarControls::get_Item>("Item", DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD),
        DispMember<&CommandBarControls::Add>("Add", 0x60030000, DISPATCH_METHOD),
    };
    return members;
}

void CCommandBarControls::FinalRelease()
{
    DetachAll();
}

HRESULT CCommandBarControls::get_Count(LONG* count)
{
    return host::PutLong(static_cast<LONG>(m_nodes.size()), count);
}

HRESULT CCommandBarControls::get_Item(VARIANT Index, CommandBarControl** control)
{
    if (!control)
        return E_POINTER;
    *control = nullptr;
    std::optional<LONG> index;
    if (FAILED(host::OptionalLong(Index, index)) || !index || *index < 1 ||
        *index > static_cast<LONG>(m_nodes.size()))
        return ReportError(E_INVALIDARG, IID_OF(CommandBarControls), "CommandBarControls", "Invalid index.");
    return m_nodes[*index - 1]->Interface().CopyTo(control);
}

HRESULT CCommandBarControls::Add(VARIANT Type, VARIANT Id, VARIANT /*Parameter*/, VARIANT Before, VARIANT Temporary,
                                 CommandBarControl** control)
{
    if (!control)
        return E_POINTER;
    *control = nullptr;
    std::optional<LONG> type, id, before;
    std::optional<bool> temporary;
    if (FAILED(host::OptionalLong(Type, type)) || FAILED(host::OptionalLong(Id, id)) ||
        FAILED(host::OptionalLong(Before, before)) || FAILED(host::OptionalBool(Temporary, temporary)))
        return ReportError(E_INVALIDARG, IID_OF(CommandBarControls), "CommandBarControls", "Invalid argument.");
    const LONG t = type.value_or(msoControlButton);
    const LONG i = id.value_or(host::kCustomControlId);
    if (t != msoControlButton && t != msoControlPopup)
        return ReportError(E_INVALIDARG, IID_OF(CommandBarControls), "CommandBarControls",
                           "Unsupported control type.");
    if (before && (*before < 1 || *before > static_cast<LONG>(m_nodes.size()) + 1))
        return ReportError(E_INVALIDARG, IID_OF(CommandBarControls), "CommandBarControls", "Invalid position.");
    const host::BuiltInCommand* command = i == host::kCustomControlId ? nullptr : host::FindBuiltInCommand(i);
    if (i != host::kCustomControlId && (!command || command->type != t))
        return ReportError(E_INVALIDARG, IID_OF(CommandBarControls), "CommandBarControls",
                           "No built-in command of that id and type.");
    CommandBarControlNode* node = nullptr;
    const HRESULT hr = Insert(t, i, before, temporary.value_or(false), &node);
    if (FAILED(hr))
        return hr;
    if (command) {
        node->State().caption = command->caption;
        node->State().builtIn = true;
    }
    return node->Interface().CopyTo(control);
}

HRESULT CCommandBarControls::Insert(LONG type, LONG id, std::optional<LONG> before, bool temporary,
                                    CommandBarControlNode** node)
{
    *node = nullptr;
    CommandBarControlNode* made = nullptr;
    HRESULT hr = S_OK;
    if (type == msoControlPopup) {
        CCommandBarPopup* popup = nullptr;
        hr = CCommandBarPopup::CreateObject(&popup, m_runner);
        made = popup;
    } else {
        CCommandBarButton* button = nullptr;
        hr = CCommandBarButton::CreateObject(&button);
        made = button;
    }
    if (FAILED(hr))
        return hr;
    made->State().id = id;
    made->State().temporary = temporary;
    std::size_t at = m_nodes.size();
    if (before && *before >= 1 && static_cast<std::size_t>(*before) <= m_nodes.size())
        at = static_cast<std::size_t>(*before - 1);
    m_nodes.insert(m_nodes.begin() + static_cast<std::ptrdiff_t>(at), made); // the creation's reference
    made->Attach(this, m_bar);
    *node = made;
    return S_OK;
}

bool CCommandBarControls::Remove(CommandBarControlNode* node)
{
    auto it = std::find(m_nodes.begin(), m_nodes.end(), node);
    if (it == m_nodes.end())
        return false;
    m_nodes.erase(it);
    node->Attach(nullptr, nullptr);
    node->Interface()->Release(); // the collection's reference (Interface() holds its own)
    return true;
}

LONG CCommandBarControls::IndexOf(const CommandBarControlNode* node) const
{
    auto it = std::find(m_nodes.begin(), m_nodes.end(), node);
    return it == m_nodes.end() ? 0 : static_cast<LONG>(it - m_nodes.begin()) + 1;
}

CommandBarControlNode* CCommandBarControls::Find(std::optional<LONG> type, std::optional<LONG> id,
                                                 const std::optional<std::u16string>& tag,
                                                 std::optional<bool> visible, bool recursive) const
{
    for (CommandBarControlNode* node : m_nodes) {
        const host::ControlState& s = node->State();
        const bool match = (!type || s.type == *type) && (!id || s.id == *id) && (!tag || s.tag == *tag) &&
                           (!visible || !*visible || s.visible);
        if (match)
            return node;
        if (recursive && node->Children())
            if (CommandBarControlNode* found = node->Children()->Find(type, id, tag, visible, true))
                return found;
    }
    return nullptr;
}

void CCommandBarControls::SetBar(CCommandBar* bar)
{
    m_bar = bar;
    for (CommandBarControlNode* node : m_nodes)
        node->Attach(this, bar);
}

void CCommandBarControls::DetachAll()
{
    std::vector<CommandBarControlNode*> nodes;
    nodes.swap(m_nodes);
    for (CommandBarControlNode* node : nodes) {
        node->Attach(nullptr, nullptr);
        node->Interface()->Release();
    }
}
