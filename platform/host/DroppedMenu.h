// DroppedMenu: the pop-up of an explorer's menu bar that a script dropped down (`menu CAPTION`),
// as a user holds a menu open: a window view shows it open over its explorer, so that a picture
// shows the buttons' faces, which the host draws only inside an open menu. It is kept by the
// pop-up's caption and looked up again each time, so a menu deleted meanwhile is simply closed.
#pragma once

#include "host/CommandBarControlNode.h"

#include <ostream>
#include <string>

class CExplorer;

namespace host {

class DroppedMenu {
public:
    // Drops down the menu-bar pop-up whose caption, without its '&' marks and in any case, is
    // `caption`, and prints its shown controls; false (with `problem`) when there is none.
    bool Drop(CExplorer* explorer, const std::u16string& caption, std::ostream& out, std::string& problem);
    void Close() { m_explorer = nullptr; }
    // The explorer closed: a menu of its own goes with it.
    void Forget(CExplorer* explorer);
    // The pop-up dropped down in this explorer, or null.
    CommandBarControlNode* Find(CExplorer* explorer) const;

    // The caption as a menu shows it: '&' marks a mnemonic, "&&" is an '&'.
    static std::u16string ShownCaption(const std::u16string& caption);
    // A button's style; a face shows beside the caption unless it is msoButtonCaption.
    static LONG Style(CommandBarControlNode* node);

private:
    CExplorer* m_explorer = nullptr; // compared only; forgotten when it closes
    std::u16string m_caption;         // as shown
};

} // namespace host
