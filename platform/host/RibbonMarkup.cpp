#include "host/RibbonMarkup.h"

#include <expat.h>

#include <cstring>
#include <memory>

namespace host {

namespace {

struct ParseState {
    RibbonMarkup markup;
    std::vector<std::string> path; // element names from the root
    std::string error;
    XML_Parser parser = nullptr;
};

std::string Attribute(const XML_Char** attributes, const char* name)
{
    for (int i = 0; attributes[i]; i += 2)
        if (std::strcmp(attributes[i], name) == 0)
            return attributes[i + 1];
    return {};
}

// The element's local name (markup may use a namespace prefix).
std::string LocalName(const XML_Char* name)
{
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

void Fail(ParseState& s, const std::string& text)
{
    if (s.error.empty())
        s.error = text + " (line " + std::to_string(XML_GetCurrentLineNumber(s.parser)) + ")";
    XML_StopParser(s.parser, XML_FALSE);
}

void XMLCALL Start(void* data, const XML_Char* rawName, const XML_Char** attributes)
{
    auto& s = *static_cast<ParseState*>(data);
    const std::string name = LocalName(rawName);
    const std::string parent = s.path.empty() ? "" : s.path.back();
    s.path.push_back(name);
    if (s.path.size() == 1) {
        if (name != "customUI")
            Fail(s, "the root element is <" + name + ">, not <customUI>");
        return;
    }
    if (name == "command" && parent == "commands") {
        RibbonCommand c{Attribute(attributes, "idMso"), Attribute(attributes, "onAction")};
        if (c.idMso.empty())
            return Fail(s, "a <command> without idMso");
        s.markup.commands.push_back(c);
    } else if (name == "tab" && parent == "tabs") {
        RibbonTab t{Attribute(attributes, "id"), Attribute(attributes, "idMso"), Attribute(attributes, "label"), {}};
        if (t.Key().empty())
            return Fail(s, "a <tab> without id or idMso");
        s.markup.tabs.push_back(t);
    } else if (name == "group" && parent == "tab") {
        RibbonGroup g{Attribute(attributes, "id"), Attribute(attributes, "idMso"), Attribute(attributes, "label"), {}};
        if (g.id.empty() && g.idMso.empty())
            return Fail(s, "a <group> without id or idMso");
        s.markup.tabs.back().groups.push_back(g);
    } else if (name == "button" && parent == "group") {
        RibbonButton b{Attribute(attributes, "id"),       Attribute(attributes, "idMso"),
                       Attribute(attributes, "label"),    Attribute(attributes, "onAction"),
                       Attribute(attributes, "size"),     Attribute(attributes, "imageMso"),
                       Attribute(attributes, "tag")};
        if (b.Key().empty())
            return Fail(s, "a <button> without id or idMso");
        s.markup.tabs.back().groups.back().buttons.push_back(b);
    }
}

void XMLCALL End(void* data, const XML_Char*)
{
    auto& s = *static_cast<ParseState*>(data);
    if (!s.path.empty())
        s.path.pop_back();
}

} // namespace

bool RibbonMarkup::Parse(const std::string& xml, RibbonMarkup& markup, std::string& error)
{
    std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr),
                                                                                          &XML_ParserFree);
    if (!parser) {
        error = "out of memory";
        return false;
    }
    ParseState state;
    state.parser = parser.get();
    XML_SetUserData(parser.get(), &state);
    XML_SetElementHandler(parser.get(), Start, End);
    const XML_Status status = XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE);
    if (!state.error.empty()) {
        error = state.error;
        return false;
    }
    if (status != XML_STATUS_OK) {
        error = std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) + " (line " +
                std::to_string(XML_GetCurrentLineNumber(parser.get())) + ")";
        return false;
    }
    markup = std::move(state.markup);
    return true;
}

} // namespace host
