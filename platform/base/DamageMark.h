// The mark of a database file that a program found damaged: a small file beside it,
// "<file>.damaged", naming the damaged file (device and inode), what was found and the damaged
// parts (tables). Every program that opens the file honours the mark: it writes nothing, so that
// no later change spreads the damage or hides it, and reads only the parts that are intact. The
// mark ends when the file is replaced (a file restored or rebuilt and moved into place is
// another inode) or when the mark is removed.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

namespace platform {

class DamageMark {
public:
    static std::filesystem::path PathOf(const std::filesystem::path& file);

    // True when the file carries a mark that still applies to it. A mark left by a file that
    // has since been replaced or removed is deleted.
    static bool IsMarked(const std::filesystem::path& file);
    // What the mark says was found ("" when there is no mark).
    static std::string Reason(const std::filesystem::path& file);

    // The damaged parts the mark names; "*" stands for all of the file. Empty without a mark.
    static std::set<std::string> Parts(const std::filesystem::path& file);

    // Marks the file (a mark already there stays as it is); `what` says what was found, `parts`
    // where ("*": all of it). False when the mark could not be written.
    static bool Mark(const std::filesystem::path& file, std::string_view what,
                     const std::set<std::string>& parts = {"*"});

    // Removes a mark: for a new file made at the place of a damaged one.
    static void Clear(const std::filesystem::path& file);
};

} // namespace platform
