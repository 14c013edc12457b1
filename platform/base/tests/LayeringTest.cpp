// The base layer stands under every other layer of ours: its sources include no header of
// another layer, and its library refers to no symbol that another library of ours defines
// (weak references included).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// The names `nm -D` lists for a library, without their version suffixes.
std::set<std::string> DynamicSymbols(const fs::path& library, bool defined)
{
    const std::string command = std::string("nm -D ") + (defined ? "--defined-only" : "--undefined-only") + " '" +
                                library.string() + "' 2>/dev/null";
    std::set<std::string> names;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return names;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string a, b, c;
        fields >> a >> b >> c;
        // "ADDRESS TYPE NAME" for definitions, "TYPE NAME" for references.
        const std::string type = c.empty() ? a : b;
        std::string name = c.empty() ? b : c;
        // Weak definitions (inline functions, template instances) are everyone's own copy.
        if (defined && (type == "W" || type == "V" || type == "w" || type == "v"))
            continue;
        name = name.substr(0, name.find('@'));
        if (!name.empty())
            names.insert(name);
    }
    pclose(pipe);
    return names;
}

// The first folder of the path an #include line names ("registry" for "registry/Registry.h"),
// or nothing.
std::string IncludedFolder(std::string_view line)
{
    auto skipBlanks = [&] {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
    };
    skipBlanks();
    if (!line.starts_with("#"))
        return {};
    line.remove_prefix(1);
    skipBlanks();
    if (!line.starts_with("include"))
        return {};
    line.remove_prefix(7);
    skipBlanks();
    if (line.empty() || (line.front() != '"' && line.front() != '<'))
        return {};
    line.remove_prefix(1);
    const auto end = line.find_first_of("/\">");
    if (end == std::string_view::npos || line[end] != '/')
        return {};
    return std::string(line.substr(0, end));
}

} // namespace

TEST(Layering, BaseSourcesIncludeNoHeaderOfAnotherLayer)
{
    const fs::path platform = fs::path(BASE_SOURCE_DIR).parent_path();
    std::set<std::string> layers;
    for (const auto& entry : fs::directory_iterator(platform))
        if (entry.is_directory() && entry.path().filename() != "base")
            layers.insert(entry.path().filename().string());
    ASSERT_TRUE(layers.count("registry"));

    int files = 0;
    for (auto it = fs::recursive_directory_iterator(BASE_SOURCE_DIR); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_directory() && it->path().filename() == "tests") {
            it.disable_recursion_pending(); // tests may use the layers above
            continue;
        }
        const auto extension = it->path().extension();
        if (!it->is_regular_file() || (extension != ".h" && extension != ".cpp"))
            continue;
        ++files;
        std::ifstream in(it->path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            const std::string folder = IncludedFolder(line);
            EXPECT_FALSE(layers.count(folder)) << it->path().string() << ":" << number << " includes " << folder << "/";
        }
    }
    EXPECT_GT(files, 50);
}

TEST(Layering, TheBaseLibraryRefersToNoSymbolOfAnotherLibraryOfOurs)
{
    const fs::path base = BASE_LIBRARY;
    const auto references = DynamicSymbols(base, false);
    ASSERT_FALSE(references.empty()) << "nm listed nothing for " << base;
    int libraries = 0;
    for (const auto& entry : fs::directory_iterator(base.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (entry.path() == base || name.rfind("lib", 0) != 0 || entry.path().extension() != ".so")
            continue;
        ++libraries;
        for (const auto& symbol : DynamicSymbols(entry.path(), true))
            EXPECT_FALSE(references.count(symbol)) << base.filename() << " refers to " << symbol << " of " << name;
    }
    EXPECT_GT(libraries, 0);
}
