#include "base/DamageMark.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

namespace {

// The first line of a mark: "device inode" of the marked file.
std::string IdentityOf(const fs::path& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return {};
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + " " +
           std::to_string(static_cast<unsigned long long>(st.st_ino));
}

struct MarkText {
    std::string identity;
    std::string reason;
    std::set<std::string> parts;
};

bool ReadMark(const fs::path& mark, MarkText& text)
{
    std::ifstream in(mark, std::ios::binary);
    if (!in)
        return false;
    std::getline(in, text.identity);
    std::string line;
    bool partsGiven = false;
    while (std::getline(in, line)) {
        if (line.rfind("found: ", 0) == 0) {
            text.reason = line.substr(7);
        } else if (line.rfind("parts: ", 0) == 0) {
            partsGiven = true;
            std::istringstream words(line.substr(7));
            std::string part;
            while (words >> part)
                text.parts.insert(part);
        }
    }
    if (!partsGiven || text.parts.empty())
        text.parts = {"*"};
    return true;
}

} // namespace

fs::path DamageMark::PathOf(const fs::path& file)
{
    fs::path mark = file;
    mark += ".damaged";
    return mark;
}

bool DamageMark::IsMarked(const fs::path& file)
{
    const fs::path mark = PathOf(file);
    struct stat st {};
    if (::stat(mark.c_str(), &st) != 0)
        return false; // the common case: one failed stat
    MarkText text;
    if (!ReadMark(mark, text))
        return true; // a mark that cannot be read still counts: nothing is written
    const std::string current = IdentityOf(file);
    if (current.empty() || (!text.identity.empty() && text.identity != current)) {
        // The damaged file is gone or was replaced: its mark no longer applies.
        ::unlink(mark.c_str());
        return false;
    }
    return true;
}

std::string DamageMark::Reason(const fs::path& file)
{
    MarkText text;
    if (!IsMarked(file))
        return {};
    if (!ReadMark(PathOf(file), text) || text.reason.empty())
        return "damage";
    return text.reason;
}

std::set<std::string> DamageMark::Parts(const fs::path& file)
{
    MarkText text;
    if (!IsMarked(file))
        return {};
    if (!ReadMark(PathOf(file), text))
        return {"*"};
    return text.parts;
}

bool DamageMark::Mark(const fs::path& file, std::string_view what, const std::set<std::string>& parts)
{
    if (IsMarked(file))
        return true;
    const std::string identity = IdentityOf(file);
    if (identity.empty())
        return false;
    std::string reason(what);
    for (char& c : reason)
        if (c == '\n' || c == '\r')
            c = ' ';
    const std::time_t now = std::time(nullptr);
    char when[32] = {};
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::ostringstream text;
    text << identity << "\n"
         << "file: " << file.filename().string() << "\n"
         << "found: " << reason << "\n"
         << "parts:";
    for (const auto& part : parts.empty() ? std::set<std::string>{"*"} : parts)
        text << " " << part;
    text << "\n"
         << "when: " << when << "\n"
         << "The file is damaged and is no longer written. Replace it (for example with a copy from a\n"
         << "backup) to use it again; this mark then no longer applies.\n";
    // Written beside and renamed into place: a reader never sees half a mark.
    fs::path temp = PathOf(file);
    temp += "." + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text.str();
        out.flush();
        if (!out) {
            ::unlink(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), PathOf(file).c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

void DamageMark::Clear(const fs::path& file)
{
    ::unlink(PathOf(file).c_str());
}

} // namespace platform
