// regsvr: registers or unregisters an in-process COM server library.
#include "RegisterServerCommand.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto command = RegisterServerCommand::Parse(args, error);
    if (!command) {
        std::cerr << error << "\n" << RegisterServerCommand::Usage();
        return RegisterServerCommand::kBadCommandLine;
    }
    return command->Run(std::cout, std::cerr);
}
