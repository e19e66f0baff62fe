#include "DistCheck.h"

#include "DistFiles.h"

#include "archive/MemberName.h"
#include "archive/MultiFile.h"
#include "errors/Exceptions.h"
#include "profile/ProfileCollections.h"
#include "profile/RecordSection.h"
#include "profile/SystemFolders.h"

#include <cctype>
#include <cstdio>
#include <random>
#include <set>

namespace df = distfiles;

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The directories of a distribution: diskette n is DISKnn beside DISK01, or the one
// directory of a distribution without diskettes.
struct DistLayout {
    std::string first;
    bool numbered = false;

    std::string Diskette(int number) const {
        if (!numbered)
            return first;
        char name[16];
        std::snprintf(name, sizeof name, "DISK%02d", number);
        return df::Join(df::Parent(first), name);
    }
};

// An archive read the way the setup program reads it: each next volume on the next diskette.
class CCheckArchive : public CMultiFile {
public:
    CCheckArchive(const DistLayout& layout, int disk) : m_layout(layout), m_disk(disk) {}
    std::string LocateVolume(const std::string& fileName) override {
        std::string next = df::Join(m_layout.Diskette(++m_disk), fileName);
        return df::IsFile(next) ? next : std::string();
    }

private:
    const DistLayout& m_layout;
    int m_disk;
};

std::string ScratchPath() {
    std::random_device random;
    return df::Join(df::TempDirectory(), "mfdist-check-" + std::to_string(random()) + ".tmp");
}

std::string ExceptionText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return FormatExceptionLine(DescribeCurrentException());
    }
}

struct Installed {
    std::set<std::string> names;                  // upper-cased file names
    std::set<std::pair<int, std::string>> byDest; // destination id, upper-cased name
};

void CheckArchive(const ArchiveRecordInfo& r, const ProfileCollections& c, const DistLayout& layout,
                  Installed& installed, CheckReport& report) {
    std::string path = df::Join(layout.Diskette(r.diskNumber), r.fileName);
    CCheckArchive archive(layout, r.diskNumber);
    std::string scratch = ScratchPath();
    long members = 0;
    unsigned long long bytes = 0;
    try {
        archive.OpenArchive(path);
        auto entry = archive.CreateEntry();
        while (archive.ReadNextEntry(*entry, 0) != 0) {
            const EntryHeader& h = entry->Header();
            std::string name = FinalComponent(h.GetName());
            entry->SetOutputPath(scratch);
            archive.Extract(*entry);
            std::remove(scratch.c_str());
            ++members;
            bytes += h.expandedSize;
            if (h.destinationId != -1 && c.destinations.Find(h.destinationId) == nullptr)
                report.problems.push_back(r.fileName + ": member '" + h.GetName() +
                                          "' names destination " + std::to_string(h.destinationId) +
                                          ", which the profile does not define");
            installed.names.insert(Upper(name));
            installed.byDest.emplace(h.destinationId, Upper(name));
        }
    } catch (...) {
        std::remove(scratch.c_str());
        report.problems.push_back(r.fileName + " (diskette " + std::to_string(r.diskNumber) +
                                  "): " + ExceptionText());
        return;
    }
    if (members != r.fileCount)
        report.problems.push_back(r.fileName + ": the profile counts " +
                                  std::to_string(r.fileCount) + " files, the archive holds " +
                                  std::to_string(members));
    if (bytes != static_cast<unsigned long long>(r.size))
        report.problems.push_back(r.fileName + ": the profile counts " + std::to_string(r.size) +
                                  " bytes, the archive expands to " + std::to_string(bytes));
    report.lines.push_back(r.fileName + ": " + std::to_string(members) + " files, " +
                           std::to_string(bytes) + " bytes, from diskette " +
                           std::to_string(r.diskNumber) + ", ok");
}

void CheckPlainFile(const ArchiveRecordInfo& r, const DistLayout& layout, CheckReport& report) {
    std::string path = df::Join(layout.Diskette(r.diskNumber), r.fileName);
    std::uint64_t size = 0;
    if (!df::FileSize(path, size))
        report.problems.push_back(r.fileName + ": missing on diskette " +
                                  std::to_string(r.diskNumber));
    else if (static_cast<long long>(size) != r.size)
        report.problems.push_back(r.fileName + ": " + std::to_string(size) +
                                  " bytes, the profile says " + std::to_string(r.size));
}

bool FindLayout(const std::string& dir, DistLayout& layout) {
    std::string absolute = df::Absolute(dir);
    while (absolute.size() > 1 && (absolute.back() == '/' || absolute.back() == '\\'))
        absolute.pop_back();
    if (df::IsFile(df::Join(absolute, "SETUP.INI"))) {
        layout.first = absolute;
        std::string name = df::FileName(absolute);
        layout.numbered = name.size() > 2 &&
                          std::isdigit(static_cast<unsigned char>(name.back())) &&
                          std::isdigit(static_cast<unsigned char>(name[name.size() - 2]));
        return true;
    }
    if (df::IsFile(df::Join(df::Join(absolute, "DISK01"), "SETUP.INI"))) {
        layout.first = df::Join(absolute, "DISK01");
        layout.numbered = true;
        return true;
    }
    return false;
}

void CheckNames(const ProfileCollections& c, const Installed& installed, CheckReport& report) {
    for (const auto& [key, target] : c.targets.Records())
        if (installed.names.count(key) == 0)
            report.problems.push_back("target '" + target.name +
                                      "' is no file of any archive: its item would not be made");
    for (const SelfRegDllRecord& dll : c.selfRegDlls.Records())
        if (installed.byDest.count({dll.destination, Upper(FinalComponent(dll.fileName))}) == 0)
            report.problems.push_back("self-registering library '" + dll.fileName +
                                      "' is not installed in destination " +
                                      std::to_string(dll.destination));
}

void CheckGeneral(const CFilePath& profile, const DistLayout& layout, const ProfileCollections& c,
                  CheckReport& report) {
    ForEachRecord(profile, "general", [&](const std::string& key, const std::string& value) {
        if (Upper(key) == "SPLASH PATH" && !value.empty()) {
            if (!df::IsFile(df::Join(layout.first, FinalComponent(value))))
                report.problems.push_back("splash picture '" + FinalComponent(value) +
                                          "' is not beside the setup program");
        }
    });
    if (!df::IsFile(df::Join(layout.first, "SETUP.EXE")))
        report.problems.push_back("SETUP.EXE is not beside SETUP.INI");
    if (c.components.Size() == 0)
        report.problems.push_back("the profile lists no component");
}

} // namespace

CheckReport CheckDistribution(const std::string& dir,
                              const std::function<void(const std::string&)>& progress) {
    CheckReport report;
    DistLayout layout;
    if (!FindLayout(dir, layout)) {
        report.problems.push_back("no SETUP.INI in '" + dir + "' nor in its DISK01");
        return report;
    }
    CFilePath profile(df::Join(layout.first, "SETUP.INI"));
    CFixedSystemFolders system;
    ProfileCollections c(system);
    try {
        LoadProfile(c, profile);
        c.destinations.SetResolvedPath(0, CFilePath("C:\\APP\\"));
        c.destinations.ResolveAll();
    } catch (...) {
        report.problems.push_back("SETUP.INI: " + ExceptionText());
        return report;
    }
    CheckGeneral(profile, layout, c, report);
    Installed installed;
    for (const ArchiveRecordInfo& r : c.archives.Records()) {
        if (progress)
            progress("checking " + r.fileName);
        if (r.kind == kArchiveKindMultiFile)
            CheckArchive(r, c, layout, installed, report);
        else if (r.kind == kArchiveKindSingleFile)
            CheckPlainFile(r, layout, report);
    }
    CheckNames(c, installed, report);
    return report;
}
