#include "Setup.h"

#include "ModuleInstance.h"
#include "TraceScope.h"
#include "base/FileApi.h"
#include "base/Handles.h"
#include "base/LastError.h"
#include "base/Module.h"
#include "base/Profile.h"
#include "base/Resources.h"
#include "mapi/MapiCodes.h"

#include <vector>

namespace {

constexpr char kExtensionsKey[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";
constexpr char kExtensionName[] = "Lumivane Add-In";
constexpr char kReloadMarker[] = "Outlook Setup Extension";
constexpr char kReloadMarkerData[] = "4.0;Outxxx.dll;7;000000000000000;0000000000;OutXXX";
constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
constexpr char kEcfType[] = "ECF";
constexpr WORD kEcfResource = 275;
// The known add-ins folders of the host, in the order they are tried.
constexpr const char* kAddinsFolders[] = {"Complts", "Suplemen"};

// A Win32 error as HRESULT; no error at all is still a failure.
HRESULT FromWin32(DWORD error)
{
    return static_cast<LONG>(error) > 0 ? static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu)) : E_FAIL;
}

bool EndsWithSeparator(const std::string& path)
{
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the pattern matches at least one entry.
bool AnyMatch(const std::string& pattern)
{
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return true;
}

// The host's folder from App Paths, ending in a separator; empty when there is no usable value.
std::string HostFolder()
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "RegOpenKeyEx() failed. hr=0x%08lx\n", FromWin32(rc));
        return std::string();
    }
    std::vector<char> buffer(MAX_PATH + 1);
    DWORD type = 0;
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size() - 1);
        rc = RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size);
        if (rc == ERROR_MORE_DATA && size < 0x100000) {
            buffer.resize(size + 1);
            continue;
        }
        if (rc == ERROR_SUCCESS)
            buffer[size] = '\0';
        break;
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "RegQueryValueEx() failed. hr=0x%08lx\n", FromWin32(rc));
        return std::string();
    }
    std::string folder = type == REG_SZ || type == REG_EXPAND_SZ ? std::string(buffer.data()) : std::string();
    if (folder.empty()) {
        // Anything else would make the file system's root (or the current folder) the host's.
        TracePrint(__FILE__, __LINE__, TL_ERROR, "The host's Path is empty or not text. hr=0x%08lx\n",
                   MAPI_E_NOT_FOUND);
        return folder;
    }
    if (!EndsWithSeparator(folder))
        folder += '\\';
    return folder;
}

} // namespace

CSetup::CSetup()
{
    TRACE_CTOR("CSetup");
}

CSetup::~CSetup()
{
    TRACE_DTOR("CSetup");
}

HRESULT CSetup::Install()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSetup::Install", &hr);
    UnInstallReg();
    hr = InstallECF();
    if (FAILED(hr)) {
        TRACE_FAILED(InstallECF, hr);
        return hr;
    }
    hr = SetExtensionsReloadFlag();
    if (FAILED(hr))
        TracePrint(__FILE__, __LINE__, TL_ERROR, "SetExtensionsChangedFlag() failed. hr=0x%08lx\n", hr);
    return hr;
}

HRESULT CSetup::UnInstall()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSetup::UnInstall", &hr);
    UnInstallReg();
    hr = UnInstallECF();
    if (FAILED(hr))
        TRACE_FAILED(UnInstallECF, hr);
    const HRESULT flagged = SetExtensionsReloadFlag();
    if (FAILED(flagged)) {
        TracePrint(__FILE__, __LINE__, TL_ERROR, "SetExtensionsChangedFlag() failed. hr=0x%08lx\n", flagged);
        if (SUCCEEDED(hr))
            hr = flagged;
    }
    return hr;
}

HRESULT CSetup::GetExtensionKey(HKEY* key)
{
    *key = nullptr;
    const LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE, nullptr, key, nullptr);
    return rc == ERROR_SUCCESS ? S_OK : FromWin32(static_cast<DWORD>(rc));
}

HRESULT CSetup::UnInstallReg()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSetup::UnInstallReg", &hr);
    HKEY key = nullptr;
    hr = GetExtensionKey(&key);
    if (FAILED(hr)) {
        TRACE_FAILED(GetExtensionKey, hr);
        return hr;
    }
    const LONG rc = RegDeleteValueA(key, kExtensionName);
    if (rc == ERROR_SUCCESS) {
        hr = SetExtensionsReloadFlag();
    } else {
        hr = FromWin32(static_cast<DWORD>(rc));
        TRACE_FAILED(RegDeleteValue, hr);
    }
    RegCloseKey(key);
    return hr;
}

HRESULT CSetup::SetExtensionsReloadFlag()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSetup::SetExtensionsReloadFlag", &hr);
    HKEY key = nullptr;
    hr = GetExtensionKey(&key);
    if (FAILED(hr)) {
        TRACE_FAILED(GetExtensionKey, hr);
        return hr;
    }
    const LONG rc = RegSetValueExA(key, kReloadMarker, 0, REG_SZ, reinterpret_cast<const BYTE*>(kReloadMarkerData),
                                   sizeof kReloadMarkerData);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(static_cast<DWORD>(rc));
        TRACE_FAILED(RegSetValueEx, hr);
    }
    return hr;
}

HRESULT CSetup::InstallECF()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSetup::InstallECF", &hr);
    char libraryPath[MAX_PATH] = "";
    const HMODULE module = ModuleInstance();
    HRSRC resource = nullptr;
    HGLOBAL loaded = nullptr;
    const void* bytes = nullptr;
    DWORD size = 0, written = 0;
    std::string fileName;
    HANDLE file = INVALID_HANDLE_VALUE;
    BOOL ok = FALSE;

    // A path cut to the buffer would name another file in the .ecf: that is a failure too.
    const DWORD length = GetModuleFileNameA(module, libraryPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        hr = FromWin32(length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER);
        TRACE_FAILED(GetModuleFileName, hr);
        return hr;
    }
    resource = FindResourceExA(module, kEcfType, MAKEINTRESOURCEA(kEcfResource), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    if (!resource) {
        hr = FromWin32(GetLastError());
        TRACE_FAILED(FindResourceEx, hr);
        return hr;
    }
    loaded = LoadResource(module, resource);
    if (!loaded) {
        hr = FromWin32(GetLastError());
        TRACE_FAILED(LoadResource, hr);
        return hr;
    }
    size = SizeofResource(module, resource);
    if (size == 0) {
        hr = FromWin32(GetLastError());
        TRACE_FAILED(SizeofResource, hr);
        return hr;
    }
    bytes = LockResource(loaded);
    if (!bytes) {
        hr = FromWin32(GetLastError());
        TRACE_FAILED(LockResource, hr);
        return hr;
    }

    fileName = GetEcfFileName();
    if (fileName.empty()) {
        hr = MAPI_E_NOT_FOUND;
        TRACE_FAILED(GetAddinsPath, hr);
        return hr;
    }
    file = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        hr = FromWin32(GetLastError());
        TRACE_FAILED(CreateFile, hr);
        return hr;
    }
    ok = WriteFile(file, bytes, size, &written, nullptr);
    if (!ok || written != size)
        hr = FromWin32(ok ? ERROR_WRITE_FAULT : GetLastError());
    if (!CloseHandle(file) && SUCCEEDED(hr))
        hr = FromWin32(GetLastError());
    if (FAILED(hr)) {
        TRACE_FAILED(WriteFile, hr);
        DeleteFileA(fileName.c_str());
        return hr;
    }
    if (!WritePrivateProfileStringA("General", "Path", libraryPath, fileName.c_str())) {
        // A file naming the resource's own library would load nothing: take it away again.
        hr = FromWin32(GetLastError());
        TRACE_FAILED(WritePrivateProfileString, hr);
        DeleteFileA(fileName.c_str());
        return hr;
    }
    return hr;
}

HRESULT CSetup::UnInstallECF()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CSetup::UnInstallECF", &hr);
    const std::string fileName = GetEcfFileName();
    if (fileName.empty()) {
        hr = MAPI_E_NOT_FOUND;
        TRACE_FAILED(GetAddinsPath, hr);
        return hr;
    }
    if (!DeleteFileA(fileName.c_str())) {
        hr = FromWin32(GetLastError());
        TRACE_FAILED(DeleteFile, hr);
    }
    return hr;
}

std::string CSetup::GetAddinsPath()
{
    TRACE_PROC("CSetup::GetAddinsPath");
    const std::string host = HostFolder();
    if (host.empty())
        return host;
    std::string result;
    for (const char* name : kAddinsFolders)
        if (IsFolder(host + name)) {
            result = host + name;
            break;
        }
    if (result.empty()) {
        // The first subfolder that holds a configuration file.
        WIN32_FIND_DATAA data{};
        HANDLE find = FindFirstFileA((host + "*.*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.cFileName[0] != '.' &&
                    AnyMatch(host + data.cFileName + "\\*.ecf")) {
                    result = host + data.cFileName;
                    break;
                }
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
    }
    if (result.empty())
        result = host;
    // The file system's root keeps its one separator.
    while (result.size() > 1 && EndsWithSeparator(result))
        result.pop_back();
    return result;
}

std::string CSetup::GetEcfFileName()
{
    const std::string folder = GetAddinsPath();
    return folder.empty() ? folder : folder + "\\" + kExtensionName + ".ecf";
}
