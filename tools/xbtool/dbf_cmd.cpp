#include <cstdio>

#include "commands.hpp"

int dbfCommand(int /*argc*/, char** /*argv*/) {
    std::fprintf(stderr, "xbtool dbf: not available in this build\n");
    return 2;
}
