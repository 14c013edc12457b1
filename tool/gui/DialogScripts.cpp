#include "DialogScripts.h"

#include <deque>
#include <map>

namespace {

std::map<UINT, std::deque<CDialogScripts::Action>>& Queue()
{
    static std::map<UINT, std::deque<CDialogScripts::Action>> queue;
    return queue;
}

} // namespace

void CDialogScripts::Push(UINT templateId, Action action) { Queue()[templateId].push_back(std::move(action)); }

void CDialogScripts::Shown(COrvDialog& dialog, wxDialog& window)
{
    auto it = Queue().find(dialog.GetTemplateId());
    if (it == Queue().end() || it->second.empty())
        return;
    Action action = std::move(it->second.front());
    it->second.pop_front();
    window.CallAfter([action = std::move(action), &dialog, &window] { action(dialog, window); });
}

bool CDialogScripts::Pending(UINT templateId)
{
    const auto it = Queue().find(templateId);
    return it != Queue().end() && !it->second.empty();
}

void CDialogScripts::Clear() { Queue().clear(); }
