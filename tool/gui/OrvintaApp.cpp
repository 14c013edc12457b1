#include "OrvintaApp.h"

#include "ConflictDialogWindows.h"
#include "ConflictDialogs.h"
#include "DialogResource.h"
#include "DlgConflicts.h"
#include "DlgConflictsWnd.h"
#include "MainFrame.h"
#include "MainFrameWnd.h"
#include "OrvApp.h"
#include "OrvDoc.h"
#include "OrvFormView.h"
#include "ProfileDialogWindows.h"
#include "ScriptCommands.h"

#include "base/Broadcast.h"
#include "base/Locale.h"
#include "base/ShellNotify.h"
#include "base/Window.h"
#include "mapi/BuiltInForm.h"
#include "mapi/OpenForms.h"
#include "ui/ToolkitLoop.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowBinding.h"
#include "ui/WindowCapture.h"

#include <wx/app.h>
#include <wx/init.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>

namespace {

class COrvintaApp : public wxApp {
public:
    explicit COrvintaApp(COrvApp& app) : m_app(app) {}

    // The platform's loop on the toolkit's, and boxes and dialogs shown by the toolkit: made as
    // soon as the toolkit runs, so that start-up's own boxes are the toolkit's too.
    void StartPlatform() { m_platform = std::make_unique<platform::ui::ToolkitPlatform>(); }

    bool OnInit() override
    {
        m_loop = &m_platform->Loop();
        m_loop->SetQuitHandler([this](int) {
            if (m_frame)
                m_frame->Close(true);
        });
        // The framework's shell command: the document (which connects the engine), then the frame.
        m_doc = std::make_unique<COrvDoc>();
        m_mainFrame = std::make_unique<CMainFrame>(m_app, *m_doc);
        if (!m_mainFrame->Create())
            return false;
        m_frame = new CMainFrameWnd(*m_mainFrame, *m_doc);
        m_frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
            event.Skip();
            if (event.GetEventObject() == m_frame) {
                m_frame = nullptr;
                m_mainFrame->SetView(nullptr);
            }
        });
        SetTopWindow(m_frame);
        // The view inside the frame: profiles, associations and runs.
        auto* view = new COrvFormView(m_frame, m_mainFrame->GetSafeHwnd(), m_app, *m_doc);
        view->SetMainFrame(m_mainFrame.get());
        m_mainFrame->SetView(&view->View());
        // The profile commands open their dialogs; About comes from the menu "&?".
        m_dialogs = std::make_unique<CProfileDialogWindows>(m_frame, m_app, view->View().m_wndProfiles);
        view->View().SetProfileDialogs(m_dialogs.get());
        m_mainFrame->m_onAppAbout = [this] { m_dialogs->About(); };
        // A run's conflicts go to the conflicts dialogs; a script goes on inside them.
        m_conflictWindows = std::make_unique<CConflictDialogWindows>(m_frame);
        m_conflictWindows->m_onShown = [this](CDlgConflicts& dialog) { ScriptInsideDialog(dialog); };
        m_conflicts = std::make_unique<CConflictDialogs>(
            [this](CDlgConflicts& dialog) { return m_conflictWindows->Run(dialog); });
        view->View().SetConflictHandler(m_conflicts.get());
        view->OnInitialUpdate();
        // A later start of the program reaches the frame from its own process.
        platform::ListenForBroadcasts();
        m_mainFrame->ShowAs(m_app.m_nCmdShow);
        AddCommands();
        view->AddCommands(m_commands, *m_loop);
        m_dialogs->AddCommands(m_commands, view->View(), *m_loop, [this] { return m_frame != nullptr; });
        m_conflictWindows->AddCommands(m_commands, *m_loop);
        if (const char* script = std::getenv("ORVINTA_SCRIPT"); script && *script)
            CallAfter([this, path = std::string(script)] { RunScript(path); });
        return true;
    }

    int OnExit() override
    {
        if (m_mainFrame)
            m_mainFrame->SetView(nullptr);
        m_conflicts.reset();
        m_conflictWindows.reset();
        m_dialogs.reset();
        m_mainFrame.reset();
        m_doc.reset();
        m_loop = nullptr;
        m_platform.reset();
        return 0;
    }

    int ExitCode() const { return m_exitCode; }

private:
    void AddCommands()
    {
        m_commands.Add("state", [this](const std::vector<std::string>&, std::ostream& out) {
            PrintState(out);
            return true;
        });
        // The frame, the conflicts dialog showing now, or the window of the form opened last.
        m_commands.Add("screenshot", [this](const std::vector<std::string>& args, std::ostream& out) {
            wxTopLevelWindow* window = m_frame;
            if (args.size() == 2 && args[1] == "conflicts")
                window = m_conflictWindows->CurrentWindow();
            else if (args.size() == 2 && args[1] == "form")
                window = mapi::OpenForms().empty()
                             ? nullptr
                             : platform::ui::WindowBinding::FrameOf(mapi::OpenForms().back()->Window());
            else if (args.size() != 1)
                window = nullptr;
            if (args.empty() || !window) {
                out << "error: screenshot NAME [conflicts|form]" << std::endl;
                return true;
            }
            m_loop->RunFor(std::chrono::milliseconds(100)); // let pending paints happen
            std::string error;
            const auto file = platform::ui::CaptureWindow(window, args[0], &error);
            if (file.empty())
                out << "error: " << error << std::endl;
            else
                out << "screenshot " << file.string() << std::endl;
            return true;
        });
        // Runs the loop until a second start's message arrives (or the seconds pass).
        m_commands.Add("wait-activate", [this](const std::vector<std::string>& args, std::ostream& out) {
            const int seconds = args.empty() ? 10 : std::atoi(args[0].c_str());
            const int before = m_mainFrame->ActivateRequests();
            const bool came = m_loop->RunUntil(
                [&] { return !m_frame || m_mainFrame->ActivateRequests() != before; }, std::chrono::seconds(seconds));
            if (came && m_frame)
                out << "activate " << m_mainFrame->LastActivateParam() << std::endl;
            else
                out << "activate none" << std::endl;
            return m_frame != nullptr;
        });
        // The frame's own commands, as the menu or the tray sends them.
        const auto frameCommand = [this](const std::string& name, UINT command) {
            m_commands.Add(name, [this, name, command](const std::vector<std::string>&, std::ostream& out) {
                if (!m_frame)
                    return false;
                SendMessageA(m_mainFrame->GetSafeHwnd(), WM_COMMAND, command, 0);
                m_loop->RunFor(std::chrono::milliseconds(50));
                out << name << " window=" << m_mainFrame->WindowState() << std::endl;
                return m_frame != nullptr;
            });
        };
        frameCommand("minimize", ID_TRAY_MINIMIZE);
        frameCommand("restore", ID_TRAY_RESTORE);
        frameCommand("help", ID_HELP_TOPICS);
        // The tray icon as the shell has it, and the user's clicks on it (`answer menu ID` first
        // for the right button's menu).
        m_commands.Add("tray", [this](const std::vector<std::string>&, std::ostream& out) {
            PrintTray(out);
            return true;
        });
        m_commands.Add("tray-click", [this](const std::vector<std::string>& args, std::ostream& out) {
            const UINT mouse = args.size() == 1 && args[0] == "double" ? WM_LBUTTONDBLCLK
                               : args.size() == 1 && args[0] == "right" ? WM_RBUTTONUP
                                                                        : 0;
            if (mouse == 0) {
                out << "error: tray-click double|right" << std::endl;
                return true;
            }
            if (!platform::ClickTrayIcon(m_mainFrame->GetSafeHwnd(), IDR_TRAYMENU, mouse)) {
                out << "tray-click none" << std::endl;
                return true;
            }
            m_loop->RunFor(std::chrono::milliseconds(200));
            out << "tray-click " << args[0] << " window=" << m_mainFrame->WindowState() << std::endl;
            return m_frame != nullptr;
        });
        // Waits until the tray shows the icon (a tray that appears announces itself), or with
        // `gone` until it shows none (a tray that went away).
        m_commands.Add("wait-tray", [this](const std::vector<std::string>& args, std::ostream& out) {
            const int seconds = args.empty() ? 10 : std::atoi(args[0].c_str());
            const bool gone = args.size() == 2 && args[1] == "gone";
            m_loop->RunUntil(
                [this, gone] {
                    return platform::FindTrayIcon(m_mainFrame->GetSafeHwnd(), IDR_TRAYMENU).has_value() != gone;
                },
                std::chrono::seconds(seconds));
            PrintTray(out);
            return true;
        });
        m_commands.Add("quit", [](const std::vector<std::string>&, std::ostream&) { return false; });
    }

    void PrintTray(std::ostream& out)
    {
        const CSystemTray& tray = m_mainFrame->m_wndTray;
        const auto icon = platform::FindTrayIcon(m_mainFrame->GetSafeHwnd(), IDR_TRAYMENU);
        out << "tray icon=" << (icon ? "shown" : tray.IsShowPending() ? "wanted" : "none")
            << " state=" << (!icon ? "-" : tray.GetIcon() == icon->icon && m_doc->m_bRunning ? "running" : "idle")
            << " default=" << tray.GetDefaultCommand() << " window=" << m_mainFrame->WindowState() << std::endl;
    }

    void PrintState(std::ostream& out)
    {
        const time_t now = COrvApp::Now();
        out << "state window=" << (!m_frame ? "none" : m_mainFrame->WindowState())
            << " pending=" << m_app.m_nPendingSync << " due=";
        if (m_app.m_tDueTime == 0)
            out << "none";
        else
            out << (m_app.m_tDueTime - now);
        out << " engine=" << (m_doc && m_doc->m_pEngine ? "connected" : "none") << " profiles=";
        LONG count = 0;
        if (m_doc && m_doc->m_pProfiles && SUCCEEDED(m_doc->m_pProfiles->get_Count(&count)))
            out << count;
        else
            out << "none";
        out << " running=" << (m_doc && m_doc->m_bRunning ? 1 : 0) << " lcid=" << GetThreadLocale() << " tray="
            << (m_mainFrame->m_wndTray.IsIconShown() ? "shown" : "none") << std::endl;
    }

    void RunScript(const std::string& path)
    {
        m_script = std::make_unique<std::ifstream>(path);
        if (!*m_script) {
            std::cerr << "orvinta: cannot read the test commands in " << path << std::endl;
            m_exitCode = 1;
            if (m_frame)
                m_frame->Close(true);
            return;
        }
        if (!ContinueScript({}) && m_frame)
            m_frame->Close(true);
    }

    // Runs the script's next lines until `stop` says so, the lines end or a command ends the
    // script; false once the script has been ended.
    bool ContinueScript(const std::function<bool()>& stop)
    {
        std::string line;
        while (m_script && !m_bScriptEnded && !(stop && stop()) && std::getline(*m_script, line))
            if (!m_commands.Execute(line, std::cout))
                m_bScriptEnded = true;
        return !m_bScriptEnded;
    }

    // A conflicts dialog opened while the script waited: its next lines work the dialog. A
    // script that ends inside it takes the dialog (and its forms) away, then the program.
    void ScriptInsideDialog(CDlgConflicts& dialog)
    {
        if (!m_script || ContinueScript([&dialog] { return dialog.IsEnded(); }) || dialog.IsEnded())
            return;
        for (const auto& form : mapi::OpenForms())
            form->ShutdownForm(SAVEOPTS_NOSAVE);
        dialog.EndDialog(IDCANCEL);
        CallAfter([this] {
            if (m_frame)
                m_frame->Close(true);
        });
    }

    COrvApp& m_app;
    std::unique_ptr<platform::ui::ToolkitPlatform> m_platform;
    platform::ui::ToolkitLoop* m_loop = nullptr;
    std::unique_ptr<COrvDoc> m_doc;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::unique_ptr<CProfileDialogWindows> m_dialogs;
    std::unique_ptr<CConflictDialogWindows> m_conflictWindows;
    std::unique_ptr<CConflictDialogs> m_conflicts;
    CMainFrameWnd* m_frame = nullptr;
    std::unique_ptr<std::ifstream> m_script;
    bool m_bScriptEnded = false;
    CScriptCommands m_commands;
    int m_exitCode = 0;
};

} // namespace

int RunOrvinta(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    COrvApp app;
    auto* toolkitApp = new COrvintaApp(app);
    wxApp::SetInstance(toolkitApp);
    // Without a display this fails (and frees the application object); start-up decides first
    // whether a window is needed at all.
    const bool toolkit = wxEntryStart(argc, argv);
    if (toolkit)
        toolkitApp->StartPlatform();
    int code = 0;
    if (!app.InitInstance(args)) {
        code = app.m_nExitCode;
    } else if (!toolkit) {
        std::cerr << "orvinta: the window system cannot be started (is there a display?)" << std::endl;
        code = 1;
    } else if (wxTheApp->CallOnInit()) {
        wxTheApp->OnRun();
        code = toolkitApp->ExitCode();
    } else {
        code = 1;
    }
    if (toolkit) {
        wxTheApp->OnExit();
        wxEntryCleanup();
    }
    return code;
}
