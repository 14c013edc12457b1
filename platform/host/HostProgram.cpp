#include "host/HostProgram.h"

#include "base/DamageMark.h"
#include "base/PlatformRoot.h"
#include "base/UiLanguage.h"
#include "base/Utf.h"
#include "com/ComBstr.h"
#include "com/ComRuntime.h"
#include "com/ErrorInfo.h"
#include "host/CommandBars.h"
#include "host/Explorer.h"
#include "host/HostRegistration.h"
#include "host/Inspector.h"
#include "host/MailItem.h"
#include "host/HostReminders.h"
#include "base/MessageLoop.h"
#include "mapi/MapiUtil.h"
#include "mapi/ProfileRegistry.h"
#include "host/OutboxSender.h"
#include "base/WinTime.h"
#include "host/ReminderWarning.h"
#include "host/ScriptArguments.h"
#include "host/RemindersWindow.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

namespace host {

namespace {

std::string HexCode(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
    return text;
}

// The description of the error info a failed call left, or the code.
std::string ErrorText(HRESULT hr)
{
    std::string text = HexCode(hr);
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr;
        if (SUCCEEDED(info->GetDescription(&description)) && description)
            text += " " + ComBstr(description).Utf8();
        SysFreeString(description);
        info->Release();
    }
    return text;
}

// The whole script file; false with `why` for a folder or a file that cannot be read.
bool ReadScript(const std::string& path, std::string& text, std::string& why)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        why = "it is a folder";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = std::strerror(errno);
        return false;
    }
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) {
        why = "it cannot be read to its end";
        return false;
    }
    text = all.str();
    return true;
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream s(line);
    std::string w;
    while (s >> w)
        words.push_back(w);
    return words;
}

// The rest of the line after the first n words.
std::string Rest(const std::string& line, std::size_t n)
{
    std::size_t pos = 0;
    for (std::size_t i = 0; i < n; ++i) {
        pos = line.find_first_not_of(" \t", pos);
        pos = line.find_first_of(" \t", pos);
        if (pos == std::string::npos)
            return "";
    }
    pos = line.find_first_not_of(" \t", pos);
    return pos == std::string::npos ? "" : line.substr(pos);
}

void PrintControls(std::ostream& out, CCommandBarControls* controls, int depth)
{
    for (CommandBarControlNode* node : controls->Nodes()) {
        const ControlState& s = node->State();
        out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << controls->IndexOf(node) << " id=" << s.id
            << " type=" << s.type << " visible=" << (s.visible ? 1 : 0) << " enabled=" << (s.enabled ? 1 : 0)
            << " tag=\"" << platform::Utf16ToUtf8(s.tag) << "\" caption=\"" << platform::Utf16ToUtf8(s.caption)
            << "\"";
        if (s.face)
            out << " face=" << s.face->width << "x" << s.face->height;
        out << "\n";
        if (node->Children())
            PrintControls(out, node->Children(), depth + 1);
    }
}

} // namespace

HostProgram::HostProgram(HostOptions options, std::ostream& out, std::ostream& err)
    : m_options(std::move(options)), m_out(out), m_err(err),
      m_loader([this](const std::string& line) { m_out << line << "\n"; })
{
}

HostProgram::~HostProgram()
{
    Stop();
}

bool HostProgram::Fail(const std::string& text)
{
    m_err << "mailhost: " << text << "\n";
    return false;
}

bool HostProgram::Start()
{
    std::string problem;
    m_version = m_options.version ? *HostVersion::Parse(*m_options.version) : ConfiguredVersion(&problem);
    if (!problem.empty())
        m_err << "mailhost: " << problem << "\n";
    const LONG language = static_cast<LONG>(m_options.language.value_or(ConfiguredLanguage()));
    // The host's windows and the add-ins' resources speak the language asked for.
    if (const auto asked = m_options.language ? std::optional<DWORD>(*m_options.language) : ConfiguredLanguageValue())
        SetThreadUILanguage(static_cast<LANGID>(*asked));

    HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr))
        return Fail("CoInitialize failed: " + HexCode(hr));
    m_comInitialized = true;
    hr = MAPIInitialize(nullptr);
    if (FAILED(hr))
        return Fail("MAPIInitialize failed: " + HexCode(hr));
    m_mapiInitialized = true;
    hr = m_session.Logon(m_options.profile);
    if (FAILED(hr))
        return Fail((m_options.profile.empty() ? std::string("logon with the default profile")
                                               : "logon with the profile \"" + m_options.profile + "\"") +
                    " failed: " + LogonProblem(hr));
    if (!CheckStores())
        return false;
    CHostApplication* app = nullptr;
    hr = CHostApplication::CreateObject(&app, m_session, platform::Utf8ToUtf16(m_version.text), language);
    if (FAILED(hr))
        return Fail("the object model cannot be built: " + HexCode(hr));
    m_application.Attach(app);
    m_application->SetCommandHandler([this](LONG id) { return OnCommand(id); });
    m_started = true;
    m_out << "host " << m_version.text << " profile \"" << m_session.ProfileName() << "\"\n";

    // Client extensions first (task and session contexts), then the COM add-ins; every
    // explorer gets its viewer-context extensions.
    m_extensions = std::make_unique<ClientExtensions>(m_version, [this](const std::string& l) { m_out << l << "\n"; });
    m_extensions->Load(m_session.Session());
    m_extensions->Start(static_cast<_Application*>(m_application.get()));
    m_application->SetExplorerObserver([this](CExplorer* explorer, bool opened) {
        IDispatch* object = static_cast<_Explorer*>(explorer);
        if (opened)
            m_extensions->ExplorerOpened(object);
        else {
            m_extensions->ExplorerClosed(object);
            m_droppedMenu.Forget(explorer);
        }
        if (m_windowObserver)
            m_windowObserver(explorer, opened);
    });
    m_application->SetInspectorObserver([this](CInspector* inspector, bool opened) {
        if (m_inspectorWindowObserver)
            m_inspectorWindowObserver(inspector, opened);
    });
    m_loader.LoadAll(m_application.get());
    // Explorer windows have a ribbon from major version 14 on.
    m_ribbon = std::make_unique<Ribbon>([this](const std::string& l) { m_out << l << "\n"; },
                                        [this](const std::string& name) {
                                            const BuiltInCommand* c = FindBuiltInCommand(name);
                                            if (!c || c->type != msoControlButton)
                                                return false;
                                            m_application->RunCommand(c->id);
                                            return true;
                                        });
    if (m_version.major >= 14)
        m_ribbon->Load(m_loader);

    // The first explorer shows the Inbox of the default store.
    ComPtr<_NameSpace> ns;
    ComPtr<MAPIFolder> inbox;
    m_application->get_Session(ns.put());
    hr = ns->GetDefaultFolder(olFolderInbox, inbox.put());
    if (SUCCEEDED(hr) && inbox) {
        CExplorer* explorer = nullptr;
        if (SUCCEEDED(m_application->OpenExplorer(static_cast<CFolder*>(inbox.get()), &explorer)))
            explorer->Release();
    } else if (hr == MAPI_E_CORRUPT_STORE) {
        // Damage that the store's open did not see (a large store is not checked whole).
        return Fail("the default store is damaged: " + HexCode(hr));
    } else {
        m_err << "mailhost: the default store has no Inbox; no explorer opened\n";
    }
    m_loader.StartupComplete();
    m_application->FireStartup();
    // The host's reminders follow the stores' Reminders folders; the items due already are
    // raised from the loop, after start-up.
    m_reminders = std::make_unique<HostReminders>(m_session);
    m_reminders->Watch([this] { RaiseDueReminders(); });
    m_reminderTimer = platform::MessageLoop::Current().StartTimer(
        0, [this] { RaiseDueReminders(); }, platform::MessageLoop::TimerRepeat::Once);
    return true;
}

std::string HostProgram::LogonProblem(HRESULT hr) const
{
    std::vector<std::string> names;
    std::string defaultName;
    const HRESULT listed = mapi::ProfileRegistry::List(names, defaultName);
    if (listed == HRESULT_FROM_WIN32(ERROR_REGISTRY_CORRUPT) || listed == HRESULT_FROM_WIN32(ERROR_BADDB))
        return "The configuration registry database is corrupt.";
    if (FAILED(listed))
        return "the profiles cannot be read: " + HexCode(listed);
    if (names.empty())
        return "no profile exists; make one with \"mapiadmin profile create NAME\" and give it a store with "
               "\"mapiadmin store create FILE --profile NAME\"";
    std::string stored;
    if (!m_options.profile.empty() && FAILED(mapi::ProfileRegistry::CanonicalName(m_options.profile, stored)))
        return "there is no such profile (\"mapiadmin profile list\" shows them)";
    if (m_options.profile.empty() && defaultName.empty())
        return "no profile is the default; name one with --profile NAME or make one the default with "
               "\"mapiadmin profile default NAME\"";
    return HexCode(hr);
}

bool HostProgram::CheckStores()
{
    std::vector<mapi::ProfileStore> stores;
    if (FAILED(mapi::ProfileRegistry::Stores(m_session.ProfileName(), stores)))
        return true; // the session reports its own errors as they come
    bool haveDefault = false;
    for (const mapi::ProfileStore& s : stores) {
        haveDefault = haveDefault || s.isDefault;
        ComPtr<IMsgStore> store;
        const HRESULT hr = m_session.OpenStore(Binary(s.entryId.begin(), s.entryId.end()), store);
        std::string problem;
        if (platform::DamageMark::IsMarked(s.path))
            problem = "it is damaged (" + platform::DamageMark::Reason(s.path) + ")";
        else if (hr == MAPI_E_NOT_FOUND)
            problem = "the file is missing";
        else if (hr == MAPI_E_CORRUPT_STORE)
            problem = "it is damaged or no message store";
        else if (FAILED(hr))
            problem = "it cannot be opened: " + HexCode(hr);
        if (problem.empty())
            continue;
        const std::string name = "\"" + platform::Utf16ToUtf8(s.displayName) + "\" (" + s.path.string() + ")";
        if (s.isDefault)
            return Fail("the default store " + name + " cannot be used: " + problem);
        m_err << "mailhost: the store " << name << ": " << problem
              << (FAILED(hr) ? "; it cannot be used" : "; it is only read") << "\n";
    }
    if (!haveDefault)
        return Fail("the profile \"" + m_session.ProfileName() + "\" has no default store; give it one with "
                    "\"mapiadmin store create FILE --profile " + m_session.ProfileName() + "\"");
    return true;
}

void HostProgram::Stop()
{
    if (m_started) {
        m_started = false;
        m_optionsDialog.reset();
        if (m_reminderTimer)
            platform::MessageLoop::Current().StopTimer(m_reminderTimer);
        m_reminderTimer = 0;
        m_reminders.reset();
        m_loader.UnloadAll(m_application.get());
        m_ribbon->Clear();
        m_application->Shutdown();
        m_application->SetCommandHandler(nullptr);
        m_application->SetExplorerObserver(nullptr);
        m_application->SetInspectorObserver(nullptr);
        // The extensions' objects go first, then the object model (which may still hold sinks
        // that the extensions advised), and only then their libraries.
        m_extensions->ReleaseObjects();
        m_application = nullptr;
        m_extensions->Unload();
        m_out << "host stopped\n";
    }
    m_session.Logoff();
    if (m_mapiInitialized) {
        MAPIUninitialize();
        m_mapiInitialized = false;
    }
    if (m_comInitialized) {
        CoUninitialize();
        m_comInitialized = false;
    }
}

HRESULT HostProgram::OnCommand(LONG id)
{
    const BuiltInCommand* command = FindBuiltInCommand(id);
    const std::string name = command && *command->name ? command->name : std::to_string(id);
    if (command && *command->name && m_ribbon) {
        ComPtr<_Explorer> explorer;
        m_application->ActiveExplorer(explorer.put());
        if (m_ribbon->Repurpose(name, explorer.get())) {
            m_out << "command " << name << " cancelled by an add-in\n";
            return S_OK;
        }
    }
    m_out << "command " << name << "\n";
    if (id == kCommandExit) {
        m_application->Quit();
    } else if (id == kCommandSendReceive || id == kCommandSendReceiveAll) {
        const OutboxSender::Result r = OutboxSender::SendAll(*m_application);
        for (const std::string& f : r.failures)
            m_out << "not sent: " << f << "\n";
        m_out << "send/receive: " << r.sent << " sent, " << r.cancelled << " held back, " << r.failures.size()
              << " failed\n";
    }
    // The host's reminders window is a dialog of its thread: its dialog hooks see it open.
    const int hooked = id == kCommandReminders ? OfferDialogToHooks("#32770", RemindersWindow::Title(),
                                                                    RemindersWindow::HookChildren(), "", "")
                                               : 0;
    if (hooked) {
        m_out << "reminders window ended by a hook: " << hooked << "\n";
    } else if (id == kCommandReminders && m_remindersWindowHandler) {
        TakeNotifications();
        m_remindersWindowHandler();
    } else if (id == kCommandReminders) {
        // The host's reminders window: the items due now.
        FILETIME ft{};
        GetSystemTimeAsFileTime(&ft);
        TakeNotifications();
        const auto due = m_reminders->Due((ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
        m_out << "reminders window: " << due.size() << " due\n";
        for (const DueReminder& r : due)
            m_out << "  \"" << platform::Utf16ToUtf8(r.subject) << "\"\n";
    }
    if (id == kCommandOptions && !(m_optionsDialog && m_optionsDialog->IsOpen()))
        OpenOptions();
    return S_OK;
}

bool HostProgram::IsRemindedFolder(const Binary& storeId, const Binary& folderId) const
{
    // The folders of a store whose items the host reminds of: Calendar, Tasks, Inbox, Contacts.
    ComPtr<IMsgStore> store;
    if (FAILED(m_session.OpenStore(storeId, store)))
        return false;
    for (LONG type : {olFolderCalendar, olFolderTasks, olFolderInbox, olFolderContacts}) {
        Binary id;
        if (SUCCEEDED(m_session.DefaultFolderId(store.get(), type, id)) && id == folderId)
            return true;
    }
    return false;
}

void HostProgram::OpenOptions()
{
    const std::string text = "Version " + m_version.text + ", profile \"" + m_session.ProfileName() + "\"";
    m_optionsDialog = std::make_unique<OptionsDialog>(*m_extensions, static_cast<_Application*>(m_application.get()), text);
    m_optionsDialog->SetPagesAdd([this](IDispatch* pages) { m_application->FireOptionsPagesAdd(pages); });
    m_optionsDialog->Open();
    for (const OptionsDialog::Page& page : m_optionsDialog->Pages())
        m_out << "page \"" << page.title << "\"\n";
    // The dialog's hooks see it open and may end it at once.
    if (const int answer = m_optionsDialog->OfferToHooks()) {
        m_out << "options ended by a hook: " << answer << "\n";
        return;
    }
    if (m_optionsWindowHandler)
        m_optionsWindowHandler(*m_optionsDialog);
}

CExplorer* HostProgram::ActiveExplorerObject() const
{
    ComPtr<_Explorer> e;
    m_application->ActiveExplorer(e.put());
    return static_cast<CExplorer*>(e.get());
}

bool HostProgram::Execute(const std::string& line)
{
    const std::vector<std::string> w = Words(line);
    if (w.empty() || w[0][0] == '#')
        return true;
    const std::string& cmd = w[0];
    auto error = [&](const std::string& text) {
        m_out << "error: " << PrintableText(text) << "\n";
        return !m_application->QuitRequested();
    };
    // Numbers of commands are decimal and must fit; `problem` then names what is wrong.
    std::string problem;
    auto number = [&](const std::string& text, LONG min, LONG max, LONG& value) {
        return ParseDecimalArgument(text, min, max, value, problem);
    };
    constexpr LONG kMin = std::numeric_limits<LONG>::min();
    constexpr LONG kMax = std::numeric_limits<LONG>::max();
    // Commands that take nothing more.
    for (const char* bare : {"quit", "close", "controls", "ribbon", "newmail", "tick", "addins"})
        if (cmd == bare && w.size() > 1)
            return error(cmd + " takes no arguments");

    if (cmd == "quit")
        return false;
    if (cmd == "explorer") {
        LONG n = olFolderInbox;
        if (w.size() > 2)
            return error("explorer takes at most a default-folder number");
        if (w.size() > 1 && !number(w[1], kMin, kMax, n))
            return error("explorer: " + problem);
        ComPtr<_NameSpace> ns;
        ComPtr<MAPIFolder> folder;
        m_application->get_Session(ns.put());
        HRESULT hr = ns->GetDefaultFolder(n, folder.put());
        if (FAILED(hr))
            return error(ErrorText(hr));
        CExplorer* explorer = nullptr;
        hr = m_application->OpenExplorer(static_cast<CFolder*>(folder.get()), &explorer);
        if (FAILED(hr))
            return error(ErrorText(hr));
        explorer->Release();
        m_out << "explorer " << m_application->ExplorerList()->List().size() << " opened on \""
              << platform::Utf16ToUtf8(static_cast<CFolder*>(folder.get())->Name()) << "\"\n";
    } else if (cmd == "folder") {
        CExplorer* explorer = ActiveExplorerObject();
        if (!explorer)
            return error("no explorer is open");
        ComPtr<MAPIFolder> folder;
        ComPtr<_NameSpace> ns;
        m_application->get_Session(ns.put());
        HRESULT hr = E_INVALIDARG;
        LONG n = 0;
        if (w.size() >= 3 && w[1] == "id") {
            VARIANT store;
            VariantInit(&store);
            if (w.size() >= 4) {
                store.vt = VT_BSTR;
                store.bstrVal = ComBstr(w[3]).Detach();
            }
            hr = ns->GetFolderFromID(ComBstr(w[2]), store, folder.put());
            VariantClear(&store);
        } else if (w.size() == 2) {
            if (!number(w[1], kMin, kMax, n))
                return error("folder: " + problem);
            hr = ns->GetDefaultFolder(n, folder.put());
        } else {
            return error("folder needs a default-folder number or \"id ENTRYID [STOREID]\"");
        }
        if (SUCCEEDED(hr))
            hr = explorer->put_CurrentFolder(folder.get());
        if (FAILED(hr))
            return error(ErrorText(hr));
        m_out << "folder \"" << platform::Utf16ToUtf8(explorer->Folder()->Name()) << "\"\n";
    } else if (cmd == "activate") {
        LONG n = 0;
        const auto& list = m_application->ExplorerList()->List();
        if (w.size() != 2)
            return error("activate needs the number of an open explorer");
        if (list.empty())
            return error("no explorer is open");
        if (!number(w[1], 1, static_cast<LONG>(list.size()), n))
            return error("activate: " + problem);
        list[static_cast<std::size_t>(n - 1)]->Activate();
        m_out << "explorer " << n << " active\n";
    } else if (cmd == "close") {
        CExplorer* explorer = ActiveExplorerObject();
        if (!explorer)
            return error("no explorer is open");
        explorer->Close();
        m_out << "explorer closed\n";
    } else if (cmd == "click") {
        CExplorer* explorer = ActiveExplorerObject();
        if (!explorer)
            return error("no explorer is open");
        std::optional<LONG> id;
        std::optional<std::u16string> tag;
        LONG n = 0;
        if (w.size() == 3 && w[1] == "id") {
            if (!number(w[2], kMin, kMax, n))
                return error("click: " + problem);
            id = n;
        } else if (w.size() >= 3 && w[1] == "tag")
            tag = platform::Utf8ToUtf16(Rest(line, 2));
        else
            return error("click needs \"id N\" or \"tag TEXT\"");
        CommandBarControlNode* found = nullptr;
        for (const ComPtr<CCommandBar>& bar : explorer->Bars()->Bars())
            if ((found = bar->Controls()->Find(std::nullopt, id, tag, std::nullopt, true)))
                break;
        if (!found)
            return error("no such control");
        if (!found->State().visible || !found->State().enabled)
            return error("the control is not visible and enabled");
        m_droppedMenu.Close(); // a click closes an open menu
        m_out << "click \"" << platform::Utf16ToUtf8(found->State().caption) << "\"\n";
        ComPtr<CommandBarControl> control = found->Interface();
        const HRESULT hr = control->Execute();
        if (FAILED(hr))
            return error(ErrorText(hr));
    } else if (cmd == "menu") {
        CExplorer* explorer = ActiveExplorerObject();
        if (!explorer)
            return error("no explorer is open");
        if (w.size() == 1) {
            m_droppedMenu.Close();
            m_out << "menu closed\n";
        } else if (!m_droppedMenu.Drop(explorer, platform::Utf8ToUtf16(Rest(line, 1)), m_out, problem)) {
            return error(problem);
        }
    } else if (cmd == "controls") {
        CExplorer* explorer = ActiveExplorerObject();
        if (!explorer)
            return error("no explorer is open");
        for (const ComPtr<CCommandBar>& bar : explorer->Bars()->Bars()) {
            m_out << "bar \"" << platform::Utf16ToUtf8(bar->Name()) << "\"\n";
            PrintControls(m_out, bar->Controls(), 1);
        }
    } else if (cmd == "display") {
        if (w.size() < 2 || w.size() > 3)
            return error("display needs ENTRYID [STOREID]");
        Binary entryId, storeId;
        if (!ParseHex(w[1], entryId) || (w.size() == 3 && !ParseHex(w[2], storeId)))
            return error("the entry ID is not hexadecimal text");
        CMailItem* item = nullptr;
        HRESULT hr = m_application->OpenItem(entryId, storeId, &item);
        if (SUCCEEDED(hr)) {
            VARIANT modal;
            VariantInit(&modal);
            hr = item->Display(modal);
            item->Release();
        }
        if (FAILED(hr))
            return error("the item cannot be displayed: " + HexCode(hr));
        m_out << "inspector opened\n";
    } else if (cmd == "newmail") {
        const bool handled = m_extensions->Deliver();
        m_application->FireNewMail();
        m_out << (handled ? "new mail (handled by an extension)\n" : "new mail\n");
    } else if (cmd == "options") {
        if (w.size() == 1) {
            if (!m_optionsDialog || !m_optionsDialog->IsOpen()) {
                OpenOptions();
            } else {
                // The open dialog's state: its pages, the active one, and its Apply button.
                const auto& pages = m_optionsDialog->Pages();
                for (std::size_t i = 0; i < pages.size(); ++i)
                    m_out << "page \"" << pages[i].title << "\"" << (i == m_optionsDialog->Active() ? " (active)" : "")
                          << "\n";
                m_out << (m_optionsDialog->ApplyEnabled() ? "apply enabled\n" : "apply disabled\n");
            }
        } else if (w.size() >= 2 && (!m_optionsDialog || !m_optionsDialog->IsOpen())) {
            return error("the options dialog is not open");
        } else if (w.size() == 2 && (w[1] == "ok" || w[1] == "cancel")) {
            const bool closed = w[1] == "ok" ? m_optionsDialog->Ok() : m_optionsDialog->Cancel();
            m_out << (closed ? "options closed\n" : "options stay open\n");
        } else if (w.size() == 2 && w[1] == "apply") {
            m_out << (m_optionsDialog->Apply() ? "options applied\n" : "options not applied\n");
        } else if (w.size() == 3 && w[1] == "select") {
            LONG index = 0;
            if (!number(w[2], 0, static_cast<LONG>(m_optionsDialog->Pages().size()) - 1, index))
                return error("no options page " + w[2] + ": " + problem);
            m_out << (m_optionsDialog->Select(index) ? "page " : "page kept instead of ") << w[2] << "\n";
        } else {
            return error("options takes nothing, \"ok\", \"cancel\", \"apply\" or \"select N\"");
        }
    } else if (cmd == "ribbon") {
        if (!ActiveExplorerObject())
            return error("no explorer is open");
        for (const Ribbon::ShownTab& tab : m_ribbon->Tabs()) {
            m_out << "tab \"" << tab.label << "\"\n";
            for (const Ribbon::ShownGroup& group : tab.groups) {
                m_out << "  group \"" << group.label << "\"\n";
                for (const Ribbon::ShownButton& b : group.buttons) {
                    std::string label = b.button.label;
                    if (label.empty())
                        if (const BuiltInCommand* c = FindBuiltInCommand(b.button.idMso))
                            label = platform::Utf16ToUtf8(c->caption);
                    m_out << "    button " << b.button.Key() << " \"" << label << "\"\n";
                }
            }
        }
    } else if (cmd == "press") {
        if (w.size() != 2)
            return error("press needs the id of a ribbon button");
        ComPtr<_Explorer> explorer;
        m_application->ActiveExplorer(explorer.put());
        const HRESULT hr = m_ribbon->Press(w[1], explorer.get());
        if (hr == E_INVALIDARG)
            return error("no ribbon button " + w[1]);
        if (FAILED(hr))
            return error(ErrorText(hr));
        m_out << "pressed " << w[1] << "\n";
    } else if (cmd == "command") {
        const BuiltInCommand* c = w.size() == 2 ? FindBuiltInCommand(w[1]) : nullptr;
        if (!c || c->type != msoControlButton)
            return error("command needs the name of a command of the host");
        m_application->RunCommand(c->id);
    } else if (cmd == "warn") {
        // warn [ENTRYID [STOREID]] [yes|no]: the reminder of the item (shown in an inspector
        // first) or of the active inspector's item is set; the last word is the user's answer.
        std::vector<std::string> args(w.begin() + 1, w.end());
        int userAnswer = kIdYes;
        if (!args.empty() && (args.back() == "yes" || args.back() == "no")) {
            userAnswer = args.back() == "yes" ? kIdYes : kIdNo;
            args.pop_back();
        }
        if (args.size() > 2)
            return error("warn takes [ENTRYID [STOREID]] [yes|no]");
        if (!args.empty()) {
            Binary entryId, storeId;
            if (!ParseHex(args[0], entryId) || (args.size() == 2 && !ParseHex(args[1], storeId)))
                return error("the entry ID is not hexadecimal text");
            CMailItem* item = nullptr;
            HRESULT hr = m_application->OpenItem(entryId, storeId, &item);
            if (SUCCEEDED(hr)) {
                hr = m_application->DisplayItem(item);
                item->Release();
            }
            if (FAILED(hr))
                return error("the item cannot be displayed: " + HexCode(hr));
        }
        ComPtr<_Inspector> inspector;
        m_application->ActiveInspector(inspector.put());
        if (!inspector)
            return error("no item is open");
        CMailItem* item = static_cast<CInspector*>(inspector.get())->Item();
        const Binary folderId = item->ParentId();
        if (IsRemindedFolder(item->StoreId(), folderId)) {
            m_out << "reminder set\n";
        } else {
            const ReminderWarning warning(m_version.major, m_application->LanguageId(),
                                          platform::Utf16ToUtf8(GetTextProp(item->Message(), PR_SUBJECT_W)));
            if (const int answer = warning.OfferToHooks(HexText(item->StoreId()), HexText(folderId))) {
                m_out << "warning answered by a hook: " << answer << "\n";
            } else {
                m_out << "warning \"" << warning.Title() << "\": " << warning.Message() << "\n";
                m_out << "answer " << userAnswer << "\n";
            }
        }
    } else if (cmd == "tick") {
        // The reminder timer fires now: every due item not raised yet gets the Reminder event
        // and a line.
        TakeNotifications();
        RaiseDueReminders();
    } else if (cmd == "addins") {
        for (const auto& a : m_loader.AddIns())
            m_out << "add-in " << a.progId << "\n";
    } else if (WindowCommands::Handles(cmd)) {
        m_windowCommands.Execute(line, m_out);
    } else {
        return error("unknown command: " + cmd);
    }
    return !m_application->QuitRequested();
}

void HostProgram::TakeNotifications()
{
    HrDispatchNotifications(0);
    auto& loop = platform::MessageLoop::Current();
    while (loop.RunPending() > 0 && !loop.QuitPending()) {
    }
}

void HostProgram::RaiseDueReminders()
{
    if (!m_reminders || !m_application)
        return;
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    const ULONGLONG now = (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    for (const DueReminder& r : m_reminders->Due(now)) {
        // A snoozed item comes again with its new time.
        if (!m_raised.insert(HexText(r.entryId) + ":" + std::to_string(r.due)).second)
            continue;
        CMailItem* item = nullptr;
        if (SUCCEEDED(m_application->OpenItem(r.entryId, r.storeId, &item))) {
            m_application->FireReminder(static_cast<_MailItem*>(item));
            item->Release();
        }
        m_out << "reminder \"" << platform::Utf16ToUtf8(r.subject) << "\"" << std::endl;
    }
    ScheduleReminderTimer(now);
    if (m_remindersObserver)
        m_remindersObserver();
}

void HostProgram::ScheduleReminderTimer(ULONGLONG now)
{
    auto& loop = platform::MessageLoop::Current();
    if (m_reminderTimer)
        loop.StopTimer(m_reminderTimer);
    m_reminderTimer = 0;
    const std::optional<ULONGLONG> next = m_reminders->NextDue(now);
    if (!next)
        return;
    // FILETIME counts 100 ns; the timer takes milliseconds (and at most about 24 days).
    const ULONGLONG ms = std::min<ULONGLONG>((*next - now + 9999) / 10000, 0x7fffffff);
    m_reminderTimer =
        loop.StartTimer(static_cast<DWORD>(ms), [this] { RaiseDueReminders(); }, platform::MessageLoop::TimerRepeat::Once);
}

void HostProgram::AfterUserCommand()
{
    if (m_started && m_quitHandler &&
        (m_application->QuitRequested() || m_application->ExplorerList()->List().empty()))
        m_quitHandler();
}

void HostProgram::RunCommands(std::istream& in)
{
    std::string line;
    while (std::getline(in, line))
        if (!Execute(line))
            break;
}

int HostProgram::Main(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                      const WindowedRunner& windowed)
{
    HostOptions options;
    std::string error;
    if (!HostOptions::Parse(args, options, error)) {
        err << "mailhost: " << error << "\n" << HostOptions::Usage();
        return 2;
    }
    if (options.registerHost) {
        std::error_code ec;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec) {
            err << "mailhost: cannot find the program's own path: " << ec.message() << "\n";
            return 1;
        }
        // Without --folder the host's folder lies under the platform root, with all other
        // machine state, not beside the program (which may be read-only).
        std::filesystem::path folder = options.folder;
        if (folder.empty()) {
            try {
                folder = platform::RootSubdirectory("MailHost");
            } catch (const std::exception& e) {
                err << "mailhost: the platform root cannot be used: " << e.what() << "\n";
                return 1;
            }
        }
        if (!RegisterHost(program, folder, error)) {
            err << "mailhost: " << error << "\n";
            return 1;
        }
        out << "registered " << program.string() << ", add-ins folder " << AddinsFolder().string() << "\n";
        return 0;
    }
    // A script that cannot be read runs nothing: the host does not start.
    std::istringstream script;
    if (!options.script.empty()) {
        std::string text, why;
        if (!ReadScript(options.script, text, why)) {
            err << "mailhost: cannot read the script " << options.script << ": " << why << "\n";
            return 1;
        }
        script.str(text);
    }
    if (!options.headless) {
        if (!windowed) {
            err << "mailhost: this program has no windows; use --headless\n";
            return 1;
        }
        return windowed(options, out, err);
    }
    HostProgram program(options, out, err);
    if (!program.Start())
        return 1;
    program.RunCommands(options.script.empty() ? in : script);
    program.Stop();
    return 0;
}

} // namespace host
