// A stand-in host program: loads the add-in named by the first argument, then for each further
// argument writes a line through it ("<level>:<text>"), calls its traced method ("open"), or
// reports "ready" and waits until its standard input is closed ("hold").
#include "base/Module.h"
#include "base/WinError.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const HMODULE addin = LoadLibraryA(argv[1]);
    if (!addin)
        return 3;
    using Trace = void (*)(int, const char*);
    using Open = HRESULT (*)();
    const auto trace = reinterpret_cast<Trace>(GetProcAddress(addin, "TestAddinTrace"));
    const auto open = reinterpret_cast<Open>(GetProcAddress(addin, "TestAddinOpen"));
    if (!trace || !open)
        return 4;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "hold") {
            std::printf("ready\n");
            std::fflush(stdout);
            while (std::getchar() != EOF) {
            }
        } else if (arg == "open") {
            open();
        } else {
            const auto colon = arg.find(':');
            if (colon == std::string::npos)
                return 5;
            trace(std::atoi(arg.substr(0, colon).c_str()), (arg.substr(colon + 1) + "\n").c_str());
        }
    }
    return 0;
}
