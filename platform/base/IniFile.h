// The contents of one INI file: sections of key=value lines. Section and key names compare
// without regard to letter case and keep the case they were written with. Lines that are
// neither section heads nor keys (comments, blank lines) are kept as they stand on rewrite.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniFile {
public:
    // Reads the file; false (and an empty object) when it cannot be read.
    bool load(const std::filesystem::path& path);
    void parse(std::string_view text);
    std::string serialize() const;

    std::vector<std::string> sectionNames() const;
    // Key names of the first section of that name; nullopt when there is no such section.
    std::optional<std::vector<std::string>> keyNames(std::string_view section) const;
    // The value as written, blanks around it removed; nullopt when section or key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    void setValue(std::string_view section, std::string_view key, std::string_view value);
    void removeKey(std::string_view section, std::string_view key);
    void removeSection(std::string_view section);

private:
    struct Line {
        std::string text;  // the line as written (for kept lines), or the rebuilt line
        std::string key;   // empty for lines that are not keys
        std::string value; // for key lines
        bool isKey = false;
    };
    struct Section {
        std::string name;   // empty name: lines before the first section head
        bool hasHead = false;
        std::vector<Line> lines;
    };

    Section* findSection(std::string_view name);
    const Section* findSection(std::string_view name) const;

    std::vector<Section> m_sections;
};

} // namespace platform
