#include "base/PlatformRoot.h"

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {

namespace {

fs::path DefaultRoot()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return fs::path(xdg) / "winroot";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local" / "share" / "winroot";
    return fs::temp_directory_path() / "winroot";
}

fs::path Ensure(const fs::path& p)
{
    std::error_code ec;
    fs::create_directories(p, ec); // a failure shows later, when the folder is used
    return p;
}

} // namespace

fs::path RootDirectory()
{
    const char* env = std::getenv(kRootVariable);
    return Ensure(env && *env ? fs::path(env) : DefaultRoot());
}

fs::path RootSubdirectory(const std::string& name)
{
    return Ensure(RootDirectory() / name);
}

fs::path WindowsDirectory() { return RootSubdirectory("Windows"); }
fs::path AppDataDirectory() { return RootSubdirectory("AppData"); }
fs::path LocalAppDataDirectory() { return RootSubdirectory("LocalAppData"); }
fs::path StoresDirectory() { return RootSubdirectory("Stores"); }
fs::path SpoolDirectory() { return RootSubdirectory("Spool"); }
fs::path LogsDirectory() { return RootSubdirectory("Logs"); }
fs::path TempDirectory() { return RootSubdirectory("Temp"); }

} // namespace platform
