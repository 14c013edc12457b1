#include "RegisterServerCommand.h"

#include "base/Utf.h"
#include "com/ComModule.h"
#include "com/ComRuntime.h"

#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <ostream>

namespace {

std::string HexCode(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

} // namespace

const char* RegisterServerCommand::Usage()
{
    return "Usage: regsvr [/u] [/s] MODULE\n"
           "  /u  unregister the server (DllUnregisterServer)\n"
           "  /s  silent: print nothing on success\n";
}

std::optional<RegisterServerCommand> RegisterServerCommand::Parse(const std::vector<std::string>& args,
                                                                  std::string& error)
{
    RegisterServerCommand command;
    for (const std::string& arg : args) {
        // "-x" is always a switch; "/x" only as a single letter, since a path begins with "/" too.
        const bool isSwitch = (arg.size() >= 2 && arg[0] == '-') || (arg.size() == 2 && arg[0] == '/');
        if (isSwitch) {
            const std::string word = platform::ToLowerAscii(arg.substr(1));
            if (word == "u") {
                command.m_unregister = true;
            } else if (word == "s") {
                command.m_silent = true;
            } else {
                error = "Unrecognized flag: " + arg;
                return std::nullopt;
            }
        } else if (command.m_module.empty()) {
            command.m_module = arg;
        } else {
            error = "Only one module may be named: " + arg;
            return std::nullopt;
        }
    }
    if (command.m_module.empty()) {
        error = "No module name given.";
        return std::nullopt;
    }
    return command;
}

int RegisterServerCommand::Run(std::ostream& out, std::ostream& err) const
{
    const char* entry = m_unregister ? "DllUnregisterServer" : "DllRegisterServer";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(m_module, ec)) {
        err << "The module \"" << m_module << "\" was not found.\n";
        return kLoadFailed;
    }
    // The file named, not a library search; loaded by its absolute path so that the server
    // registers where it really is, whatever folder the tool ran in.
    const std::string path = std::filesystem::absolute(m_module, ec).lexically_normal().string();

    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        err << "The module \"" << m_module << "\" failed to load.\n" << (why ? why : "") << "\n";
        return kLoadFailed;
    }
    auto call = reinterpret_cast<PFN_DllRegisterServer>(dlsym(handle, entry));
    if (!call) {
        err << "The module \"" << m_module << "\" was loaded, but the entry-point " << entry
            << " was not found.\n";
        dlclose(handle);
        return kEntryPointMissing;
    }
    const HRESULT init = CoInitialize(nullptr);
    const HRESULT hr = call();
    if (SUCCEEDED(init))
        CoUninitialize();
    if (FAILED(hr)) {
        err << "The module \"" << m_module << "\" was loaded, but the call to " << entry
            << " failed with error code " << HexCode(hr) << ".\n";
        dlclose(handle);
        return kCallFailed;
    }
    if (!m_silent)
        out << entry << " in " << m_module << " succeeded.\n";
    dlclose(handle);
    return kSuccess;
}
