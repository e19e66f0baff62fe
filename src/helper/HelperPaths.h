// The removal helper's decisions over texts: which profile its command line names, which
// files beside it are the removed setup program's own, and whether the install log says that
// this directory is the application's. Plain character buffers and no library beyond
// <cstring>, so that the helper stays tiny and these rules are tested natively.
//
// The helper is started as "<system dir>\_xktinst.exe /U /PP:<dir>\<title>.ini". It deals
// only with three files of <dir>: <title>.ini (the profile), <title>.exe (the setup program)
// and install.log, and with <dir> itself.
#pragma once

#include <cstddef>

// Longest path the helper handles (MAX_PATH of the Windows API).
constexpr std::size_t kHelperMaxPath = 260;

// Why a command line or profile path is refused (0 = accepted). Each has a fixed text
// (HelperRefusalText) for the event line.
enum class HelperRefusal {
    kNone = 0,
    kNoRemovalOption,   // no "/U" option
    kNoProfileOption,   // no "/PP:" option, or an empty value
    kNotFullPath,       // not "X:\..." or "\\server\share\..."
    kBadCharacters,     // '/', wildcards, quotes, control characters, or a ".." component
    kNotProfileName,    // not a file name ending in ".ini" with a title before it
    kTooLong,           // the derived paths would not fit kHelperMaxPath
    kDriveRoot,         // the profile lies in a drive's root directory
    kMissingFiles,      // the profile, the setup program or the install log is not there
    kNotApplicationDir, // the install log's destination 0 is another directory
    kSystemDirectory,   // the directory is the Windows or the system directory
};

const char* HelperRefusalText(HelperRefusal refusal);

// The paths the helper works with, all below one directory.
struct HelperPaths {
    char directory[kHelperMaxPath]; // ends with '\'
    char profile[kHelperMaxPath];
    char program[kHelperMaxPath];
    char log[kHelperMaxPath];
};

// Reads the helper's command line (as the system gives it, the program's own name first):
// it must hold the option "/U" and the option "/PP:", whose value runs to the end of the line
// (the setup program does not quote it, and a path may hold blanks); surrounding blanks and
// double quotes are dropped. Writes the value into profile (size bytes).
HelperRefusal ReadHelperCommandLine(const char* commandLine, char* profile, std::size_t size);

// Checks the form of the profile path and derives the other paths from it.
HelperRefusal MakeHelperPaths(const char* profile, HelperPaths& out);

// The resolved path (field 2) of a "destinations" record "relative|parent|resolved", copied
// into out; false when the record has no third field.
bool ResolvedPathOfRecord(const char* record, char* out, std::size_t size);

// True when both texts name the same directory: compared without regard to ASCII case and to
// one trailing backslash.
bool SameDirectoryText(const char* a, const char* b);

// Windows 95 and 98 delete a file at their next start when WININIT.INI's [rename] section
// holds the line "NUL=<short path>". Writes text (length bytes, the present WININIT.INI, may
// be empty) with that line added as the first of the section (the section is appended when
// missing) into out. Returns the new length, or 0 when it does not fit size bytes.
std::size_t AddWininitDeletion(const char* text, std::size_t length, const char* path, char* out,
                               std::size_t size);
