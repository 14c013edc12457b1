#include "ConflictDialogWindows.h"

#include "ConflictResource.h"
#include "DialogResource.h"
#include "DlgConflicts.h"
#include "DlgConflictsWnd.h"
#include "ScriptCommands.h"

#include "mapi/BuiltInForm.h"
#include "mapi/OpenForms.h"
#include "ui/ToolkitLoop.h"

#include <chrono>
#include <cstdlib>

namespace {

using L = CConflictsListCtrl;

const char* TickText(DWORD data, bool header)
{
    if (data & L::NOTHING_TO_RESOLVE)
        return "done";
    if (header) {
        if ((data & L::TICK_LOCAL) && (data & L::TICK_GLOBAL))
            return "both";
        if (data & L::TICK_LOCAL)
            return "local";
        if (data & L::TICK_GLOBAL)
            return "global";
        if (data & (L::SOME_LOCAL | L::SOME_GLOBAL))
            return "some";
        return "none";
    }
    if (data & L::TICK_LOCAL)
        return "local";
    if (data & L::TICK_GLOBAL)
        return "global";
    return "none";
}

const char* IconText(UINT icon)
{
    switch (icon) {
    case IDI_PENDING: return "open";
    case IDI_CURRENT: return "ticked";
    case IDI_DONE: return "resolved";
    case IDI_NOTHING_TO_RESOLVE: return "nothing";
    default: return "-";
    }
}

// "local" or "global"; -1 for another word.
int Side(const std::string& word)
{
    if (word == "local")
        return L::SIDE_LOCAL;
    if (word == "global")
        return L::SIDE_GLOBAL;
    return -1;
}

} // namespace

CConflictDialogWindows::CConflictDialogWindows(wxWindow* parent) : m_parent(parent) {}

int CConflictDialogWindows::Run(CDlgConflicts& dialog)
{
    CDlgConflictsWnd window(m_parent && m_parent->IsShown() ? m_parent : nullptr, dialog);
    CDlgConflicts* previousDialog = m_pDialog;
    CDlgConflictsWnd* previousWindow = m_pWindow;
    m_pDialog = &dialog;
    m_pWindow = &window;
    if (m_onShown)
        window.CallAfter([this, &dialog] {
            if (!dialog.IsEnded())
                m_onShown(dialog);
        });
    const int result = window.RunModal();
    m_pDialog = previousDialog;
    m_pWindow = previousWindow;
    return result;
}

void CConflictDialogWindows::PrintRows(std::ostream& out) const
{
    const CDlgConflicts& dialog = *m_pDialog;
    const L& list = dialog.m_wndList;
    out << "conflicts \"" << dialog.GetTitle() << "\" mode=" << dialog.GetMode() << " rows=" << list.GetItemCount()
        << " commit=" << (dialog.IsItemEnabled(IDC_COMMIT) ? 1 : 0) << " close=" << (dialog.IsItemEnabled(IDOK) ? 1 : 0)
        << " cancel=" << (dialog.IsItemEnabled(IDCANCEL) ? 1 : 0) << " forms=" << (list.FormCount() - 1) << std::endl;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const DWORD data = list.GetItemData(row);
        out << "row " << row;
        if (list.IsHeader(row)) {
            out << " header \"" << list.CellText(row, L::COL_LOCAL_SUBJECT) << "\" \""
                << list.CellText(row, L::COL_GLOBAL_SUBJECT) << "\" tick=" << TickText(data, true) << std::endl;
            continue;
        }
        out << " type=" << list.GetRow(row).pEntry->nType << " tick=" << TickText(data, false)
            << " icon=" << IconText(list.RowIcon(row));
        for (const int column : {L::COL_LOCAL_SUBJECT, L::COL_GLOBAL_SUBJECT}) {
            out << (column == L::COL_LOCAL_SUBJECT ? " local=\"" : " global=\"") << list.CellText(row, column) << "\"";
            if (!list.CellText(row, column + 1).empty())
                out << " \"" << list.CellText(row, column + 1) << "\"";
            if (list.IsCellStruckOut(row, column))
                out << " struck";
        }
        out << std::endl;
    }
}

void CConflictDialogWindows::AddCommands(CScriptCommands& commands, platform::ui::ToolkitLoop& loop)
{
    // A command on the dialog showing now; the loop then runs what it posted.
    const auto onDialog = [this, &commands, &loop](const std::string& name, auto action) {
        commands.Add(name, [this, &loop, name, action](const std::vector<std::string>& args, std::ostream& out) {
            if (!m_pDialog) {
                out << "error: no conflicts dialog" << std::endl;
                return true;
            }
            action(*m_pDialog, args, out);
            loop.RunFor(std::chrono::milliseconds(30));
            return true;
        });
    };
    onDialog("conflicts", [this](CDlgConflicts&, const std::vector<std::string>&, std::ostream& out) { PrintRows(out); });
    onDialog("tick", [](CDlgConflicts& dialog, const std::vector<std::string>& args, std::ostream& out) {
        const int row = args.size() == 2 ? std::atoi(args[0].c_str()) : -1;
        const int side = args.size() == 2 ? Side(args[1]) : -1;
        if (!dialog.m_wndList.IsRow(row) || side < 0) {
            out << "error: tick ROW local|global" << std::endl;
            return;
        }
        const DWORD before = dialog.m_wndList.GetItemData(row);
        dialog.m_wndList.ToggleCheck(row, side);
        out << "tick " << row << " " << args[1]
            << (dialog.m_wndList.GetItemData(row) == before ? " unchanged" : " ok") << std::endl;
    });
    onDialog("tick-all", [](CDlgConflicts& dialog, const std::vector<std::string>& args, std::ostream& out) {
        const int side = args.size() == 1 ? Side(args[0]) : -1;
        if (side < 0) {
            out << "error: tick-all local|global" << std::endl;
            return;
        }
        // Every header that does not have the side on all its rows yet.
        L& list = dialog.m_wndList;
        const DWORD all = side == L::SIDE_LOCAL ? L::TICK_LOCAL : L::TICK_GLOBAL;
        for (int row = 0; row < list.GetItemCount(); ++row)
            if (list.IsHeader(row) && !(list.GetItemData(row) & (all | L::NOTHING_TO_RESOLVE)))
                list.ToggleCheck(row, side);
        out << "tick-all " << args[0] << " ok" << std::endl;
    });
    onDialog("open", [](CDlgConflicts& dialog, const std::vector<std::string>& args, std::ostream& out) {
        const int row = args.size() == 2 ? std::atoi(args[0].c_str()) : -1;
        const int side = args.size() == 2 ? Side(args[1]) : -1;
        if (!dialog.m_wndList.IsRow(row) || side < 0) {
            out << "error: open ROW local|global" << std::endl;
            return;
        }
        const HRESULT hr = dialog.m_wndList.OpenConflictMessage(
            row, side == L::SIDE_LOCAL ? L::COL_LOCAL_SUBJECT : L::COL_GLOBAL_SUBJECT);
        out << "open " << row << " " << args[1] << (hr == S_OK ? " ok" : hr == S_FALSE ? " nothing" : " failed")
            << " forms=" << (dialog.m_wndList.FormCount() - 1) << std::endl;
    });
    commands.Add("close-forms", [&loop](const std::vector<std::string>&, std::ostream& out) {
        int closed = 0;
        for (const auto& form : mapi::OpenForms())
            closed += SUCCEEDED(form->CommandClose()) ? 1 : 0;
        loop.RunFor(std::chrono::milliseconds(30));
        out << "close-forms " << closed << std::endl;
        return true;
    });
    onDialog("commit", [](CDlgConflicts& dialog, const std::vector<std::string>&, std::ostream& out) {
        if (!dialog.IsItemEnabled(IDC_COMMIT)) {
            out << "commit disabled" << std::endl;
            return;
        }
        // An open form keeps Commit from acting (the dialog says so).
        const bool refused = dialog.IsFormOpen();
        dialog.ClickItem(IDC_COMMIT);
        out << "commit " << (refused ? "refused" : "done") << std::endl;
    });
    onDialog("close", [](CDlgConflicts& dialog, const std::vector<std::string>&, std::ostream& out) {
        // Close when nothing is left, else Cancel; a form that is open keeps the dialog.
        const int button = dialog.IsItemEnabled(IDOK) ? IDOK : IDCANCEL;
        dialog.ClickItem(button);
        out << "close " << (dialog.IsEnded() ? (button == IDOK ? "closed" : "cancelled") : "refused") << std::endl;
    });
}
