// Runs a program as a child process, the way a user starts it from a shell, and collects what
// it wrote. The child inherits the environment (and with it PLATFORM_ROOT), with changes.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct ChildResult {
    int exitCode = -1; // -1: the child did not end normally
    std::string out;
    std::string err;
};

struct ChildOptions {
    std::map<std::string, std::optional<std::string>> environment; // nullopt: remove the variable
    std::filesystem::path workingDirectory;                         // empty: the caller's
};

ChildResult RunChild(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const ChildOptions& options = {});
// The same with the program as the first element of argv.
ChildResult RunChild(const std::vector<std::string>& argv);
