// The file installation engine: walks the archive records of the selected components in list
// order, fetches each distribution file (asking for its diskette when needed), expands every
// member into a temporary file beside its final place, applies the replacement rule, moves
// the new file into place and records what it did: one install-log line per file, the shared
// counts of files in the system and help directories, the installed path of a matching
// target. After the last record the Program Manager items are created and the destinations,
// components and targets are written to the install log, so that a removal can read them.
//
// Besides the archives' members the engine places the setup's own files: the setup program
// and its profile in the application directory (so that the registered removal command finds
// them there), and the removal helper in the system directory. They are logged like members,
// under the first selected component.
//
// A file that an earlier installation into the same place had placed keeps its mark in the
// log (installed 1) when this run keeps the present copy: a removal then still takes it away
// and gives back its shared count with it.
//
// The engine talks to the machine and the user only through CInstallPlatform (file system,
// log, registry, error dialog, message pump, Program Manager) and to the copy page only
// through CInstallProgress, so its logic runs and is tested on any platform.
//
// Failures: one report per archive record (its remaining members are skipped); the user
// chooses to continue with the next record or to stop. A cancel ends the run without a
// report. Whatever stops the run, files already installed stay installed and logged, the
// log's collection sections are written so that a removal can take them away again, and the
// run reports that it is not complete. A member that is not placed leaves no temporary file
// behind, except a new file that waits for the restart to replace a file in use.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "archive/MultiFile.h"
#include "engine/ArchiveRecord.h"
#include "support/FilePath.h"
#include "support/StringUtil.h"

class CException;
struct ComponentRecord;
struct ProfileCollections;
class TargetMap;

// One member being installed. The entry header supplies the stored name, sizes, destination
// id, time and attributes.
class CInstallFile : public CMultiFileEntry {
public:
    explicit CInstallFile(CArchiveRecord& archive) : m_archive(&archive) {}

    // Clears the paths and flags before the next member of the same archive.
    void ResetMember();

    CArchiveRecord& GetArchive() const { return *m_archive; }

    // Where the member goes and the temporary file it is expanded into.
    CFilePath destinationPath;
    CFilePath temporaryPath;
    // 1 once the new file has been moved to the destination path.
    int installed = 0;
    // 1 when a file already present was judged older than the new one.
    int replaced = 0;

private:
    CArchiveRecord* m_archive;
};

// The progress display of a run (the copy page).
class CInstallProgress : public CProgressSink {
public:
    // Gauge range 1..total, position 0.
    virtual void SetRange(std::uint32_t total) = 0;
    // The archive being read; shown at once.
    virtual void ShowSource(const std::string& text) = 0;
    // Bytes of finished members and skipped records.
    virtual void AddDone(std::uint32_t bytes) = 0;
    // The member being expanded, or nullptr.
    virtual void SetCurrentFile(CInstallFile* file) = 0;
};

// The one progress display current while a run goes on (nullptr otherwise).
CInstallProgress* GetCurrentInstallProgress();

// Everything the engine needs from the machine and the user interface.
class CInstallPlatform {
public:
    virtual ~CInstallPlatform() = default;
    // Creates the directory with its missing parents unless it exists; throws CFileException.
    virtual void MakeDirectory(const CFilePath& directory) = 0;
    // True when something (a file or a directory) has that name.
    virtual bool Exists(const CFilePath& path) = 0;
    // True when a file (not a directory) has that name: a copy of a member already there.
    virtual bool FileExists(const CFilePath& path) = 0;
    // 1 when the new file should replace the present one, 0 to keep the present one.
    virtual int ShouldReplace(const CFilePath& present, const CFilePath& newFile) = 0;
    // Deletes a file already present; false when it cannot (in use, read-only).
    virtual bool DeletePresent(const CFilePath& path) = 0;
    // Deletes a temporary file of the run, read-only or not.
    virtual void DeleteTemporary(const CFilePath& path) = 0;
    // Copies a file of the setup (the program, its profile, the removal helper) to a free
    // name; throws CFileException when it cannot.
    virtual void CopySetupFile(const CFilePath& from, const CFilePath& to) = 0;
    // True when both paths name the same existing file (the program runs from there).
    virtual bool IsSameFile(const CFilePath& a, const CFilePath& b) = 0;
    // Moves a file to a name that is free. kNameTaken when a file already has that name
    // (it is left as it is); kFailed with osError set for any other failure, a directory of
    // that name included.
    enum class RenameResult { kMoved, kNameTaken, kFailed };
    virtual RenameResult Rename(const CFilePath& from, const CFilePath& to,
                                std::int32_t& osError) = 0;
    // Removes a directory of the run's own when it is empty; a directory that still holds
    // something stays.
    virtual void RemoveEmptyDirectory(const CFilePath& directory) = 0;
    // A new file could not replace the present one (in use): arranges for the replacement
    // to happen later. False when that is not possible; the engine then drops the new file.
    virtual bool DeferReplacement(const CFilePath& newFile, const CFilePath& present) = 0;
    // Writes the file's install-log line and, for the system and help directories, makes
    // sure its shared count is set.
    virtual void WriteFileRecord(const CFilePath& log, const std::string& componentKey,
                                 const CFilePath& installedPath, std::int16_t destination,
                                 bool installed, bool replaced) = 0;
    // Writes "destinations", "groups" and "targets" to the install log.
    virtual void WriteCollections(const ProfileCollections& collections, const CFilePath& log) = 0;
    // Creates the application's Program Manager group and the items of installed targets.
    virtual void CreateProgramItems(const TargetMap& targets) = 0;
    // Keeps the windows alive between two members.
    virtual void PumpMessages() = 0;
    // Reports a failure while installing from archiveName; true when the user chooses to
    // continue with the next record.
    virtual bool ReportArchiveError(const CException& error, const std::string& archiveName) = 0;
};

// How many names MakeTemporaryPath tries before it gives up.
constexpr int kTemporaryNameTries = 1000;

// The file name under which a member with this stored name is installed: the last component
// of the stored name (after the last '\', '/' or ':', a trail byte is no separator). Throws
// CFileException(kBadPath) for a component that the member-name gate refuses: "", ".", "..",
// device names, control and reserved characters, a trailing space or dot.
std::string MemberFileName(const std::string& storedName, LeadBytePredicate isLead = IsLeadByte);

// A file of the setup itself that the installation places like an archive member.
struct CSetupFile {
    CFilePath source;         // where it is now
    std::int16_t destination; // 0 for the program and its profile, -3 for the removal helper
    // The program and its profile must be this run's copies (the registered removal runs
    // them with this run's log), so they replace a present copy whatever its version.
    bool alwaysReplace;
};

class CInstallEngine {
public:
    // All references must outlive the engine.
    CInstallEngine(ProfileCollections& collections, const CFilePath& installLog, CArchiveRun& run,
                   CInstallPlatform& platform);

    // The setup's own files, placed after the archives unless a member of the same name
    // went to the same place.
    void SetSetupFiles(std::vector<CSetupFile> files) { m_setupFiles = std::move(files); }

    // The whole run with sink as the current progress display. True when every record of
    // the selected components was handled; false when the run was aborted (cancel, a refused
    // diskette, an error the user did not continue after). The setup's own files are placed
    // also after an abort, so that the part that was installed can be removed.
    bool InstallArchives(CInstallProgress& sink);

    // One archive record; reports its own errors and never throws.
    void InstallArchive(CArchiveRecord& record, CInstallProgress& sink);

    // One member whose header has been read (a member for destination -1 is passed over):
    // expands, decides, places, logs, counts and notes the target.
    void InstallMember(CInstallFile& file);

    // A path for expanding the member that goes to path: 8 random hex digits and path's
    // extension, in the run's temporary directory for path's directory, so that no file
    // has the name; throws CFileException(kDirectoryFull) when every try names an existing
    // file. isLead decides lead bytes (tests pass their own).
    CFilePath MakeTemporaryPath(const CFilePath& path, LeadBytePredicate isLead = IsLeadByte);

    // The name of the directory, inside a destination directory, in which members are
    // expanded.
    static constexpr const char* kTemporaryDirectoryName = "~SETUP.TMP";

private:
    // One file on its way into place.
    struct CPlacedFile {
        CFilePath destinationPath;
        CFilePath temporaryPath;
        std::int16_t destination = 0;
        std::string componentKey;
        int installed = 0;
        int replaced = 0;
    };

    void InstallPlainFile(CArchiveRecord& record, const CFilePath& source, CInstallProgress& sink);
    void InstallMultiFile(CArchiveRecord& record, const CFilePath& source, CInstallProgress& sink);
    // Makes the directory unless this run made or found it before: asking the file system
    // again for every member would cost a lookup per file.
    void MakeDirectoryOnce(const CFilePath& directory);
    // The copy of the member's file that is already on the machine, or an empty path.
    CFilePath FindPresentFile(std::int16_t destination, const CFilePath& destinationPath);
    // The directory in which the members for directory are expanded, made on first use.
    CFilePath TemporaryDirectory(const CFilePath& directory);
    // Removes the temporary directories made for the record, when empty.
    void RemoveTemporaryDirectories();
    void PlaceMember(CInstallFile& file);
    // Applies the replacement rule (or replaces in any case), moves the new file into place
    // and logs it. A file that is present elsewhere is looked for only in the Windows and
    // system directories; anywhere else the move itself tells whether the name is taken.
    // False when the new file was to be placed but could not be moved there; renameError
    // then holds the system's error.
    bool PlaceFile(CPlacedFile& file, bool alwaysReplace, std::int32_t& renameError);
    void WriteFileRecord(const CPlacedFile& file);
    void ReadEarlierRecords();
    void InstallSetupFiles();
    void InstallSetupFile(const CSetupFile& setupFile, const std::string& componentKey);
    std::string SetupFilesComponent() const;

    ProfileCollections& m_collections;
    CFilePath m_installLog;
    CArchiveRun& m_run;
    CInstallPlatform& m_platform;
    std::set<std::string> m_madeDirectories;
    // Destination directory -> the temporary directory made in it for the current record.
    std::map<std::string, CFilePath> m_temporaryDirectories;
    std::vector<CSetupFile> m_setupFiles;
    // Files the log marks as placed ("component\nNAME" upper-cased, with their destination),
    // as the log was before this run and as this run wrote it.
    std::map<std::string, std::int16_t> m_placed;
    // Destination paths (upper-cased) of the files this run has handled.
    std::set<std::string> m_handled;
};
