// MapiAdmin: the store administration tool. Profiles, stores, folders and messages from the
// command line, in text or JSON.
#pragma once

#include "com/ComPtr.h"
#include "mapi/MapiX.h"
#include "mapi/PropValue.h"

#include <nlohmann/json.hpp>

#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

class MapiAdmin {
public:
    MapiAdmin(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}
    // Returns the exit code: 0 success, 1 a failed operation, 2 bad usage or input.
    int Run(const std::vector<std::string>& args);

private:
    struct Failure {
        int code;
        std::string message;
    };
    // Message contents from options or JSON.
    struct MessageSpec {
        std::vector<mapi::PropValue> props;
        // Subject, body and class as UTF-8 text under PT_STRING8 tags: handed to the message as
        // they are, so that a large body is held once more only as the message's own value.
        std::vector<std::pair<ULONG, std::string>> texts;
        // Long texts (a large body) in pieces of whole characters, handed to the message through
        // a stream a piece at a time and each let go once written: such a text is never held
        // whole both as UTF-8 and as the message's UTF-16 value.
        struct LongText {
            ULONG tag;
            std::deque<std::string> pieces;
        };
        std::vector<LongText> longTexts;
        struct Named {
            GUID set;
            ULONG kind;
            LONG id;
            std::u16string name;
            ULONG type;
            nlohmann::json jsonValue;
            std::string textValue;
            bool fromJson;
        };
        std::vector<Named> named;
        struct File {
            std::string path;
            std::string name;
        };
        std::vector<File> attachments;
        struct Recipient {
            std::string name, address;
            ULONG type;
        };
        std::vector<Recipient> recipients;
        bool associated = false;
    };

    void Profile(const std::vector<std::string>& args);
    void Store(const std::vector<std::string>& args);
    void Folder(const std::vector<std::string>& args);
    void Message(const std::vector<std::string>& args);
    void CheckStore(const std::string& path);

    ComPtr<IMsgStore> OpenStore(const std::string& path, bool write);
    ComPtr<IMAPIFolder> OpenFolderPath(IMsgStore* store, const std::string& path, bool write);
    ComPtr<IMessage> OpenMessage(IMsgStore* store, const std::string& entryIdHex, bool write);
    MessageSpec ParseMessageOptions(const std::vector<std::string>& args, std::size_t from, bool allowAssociated);
    // Long strings of a message JSON, read apart from the rest (see ReadMessageJson): their
    // pieces by placeholder.
    struct LongStrings {
        std::string mark; // starts each placeholder: a NUL (which no accepted text holds) and a number
        std::vector<std::deque<std::string>> texts;
        // The pieces a placeholder stands for, or null.
        std::deque<std::string>* Of(const nlohmann::json& value);
        // Puts each placeholder back as its whole text, except those of the message's texts.
        void Restore(nlohmann::json& value, bool top);
    };
    static nlohmann::json ReadMessageJson(std::istream& in, LongStrings& longs);
    // Takes the long texts out of `longs`.
    void ParseMessageJson(const nlohmann::json& j, LongStrings& longs, MessageSpec& draft);
    // Lets go of the long texts' pieces as it writes them.
    void ApplyMessage(IMessage* msg, MessageSpec& draft);
    nlohmann::json DescribeMessage(IMessage* msg);
    void PrintMessage(const nlohmann::json& m);
    nlohmann::json DumpFolder(IMsgStore* store, IMAPIFolder* folder, bool withMessages);

    static void Check(HRESULT hr, const std::string& what);
    [[noreturn]] static void Usage(const std::string& message);
    static std::string ErrorName(HRESULT hr);

    std::ostream& m_out;
    std::ostream& m_err;
};
