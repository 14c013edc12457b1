#include "RegUtils.h"

#include "RegKeyEx.h"
#include "TraceScope.h"
#include "base/WinTime.h"

#include <cstdio>

namespace {

HRESULT FromWin32(LONG rc)
{
    return rc == ERROR_SUCCESS ? S_OK : HRESULT(0x80070000 | (rc & 0xFFFF));
}

void ReadTimestamp(HKEY root, const std::string& path, std::string* text)
{
    CRegKeyEx key;
    std::string value;
    if (key.Open(root, path.c_str(), KEY_READ) == ERROR_SUCCESS &&
        key.QueryStringValue(kTimeStampValue, &value) == ERROR_SUCCESS && text)
        *text = value;
}

} // namespace

HRESULT RegHasSubKeys(HKEY key, BOOL* has)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("RegHasSubKeys", &hr);
    DWORD subKeys = 0;
    const LONG rc =
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(rc);
        TracePrint(__FILE__, __LINE__, TL_ERROR, "RegQueryInfoKey() failed: hr = %lx\n", hr);
        return hr;
    }
    if (has)
        *has = subKeys > 0 ? TRUE : FALSE;
    return hr;
}

HRESULT RegDeleteKeyIfEmpty(HKEY parent, const char* name)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("RegDeleteKeyIfEmpty", &hr);
    CRegKeyEx key;
    BOOL has = TRUE;
    LONG rc = ERROR_SUCCESS;
    if (!name || !*name) {
        hr = E_INVALIDARG; // never the parent itself
        return hr;
    }
    rc = key.Open(parent, name, KEY_ALL_ACCESS);
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(rc);
        TRACE_FAILED(Open, hr);
        return hr;
    }
    hr = RegHasSubKeys(key, &has);
    if (FAILED(hr)) {
        TRACE_FAILED(RegHasSubKeys, hr);
        return hr;
    }
    if (!has) {
        key.Close();
        rc = RegDeleteKeyA(parent, name);
        if (rc != ERROR_SUCCESS) {
            hr = FromWin32(rc);
            TRACE_FAILED(RegDeleteKey, hr);
        }
    }
    return hr;
}

void ReadTimestamps(const char* profileKey, std::string* user, std::string* install)
{
    TRACE_PROC("ReadTimestamps");
    if (profileKey && *profileKey)
        ReadTimestamp(HKEY_CURRENT_USER, std::string(kFoldersKey) + "\\" + profileKey, user);
    ReadTimestamp(HKEY_LOCAL_MACHINE, kInstallKey, install);
}

HRESULT SaveUserTimestamp(const char* profileKey)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("SaveUserTimestamp", &hr);
    SYSTEMTIME now{};
    CRegKeyEx folders;
    CRegKeyEx profile;
    LONG rc = ERROR_SUCCESS;
    if (!profileKey || !*profileKey) {
        hr = E_INVALIDARG;
        return hr;
    }
    GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                  now.wSecond);
    rc = folders.Create(HKEY_CURRENT_USER, kFoldersKey, KEY_ALL_ACCESS);
    if (rc == ERROR_SUCCESS)
        rc = profile.Create(folders, profileKey, KEY_ALL_ACCESS);
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(rc);
        TRACE_FAILED(Create, hr);
        return hr;
    }
    rc = profile.SetStringValue(kTimeStampValue, text);
    if (rc != ERROR_SUCCESS) {
        hr = FromWin32(rc);
        TRACE_FAILED(SetValue, hr);
    }
    return hr;
}
