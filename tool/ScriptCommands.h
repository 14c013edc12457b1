// The test commands the program runs from the file that ORVINTA_SCRIPT names, once its window
// shows: one command a line, its words split at blanks (a word in double quotes may hold
// blanks). Each part of the program adds the commands it answers; the output goes one line per
// fact to standard output.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

class CScriptCommands {
public:
    // A handler gets the words after the command's name; it returns false to end the script
    // (and with it the program).
    using Handler = std::function<bool(const std::vector<std::string>& args, std::ostream& out)>;

    void Add(const std::string& name, Handler handler) { m_handlers[name] = std::move(handler); }
    bool Has(const std::string& name) const { return m_handlers.contains(name); }
    // Runs one line; empty lines and lines starting with '#' do nothing. An unknown command is
    // reported ("error: unknown command NAME") and the script goes on.
    bool Execute(const std::string& line, std::ostream& out) const;

    static std::vector<std::string> Split(const std::string& line);

private:
    std::map<std::string, Handler> m_handlers;
};
