// CCommandBars: the command bars of one window, starting with the host's "Menu Bar" and its
// built-in menus and commands.
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/BuiltInCommands.h"
#include "host/CommandBarInterfaces.h"

#include <span>
#include <vector>

#include "host/CommandBar.h"

class CCommandBars
    : public ComObject<CCommandBars, DispatchImpl<CCommandBars, _CommandBars>, SupportErrorInfoImpl<_CommandBars>> {
public:
    explicit CCommandBars(host::CommandRunner runner);

    static std::span<const DispatchMember> DispatchMembers();
    HRESULT FinalConstruct();
    void FinalRelease();

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT Index, CommandBar** bar) override;
    HRESULT STDMETHODCALLTYPE Add(VARIANT Name, VARIANT Position, VARIANT MenuBar, VARIANT Temporary,
                                  CommandBar** bar) override;
    HRESULT STDMETHODCALLTYPE FindControl(VARIANT Type, VARIANT Id, VARIANT Tag, VARIANT Visible,
                                          CommandBarControl** control) override;

    LONG IndexOf(const CCommandBar* bar) const;
    void Remove(CCommandBar* bar);
    const std::vector<ComPtr<CCommandBar>>& Bars() const { return m_bars; }
    CCommandBar* MenuBar() const { return m_bars.empty() ? nullptr : m_bars.front().get(); }
    // The window closes: every bar and control is cut off (add-ins may still hold them).
    void DetachAll();

private:
    host::CommandRunner m_runner;
    std::vector<ComPtr<CCommandBar>> m_bars;
    int m_customCount = 0;
};

inline constexpr char16_t kMenuBarName[] = u"Menu Bar";
