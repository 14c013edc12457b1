// Runs a program as a child process (inheriting the environment, so the platform root too)
// and collects its output and exit status.
#pragma once

#include <string>
#include <vector>

struct ChildResult {
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

ChildResult RunChild(const std::vector<std::string>& argv);
