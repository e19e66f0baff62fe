// The command line of mfdist, the distribution builder:
//
//   mfdist [--capacity SIZE] [--best] --setup SETUP.EXE DESCRIPTION FOLDER OUTPUT
//   mfdist --check DISTRIBUTION
//   mfdist --help
//
// Exit codes are those of DistErrors.h.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

struct DistToolIo {
    std::ostream& out;     // the summary and the check report
    std::ostream& err;     // error messages and the progress display
    bool progress = false; // show progress on err (on by default when err is a terminal)
};

// Runs one command; args excludes the program name. Returns the exit code.
int RunDistTool(const std::vector<std::string>& args, DistToolIo& io);

// The text that --help prints.
std::string DistToolUsage();
