// The archive tool behind `mfarc`: create, list, test and extract multi-file archives.
//
//   mfarc create [--volume-size N] ARCHIVE [--method M] [--dest-id ID] FILE...
//   mfarc list ARCHIVE
//   mfarc test ARCHIVE
//   mfarc extract [-C DIR] [--dest ID=DIR]... [--all] ARCHIVE
//
// Exit codes: 0 success; 1 usage error (unknown command or option, missing argument, a
// volume size or method that cannot be used); 2 damaged or unreadable archive, refused
// member name, or any other I/O failure.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFailure = 2;

struct ArchiveToolIo {
    std::ostream& out;     // listings and results
    std::ostream& err;     // error messages and the progress display
    bool progress = false; // show progress on err (on by default when err is a terminal)
};

// Runs one command; args excludes the program name. Returns the exit code.
int RunArchiveTool(const std::vector<std::string>& args, ArchiveToolIo& io);

// The text that --help prints.
std::string ArchiveToolUsage();

// Parses a volume size: a decimal number of bytes, optionally followed by k (1024) or
// m (1048576). Returns -1 when the text is not such a size.
long long ParseVolumeSize(const std::string& text);
