// The two helpers run as a user runs them: child processes against a fresh platform root,
// with our netsh first on PATH. Each case compares the whole registry before and after.
#include "RunChild.h"
#include "RegistryState.h"
#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

namespace fs = std::filesystem;

namespace {

enum class Program { Firewall, Sp2Fix };
enum class Os { Xp, Xp64, Server2003, Vista, Windows2000 };
enum class Type { Client, Server, Both };
// Which parts of the sibling product are installed, and where their uninstall keys are.
enum class Installed { None, ClientMachine, ServerUser, BothMixed };

const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
const std::string kOutlook = "C:\\Program Files\\Microsoft Office\\OFFICE11\\OUTLOOK.EXE";
const std::string kFp = "SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy";
const std::string kSGop = kFp + "\\StandardProfile\\GloballyOpenPorts\\List";
const std::string kDGop = kFp + "\\DomainProfile\\GloballyOpenPorts\\List";
const std::string kSAa = kFp + "\\StandardProfile\\AuthorizedApplications\\List";
const std::string kDAa = kFp + "\\DomainProfile\\AuthorizedApplications\\List";
const std::string kDcom = "SOFTWARE\\Policies\\Microsoft\\Windows NT\\DCOM";
const std::string kExempt = "SOFTWARE\\Microsoft\\Ole\\AppCompat\\ActivationSecurityCheckExemptionList";
const std::string kRules = kFp + "\\FirewallRules";

const std::string kFirewallCaption = "Setup-Helper Firewall for Brisanne - v2.0";
const std::string kSp2Caption = "Setup-Helper Windows XP SP2 Fix for Brisanne - v2.0";
const std::string kUsage = "Parameters:\n\n-[install|remove]   installs or removes the fix\n-[server|client|both]   "
                           "determines the type of the fix\n\nMust be started from the server application "
                           "directory, if type is server or both.";

fs::path ProgramPath(Program p)
{
    return p == Program::Firewall ? FIREWALLHELPER_PATH : SP2FIXHELPER_PATH;
}

const WindowsIdentity& IdentityOf(Os os)
{
    switch (os) {
    case Os::Xp: return kWindowsXP;
    case Os::Xp64: return kWindowsXP64;
    case Os::Server2003: return kServer2003;
    case Os::Vista: return kWindowsVista;
    case Os::Windows2000: return kWindows2000;
    }
    return kWindowsXP;
}

// Our netsh first on PATH, as an installed system has it.
ChildOptions WithNetsh()
{
    const char* path = std::getenv("PATH");
    ChildOptions options;
    options.environment["PATH"] = std::string(TOOLS_DIR) + ":" + (path ? path : "/usr/bin:/bin");
    options.environment["COMSPEC"] = std::nullopt;
    return options;
}

ChildResult Start(const fs::path& program, const std::vector<std::string>& args, ChildOptions options = WithNetsh())
{
    return RunChild(program, args, options);
}

struct Row {
    int number;
    std::string subKey, name, data;
    bool client, server, remove, xpOnly;
};

// The rows each helper works through, in order (row numbers as the helpers' tables count them).
std::vector<Row> Rows(Program p, const std::string& dir, bool outlook, bool xp64)
{
    const std::string server = dir + "\\BRN32.exe";
    const std::string serverData = server + ":*:Enabled:Brisanne - Server";
    const std::string outlookValue = outlook ? kOutlook : "";
    const std::string outlookData = outlook ? kOutlook + ":*:Enabled:Microsoft Outlook" : "";
    const std::vector<Row> firewall = {
        {1, kSGop, "135:TCP", "135:TCP:*:Enabled:Brisanne - DCOM Access", true, true, true, false},
        {2, kDGop, "135:TCP", "135:TCP:*:Enabled:Brisanne - DCOM Access", true, true, true, false},
        {3, kSGop, "137:UDP", "137:UDP:*:Enabled:@xpsp2res.dll,-22001", true, true, false, false},
        {4, kDGop, "137:UDP", "137:UDP:*:Enabled:@xpsp2res.dll,-22001", true, true, false, false},
        {5, kSAa, server, serverData, false, true, true, false},
        {6, kDAa, server, serverData, false, true, true, false},
        {7, kSAa, outlookValue, outlookData, true, true, true, false},
        {8, kDAa, outlookValue, outlookData, true, true, true, false},
    };
    if (p == Program::Firewall)
        return firewall;
    const std::string client = xp64 ? "%windir%\\sysWOW64\\brn32evt.exe" : "%windir%\\system32\\brn32evt.exe";
    std::vector<Row> rows = {
        {1, kDcom, "MachineAccessRestriction", "O:BAG:BAD:(A;;CCDCLC;;;AN)(A;;CCDCLC;;;WD)", true, true, true, true},
        {2, kDcom, "MachineLaunchRestriction", "O:BAG:BAD:(A;;CCDCLCSWRP;;;BA)(A;;CCDCRP;;;AN)(A;;CCDCSW;;;WD)", false,
         true, true, true},
        {3, kExempt, "{D22A9184-E2E4-458C-9F2A-C864A7816075}", "1", false, true, true, true},
        {4, kExempt, "{4D8D01A4-466E-4E29-A9B5-F38E7270676C}", "1", true, false, true, true},
    };
    for (int i = 0; i < 4; ++i) {
        rows.push_back(firewall[i]);
        rows.back().number = 5 + i;
    }
    rows.push_back({9, kSAa, client, client + ":*:Enabled:Brisanne - Client", true, false, true, false});
    rows.push_back({10, kDAa, client, client + ":*:Enabled:Brisanne - Client", true, false, true, false});
    for (int i = 4; i < 8; ++i) {
        rows.push_back(firewall[i]);
        rows.back().number = 7 + i;
    }
    return rows;
}

// Registry names ignore letter case, so the tests compare them in lower case.
std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return text;
}

std::string Value(const Row& r)
{
    return Lower(r.subKey + "\\" + r.name);
}

std::string Value(const std::string& subKey, const std::string& name)
{
    return Lower(subKey + "\\" + name);
}

std::string Sz(const std::string& text)
{
    return "sz:" + text + "\\0";
}

// "{XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX}" in upper-case hexadecimal, a random (version 4) GUID.
bool IsGuidText(const std::string& text)
{
    const std::string shape = "{hhhhhhhh-hhhh-4hhh-vhhh-hhhhhhhhhhhh}";
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (shape[i] == 'h' ? !hex : shape[i] == 'v' ? std::string("89AB").find(c) == std::string::npos : c != shape[i])
            return false;
    }
    return true;
}

// Firewall rules are named by fresh GUIDs: key them by their text instead.
std::map<std::string, std::string> Machine()
{
    std::map<std::string, std::string> out;
    for (auto& [name, data] : AllValues(HKEY_LOCAL_MACHINE)) {
        if (Lower(name).rfind(Lower(kRules) + "\\", 0) == 0) {
            EXPECT_TRUE(IsGuidText(name.substr(kRules.size() + 1))) << name;
            out[Lower(kRules) + "\\<rule> " + data] = data;
        } else {
            out[Lower(name)] = data;
        }
    }
    return out;
}

std::string RuleKey(const std::string& program)
{
    const std::string data =
        Sz("v2.10|Action=Allow|Active=TRUE|Dir=In|App=" + program + "|Name=Brisanne Server Engine|");
    return Lower(kRules) + "\\<rule> " + data;
}

const std::string kDeleteCommand = "netsh advfirewall firewall delete rule name=\"Brisanne Server Engine\"";

std::string AddCommand(const std::string& program)
{
    return "netsh advfirewall firewall add rule name=\"Brisanne Server Engine\" dir=in action=allow program=\"" +
           program + "\"";
}

class HelperTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = fs::path(FIREWALLHELPER_PATH).parent_path().string(); }
    void Prepare(Os os, Installed installed, bool outlook)
    {
        SetIdentity(IdentityOf(os));
        if (installed == Installed::ClientMachine)
            CreateKey(HKEY_LOCAL_MACHINE, kUninstall + "Brisanne Client_is1");
        if (installed == Installed::ServerUser)
            CreateKey(HKEY_CURRENT_USER, kUninstall + "Brisanne Server_is1");
        if (installed == Installed::BothMixed) {
            CreateKey(HKEY_CURRENT_USER, kUninstall + "Brisanne Client_is1");
            CreateKey(HKEY_LOCAL_MACHINE, kUninstall + "Brisanne Server_is1");
        }
        if (outlook)
            SetString(HKEY_LOCAL_MACHINE, kAppPaths, "", kOutlook);
    }

    TempRoot m_root;
    std::string m_dir;
};

using MatrixParam = std::tuple<Program, Os, Type, Installed, bool>;

class HelperMatrix : public HelperTest, public ::testing::WithParamInterface<MatrixParam> {};

const char* TypeWord(Type t)
{
    return t == Type::Client ? "client" : t == Type::Server ? "server" : "both";
}

bool OnInstall(const Row& r, Type t)
{
    return t == Type::Both || (t == Type::Client ? r.client : r.server);
}

bool OnRemove(const Row& r, Type t, bool clientInstalled, bool serverInstalled)
{
    if (!r.remove)
        return false;
    if (t == Type::Server)
        return r.server && !(r.client && clientInstalled);
    if (t == Type::Client)
        return r.client && !(r.server && serverInstalled);
    return true;
}

TEST_P(HelperMatrix, InstallThenRemove)
{
    const auto [program, os, type, installed, outlook] = GetParam();
    Prepare(os, installed, outlook);
    const bool clientInstalled = installed == Installed::ClientMachine || installed == Installed::BothMixed;
    const bool serverInstalled = installed == Installed::ServerUser || installed == Installed::BothMixed;
    const bool isXP = os == Os::Xp || os == Os::Xp64;
    const bool gated = program == Program::Firewall ? (isXP || os == Os::Server2003 || os == Os::Vista)
                                                    : (isXP || os == Os::Server2003);
    const bool vista = os == Os::Vista && program == Program::Firewall;
    const auto rows = Rows(program, m_dir, outlook, os == Os::Xp64);
    const auto user = AllValues(HKEY_CURRENT_USER);
    const fs::path exe = ProgramPath(program);

    // Install.
    auto expected = Machine();
    std::string lines;
    if (gated && !vista) {
        for (const Row& r : rows) {
            if (OnInstall(r, type) && (!r.xpOnly || isXP) && !r.name.empty()) {
                expected[Value(r)] = Sz(r.data);
                lines += "RegSetString - OK: " + r.subKey + "\\" + r.name + " - " + r.data + "\n";
            }
        }
    } else if (vista && type == Type::Server) {
        expected[RuleKey(m_dir + "\\BRN32.exe")] =
            Sz("v2.10|Action=Allow|Active=TRUE|Dir=In|App=" + m_dir + "\\BRN32.exe|Name=Brisanne Server Engine|");
        lines = "No rules match the specified criteria.\nRunCommand - Failed: " + kDeleteCommand + " exit code 1\nOk.\n";
    }
    ChildResult r = Start(exe, {"-install", std::string("/") + TypeWord(type)});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, lines);
    EXPECT_EQ(Machine(), expected);

    // Everything in place, then remove.
    if (vista)
        r = Start(exe, {"-install", "-server"});
    else
        r = Start(exe, {"-install", "-both"});
    EXPECT_EQ(r.exitCode, 0);
    expected = Machine();
    lines.clear();
    if (gated && !vista) {
        for (const Row& row : rows) {
            if (OnRemove(row, type, clientInstalled, serverInstalled) && (!row.xpOnly || isXP) && !row.name.empty()) {
                ASSERT_EQ(expected.erase(Value(row)), 1u) << Value(row);
                lines += "RegRemoveVal - OK: " + row.subKey + "\\" + row.name + "\n";
            }
        }
    } else if (vista && type == Type::Server) {
        ASSERT_EQ(expected.erase(RuleKey(m_dir + "\\BRN32.exe")), 1u);
        lines = "Deleted 1 rule(s).\nOk.\n";
    }
    r = Start(exe, {"/Remove", std::string("-") + TypeWord(type)});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, lines);
    EXPECT_EQ(Machine(), expected);
    EXPECT_EQ(AllValues(HKEY_CURRENT_USER), user);
}

std::string MatrixName(const ::testing::TestParamInfo<MatrixParam>& info)
{
    const auto [program, os, type, installed, outlook] = info.param;
    static const char* oses[] = {"Xp", "Xp64", "Server2003", "Vista", "Windows2000"};
    static const char* installs[] = {"NothingInstalled", "ClientInstalled", "ServerInstalled", "BothInstalled"};
    std::string name = program == Program::Firewall ? "Firewall_" : "Sp2Fix_";
    name += oses[static_cast<int>(os)];
    name += std::string("_") + TypeWord(type) + "_" + installs[static_cast<int>(installed)];
    name += outlook ? "_WithOutlook" : "_WithoutOutlook";
    return name;
}

INSTANTIATE_TEST_SUITE_P(All, HelperMatrix,
                         ::testing::Combine(::testing::Values(Program::Firewall, Program::Sp2Fix),
                                            ::testing::Values(Os::Xp, Os::Xp64, Os::Server2003, Os::Vista,
                                                              Os::Windows2000),
                                            ::testing::Values(Type::Client, Type::Server, Type::Both),
                                            ::testing::Values(Installed::None, Installed::ClientMachine,
                                                              Installed::ServerUser, Installed::BothMixed),
                                            ::testing::Bool()),
                         MatrixName);

// Row numbers of a run, from the values it wrote.
std::vector<int> WrittenRows(const std::vector<Row>& rows, const std::map<std::string, std::string>& values)
{
    std::vector<int> numbers;
    for (const Row& r : rows)
        if (!r.name.empty() && values.count(Value(r)) && values.at(Value(r)) == Sz(r.data))
            numbers.push_back(r.number);
    return numbers;
}

TEST_F(HelperTest, FirewallInstallServerOnXpExactOutput)
{
    Prepare(Os::Xp, Installed::None, true);
    const ChildResult r = Start(FIREWALLHELPER_PATH, {"-install", "-server"});
    EXPECT_EQ(r.exitCode, 0);
    const std::string server = m_dir + "\\BRN32.exe";
    EXPECT_EQ(r.out,
              "RegSetString - OK: " + kSGop + "\\135:TCP - 135:TCP:*:Enabled:Brisanne - DCOM Access\n"
              "RegSetString - OK: " + kDGop + "\\135:TCP - 135:TCP:*:Enabled:Brisanne - DCOM Access\n"
              "RegSetString - OK: " + kSGop + "\\137:UDP - 137:UDP:*:Enabled:@xpsp2res.dll,-22001\n"
              "RegSetString - OK: " + kDGop + "\\137:UDP - 137:UDP:*:Enabled:@xpsp2res.dll,-22001\n"
              "RegSetString - OK: " + kSAa + "\\" + server + " - " + server + ":*:Enabled:Brisanne - Server\n"
              "RegSetString - OK: " + kDAa + "\\" + server + " - " + server + ":*:Enabled:Brisanne - Server\n"
              "RegSetString - OK: " + kSAa + "\\" + kOutlook + " - " + kOutlook + ":*:Enabled:Microsoft Outlook\n"
              "RegSetString - OK: " + kDAa + "\\" + kOutlook + " - " + kOutlook + ":*:Enabled:Microsoft Outlook\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(HelperTest, FirewallRemoveServerWhileClientInstalledKeepsSharedRows)
{
    Prepare(Os::Xp, Installed::ClientMachine, true);
    Start(FIREWALLHELPER_PATH, {"-install", "-both"});
    Start(FIREWALLHELPER_PATH, {"-remove", "-server"});
    EXPECT_EQ(WrittenRows(Rows(Program::Firewall, m_dir, true, false), Machine()), (std::vector<int>{1, 2, 3, 4, 7, 8}));
}

TEST_F(HelperTest, PortRows137AreNeverRemoved)
{
    Prepare(Os::Xp, Installed::None, true);
    Start(FIREWALLHELPER_PATH, {"-install", "-both"});
    Start(FIREWALLHELPER_PATH, {"-remove", "-both"});
    EXPECT_EQ(WrittenRows(Rows(Program::Firewall, m_dir, true, false), Machine()), (std::vector<int>{3, 4}));
}

TEST_F(HelperTest, RemoveOnACleanMachineLogsEveryFailure)
{
    Prepare(Os::Server2003, Installed::None, false);
    const ChildResult r = Start(FIREWALLHELPER_PATH, {"-remove", "-client"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "RegRemoveVal - Failed to open key: " + kSGop + " hr=80070002\n"
                     "RegRemoveVal - Failed to open key: " + kDGop + " hr=80070002\n");
}

TEST_F(HelperTest, Sp2FixClientOnXpWritesItsRows)
{
    Prepare(Os::Xp, Installed::None, true);
    Start(SP2FIXHELPER_PATH, {"-install", "-client"});
    EXPECT_EQ(WrittenRows(Rows(Program::Sp2Fix, m_dir, true, false), Machine()),
              (std::vector<int>{1, 4, 5, 6, 7, 8, 9, 10, 13, 14}));
}

TEST_F(HelperTest, Sp2FixServerOn2003WritesFirewallRowsOnly)
{
    Prepare(Os::Server2003, Installed::None, true);
    Start(SP2FIXHELPER_PATH, {"-install", "-server"});
    EXPECT_EQ(WrittenRows(Rows(Program::Sp2Fix, m_dir, true, false), Machine()),
              (std::vector<int>{5, 6, 7, 8, 11, 12, 13, 14}));
}

TEST_F(HelperTest, Sp2FixRemoveClientWhileServerInstalled)
{
    Prepare(Os::Xp, Installed::ServerUser, true);
    Start(SP2FIXHELPER_PATH, {"-install", "-both"});
    const ChildResult r = Start(SP2FIXHELPER_PATH, {"-remove", "-client"});
    EXPECT_EQ(r.out, "RegRemoveVal - OK: " + kExempt + "\\{4D8D01A4-466E-4E29-A9B5-F38E7270676C}\n"
                     "RegRemoveVal - OK: " + kSAa + "\\%windir%\\system32\\brn32evt.exe\n"
                     "RegRemoveVal - OK: " + kDAa + "\\%windir%\\system32\\brn32evt.exe\n");
    EXPECT_EQ(WrittenRows(Rows(Program::Sp2Fix, m_dir, true, false), Machine()),
              (std::vector<int>{1, 2, 3, 5, 6, 7, 8, 11, 12, 13, 14}));
}

TEST_F(HelperTest, Sp2FixOnXp64NamesTheSysWow64Program)
{
    Prepare(Os::Xp64, Installed::None, false);
    Start(SP2FIXHELPER_PATH, {"-install", "-client"});
    const auto values = Machine();
    EXPECT_EQ(values.at(Value(kSAa, "%windir%\\sysWOW64\\brn32evt.exe")),
              Sz("%windir%\\sysWOW64\\brn32evt.exe:*:Enabled:Brisanne - Client"));
    EXPECT_EQ(values.count(Value(kSAa, "%windir%\\system32\\brn32evt.exe")), 0u);
    // The XP-only DCOM rows count on the x64 edition too.
    EXPECT_EQ(values.at(Value(kDcom, "MachineAccessRestriction")), Sz("O:BAG:BAD:(A;;CCDCLC;;;AN)(A;;CCDCLC;;;WD)"));
}

TEST_F(HelperTest, EmptyRootCountsAsWindowsXp)
{
    const ChildResult r = Start(FIREWALLHELPER_PATH, {"-install", "-client"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(WrittenRows(Rows(Program::Firewall, m_dir, false, false), Machine()), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(HelperTest, UsageBoxForBadCommandLines)
{
    Prepare(Os::Xp, Installed::None, true);
    const auto before = Machine();
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"-install"},
        {"-install", "-server", "-client"},
        {"install", "both"},
        {"-install", "-remove"},
        {"-server", "-both"},
        {"-install", "-everything"},
        {"--install", "-both"},
        {"", ""},
    };
    for (Program p : {Program::Firewall, Program::Sp2Fix}) {
        const std::string box = (p == Program::Firewall ? kFirewallCaption : kSp2Caption) + "\n" + kUsage + "\n";
        for (const auto& args : bad) {
            const ChildResult r = Start(ProgramPath(p), args);
            EXPECT_EQ(r.exitCode, 0);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, box) << args.size();
        }
    }
    EXPECT_EQ(Machine(), before);
}

TEST_F(HelperTest, UnknownWindowsExitsSilentlyButStillShowsUsageForAWrongCount)
{
    Prepare(Os::Windows2000, Installed::None, true);
    for (Program p : {Program::Firewall, Program::Sp2Fix}) {
        ChildResult r = Start(ProgramPath(p), {"install", "both"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        r = Start(ProgramPath(p), {"-install"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_NE(r.err.find(kUsage), std::string::npos);
    }
}

TEST_F(HelperTest, VistaInstallTwiceKeepsOneRule)
{
    Prepare(Os::Vista, Installed::None, true);
    Start(FIREWALLHELPER_PATH, {"-install", "-server"});
    const ChildResult r = Start(FIREWALLHELPER_PATH, {"-install", "-server"});
    EXPECT_EQ(r.out, "Deleted 1 rule(s).\nOk.\nOk.\n");
    const auto values = Machine();
    int rules = 0;
    for (const auto& [name, data] : values)
        rules += name.rfind(Lower(kRules), 0) == 0;
    EXPECT_EQ(rules, 1);
    EXPECT_EQ(values.count(RuleKey(m_dir + "\\BRN32.exe")), 1u);
    // Nothing of the XP lists is written on Vista.
    for (const auto& [name, data] : values)
        EXPECT_EQ(name.rfind(Lower(kFp + "\\StandardProfile"), 0), std::string::npos) << name;
}

TEST_F(HelperTest, VistaWithoutNetshLogsBothFailedCommands)
{
    Prepare(Os::Vista, Installed::None, false);
    ChildOptions options;
    options.environment["PATH"] = "/usr/bin:/bin";
    options.environment["COMSPEC"] = std::nullopt;
    const ChildResult r = Start(FIREWALLHELPER_PATH, {"-install", "-server"}, options);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "RunCommand - Failed: " + kDeleteCommand + " exit code 127\nRunCommand - Failed: " +
                         AddCommand(m_dir + "\\\\BRN32.exe") + " exit code 127\n");
}

TEST_F(HelperTest, VistaWithAMissingInterpreterLogsIt)
{
    Prepare(Os::Vista, Installed::None, false);
    ChildOptions options = WithNetsh();
    options.environment["COMSPEC"] = (m_root.path() / "missing-shell").string();
    const ChildResult r = Start(FIREWALLHELPER_PATH, {"-remove", "-server"}, options);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "RunCommand - Failed to start: " + kDeleteCommand + " hr=80070002\n");
}

// A program folder whose name a shell would act on: the path must arrive whole and run nothing.
TEST_F(HelperTest, ProgramFolderWithShellCharacters)
{
    const fs::path work = m_root.path() / "work";
    fs::create_directories(work);
    const fs::path odd = m_root.path() / "a \"b\" $HOME `touch pwned1`; touch pwned2; \\c $(touch pwned3) 'd'";
    fs::create_directories(odd);
    const fs::path exe = odd / "firewallhelper";
    fs::copy_file(FIREWALLHELPER_PATH, exe);
    const std::string server = odd.string() + "\\BRN32.exe";
    ChildOptions options = WithNetsh();
    options.workingDirectory = work;

    Prepare(Os::Vista, Installed::None, false);
    ChildResult r = Start(exe, {"-install", "-server"}, options);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    auto values = Machine();
    EXPECT_EQ(values.count(RuleKey(server)), 1u) << r.out;
    r = Start(exe, {"-remove", "-server"}, options);
    EXPECT_EQ(r.out, "Deleted 1 rule(s).\nOk.\n");

    Prepare(Os::Xp, Installed::None, false);
    r = Start(exe, {"-install", "-server"}, options);
    values = Machine();
    EXPECT_EQ(values.at(Value(kSAa, server)), Sz(server + ":*:Enabled:Brisanne - Server"));
    for (const char* name : {"pwned1", "pwned2", "pwned3"}) {
        EXPECT_FALSE(fs::exists(work / name)) << name;
        EXPECT_FALSE(fs::exists(odd / name)) << name;
    }
}

TEST_F(HelperTest, ProgramFolderTooLongForAPathSkipsTheServerRows)
{
    fs::path deep = m_root.path();
    while (deep.string().size() < 300)
        deep /= std::string(40, 'd');
    fs::create_directories(deep);
    const fs::path exe = deep / "firewallhelper";
    fs::copy_file(FIREWALLHELPER_PATH, exe);
    Prepare(Os::Xp, Installed::None, false);
    const ChildResult r = Start(exe, {"-install", "-server"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "PrepareServerPaths - Failed to get the program directory hr=8007007a\n"
                     "RegSetString - OK: " + kSGop + "\\135:TCP - 135:TCP:*:Enabled:Brisanne - DCOM Access\n"
                     "RegSetString - OK: " + kDGop + "\\135:TCP - 135:TCP:*:Enabled:Brisanne - DCOM Access\n"
                     "RegSetString - OK: " + kSGop + "\\137:UDP - 137:UDP:*:Enabled:@xpsp2res.dll,-22001\n"
                     "RegSetString - OK: " + kDGop + "\\137:UDP - 137:UDP:*:Enabled:@xpsp2res.dll,-22001\n");
}

// On Vista a program path that cannot go into a rule keeps the rule that is there: nothing is
// deleted and nothing added, and the line says why.
TEST_F(HelperTest, VistaProgramPathThatCannotBeUsedKeepsTheExistingRule)
{
    Prepare(Os::Vista, Installed::None, false);
    ASSERT_EQ(Start(FIREWALLHELPER_PATH, {"-install", "-server"}).exitCode, 0);
    const auto before = Machine();
    ASSERT_EQ(before.count(RuleKey(m_dir + "\\BRN32.exe")), 1u);

    fs::path deep = m_root.path();
    while (deep.string().size() < 300)
        deep /= std::string(40, 'd');
    const fs::path piped = m_root.path() / "a|b";
    for (const fs::path& dir : {deep, piped}) {
        fs::create_directories(dir);
        const fs::path exe = dir / "firewallhelper";
        fs::copy_file(FIREWALLHELPER_PATH, exe);
        const ChildResult r = Start(exe, {"-install", "-server"});
        EXPECT_EQ(r.exitCode, 0);
        if (dir == deep)
            EXPECT_EQ(r.out, "PrepareServerPaths - Failed to get the program directory hr=8007007a\n"
                             "InstallVistaRule - Failed: no program path; rule \"Brisanne Server Engine\" left as it is\n");
        else
            EXPECT_EQ(r.out, "InstallVistaRule - Failed: the program path holds '|': " + dir.string() +
                                 "\\BRN32.exe; rule \"Brisanne Server Engine\" left as it is\n");
        EXPECT_EQ(Machine(), before) << dir;
    }
}

} // namespace

#ifdef REGTOOL_PATH
namespace {

ChildResult Regtool(const std::vector<std::string>& args)
{
    return RunChild(REGTOOL_PATH, args);
}

} // namespace

// The way a user works: the identity set with regtool, the helper run, the result read back.
TEST(HelperWithRegtool, IdentitySetAndRulesReadBack)
{
    TempRoot root;
    const std::string current = "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    ASSERT_EQ(Regtool({"add", current, "/v", "CurrentVersion", "/d", "6.0", "/f"}).exitCode, 0);
    ASSERT_EQ(Regtool({"add", current, "/v", "CurrentBuildNumber", "/d", "6002", "/f"}).exitCode, 0);
    ChildResult r = Start(FIREWALLHELPER_PATH, {"-install", "-server"});
    EXPECT_EQ(r.exitCode, 0);
    r = Regtool({"query", "HKLM\\" + kRules});
    EXPECT_EQ(r.exitCode, 0);
    const std::string dir = fs::path(FIREWALLHELPER_PATH).parent_path().string();
    EXPECT_NE(r.out.find("v2.10|Action=Allow|Active=TRUE|Dir=In|App=" + dir + "\\BRN32.exe|Name=Brisanne Server Engine|"),
              std::string::npos)
        << r.out;

    ASSERT_EQ(Regtool({"add", current, "/v", "CurrentVersion", "/d", "5.1", "/f"}).exitCode, 0);
    r = Start(FIREWALLHELPER_PATH, {"-install", "-client"});
    EXPECT_EQ(r.exitCode, 0);
    r = Regtool({"query", "HKLM\\" + kSGop, "/v", "135:TCP"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("135:TCP:*:Enabled:Brisanne - DCOM Access"), std::string::npos) << r.out;
}
#endif
