#include "distribution/Distribution.h"

#include "archive/MultiFile.h"
#include "distribution/SafeNames.h"
#include "distribution/VersionScan.h"
#include "errors/Exceptions.h"
#include "support/Profile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace fs = std::filesystem;

namespace {

constexpr char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kHelpKey[] = "SOFTWARE\\Microsoft\\Windows\\Help";
constexpr const char* kHelpComponents[] = {"qvntls32.dll", "qvnlnk32.dll", "qvnnav32.exe",
                                           "qvnnav32.hlp"};

// The model machine's directories and the extraction folders they become, longest first.
struct FolderPrefix {
    const char* path;
    const char* folder;
};
constexpr FolderPrefix kFolderPrefixes[] = {
    {"C:\\WINDOWS\\SYSTEM\\", "SYSTEM"}, {"C:\\WINDOWS\\HELP\\", "HELP"},
    {"C:\\WINDOWS\\FONTS\\", "FONTS"},   {"C:\\WINDOWS\\TEMP\\", "TEMP"},
    {"C:\\WINDOWS\\", "WINDOWS"},        {"C:\\PROGRAM FILES\\COMMON FILES\\", "COMMON"},
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string HostFolder(std::string folder) {
    std::replace(folder.begin(), folder.end(), '\\', kSeparator);
    return folder;
}

std::string TemporaryIn(const std::string& folder) {
    static std::mt19937 random{std::random_device{}()};
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof name, "~ds%08x.tmp", static_cast<unsigned>(random()));
        const fs::path candidate = fs::path(folder) / name;
        std::error_code ec;
        if (!fs::exists(candidate, ec))
            return candidate.string();
    }
}

void RemoveQuietly(const std::string& path) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove(path, ec);
}

// The short text of the exception in flight, without a file name (which may be a scratch
// path): the problem names the diskette and the archive itself.
std::string CurrentExceptionText() {
    ExceptionDescription d = DescribeCurrentException();
    d.fileName.clear();
    return FormatExceptionLine(d);
}

// Inside a catch block: whether the exception in flight is damage confined to one member's
// coded data (the next header can still be found), as opposed to an archive that cannot be
// read further.
bool IsMemberDamage() {
    try {
        throw;
    } catch (const CMultiFileException& e) {
        return e.GetCause() != CMultiFileException::kNotAnArchive &&
               e.GetCause() != CMultiFileException::kMissingEntryHeader;
    } catch (const CZLibException&) {
        return true;
    } catch (...) {
        return false;
    }
}

// The setup's replacement rule between two members for one place: versions decide where
// there are any, otherwise the later time.
bool NewReplacesPresent(const DistributionMember& present, const DistributionMember& next) {
    if (present.hasVersion || next.hasVersion) {
        if (!next.hasVersion)
            return false;
        return !present.hasVersion || IsVersionNewer(next.version, present.version);
    }
    return next.modifyTime > present.modifyTime;
}

// The archive of one record: later volumes come from the following diskettes.
class CDiskArchive : public CMultiFile {
public:
    CDiskArchive(const CDisketteSet& set, std::int32_t diskette)
        : m_set(set), m_diskette(diskette) {}
    // The next volume on the next diskette; a missing one is remembered for the report and
    // the diskette count stays where the archive was last read.
    std::string LocateVolume(const std::string& fileName) override {
        const std::string path = m_set.FindFile(fileName, m_diskette + 1);
        if (path.empty())
            m_missing = fileName + " is not on diskette " + std::to_string(m_diskette + 1);
        else
            ++m_diskette;
        return path;
    }
    std::int32_t Diskette() const { return m_diskette; }
    // Why the archive ended early, when a volume was missing; else empty.
    const std::string& MissingVolume() const { return m_missing; }

private:
    const CDisketteSet& m_set;
    std::int32_t m_diskette;
    std::string m_missing;
};

} // namespace

// One pass over the selected records; what happens to each member is the visitor's.
class CDistribution::CWalk {
public:
    // Handles one member; the archive stands at its coded data. Member damage is the
    // visitor's to report; anything it lets through ends the archive.
    using Visitor = std::function<void(CMultiFile*, CMultiFileEntry*, MemberResult&)>;

    CWalk(const CDistribution& distribution, std::vector<DistributionProblem>& problems)
        : m_distribution(distribution), m_problems(problems) {}

    std::vector<MemberResult> Run(const std::vector<const ArchiveRecordInfo*>& records,
                                  const MemberSelection& selection, const Visitor& visit) {
        std::vector<MemberResult> results;
        for (const ArchiveRecordInfo* record : records) {
            if (record->kind == kArchiveKindMultiFile)
                WalkArchive(*record, selection, visit, results);
            else if (record->kind == kArchiveKindSingleFile)
                WalkPlainFile(*record, selection, visit, results);
        }
        return results;
    }

    void Problem(std::int32_t diskette, const std::string& archive, const std::string& member,
                 const std::string& message, std::int32_t lastDiskette = 0) {
        const CDisketteSet& set = *m_distribution.m_diskettes;
        lastDiskette = std::max(lastDiskette, diskette);
        m_problems.push_back({diskette, lastDiskette, set.DisketteName(diskette),
                              set.DisketteName(lastDiskette), archive, member, message});
    }

private:
    DistributionMember Describe(const ArchiveRecordInfo& record, std::int32_t diskette) const {
        DistributionMember m;
        if (record.component != nullptr) {
            m.component = record.component->key;
            std::copy(std::begin(record.component->typeFlags),
                      std::end(record.component->typeFlags), m.setupTypes.begin());
        }
        m.archive = record.fileName;
        m.archiveKind = record.kind;
        m.diskette = m.lastDiskette = diskette;
        return m;
    }

    void Place(DistributionMember& m) const {
        std::string reason;
        if (m.destination == kDestNotInstalled)
            return;
        m.folder = m_distribution.FolderOf(m.destination, reason);
        CFilePath directory;
        if (m_distribution.m_collections->destinations.GetPath(m.destination, directory))
            m.installedPath = directory.GetText() + m.name;
    }

    void FromHeader(DistributionMember& m, const EntryHeader& h) const {
        m.storedName = h.GetName();
        m.name = FinalComponent(m.storedName);
        m.destination = h.destinationId;
        m.expandedSize = h.expandedSize;
        m.compressedSize = h.compressedSize;
        m.checksum = h.checksum;
        m.method = h.method;
        m.modifyTime = h.modifyTime;
        m.attributes = h.attributes;
        Place(m);
    }

    void WalkArchive(const ArchiveRecordInfo& record, const MemberSelection& selection,
                     const Visitor& visit, std::vector<MemberResult>& results) {
        const std::string path =
            m_distribution.m_diskettes->FindFile(record.fileName, record.diskNumber);
        if (path.empty()) {
            Problem(record.diskNumber, record.fileName, "", "the archive is not on the diskette");
            return;
        }
        CDiskArchive archive(*m_distribution.m_diskettes, record.diskNumber);
        MemberResult* previous = nullptr; // the last member read, when it is continued
        std::string current;              // the member being read or passed over
        try {
            archive.OpenArchive(path);
            auto entry = archive.CreateEntry();
            while (archive.ReadNextEntry(*entry, 0) != 0) {
                if (previous != nullptr)
                    previous->member.lastDiskette = archive.Diskette();
                previous = nullptr;
                MemberResult result;
                result.member = Describe(record, archive.Diskette());
                FromHeader(result.member, entry->Header());
                current = result.member.name;
                if (!m_distribution.Selected(result.member, selection))
                    continue;
                visit(&archive, entry.get(), result);
                results.push_back(result);
                if (entry->Header().continued != 0)
                    previous = &results.back();
            }
            if (previous != nullptr)
                previous->member.lastDiskette = archive.Diskette();
        } catch (...) {
            const std::string& missing = archive.MissingVolume();
            Problem(record.diskNumber, record.fileName, current,
                    missing.empty() ? CurrentExceptionText() : missing,
                    archive.Diskette() + (missing.empty() ? 0 : 1));
        }
    }

    void WalkPlainFile(const ArchiveRecordInfo& record, const MemberSelection& selection,
                       const Visitor& visit, std::vector<MemberResult>& results) {
        MemberResult result;
        result.member = Describe(record, record.diskNumber);
        DistributionMember& m = result.member;
        m.storedName = m.name = record.fileName;
        m.destination = record.destination;
        m.method = kMethodPlainCopy;
        Place(m);
        if (!m_distribution.Selected(m, selection))
            return;
        const std::string path =
            m_distribution.m_diskettes->FindFile(record.fileName, record.diskNumber);
        if (path.empty()) {
            Problem(record.diskNumber, record.fileName, "", "the file is not on the diskette");
            return;
        }
        CMultiFileEntry source;
        source.SetSourceName(path);
        source.FillFromFile();
        // The setup program copies the whole file: the profile's size is a progress figure.
        m.expandedSize = m.compressedSize = source.Header().expandedSize;
        m.modifyTime = source.Header().modifyTime;
        m.attributes = source.Header().attributes;
        result.path = path;
        visit(nullptr, nullptr, result);
        results.push_back(result);
    }

    const CDistribution& m_distribution;
    std::vector<DistributionProblem>& m_problems;
};

CDistribution::CDistribution(std::unique_ptr<CDisketteSet> diskettes)
    : m_diskettes(std::move(diskettes)),
      m_machine("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP\\", 4,
                "C:\\Program Files\\Common Files"),
      m_collections(std::make_unique<ProfileCollections>(m_machine)) {
    const CFilePath profile(m_diskettes->ProfilePath());
    try {
        LoadProfile(*m_collections, profile);
    } catch (...) {
        throw CDistributionError(profile.GetText() + ": " + CurrentExceptionText());
    }
    m_appTitle = CProfileString("", "general", "App Title", profile).GetValue();
    m_programGroup = CProfileString("", "general", "PM Group", profile).GetValue();
    m_primaryName = CProfileString("", "general", "Primary NameExtension", profile).GetValue();
    m_displayName = CProfileString("", "general", "Display Name", profile).GetValue();
    ResolveDestinations();
}

CDistribution::~CDistribution() = default;

// Destination 0 becomes C:\ with the folder the setup would propose (its relative path),
// and every relative destination is resolved below it.
void CDistribution::ResolveDestinations() {
    DestinationMap& destinations = m_collections->destinations;
    std::string folder;
    if (const DestinationRecord* app = destinations.Find(kDestApplication))
        folder = app->relativePath;
    // The setup proposes the folder on the system drive: a drive in it does not count.
    if (folder.size() >= 2 && folder[1] == ':')
        folder.erase(0, 2);
    while (!folder.empty() && (folder.front() == '\\' || folder.front() == '/'))
        folder.erase(folder.begin());
    if (folder.empty())
        folder = "APP";
    destinations.SetResolvedPath(kDestApplication, CFilePath("C:\\" + folder + "\\"));
    try {
        destinations.ResolveAll();
    } catch (...) {
        throw CDistributionError(m_diskettes->ProfilePath() + ": " + CurrentExceptionText());
    }
}

std::string CDistribution::FolderOf(std::int16_t id, std::string& reason) const {
    CFilePath directory;
    if (!m_collections->destinations.GetPath(id, directory)) {
        reason = "destination " + std::to_string(id) + " is not defined by the profile";
        return {};
    }
    const std::string path = FoldCase(directory.GetText());
    std::string folder;
    std::string rest;
    for (const FolderPrefix& prefix : kFolderPrefixes)
        if (path.compare(0, std::strlen(prefix.path), prefix.path) == 0) {
            folder = prefix.folder;
            rest = directory.GetText().substr(std::strlen(prefix.path));
            break;
        }
    if (folder.empty()) {
        if (path.size() < 3 || path[1] != ':' || path[2] != '\\') {
            reason = "destination " + std::to_string(id) + " (" + directory.GetText() +
                     ") is not on a drive";
            return {};
        }
        rest = directory.GetText().substr(3);
    }
    std::size_t start = 0;
    while (start < rest.size()) {
        const std::size_t end = std::min(rest.find('\\', start), rest.size());
        const std::string part = rest.substr(start, end - start);
        if (!part.empty()) {
            const std::string why = UnsafeComponentReason(part);
            if (!why.empty()) {
                reason =
                    "destination " + std::to_string(id) + " (" + directory.GetText() + "): " + why;
                return {};
            }
            folder += (folder.empty() ? "" : "\\") + part;
        }
        start = end + 1;
    }
    return folder.empty() ? std::string("ROOT") : folder;
}

std::vector<const ArchiveRecordInfo*> CDistribution::SelectRecords(const MemberSelection& selection,
                                                                   bool typicalByDefault) const {
    for (const std::string& name : selection.components)
        if (m_collections->components.Find(name) == nullptr)
            throw CDistributionError("the profile has no component '" + name + "'");
    std::vector<const ArchiveRecordInfo*> records;
    for (const ArchiveRecordInfo& record : m_collections->archives.Records()) {
        const ComponentRecord* component = record.component;
        bool wanted =
            selection.allComponents || (!typicalByDefault && selection.components.empty());
        if (!wanted && component != nullptr) {
            wanted = selection.components.empty()
                         ? component->typeFlags[1]
                         : std::count(selection.components.begin(), selection.components.end(),
                                      component->key) != 0;
        }
        if (wanted)
            records.push_back(&record);
    }
    return records;
}

bool CDistribution::Selected(const DistributionMember& member,
                             const MemberSelection& selection) const {
    if (selection.patterns.empty())
        return true;
    return std::any_of(
        selection.patterns.begin(), selection.patterns.end(), [&](const std::string& p) {
            return MatchesWildcard(p, member.name) || MatchesWildcard(p, member.storedName);
        });
}

namespace {

// Copies size bytes of a plain distribution file (its whole length when it was listed);
// a file that has become shorter is damage.
bool CopyPlainFile(const std::string& source, const std::string& target, std::uint32_t size,
                   std::string& why) {
    std::ifstream in(source, std::ios::binary);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    std::vector<char> buffer(16384);
    std::uint32_t left = size;
    while (left > 0 && in) {
        const auto n = static_cast<std::streamsize>(std::min<std::size_t>(left, buffer.size()));
        in.read(buffer.data(), n);
        out.write(buffer.data(), in.gcount());
        left -= static_cast<std::uint32_t>(in.gcount());
    }
    out.close();
    if (left != 0)
        why = "the file is shorter than " + std::to_string(size) + " bytes";
    else if (!out)
        why = target + ": cannot be written";
    return why.empty();
}

void ReadVersion(const std::string& path, DistributionMember& member) {
    member.hasVersion = ScanFileVersion(ReadAll(path), member.version);
}

// Expands the member (or copies the plain file) to path and reads its version. Member damage
// is recorded in result and as a problem (false, nothing left at path); anything else, after
// removing path, goes on to end the archive.
bool ExpandMember(CMultiFile* archive, CMultiFileEntry* entry, const std::string& path,
                  MemberResult& result, const std::function<void(const std::string&)>& damage) {
    if (archive == nullptr) {
        std::string why;
        CFileStatusInfo status;
        CFilePath(result.path).FillFromFile(status);
        if (!CopyPlainFile(result.path, path, result.member.expandedSize, why)) {
            RemoveQuietly(path);
            damage(why);
            return false;
        }
        status.attributes &= CFileStatusInfo::kSettable;
        CFilePath(path).ApplyFileStatus(status);
        ReadVersion(path, result.member);
        return true;
    }
    // The walk's archives are CDiskArchive; the diskette read last is where the member ends.
    const auto& diskArchive = static_cast<const CDiskArchive&>(*archive);
    entry->SetOutputPath(path);
    try {
        archive->Extract(*entry);
    } catch (...) {
        entry->Close();
        RemoveQuietly(path);
        if (!IsMemberDamage())
            throw;
        result.member.lastDiskette = diskArchive.Diskette();
        damage(CurrentExceptionText());
        return false;
    }
    result.member.lastDiskette = diskArchive.Diskette();
    ReadVersion(path, result.member);
    return true;
}

} // namespace

DistributionListing CDistribution::List(const MemberSelection& selection, bool readVersions) {
    DistributionListing listing;
    listing.appTitle = m_appTitle;
    listing.programGroup = m_programGroup;
    CScratchFolder scratch;
    CWalk walk(*this, listing.problems);
    const auto visit = [&](CMultiFile* archive, CMultiFileEntry* entry, MemberResult& result) {
        if (!readVersions || !MayHaveVersion(result.member.name))
            return;
        const std::string temp = TemporaryIn(scratch.Path());
        auto damage = [&](const std::string& why) {
            walk.Problem(result.member.diskette, result.member.archive, result.member.name, why,
                         result.member.lastDiskette);
        };
        if (ExpandMember(archive, entry, temp, result, damage))
            RemoveQuietly(temp);
    };
    for (MemberResult& result : walk.Run(SelectRecords(selection, false), selection, visit))
        listing.members.push_back(result.member);
    DescribeItems(listing);
    DescribeRegistry(listing);
    return listing;
}

DistributionReport CDistribution::Test(const MemberSelection& selection) {
    DistributionReport report;
    CScratchFolder scratch;
    CWalk walk(*this, report.problems);
    const auto visit = [&](CMultiFile* archive, CMultiFileEntry* entry, MemberResult& result) {
        const std::string temp = TemporaryIn(scratch.Path());
        auto damage = [&](const std::string& why) {
            result.outcome = MemberOutcome::damaged;
            result.detail = why;
            walk.Problem(result.member.diskette, result.member.archive, result.member.name, why,
                         result.member.lastDiskette);
        };
        if (ExpandMember(archive, entry, temp, result, damage))
            RemoveQuietly(temp);
        if (m_observer)
            m_observer(result);
    };
    report.results = walk.Run(SelectRecords(selection, false), selection, visit);
    return report;
}

DistributionReport CDistribution::Extract(const std::string& folder,
                                          const MemberSelection& selection) {
    DistributionReport report;
    CWalk walk(*this, report.problems);
    // The files this run wrote (upper-case path) and the member each holds.
    std::map<std::string, DistributionMember> written;
    const auto visit = [&](CMultiFile* archive, CMultiFileEntry* entry, MemberResult& result) {
        const DistributionMember& m = result.member;
        auto fail = [&](MemberOutcome outcome, const std::string& why) {
            result.outcome = outcome;
            result.detail = why;
            walk.Problem(m.diskette, m.archive, m.name, why, m.lastDiskette);
        };
        std::string reason;
        const std::string sub =
            m.destination == kDestNotInstalled ? std::string() : FolderOf(m.destination, reason);
        const std::string unsafe = UnsafeComponentReason(m.name);
        std::error_code ec;
        const fs::path dir = fs::path(folder) / HostFolder(sub);
        if (m.destination == kDestNotInstalled) {
            result.outcome = MemberOutcome::skipped;
            result.detail = "not installed";
        } else if (sub.empty()) {
            fail(MemberOutcome::refused, reason);
        } else if (!unsafe.empty()) {
            fail(MemberOutcome::refused, "refused name '" + m.storedName + "': " + unsafe);
        } else if (fs::create_directories(dir, ec), ec) {
            fail(MemberOutcome::refused, dir.string() + ": cannot be created");
        } else {
            PlaceFile(archive, entry, result, dir.string(), written, fail);
        }
        if (m_observer)
            m_observer(result);
    };
    report.results = walk.Run(SelectRecords(selection, true), selection, visit);
    return report;
}

void CDistribution::PlaceFile(CMultiFile* archive, CMultiFileEntry* entry, MemberResult& result,
                              const std::string& dir,
                              std::map<std::string, DistributionMember>& written,
                              const std::function<void(MemberOutcome, const std::string&)>& fail) {
    const std::string existing = FindInFolder(dir, result.member.name);
    const std::string target =
        existing.empty() ? (fs::path(dir) / result.member.name).string() : existing;
    const auto earlier = written.find(FoldCase(target));
    if (!existing.empty() && earlier == written.end()) {
        result.path = target;
        fail(MemberOutcome::kept, "already exists; not replaced");
        return;
    }
    const std::string temp = TemporaryIn(dir);
    if (!ExpandMember(archive, entry, temp, result,
                      [&](const std::string& why) { fail(MemberOutcome::damaged, why); }))
        return;
    result.path = target;
    if (earlier != written.end()) {
        if (!NewReplacesPresent(earlier->second, result.member)) {
            RemoveQuietly(temp);
            result.outcome = MemberOutcome::kept;
            result.detail = "the copy from " + earlier->second.archive + " is newer";
            return;
        }
        RemoveQuietly(target);
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        RemoveQuietly(temp);
        fail(MemberOutcome::refused, target + ": cannot be written");
        return;
    }
    written[FoldCase(target)] = result.member;
}

void CDistribution::DescribeItems(DistributionListing& listing) const {
    CFilePath appDir;
    m_collections->destinations.GetPath(kDestApplication, appDir);
    for (const auto& [key, target] : m_collections->targets.Records()) {
        const DistributionMember* file = nullptr;
        for (const DistributionMember& m : listing.members)
            if (FoldCase(m.name) == key && !m.installedPath.empty())
                file = &m; // the last file of that name, as the engine keeps it
        if (file == nullptr)
            continue;
        ProgramItem item;
        item.title = target.itemTitle;
        item.commandLine = "winhlp32 " + target.viewerArguments + " " + file->installedPath;
        if (!target.iconFile.empty())
            item.iconPath = appDir.GetText() + target.iconFile;
        item.iconIndex = target.iconIndex;
        item.hotKey = target.hotKey;
        item.minimized = target.minimized;
        listing.items.push_back(item);
    }
}

void CDistribution::DescribeRegistry(DistributionListing& listing) const {
    CFilePath appDir;
    m_collections->destinations.GetPath(kDestApplication, appDir);
    const std::string app = appDir.GetText();
    auto add = [&](const std::string& key, const std::string& name, const std::string& value) {
        listing.registry.push_back({key, name, value});
    };
    if (!m_primaryName.empty()) {
        add(kAppPathsKey + m_primaryName, "", app + m_primaryName);
        add(kAppPathsKey + m_primaryName, "Path", app.substr(0, app.size() - 1));
    }
    if (!m_displayName.empty()) {
        const std::string setup = fs::path(m_diskettes->ProfilePath()).stem().string() + ".EXE";
        add(kUninstallKey + m_displayName, "UninstallString", app + FoldCase(setup) + " /U");
        add(kUninstallKey + m_displayName, "DisplayName", m_displayName);
    }
    for (const DistributionMember& m : listing.members)
        if ((m.destination == kDestSystem || m.destination == kDestHelp) &&
            !m.installedPath.empty())
            add(kSharedDllsKey, m.installedPath, "1 (when not counted yet)");
    for (const char* help : kHelpComponents)
        for (const DistributionMember& m : listing.members)
            if (m.destination == kDestHelp && FoldCase(m.name) == FoldCase(help)) {
                add(kHelpKey, help, "C:\\WINDOWS\\HELP");
                break;
            }
}
