#include "OrvintaApp.h"

#include "MainFrame.h"
#include "OrvFormView.h"
#include "ProfileDialogWindows.h"
#include "DialogResource.h"
#include "OrvApp.h"
#include "OrvDoc.h"
#include "ScriptCommands.h"

#include "base/Broadcast.h"
#include "base/Locale.h"
#include "ui/ToolkitLoop.h"
#include "ui/ToolkitPlatform.h"
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
        m_frame = new CMainFrame(m_app, *m_doc);
        m_frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
            event.Skip();
            if (event.GetEventObject() == m_frame)
                m_frame = nullptr;
        });
        SetTopWindow(m_frame);
        // The view inside the frame: profiles, associations and runs.
        auto* view = new COrvFormView(m_frame, m_frame->PlatformWindow(), m_app, *m_doc);
        // The profile commands open their dialogs; About comes from the menu "&?".
        m_dialogs = std::make_unique<CProfileDialogWindows>(m_frame, m_app, view->View().m_wndProfiles);
        view->View().SetProfileDialogs(m_dialogs.get());
        m_frame->Bind(wxEVT_MENU, [this](wxCommandEvent&) { m_dialogs->About(); }, ID_APP_ABOUT);
        view->OnInitialUpdate();
        // A later start of the program reaches the frame from its own process.
        platform::ListenForBroadcasts();
        m_frame->ShowAs(m_app.m_nCmdShow);
        AddCommands();
        view->AddCommands(m_commands, *m_loop);
        m_dialogs->AddCommands(m_commands, view->View(), *m_loop, [this] { return m_frame != nullptr; });
        if (const char* script = std::getenv("ORVINTA_SCRIPT"); script && *script)
            CallAfter([this, path = std::string(script)] { RunScript(path); });
        return true;
    }

    int OnExit() override
    {
        m_dialogs.reset();
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
        m_commands.Add("screenshot", [this](const std::vector<std::string>& args, std::ostream& out) {
            if (args.size() != 1 || !m_frame) {
                out << "error: screenshot NAME" << std::endl;
                return true;
            }
            m_loop->RunFor(std::chrono::milliseconds(100)); // let pending paints happen
            std::string error;
            const auto file = platform::ui::CaptureWindow(m_frame, args[0], &error);
            if (file.empty())
                out << "error: " << error << std::endl;
            else
                out << "screenshot " << file.string() << std::endl;
            return true;
        });
        // Runs the loop until a second start's message arrives (or the seconds pass).
        m_commands.Add("wait-activate", [this](const std::vector<std::string>& args, std::ostream& out) {
            const int seconds = args.empty() ? 10 : std::atoi(args[0].c_str());
            const int before = m_frame ? m_frame->ActivateRequests() : 0;
            const bool came = m_loop->RunUntil([&] { return !m_frame || m_frame->ActivateRequests() != before; },
                                               std::chrono::seconds(seconds));
            if (came && m_frame)
                out << "activate " << m_frame->LastActivateParam() << std::endl;
            else
                out << "activate none" << std::endl;
            return m_frame != nullptr;
        });
        m_commands.Add("quit", [](const std::vector<std::string>&, std::ostream&) { return false; });
    }

    void PrintState(std::ostream& out)
    {
        const time_t now = COrvApp::Now();
        out << "state window=" << (!m_frame ? "none" : m_frame->IsMinimizedNow() ? "minimized" : "normal")
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
        out << " running=" << (m_doc && m_doc->m_bRunning ? 1 : 0) << " lcid=" << GetThreadLocale() << std::endl;
    }

    void RunScript(const std::string& path)
    {
        std::ifstream script(path);
        if (!script) {
            std::cerr << "orvinta: cannot read the test commands in " << path << std::endl;
            m_exitCode = 1;
            if (m_frame)
                m_frame->Close(true);
            return;
        }
        std::string line;
        while (std::getline(script, line)) {
            if (!m_commands.Execute(line, std::cout)) {
                if (m_frame)
                    m_frame->Close(true);
                return;
            }
        }
    }

    COrvApp& m_app;
    std::unique_ptr<platform::ui::ToolkitPlatform> m_platform;
    platform::ui::ToolkitLoop* m_loop = nullptr;
    std::unique_ptr<COrvDoc> m_doc;
    std::unique_ptr<CProfileDialogWindows> m_dialogs;
    CMainFrame* m_frame = nullptr;
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
