#include "ArchiveTool.h"

#include "MemberNames.h"

#include "archive/ArchiveWriter.h"
#include "archive/MultiFile.h"
#include "errors/Exceptions.h"
#include "support/FilePath.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// A usage error: reported with a hint to --help, exit code 1.
struct UsageError {
    std::string message;
};

// Shows "<verb> <name> NN%" on one line of the error stream, rewritten in place.
class ProgressLine {
public:
    explicit ProgressLine(ArchiveToolIo& io) : m_io(io) {}
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(const std::string& verb, const std::string& name, std::uint64_t done,
              std::uint64_t total) {
        if (!m_io.progress)
            return;
        int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
        if (percent > 100)
            percent = 100;
        std::string text = verb + " " + name + " " + std::to_string(percent) + "%";
        if (text == m_last)
            return;
        Clear();
        m_io.err << text << std::flush;
        m_last = text;
    }
    void Clear() {
        if (m_last.empty())
            return;
        m_io.err << '\r' << std::string(m_last.size(), ' ') << '\r' << std::flush;
        m_last.clear();
    }

private:
    ArchiveToolIo& m_io;
    std::string m_last;
};

// The archive as the tool reads it: the progress of the member being expanded is shown at
// every block boundary.
class CToolArchive : public CMultiFile {
public:
    CToolArchive(ProgressLine& progress, std::string verb)
        : m_progress(progress), m_verb(std::move(verb)) {}
    void OnBlockBoundary() override {
        const CMultiFileEntry* entry = GetCurrentEntry();
        if (entry != nullptr)
            m_progress.Show(m_verb, entry->Header().GetName(),
                            static_cast<std::uint64_t>(entry->GetCount(dirWrite)),
                            entry->Header().expandedSize);
    }

private:
    ProgressLine& m_progress;
    std::string m_verb;
};

// What a failure without a file name of its own is about: the archive, and the member
// being read when there is one.
struct FailureSubject {
    std::string archive;
    std::string member;
};
FailureSubject g_subject;

int ReportCurrentException(ArchiveToolIo& io) {
    ExceptionDescription d = DescribeCurrentException();
    std::string prefix;
    if (d.fileName.empty() && !g_subject.archive.empty()) {
        prefix = g_subject.archive + ": ";
        if (!g_subject.member.empty())
            prefix += g_subject.member + ": ";
    }
    io.err << "mfarc: " << prefix << FormatExceptionLine(d) << "\n";
    return kExitFailure;
}

// Opens an archive for reading and names it as the subject of failures.
void OpenArchiveFor(CMultiFile& archive, const std::string& path) {
    g_subject = FailureSubject{path, {}};
    archive.OpenArchive(path);
}

std::int32_t ParseMethod(const std::string& text) {
    if (text == "stored" || text == "2")
        return 2;
    if (text == "lh5" || text == "3")
        return 3;
    if (text == "zlib" || text == "4")
        return 4;
    throw UsageError{"unknown method '" + text + "' (use stored, lh5 or zlib)"};
}

std::int16_t ParseDestinationId(const std::string& text) {
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < -32768 || value > 32767)
        throw UsageError{"'" + text + "' is not a destination id (-32768 to 32767)"};
    return static_cast<std::int16_t>(value);
}

std::string MethodName(std::int32_t method) {
    switch (method) {
    case 2:
        return "stored";
    case 3:
        return "lh5";
    case 4:
        return "zlib";
    default:
        return "m" + std::to_string(method);
    }
}

std::string FormatTime(std::int32_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm* tm = std::gmtime(&t);
    if (tm == nullptr)
        return "-";
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", tm);
    return buffer;
}

// Takes the value of an option: "--opt=value" or "--opt value".
bool TakeOption(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                std::string& value) {
    const std::string& a = args[i];
    if (a == name) {
        if (i + 1 >= args.size())
            throw UsageError{name + " needs a value"};
        value = args[++i];
        return true;
    }
    if (a.size() > name.size() + 1 && a.compare(0, name.size(), name) == 0 &&
        a[name.size()] == '=') {
        value = a.substr(name.size() + 1);
        return true;
    }
    return false;
}

int Create(const std::vector<std::string>& args, ArchiveToolIo& io) {
    long long volumeSize = 0;
    std::string archive;
    ArchiveMemberOptions options;
    std::vector<std::pair<std::string, ArchiveMemberOptions>> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string value;
        if (TakeOption(args, i, "--volume-size", value)) {
            volumeSize = ParseVolumeSize(value);
            if (volumeSize < 0)
                throw UsageError{"'" + value + "' is not a volume size"};
        } else if (TakeOption(args, i, "--method", value)) {
            options.method = ParseMethod(value);
        } else if (TakeOption(args, i, "--dest-id", value)) {
            options.destinationId = ParseDestinationId(value);
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw UsageError{"unknown option '" + args[i] + "' for create"};
        } else if (archive.empty()) {
            archive = args[i];
        } else {
            files.emplace_back(args[i], options);
        }
    }
    if (archive.empty())
        throw UsageError{"create needs an archive name"};
    if (files.empty())
        throw UsageError{"create needs at least one file"};

    std::unique_ptr<CArchiveWriter> writer;
    try {
        writer = std::make_unique<CArchiveWriter>(archive, volumeSize);
    } catch (const CArchiveWriterError& e) {
        throw UsageError{e.what()};
    }
    ProgressLine progress(io);
    std::string current;
    writer->SetProgress([&](std::uint64_t done, std::uint64_t total) {
        progress.Show("adding", current, done, total);
    });
    for (const auto& file : files) {
        current = file.first;
        writer->AddFile(file.first, file.second);
    }
    current = archive;
    std::vector<std::string> volumes = writer->Finish();
    progress.Clear();
    for (const auto& v : volumes)
        io.out << v << "\n";
    return kExitOk;
}

std::string SingleArchiveArgument(const std::vector<std::string>& args) {
    if (args.size() != 2 || (args[1].size() > 1 && args[1][0] == '-'))
        throw UsageError{args[0] + " needs exactly one archive name"};
    return args[1];
}

int List(const std::vector<std::string>& args, ArchiveToolIo& io) {
    std::string path = SingleArchiveArgument(args);
    CMultiFile archive;
    OpenArchiveFor(archive, path);
    auto entry = archive.CreateEntry();
    io.out << "method   expanded compressed   dest attr modified (UTC)       name\n";
    int members = 0;
    while (archive.ReadNextEntry(*entry, 0) != 0) {
        const EntryHeader& h = entry->Header();
        char line[128];
        std::snprintf(line, sizeof line, "%-6s %10lu %10lu %6d 0x%02x %s%s ",
                      MethodName(h.method).c_str(), static_cast<unsigned long>(h.expandedSize),
                      static_cast<unsigned long>(h.compressedSize), h.destinationId,
                      h.attributes & 0xFF, FormatTime(h.modifyTime).c_str(),
                      h.continued ? "+" : " ");
        io.out << line << h.GetName() << "\n";
        ++members;
    }
    io.out << members << " member(s)\n";
    return kExitOk;
}

// dir joined with a file name. Paths stay byte strings in the ANSI code page throughout, as
// the C runtime's file functions take them.
std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return name;
    char last = dir.back();
#ifdef _WIN32
    if (last == '\\' || last == '/' || last == ':')
        return dir + name;
    return dir + "\\" + name;
#else
    if (last == '/')
        return dir + name;
    return dir + "/" + name;
#endif
}

bool FileExists(const std::string& path) {
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr)
        return false;
    std::fclose(probe);
    return true;
}

// Removes a file, clearing its read-only attribute first (Windows refuses to remove a
// read-only file). Returns true when the file is gone.
bool RemoveFile(const std::string& path) {
    if (std::remove(path.c_str()) == 0)
        return true;
    CFileStatusInfo writable;
    writable.attributes = 0x20;
    try {
        CFilePath(path).ApplyFileStatus(writable);
    } catch (const CException&) {
        return false;
    }
    return std::remove(path.c_str()) == 0;
}

// A name for a temporary file in dir that does not exist yet.
std::string TemporaryName(const std::string& dir) {
    static std::mt19937 random{std::random_device{}()};
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof name, "~mf%08x.tmp", static_cast<unsigned>(random()));
        std::string candidate = JoinPath(dir, name);
        if (!FileExists(candidate))
            return candidate;
    }
}

// Expands the current member into a temporary file in dir; on success the file is moved to
// finalPath (when given) or removed. A member that fails leaves nothing behind.
void ExtractMember(CMultiFile& archive, CMultiFileEntry& entry, const std::string& dir,
                   const std::string* finalPath) {
    std::string temp = TemporaryName(dir);
    entry.SetOutputPath(temp);
    try {
        archive.Extract(entry);
    } catch (...) {
        entry.Close();
        RemoveFile(temp);
        throw;
    }
    if (finalPath == nullptr) {
        RemoveFile(temp);
        return;
    }
    if (std::rename(temp.c_str(), finalPath->c_str()) != 0) {
        // Windows does not replace an existing file by renaming.
        RemoveFile(*finalPath);
        if (std::rename(temp.c_str(), finalPath->c_str()) != 0) {
            int err = errno;
            RemoveFile(temp);
            throw FileExceptionFromErrno(err, *finalPath);
        }
    }
}

// Expands the current member like ExtractMember. Damage confined to the member's coded data
// (an unknown method, a corrupt table, a checksum mismatch, a zlib error) is reported and
// answered with false: the next header is still found, so the caller goes on with the rest.
// Anything else (a missing header, a short or unreadable file) ends the run.
bool ExtractMemberOrReport(CMultiFile& archive, CMultiFileEntry& entry, const std::string& dir,
                           const std::string* finalPath, ProgressLine& progress,
                           ArchiveToolIo& io) {
    try {
        ExtractMember(archive, entry, dir, finalPath);
        progress.Clear();
        return true;
    } catch (const CMultiFileException& e) {
        if (e.GetCause() == CMultiFileException::kNotAnArchive ||
            e.GetCause() == CMultiFileException::kMissingEntryHeader)
            throw;
        progress.Clear();
        ReportCurrentException(io);
    } catch (const CZLibException&) {
        progress.Clear();
        ReportCurrentException(io);
    }
    return false;
}

int Test(const std::vector<std::string>& args, ArchiveToolIo& io) {
    std::string path = SingleArchiveArgument(args);
    ProgressLine progress(io);
    CToolArchive archive(progress, "testing");
    OpenArchiveFor(archive, path);
    auto entry = archive.CreateEntry();
    std::string scratch = fs::temp_directory_path().string();
    int good = 0;
    int damaged = 0;
    while (archive.ReadNextEntry(*entry, 0) != 0) {
        g_subject.member = entry->Header().GetName();
        if (ExtractMemberOrReport(archive, *entry, scratch, nullptr, progress, io)) {
            io.out << "ok " << entry->Header().GetName() << "\n";
            ++good;
        } else {
            io.out << "DAMAGED " << entry->Header().GetName() << "\n";
            ++damaged;
        }
    }
    io.out << good << " member(s) ok";
    if (damaged != 0)
        io.out << ", " << damaged << " damaged";
    io.out << "\n";
    return damaged == 0 ? kExitOk : kExitFailure;
}

int Extract(const std::vector<std::string>& args, ArchiveToolIo& io) {
    std::string baseDir = ".";
    std::map<int, std::string> destinations;
    bool all = false;
    std::string archivePath;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string value;
        if (TakeOption(args, i, "-C", value) || TakeOption(args, i, "--directory", value)) {
            baseDir = value;
        } else if (TakeOption(args, i, "--dest", value)) {
            std::size_t eq = value.find('=');
            if (eq == std::string::npos || eq + 1 == value.size())
                throw UsageError{"--dest needs ID=DIRECTORY, not '" + value + "'"};
            destinations[ParseDestinationId(value.substr(0, eq))] = value.substr(eq + 1);
        } else if (args[i] == "--all") {
            all = true;
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw UsageError{"unknown option '" + args[i] + "' for extract"};
        } else if (archivePath.empty()) {
            archivePath = args[i];
        } else {
            throw UsageError{"extract takes one archive name"};
        }
    }
    if (archivePath.empty())
        throw UsageError{"extract needs an archive name"};

    ProgressLine progress(io);
    CToolArchive archive(progress, "extracting");
    OpenArchiveFor(archive, archivePath);
    auto entry = archive.CreateEntry();
    int result = kExitOk;
    while (archive.ReadNextEntry(*entry, 0) != 0) {
        const EntryHeader& h = entry->Header();
        std::string stored = h.GetName();
        if (h.destinationId == -1 && !all) {
            io.out << "skipped (not installed) " << stored << "\n";
            continue;
        }
        std::string name = FinalComponent(stored);
        std::string reason = UnsafeNameReason(name);
        if (!reason.empty()) {
            io.err << "mfarc: refused member name '" << stored << "': " << reason << "\n";
            result = kExitFailure;
            continue;
        }
        auto mapped = destinations.find(h.destinationId);
        std::string dir = mapped != destinations.end() ? mapped->second : baseDir;
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec)
            throw CFileException(CFileException::kBadPath, ec.value(), dir);
        std::string target = JoinPath(dir, name);
        g_subject.member = stored;
        if (ExtractMemberOrReport(archive, *entry, dir, &target, progress, io))
            io.out << "extracted " << target << "\n";
        else
            result = kExitFailure;
    }
    return result;
}

} // namespace

long long ParseVolumeSize(const std::string& text) {
    if (text.empty())
        return -1;
    std::size_t digits = 0;
    long long value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        if (value > (1LL << 40))
            return -1;
        value = value * 10 + (text[digits] - '0');
        ++digits;
    }
    if (digits == 0)
        return -1;
    std::string suffix = text.substr(digits);
    if (suffix.empty())
        return value;
    if (suffix == "k" || suffix == "K")
        return value * 1024;
    if (suffix == "m" || suffix == "M")
        return value * 1024 * 1024;
    return -1;
}

std::string ArchiveToolUsage() {
    return "usage: mfarc COMMAND [OPTIONS] ARCHIVE [FILE...]\n"
           "\n"
           "commands:\n"
           "  create [--volume-size N] ARCHIVE [--method M] [--dest-id ID] FILE...\n"
           "      write the files into ARCHIVE. --method (stored, lh5, zlib; default zlib)\n"
           "      and --dest-id (default 0; -1 = not installed) apply to the files after\n"
           "      them. --volume-size N (bytes, or with suffix k or m) splits the archive\n"
           "      into volumes of at most N bytes; the next volume's name is the previous\n"
           "      one's with its last character counted up (app.mf1, app.mf2, ...).\n"
           "  list ARCHIVE\n"
           "      show the members: method, sizes, destination id, attributes, time, name\n"
           "      ('+' after the time: the member continues in the next volume).\n"
           "  test ARCHIVE\n"
           "      expand every member to a scratch file and verify its checksum.\n"
           "  extract [-C DIR] [--dest ID=DIR]... [--all] ARCHIVE\n"
           "      expand the members into DIR (default: the current directory), or into\n"
           "      the directory that --dest maps the member's destination id to. Only the\n"
           "      final component of a stored name is used; unsafe names (empty, '.', '..',\n"
           "      device names, control or reserved characters) are refused. Members with\n"
           "      destination id -1 are skipped unless --all is given. A member is written\n"
           "      under a temporary name and renamed only when it is complete and correct.\n"
           "\n"
           "test and extract report a damaged member and go on with the next one; an\n"
           "archive whose headers cannot be read further ends the run.\n"
           "\n"
           "options for every command:\n"
           "  --progress, --no-progress   show or hide the progress display on stderr\n"
           "                              (shown by default when stderr is a terminal)\n"
           "  -h, --help                  show this text\n"
           "\n"
           "Later volumes of a multi-volume archive are looked for beside the first.\n"
           "\n"
           "exit codes: 0 success; 1 usage error; 2 damaged or unreadable archive, refused\n"
           "member name, or another I/O failure.\n";
}

int RunArchiveTool(const std::vector<std::string>& rawArgs, ArchiveToolIo& io) {
    std::vector<std::string> args;
    for (const auto& a : rawArgs) {
        if (a == "--progress")
            io.progress = true;
        else if (a == "--no-progress")
            io.progress = false;
        else if (a == "-h" || a == "--help") {
            io.out << ArchiveToolUsage();
            return kExitOk;
        } else
            args.push_back(a);
    }
    g_subject = FailureSubject();
    try {
        if (args.empty())
            throw UsageError{"no command given"};
        const std::string& command = args[0];
        if (command == "create")
            return Create(args, io);
        if (command == "list")
            return List(args, io);
        if (command == "test")
            return Test(args, io);
        if (command == "extract")
            return Extract(args, io);
        throw UsageError{"unknown command '" + command + "'"};
    } catch (const UsageError& e) {
        io.err << "mfarc: " << e.message << "\nTry 'mfarc --help'.\n";
        return kExitUsage;
    } catch (const CArchiveWriterError& e) {
        io.err << "mfarc: " << e.what() << "\n";
        return kExitUsage;
    } catch (...) {
        return ReportCurrentException(io);
    }
}
