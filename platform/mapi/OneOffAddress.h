// OneOffAddress: a recipient known only by its address, and the one-off entry ID that carries
// it (flags, the one-off provider's UID, version, flags, then name, address type and address
// as zero-terminated strings, UTF-16 when MAPI_ONE_OFF_UNICODE is set).
#pragma once

#include "mapi/PropMap.h"

#include <string>

namespace mapi {

struct OneOffAddress {
    std::u16string name;
    std::u16string type;
    std::u16string address;
    bool noRichInfo = false;

    Bytes EntryId() const;
    // FALSE for anything that is not a well-formed one-off entry ID.
    static bool Parse(const void* data, std::size_t cb, OneOffAddress& out);
    // "SMTP:ADDRESS" upper-cased with its terminating zero, as PR_SEARCH_KEY holds it.
    Bytes SearchKey() const;
    // The properties of the recipient (PR_DISPLAY_NAME, PR_ADDRTYPE, PR_EMAIL_ADDRESS,
    // PR_ENTRYID, PR_SEARCH_KEY, PR_OBJECT_TYPE, PR_DISPLAY_TYPE, PR_SEND_RICH_INFO).
    PropMap Props() const;
    // An SMTP address as a user types it: "a@b", "SMTP:a@b" or "Name <a@b>".
    static bool FromSmtpText(std::u16string_view text, OneOffAddress& out);
};

} // namespace mapi
