// rundll: calls an entry of a library, as setup commands of add-ins expect.
#include "RunDllCommand.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto command = RunDllCommand::Parse(args, error);
    if (!command) {
        std::cerr << "rundll: " << error << "\n" << RunDllCommand::Usage();
        return RunDllCommand::kBadCommandLine;
    }
    return command->Run(std::cerr);
}
