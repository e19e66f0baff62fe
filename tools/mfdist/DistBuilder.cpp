#include "DistBuilder.h"

#include "Description.h"
#include "DistErrors.h"
#include "DistFiles.h"
#include "MemberCoding.h"
#include "MemberSources.h"
#include "ProfileText.h"
#include "media/FatImage.h"
#include "media/FatImageWriter.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace df = distfiles;

namespace {

const std::string kSetupName = "SETUP.EXE";
const std::string kHelperName = "_XKTINST.EXE";
const std::string kProfileName = "SETUP.INI";
const std::string kStagingName = ".mfdist-work";
constexpr int kMaxDiskettes = 99; // the setup program finds DISK01 to DISK99
// An archive starts on a fresh diskette when less than this is left on the current one.
constexpr std::int64_t kMinStartRoom = 2048;
constexpr std::size_t kMaxStoredName = 259;

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool MatchWildcard(const char* pattern, const char* name) {
    for (; *pattern != '\0'; ++pattern, ++name) {
        if (*pattern == '*') {
            for (const char* rest = name;; ++rest) {
                if (MatchWildcard(pattern + 1, rest))
                    return true;
                if (*rest == '\0')
                    return false;
            }
        }
        if (*name == '\0')
            return false;
        if (*pattern != '?' && std::toupper(static_cast<unsigned char>(*pattern)) !=
                                   std::toupper(static_cast<unsigned char>(*name)))
            return false;
    }
    return *name == '\0';
}

bool IsShortName(const std::string& name) {
    std::size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos)
        return false;
    for (char c : base + ext)
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::string("!#$%&'()-@^_`{}~").find(c) == std::string::npos)
            return false;
    return true;
}

DisketteCapacity Named(std::int64_t sectors, std::int64_t clusterBytes) {
    return DisketteCapacity{sectors * 512, clusterBytes};
}

// One file to install: where it comes from and how it is stored.
struct PlannedMember {
    std::string sourcePath;
    std::string storedName;  // relative to the folder, with backslashes
    std::string installName; // final component
    std::int16_t destination = 0;
    std::string method;
    CodedMember coded;
};

struct PlannedComponent {
    const DescComponent* component = nullptr;
    std::string archiveName;
    std::vector<PlannedMember> members;
};

std::string RelativeWithBackslashes(const std::string& dir, const std::string& name) {
    std::string s = dir.empty() ? name : dir + "\\" + name;
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

// The files one line of a [files:...] section names, sorted by name.
std::vector<PlannedMember> ExpandLine(const DescFileLine& line, const std::string& folder,
                                      const std::string& method) {
    std::string pattern = line.pattern;
    std::replace(pattern.begin(), pattern.end(), '\\', '/');
    std::size_t slash = pattern.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : pattern.substr(0, slash);
    std::string last = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    std::string base = folder;
    std::size_t from = 0;
    while (!dir.empty() && from <= dir.size()) {
        std::size_t next = std::min(dir.find('/', from), dir.size());
        base = df::Join(base, dir.substr(from, next - from));
        from = next + 1;
    }
    std::vector<std::string> names;
    if (last.find_first_of("*?") == std::string::npos) {
        if (!df::IsFile(df::Join(base, last)))
            throw CDistError(kDistMissingSource, line.where.Text() + ": source file '" +
                                                     df::Join(base, last) + "' is missing");
        names.push_back(last);
    } else {
        for (const std::string& name : df::List(base, true))
            if (MatchWildcard(last.c_str(), name.c_str()))
                names.push_back(name);
        if (names.empty())
            throw CDistError(kDistNoMatch, line.where.Text() + ": '" + line.pattern +
                                               "' matches no file in '" + base + "'");
    }
    std::vector<PlannedMember> members;
    for (const std::string& name : names) {
        PlannedMember m;
        m.sourcePath = df::Join(base, name);
        m.storedName = RelativeWithBackslashes(dir, name);
        m.installName = name;
        m.destination = line.destination;
        m.method = line.method.empty() ? method : line.method;
        members.push_back(std::move(m));
    }
    return members;
}

// The archive tool's name rules: a name Windows can hold, and no two files installed as one
// file of a destination (nor one source twice), across all components.
void CheckMemberName(const PlannedMember& m, const DescFileLine& line, CMemberNameSet& names) {
    std::string reason = UnsafeNameReason(m.installName);
    if (!reason.empty())
        throw CDistError(kDistBadName, line.where.Text() + ": '" + m.installName +
                                           "' cannot be installed: " + reason);
    if (m.storedName.size() > kMaxStoredName)
        throw CDistError(kDistBadName, line.where.Text() + ": stored name '" + m.storedName +
                                           "' is longer than 259 characters");
    try {
        names.Add(MemberSource{m.sourcePath, m.storedName}, m.destination);
    } catch (const CMemberNameError& e) {
        throw CDistError(kDistBadName, line.where.Text() + ": " + e.what());
    }
}

std::string DefaultArchiveName(const std::string& key, std::set<std::string>& taken) {
    std::string base;
    for (char c : key)
        if (std::isalnum(static_cast<unsigned char>(c)) && base.size() < 8)
            base += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base.empty())
        base = "PART";
    std::string name = base + ".MF1";
    for (int n = 2; taken.count(name) != 0; ++n)
        name = base.substr(0, 6) + std::to_string(n) + ".MF1";
    return name;
}

void CheckArchiveName(const std::string& name, const DescComponent& c, bool diskettes,
                      std::set<std::string>& taken) {
    std::string reason = UnsafeNameReason(name);
    if (!reason.empty())
        throw CDistError(kDistBadName, c.where.Text() + ": archive name '" + name + "': " + reason);
    if (diskettes && !IsShortName(name))
        throw CDistError(kDistBadName, c.where.Text() + ": archive name '" + name +
                                           "' is not an 8.3 name, which a diskette needs");
    if (!taken.insert(Upper(name)).second)
        throw CDistError(kDistBadName,
                         c.where.Text() + ": archive name '" + name + "' is used twice");
}

std::vector<PlannedComponent> PlanComponents(const Description& d, const std::string& folder,
                                             bool diskettes) {
    std::vector<PlannedComponent> plan;
    CMemberNameSet installed;
    std::set<std::string> taken{kSetupName, kProfileName};
    std::string splash = FinalComponent(d.General("Splash Path"));
    if (!splash.empty())
        taken.insert(Upper(splash));
    for (const DescComponent& c : d.components) {
        PlannedComponent pc;
        pc.component = &c;
        std::string method = c.method.empty() ? d.method : c.method;
        for (const DescFileLine& line : c.files) {
            for (PlannedMember& m : ExpandLine(line, folder, method)) {
                CheckMemberName(m, line, installed);
                pc.members.push_back(std::move(m));
            }
        }
        plan.push_back(std::move(pc));
    }
    for (PlannedComponent& pc : plan) {
        if (!pc.component->archiveName.empty()) {
            pc.archiveName = pc.component->archiveName;
            CheckArchiveName(pc.archiveName, *pc.component, diskettes, taken);
        }
    }
    for (PlannedComponent& pc : plan) {
        if (pc.archiveName.empty()) {
            pc.archiveName = DefaultArchiveName(pc.component->key, taken);
            CheckArchiveName(pc.archiveName, *pc.component, diskettes, taken);
        }
    }
    // The order in which the setup program loads them: its component map is sorted by key.
    std::sort(plan.begin(), plan.end(), [](const PlannedComponent& a, const PlannedComponent& b) {
        return a.component->key < b.component->key;
    });
    return plan;
}

bool InstallsFile(const std::vector<PlannedComponent>& plan, const std::string& name,
                  const int* destination) {
    for (const PlannedComponent& pc : plan)
        for (const PlannedMember& m : pc.members)
            if (Upper(m.installName) == Upper(name) &&
                (destination == nullptr || *destination == m.destination))
                return true;
    return false;
}

// Names in the profile that must be installed files, or the setup program would look for
// something that is not there.
void CheckInstalledNames(const Description& d, const std::vector<PlannedComponent>& plan) {
    for (const DescRecord& t : d.targets)
        if (!InstallsFile(plan, t.key, nullptr))
            throw CDistError(kDistDescription, t.where.Text() + ": target '" + t.key +
                                                   "' is no file that a component installs");
    for (const DescRecord& r : d.selfRegister) {
        int destination = std::atoi(r.value.c_str());
        if (!InstallsFile(plan, FinalComponent(r.key), &destination))
            throw CDistError(kDistDescription,
                             r.where.Text() + ": library '" + r.key +
                                 "' is no file that a component installs in destination " +
                                 std::to_string(destination));
    }
    std::string primary = d.General("Primary NameExtension");
    int zero = 0;
    if (!primary.empty() && !InstallsFile(plan, primary, &zero))
        throw CDistError(kDistDescription,
                         d.path + ": Primary NameExtension '" + primary +
                             "' is no file that a component installs in destination 0");
}

// Where the splash picture comes from: the value relative to the folder, else its file name.
std::string SplashSource(const Description& d, const std::string& folder) {
    std::string value = d.General("Splash Path");
    if (value.empty())
        return std::string();
    std::string byName = df::Join(folder, FinalComponent(value));
    if (df::IsFile(byName))
        return byName;
    throw CDistError(kDistMissingSource, d.path + ": splash picture '" + value +
                                             "' is not in the folder '" + folder + "'");
}

std::uint64_t FileBytes(const std::string& path) {
    std::uint64_t size = 0;
    if (!df::FileSize(path, size))
        throw CDistError(kDistIo, path + ": cannot be examined");
    return size;
}

// The layout of the output: per diskette its files; per archive where it starts.
struct Layout {
    DisketteCapacity capacity;
    std::vector<std::vector<OutputFile>> disks; // index 0 = diskette 1
    std::vector<std::int64_t> used;
    std::vector<ArchivePlacement> archives;
    // staging path of every volume, with the diskette it goes to
    std::vector<std::pair<std::string, int>> volumes;

    std::int64_t Rounded(std::uint64_t bytes) const {
        std::int64_t c = capacity.cluster;
        return (static_cast<std::int64_t>(bytes) + c - 1) / c * c;
    }
    std::int64_t FreeOn(int disk) const {
        if (disk > static_cast<int>(used.size()))
            return capacity.bytes;
        std::int64_t room = capacity.bytes - used[static_cast<std::size_t>(disk - 1)];
        return room / capacity.cluster * capacity.cluster;
    }
    void Place(int disk, const OutputFile& file) {
        while (static_cast<int>(disks.size()) < disk) {
            disks.emplace_back();
            used.push_back(0);
        }
        disks[static_cast<std::size_t>(disk - 1)].push_back(file);
        if (capacity.bytes != 0)
            used[static_cast<std::size_t>(disk - 1)] += Rounded(file.bytes);
    }
};

struct FixedFiles {
    std::string setupSource;
    std::string splashSource;
    std::string splashName;
    std::string helperSource;
};

void PlaceFixedFiles(Layout& layout, const FixedFiles& fixed, std::int64_t profileReserve) {
    layout.Place(1, OutputFile{kSetupName, FileBytes(fixed.setupSource)});
    layout.Place(1, OutputFile{kProfileName, static_cast<std::uint64_t>(profileReserve)});
    if (!fixed.splashSource.empty())
        layout.Place(1, OutputFile{fixed.splashName, FileBytes(fixed.splashSource)});
    if (!fixed.helperSource.empty())
        layout.Place(1, OutputFile{kHelperName, FileBytes(fixed.helperSource)});
    if (layout.capacity.bytes != 0 && layout.used[0] > layout.capacity.bytes)
        throw CDistError(
            kDistTooBig,
            "the setup program (" + std::to_string(FileBytes(fixed.setupSource)) +
                " bytes), its profile, the splash picture and the removal helper need " +
                std::to_string(layout.used[0]) + " bytes on diskette 1, which holds " +
                std::to_string(layout.capacity.bytes));
}

int FirstDiskFor(const Layout& layout) {
    int last = static_cast<int>(layout.disks.size());
    return layout.FreeOn(last) < kMinStartRoom ? last + 1 : last;
}

void WriteArchive(Layout& layout, const PlannedComponent& pc, const std::string& staging,
                  const BuildOptions& options) {
    const int first = layout.capacity.bytes == 0 ? 1 : FirstDiskFor(layout);
    const std::string firstPath = df::Join(staging, pc.archiveName);
    std::unique_ptr<CPrecodedArchiveWriter> writer;
    if (layout.capacity.bytes == 0) {
        writer = std::make_unique<CPrecodedArchiveWriter>(firstPath, 0);
    } else {
        std::int64_t firstRoom = layout.FreeOn(first);
        std::int64_t fullRoom =
            layout.capacity.bytes / layout.capacity.cluster * layout.capacity.cluster;
        writer = std::make_unique<CPrecodedArchiveWriter>(
            firstPath, [=](std::size_t index) -> std::int64_t {
                if (first + static_cast<int>(index) > kMaxDiskettes)
                    throw CDistError(kDistTooBig, "the distribution needs more than " +
                                                      std::to_string(kMaxDiskettes) + " diskettes");
                return index == 0 ? firstRoom : fullRoom;
            });
    }
    ArchivePlacement placement;
    placement.component = pc.component;
    placement.name = pc.archiveName;
    placement.firstDisk = first;
    for (const PlannedMember& m : pc.members) {
        ArchiveMemberOptions member;
        member.destinationId = m.destination;
        member.storedName = m.storedName;
        writer->AddCoded(m.sourcePath, m.coded, member);
        placement.expandedBytes += m.coded.size;
        ++placement.fileCount;
    }
    if (options.progress)
        options.progress("writing " + pc.archiveName);
    std::vector<std::string> volumes;
    try {
        volumes = writer->Finish();
    } catch (const CArchiveWriterError& e) {
        throw CDistError(kDistTooBig, pc.archiveName + ": " + e.what());
    }
    if (placement.expandedBytes > 0x7FFFFFFFull)
        throw CDistError(kDistTooBig, pc.archiveName + ": installs " +
                                          std::to_string(placement.expandedBytes) +
                                          " bytes; an archive record counts at most 2147483647");
    placement.volumes = static_cast<int>(volumes.size());
    for (std::size_t k = 0; k < volumes.size(); ++k) {
        int disk = first + static_cast<int>(k);
        layout.Place(disk, OutputFile{df::FileName(volumes[k]), FileBytes(volumes[k])});
        layout.volumes.emplace_back(volumes[k], disk);
    }
    layout.archives.push_back(placement);
}

Layout WriteArchives(const std::vector<PlannedComponent>& plan, const FixedFiles& fixed,
                     const DisketteCapacity& capacity, std::int64_t profileReserve,
                     const std::string& staging, const BuildOptions& options) {
    df::RemoveTree(staging);
    if (!df::MakeDirectories(staging))
        throw CDistError(kDistIo, "cannot create '" + staging + "'");
    Layout layout;
    layout.capacity = capacity;
    PlaceFixedFiles(layout, fixed, profileReserve);
    for (const PlannedComponent& pc : plan)
        WriteArchive(layout, pc, staging, options);
    return layout;
}

std::string DisketteDir(const std::string& output, const DisketteCapacity& capacity, int disk);

std::vector<std::uint8_t> ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CDistError(kDistIo, path + ": cannot be read");
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

// The diskette's label as the profile gives it (the text before a '|').
std::string DisketteLabel(const Description& d, int number) {
    auto given = d.diskettes.find(number);
    if (given == d.diskettes.end())
        return DefaultDisketteLabel(d, number);
    return given->second.substr(0, given->second.find('|'));
}

// One 1.44 MB image beside each diskette folder (DISK01.IMG, ...) holding that folder's
// files, with the diskette's label as volume label: for PC emulators and real diskettes.
void WriteDisketteImages(const Description& d, const std::string& output,
                         const DisketteCapacity& capacity, int count) {
    for (int n = 1; n <= count; ++n) {
        const std::string dir = DisketteDir(output, capacity, n);
        std::vector<FatImageFile> files;
        for (const std::string& name : df::List(dir, true)) {
            const std::string path = df::Join(dir, name);
            files.push_back({name, ReadWhole(path), df::ModifyTime(path)});
        }
        try {
            WriteDisketteImage(dir + ".IMG", ToVolumeLabel(DisketteLabel(d, n)), files);
        } catch (const CFatImageException& error) {
            throw CDistError(kDistIo, dir + ".IMG: " + error.what());
        }
    }
}

std::string DisketteDir(const std::string& output, const DisketteCapacity& capacity, int disk) {
    if (capacity.bytes == 0)
        return output;
    char name[16];
    std::snprintf(name, sizeof name, "DISK%02d", disk);
    return df::Join(output, name);
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out)
        throw CDistError(kDistIo, path + ": cannot be written");
}

void CopyInto(const std::string& source, const std::string& target) {
    if (!df::CopyOneFile(source, target))
        throw CDistError(kDistIo, "cannot copy '" + source + "' to '" + target + "'");
}

// Removes what a failed build left, unless the build finished.
class COutputGuard {
public:
    explicit COutputGuard(const std::string& output) : m_output(output) {
        if (df::IsFile(output) || (df::IsDirectory(output) && !df::List(output, false).empty()))
            throw CDistError(kDistUsage,
                             "output '" + output + "' exists and is not an empty directory");
        m_created = !df::IsDirectory(output);
        if (!df::MakeDirectories(output))
            throw CDistError(kDistIo, "cannot create '" + output + "'");
    }
    ~COutputGuard() {
        if (m_done)
            return;
        if (m_created) {
            df::RemoveTree(m_output);
            return;
        }
        for (const std::string& name : df::List(m_output, false))
            df::RemoveTree(df::Join(m_output, name));
    }
    COutputGuard(const COutputGuard&) = delete;
    COutputGuard& operator=(const COutputGuard&) = delete;
    void Done() { m_done = true; }

private:
    std::string m_output;
    bool m_created = false;
    bool m_done = false;
};

std::int64_t NewestTime(const std::vector<PlannedComponent>& plan, const FixedFiles& fixed) {
    std::vector<std::string> sources{fixed.setupSource};
    if (!fixed.splashSource.empty())
        sources.push_back(fixed.splashSource);
    if (!fixed.helperSource.empty())
        sources.push_back(fixed.helperSource);
    for (const PlannedComponent& pc : plan)
        for (const PlannedMember& m : pc.members)
            sources.push_back(m.sourcePath);
    std::int64_t newest = 0;
    for (const std::string& s : sources)
        newest = std::max(newest, df::ModifyTime(s));
    return newest;
}

BuildResult Summarize(const Layout& layout, const std::vector<PlannedComponent>& plan,
                      const std::string& output) {
    BuildResult result;
    for (std::size_t i = 0; i < layout.disks.size(); ++i) {
        DisketteSummary s;
        s.number = layout.capacity.bytes == 0 ? 0 : static_cast<int>(i + 1);
        s.directory = DisketteDir(output, layout.capacity, static_cast<int>(i + 1));
        for (const OutputFile& f : layout.disks[i]) {
            OutputFile actual{f.name, FileBytes(df::Join(s.directory, f.name))};
            s.files.push_back(actual);
            s.bytes += actual.bytes;
        }
        if (layout.capacity.bytes != 0) {
            std::int64_t used = 0;
            for (const OutputFile& f : s.files)
                used += layout.Rounded(f.bytes);
            s.freeBytes = layout.capacity.bytes - used;
        }
        result.diskettes.push_back(s);
    }
    result.setupBytes = layout.disks[0][0].bytes;
    for (const PlannedComponent& pc : plan) {
        for (const PlannedMember& m : pc.members) {
            ++result.memberCount;
            result.expandedBytes += m.coded.size;
            result.codedBytes += m.coded.coded.size();
            ++result.methodCount[m.coded.method - 2];
        }
    }
    return result;
}

void CodeMembers(std::vector<PlannedComponent>& plan, const BuildOptions& options) {
    std::size_t total = 0, done = 0;
    for (const PlannedComponent& pc : plan)
        total += pc.members.size();
    for (PlannedComponent& pc : plan) {
        for (PlannedMember& m : pc.members) {
            ++done;
            if (options.progress)
                options.progress("coding " + std::to_string(done) + "/" + std::to_string(total) +
                                 " " + m.storedName);
            m.coded = CodeFile(m.sourcePath, m.method, options.best);
        }
    }
}

} // namespace

DisketteCapacity ParseCapacity(const std::string& text) {
    std::string t = Upper(text);
    if (t == "720K")
        return Named(1426, 1024);
    if (t == "1.2M")
        return Named(2371, 512);
    if (t == "1.44M")
        return Named(2847, 512);
    if (t == "2.88M")
        return Named(5726, 1024);
    bool digits = !t.empty() && std::all_of(t.begin(), t.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (!digits || t.size() > 12)
        throw CDistError(kDistDescription,
                         "capacity '" + text +
                             "' is not 720K, 1.2M, 1.44M, 2.88M, a number of bytes or 0");
    std::int64_t bytes = std::stoll(t);
    if (bytes != 0 && bytes < 4096)
        throw CDistError(kDistDescription,
                         "capacity '" + text + "' is too small (at least 4096 bytes)");
    return DisketteCapacity{bytes, 1};
}

BuildResult BuildDistribution(const BuildOptions& options) {
    Description d = ReadDescription(options.description);
    DisketteCapacity capacity =
        ParseCapacity(options.capacity.empty() ? d.capacity : options.capacity);
    if (options.best && !HaveBestCompression())
        throw CDistError(kDistUsage, "--best is not available in this build (no zopfli)");
    const std::string& folder = options.folder;
    if (!df::IsDirectory(folder))
        throw CDistError(kDistMissingSource, "folder '" + options.folder + "' does not exist");
    if (!df::IsFile(options.setupProgram))
        throw CDistError(kDistMissingSource,
                         "setup program '" + options.setupProgram + "' does not exist");
    if (options.images &&
        (capacity.bytes == 0 || static_cast<std::uint64_t>(capacity.bytes) > kDisketteDataBytes))
        throw CDistError(kDistUsage, "--images needs diskettes of at most 1.44 MB");
    if (!options.removalHelper.empty() && !df::IsFile(options.removalHelper))
        throw CDistError(kDistMissingSource,
                         "removal helper '" + options.removalHelper + "' does not exist");

    std::vector<PlannedComponent> plan = PlanComponents(d, folder, capacity.bytes != 0);
    CheckInstalledNames(d, plan);
    FixedFiles fixed{options.setupProgram, SplashSource(d, folder),
                     FinalComponent(d.General("Splash Path")), options.removalHelper};
    CodeMembers(plan, options);

    const std::string& output = options.output;
    COutputGuard guard(output);
    const std::string staging = df::Join(output, kStagingName);
    Layout layout;
    std::string profile;
    for (std::int64_t reserve = 512;;) {
        layout = WriteArchives(plan, fixed, capacity, reserve, staging, options);
        profile = ProfileText(d, layout.archives, static_cast<int>(layout.disks.size()));
        std::int64_t need = static_cast<std::int64_t>(profile.size());
        if (capacity.bytes == 0 || layout.Rounded(static_cast<std::uint64_t>(need)) <= reserve)
            break;
        reserve = layout.Rounded(static_cast<std::uint64_t>(need));
    }

    std::vector<std::string> written;
    for (std::size_t i = 0; i < layout.disks.size(); ++i)
        if (!df::MakeDirectories(DisketteDir(output, capacity, static_cast<int>(i + 1))))
            throw CDistError(kDistIo, "cannot create the diskette directories in '" + output + "'");
    const std::string first = DisketteDir(output, capacity, 1);
    for (const auto& [path, disk] : layout.volumes) {
        written.push_back(df::Join(DisketteDir(output, capacity, disk), df::FileName(path)));
        if (!df::MoveOneFile(path, written.back()))
            throw CDistError(kDistIo, "cannot move '" + path + "' to '" + written.back() + "'");
    }
    df::RemoveTree(staging);
    written.push_back(df::Join(first, kProfileName));
    WriteText(written.back(), profile);
    written.push_back(df::Join(first, kSetupName));
    CopyInto(fixed.setupSource, written.back());
    if (!fixed.splashSource.empty()) {
        written.push_back(df::Join(first, fixed.splashName));
        CopyInto(fixed.splashSource, written.back());
    }
    if (!fixed.helperSource.empty()) {
        written.push_back(df::Join(first, kHelperName));
        CopyInto(fixed.helperSource, written.back());
    }
    layout.disks[0][1].bytes = profile.size();

    const std::int64_t newest = NewestTime(plan, fixed);
    for (const std::string& path : written)
        if (!df::SetModifyTime(path, newest))
            throw CDistError(kDistIo, path + ": cannot set its time");
    if (options.images)
        WriteDisketteImages(d, output, capacity, static_cast<int>(layout.disks.size()));
    BuildResult result = Summarize(layout, plan, output);
    guard.Done();
    return result;
}
