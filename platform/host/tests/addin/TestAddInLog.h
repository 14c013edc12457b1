// The test add-in's log: one line per call or event, appended to testaddin.log in the
// platform root, so that tests in this process and in a host child process can read it.
#pragma once

#include <string>

void TestAddInLog(const std::string& line);
