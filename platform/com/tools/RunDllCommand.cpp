#include "RunDllCommand.h"

#include "base/LastError.h"
#include "base/Module.h"
#include "base/Path.h"
#include "base/Window.h"

#include <filesystem>
#include <ostream>

namespace {

using RunDllEntry = void (*)(HWND window, HINSTANCE instance, LPSTR arguments, int show);

} // namespace

const char* RunDllCommand::Usage()
{
    return "Usage: rundll LIBRARY,ENTRY [ARGS]\n"
           "  calls ENTRY(window, instance, \"ARGS\", SW_SHOWNORMAL) of the library\n";
}

std::optional<RunDllCommand> RunDllCommand::Parse(const std::vector<std::string>& args, std::string& error)
{
    if (args.empty()) {
        error = "No library and entry given.";
        return std::nullopt;
    }
    const std::string& target = args[0];
    const std::size_t comma = target.rfind(',');
    if (comma == std::string::npos || comma == 0 || comma + 1 == target.size()) {
        error = "\"" + target + "\" is not LIBRARY,ENTRY.";
        return std::nullopt;
    }
    RunDllCommand command;
    command.m_library = target.substr(0, comma);
    command.m_entry = target.substr(comma + 1);
    for (std::size_t i = 1; i < args.size(); ++i)
        command.m_arguments += (i > 1 ? " " : "") + args[i];
    return command;
}

int RunDllCommand::Run(std::ostream& err) const
{
    // A library named by a path is loaded by its absolute path, so that it knows where it lies
    // whatever folder the tool ran in.
    std::string library = platform::NativePath(m_library);
    std::error_code ec;
    if (library.find('/') != std::string::npos && std::filesystem::is_regular_file(library, ec))
        library = std::filesystem::absolute(library, ec).lexically_normal().string();
    const HMODULE module = LoadLibraryA(library.c_str());
    if (!module) {
        err << "rundll: the library \"" << m_library << "\" cannot be loaded (error " << GetLastError() << ").\n";
        return kLoadFailed;
    }
    const auto entry = reinterpret_cast<RunDllEntry>(GetProcAddress(module, m_entry.c_str()));
    if (!entry) {
        err << "rundll: the library \"" << m_library << "\" has no entry \"" << m_entry << "\".\n";
        FreeLibrary(module);
        return kEntryPointMissing;
    }
    const HWND window = platform::CreateMessageWindow("RunDLL", "", DefWindowProcA);
    std::string arguments = m_arguments; // the entry may write into its argument text
    entry(window, module, arguments.data(), SW_SHOWNORMAL);
    if (window && IsWindow(window))
        DestroyWindow(window);
    FreeLibrary(module);
    return kSuccess;
}
