#include "ResourceScript.h"

#include "base/ImageCodec.h"
#include "base/ResourceFormat.h"
#include "base/Utf.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

namespace platform::tools {

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kMenuGrayed = 0x0001;   // MF_GRAYED
constexpr std::uint16_t kMenuDisabled = 0x0002; // MF_DISABLED
constexpr std::uint16_t kMenuChecked = 0x0008;  // MF_CHECKED
constexpr std::uint16_t kMenuPopup = 0x0010;    // MF_POPUP
constexpr std::uint16_t kMenuSeparator = 0x0800; // MF_SEPARATOR
constexpr std::uint16_t kMenuDefault = 0x1000;  // MF_DEFAULT

constexpr std::uint32_t kTypeBitmap = 2, kTypeMenu = 4, kTypeString = 6, kTypeGroupIcon = 14;

struct Token {
    enum Kind { Word, Text, End } kind = End;
    std::string value;
    int line = 0;
};

class Parser {
public:
    Parser(const std::string& text, fs::path script) : m_script(std::move(script))
    {
        Tokenize(text);
    }

    void Run(std::vector<ScriptResource>& resources, std::vector<fs::path>& inputs)
    {
        m_resources = &resources;
        m_inputs = &inputs;
        while (Peek().kind != Token::End) {
            const Token t = Next();
            if (t.kind != Token::Word)
                Fail(t.line, "a text where a keyword belongs");
            if (t.value == "language")
                m_language = Language(Next());
            else if (t.value == "string")
                String(t.line);
            else if (t.value == "strings")
                Strings();
            else if (t.value == "icon")
                File(t.line, kTypeGroupIcon, {});
            else if (t.value == "bitmap")
                File(t.line, kTypeBitmap, {});
            else if (t.value == "resource")
                Typed(t.line);
            else if (t.value == "menu")
                Menu(t.line);
            else if (t.value == "include")
                Include(t.line);
            else
                Fail(t.line, "unknown keyword '" + t.value + "' (language, string, strings, icon, bitmap, resource, menu, include)");
        }
    }

private:
    [[noreturn]] void Fail(int line, const std::string& why) const
    {
        throw ScriptError(m_script.string() + ":" + std::to_string(line) + ": " + why);
    }

    void Tokenize(const std::string& text)
    {
        int line = 1;
        for (std::size_t i = 0; i < text.size();) {
            const char c = text[i];
            if (c == '\n') {
                ++line;
                ++i;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '#') {
                while (i < text.size() && text[i] != '\n')
                    ++i;
            } else if (c == '"') {
                Token t{Token::Text, {}, line};
                ++i;
                bool closed = false;
                while (i < text.size()) {
                    char d = text[i++];
                    if (d == '"') {
                        closed = true;
                        break;
                    }
                    if (d == '\n')
                        Fail(line, "a text must end on its line");
                    if (d == '\\') {
                        if (i >= text.size())
                            break;
                        const char e = text[i++];
                        switch (e) {
                        case 'n': d = '\n'; break;
                        case 't': d = '\t'; break;
                        case 'r': d = '\r'; break;
                        case '"': d = '"'; break;
                        case '\\': d = '\\'; break;
                        case 'x': {
                            unsigned value = 0;
                            const auto [end, ec] = std::from_chars(text.data() + i, text.data() + std::min(i + 2, text.size()), value, 16);
                            if (ec != std::errc() || end != text.data() + i + 2)
                                Fail(line, "\\x needs two hexadecimal digits");
                            i += 2;
                            d = static_cast<char>(value);
                            break;
                        }
                        default:
                            Fail(line, std::string("unknown escape \\") + e);
                        }
                    }
                    t.value += d;
                }
                if (!closed)
                    Fail(line, "a text without its closing quote");
                m_tokens.push_back(std::move(t));
            } else {
                Token t{Token::Word, {}, line};
                while (i < text.size() && !std::strchr(" \t\r\n\"#", text[i]))
                    t.value += text[i++];
                m_tokens.push_back(std::move(t));
            }
        }
        m_tokens.push_back({Token::End, {}, line});
    }

    const Token& Peek() const { return m_tokens[m_pos]; }
    Token Next()
    {
        const Token& t = m_tokens[m_pos];
        if (t.kind != Token::End)
            ++m_pos;
        return t;
    }

    static bool Number(const std::string& text, std::uint32_t& value)
    {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const char* begin = text.data() + (hex ? 2 : 0);
        const char* end = text.data() + text.size();
        const auto [stop, ec] = std::from_chars(begin, end, value, hex ? 16 : 10);
        return !text.empty() && ec == std::errc() && stop == end;
    }

    static bool IsName(const std::string& text)
    {
        if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0])))
            return false;
        return std::all_of(text.begin(), text.end(),
                           [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
    }

    std::uint16_t Language(const Token& t)
    {
        if (t.kind != Token::Word)
            Fail(t.line, "'language' needs a language: en, de, fr, it, es, neutral or an LCID");
        static const std::map<std::string, std::uint16_t> names = {
            {"neutral", 0}, {"en", 1033}, {"de", 1031}, {"fr", 1036}, {"it", 1040}, {"es", 3082}};
        if (const auto it = names.find(platform::ToLowerAscii(t.value)); it != names.end())
            return it->second;
        std::uint32_t value = 0;
        if (!Number(t.value, value) || value > 0xFFFF)
            Fail(t.line, "unknown language '" + t.value + "'");
        return static_cast<std::uint16_t>(value);
    }

    // An id (number 1..65535) or a name into the resource's name fields.
    void Id(const Token& t, std::uint32_t& id, std::string& name, const char* what)
    {
        std::uint32_t value = 0;
        if (t.kind == Token::Word && Number(t.value, value)) {
            if (value < 1 || value > 0xFFFF)
                Fail(t.line, std::string(what) + " must lie between 1 and 65535");
            id = value;
            return;
        }
        if (t.kind != Token::Word || !IsName(t.value))
            Fail(t.line, std::string(what) + " must be a number or a name of letters, digits and '_'");
        name = platform::ToUpperAscii(t.value);
    }

    std::string Texts(int line, const char* what)
    {
        if (Peek().kind != Token::Text)
            Fail(line, std::string(what) + " needs a text in double quotes");
        std::string text;
        while (Peek().kind == Token::Text)
            text += Next().value;
        for (std::size_t i = 0; i < text.size();) {
            char32_t cp = 0;
            const std::size_t n = platform::DecodeUtf8(text, i, cp);
            if (n == 0)
                Fail(line, "a text that is not UTF-8");
            i += n;
        }
        return text;
    }

    void Add(ScriptResource r)
    {
        const auto key = [](const ScriptResource& x) {
            return std::make_tuple(x.typeId, x.typeName, x.nameId, x.name, x.language);
        };
        r.file = m_script;
        for (const auto& existing : *m_resources)
            if (key(existing) == key(r))
                Fail(r.line, "this resource is given twice in this language (first on " +
                                 (existing.file == m_script ? std::string() : existing.file.string() + ":") + "line " +
                                 std::to_string(existing.line) + ")");
        m_resources->push_back(std::move(r));
    }

    void AddString(const Token& id, int line)
    {
        std::uint32_t value = 0;
        if (id.kind != Token::Word || !Number(id.value, value) || value > 0xFFFF)
            Fail(id.line, "a string id must be a number from 0 to 65535");
        const std::string text = Texts(line, "a string");
        if (text.empty())
            Fail(line, "an empty string cannot be told from a missing one");
        ScriptResource r;
        r.typeId = kTypeString;
        r.nameId = value;
        r.language = m_language;
        r.data.assign(text.begin(), text.end());
        r.line = line;
        Add(std::move(r));
    }

    void String(int line) { AddString(Next(), line); }

    void Strings()
    {
        for (;;) {
            const Token t = Next();
            if (t.kind == Token::End)
                Fail(t.line, "'strings' without its 'end'");
            if (t.kind == Token::Word && t.value == "end")
                return;
            AddString(t, t.line);
        }
    }

    std::vector<std::uint8_t> ReadFile(const Token& t)
    {
        if (t.kind == Token::End)
            Fail(t.line, "a file name is missing");
        fs::path path(t.value);
        if (path.is_relative())
            path = m_script.parent_path() / path;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            Fail(t.line, "cannot read " + path.string());
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        m_inputs->push_back(path);
        return bytes;
    }

    // Another script read as if it stood here; it starts without a language of its own and
    // leaves this script's language as it was.
    void Include(int line)
    {
        const Token t = Next();
        if (t.kind == Token::End)
            Fail(line, "'include' needs a file name");
        if (m_depth >= kMaxIncludeDepth)
            Fail(line, "includes nest deeper than " + std::to_string(kMaxIncludeDepth) + " scripts");
        fs::path path(t.value);
        if (path.is_relative())
            path = m_script.parent_path() / path;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            Fail(t.line, "cannot read " + path.string());
        std::stringstream text;
        text << in.rdbuf();
        m_inputs->push_back(path);
        Parser included(text.str(), path);
        included.m_depth = m_depth + 1;
        included.Run(*m_resources, *m_inputs);
    }

    void File(int line, std::uint32_t type, const std::string& typeName)
    {
        ScriptResource r;
        r.typeId = type;
        r.typeName = typeName;
        Id(Next(), r.nameId, r.name, "an id");
        const Token file = Next();
        r.data = ReadFile(file);
        std::string why;
        if (type == kTypeGroupIcon && !platform::DecodeIconFile(r.data, &why))
            Fail(file.line, file.value + ": " + why);
        if (type == kTypeBitmap && typeName.empty() && !platform::DecodeBitmapFile(r.data, &why))
            Fail(file.line, file.value + ": " + why);
        r.language = m_language;
        r.line = line;
        Add(std::move(r));
    }

    void Typed(int line)
    {
        const Token type = Next();
        std::uint32_t typeId = 0;
        std::string typeName;
        Id(type, typeId, typeName, "a resource type");
        if (typeId == kTypeString || typeId == kTypeMenu)
            Fail(type.line, "strings and menus are written with 'string' and 'menu'");
        File(line, typeId, typeName);
    }

    static void Put16(std::vector<std::uint8_t>& out, std::uint32_t v)
    {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }

    // The items up to the next 'end', written as a count and the items.
    void MenuItems(std::vector<std::uint8_t>& out, int depth)
    {
        const std::size_t countAt = out.size();
        Put16(out, 0);
        std::uint32_t count = 0;
        for (;;) {
            const Token t = Next();
            if (t.kind == Token::End)
                Fail(t.line, "a menu or popup without its 'end'");
            if (t.kind != Token::Word)
                Fail(t.line, "a text where 'item', 'popup', 'separator' or 'end' belongs");
            if (t.value == "end")
                break;
            if (++count > 0xFFFF)
                Fail(t.line, "too many items");
            if (t.value == "separator") {
                Put16(out, kMenuSeparator);
                Put16(out, 0);
                out.push_back(0);
            } else if (t.value == "item" || t.value == "popup") {
                const bool popup = t.value == "popup";
                std::uint32_t id = 0;
                if (!popup) {
                    const Token idToken = Next();
                    if (idToken.kind != Token::Word || !Number(idToken.value, id) || id < 1 || id > 0xFFFF)
                        Fail(idToken.line, "a menu item needs a command id from 1 to 65535");
                }
                const std::string text = Texts(t.line, popup ? "a popup" : "a menu item");
                std::uint16_t flags = popup ? kMenuPopup : 0;
                while (Peek().kind == Token::Word && Peek().line == t.line) {
                    const std::string option = Peek().value;
                    if (option == "checked")
                        flags |= kMenuChecked;
                    else if (option == "grayed")
                        flags |= kMenuGrayed;
                    else if (option == "disabled")
                        flags |= kMenuDisabled;
                    else if (option == "default")
                        flags |= kMenuDefault;
                    else
                        break;
                    Next();
                }
                Put16(out, flags);
                Put16(out, id);
                out.insert(out.end(), text.begin(), text.end());
                out.push_back(0);
                if (popup) {
                    if (depth > 16)
                        Fail(t.line, "popups nested too deep");
                    MenuItems(out, depth + 1);
                }
            } else {
                Fail(t.line, "unknown menu keyword '" + t.value + "' (item, popup, separator, end)");
            }
        }
        out[countAt] = static_cast<std::uint8_t>(count & 0xFF);
        out[countAt + 1] = static_cast<std::uint8_t>(count >> 8);
    }

    void Menu(int line)
    {
        ScriptResource r;
        r.typeId = kTypeMenu;
        Id(Next(), r.nameId, r.name, "a menu id");
        MenuItems(r.data, 0);
        r.language = m_language;
        r.line = line;
        Add(std::move(r));
    }

    fs::path m_script;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    static constexpr int kMaxIncludeDepth = 8;
    int m_depth = 0;
    std::uint16_t m_language = 0;
    std::vector<ScriptResource>* m_resources = nullptr;
    std::vector<fs::path>* m_inputs = nullptr;
};

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

} // namespace

ResourceScript ResourceScript::Parse(const std::filesystem::path& script)
{
    std::ifstream in(script, std::ios::binary);
    if (!in)
        throw ScriptError(script.string() + ": cannot read the resource script");
    std::stringstream text;
    text << in.rdbuf();
    return ParseText(text.str(), script);
}

ResourceScript ResourceScript::ParseText(const std::string& text, const std::filesystem::path& script)
{
    ResourceScript result;
    result.m_inputs.push_back(script);
    Parser parser(text, script);
    parser.Run(result.m_resources, result.m_inputs);
    return result;
}

std::vector<std::uint8_t> BuildResourceBlock(const std::vector<ScriptResource>& resources)
{
    const std::size_t count = resources.size();
    std::vector<std::uint8_t> out(sizeof(ResourceBlockHeader) + count * sizeof(ResourceEntryRecord), 0);
    std::memcpy(out.data(), kResourceMagic, sizeof kResourceMagic);
    Put32(out, 8, static_cast<std::uint32_t>(count));
    std::map<std::string, std::uint32_t> names;
    auto name = [&](const std::string& text) -> std::uint32_t {
        if (text.empty())
            return 0;
        if (const auto it = names.find(text); it != names.end())
            return it->second;
        const auto offset = static_cast<std::uint32_t>(out.size());
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
        names.emplace(text, offset);
        return offset;
    };
    for (std::size_t i = 0; i < count; ++i) {
        const ScriptResource& r = resources[i];
        const std::size_t at = sizeof(ResourceBlockHeader) + i * sizeof(ResourceEntryRecord);
        Put32(out, at, r.typeId);
        Put32(out, at + 4, name(r.typeName));
        Put32(out, at + 8, r.nameId);
        Put32(out, at + 12, name(r.name));
        Put32(out, at + 16, r.language);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const ScriptResource& r = resources[i];
        const std::size_t at = sizeof(ResourceBlockHeader) + i * sizeof(ResourceEntryRecord);
        out.resize((out.size() + 7) & ~static_cast<std::size_t>(7), 0);
        Put32(out, at + 20, static_cast<std::uint32_t>(out.size()));
        Put32(out, at + 24, static_cast<std::uint32_t>(r.data.size()));
        out.insert(out.end(), r.data.begin(), r.data.end());
    }
    return out;
}

} // namespace platform::tools
