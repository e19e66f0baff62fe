// create: writes files and folders into a new archive. Everything that can be checked
// before coding is checked first: the archive's name, every input and its stored name,
// collisions, and (as far as it can be known) the number of volumes.
#include "ToolCommands.h"
#include "ToolSupport.h"

#include "MemberSources.h"

#include "archive/ArchiveWriter.h"
#include "errors/Exceptions.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace fs = std::filesystem;

namespace {

std::int32_t ParseMethod(const std::string& text) {
    if (text == "stored" || text == "2")
        return 2;
    if (text == "lh5" || text == "3")
        return 3;
    if (text == "zlib" || text == "4")
        return 4;
    throw UsageError{"unknown method '" + text + "' (use stored, lh5 or zlib)"};
}

struct CreateOptions {
    long long volumeSize = 0;
    bool overwrite = false;
    std::string archive;
    // Each input argument with the options in force where it was given.
    std::vector<std::pair<std::string, ArchiveMemberOptions>> inputs;
};

CreateOptions ParseCreateOptions(const std::vector<std::string>& args) {
    CreateOptions options;
    ArchiveMemberOptions member;
    CArgumentReader reader(args);
    while (reader.Next()) {
        std::string value;
        if (reader.TakeValue("--volume-size", value)) {
            options.volumeSize = ParseVolumeSize(value);
            if (options.volumeSize < 0)
                throw UsageError{"'" + value +
                                 "' is not a volume size (bytes, or with k, KB, m or MB; or a "
                                 "diskette size: 360K, 720K, 1.2M, 1.44M, 2.88M)"};
        } else if (reader.TakeValue("--method", value)) {
            member.method = ParseMethod(value);
        } else if (reader.TakeValue("--dest-id", value)) {
            member.destinationId = ParseDestinationId(value);
        } else if (reader.IsOption() && reader.Current() == "--overwrite") {
            options.overwrite = true;
        } else if (reader.IsOption()) {
            reader.UnknownOption("create");
        } else if (options.archive.empty()) {
            options.archive = reader.Current();
        } else {
            options.inputs.emplace_back(reader.Current(), member);
        }
    }
    if (options.volumeSize != 0 && options.volumeSize < CArchiveWriter::kMinVolumeSize)
        throw UsageError{"volume size " + std::to_string(options.volumeSize) +
                         " is too small: a volume must hold at least " +
                         std::to_string(CArchiveWriter::kMinVolumeSize) +
                         " bytes (archive header, one entry header and one byte)"};
    if (options.archive.empty())
        throw UsageError{"create needs an archive name"};
    if (options.inputs.empty())
        throw UsageError{"create needs at least one file"};
    return options;
}

bool PathExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

void CheckArchiveTarget(const std::string& path, bool overwrite) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw ToolFailure{path + ": is a directory"};
    if (PathExists(path) && !overwrite)
        throw ToolFailure{path + ": already exists; not replaced (give --overwrite to replace it)"};
    std::string folder = DirectoryPart(path);
    if (!folder.empty() && !fs::is_directory(folder, ec))
        throw ToolFailure{path + ": cannot be created: the folder " +
                          folder.substr(0, folder.size() > 1 ? folder.size() - 1 : 1) +
                          " does not exist"};
}

struct PlannedMember {
    MemberSource source;
    ArchiveMemberOptions options;
};

std::vector<PlannedMember> PlanMembers(const CreateOptions& options) {
    std::vector<PlannedMember> members;
    CMemberNameSet names;
    for (const auto& [argument, memberOptions] : options.inputs) {
        std::vector<MemberSource> sources = CollectMemberSources(argument);
        if (sources.empty())
            throw ToolFailure{argument + ": is an empty folder; there is nothing to add from it"};
        for (MemberSource& source : sources) {
            if (SameFile(source.sourcePath, options.archive))
                throw ToolFailure{source.sourcePath + ": is the archive being written"};
            names.Add(source, memberOptions.destinationId);
            ArchiveMemberOptions withName = memberOptions;
            withName.storedName = source.storedName;
            members.push_back({std::move(source), withName});
        }
    }
    return members;
}

// The fewest volumes the members can need: stored members take their full size, coded ones
// at least their entry header.
std::size_t FewestVolumes(const std::vector<PlannedMember>& members, long long volumeSize) {
    long long bytes = 0;
    for (const PlannedMember& m : members) {
        bytes += static_cast<long long>(EntryHeader::kSize);
        std::error_code ec;
        if (m.options.method == 2)
            bytes += static_cast<long long>(fs::file_size(m.source.sourcePath, ec));
    }
    long long room = volumeSize - static_cast<long long>(MultiFileHeader::kSize);
    return static_cast<std::size_t>((bytes + room - 1) / room);
}

void CheckVolumeCount(const std::string& archive, std::size_t needed) {
    if (needed > CArchiveWriter::VolumeNameCapacity(archive))
        throw ToolFailure{archive + ": " + CArchiveWriter::TooManyVolumesMessage(archive, needed)};
}

// Later volumes of the planned set that exist already.
void CheckLaterVolumes(const std::string& archive, std::size_t count, bool overwrite) {
    std::string path = archive;
    for (std::size_t i = 1; i < count; ++i) {
        std::string next = CMultiFile::NextVolumeName(path);
        path = path.substr(0, path.size() - next.size()) + next;
        std::error_code ec;
        if (fs::is_directory(path, ec))
            throw ToolFailure{path + ": is a directory"};
        if (!overwrite && PathExists(path))
            throw ToolFailure{path + ": already exists; not replaced (give --overwrite to "
                                     "replace it)"};
    }
}

std::unique_ptr<CArchiveWriter> MakeWriter(const CreateOptions& options) {
    try {
        return std::make_unique<CArchiveWriter>(options.archive, options.volumeSize);
    } catch (const CArchiveWriterError& e) {
        throw UsageError{e.what()};
    }
}

} // namespace

int CreateCommand(const std::vector<std::string>& args, ArchiveToolIo& io) {
    CreateOptions options = ParseCreateOptions(args);
    CheckArchiveTarget(options.archive, options.overwrite);
    std::vector<PlannedMember> members = PlanMembers(options);
    if (options.volumeSize > 0)
        CheckVolumeCount(options.archive, FewestVolumes(members, options.volumeSize));

    std::unique_ptr<CArchiveWriter> writer = MakeWriter(options);
    ProgressLine progress(io);
    std::string current;
    writer->SetProgress([&](std::uint64_t done, std::uint64_t total) {
        progress.Show("adding", current, done, total);
    });
    for (const PlannedMember& member : members) {
        current = member.source.sourcePath;
        writer->AddFile(member.source.sourcePath, member.options);
        // Stop as soon as the coded members outgrow the names, not after coding them all.
        if (options.volumeSize > 0)
            CheckVolumeCount(options.archive, writer->PlannedVolumeCount());
    }
    CheckLaterVolumes(options.archive, writer->PlannedVolumeCount(), options.overwrite);
    current = options.archive;
    std::vector<std::string> volumes = writer->Finish();
    progress.Clear();
    for (const auto& v : volumes)
        io.out << v << "\n";
    return kExitOk;
}
