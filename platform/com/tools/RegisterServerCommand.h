// The work of the register-server tool: parse "[/u] [/s] MODULE", load the module, call its
// DllRegisterServer or DllUnregisterServer, and report the outcome.
#pragma once

#include "ToolStatus.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class RegisterServerCommand {
public:
    using enum ToolStatus;

    // Parses the arguments after the program name; nothing (and a message in error) when
    // they are not "[/u] [/s] MODULE" (switches with "/" or "-", in any case; an argument of more
    // than two characters that begins with "/" is a path).
    static std::optional<RegisterServerCommand> Parse(const std::vector<std::string>& args, std::string& error);

    // Loads the module and calls the entry point; messages go to out (unless silent) and err.
    int Run(std::ostream& out, std::ostream& err) const;

    bool Unregister() const { return m_unregister; }
    bool Silent() const { return m_silent; }
    const std::string& Module() const { return m_module; }

    static const char* Usage();

private:
    bool m_unregister = false;
    bool m_silent = false;
    std::string m_module;
};
