#include "ArchiveTool.h"

#include "DistributionCommands.h"
#include "ToolCommands.h"
#include "ToolSupport.h"

#include "MemberSources.h"

#include "archive/ArchiveWriter.h"
#include "errors/Exceptions.h"

#include <cctype>
#include <ostream>

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The space for files on a freshly formatted diskette (FAT12), by the names people give
// the diskette sizes: a volume of that size fits on one.
long long DisketteSize(const std::string& lowerText) {
    struct Diskette {
        const char* name;
        long long bytes;
    };
    static const Diskette kDiskettes[] = {
        {"360k", 362496},   {"720k", 730112},   {"1.2m", 1213952},
        {"1.44m", 1457664}, {"2.88m", 2915328},
    };
    for (const Diskette& d : kDiskettes) {
        std::string name = d.name;
        if (lowerText == name || lowerText == name + "b")
            return d.bytes;
    }
    return -1;
}

long long SuffixFactor(const std::string& lowerSuffix) {
    if (lowerSuffix.empty())
        return 1;
    if (lowerSuffix == "k" || lowerSuffix == "kb")
        return 1024;
    if (lowerSuffix == "m" || lowerSuffix == "mb")
        return 1024 * 1024;
    return -1;
}

} // namespace

long long ParseVolumeSize(const std::string& text) {
    const std::string lower = Lower(text);
    if (long long diskette = DisketteSize(lower); diskette > 0)
        return diskette;
    std::size_t pos = 0;
    long long whole = 0;
    while (pos < lower.size() && std::isdigit(static_cast<unsigned char>(lower[pos]))) {
        if (whole > (1LL << 40))
            return -1;
        whole = whole * 10 + (lower[pos++] - '0');
    }
    if (pos == 0)
        return -1;
    long long fraction = 0, scale = 1;
    if (pos < lower.size() && lower[pos] == '.') {
        ++pos;
        std::size_t first = pos;
        while (pos < lower.size() && std::isdigit(static_cast<unsigned char>(lower[pos]))) {
            if (scale < 1000000000LL) {
                fraction = fraction * 10 + (lower[pos] - '0');
                scale *= 10;
            }
            ++pos;
        }
        if (pos == first)
            return -1;
    }
    long long factor = SuffixFactor(lower.substr(pos));
    // A fraction of a byte is no size.
    if (factor < 0 || (factor == 1 && fraction != 0))
        return -1;
    return whole * factor + fraction * factor / scale;
}

std::string ArchiveToolVersion() {
    return SETUPKIT_VERSION;
}

std::string ArchiveToolUsage() {
    return "usage: mfarc COMMAND [OPTIONS] ARCHIVE [FILE...]\n"
           "\n"
           "commands:\n"
           "  create [--volume-size N] [--overwrite] ARCHIVE [--method M] [--dest-id ID]\n"
           "         [--] FILE|FOLDER...\n"
           "      write the files into ARCHIVE. A file is stored under its own name, the\n"
           "      files below a folder under their paths relative to it. --method (stored,\n"
           "      lh5, zlib; default zlib) and --dest-id (default 0; -1 = not installed)\n"
           "      apply to the names after them; a member that its method would not make\n"
           "      smaller is stored. Two members that would be extracted to the same file\n"
           "      of one destination are refused, and so is an existing ARCHIVE unless\n"
           "      --overwrite is given. --volume-size N splits the archive into volumes of\n"
           "      at most N bytes: a number of bytes, or with k, KB, m or MB (1440k, 2.5m),\n"
           "      or a diskette size 360K, 720K, 1.2M, 1.44M, 2.88M (any case), which means\n"
           "      the space on such a formatted diskette (1.44M: 1457664 bytes). The next\n"
           "      volume's name is the previous one's with its last character counted up\n"
           "      (app.mf1, app.mf2, ...).\n"
           "  list [--json] ARCHIVE [PATTERN...]\n"
           "      show the members: method, sizes, destination id, attributes, time, name\n"
           "      ('+' after the time: the member continues in the next volume); --json:\n"
           "      the same as JSON.\n"
           "  test ARCHIVE [PATTERN...]\n"
           "      expand every member to a scratch file and verify its checksum.\n"
           "  extract [-C DIR | -d DIR] [--dest ID=DIR]... [--all]\n"
           "          [--overwrite|--keep|--rename] ARCHIVE [PATTERN...]\n"
           "      expand the members into DIR (default: the current directory), or into\n"
           "      the directory that --dest maps the member's destination id to. Only the\n"
           "      final component of a stored name is used; unsafe names (empty, '.', '..',\n"
           "      device names, control or reserved characters) are refused. Members with\n"
           "      destination id -1 are skipped unless --all is given. A member is written\n"
           "      under a temporary name and renamed only when it is complete and correct.\n"
           "      An existing file (read-only or not) is not replaced: the member is\n"
           "      refused, unless --overwrite (replace it), --keep (keep it, skip the\n"
           "      member) or --rename (write the member as NAME~2.EXT) is given. A member\n"
           "      that would land on a file written earlier in the same run is refused, or\n"
           "      with --rename written under a distinct name.\n"
           "\n"
           "PATTERN selects members by name ('*' and '?', any case; the final component\n"
           "or the stored name); without one every member is taken. A pattern that\n"
           "matches no member is reported (exit code 2).\n"
           "\n"
           "test and extract report a damaged member and go on with the next one; an\n"
           "archive whose headers or volumes cannot be read further ends the run.\n"
           "\n"
           "options for every command:\n"
           "  --progress, --no-progress   show or hide the progress display on stderr\n"
           "                              (shown by default when stderr is a terminal)\n"
           "  -q, --quiet                 report only what is not ok\n"
           "  -h, --help                  show this text\n"
           "  --version                   show the version\n"
           "  --                          end of options: the names after it may start\n"
           "                              with '-'\n"
           "\n"
           "Later volumes of a multi-volume archive are looked for beside the first.\n"
           "\n"
           "exit codes: 0 success; 1 usage error; 2 damaged or unreadable archive, refused\n"
           "member name, existing file not replaced, or another I/O failure.\n"
           "\n" +
           DistributionUsage();
}

int RunArchiveTool(const std::vector<std::string>& rawArgs, ArchiveToolIo& io) {
    std::vector<std::string> args;
    bool optionsEnded = false;
    for (const auto& a : rawArgs) {
        if (optionsEnded || a == "--") {
            optionsEnded = true;
            args.push_back(a);
        } else if (a == "--progress") {
            io.progress = true;
        } else if (a == "--no-progress") {
            io.progress = false;
        } else if (a == "-h" || a == "--help") {
            io.out << ArchiveToolUsage();
            return kExitOk;
        } else if (a == "--version") {
            io.out << "mfarc " << ArchiveToolVersion() << "\n";
            return kExitOk;
        } else if (a == "-q" || a == "--quiet") {
            io.quiet = true;
        } else {
            args.push_back(a);
        }
    }
    try {
        if (args.empty())
            throw UsageError{"no command given"};
        const std::string& command = args[0];
        if (command == "create")
            return CreateCommand(args, io);
        if (command == "list")
            return ListCommand(args, io);
        if (command == "test")
            return TestCommand(args, io);
        if (command == "extract")
            return ExtractCommand(args, io);
        if (command == "dist") {
            DistributionToolIo distIo{io.out, io.err, io.quiet};
            return RunDistributionCommand({args.begin() + 1, args.end()}, distIo);
        }
        throw UsageError{"unknown command '" + command + "'"};
    } catch (const UsageError& e) {
        io.err << "mfarc: " << e.message << "\nTry 'mfarc --help'.\n";
        return kExitUsage;
    } catch (const ToolFailure& e) {
        io.err << "mfarc: " << e.message << "\n";
        return kExitFailure;
    } catch (const CMemberNameError& e) {
        io.err << "mfarc: " << e.what() << "\n";
        return kExitFailure;
    } catch (const CArchiveWriterError& e) {
        io.err << "mfarc: " << e.what() << "\n";
        return kExitFailure;
    } catch (...) {
        return ReportCurrentFailure(io);
    }
}
