// A module's resource script: the text file that suite_embed_resources compiles into the
// module. Paths are relative to the script's folder; `#` starts a comment; texts are in double
// quotes with \n, \t, \r, \", \\ and \xHH escapes, and several texts in a row are joined.
//
//     icon 128 app.ico                  # resources before any `language` line have none
//     bitmap 247 "play buttons.bmp"
//     resource ECF 275 setup.ecf        # a typed resource: type name or number, id, file
//
//     language de                       # en, de, fr, it, es, neutral or an LCID (1031, 0x0407)
//     string 100 "Lumivane Add-In"
//     strings
//         430 "Erinnerung: %s\n"
//         431 "Datum: %s %s\n"
//     end
//     menu 262
//         popup "Spalten"
//             item 1100 "&Feldauswahl..." default
//             separator
//             item 1101 "&Aufsteigend" checked
//             item 1102 "&Absteigend" grayed
//         end
//     end
//
//     include "window.resources"        # another script, read as if it stood here
//
// Ids are numbers from 1 to 65535 (string ids from 0) or names; item options are checked,
// grayed, disabled and default. An included script starts without a language, and the
// including script's language holds again after it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::tools {

struct ScriptResource {
    std::uint32_t typeId = 0; // 0 when the type is a name
    std::string typeName;
    std::uint32_t nameId = 0; // 0 when the resource has a name
    std::string name;
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
    std::filesystem::path file; // the script that gave it, and its line there
    int line = 0;
};

class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ResourceScript {
public:
    // Reads and checks the script and the files it names. Throws ScriptError with
    // "FILE:LINE: reason" on the first fault.
    static ResourceScript Parse(const std::filesystem::path& script);
    static ResourceScript ParseText(const std::string& text, const std::filesystem::path& script);

    const std::vector<ScriptResource>& Resources() const { return m_resources; }
    // The script and every file it read, for the build's dependency list.
    const std::vector<std::filesystem::path>& Inputs() const { return m_inputs; }

private:
    std::vector<ScriptResource> m_resources;
    std::vector<std::filesystem::path> m_inputs;
};

// The compiled block (base/ResourceFormat.h) of the resources.
std::vector<std::uint8_t> BuildResourceBlock(const std::vector<ScriptResource>& resources);

} // namespace platform::tools
