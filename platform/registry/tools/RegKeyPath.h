// A key as the tool's user writes it: a root (HKLM, HKCU, HKCR, HKU or the long names, in
// any letter case) and an optional path below it.
#pragma once

#include "registry/Registry.h"

#include <optional>
#include <string>
#include <string_view>

class RegKeyPath {
public:
    // Empty result for an unknown root or an ill-formed path.
    static std::optional<RegKeyPath> Parse(std::string_view text);

    HKEY Root() const { return m_root; }
    const std::string& RootName() const { return m_rootName; } // the long name
    const std::string& SubKey() const { return m_subKey; }     // without leading/trailing '\'
    bool IsRoot() const { return m_subKey.empty(); }
    std::string Display() const; // long root name and path
    RegKeyPath Child(const std::string& name) const;

private:
    HKEY m_root = nullptr;
    std::string m_rootName;
    std::string m_subKey;
};
