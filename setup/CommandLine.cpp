#include "CommandLine.h"

#include "base/MessageBox.h"

#include <strings.h>

FixArguments ParseArguments(int argc, const char* const* argv)
{
    FixArguments args;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!arg || (arg[0] != '-' && arg[0] != '/'))
            continue;
        const char* word = arg + 1;
        if (strcasecmp(word, "install") == 0)
            args.action = FixAction::Install;
        else if (strcasecmp(word, "remove") == 0)
            args.action = FixAction::Remove;
        else if (strcasecmp(word, "server") == 0)
            args.type = FixType::Server;
        else if (strcasecmp(word, "client") == 0)
            args.type = FixType::Client;
        else if (strcasecmp(word, "both") == 0)
            args.type = FixType::Both;
    }
    return args;
}

void ShowUsage(LPCSTR caption)
{
    MessageBoxA(nullptr, kUsageText, caption, MB_ICONINFORMATION);
}
