// CCommandBarControls: the controls of a bar or of a popup, in display order.
#pragma once

#include "com/ComObject.h"
#include "com/DispatchImpl.h"
#include "com/SupportErrorInfoImpl.h"
#include "host/CommandBarControlNode.h"

#include <optional>
#include <span>
#include <vector>

class CCommandBarControls
    : public ComObject<CCommandBarControls, DispatchImpl<CCommandBarControls, CommandBarControls>,
                       SupportErrorInfoImpl<CommandBarControls>> {
public:
    CCommandBarControls(host::CommandRunner runner, CCommandBar* bar);

    static std::span<const DispatchMember> DispatchMembers();

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT Index, CommandBarControl** control) override;
    HRESULT STDMETHODCALLTYPE Add(VARIANT Type, VARIANT Id, VARIANT Parameter, VARIANT Before, VARIANT Temporary,
                                  CommandBarControl** control) override;

    // Adds a control made by the host (built-in or added) at position `before` (1-based,
    // nullopt or past the end: at the end).
    HRESULT Insert(LONG type, LONG id, std::optional<LONG> before, bool temporary, host::CommandBarControlNode** node);
    // Takes a control out (Delete); false when it is not here.
    bool Remove(host::CommandBarControlNode* node);
    // 1-based position, 0 when absent.
    LONG IndexOf(const host::CommandBarControlNode* node) const;
    // First match in display order; recursive also searches popups, depth first.
    host::CommandBarControlNode* Find(std::optional<LONG> type, std::optional<LONG> id,
                                      const std::optional<std::u16string>& tag, std::optional<bool> visible,
                                      bool recursive) const;
    const std::vector<host::CommandBarControlNode*>& Nodes() const { return m_nodes; }
    // The bar goes: every control (and theirs) loses its place.
    void DetachAll();

    // The bar whose tree this collection belongs to (popups follow their bar).
    void SetBar(CCommandBar* bar);

    const host::CommandRunner& Runner() const { return m_runner; }
    CCommandBar* Bar() const { return m_bar; }

    void FinalRelease();

private:

    host::CommandRunner m_runner;
    CCommandBar* m_bar;
    std::vector<host::CommandBarControlNode*> m_nodes; // each with one reference held
};
