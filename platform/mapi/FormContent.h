// What the built-in form shows of a message, read at once and kept as text: its class,
// subject, sender, recipients, times, text, attachments and every property.
#pragma once

#include "mapi/MapiX.h"

#include <string>
#include <vector>

namespace mapi {

struct FormContent {
    struct Field {
        std::string label; // "Sent", "Received", "Created", "Modified"
        std::string text;
    };
    struct Attachment {
        std::string name;
        ULONG size = 0;
    };
    struct Property {
        std::string name; // "PR_SUBJECT", a named property's name, or the tag in hex
        std::string tag;  // "0x0037001F"
        std::string value;
    };

    std::string messageClass;
    std::string subject;
    std::string sender; // "Name <address>", or whichever of the two there is
    std::string to;     // "; " between recipients
    std::string cc;
    std::string bcc;
    std::vector<Field> times;
    std::string body;
    std::vector<Attachment> attachments;
    std::vector<Property> properties;
    // The message lets this program change it (PR_ACCESS has MAPI_ACCESS_MODIFY, or is missing).
    bool modifiable = true;

    // Reads the message. Recipients, attachments and property names that cannot be read stay
    // empty; a failure to read the properties themselves is returned.
    static HRESULT Read(IMessage* message, FormContent& out);

    // A value for a person to read: text as it is, times in local time, binary values in hex
    // (long ones cut), lists joined by "; ".
    static std::string ValueText(const SPropValue& value);
    // A UTC time as the user's short date and time in local time.
    static std::string TimeText(const FILETIME& utc);
};

} // namespace mapi
