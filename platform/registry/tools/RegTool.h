// The registry tool's commands (query, add, delete, export, import, check), in the manner of the
// platform's `reg`. Messages go to the given streams; Run returns the exit status (0 for
// success, 1 for any failure).
#pragma once

#include "RegKeyPath.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class RegTool {
public:
    RegTool(std::istream& in, std::ostream& out, std::ostream& err) : m_in(in), m_out(out), m_err(err) {}
    int Run(const std::vector<std::string>& args);

    static std::string UsageText();

private:
    struct Options {
        std::vector<std::string> positional;
        std::optional<std::string> value; // /v NAME
        bool defaultValue = false;        // /ve
        bool allValues = false;           // /va
        bool recurse = false;             // /s
        bool force = false;               // /f
        bool overwriteFile = false;       // /y
        std::optional<std::string> type;  // /t TYPE
        std::optional<std::string> data;  // /d DATA
    };
    struct Value {
        std::string name;
        DWORD type = 0;
        std::vector<BYTE> data;
    };

    bool ParseOptions(const std::vector<std::string>& args, const std::string& allowed, Options& options);
    std::optional<RegKeyPath> KeyArgument(const Options& options);
    int Query(const std::vector<std::string>& args);
    int Add(const std::vector<std::string>& args);
    int Delete(const std::vector<std::string>& args);
    int Export(const std::vector<std::string>& args);
    int Import(const std::vector<std::string>& args);
    int Check(const std::vector<std::string>& args);

    LONG ReadValues(HKEY key, std::vector<Value>& values);
    LONG ReadSubkeys(HKEY key, std::vector<std::string>& names);
    // Opens each subkey for reading and hands it to visit; stops at the first failure.
    LONG ForEachSubkey(HKEY key, const std::function<LONG(const std::string&, HKEY)>& visit);
    LONG QueryTree(const RegKeyPath& path, HKEY key, const std::optional<std::string>& only, int& matches);
    LONG ExportTree(const std::string& display, HKEY key, std::string& text);
    void PrintValue(const Value& value);

    int Syntax(const std::string& message);
    int Fail(const std::string& message);
    int Fail(LONG code);
    bool Confirm(const std::string& question);

    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
};
