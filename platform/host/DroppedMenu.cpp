#include "host/DroppedMenu.h"

#include "base/Utf.h"
#include "host/ButtonFace.h"
#include "host/CommandBar.h"
#include "host/CommandBarControls.h"
#include "host/CommandBars.h"
#include "host/Explorer.h"

namespace host {

namespace {

std::u16string Folded(const std::u16string& text)
{
    std::u16string folded = text;
    for (char16_t& c : folded)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return folded;
}

CommandBarControlNode* FindPopup(CExplorer* explorer, const std::u16string& caption)
{
    if (!explorer || explorer->Closed())
        return nullptr;
    CCommandBar* menuBar = explorer->Bars()->MenuBar();
    if (!menuBar)
        return nullptr;
    const std::u16string wanted = Folded(caption);
    for (CommandBarControlNode* node : menuBar->Controls()->Nodes())
        if (node->Children() && node->State().visible &&
            Folded(DroppedMenu::ShownCaption(node->State().caption)) == wanted)
            return node;
    return nullptr;
}

} // namespace

LONG DroppedMenu::Style(CommandBarControlNode* node)
{
    ComPtr<_CommandBarButton> button;
    LONG style = msoButtonAutomatic;
    if (SUCCEEDED(node->Interface()->QueryInterface(IID_OF(_CommandBarButton), button.put_void())))
        button->get_Style(&style);
    return style;
}

std::u16string DroppedMenu::ShownCaption(const std::u16string& caption)
{
    std::u16string shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

bool DroppedMenu::Drop(CExplorer* explorer, const std::u16string& caption, std::ostream& out, std::string& problem)
{
    CommandBarControlNode* popup = FindPopup(explorer, caption);
    if (!popup) {
        problem = "the menu bar has no menu \"" + platform::Utf16ToUtf8(caption) + "\"";
        return false;
    }
    m_explorer = explorer;
    m_caption = ShownCaption(popup->State().caption);
    out << "menu \"" << platform::Utf16ToUtf8(m_caption) << "\"\n";
    // What the open menu shows: its visible controls, a line before each group.
    bool first = true;
    for (CommandBarControlNode* node : popup->Children()->Nodes()) {
        const ControlState& s = node->State();
        if (!s.visible)
            continue;
        if (s.beginGroup && !first)
            out << "  ----\n";
        first = false;
        out << "  \"" << platform::Utf16ToUtf8(ShownCaption(s.caption)) << "\"";
        if (node->Children())
            out << " >";
        if (const auto face = ShownFace(s); face && Style(node) != msoButtonCaption)
            out << " face=" << face->width << "x" << face->height;
        if (!s.enabled)
            out << " disabled";
        out << "\n";
    }
    return true;
}

void DroppedMenu::Forget(CExplorer* explorer)
{
    if (m_explorer == explorer)
        m_explorer = nullptr;
}

CommandBarControlNode* DroppedMenu::Find(CExplorer* explorer) const
{
    return explorer && explorer == m_explorer ? FindPopup(explorer, m_caption) : nullptr;
}

} // namespace host
