// CCommandBarPopup: a menu of a command bar, holding controls of its own.
#pragma once

#include "com/ComObject.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/CommandBarControlImpl.h"
#include "host/CommandBarControls.h"

class CCommandBarPopup
    : public ComObject<CCommandBarPopup, CommandBarControlImpl<CCommandBarPopup, CommandBarPopup>,
                       SupportErrorInfoImpl<CommandBarPopup, CommandBarControl>> {
public:
    explicit CCommandBarPopup(host::CommandRunner runner);

    static std::span<const DispatchMember> DispatchMembers();
    HRESULT FinalConstruct();
    void FinalRelease();
    HRESULT QueryExtraInterface(REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE Execute() override;
    HRESULT STDMETHODCALLTYPE get_Controls(CommandBarControls** controls) override;

    CCommandBarControls* Children() override;
    void OnAttach(CCommandBarControls* container, CCommandBar* bar);

private:
    host::CommandRunner m_runner;
    ComPtr<CCommandBarControls> m_controls;
};

template <>
struct IidTraits<CommandBarControlImpl<CCommandBarPopup, CommandBarPopup>> : IidTraits<CommandBarPopup> {};
