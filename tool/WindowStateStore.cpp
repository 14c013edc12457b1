#include "WindowStateStore.h"

#include "registry/Registry.h"

#include <algorithm>

namespace {

const char* const kValueName = "WindowPlacement";

std::string SectionKey(const std::string& settings, const std::string& section) { return settings + "\\" + section; }

} // namespace

BOOL CWindowStateStore::SaveWindowState(const std::string& section, BOOL bRectOnly)
{
    CPlacementText placement = GetPlacement();
    if (bRectOnly) {
        placement.rect = GetWindowRect();
        placement.showCmd = 1;
        placement.flags = 0;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SectionKey(GetSettingsKey(), section).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return FALSE;
    const std::string text = placement.Format();
    const LONG rc = RegSetValueExA(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL CWindowStateStore::LoadWindowState(const std::string& section, BOOL bRectOnly)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SectionKey(GetSettingsKey(), section).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return FALSE;
    char buffer[128] = "";
    DWORD cb = sizeof(buffer) - 1;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &cb);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return FALSE;
    buffer[std::min<DWORD>(cb, sizeof(buffer) - 1)] = '\0';
    const auto placement = CPlacementText::Parse(buffer);
    if (!placement || placement->rect.IsRectEmpty())
        return FALSE;
    const std::vector<CRect> areas = GetWorkAreas();
    if (std::none_of(areas.begin(), areas.end(), [&](const CRect& area) { return area.Contains(placement->rect); }))
        return FALSE;
    if (bRectOnly)
        MoveWindow(placement->rect);
    else
        SetPlacement(*placement);
    return TRUE;
}
