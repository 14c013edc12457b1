// The host program's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace host {

struct HostOptions {
    std::string profile;                // --profile NAME (default profile when empty)
    std::optional<std::string> version; // --version a.b.c.d
    std::optional<unsigned> language;   // --language LCID
    bool headless = false;              // --headless
    std::string script;                 // --script FILE (headless default: standard input; with windows:
                                        // run once the first explorer window shows)
    bool registerHost = false;          // --register
    std::string folder;                 // --folder DIR (with --register)

    // Parses argv[1..]; false with `error` set on a bad command line.
    static bool Parse(const std::vector<std::string>& args, HostOptions& options, std::string& error);
    static const char* Usage();
};

} // namespace host
