// RibbonMarkup: an add-in's ribbon markup as the host uses it: repurposed built-in commands
// (commands/command) and the tabs, groups and buttons of ribbon/tabs.
#pragma once

#include <string>
#include <vector>

namespace host {

struct RibbonButton {
    std::string id, idMso, label, onAction, size, imageMso, tag;
    const std::string& Key() const { return id.empty() ? idMso : id; }
};

struct RibbonGroup {
    std::string id, idMso, label;
    std::vector<RibbonButton> buttons;
};

struct RibbonTab {
    std::string id, idMso, label;
    std::vector<RibbonGroup> groups;
    const std::string& Key() const { return id.empty() ? idMso : id; }
};

struct RibbonCommand {
    std::string idMso, onAction;
};

struct RibbonMarkup {
    std::vector<RibbonCommand> commands;
    std::vector<RibbonTab> tabs;

    // False with `error` (and the line) for markup that is no well-formed customUI document or
    // whose controls lack their ids.
    static bool Parse(const std::string& xml, RibbonMarkup& markup, std::string& error);
};

} // namespace host
