// mapiadmin: administration of profiles and message stores.
#include "MapiAdmin.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    MapiAdmin admin(std::cout, std::cerr);
    return admin.Run(args);
}
