// CCommandBar: one bar of a window's command bars (the built-in "Menu Bar" or a bar an add-in
// added), with its controls.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/BuiltInCommands.h"
#include "host/CommandBarControls.h"
#include "host/CommandBarInterfaces.h"

#include <span>
#include <string>

class CCommandBars;

class CCommandBar : public ComObject<CCommandBar, DispatchImpl<CCommandBar, CommandBar>, SupportErrorInfoImpl<CommandBar>> {
public:
    CCommandBar(CCommandBars* bars, std::u16string name, bool builtIn, bool temporary, host::CommandRunner runner);

    static std::span<const DispatchMember> DispatchMembers();
    HRESULT FinalConstruct();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_Index(LONG* index) override;
    HRESULT STDMETHODCALLTYPE get_Controls(CommandBarControls** controls) override;
    HRESULT STDMETHODCALLTYPE FindControl(VARIANT Type, VARIANT Id, VARIANT Tag, VARIANT Visible, VARIANT Recursive,
                                          CommandBarControl** control) override;
    HRESULT STDMETHODCALLTYPE Delete() override;
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* visible) override;
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL visible) override;
    HRESULT STDMETHODCALLTYPE get_BuiltIn(VARIANT_BOOL* builtIn) override;

    const std::u16string& Name() const { return m_name; }
    CCommandBarControls* Controls() const { return m_controls.get(); }
    // Its window's bars go (or it was deleted): the bar and its controls are cut off.
    void Detach();

private:
    HRESULT Deleted();

    CCommandBars* m_bars;
    std::u16string m_name;
    bool m_builtIn;
    bool m_temporary;
    bool m_visible = true;
    host::CommandRunner m_runner;
    ComPtr<CCommandBarControls> m_controls;
};
