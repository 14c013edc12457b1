#include "ScriptCommands.h"

#include <sstream>

std::vector<std::string> CScriptCommands::Split(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

bool CScriptCommands::Execute(const std::string& line, std::ostream& out) const
{
    std::vector<std::string> words = Split(line);
    if (words.empty() || words.front()[0] == '#')
        return true;
    const auto it = m_handlers.find(words.front());
    if (it == m_handlers.end()) {
        out << "error: unknown command " << words.front() << std::endl;
        return true;
    }
    words.erase(words.begin());
    return it->second(words, out);
}
