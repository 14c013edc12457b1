// Ribbon: the explorer ribbon built from the COM add-ins' markup. Buttons of one tab id (the
// Add-Ins tab "TabAddIns" above all) from several add-ins share the tab. Pressing a button calls
// its onAction by name through its add-in's IDispatch with an IRibbonControl; a button of a
// built-in command (idMso) without onAction runs that command. A built-in command that an
// add-in repurposes (commands/command) first calls the add-in's onAction with the control and
// a by-reference CancelDefault; the host's own command runs unless it was set.
#pragma once

#include "com/ComPtr.h"
#include "com/Variant.h"
#include "com/Dispatch.h"
#include "host/RibbonMarkup.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace host {

class ComAddInLoader;

class Ribbon {
public:
    using Log = std::function<void(const std::string&)>;
    // Runs a built-in command by its name; false when there is no such command.
    using BuiltInRunner = std::function<bool(const std::string& name)>;

    Ribbon(Log log, BuiltInRunner runBuiltIn) : m_log(std::move(log)), m_runBuiltIn(std::move(runBuiltIn)) {}

    // GetCustomUI of every loaded add-in that answers IRibbonExtensibility.
    void Load(const ComAddInLoader& loader);
    void Clear() { m_addins.clear(); }

    struct ShownButton {
        RibbonButton button;
        std::size_t addin;
    };
    struct ShownGroup {
        std::string label;
        std::vector<ShownButton> buttons;
    };
    struct ShownTab {
        std::string key, label;
        std::vector<ShownGroup> groups;
    };
    std::vector<ShownTab> Tabs() const;

    // Presses the button with this id or idMso; E_INVALIDARG when there is none.
    HRESULT Press(const std::string& controlId, IDispatch* context);
    // Before a built-in command runs: the add-ins' repurposing callbacks. True when one set
    // CancelDefault.
    bool Repurpose(const std::string& commandName, IDispatch* context);

    std::size_t AddInCount() const { return m_addins.size(); }

private:
    struct AddInRibbon {
        std::string progId;
        ComPtr<IDispatch> callbacks;
        RibbonMarkup markup;
    };
    HRESULT Call(const AddInRibbon& addin, const std::string& method, const std::string& controlId, IDispatch* context,
                 VARIANT_BOOL* cancel);

    Log m_log;
    BuiltInRunner m_runBuiltIn;
    std::vector<AddInRibbon> m_addins;
};

} // namespace host
