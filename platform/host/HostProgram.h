// HostProgram: the host from start to end: logon, Application object, add-ins, the first
// explorer, the command loop (headless: commands from a script or standard input), and the
// orderly shutdown. Tests and the mailhost program both run it.
#pragma once

#include "com/ComPtr.h"
#include "host/ClientExtensions.h"
#include "host/OptionsDialog.h"
#include "host/Ribbon.h"
#include "host/ComAddInLoader.h"
#include "host/HostApplication.h"
#include "host/HostOptions.h"
#include "host/HostReminders.h"
#include "host/HostSession.h"
#include "host/HostVersion.h"
#include "host/WindowCommands.h"
#include "host/DroppedMenu.h"

#include <istream>
#include <memory>
#include <set>
#include <ostream>

namespace host {

class HostProgram {
public:
    HostProgram(HostOptions options, std::ostream& out, std::ostream& err);
    HostProgram(const HostProgram&) = delete;
    HostProgram& operator=(const HostProgram&) = delete;
    ~HostProgram();

    // Logs on, builds the object model, loads the add-ins, opens the first explorer and fires
    // Startup. False (with a message on err) when the host cannot start.
    bool Start();
    // One command line of the headless interpreter; false after "quit" (or Application.Quit).
    bool Execute(const std::string& line);
    // Reads commands until quit or end of input.
    void RunCommands(std::istream& in);
    // Unloads the add-ins and closes the windows and the session.
    void Stop();

    CHostApplication* Application() const { return m_application.get(); }
    const HostVersion& Version() const { return m_version; }
    ComAddInLoader& Loader() { return m_loader; }
    ClientExtensions* Extensions() const { return m_extensions.get(); }
    OptionsDialog* Options() const { return m_optionsDialog.get(); }
    Ribbon* ExplorerRibbon() const { return m_ribbon.get(); }
    HostReminders* Reminders() const { return m_reminders.get(); }

    // Runs the whole program for main(): exit code. `windowed` runs the host with windows (the
    // program links the window toolkit; the library itself has none).
    using WindowedRunner = std::function<int(const HostOptions&, std::ostream& out, std::ostream& err)>;
    static int Main(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                    const WindowedRunner& windowed = nullptr);

    // For a window view: told of every explorer that opens or closes (set before Start), and
    // of the end of the host (when Application.Quit was called or the last explorer closed).
    void SetWindowObserver(std::function<void(CExplorer*, bool opened)> observer) { m_windowObserver = std::move(observer); }
    void SetInspectorWindowObserver(std::function<void(CInspector*, bool opened)> observer)
    {
        m_inspectorWindowObserver = std::move(observer);
    }
    void SetQuitHandler(std::function<void()> handler) { m_quitHandler = std::move(handler); }
    // For a window view: shows the reminders window (the reminders command then lists nothing
    // on the output), and is told after the due reminders may have changed.
    void SetRemindersWindowHandler(std::function<void()> handler) { m_remindersWindowHandler = std::move(handler); }
    // For a window view: shows the Options dialog once its logic is open.
    void SetOptionsWindowHandler(std::function<void(OptionsDialog&)> handler)
    {
        m_optionsWindowHandler = std::move(handler);
    }
    void SetRemindersObserver(std::function<void()> observer) { m_remindersObserver = std::move(observer); }
    const HostSession& Session() const { return m_session; }
    // The window and prompt commands (windows, click-item, settext, answer, screenshot, wait);
    // a window view installs its screenshot and wait handlers there.
    WindowCommands& Windows() { return m_windowCommands; }
    // The menu a script dropped down (`menu CAPTION`); a window view shows it open.
    const DroppedMenu& Dropped() const { return m_droppedMenu; }
    // After a command that came from a window: ends the host when it should end.
    void AfterUserCommand();

private:
    HRESULT OnCommand(LONG id);
    void OpenOptions();
    bool IsRemindedFolder(const Binary& storeId, const Binary& folderId) const;
    // Runs the MAPI notifications waiting for this thread, so that the reminders are current.
    void TakeNotifications();
    // Raises every due reminder not raised yet (Reminder event and a line), then sets the
    // reminder timer to the next reminder time.
    void RaiseDueReminders();
    void ScheduleReminderTimer(ULONGLONG now);
    CExplorer* ActiveExplorerObject() const;
    bool Fail(const std::string& text);
    // Why the logon failed, in words the user can act on.
    std::string LogonProblem(HRESULT hr) const;
    // The profile's stores: false (with a message) when the default one cannot be used; the
    // others that cannot be used or are damaged are reported.
    bool CheckStores();

    HostOptions m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    HostVersion m_version;
    HostSession m_session;
    ComPtr<CHostApplication> m_application;
    ComAddInLoader m_loader;
    std::unique_ptr<ClientExtensions> m_extensions;
    std::unique_ptr<OptionsDialog> m_optionsDialog;
    std::unique_ptr<Ribbon> m_ribbon;
    std::function<void(CExplorer*, bool)> m_windowObserver;
    std::function<void()> m_quitHandler;
    std::function<void(CInspector*, bool)> m_inspectorWindowObserver;
    std::function<void()> m_remindersWindowHandler;
    std::function<void()> m_remindersObserver;
    std::function<void(OptionsDialog&)> m_optionsWindowHandler;
    std::unique_ptr<HostReminders> m_reminders;
    WindowCommands m_windowCommands;
    DroppedMenu m_droppedMenu;
    UINT_PTR m_reminderTimer = 0;   // on this thread's message loop
    std::set<std::string> m_raised; // entry ID (hex) and reminder time of each reminder raised
    bool m_mapiInitialized = false;
    bool m_comInitialized = false;
    bool m_started = false;
};

} // namespace host
