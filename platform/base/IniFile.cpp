#include "base/IniFile.h"

#include "base/Utf.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

std::string_view Trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

bool IniFile::load(const std::filesystem::path& path)
{
    m_sections.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    parse(text.str());
    return true;
}

void IniFile::parse(std::string_view text)
{
    m_sections.clear();
    m_sections.push_back(Section{});
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        const std::string_view line = Trim(raw);
        if (!line.empty() && line.front() == '[') {
            std::string_view name = line.substr(1);
            const std::size_t close = name.find(']');
            if (close != std::string_view::npos)
                name = name.substr(0, close);
            m_sections.push_back(Section{std::string(Trim(name)), true, {}});
            continue;
        }
        Line l;
        l.text = std::string(raw);
        const std::size_t eq = line.find('=');
        if (!line.empty() && line.front() != ';' && eq != std::string_view::npos) {
            l.isKey = true;
            l.key = std::string(Trim(line.substr(0, eq)));
            l.value = std::string(Trim(line.substr(eq + 1)));
        }
        m_sections.back().lines.push_back(std::move(l));
    }
}

std::string IniFile::serialize() const
{
    std::string out;
    for (const auto& s : m_sections) {
        if (s.hasHead)
            out += "[" + s.name + "]\n";
        for (const auto& l : s.lines)
            out += (l.isKey ? l.key + "=" + l.value : l.text) + "\n";
    }
    return out;
}

const IniFile::Section* IniFile::findSection(std::string_view name) const
{
    for (const auto& s : m_sections)
        if (s.hasHead && EqualNoCase(s.name, Trim(name)))
            return &s;
    return nullptr;
}

IniFile::Section* IniFile::findSection(std::string_view name)
{
    return const_cast<Section*>(static_cast<const IniFile*>(this)->findSection(name));
}

std::vector<std::string> IniFile::sectionNames() const
{
    std::vector<std::string> names;
    for (const auto& s : m_sections)
        if (s.hasHead)
            names.push_back(s.name);
    return names;
}

std::optional<std::vector<std::string>> IniFile::keyNames(std::string_view section) const
{
    const Section* s = findSection(section);
    if (!s)
        return std::nullopt;
    std::vector<std::string> names;
    for (const auto& l : s->lines)
        if (l.isKey)
            names.push_back(l.key);
    return names;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    const Section* s = findSection(section);
    if (!s)
        return std::nullopt;
    for (const auto& l : s->lines)
        if (l.isKey && EqualNoCase(l.key, Trim(key)))
            return l.value;
    return std::nullopt;
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    Section* s = findSection(section);
    if (!s) {
        m_sections.push_back(Section{std::string(Trim(section)), true, {}});
        s = &m_sections.back();
    }
    for (auto& l : s->lines) {
        if (l.isKey && EqualNoCase(l.key, Trim(key))) {
            l.value = std::string(value);
            return;
        }
    }
    // Behind the last key, so that trailing blank lines stay between the sections.
    auto at = s->lines.end();
    while (at != s->lines.begin() && !std::prev(at)->isKey && Trim(std::prev(at)->text).empty())
        --at;
    Line l;
    l.isKey = true;
    l.key = std::string(Trim(key));
    l.value = std::string(value);
    s->lines.insert(at, std::move(l));
}

void IniFile::removeKey(std::string_view section, std::string_view key)
{
    Section* s = findSection(section);
    if (!s)
        return;
    auto& lines = s->lines;
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const Line& l) { return l.isKey && EqualNoCase(l.key, Trim(key)); }),
                lines.end());
}

void IniFile::removeSection(std::string_view section)
{
    m_sections.erase(std::remove_if(m_sections.begin(), m_sections.end(),
                                    [&](const Section& s) { return s.hasHead && EqualNoCase(s.name, Trim(section)); }),
                     m_sections.end());
}

} // namespace platform
