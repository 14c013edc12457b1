// regtool: query and change the registry from the command line.
#include "RegTool.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    RegTool tool(std::cin, std::cout, std::cerr);
    return tool.Run(args);
}
