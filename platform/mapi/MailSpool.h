// MailSpool: hands a submitted message on. It is written as an RFC 5322 file into the spool
// folder under the platform root (platform::SpoolDirectory()), and when the environment
// variable PLATFORM_SENDMAIL names a sendmail-compatible command, that command is run through
// /bin/sh with the envelope recipients as its arguments and the file on its standard input.
#pragma once

#include "mapi/MailComposer.h"

#include <filesystem>

namespace mapi {

class MailSpool {
public:
    static constexpr const char* kCommandVariable = "PLATFORM_SENDMAIL";

    // On failure nothing stays in the spool: MAPI_E_DISK_ERROR when the file cannot be
    // written, MAPI_E_NETWORK_ERROR when the command cannot be run or does not exit with 0.
    // `why` then says what went wrong (with the command's last line of errors, if it wrote one).
    static HRESULT Deliver(const ComposedMail& mail, std::filesystem::path& written, std::string* why = nullptr);
};

} // namespace mapi
