// What the commands of the archive tool share: the failures they raise, option parsing, the
// progress line and the report of a failure.
#pragma once

#include "ArchiveTool.h"

#include <cstdint>
#include <string>
#include <vector>

// A usage error: reported with a hint to --help, exit code 1.
struct UsageError {
    std::string message;
};

// A failure the tool found itself (a refused name, an existing file, a directory given as
// an archive): reported as "mfarc: <message>", exit code 2.
struct ToolFailure {
    std::string message;
};

// Walks the arguments of one command. Options come before, between and after the positional
// arguments; "--" ends the options, so that names starting with '-' can follow.
class CArgumentReader {
public:
    // args[0] is the command itself.
    explicit CArgumentReader(const std::vector<std::string>& args) : m_args(args) {}

    bool AtEnd() const { return m_next >= m_args.size(); }
    // Moves to the next argument; false at the end.
    bool Next();
    // The current argument is an option (starts with '-', is not "-" and options have not
    // ended).
    bool IsOption() const;
    const std::string& Current() const { return m_args[m_current]; }
    // The current argument is the option name: "--name=value" or "--name value".
    bool TakeValue(const std::string& name, std::string& value);
    [[noreturn]] void UnknownOption(const std::string& command) const;

private:
    const std::vector<std::string>& m_args;
    std::size_t m_next = 1;
    std::size_t m_current = 0;
    bool m_optionsEnded = false;
};

// Shows "<verb> <name> NN%" on one line of the error stream, rewritten in place.
class ProgressLine {
public:
    explicit ProgressLine(ArchiveToolIo& io) : m_io(io) {}
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(const std::string& verb, const std::string& name, std::uint64_t done,
              std::uint64_t total);
    void Clear();

private:
    ArchiveToolIo& m_io;
    std::string m_last;
};

// dir joined with a file name, with the separator of the system the tool runs on.
std::string JoinPath(const std::string& dir, const std::string& name);
// The directory part of path, with its trailing separator ("" when there is none).
std::string DirectoryPart(const std::string& path);

std::int16_t ParseDestinationId(const std::string& text);

// Call inside a catch block: prints "mfarc: " and the failure in flight, with subject (what
// it is about, e.g. "full.mf2: readme.txt") in front when the failure names no file of its
// own, and detail (what the tool knows about the cause) before the system's short text.
// Returns kExitFailure.
int ReportCurrentFailure(ArchiveToolIo& io, const std::string& subject = {},
                         const std::string& detail = {});
