// netsh: the platform's network shell, for the firewall rule commands.
#include "firewall/NetshCommand.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string_view> args(argv + 1, argv + argc);
    return platform::firewall::NetshCommand::Run(args, std::cout, std::cerr);
}
