// mfdist: command-line front end of the distribution builder.
#include "DistTool.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define ISATTY _isatty
#define FILENO _fileno
#else
#include <unistd.h>
#define ISATTY isatty
#define FILENO fileno
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    DistToolIo io{std::cout, std::cerr, ISATTY(FILENO(stderr)) != 0};
    return RunDistTool(args, io);
}
