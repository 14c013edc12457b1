// mailhost: the stand-in mail client that loads COM add-ins and client extensions.
#include "gui/WindowedHost.h"
#include "host/HostProgram.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return host::HostProgram::Main(args, std::cin, std::cout, std::cerr, RunWindowedHost);
}
