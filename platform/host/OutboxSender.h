// OutboxSender: the host's send and receive: every message waiting in the Outbox of each store
// of the session goes to the MAPI layer's submission, after the application's ItemSend event
// (a sink that cancels keeps the message where it is). Receiving has no transport here.
#pragma once

#include "host/HostApplication.h"

#include <string>
#include <vector>

namespace host {

class OutboxSender {
public:
    struct Result {
        unsigned sent = 0;
        unsigned cancelled = 0;
        std::vector<std::string> failures; // one line per message that could not be sent
    };

    static Result SendAll(CHostApplication& application);
};

} // namespace host
