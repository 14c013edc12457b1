// CommandBarControlImpl<Derived, Itf>: the members every control shares (CommandBarControl),
// for the button and the popup classes. The control lives in a controls collection of a bar;
// once deleted (or its bar deleted) its members fail with E_ACCESSDENIED-like errors.
#pragma once

#include "com/DispatchImpl.h"
#include "com/ErrorReporting.h"
#include "host/CommandBarControlNode.h"
#include "host/VariantArgs.h"

#include <span>

class CCommandBar;
class CCommandBarControls;

namespace host {

// The error of a call on a control that no longer has a bar.
HRESULT ControlDeletedError();
// Execute of a control: runs the built-in command when it has one.
HRESULT RunControlCommand(const ControlState& state, CCommandBarControls* container);
LONG ControlIndex(CCommandBarControls* container, const CommandBarControlNode* node);
HRESULT ControlParent(CCommandBar* bar, CommandBar** parent);
HRESULT DeleteControl(CCommandBarControls* container, CommandBarControlNode* node);

} // namespace host

template <class Derived, class Itf>
class CommandBarControlImpl : public DispatchImpl<Derived, Itf>, public host::CommandBarControlNode {
public:
    // Entries shared by every control type, with the dispatch ids of the host's library.
    static auto CommonMembers()
    {
        return std::array{
            DispMember<&CommandBarControl::get_Id>("Id", 0x60030005, DISPATCH_PROPERTYGET),
            DispMember<&CommandBarControl::get_Type>("Type", 0x60030018, DISPATCH_PROPERTYGET),
            DispMember<&CommandBarControl::get_Index>("Index", 0x6003000A, DISPATCH_PROPERTYGET),
            DispMember<&CommandBarControl::get_Visible>("Visible", 0x6003001C, DISPATCH_PROPERTYGET, {VT_BOOL}),
            DispMember<&CommandBarControl::put_Visible>("Visible", 0x6003001C, DISPATCH_PROPERTYPUT, {VT_BOOL}),
            DispMember<&CommandBarControl::get_Enabled>("Enabled", 0x60030001, DISPATCH_PROPERTYGET, {VT_BOOL}),
            DispMember<&CommandBarControl::put_Enabled>("Enabled", 0x60030001, DISPATCH_PROPERTYPUT, {VT_BOOL}),
            DispMember<&CommandBarControl::get_Tag>("Tag", 0x60030016, DISPATCH_PROPERTYGET),
            DispMember<&CommandBarControl::put_Tag>("Tag", 0x60030016, DISPATCH_PROPERTYPUT),
            DispMember<&CommandBarControl::get_Caption>("Caption", 0x60030000, DISPATCH_PROPERTYGET),
            DispMember<&CommandBarControl::put_Caption>("Caption", 0x60030000, DISPATCH_PROPERTYPUT),
            DispMember<&CommandBarControl::get_BeginGroup>("BeginGroup", 0x60030002, DISPATCH_PROPERTYGET, {VT_BOOL}),
            DispMember<&CommandBarControl::put_BeginGroup>("BeginGroup", 0x60030002, DISPATCH_PROPERTYPUT, {VT_BOOL}),
            DispMember<&CommandBarControl::get_TooltipText>("TooltipText", 0x60030017, DISPATCH_PROPERTYGET),
            DispMember<&CommandBarControl::put_TooltipText>("TooltipText", 0x60030017, DISPATCH_PROPERTYPUT),
            DispMember<&CommandBarControl::get_DescriptionText>("DescriptionText", 0x60030003, DISPATCH_PROPERTYGET),
            DispMember<&CommandBarControl::put_DescriptionText>("DescriptionText", 0x60030003, DISPATCH_PROPERTYPUT),
            DispMember<&CommandBarControl::get_Parameter>("Parameter", 0x6003000F, DISPATCH_PROPERTYGET),
            DispMember<&CommandBarControl::put_Parameter>("Parameter", 0x6003000F, DISPATCH_PROPERTYPUT),
            DispMember<&CommandBarControl::get_BuiltIn>("BuiltIn", 0x60030004, DISPATCH_PROPERTYGET, {VT_BOOL}),
            DispMember<&CommandBarControl::Delete>("Delete", 0x60030019, DISPATCH_METHOD),
            DispMember<&CommandBarControl::Execute>("Execute", 0x6003001A, DISPATCH_METHOD),
            DispMember<&CommandBarControl::get_Parent>("Parent", 0x6003000E, DISPATCH_PROPERTYGET),
        };
    }

    HRESULT STDMETHODCALLTYPE get_Id(LONG* id) override { return host::PutLong(m_state.id, id); }
    HRESULT STDMETHODCALLTYPE get_Type(LONG* type) override { return host::PutLong(m_state.type, type); }
    HRESULT STDMETHODCALLTYPE get_Index(LONG* index) override
    {
        if (!m_container)
            return host::ControlDeletedError();
        return host::PutLong(host::ControlIndex(m_container, this), index);
    }
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* v) override { return host::PutBool(m_state.visible, v); }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL v) override { return Set(m_state.visible, v != VARIANT_FALSE); }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* v) override { return host::PutBool(m_state.enabled, v); }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL v) override { return Set(m_state.enabled, v != VARIANT_FALSE); }
    HRESULT STDMETHODCALLTYPE get_Tag(BSTR* t) override { return host::CopyText(m_state.tag, t); }
    HRESULT STDMETHODCALLTYPE put_Tag(BSTR t) override { return SetText(m_state.tag, t); }
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR* t) override { return host::CopyText(m_state.caption, t); }
    HRESULT STDMETHODCALLTYPE put_Caption(BSTR t) override { return SetText(m_state.caption, t); }
    HRESULT STDMETHODCALLTYPE get_BeginGroup(VARIANT_BOOL* v) override { return host::PutBool(m_state.beginGroup, v); }
    HRESULT STDMETHODCALLTYPE put_BeginGroup(VARIANT_BOOL v) override
    {
        return Set(m_state.beginGroup, v != VARIANT_FALSE);
    }
    HRESULT STDMETHODCALLTYPE get_TooltipText(BSTR* t) override { return host::CopyText(m_state.tooltip, t); }
    HRESULT STDMETHODCALLTYPE put_TooltipText(BSTR t) override { return SetText(m_state.tooltip, t); }
    HRESULT STDMETHODCALLTYPE get_DescriptionText(BSTR* t) override { return host::CopyText(m_state.description, t); }
    HRESULT STDMETHODCALLTYPE put_DescriptionText(BSTR t) override { return SetText(m_state.description, t); }
    HRESULT STDMETHODCALLTYPE get_Parameter(BSTR* t) override { return host::CopyText(m_state.parameter, t); }
    HRESULT STDMETHODCALLTYPE put_Parameter(BSTR t) override { return SetText(m_state.parameter, t); }
    HRESULT STDMETHODCALLTYPE get_BuiltIn(VARIANT_BOOL* v) override { return host::PutBool(m_state.builtIn, v); }
    HRESULT STDMETHODCALLTYPE Delete(VARIANT) override
    {
        if (!m_container)
            return host::ControlDeletedError();
        return host::DeleteControl(m_container, this);
    }
    HRESULT STDMETHODCALLTYPE get_Parent(CommandBar** parent) override
    {
        if (!m_container)
            return host::ControlDeletedError();
        return host::ControlParent(m_bar, parent);
    }

    // CommandBarControlNode
    host::ControlState& State() override { return m_state; }
    ComPtr<CommandBarControl> Interface() override { return ComPtr<CommandBarControl>(static_cast<Itf*>(this)); }
    void Attach(CCommandBarControls* container, CCommandBar* bar) override
    {
        m_container = container;
        m_bar = bar;
        static_cast<Derived*>(this)->OnAttach(container, bar);
    }

protected:
    void OnAttach(CCommandBarControls*, CCommandBar*) {}

    HRESULT Set(bool& field, bool value)
    {
        if (!m_container)
            return host::ControlDeletedError();
        field = value;
        return S_OK;
    }
    HRESULT SetText(std::u16string& field, BSTR value)
    {
        if (!m_container)
            return host::ControlDeletedError();
        field.assign(value ? value : u"", SysStringLen(value));
        return S_OK;
    }

    host::ControlState m_state;
    CCommandBarControls* m_container = nullptr;
    CCommandBar* m_bar = nullptr;
};
