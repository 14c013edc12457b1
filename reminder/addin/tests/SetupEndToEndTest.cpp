// The library's setup entries run by the rundll program, and the host program that then loads the
// library as its client extension: installed, the extension serves its contexts, its menu button
// shows and the German warning about an item in a reminder folder is answered before the user
// sees it; uninstalled, nothing of it is left and the host loads it no more.
#include "TempRoot.h"
#include "ReminderFolderKey.h"
#include "RunChild.h"
#include "VirtualDisplay.h"
#include "base/PlatformRoot.h"
#include "host/HostSession.h"
#include "mapi/Mapi.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"
#include "registry/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr char kExtensionsKey[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";
constexpr char kMarkerData[] = "4.0;Outxxx.dll;7;000000000000000;0000000000;OutXXX";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

std::optional<std::string> ExtensionValue(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char text[512] = "";
    DWORD size = sizeof text, type = 0;
    const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::optional<std::string>(text) : std::nullopt;
}

class SetupEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(mapi::ProfileRegistry::Create("Work"), S_OK);
        ASSERT_EQ(mapi::ProfileRegistry::SetDefault("Work"), S_OK);
        const auto dir = platform::StoresDirectory();
        ASSERT_EQ(mapi::CreateStoreFile(dir / "personal.store", mapi::StoreKind::Personal, u"Personal Folders"), S_OK);
        ASSERT_EQ(mapi::CreateStoreFile(dir / "mailbox.store", mapi::StoreKind::PrivateMailbox, u"Mailbox - Ann"), S_OK);
        for (const char* name : {"personal.store", "mailbox.store"})
            ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", dir / name), S_OK);
        const ChildResult registered = RunChild(MAILHOST_PROGRAM, {"--register"});
        ASSERT_EQ(registered.exitCode, 0) << registered.err;
        ecf = platform::RootDirectory() / "MailHost" / "Complts" / "Lumivane Add-In.ecf";
    }

    ChildResult RunDll(const std::string& library, const char* entry)
    {
        return RunChild(RUNDLL_PROGRAM, {library + "," + entry});
    }

    // The headless host at the version with the script; its output lines.
    std::vector<std::string> Host(const std::string& version, const std::string& script, const char* language = "1031")
    {
        const auto file = root.path() / "script.txt";
        std::ofstream(file) << script << "quit\n";
        const ChildResult run =
            RunChild(MAILHOST_PROGRAM, {"--headless", "--version", version, "--language", language, "--script", file.string()});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return Lines(run.out);
    }

    // A folder of the mailbox marked a reminder folder in the add-in's registry tree, and an item
    // in it and one in another folder of the mailbox: "ENTRYID STOREID" of each.
    void MakeItems()
    {
        ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
        {
            host::HostSession session;
            ASSERT_EQ(session.Logon("Work"), S_OK);
            ComPtr<IMsgStore> mailbox;
            ASSERT_EQ(mapi::OpenStoreFile(platform::StoresDirectory() / "mailbox.store", MDB_WRITE, mailbox.put()), S_OK);
            const host::Binary top = host::GetBinaryProp(mailbox.get(), PR_IPM_SUBTREE_ENTRYID);
            ULONG type = 0;
            ComPtr<IMAPIFolder> parent;
            ASSERT_EQ(mailbox->OpenEntry(static_cast<ULONG>(top.size()), reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(top.data())),
                                         nullptr, MAPI_MODIFY, &type, reinterpret_cast<LPUNKNOWN*>(parent.put())),
                      S_OK);
            auto item = [&](IMAPIFolder* folder, const char* subject) {
                ComPtr<IMessage> message;
                EXPECT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
                SPropValue p[1];
                p[0].ulPropTag = PR_SUBJECT_A;
                p[0].Value.lpszA = const_cast<char*>(subject);
                EXPECT_EQ(message->SetProps(1, p, nullptr), S_OK);
                EXPECT_EQ(message->SaveChanges(0), S_OK);
                return host::HexText(host::GetBinaryProp(message.get(), PR_ENTRYID)) + " " +
                       host::HexText(host::GetBinaryProp(message.get(), PR_STORE_ENTRYID));
            };
            ComPtr<IMAPIFolder> team, notes;
            ASSERT_EQ(parent->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Team"), nullptr, nullptr, 0, team.put()), S_OK);
            ASSERT_EQ(parent->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Notizen"), nullptr, nullptr, 0, notes.put()),
                      S_OK);
            inReminderFolder = item(team.get(), "Besprechung");
            elsewhere = item(notes.get(), "Notiz");

            MarkReminderFolder("Work", mailbox.get(), team.get());
            session.Logoff();
        }
        MAPIUninitialize();
    }

    TempRoot root;
    fs::path ecf;
    std::string inReminderFolder, elsewhere;
};

} // namespace

TEST_F(SetupEndToEnd, InstalledByRundllTheHostLoadsTheExtensionAndUninstalledNoMore)
{
    MakeItems();
    // An older registration of the extension is taken away.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::string old = "4.0;/nowhere/old.so;5";
    RegSetValueExA(key, "Lumivane Add-In", 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()),
                   static_cast<DWORD>(old.size() + 1));
    RegCloseKey(key);

    const ChildResult installed = RunDll(LUMIVANE_LIBRARY, "RunDLLRegisterExtension");
    ASSERT_EQ(installed.exitCode, 0) << installed.err;
    ASSERT_TRUE(fs::exists(ecf));
    EXPECT_EQ(ExtensionValue("Lumivane Add-In"), std::nullopt);
    EXPECT_EQ(ExtensionValue("Outlook Setup Extension"), kMarkerData);

    const auto lines = Host("12.0.6423.1000", "warn " + inReminderFolder + " no\nwarn " + elsewhere +
                                                  " no\ncontrols\noptions\n"
                                                  "activate 1\nclick tag Show Lumivane Window\nwindows\n");
    EXPECT_TRUE(Contains(lines, "extension Lumivane Add-In loaded")) << ::testing::PrintToString(lines);
    EXPECT_FALSE(Contains(lines, "extension Lumivane Add-In declined context 14"));
    EXPECT_FALSE(Contains(lines, "extension Lumivane Add-In declined context 1:"));
    EXPECT_FALSE(Contains(lines, "extension Lumivane Add-In declined context 2"));
    EXPECT_TRUE(Contains(lines, "warning answered by a hook: 6"));
    EXPECT_TRUE(Contains(lines, "warning \"Microsoft Office Outlook\": Die Erinnerung für \"Notiz\""));
    EXPECT_TRUE(Contains(lines, "tag=\"Show Lumivane Window\" caption=\"Lumivane Add-In\" face=16x16"));
    // The items' inspectors took the explorer's button away; activated again, it shows the button,
    // which opens the add-in's reminders window.
    EXPECT_TRUE(Contains(lines, "window \"Lumivane Add-In\" class \"#32770\"")) << ::testing::PrintToString(lines);
    // The host read the marker and took it away.
    EXPECT_EQ(ExtensionValue("Outlook Setup Extension"), std::nullopt);

    const ChildResult removed = RunDll(LUMIVANE_LIBRARY, "RunDLLUnregisterExtension");
    ASSERT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_FALSE(fs::exists(ecf));
    EXPECT_EQ(ExtensionValue("Outlook Setup Extension"), kMarkerData);
    const auto after = Host("12.0.6423.1000", "warn " + inReminderFolder + " no\ncontrols\n");
    EXPECT_FALSE(Contains(after, "Lumivane")) << ::testing::PrintToString(after);
    EXPECT_FALSE(Contains(after, "answered by a hook"));
    // Nothing of the extension is left in the host's folder or the extensions key.
    EXPECT_TRUE(fs::is_empty(ecf.parent_path()));
    EXPECT_EQ(ExtensionValue("Lumivane Add-In"), std::nullopt);
}

TEST_F(SetupEndToEnd, AtVersion14TheRegisteredComAddinTakesTheWarningAwayAndUnregisteredNoMore)
{
    MakeItems();
    const ChildResult registered = RunChild(REGSVR_PROGRAM, {LUMIVANE_LIBRARY});
    ASSERT_EQ(registered.exitCode, 0) << registered.err;
    const std::string script = "warn " + inReminderFolder + " no\nwarn " + elsewhere + " no\ncontrols\n";
    auto suppressed = [&](const std::vector<std::string>& lines) {
        EXPECT_TRUE(Contains(lines, "add-in Lumivane.COMAddin connected")) << ::testing::PrintToString(lines);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "warning answered by a hook: 6"), 1)
            << ::testing::PrintToString(lines);
        EXPECT_TRUE(Contains(lines, "warning \"Microsoft Outlook\": Die Erinnerung für \"Notiz\""));
        // The ribbon shows the add-in's commands: no button in the menus.
        EXPECT_FALSE(Contains(lines, "Show Lumivane Window"));
    };
    // The COM add-in alone: its connection enables the engine, which installs the hook.
    const auto alone = Host("14.0.7015.1000", script);
    EXPECT_FALSE(Contains(alone, "extension Lumivane Add-In loaded"));
    suppressed(alone);

    // With the client extension installed too, the host loads both; one hook answers.
    ASSERT_EQ(RunDll(LUMIVANE_LIBRARY, "RunDLLRegisterExtension").exitCode, 0);
    const auto both = Host("14.0.7015.1000", script);
    EXPECT_TRUE(Contains(both, "extension Lumivane Add-In loaded"));
    suppressed(both);

    ASSERT_EQ(RunDll(LUMIVANE_LIBRARY, "RunDLLUnregisterExtension").exitCode, 0);
    const ChildResult unregistered = RunChild(REGSVR_PROGRAM, {"/u", LUMIVANE_LIBRARY});
    ASSERT_EQ(unregistered.exitCode, 0) << unregistered.err;
    const auto after = Host("14.0.7015.1000", script);
    EXPECT_FALSE(Contains(after, "Lumivane")) << ::testing::PrintToString(after);
    EXPECT_FALSE(Contains(after, "answered by a hook"));
    EXPECT_TRUE(fs::is_empty(ecf.parent_path()));
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Office\\Outlook\\Addins\\Lumivane.COMAddin", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
}

TEST_F(SetupEndToEnd, ALibraryWhosePathDoesNotFitWritesNoFile)
{
    // A copy of the library whose full path is longer than 260 characters.
    fs::path deep = root.path();
    for (char c : {'a', 'b', 'c'})
        deep /= std::string(100, c);
    fs::create_directories(deep);
    fs::copy_file(LUMIVANE_LIBRARY, deep / "liblumivane.so");
    ASSERT_GT((deep / "liblumivane.so").string().size(), 260u);
    const ChildResult run = RunDll((deep / "liblumivane.so").string(), "RunDLLRegisterExtension");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_FALSE(fs::exists(ecf));
    EXPECT_EQ(ExtensionValue("Outlook Setup Extension"), std::nullopt);
}

TEST_F(SetupEndToEnd, TheWindowedExplorerAtVersion12ShowsTheButtonWithItsFaceInTheToolsMenu)
{
    if (!VirtualDisplay::Available())
        GTEST_SKIP() << "Xvfb is not installed";
    VirtualDisplay display;
    ASSERT_TRUE(display.ok()) << display.error();
    ASSERT_EQ(RunDll(LUMIVANE_LIBRARY, "RunDLLRegisterExtension").exitCode, 0);

    const auto script = root.path() / "script.txt";
    std::ofstream(script) << "menu Tools\nscreenshot \"Inbox - Mail Host\" explorer-12-lumivane-menu\nmenu\nquit\n";
    ChildOptions options;
    options.environment["DISPLAY"] = display.name();
    // Under the sanitizers the toolkit's own libraries keep memory to the end; that is not ours.
    options.environment["LSAN_OPTIONS"] = "print_suppressions=0:suppressions=" + std::string(TOOLKIT_LEAKS);
    const ChildResult run =
        RunChild(MAILHOST_PROGRAM, {"--version", "12.0.6423.1000", "--script", script.string()}, options);
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const auto lines = Lines(run.out);
    // The open menu: the host's commands without 6894, then the add-in's button with its face.
    const auto menu = std::find(lines.begin(), lines.end(), "menu \"Tools\"");
    ASSERT_NE(menu, lines.end()) << run.out;
    const std::vector<std::string> shown(menu + 1, menu + 6);
    EXPECT_EQ(shown, (std::vector<std::string>{"  \"Send/Receive All\"", "  \"Send/Receive\"", "  ----",
                                               "  \"Lumivane Add-In\" face=16x16", "  \"Options...\""}))
        << run.out;
    EXPECT_TRUE(Contains(lines, "screenshot ")) << run.out;
    EXPECT_TRUE(Contains(lines, "menu closed"));
    EXPECT_TRUE(fs::exists(fs::path(MAILHOST_PROGRAM).parent_path().parent_path() / "artifacts" / "mailhost" /
                           "explorer-12-lumivane-menu.png"));
}
