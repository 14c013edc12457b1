#include "ScriptCommands.h"


std::vector<std::string> CScriptCommands::Split(const std::string& line)
{
    // Words are separated by blanks; a word in double quotes may hold blanks ("Public Folders").
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord)
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
