// What the host makes of the input a user gives it: command lines, script numbers and words,
// control characters, and profiles and stores that are missing or damaged.
#include "HostFixture.h"

#include "base/DamageMark.h"
#include "base/PlatformRoot.h"
#include "host/Explorers.h"
#include "host/HostRegistration.h"
#include "host/ScriptArguments.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <fstream>

namespace {

class HostInput : public HostFixture {
protected:
    std::string Run(host::HostProgram& program, const std::string& line)
    {
        out.str("");
        EXPECT_TRUE(program.Execute(line)) << line;
        return out.str();
    }
    std::size_t Explorers(host::HostProgram& program) { return program.Application()->ExplorerList()->List().size(); }
    std::filesystem::path Mailbox() const { return platform::StoresDirectory() / "mailbox.store"; }
};

TEST_F(HostInput, ScriptNumbersAreDecimalAndMustFit)
{
    auto program = StartHost();
    EXPECT_EQ(Run(*program, "folder 4294967305"),
              "error: folder: \"4294967305\" is out of range (-2147483648 to 2147483647)\n");
    EXPECT_EQ(Run(*program, "folder 0x9"), "error: folder: \"0x9\" is not a decimal number\n");
    EXPECT_EQ(Run(*program, "folder +9"), "error: folder: \"+9\" is not a decimal number\n");
    // "011" is eleven, not octal nine (the Calendar).
    EXPECT_EQ(Run(*program, "folder 011").find("Calendar"), std::string::npos);
    EXPECT_EQ(Run(*program, "folder 009"), "folder \"Calendar\"\n");
    EXPECT_EQ(Run(*program, "explorer -4294967290"),
              "error: explorer: \"-4294967290\" is out of range (-2147483648 to 2147483647)\n");
    EXPECT_EQ(Explorers(*program), 1u);
    EXPECT_EQ(Run(*program, "activate 2"), "error: activate: \"2\" is out of range (1 to 1)\n");
    // 4294968048 cut to 32 bits is 752, the Exit command.
    EXPECT_EQ(Run(*program, "click id 4294968048"),
              "error: click: \"4294968048\" is out of range (-2147483648 to 2147483647)\n");
    EXPECT_FALSE(program->Application()->QuitRequested());
}

TEST_F(HostInput, ExtraWordsAreErrors)
{
    auto program = StartHost();
    EXPECT_EQ(Run(*program, "explorer 6 9"), "error: explorer takes at most a default-folder number\n");
    EXPECT_EQ(Explorers(*program), 1u);
    EXPECT_EQ(Run(*program, "close now"), "error: close takes no arguments\n");
    EXPECT_EQ(Explorers(*program), 1u);
    EXPECT_EQ(Run(*program, "quit later"), "error: quit takes no arguments\n");
    EXPECT_EQ(Run(*program, "tick tock"), "error: tick takes no arguments\n");
    EXPECT_EQ(Run(*program, "ribbon x"), "error: ribbon takes no arguments\n");
}

TEST_F(HostInput, EchoedControlCharactersAreEscaped)
{
    auto program = StartHost();
    EXPECT_EQ(Run(*program, "frob\x1b[31mred\x07x"), "error: unknown command: frob\\x1b[31mred\\x07x\n");
    EXPECT_EQ(Run(*program, "press \x1b]0;title\x07"), "error: no ribbon button \\x1b]0;title\\x07\n");
    EXPECT_EQ(host::PrintableText(std::string_view("a\0b\r\n\x7f", 6)), "a\\x00b\\x0d\\x0a\\x7f");
}

TEST_F(HostInput, RibbonWithoutAnExplorerSaysSo)
{
    auto program = StartHost();
    Run(*program, "close");
    EXPECT_EQ(Run(*program, "ribbon"), "error: no explorer is open\n");
    EXPECT_EQ(Run(*program, "controls"), "error: no explorer is open\n");
}

TEST_F(HostInput, CommandLineMistakesStartNothing)
{
    std::istringstream in("quit\n");
    EXPECT_EQ(host::HostProgram::Main({"--headless", "--script", root.path().string()}, in, out, err), 1);
    EXPECT_NE(err.str().find("cannot read the script " + root.path().string() + ": it is a folder"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(out.str(), "");
    err.str("");
    EXPECT_EQ(host::HostProgram::Main({"--headless", "--script", (root.path() / "none.txt").string()}, in, out, err),
              1);
    EXPECT_NE(err.str().find("cannot read the script"), std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--headless", "extra"},
             {"--profile", "Work", "--profile", "Home", "--headless"},
             {"--register", "--headless"},
             {"--register", "--profile", "Work"}}) {
        err.str("");
        EXPECT_EQ(host::HostProgram::Main(args, in, out, err), 2) << args.back();
        EXPECT_NE(err.str().find("usage:"), std::string::npos);
    }
    EXPECT_EQ(out.str(), "");
}

TEST_F(HostInput, RegistrationWithoutAFolderStaysUnderThePlatformRoot)
{
    std::istringstream in;
    ASSERT_EQ(host::HostProgram::Main({"--register"}, in, out, err), 0) << err.str();
    EXPECT_EQ(host::AddinsFolder(), root.path() / "MailHost" / "Complts");
    EXPECT_TRUE(std::filesystem::is_directory(root.path() / "MailHost" / "Complts"));
}

TEST_F(HostInput, WithoutAProfileTheMessageSaysHowToMakeOne)
{
    ASSERT_EQ(mapi::ProfileRegistry::Delete("Work"), S_OK);
    host::HostProgram program(host::HostOptions{}, out, err);
    EXPECT_FALSE(program.Start());
    EXPECT_NE(err.str().find("no profile exists; make one with \"mapiadmin profile create NAME\""), std::string::npos)
        << err.str();
}

TEST_F(HostInput, AMissingOrDamagedDefaultStoreStopsTheStart)
{
    ASSERT_TRUE(platform::DamageMark::Mark(Mailbox(), "found by a check"));
    {
        host::HostProgram program(host::HostOptions{}, out, err);
        EXPECT_FALSE(program.Start());
        EXPECT_NE(err.str().find("the default store \"Mailbox - Ann\" (" + Mailbox().string() +
                                 ") cannot be used: it is damaged (found by a check)"),
                  std::string::npos)
            << err.str();
    }
    err.str("");
    std::filesystem::remove(Mailbox());
    std::istringstream in("quit\n");
    EXPECT_EQ(host::HostProgram::Main({"--headless"}, in, out, err), 1);
    EXPECT_NE(err.str().find("cannot be used: the file is missing"), std::string::npos) << err.str();
}

TEST_F(HostInput, ADamagedAttachedStoreIsReported)
{
    const auto archive = platform::StoresDirectory() / "archive.store";
    ASSERT_EQ(mapi::CreateStoreFile(archive, mapi::StoreKind::Personal, u"Archive"), S_OK);
    ASSERT_EQ(mapi::ProfileRegistry::AddStore("Work", archive), S_OK);
    // Damage in one table: the rest of the store is still read.
    ASSERT_TRUE(platform::DamageMark::Mark(archive, "found by a check", {"changes"}));
    {
        auto program = StartHost();
        EXPECT_NE(err.str().find("the store \"Archive\" (" + archive.string() +
                                 "): it is damaged (found by a check); it is only read"),
                  std::string::npos)
            << err.str();
        EXPECT_EQ(Explorers(*program), 1u);
    }
    // Damage that leaves nothing to read.
    platform::DamageMark::Clear(archive);
    ASSERT_TRUE(platform::DamageMark::Mark(archive, "found again"));
    err.str("");
    auto program = StartHost();
    EXPECT_NE(err.str().find("\"Archive\" (" + archive.string() + "): it is damaged (found again); it cannot be used"),
              std::string::npos)
        << err.str();
}

} // namespace
