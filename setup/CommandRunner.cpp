#include "CommandRunner.h"

#include "base/CommandInterpreter.h"
#include "base/LastError.h"
#include "base/WinError.h"

#include <cerrno>
#include <cstdint>
#include <iostream>

std::string ShellQuoted(std::string_view text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"' || c == '$' || c == '`')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

HRESULT RunCommand(LPCSTR commandLine)
{
    using platform::system;
    errno = 0;
    const int rc = system(commandLine);
    if (rc < 0) {
        const HRESULT hr = HRESULT_FROM_WIN32(Win32ErrorFromErrno(errno != 0 ? errno : ENOENT));
        std::cout << "RunCommand - Failed to start: " << commandLine << " hr=" << std::hex
                  << static_cast<std::uint32_t>(hr) << std::endl;
        return hr;
    }
    if (rc != 0) {
        std::cout << "RunCommand - Failed: " << commandLine << " exit code " + std::to_string(rc) << std::endl;
        return E_FAIL;
    }
    return S_OK;
}
