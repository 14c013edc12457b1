// A private X display for one test: an Xvfb server of its own. The server picks a free display
// number and reports it (-displayfd), so tests that run at the same time never share a display
// or race for one, as several `xvfb-run -a` started together can.
#pragma once

#include <string>
#include <sys/types.h>

class VirtualDisplay {
public:
    // Starts the server with one screen of this size (24 bits); ok() tells whether it runs.
    explicit VirtualDisplay(int width = 1280, int height = 1024);
    // Stops the server and restores DISPLAY when makeCurrent() changed it.
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // Whether an Xvfb program is installed at all.
    static bool Available();

    bool ok() const { return !m_name.empty(); }
    // ":N", or "" when the server did not start.
    const std::string& name() const { return m_name; }
    // Why the server did not start.
    const std::string& error() const { return m_error; }
    // Points this process's DISPLAY at the server (for toolkits started in the test itself).
    void makeCurrent();
    // Runs a shell command with DISPLAY set to this display; the result as std::system gives it.
    int run(const std::string& shellCommand) const;

private:
    pid_t m_pid = -1;
    std::string m_name;
    std::string m_error;
    bool m_changedEnvironment = false;
    bool m_hadDisplay = false;
    std::string m_previousDisplay;
};
