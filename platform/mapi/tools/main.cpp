// mapiadmin: administration of profiles and message stores.
#include "MapiAdmin.h"

#include <iostream>
#include <malloc.h>

int main(int argc, char** argv)
{
    // Blocks from 256 kB on come from the system and go back to it when freed: a large body
    // handed to a message piece by piece then lets go of each piece's memory as it goes.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    std::vector<std::string> args(argv + 1, argv + argc);
    MapiAdmin admin(std::cout, std::cerr);
    return admin.Run(args);
}
