#include "host/HostOptions.h"

#include "host/HostVersion.h"

#include <charconv>
#include <set>

namespace host {

const char* HostOptions::Usage()
{
    return "usage: mailhost [--profile NAME] [--version A.B.C.D] [--language LCID] [--headless] [--script FILE]\n"
           "       mailhost --register [--folder DIR]\n";
}

bool HostOptions::Parse(const std::vector<std::string>& args, HostOptions& options, std::string& error)
{
    options = HostOptions{};
    std::set<std::string> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) == 0 && !seen.insert(a).second) {
            error = a + " is given twice";
            return false;
        }
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--profile") {
            if (!value(options.profile))
                return false;
        } else if (a == "--version") {
            if (!value(v))
                return false;
            if (!HostVersion::Parse(v)) {
                error = "--version needs four numbers, as 14.0.7015.1000: " + v;
                return false;
            }
            options.version = v;
        } else if (a == "--language") {
            if (!value(v))
                return false;
            unsigned lcid = 0;
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), lcid);
            if (ec != std::errc() || end != v.data() + v.size() || lcid == 0 || lcid > 0xFFFF) {
                error = "--language needs a language id, as 1033: " + v;
                return false;
            }
            options.language = lcid;
        } else if (a == "--headless") {
            options.headless = true;
        } else if (a == "--script") {
            if (!value(options.script))
                return false;
        } else if (a == "--register") {
            options.registerHost = true;
        } else if (a == "--folder") {
            if (!value(options.folder))
                return false;
        } else {
            error = "unknown argument: " + a;
            return false;
        }
    }
    if (!options.folder.empty() && !options.registerHost) {
        error = "--folder needs --register";
        return false;
    }
    // Registering starts no host: the host's own options would go unheard.
    if (options.registerHost && seen.size() > (seen.count("--folder") ? 2u : 1u)) {
        error = "--register takes --folder only";
        return false;
    }
    return true;
}

} // namespace host
