// list, test and extract: the commands that read an archive.
#include "ToolArchive.h"
#include "ToolCommands.h"

#include "ArchiveJson.h"

#include "archive/MemberName.h"
#include "distribution/SafeNames.h"

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

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// The members named by patterns ('*', '?', any case; the final component or the stored
// name); every member when there are none. Remembers which patterns matched.
class CMemberPatterns {
public:
    void Add(const std::string& pattern) {
        m_patterns.push_back(pattern);
        m_used.push_back(false);
    }
    bool Selects(const EntryHeader& header) {
        if (m_patterns.empty())
            return true;
        const std::string stored = header.GetName();
        const std::string name = FinalComponent(stored);
        bool selected = false;
        for (std::size_t i = 0; i < m_patterns.size(); ++i)
            if (MatchesWildcard(m_patterns[i], name) || MatchesWildcard(m_patterns[i], stored)) {
                m_used[i] = true;
                selected = true;
            }
        return selected;
    }
    // Reports every pattern that matched no member; returns kExitFailure when there was one.
    int ReportUnmatched(ArchiveToolIo& io) const {
        int result = kExitOk;
        for (std::size_t i = 0; i < m_patterns.size(); ++i)
            if (!m_used[i]) {
                io.err << "mfarc: " << m_patterns[i] << ": no member matches\n";
                result = kExitFailure;
            }
        return result;
    }

private:
    std::vector<std::string> m_patterns;
    std::vector<bool> m_used;
};

struct ReadArguments {
    std::string archive;
    CMemberPatterns patterns;
    bool json = false;
};

// ARCHIVE [PATTERN...], and --json where the command takes it.
ReadArguments ArchiveAndPatterns(const std::vector<std::string>& args, bool takesJson) {
    CArgumentReader reader(args);
    ReadArguments read;
    while (reader.Next()) {
        if (takesJson && reader.IsOption() && reader.Current() == "--json")
            read.json = true;
        else if (reader.IsOption())
            reader.UnknownOption(args[0]);
        else if (read.archive.empty())
            read.archive = reader.Current();
        else
            read.patterns.Add(reader.Current());
    }
    if (read.archive.empty())
        throw UsageError{args[0] + " needs exactly one archive name"};
    return read;
}

bool PathExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
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

// Gives from the name to; fails (false, errno set) when to exists, never replacing it.
bool MoveNoReplace(const std::string& from, const std::string& to) {
#ifdef _WIN32
    // The C runtime's rename does not replace an existing file here.
    return std::rename(from.c_str(), to.c_str()) == 0;
#else
    // link refuses an existing name atomically; a file system without links falls back.
    if (::link(from.c_str(), to.c_str()) == 0) {
        std::remove(from.c_str());
        return true;
    }
    if (errno == EEXIST)
        return false;
    if (PathExists(to)) {
        errno = EEXIST;
        return false;
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// A name for a temporary file in dir that does not exist yet.
std::string TemporaryName(const std::string& dir) {
    static std::mt19937 random{std::random_device{}()};
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof name, "~mf%08x.tmp", static_cast<unsigned>(random()));
        std::string candidate = JoinPath(dir, name);
        if (!PathExists(candidate))
            return candidate;
    }
}

// Where an expanded member goes: dir holds the temporary file, path (empty for a test) is
// the final name, shown is what messages name instead of the temporary file.
struct MemberOutput {
    std::string dir;
    std::string path;
    std::string shown;
    bool replace = false;
};

// The exception in flight, with the temporary file's name replaced by the one the user
// knows; rethrows anything else unchanged.
[[noreturn]] void RethrowNamingOutput(const std::string& temp, const MemberOutput& output) {
    try {
        throw;
    } catch (const CFileException& e) {
        if (e.GetFileName() != temp)
            throw;
        throw CFileException(e.GetCause(), e.GetOsError(), output.shown);
    }
}

// Moves the complete member from temp to its final name. Returns false (and removes temp)
// when the final name exists and may not be replaced.
bool PlaceMember(const std::string& temp, const MemberOutput& output) {
    if (output.replace && PathExists(output.path) && !RemoveFile(output.path)) {
        int err = errno;
        RemoveFile(temp);
        throw FileExceptionFromErrno(err, output.path);
    }
    if (MoveNoReplace(temp, output.path))
        return true;
    int err = errno;
    RemoveFile(temp);
    if (PathExists(output.path))
        return false;
    throw FileExceptionFromErrno(err, output.path);
}

// Expands the current member into a temporary file in output.dir and, when output.path is
// given, moves it there. A member that fails leaves nothing behind. Returns false when the
// final name turned out to be taken.
bool ExtractMember(CMultiFile& archive, CMultiFileEntry& entry, const MemberOutput& output) {
    std::string temp = TemporaryName(output.dir);
    entry.SetOutputPath(temp);
    try {
        archive.Extract(entry);
    } catch (...) {
        entry.Close();
        RemoveFile(temp);
        RethrowNamingOutput(temp, output);
    }
    if (output.path.empty()) {
        RemoveFile(temp);
        return true;
    }
    return PlaceMember(temp, output);
}

enum class MemberResult { ok, damaged, taken };

// Expands the current member like ExtractMember. Damage confined to the member's coded data
// (an unknown method, a corrupt table, a checksum mismatch, a zlib error) is reported and
// answered with damaged: the next header is still found, so the caller goes on with the
// rest. Anything else (a missing header or volume, a short or unreadable file) ends the run.
MemberResult ExtractMemberOrReport(CToolArchive& archive, CMultiFileEntry& entry,
                                   const MemberOutput& output, ProgressLine& progress,
                                   ArchiveToolIo& io) {
    try {
        bool placed = ExtractMember(archive, entry, output);
        progress.Clear();
        return placed ? MemberResult::ok : MemberResult::taken;
    } catch (const CMultiFileException& e) {
        if (e.GetCause() == CMultiFileException::kNotAnArchive ||
            e.GetCause() == CMultiFileException::kMissingEntryHeader || archive.VolumeMissing())
            throw;
        progress.Clear();
        ReportCurrentFailure(io, archive.Subject(), archive.Detail());
    } catch (const CZLibException&) {
        if (archive.VolumeMissing())
            throw;
        progress.Clear();
        ReportCurrentFailure(io, archive.Subject(), archive.Detail());
    }
    return MemberResult::damaged;
}

} // namespace

void ListLine(const EntryHeader& h, std::ostream& out) {
    char line[128];
    std::snprintf(line, sizeof line, "%-6s %10lu %10lu %6d 0x%02x %s%s ",
                  ArchiveMethodName(h.method).c_str(), static_cast<unsigned long>(h.expandedSize),
                  static_cast<unsigned long>(h.compressedSize), h.destinationId,
                  h.attributes & 0xFF, FormatUtcTime(h.modifyTime).c_str(),
                  h.continued ? "+" : " ");
    out << line << h.GetName() << "\n";
}

int ListCommand(const std::vector<std::string>& args, ArchiveToolIo& io) {
    ReadArguments read = ArchiveAndPatterns(args, true);
    ProgressLine progress(io);
    CToolArchive archive(progress, "listing");
    return RunReading(archive, io, [&] {
        archive.OpenFirstVolume(read.archive);
        auto entry = archive.CreateEntry();
        std::vector<EntryHeader> members;
        while (archive.ReadNext(*entry))
            if (read.patterns.Selects(entry->Header()))
                members.push_back(entry->Header());
        if (read.json) {
            WriteArchiveJson(read.archive, members, io.out);
        } else {
            io.out << "method   expanded compressed   dest attr modified (UTC)       name\n";
            for (const EntryHeader& h : members)
                ListLine(h, io.out);
            io.out << members.size() << " member(s)\n";
        }
        return read.patterns.ReportUnmatched(io);
    });
}

int TestCommand(const std::vector<std::string>& args, ArchiveToolIo& io) {
    ReadArguments read = ArchiveAndPatterns(args, false);
    ProgressLine progress(io);
    CToolArchive archive(progress, "testing");
    return RunReading(archive, io, [&] {
        archive.OpenFirstVolume(read.archive);
        auto entry = archive.CreateEntry();
        MemberOutput scratch;
        std::error_code ec;
        scratch.dir = fs::temp_directory_path(ec).string();
        if (ec)
            throw ToolFailure{"no folder for scratch files (set TMPDIR or TEMP to one)"};
        scratch.shown = scratch.dir + " (scratch file)";
        int good = 0;
        int damaged = 0;
        while (archive.ReadNext(*entry)) {
            if (!read.patterns.Selects(entry->Header()))
                continue;
            if (ExtractMemberOrReport(archive, *entry, scratch, progress, io) == MemberResult::ok) {
                if (!io.quiet)
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
        const int unmatched = read.patterns.ReportUnmatched(io);
        return damaged == 0 ? unmatched : kExitFailure;
    });
}

namespace {

// What extract does with a member whose file is already there from before the run.
enum class ExistingFiles { refuse, overwrite, keep, rename };

struct ExtractOptions {
    std::string baseDir = ".";
    std::map<int, std::string> destinations;
    bool all = false;
    ExistingFiles existing = ExistingFiles::refuse;
    std::string archive;
    CMemberPatterns patterns;
};

void SetExistingPolicy(ExtractOptions& options, ExistingFiles policy, const std::string& option) {
    if (options.existing != ExistingFiles::refuse && options.existing != policy)
        throw UsageError{"give only one of --overwrite, --keep and --rename (" + option + ")"};
    options.existing = policy;
}

ExtractOptions ParseExtractOptions(const std::vector<std::string>& args) {
    ExtractOptions options;
    CArgumentReader reader(args);
    while (reader.Next()) {
        std::string value;
        if (reader.TakeValue("-C", value) || reader.TakeValue("-d", value) ||
            reader.TakeValue("--directory", value)) {
            options.baseDir = value;
        } else if (reader.TakeValue("--dest", value)) {
            std::size_t eq = value.find('=');
            if (eq == std::string::npos || eq + 1 == value.size())
                throw UsageError{"--dest needs ID=DIRECTORY, not '" + value + "'"};
            options.destinations[ParseDestinationId(value.substr(0, eq))] = value.substr(eq + 1);
        } else if (reader.IsOption() && reader.Current() == "--all") {
            options.all = true;
        } else if (reader.IsOption() && reader.Current() == "--overwrite") {
            SetExistingPolicy(options, ExistingFiles::overwrite, reader.Current());
        } else if (reader.IsOption() && reader.Current() == "--keep") {
            SetExistingPolicy(options, ExistingFiles::keep, reader.Current());
        } else if (reader.IsOption() && reader.Current() == "--rename") {
            SetExistingPolicy(options, ExistingFiles::rename, reader.Current());
        } else if (reader.IsOption()) {
            reader.UnknownOption("extract");
        } else if (options.archive.empty()) {
            options.archive = reader.Current();
        } else {
            options.patterns.Add(reader.Current());
        }
    }
    if (options.archive.empty())
        throw UsageError{"extract needs an archive name"};
    return options;
}

// The files this run has written, by the name the file system compares, with the stored
// name of the member each came from.
class CWrittenFiles {
public:
    static std::string Key(const std::string& dir, const std::string& name) {
        std::error_code ec;
        std::string canonical = fs::weakly_canonical(dir, ec).string();
        return FoldCase((ec ? dir : canonical) + "/" + name);
    }
    const std::string* Find(const std::string& dir, const std::string& name) const {
        auto it = m_files.find(Key(dir, name));
        return it == m_files.end() ? nullptr : &it->second;
    }
    void Add(const std::string& dir, const std::string& name, const std::string& stored) {
        m_files[Key(dir, name)] = stored;
    }
    // name with "~2", "~3", ... before its extension: the first that neither this run nor
    // an existing file uses.
    std::string DistinctName(const std::string& dir, const std::string& name) const {
        std::size_t dot = name.rfind('.');
        std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
        std::string extension = name.substr(base.size());
        for (int n = 2;; ++n) {
            std::string candidate = base + "~" + std::to_string(n) + extension;
            if (Find(dir, candidate) == nullptr && !PathExists(JoinPath(dir, candidate)))
                return candidate;
        }
    }

private:
    std::map<std::string, std::string> m_files;
};

void PrepareDirectory(const std::string& dir) {
    std::error_code ec;
    if (PathExists(dir) && !fs::is_directory(dir, ec))
        throw ToolFailure{dir + ": is not a directory"};
    fs::create_directories(dir, ec);
    if (ec)
        throw CFileException(CFileException::kBadPath, ec.value(), dir);
}

class CExtractRun {
public:
    CExtractRun(ExtractOptions& options, ArchiveToolIo& io)
        : m_options(options), m_io(io), m_progress(io), m_archive(m_progress, "extracting") {}

    int Run() {
        return RunReading(m_archive, m_io, [&] {
            m_archive.OpenFirstVolume(m_options.archive);
            auto entry = m_archive.CreateEntry();
            while (m_archive.ReadNext(*entry))
                if (m_options.patterns.Selects(entry->Header()))
                    ExtractOne(*entry);
            if (m_options.patterns.ReportUnmatched(m_io) != kExitOk)
                m_result = kExitFailure;
            return m_result;
        });
    }

private:
    void Refuse(const std::string& message) {
        m_io.err << "mfarc: " << message << "\n";
        m_result = kExitFailure;
    }

    void ExtractOne(CMultiFileEntry& entry) {
        const EntryHeader& h = entry.Header();
        std::string stored = h.GetName();
        if (h.destinationId == -1 && !m_options.all) {
            if (!m_io.quiet)
                m_io.out << "skipped (not installed) " << stored << "\n";
            return;
        }
        std::string name = FinalComponent(stored);
        std::string reason = UnsafeNameReason(name);
        if (!reason.empty())
            return Refuse("refused member name '" + stored + "': " + reason);
        auto mapped = m_options.destinations.find(h.destinationId);
        std::string dir =
            mapped != m_options.destinations.end() ? mapped->second : m_options.baseDir;
        PrepareDirectory(dir);
        if (!ChooseName(dir, name, stored))
            return;
        MemberOutput output{dir, JoinPath(dir, name), JoinPath(dir, name),
                            m_options.existing == ExistingFiles::overwrite};
        switch (ExtractMemberOrReport(m_archive, entry, output, m_progress, m_io)) {
        case MemberResult::ok:
            m_written.Add(dir, name, stored);
            if (m_io.quiet)
                break;
            m_io.out << "extracted " << output.path;
            if (name != FinalComponent(stored))
                m_io.out << " (from " << stored << ")";
            m_io.out << "\n";
            break;
        case MemberResult::taken:
            RefuseExisting(output.path);
            break;
        case MemberResult::damaged:
            m_result = kExitFailure;
            break;
        }
    }

    void RefuseExisting(const std::string& path) {
        Refuse(path + ": already exists; not replaced (give --overwrite to replace it, "
                      "--keep to keep it, --rename to keep both)");
    }

    // Settles the file name for a member in dir: false when the member is not to be
    // written (reported, or kept), name changed when it is written under a distinct name.
    bool ChooseName(const std::string& dir, std::string& name, const std::string& stored) {
        if (const std::string* earlier = m_written.Find(dir, name)) {
            if (m_options.existing != ExistingFiles::rename) {
                Refuse(m_archive.Subject() + ": not extracted: " + JoinPath(dir, name) +
                       " was already written from member '" + *earlier +
                       "' in this run (give --rename to keep both)");
                return false;
            }
            name = m_written.DistinctName(dir, name);
            return true;
        }
        std::string path = JoinPath(dir, name);
        if (!PathExists(path))
            return true;
        switch (m_options.existing) {
        case ExistingFiles::refuse:
            RefuseExisting(path);
            return false;
        case ExistingFiles::keep:
            m_io.out << "kept existing " << path << " (not extracted: " << stored << ")\n";
            return false;
        case ExistingFiles::rename:
            name = m_written.DistinctName(dir, name);
            return true;
        case ExistingFiles::overwrite:
            return true;
        }
        return true;
    }

    ExtractOptions& m_options;
    ArchiveToolIo& m_io;
    ProgressLine m_progress;
    CToolArchive m_archive;
    CWrittenFiles m_written;
    int m_result = kExitOk;
};

} // namespace

int ExtractCommand(const std::vector<std::string>& args, ArchiveToolIo& io) {
    ExtractOptions options = ParseExtractOptions(args);
    CExtractRun run(options, io);
    return run.Run();
}
