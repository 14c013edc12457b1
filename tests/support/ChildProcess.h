// Runs a program as a child process for tests: arguments, extra environment variables, its
// standard output read back, its standard input held open until closeInput() so that a child
// can be kept alive while another one runs.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::pair<std::string, std::string>>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // One line of the child's standard output, without its line end ("" at the end of output).
    std::string readLine();
    void closeInput();
    // Closes the input, waits and returns the exit code (-1 when the child did not exit normally).
    int wait();

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_pending;
    int m_status = -1;
};
