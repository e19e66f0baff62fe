// The archive tool's commands for a whole distribution (mfarc dist ...):
//
//   mfarc dist list    [-p PROFILE] [--json] [--component NAME]... [--member PATTERN]... INPUT...
//   mfarc dist test    [-p PROFILE] [-q] [--member PATTERN]... INPUT...
//   mfarc dist extract [-p PROFILE] [-q] [-d DIR | -C DIR] [--component NAME]... [--all]
//                      [--member PATTERN]... INPUT...
//
// INPUT is a folder holding DISK01...DISKnn, the folder of the first diskette, or diskette
// images and diskette folders in any order. Patterns may also follow "--". Exit codes: 0
// success; 1 usage error; 2 a damaged, missing or unreadable part, or a file not written.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

struct DistributionToolIo {
    std::ostream& out;
    std::ostream& err;
    bool quiet = false; // as -q
};

// Runs "dist" with its arguments (args[0] is the subcommand). Returns the exit code.
int RunDistributionCommand(const std::vector<std::string>& args, DistributionToolIo& io);

// The part of --help about the dist commands.
std::string DistributionUsage();
