// The archive tool behind `mfarc`: create, list, test and extract multi-file archives.
//
//   mfarc create [--volume-size N] [--overwrite] ARCHIVE [--method M] [--dest-id ID]
//                [--] FILE|FOLDER...
//   mfarc list [--json] ARCHIVE [PATTERN...]
//   mfarc test ARCHIVE [PATTERN...]
//   mfarc extract [-C DIR | -d DIR] [--dest ID=DIR]... [--all] [--overwrite|--keep|--rename]
//                 ARCHIVE [PATTERN...]
//   mfarc dist list|test|extract ...   (whole distributions, DistributionCommands.h)
//
// Exit codes: 0 success; 1 usage error (unknown command or option, missing argument, a
// volume size or method that cannot be used); 2 damaged or unreadable archive, refused
// member name, existing file not replaced, or any other I/O failure.
//
// The commands live in CreateCommand.cpp and ReadCommands.cpp; the member-name rules that
// create and extract apply are in archive/MemberName.h, the turning of create's arguments
// into members in MemberSources.h (library mfarc_members).
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
    bool quiet = false;    // -q: report only what is not ok (no "ok" and "extracted" lines)
};

// The version that --version prints.
std::string ArchiveToolVersion();

// Runs one command; args excludes the program name. Returns the exit code.
int RunArchiveTool(const std::vector<std::string>& args, ArchiveToolIo& io);

// The text that --help prints.
std::string ArchiveToolUsage();

// Parses a volume size: a number of bytes, or a number (with a decimal fraction) followed by
// k or KB (1024) or m or MB (1048576), in any case; or a diskette size 360K, 720K, 1.2M,
// 1.44M, 2.88M (any case, optional B), which gives the space on such a formatted diskette.
// Returns -1 when the text is not such a size.
long long ParseVolumeSize(const std::string& text);
