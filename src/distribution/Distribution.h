// CDistribution: a whole distribution read without installing it. It loads the profile from
// the diskette set, resolves the destinations on a model machine (the application directory
// C:\<destination 0's folder>\, Windows C:\WINDOWS\, system C:\WINDOWS\SYSTEM\, help
// C:\WINDOWS\HELP\, fonts C:\WINDOWS\FONTS\, common files C:\Program Files\Common Files\) and
// walks every archive record across the diskettes:
//  - List: every file with its component, setup types, destination, sizes, method, time,
//    attributes, version (read from the expanded program when it has a version resource) and
//    diskette; the Program Manager items and the registry entries an installation would make;
//  - Test: expands every member of every record and checks its checksum; a damaged member is
//    reported and the rest still tested; an archive that cannot be read further is reported
//    and the next one tested;
//  - Extract: writes the selected components' files under a folder, one subfolder per
//    destination (APP and its subfolders, WINDOWS, SYSTEM, HELP, FONTS, TEMP, COMMON), as the
//    setup program would place them. A file already there before the run is never replaced;
//    of two members for the same place within a run the setup's replacement rule keeps one.
//    Nothing is created outside the folder: every name part passes the name gate.
// Problems are collected, never thrown, once the distribution is open; each names the
// diskette (image or folder), the archive and the member.
#pragma once

#include "distribution/DisketteSet.h"
#include "profile/ProfileCollections.h"
#include "profile/SystemFolders.h"
#include "support/FileVersion.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Archive record kind 0 (a plain file copied unchanged) is listed with this method.
constexpr std::int32_t kMethodPlainCopy = 0;

struct DistributionMember {
    std::string component;
    std::array<bool, 3> setupTypes{}; // types 1 (Minimum), 2 (Typical), 3
    std::string archive;              // the record's distribution file name
    std::int16_t archiveKind = 0;
    std::int32_t diskette = 0;     // where its entry header (or the plain file) is
    std::int32_t lastDiskette = 0; // where its data ends (continued members)
    std::string storedName;
    std::string name; // final component of the stored name
    std::int16_t destination = -1;
    std::string folder;        // e.g. "APP\DATA", "SYSTEM"; empty when not installed
    std::string installedPath; // on the model machine, e.g. "C:\APP\DATA\X.DLL"
    std::uint32_t expandedSize = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t checksum = 0;
    std::int32_t method = 0;
    std::int32_t modifyTime = 0;
    std::uint16_t attributes = 0;
    bool hasVersion = false;
    CVersionNumber version;
};

struct ProgramItem {
    std::string title;
    std::string commandLine;
    std::string iconPath;
    std::int16_t iconIndex = 0;
    std::int16_t hotKey = -1;
    bool minimized = false;
};

// One registry value under HKEY_LOCAL_MACHINE ("" = the key's default value).
struct RegistryEntry {
    std::string key;
    std::string name;
    std::string value;
};

struct DistributionProblem {
    std::int32_t diskette = 0;     // where the member or archive starts
    std::int32_t lastDiskette = 0; // where it was read last (a continued member: later)
    std::string disketteName;      // the image or folder of diskette
    std::string lastDisketteName;  // and of lastDiskette
    std::string archive;
    std::string member; // empty when the whole archive is concerned
    std::string message;
};

struct DistributionListing {
    std::string appTitle;
    std::string programGroup;
    std::vector<DistributionMember> members;
    std::vector<ProgramItem> items;
    std::vector<RegistryEntry> registry;
    std::vector<DistributionProblem> problems;
};

enum class MemberOutcome { ok, damaged, skipped, refused, kept };

struct MemberResult {
    DistributionMember member;
    MemberOutcome outcome = MemberOutcome::ok;
    std::string path;   // extract: the file written (or not replaced)
    std::string detail; // why damaged, skipped, refused or kept
};

struct DistributionReport {
    std::vector<MemberResult> results;
    std::vector<DistributionProblem> problems; // every damaged member and unreadable archive
};

// Which members: by component (empty = the typical ones for extract, all for list and test)
// and by name patterns ('*' and '?', case-insensitive; empty = all).
struct MemberSelection {
    std::vector<std::string> components;
    std::vector<std::string> patterns;
    bool allComponents = false;
};

class CMultiFile;
class CMultiFileEntry;

class CDistribution {
public:
    // Takes the set and loads its profile. Throws CDistributionError when the profile cannot
    // be read or its destinations cannot be resolved.
    explicit CDistribution(std::unique_ptr<CDisketteSet> diskettes);
    ~CDistribution();

    const CDisketteSet& Diskettes() const { return *m_diskettes; }
    const ProfileCollections& Collections() const { return *m_collections; }

    // readVersions: expand programs and libraries to read their version resources.
    DistributionListing List(const MemberSelection& selection, bool readVersions = true);
    DistributionReport Test(const MemberSelection& selection);
    // Writes under folder; see above. Throws CDistributionError for an unknown component.
    DistributionReport Extract(const std::string& folder, const MemberSelection& selection);

    // Called after each member of Test and Extract (progress display, quiet or not).
    void SetObserver(std::function<void(const MemberResult&)> observer) {
        m_observer = std::move(observer);
    }

    // The folder under the extraction folder for destination id ("APP\DATA"); empty with
    // reason set when there is none or it would not be safe.
    std::string FolderOf(std::int16_t id, std::string& reason) const;

private:
    class CWalk;
    void ResolveDestinations();
    std::vector<const ArchiveRecordInfo*> SelectRecords(const MemberSelection& selection,
                                                        bool typicalByDefault) const;
    bool Selected(const DistributionMember& member, const MemberSelection& selection) const;
    // Expands the member into dir unless a file of its name is there from before the run;
    // of two members for one place in a run, the setup's replacement rule keeps one.
    void PlaceFile(CMultiFile* archive, CMultiFileEntry* entry, MemberResult& result,
                   const std::string& dir, std::map<std::string, DistributionMember>& written,
                   const std::function<void(MemberOutcome, const std::string&)>& fail);
    void DescribeItems(DistributionListing& listing) const;
    void DescribeRegistry(DistributionListing& listing) const;

    std::unique_ptr<CDisketteSet> m_diskettes;
    CFixedSystemFolders m_machine;
    std::unique_ptr<ProfileCollections> m_collections;
    std::string m_appTitle;
    std::string m_programGroup;
    std::string m_primaryName;
    std::string m_displayName;
    std::function<void(const MemberResult&)> m_observer;
};
