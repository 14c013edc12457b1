// MailComposer: a submitted message as an RFC 5322 text (MIME, UTF-8), with the envelope
// recipients (To, Cc and Bcc) that a mail transfer agent needs beside it.
#pragma once

#include "mapi/StoreFile.h"

#include <string>
#include <vector>

namespace mapi {

struct ComposedMail {
    std::string text;                  // CRLF line ends
    std::vector<std::string> envelope; // recipients' SMTP addresses
    std::string messageId;             // "<...>"
};

class MailComposer {
public:
    // MAPI_E_NO_RECIPIENTS without recipients; MAPI_E_NOT_FOUND for a recipient without an SMTP
    // address; MAPI_E_NO_SUPPORT for an attachment that is not data (an embedded message, an
    // OLE object, a reference). `now` is a FILETIME count.
    static HRESULT Compose(const PropMap& message, const std::vector<SubObject>& recipients,
                           const std::vector<SubObject>& attachments, std::int64_t now, ComposedMail& out);

    // Header text: as it is when it is printable ASCII, else RFC 2047 encoded words.
    static std::string EncodeHeaderText(const std::string& utf8);
    static std::string QuotedPrintable(const std::string& utf8);
    static std::string Base64(const std::string& data);
    // "Sat, 05 Dec 2026 10:00:00 +0000"
    static std::string DateText(std::int64_t fileTime);
};

} // namespace mapi
