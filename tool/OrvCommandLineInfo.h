// The program's command line: the framework's parsing of switches ("/" or "-" in front) and the
// tool's own words on top of it.
#pragma once

#include "base/WinTypes.h"

#include <string>
#include <vector>

class COrvCommandLineInfo {
public:
    // One word of the command line. `param` is the word without its "/" or "-" when `bFlag` is
    // set (a switch); `bLast` marks the last word.
    void ParseParam(const char* param, BOOL bFlag, BOOL bLast);
    // The framework's loop: every argument after the program name, switches recognised by
    // their leading "/" or "-".
    void ParseCommandLine(const std::vector<std::string>& args);

    bool m_bOlStop = false;
    bool m_bOlStart = false;
    bool m_bAutoSync = false;
    std::string m_strProfile;
    // The first word that is no switch. The framework would take it for a document to open,
    // which the tool cannot do: start-up ends with string 222.
    std::string m_strFileName;
};
