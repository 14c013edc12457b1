// PropertyText: property tags, types and values as the admin tool reads and writes them, in
// text (command line) and JSON.
#pragma once

#include "mapi/PropValue.h"

#include <nlohmann/json.hpp>

#include <string>

class PropertyText {
public:
    // "PR_SUBJECT", "0x0037001F" (a full tag), or "0x0037:string" (an id and a type).
    static bool ParseTag(const std::string& text, ULONG& tag, std::string& error);
    static std::string TagName(ULONG tag);
    // "string", "long", "i2", "bool", "i8", "time", "binary", "clsid", "mv-string", "mv-binary",
    // "mv-long", or the PT_ names.
    static bool ParseType(const std::string& text, ULONG& type);
    static std::string TypeName(ULONG type);
    // A value of the tag's type from command-line text (multiple values separated by ';').
    static bool ParseText(ULONG tag, const std::string& text, mapi::PropValue& out, std::string& error);
    static bool ParseJson(ULONG tag, const nlohmann::json& value, mapi::PropValue& out, std::string& error);
    static nlohmann::json ToJson(const mapi::PropValue& value);
    static std::string ToText(const mapi::PropValue& value);
    // Property sets by name (PS_PUBLIC_STRINGS, PSETID_Common, ...) or as a GUID.
    static bool ParseSet(const std::string& text, GUID& set);
    static std::string SetName(const GUID& set);
    static std::string Hex(const mapi::Bytes& bytes);
    static bool FromHex(const std::string& hex, mapi::Bytes& out);
    static std::string TimeText(std::int64_t fileTime);
    static bool ParseTime(const std::string& text, std::int64_t& fileTime);
};
