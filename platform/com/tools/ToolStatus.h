// Exit statuses of the register-server and rundll tools, as the platform's own tools have them.
#pragma once

enum ToolStatus {
    kSuccess = 0,
    kBadCommandLine = 1,
    kLoadFailed = 3,
    kEntryPointMissing = 4,
    kCallFailed = 5,
};
