// The work of the rundll tool: parse "LIBRARY,ENTRY [ARGS]", load the library and call its entry
// as ENTRY(window, instance, ARGS, SW_SHOWNORMAL), where window is a hidden window of the tool
// (an owner for the entry's boxes) and instance the library's module handle.
#pragma once

#include "ToolStatus.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class RunDllCommand {
public:
    using enum ToolStatus;

    // Parses the arguments after the program name: the first is LIBRARY,ENTRY (split at its last
    // comma), the others are joined with blanks into ARGS. Nothing (and a message in error) for
    // another shape.
    static std::optional<RunDllCommand> Parse(const std::vector<std::string>& args, std::string& error);

    // Loads the library, calls the entry and unloads it; problems go to err.
    int Run(std::ostream& err) const;

    const std::string& Library() const { return m_library; }
    const std::string& Entry() const { return m_entry; }
    const std::string& Arguments() const { return m_arguments; }

    static const char* Usage();

private:
    std::string m_library;
    std::string m_entry;
    std::string m_arguments;
};
