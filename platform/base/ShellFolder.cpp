#include "base/ShellFolder.h"

#include "base/LastError.h"
#include "base/PlatformRoot.h"
#include "base/WinError.h"

#include <cstring>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

// The folder of an id, or nothing for an id we do not know.
std::optional<fs::path> FolderOf(int id)
{
    switch (id) {
    case CSIDL_APPDATA: return platform::AppDataDirectory();
    case CSIDL_LOCAL_APPDATA: return platform::LocalAppDataDirectory();
    case CSIDL_WINDOWS: return platform::WindowsDirectory();
    case CSIDL_COMMON_APPDATA: return platform::RootDirectory() / "ProgramData";
    case CSIDL_PERSONAL: return platform::RootDirectory() / "Documents";
    case CSIDL_PROGRAM_FILES: return platform::RootDirectory() / "Program Files";
    case CSIDL_SYSTEM: return platform::WindowsDirectory() / "System32";
    default: return std::nullopt;
    }
}

} // namespace

HRESULT SHGetFolderPathA(HWND, int csidl, HANDLE, DWORD, LPSTR path)
{
    if (!path)
        return E_INVALIDARG;
    path[0] = '\0';
    const int id = csidl & ~CSIDL_FLAG_MASK;
    const auto folder = FolderOf(id);
    if (!folder)
        return E_INVALIDARG;

    std::error_code ec;
    if (!fs::is_directory(*folder, ec)) {
        if (csidl & CSIDL_FLAG_CREATE) {
            fs::create_directories(*folder, ec);
            if (ec)
                return HRESULT_FROM_WIN32(Win32ErrorFromErrno(ec.value()));
            if (!fs::is_directory(*folder, ec))
                return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        } else if (!(csidl & CSIDL_FLAG_DONT_VERIFY)) {
            return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        }
    }
    const std::string text = folder->string();
    if (text.size() >= MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    std::memcpy(path, text.c_str(), text.size() + 1);
    return S_OK;
}
