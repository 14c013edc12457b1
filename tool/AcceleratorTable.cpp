#include "AcceleratorTable.h"

#include "base/Module.h"
#include "base/Resources.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

namespace {

const std::set<std::string>& NamedKeys()
{
    static const std::set<std::string> keys = {"Del", "Ins", "Home", "End", "PgUp", "PgDn", "Esc",
                                               "Enter", "Tab", "Space", "Back"};
    return keys;
}

bool IsKey(const std::string& key)
{
    if (key.size() == 1)
        return std::isalnum(static_cast<unsigned char>(key[0])) != 0;
    if (key.size() >= 2 && key.size() <= 3 && key[0] == 'F' &&
        std::all_of(key.begin() + 1, key.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        const int n = std::stoi(key.substr(1));
        return n >= 1 && n <= 24;
    }
    return NamedKeys().contains(key);
}

} // namespace

CAcceleratorTable CAcceleratorTable::Load(UINT id)
{
    CAcceleratorTable table;
    const HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "ACCELERATORS");
    if (!found)
        return table;
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    if (data)
        table.Parse(std::string(data, SizeofResource(module, found)));
    return table;
}

bool CAcceleratorTable::Parse(const std::string& text)
{
    std::vector<CAccelerator> entries;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (const auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::string keyText, commandText, extra;
        if (!(words >> keyText))
            continue;
        if (!(words >> commandText) || (words >> extra))
            return false;
        CAccelerator accelerator;
        // The modifiers come first, each followed by '+'.
        for (std::size_t plus; (plus = keyText.find('+')) != std::string::npos && plus + 1 < keyText.size();) {
            const std::string modifier = keyText.substr(0, plus);
            if (modifier == "Ctrl")
                accelerator.ctrl = true;
            else if (modifier == "Shift")
                accelerator.shift = true;
            else if (modifier == "Alt")
                accelerator.alt = true;
            else
                return false;
            keyText.erase(0, plus + 1);
        }
        if (!IsKey(keyText) || commandText.empty() || commandText.size() > 5 ||
            !std::all_of(commandText.begin(), commandText.end(),
                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return false;
        const unsigned long command = std::stoul(commandText);
        if (command == 0 || command > 0xFFFF)
            return false;
        accelerator.key = keyText.size() == 1 ? std::string(1, static_cast<char>(std::toupper(
                                                                  static_cast<unsigned char>(keyText[0]))))
                                              : keyText;
        accelerator.command = static_cast<UINT>(command);
        entries.push_back(accelerator);
    }
    m_entries = std::move(entries);
    return true;
}

UINT CAcceleratorTable::Find(const std::string& key, bool ctrl, bool shift, bool alt) const
{
    for (const CAccelerator& a : m_entries)
        if (a.key == key && a.ctrl == ctrl && a.shift == shift && a.alt == alt)
            return a.command;
    return 0;
}

std::string CAcceleratorTable::KeyText(const CAccelerator& accelerator)
{
    std::string text;
    if (accelerator.ctrl)
        text += "Ctrl+";
    if (accelerator.shift)
        text += "Shift+";
    if (accelerator.alt)
        text += "Alt+";
    return text + accelerator.key;
}
