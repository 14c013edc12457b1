#include "WindowedHost.h"

#include "ExplorerFrame.h"
#include "InspectorFrame.h"
#include "SheetFrame.h"
#include "RemindersFrame.h"

#include "ui/ToolkitPlatform.h"
#include "ui/WindowBinding.h"
#include "ui/WindowCapture.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

class HostApp : public wxApp {
public:
    HostApp(const host::HostOptions& options, std::ostream& out, std::ostream& err)
        : m_options(options), m_out(out), m_err(err), m_program(options, out, err)
    {
    }

    bool OnInit() override
    {
        m_program.SetWindowObserver([this](CExplorer* explorer, bool opened) {
            if (opened) {
                auto* frame = new ExplorerFrame(m_program, explorer);
                m_frames[explorer] = frame;
                frame->Show();
                m_out << "explorer window shown" << std::endl;
            } else if (auto it = m_frames.find(explorer); it != m_frames.end()) {
                ExplorerFrame* frame = it->second;
                m_frames.erase(it);
                if (!frame->IsBeingDeleted())
                    frame->Destroy();
            }
        });
        m_program.SetInspectorWindowObserver([this](CInspector* inspector, bool opened) {
            if (opened) {
                auto* frame = new InspectorFrame(inspector);
                m_inspectors[inspector] = frame;
                frame->Show();
                m_out << "inspector window shown" << std::endl;
            } else if (auto it = m_inspectors.find(inspector); it != m_inspectors.end()) {
                InspectorFrame* frame = it->second;
                m_inspectors.erase(it);
                if (!frame->IsBeingDeleted())
                    frame->Destroy();
            }
        });
        m_program.SetRemindersWindowHandler([this] {
            if (m_reminders) {
                m_reminders->Reload();
                m_reminders->Raise();
                return;
            }
            m_reminders = new RemindersFrame(m_program.Session(), *m_program.Reminders(), m_out,
                                             [this] { m_reminders = nullptr; });
            m_reminders->Show();
        });
        m_program.SetOptionsWindowHandler([this](host::OptionsDialog& dialog) {
            (new SheetFrame(dialog, m_out, nullptr, dialog.OwnPageText(), "options"))->Show();
        });
        // An add-in's own sheet: a modal dialog over its owner; the script goes on inside it.
        host::SetPropertySheetPresenter([this](host::PropertySheet& sheet) {
            SheetFrame frame(sheet, m_out, platform::ui::WindowBinding::FrameOf(sheet.Owner()), "", "sheet");
            m_modalSheets.push_back({&sheet, wxEventLoopBase::GetActive()});
            ContinueScriptInside();
            frame.RunModal();
            m_modalSheets.pop_back();
            if (m_endPending && m_modalSheets.empty())
                CallAfter([this] { End(); });
        });
        m_program.SetRemindersObserver([this] {
            if (m_reminders)
                m_reminders->Reload();
        });
        m_program.SetQuitHandler([this] { CallAfter([this] { End(); }); });
        // The thread's message loop (MAPI notifications, the reminder timer, the add-ins'
        // timers and posts) runs inside the toolkit's loop, and the prompts, the tray and the
        // displays are the toolkit's.
        m_toolkit = std::make_unique<platform::ui::ToolkitPlatform>();
        m_toolkit->Loop().SetQuitHandler([this](int) { CallAfter([this] { End(); }); });
        m_program.Windows().SetScreenshotHandler([](HWND hwnd, const std::string& name, std::string& error) {
            wxTopLevelWindow* frame = platform::ui::WindowBinding::FrameOf(hwnd);
            if (!frame) {
                error = "the window has no view";
                return std::string();
            }
            return platform::ui::CaptureWindow(frame, name, &error).string();
        });
        m_program.Windows().SetWaitHandler([this](std::chrono::milliseconds duration) {
            if (m_toolkit)
                m_toolkit->Loop().RunFor(duration);
        });
        if (!m_program.Start()) {
            m_exitCode = 1;
            return false;
        }
        if (!m_options.script.empty())
            CallAfter([this] { RunScript(); });
        return true;
    }

    int OnExit() override
    {
        End();
        return m_exitCode;
    }

    int ExitCode() const { return m_exitCode; }

private:
    void RunScript()
    {
        std::ifstream script(m_options.script);
        if (!script) {
            m_err << "mailhost: cannot read the script " << m_options.script << "\n";
            m_exitCode = 1;
            End();
            return;
        }
        for (std::string line; std::getline(script, line);)
            m_script.push_back(line);
        RunScriptLines();
    }

    // Runs the script's lines in order until its end, or until the modal sheet it runs inside
    // has closed (the lines after that run where the sheet was opened).
    void RunScriptLines()
    {
        const std::size_t level = m_modalSheets.size();
        // Only once the sheet's own loop runs (not while it is being shown from the loop around
        // it): a loop ended before it began would never end.
        if (level > 0 && wxEventLoopBase::GetActive() == m_modalSheets.back().second)
            return ContinueScriptInside();
        auto inside = [this, level] {
            return level == 0 || (m_modalSheets.size() >= level && m_modalSheets[level - 1].first->IsOpen());
        };
        while (!m_ended && m_nextLine < m_script.size() && inside()) {
            const bool goOn = m_program.Execute(m_script[m_nextLine++]);
            for (auto& [explorer, frame] : m_frames)
                frame->Rebuild();
            if (!goOn)
                return level == 0 ? End() : ScheduleEnd();
        }
    }

    // A line opens a modal window: the next lines run inside its loop, so that a script can look at
    // it and close it.
    void ContinueScriptInside()
    {
        if (m_nextLine < m_script.size())
            CallAfter([this] { RunScriptLines(); });
    }

    // The script ended inside modal sheets: they are cancelled (closed when a page refuses), and
    // the host ends once they are gone.
    void ScheduleEnd()
    {
        m_nextLine = m_script.size();
        m_endPending = true;
        for (auto it = m_modalSheets.rbegin(); it != m_modalSheets.rend(); ++it)
            if (it->first->IsOpen() && !it->first->Cancel())
                it->first->Close();
    }

    void End()
    {
        if (m_ended)
            return;
        m_ended = true;
        if (m_reminders)
            m_reminders->Destroy();
        m_reminders = nullptr;
        m_program.Stop(); // closes the explorers, and with them their frames
        for (auto& [explorer, frame] : m_frames)
            frame->Destroy();
        m_frames.clear();
        for (auto& [inspector, frame] : m_inspectors)
            frame->Destroy();
        m_inspectors.clear();
        host::SetPropertySheetPresenter(nullptr);
        m_program.Windows().SetScreenshotHandler(nullptr);
        m_program.Windows().SetWaitHandler(nullptr);
        m_toolkit.reset();
        ExitMainLoop();
    }

    const host::HostOptions& m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    host::HostProgram m_program;
    std::map<CExplorer*, ExplorerFrame*> m_frames;
    std::map<CInspector*, InspectorFrame*> m_inspectors;
    std::unique_ptr<platform::ui::ToolkitPlatform> m_toolkit;
    RemindersFrame* m_reminders = nullptr;
    std::vector<std::string> m_script;
    std::size_t m_nextLine = 0;
    // The modal sheets open around the running script, innermost last, with the loop each was
    // opened from.
    std::vector<std::pair<host::PropertySheet*, wxEventLoopBase*>> m_modalSheets;
    int m_exitCode = 0;
    bool m_endPending = false; // the script ended inside a modal sheet
    bool m_ended = false;
};

} // namespace

int RunWindowedHost(const host::HostOptions& options, std::ostream& out, std::ostream& err)
{
    auto* app = new HostApp(options, out, err);
    wxApp::SetInstance(app);
    int argc = 1;
    char name[] = "mailhost";
    char* argv[] = {name, nullptr};
    if (!wxEntryStart(argc, argv)) {
        err << "mailhost: the window system cannot be started (is there a display?)\n";
        return 1;
    }
    int code = 1;
    if (app->CallOnInit()) {
        app->OnRun();
        code = app->ExitCode();
    }
    app->OnExit();
    wxEntryCleanup();
    return code;
}
