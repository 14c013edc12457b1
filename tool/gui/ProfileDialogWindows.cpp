#include "ProfileDialogWindows.h"

#include "DialogResource.h"
#include "DialogScripts.h"
#include "DlgAppAbout.h"
#include "DlgAppAboutWnd.h"
#include "DlgOptions.h"
#include "DlgOptionsWnd.h"
#include "DlgProfileCreate.h"
#include "DlgProfileCreateWnd.h"
#include "DlgProfileDelete.h"
#include "DlgProfileDeleteWnd.h"
#include "DlgProfileEdit.h"
#include "DlgProfileEditAdv.h"
#include "DlgProfileEditAdvWnd.h"
#include "DlgProfileEditWnd.h"
#include "DlgProfileRename.h"
#include "DlgProfileRenameWnd.h"
#include "OrvApp.h"
#include "OrvDoc.h"
#include "OrvView.h"
#include "ProfileListCtrl.h"
#include "ScriptCommands.h"

#include "base/AnswerQueue.h"
#include "ui/ToolkitLoop.h"
#include "ui/WindowCapture.h"

#include <wx/utils.h>

#include <chrono>
#include <memory>
#include <sstream>

namespace {

constexpr int kSpace = 0x20;

// The item at a path of item texts, "*" standing for the root item ("*/Inbox/Orders"); the items
// on the way are opened. Null when a name is missing.
HTREEITEM ItemAtPath(CTreeCtrl& tree, const std::string& path)
{
    std::vector<std::string> names;
    std::string name;
    std::istringstream in(path);
    while (std::getline(in, name, '/'))
        names.push_back(name);
    if (names.empty() || names.front() != "*")
        return nullptr;
    HTREEITEM item = tree.GetRootItem();
    for (std::size_t i = 1; item && i < names.size(); ++i) {
        tree.Expand(item, TVE_EXPAND);
        item = tree.FindChild(item, names[i]);
    }
    return item;
}

bool Selects(const CProfileListCtrl& list, COrvView& view, const std::string& name)
{
    const int row = list.FindItem(name);
    return row >= 0 && view.m_wndProfiles.SetItemSelected(row, true);
}

// A dialog the command could not finish is cancelled, so that the program goes on.
void Abandon(COrvDialog& dialog)
{
    if (!dialog.IsEnded())
        dialog.ClickItem(IDCANCEL);
    if (!dialog.IsEnded())
        dialog.EndDialog(IDCANCEL);
}

using Problem = std::shared_ptr<std::string>;

void Report(std::ostream& out, const std::string& command, bool done, const Problem& problem)
{
    out << command << " " << (done ? "ok" : "failed");
    if (!problem->empty())
        out << ": " << *problem;
    out << std::endl;
}

} // namespace

CProfileDialogWindows::CProfileDialogWindows(wxWindow* parent, COrvApp& app, const CProfileListCtrl& profiles)
    : m_parent(parent), m_app(app), m_profiles(profiles)
{
}

CProfileDialogWindows::~CProfileDialogWindows() = default;

bool CProfileDialogWindows::CreateProfile(COrvDoc& doc, std::string& newName)
{
    // The stores every profile uses.
    std::set<std::string> used;
    for (int row = 0; row < m_profiles.GetItemCount(); ++row)
        if (const CProfileRecord* record = m_profiles.FindRecord(m_profiles.GetRow(row).name)) {
            if (!record->strDestKey.empty())
                used.insert(record->strDestKey);
            if (!record->strSrcKey.empty())
                used.insert(record->strSrcKey);
        }
    CDlgProfileCreate dialog(doc.m_pEngine.get(), std::move(used), newName);
    CDlgProfileCreateWnd window(m_parent, dialog);
    return window.RunModal() == IDOK;
}

bool CProfileDialogWindows::DeleteProfile(COrvDoc& doc, const std::string& name)
{
    CDlgProfileDelete dialog(doc.m_pEngine.get(), name);
    CDlgProfileDeleteWnd window(m_parent, dialog);
    return window.RunModal() == IDOK;
}

bool CProfileDialogWindows::RenameProfile(COrvDoc& doc, LONG index, const std::string&, std::string& newName)
{
    CEnginePtr<IProfile> profile;
    if (!doc.m_pProfiles || FAILED(doc.m_pProfiles->get_Items(index, profile.put())))
        return false;
    std::vector<std::string> names;
    for (int row = 0; row < m_profiles.GetItemCount(); ++row)
        names.push_back(m_profiles.GetRow(row).name);
    CDlgProfileRename dialog(std::move(names), doc.m_pProfiles.get(), profile.get());
    CDlgProfileRenameWnd window(m_parent, dialog);
    if (window.RunModal() != IDOK)
        return false;
    newName = dialog.GetNewName();
    return true;
}

bool CProfileDialogWindows::EditProfile(COrvDoc& doc, LONG index, IProfile* profile, int folderRow)
{
    CDlgProfileEdit dialog(doc.m_pEngine.get(), doc.m_pProfiles.get(), index, profile, folderRow);
    {
        CDlgProfileEditWnd window(m_parent, dialog);
        window.RunModal();
    }
    return dialog.IsChanged();
}

bool CProfileDialogWindows::EditProfileAdvanced(COrvDoc& doc, IProfile* profile)
{
    CDlgProfileEditAdv dialog(doc.m_pProfiles.get(), profile);
    {
        CDlgProfileEditAdvWnd window(m_parent, dialog);
        window.RunModal();
    }
    return dialog.HasAssociated();
}

void CProfileDialogWindows::Options(COrvDoc&)
{
    CDlgOptions dialog(m_app);
    CDlgOptionsWnd window(m_parent, dialog);
    window.RunModal();
}

void CProfileDialogWindows::About()
{
    CDlgAppAbout dialog;
    CDlgAppAboutWnd window(m_parent, dialog);
    window.RunModal();
}

void CProfileDialogWindows::AddCommands(CScriptCommands& commands, COrvView& view, platform::ui::ToolkitLoop& loop,
                                        std::function<bool()> alive)
{
    // A command whose dialog does not open leaves nothing queued for the next one.
    const auto run = [&view](UINT command, UINT dialog, std::ostream& out, const std::string& name) {
        if (!view.IsCommandEnabled(command)) {
            CDialogScripts::Clear();
            out << name << " disabled" << std::endl;
            return false;
        }
        view.OnCommand(command);
        if (CDialogScripts::Pending(dialog)) {
            CDialogScripts::Clear();
            out << name << " failed: the dialog did not open" << std::endl;
            return false;
        }
        return true;
    };

    // A command worked in one of the profile's editors: the profile's row is selected and the
    // editor opens from the view.
    const auto inEditor = [this, &view](const std::string& command, const std::string& profile, UINT dialog,
                                        CDialogScripts::Action act, const std::shared_ptr<bool>& done,
                                        const Problem& problem, std::ostream& out) {
        if (!Selects(m_profiles, view, profile) || !view.IsCommandEnabled(ID_PROFILE_EDIT)) {
            out << command << " disabled" << std::endl;
            return;
        }
        CDialogScripts::Push(dialog, std::move(act));
        if (dialog == IDD_PROFILE_EDIT_ADV)
            view.OnProfileEditAdvanced();
        else
            view.OnProfileEditStandard(-1);
        CDialogScripts::Clear();
        Report(out, command, *done, problem);
    };

    commands.Add("create-profile", [this, run, alive, &loop](const std::vector<std::string>& args, std::ostream& out) {
        if (!alive())
            return false;
        if (args.size() != 3) {
            out << "error: create-profile NAME LOCAL GLOBAL" << std::endl;
            return true;
        }
        auto problem = std::make_shared<std::string>();
        CDialogScripts::Push(IDD_PROFILE_CREATE, [args, problem, &loop](COrvDialog& d, wxDialog&) {
            auto& wizard = static_cast<CDlgProfileCreate&>(d);
            loop.RunUntil([&] { return wizard.IsEnded() || wizard.m_lstLocal.GetItemCount() > 0; },
                          std::chrono::seconds(10));
            const auto choose = [&](CCheckListCtrl& list, const std::string& store) {
                for (int row = 0; row < list.GetItemCount(); ++row)
                    if (list.GetItemText(row, 0) == store) {
                        list.SelectItem(row);
                        return wizard.IsItemEnabled(IDOK);
                    }
                return false;
            };
            if (wizard.IsEnded())
                return;
            if (!choose(wizard.m_lstLocal, args[1])) {
                *problem = "the local store cannot be chosen";
            } else {
                wizard.ClickItem(IDOK);
                if (!choose(wizard.m_lstGlobal, args[2])) {
                    *problem = "the global store cannot be chosen";
                } else {
                    wizard.ClickItem(IDOK);
                    wizard.TypeItemText(IDC_PROFILE_NAME, args[0]);
                    if (!wizard.IsItemEnabled(IDOK))
                        *problem = wizard.GetItemText(IDC_STEP3_WARNING);
                    else
                        wizard.ClickItem(IDOK);
                }
            }
            Abandon(wizard);
        });
        if (run(ID_PROFILE_CREATE, IDD_PROFILE_CREATE, out, "create-profile"))
            Report(out, "create-profile", m_profiles.FindItem(args[0]) >= 0, problem);
        return true;
    });

    commands.Add("associate", [alive, inEditor](const std::vector<std::string>& args, std::ostream& out) {
        if (!alive())
            return false;
        if (args.size() != 3) {
            out << "error: associate NAME LOCALPATH GLOBALPATH" << std::endl;
            return true;
        }
        auto problem = std::make_shared<std::string>();
        auto done = std::make_shared<bool>(false);
        inEditor("associate", args[0], IDD_PROFILE_EDIT, [args, problem, done](COrvDialog& d, wxDialog&) {
            auto& editor = static_cast<CDlgProfileEdit&>(d);
            const HTREEITEM local = ItemAtPath(editor.m_treeLocal, args[1]);
            const HTREEITEM global = ItemAtPath(editor.m_treeGlobal, args[2]);
            if (!local || !global) {
                *problem = "no such folder";
            } else {
                editor.m_treeLocal.SelectItem(local);
                editor.m_treeGlobal.SelectItem(global);
                if (!editor.IsItemEnabled(IDC_ASSOCIATE)) {
                    *problem = editor.GetItemText(IDC_STATUS_TEXT);
                } else {
                    editor.ClickItem(IDC_ASSOCIATE);
                    *done = editor.m_treeLocal.GetItemStateImage(local) == CFolderTreeCtrl::MARK_ASSOCIATED;
                }
            }
            editor.ClickItem(IDOK);
        }, done, problem, out);
        return true;
    });

    commands.Add("delete-association", [alive, inEditor](const std::vector<std::string>& args, std::ostream& out) {
        if (!alive())
            return false;
        if (args.size() != 2) {
            out << "error: delete-association NAME LOCALPATH" << std::endl;
            return true;
        }
        auto problem = std::make_shared<std::string>();
        auto done = std::make_shared<bool>(false);
        inEditor("delete-association", args[0], IDD_PROFILE_EDIT, [args, problem, done](COrvDialog& d, wxDialog&) {
            auto& editor = static_cast<CDlgProfileEdit&>(d);
            CFolderLinkListCtrl& list = editor.m_lstLinks;
            int found = -1;
            for (int row = 0; row < list.GetItemCount(); ++row) {
                const bool match = list.FullLocalPath(list.GetItemKey(row)) == args[1];
                list.SetItemSelected(row, match);
                if (match)
                    found = row;
            }
            if (found < 0) {
                *problem = "no association of that folder";
            } else {
                const std::string key = list.GetItemKey(found);
                editor.ClickItem(IDC_DELETE_ASSOCIATION);
                *done = list.FindItemByKey(key) < 0;
            }
            editor.ClickItem(IDOK);
        }, done, problem, out);
        return true;
    });

    commands.Add("advanced", [alive, inEditor](const std::vector<std::string>& args, std::ostream& out) {
        if (!alive())
            return false;
        if (args.size() < 4 || (args[1] != "local" && args[1] != "global")) {
            out << "error: advanced NAME local|global DRIVINGPATH TARGETPATH [CHECKPATH...]" << std::endl;
            return true;
        }
        auto problem = std::make_shared<std::string>();
        auto done = std::make_shared<bool>(false);
        inEditor("advanced", args[0], IDD_PROFILE_EDIT_ADV, [args, problem, done](COrvDialog& d, wxDialog&) {
            auto& editor = static_cast<CDlgProfileEditAdv&>(d);
            if (args[1] == "global")
                editor.ClickItem(IDC_GLOBAL_DRIVES);
            CTreeCtrl& driving = editor.LocalDrives() ? editor.m_treeLocal : editor.m_treeGlobal;
            CTreeCtrl& other = editor.LocalDrives() ? editor.m_treeGlobal : editor.m_treeLocal;
            // Each folder to check is checked with its whole branch, as Shift+Space does.
            for (std::size_t i = 4; i < args.size() && problem->empty(); ++i) {
                const HTREEITEM item = ItemAtPath(driving, args[i]);
                if (!item) {
                    *problem = "no folder " + args[i];
                } else if (!driving.GetCheck(item)) {
                    driving.SelectItem(item);
                    driving.UserKeyDown(kSpace, true);
                }
            }
            const HTREEITEM from = ItemAtPath(driving, args[2]);
            const HTREEITEM to = ItemAtPath(other, args[3]);
            if (problem->empty() && (!from || !to))
                *problem = "no such folder";
            if (problem->empty()) {
                driving.SelectItem(from);
                other.SelectItem(to);
                if (!editor.IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS)) {
                    *problem = "nothing changed";
                } else {
                    editor.ClickItem(IDC_ASSOCIATE_SUBFOLDERS);
                    *done = !editor.IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS);
                }
            }
            editor.ClickItem(IDOK);
        }, done, problem, out);
        return true;
    });

    commands.Add("rename", [this, run, alive, &view](const std::vector<std::string>& args, std::ostream& out) {
        if (!alive())
            return false;
        if (args.size() != 2) {
            out << "error: rename NAME NEWNAME" << std::endl;
            return true;
        }
        if (!Selects(m_profiles, view, args[0])) {
            out << "rename disabled" << std::endl;
            return true;
        }
        auto problem = std::make_shared<std::string>();
        CDialogScripts::Push(IDD_PROFILE_RENAME, [args](COrvDialog& d, wxDialog&) {
            d.TypeItemText(IDC_RENAME_NAME, args[1]);
            d.ClickItem(IDOK);
            Abandon(d);
        });
        if (run(ID_PROFILE_RENAME, IDD_PROFILE_RENAME, out, "rename"))
            Report(out, "rename", m_profiles.FindItem(args[1]) >= 0, problem);
        return true;
    });

    commands.Add("delete", [this, run, alive, &view](const std::vector<std::string>& args, std::ostream& out) {
        if (!alive())
            return false;
        if (args.size() != 1) {
            out << "error: delete NAME" << std::endl;
            return true;
        }
        if (!Selects(m_profiles, view, args[0])) {
            out << "delete disabled" << std::endl;
            return true;
        }
        auto problem = std::make_shared<std::string>();
        CDialogScripts::Push(IDD_PROFILE_DELETE, [](COrvDialog& d, wxDialog&) {
            d.ClickItem(IDOK);
            Abandon(d);
        });
        if (run(ID_PROFILE_DELETE, IDD_PROFILE_DELETE, out, "delete"))
            Report(out, "delete", m_profiles.FindItem(args[0]) < 0, problem);
        return true;
    });

    commands.Add("options", [this, run, alive](const std::vector<std::string>& args, std::ostream& out) {
        if (!alive())
            return false;
        if (args.size() % 2 != 0) {
            out << "error: options [start on|off] [delay MINUTES] [quit on|off] [confirm on|off]" << std::endl;
            return true;
        }
        auto problem = std::make_shared<std::string>();
        CDialogScripts::Push(IDD_OPTIONS, [args, problem](COrvDialog& d, wxDialog&) {
            auto& options = static_cast<CDlgOptions&>(d);
            for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
                const std::string& what = args[i];
                const std::string& value = args[i + 1];
                const int box = what == "start" ? IDC_SYNC_ON_START
                                : what == "quit" ? IDC_SYNC_ON_QUIT
                                : what == "confirm" ? IDC_QUERY_DELETE
                                                    : 0;
                if (box) {
                    if (options.IsChecked(box) != (value == "on"))
                        options.ClickItem(box);
                } else if (what == "delay") {
                    const auto& entries = options.DelayEntries();
                    int index = -1;
                    for (std::size_t e = 0; e < entries.size(); ++e)
                        if (std::to_string(entries[e].minutes) == value)
                            index = static_cast<int>(e);
                    if (index < 0)
                        *problem = "no delay of " + value + " minutes";
                    else
                        options.SelectDelay(index);
                } else {
                    *problem = "no option " + what;
                }
            }
            options.ClickItem(problem->empty() ? IDOK : IDCANCEL);
        });
        if (run(ID_OPTIONS, IDD_OPTIONS, out, "options")) {
            Report(out, "options", problem->empty(), problem);
            out << "options start=" << (m_app.m_bSyncOnOutlookStart ? 1 : 0)
                << " delay=" << m_app.m_nSyncOnOutlookStartDelay << " quit=" << (m_app.m_bSyncOnOutlookQuit ? 1 : 0)
                << " confirm=" << (m_app.m_bQueryDelete ? 1 : 0) << std::endl;
        }
        return true;
    });

    commands.Add("about", [this, alive](const std::vector<std::string>& args, std::ostream& out) {
        if (!alive())
            return false;
        CDialogScripts::Push(IDD_ABOUTBOX, [args, &out](COrvDialog& d, wxDialog& window) {
            out << "about \"" << d.GetItemText(IDC_ABOUT_PRODUCT) << "\" info=\""
                << static_cast<CDlgAppAbout&>(d).m_linkInfo.GetURL() << "\" contact=\""
                << static_cast<CDlgAppAbout&>(d).m_linkContact.GetURL() << "\"" << std::endl;
            if (!args.empty()) {
                std::string error;
                const auto file = platform::ui::CaptureWindow(&window, args[0], &error);
                if (file.empty())
                    out << "error: " << error << std::endl;
                else
                    out << "screenshot " << file.string() << std::endl;
            }
            d.ClickItem(IDOK);
        });
        About();
        CDialogScripts::Clear();
        return true;
    });

    commands.Add("answer", [](const std::vector<std::string>& args, std::ostream& out) {
        std::string text;
        for (const auto& word : args)
            text += (text.empty() ? "" : " ") + word;
        std::string error;
        if (platform::PushAnswer(text, &error))
            out << "answer " << text << std::endl;
        else
            out << "error: " << error << std::endl;
        return true;
    });
}
