#include "ResourceScript.h"

#include "TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using platform::tools::ResourceScript;
using platform::tools::ScriptError;

namespace {

const std::filesystem::path kScript = std::filesystem::path(RESOURCE_TEST_FOLDER) / "script.resources";

std::string ErrorOf(const std::string& text)
{
    try {
        ResourceScript::ParseText(text, kScript);
    } catch (const ScriptError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(ResourceScript, ReadsEveryKindOfResource)
{
    const auto script = ResourceScript::ParseText("icon 1 app.ico  # a comment\n"
                                                  "language de\n"
                                                  "string 9 \"a\" \"\\x41\"\n"
                                                  "resource ecf 275 lumivane.ecf\n"
                                                  "menu main\n item 3 \"x\" checked grayed\n separator\nend\n",
                                                  kScript);
    const auto& r = script.Resources();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].typeId, 14u);
    EXPECT_EQ(r[0].language, 0);
    EXPECT_EQ(r[1].typeId, 6u);
    EXPECT_EQ(r[1].nameId, 9u);
    EXPECT_EQ(r[1].language, 1031);
    EXPECT_EQ(std::string(r[1].data.begin(), r[1].data.end()), "aA");
    EXPECT_EQ(r[2].typeName, "ECF");
    EXPECT_EQ(r[3].name, "MAIN");
    // Two items: flags, id, text and zero each.
    const std::vector<std::uint8_t> menu = {2, 0, 9, 0, 3, 0, 'x', 0, 0, 8, 0, 0, 0};
    EXPECT_EQ(r[3].data, menu);
    ASSERT_EQ(script.Inputs().size(), 3u);
    EXPECT_EQ(script.Inputs()[1].filename(), "app.ico");

    const auto block = platform::tools::BuildResourceBlock(r);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data())), "MODRES1");
}

TEST(ResourceScript, FaultsNameTheirLine)
{
    const std::string where = kScript.string() + ":";
    EXPECT_EQ(ErrorOf("\n\nwidget 1 x"), where + "3: unknown keyword 'widget' (language, string, strings, icon, bitmap, resource, menu, include)");
    EXPECT_EQ(ErrorOf("string 1 \"a\"\nstring 1 \"b\""), where + "2: this resource is given twice in this language (first on line 1)");
    EXPECT_EQ(ErrorOf("string 1 \"a\"\nlanguage de\nstring 1 \"b\""), "no error");
    EXPECT_EQ(ErrorOf("icon 1 none.ico"), where + "1: cannot read " + (kScript.parent_path() / "none.ico").string());
    EXPECT_EQ(ErrorOf("icon 1 broken.ico"), where + "1: broken.ico: truncated icon directory");
    EXPECT_EQ(ErrorOf("bitmap 1 lumivane.ecf"), where + "1: lumivane.ecf: not a bitmap or PNG file");
    EXPECT_EQ(ErrorOf("string 1 \"open"), where + "1: a text without its closing quote");
    EXPECT_EQ(ErrorOf("string 1 \"bad \\q\""), where + "1: unknown escape \\q");
    EXPECT_EQ(ErrorOf("string 1 \"\\xff\""), where + "1: a text that is not UTF-8");
    EXPECT_EQ(ErrorOf("string 1 \"\""), where + "1: an empty string cannot be told from a missing one");
    EXPECT_EQ(ErrorOf("string 70000 \"x\""), where + "1: a string id must be a number from 0 to 65535");
    EXPECT_EQ(ErrorOf("icon 0 app.ico"), where + "1: an id must lie between 1 and 65535");
    EXPECT_EQ(ErrorOf("icon a-b app.ico"), where + "1: an id must be a number or a name of letters, digits and '_'");
    EXPECT_EQ(ErrorOf("language klingon"), where + "1: unknown language 'klingon'");
    EXPECT_EQ(ErrorOf("menu 1\n popup \"p\"\n  item 2 \"x\"\n"), where + "4: a menu or popup without its 'end'");
    EXPECT_EQ(ErrorOf("menu 1\n item 0 \"x\"\nend"), where + "2: a menu item needs a command id from 1 to 65535");
    EXPECT_EQ(ErrorOf("menu 1\n item 5 \"x\" bold\nend"), where + "2: unknown menu keyword 'bold' (item, popup, separator, end)");
    EXPECT_EQ(ErrorOf("strings\n 1 \"a\"\n"), where + "3: 'strings' without its 'end'");
    EXPECT_EQ(ErrorOf("resource 6 1 app.ico"), where + "1: strings and menus are written with 'string' and 'menu'");
}

TEST(ResourceScript, IncludedScriptsAddTheirResources)
{
    TempRoot root;
    const auto main = root.path() / "main.resources";
    std::filesystem::create_directory(root.path() / "part");
    std::ofstream(root.path() / "part" / "window.resources") << "language en\nstring 2 \"two\"\n";
    std::ofstream(main) << "language de\nstring 1 \"eins\"\ninclude part/window.resources\nstring 3 \"drei\"\n";
    const auto script = ResourceScript::Parse(main);
    const auto& r = script.Resources();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1].nameId, 2u);
    EXPECT_EQ(r[1].language, 1033);
    // The includer's language holds again after the included script.
    EXPECT_EQ(r[2].language, 1031);
    ASSERT_EQ(script.Inputs().size(), 2u);
    EXPECT_EQ(script.Inputs()[1], root.path() / "part" / "window.resources");

    // A resource given in two scripts names the other script; an include of itself stops.
    std::ofstream(root.path() / "twice.resources") << "language de\nstring 1 \"x\"\n";
    std::ofstream(main) << "language de\nstring 1 \"eins\"\ninclude twice.resources\n";
    try {
        ResourceScript::Parse(main);
        ADD_FAILURE() << "a string given twice was taken";
    } catch (const ScriptError& e) {
        EXPECT_EQ(std::string(e.what()), (root.path() / "twice.resources").string() +
                                             ":2: this resource is given twice in this language (first on " +
                                             main.string() + ":line 2)");
    }
    std::ofstream(main) << "include main.resources\n";
    EXPECT_THROW(ResourceScript::Parse(main), ScriptError);
    EXPECT_EQ(ErrorOf("include missing.resources"),
              kScript.string() + ":1: cannot read " + (kScript.parent_path() / "missing.resources").string());
}

TEST(ResourceScript, TheCompilerFailsWithoutLeavingOutput)
{
    TempRoot root;
    const auto script = root.path() / "bad.resources";
    const auto output = root.path() / "out.c";
    std::ofstream(script) << "string 1 \"fine\"\nstring x \"bad id\"\n";
    const std::string command = std::string(RESCOMP) + " " + script.string() + " " + output.string() + " 2>" +
                                (root.path() / "err.txt").string();
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
    EXPECT_FALSE(std::filesystem::exists(output));
    std::ifstream err(root.path() / "err.txt");
    std::stringstream text;
    text << err.rdbuf();
    EXPECT_EQ(text.str(), "rescomp: " + script.string() + ":2: a string id must be a number from 0 to 65535\n");

    std::ofstream(script) << "string 1 \"fine\"\n";
    const std::string good = std::string(RESCOMP) + " " + script.string() + " " + output.string() + " " +
                             (root.path() / "out.d").string();
    EXPECT_EQ(WEXITSTATUS(std::system(good.c_str())), 0);
    EXPECT_TRUE(std::filesystem::exists(output));
    std::ifstream dep(root.path() / "out.d");
    std::stringstream deps;
    deps << dep.rdbuf();
    EXPECT_NE(deps.str().find(script.string()), std::string::npos);
}
