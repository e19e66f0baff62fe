// The removal engine: takes away what an earlier installation recorded in its install log.
// The log has been read as the profile by then, so the destinations, components and targets
// are those the installation ended with; each component's own section of the log lists its
// files ("name=destination id|installed flag|replaced flag").
//
// In this order: the self-registering libraries are unregistered (while their files are still
// there), each component's files are deleted, the Program Manager items and the group are
// deleted, and the application's empty directories are removed. Nothing is reported: a file
// that is already gone or cannot be deleted (in use) stays as it is and the removal goes on.
//
// What is deleted:
// - a file of the system directory (-3) stays whatever its count; only the count is released
//   (other programs may use such a file without counting it);
// - a file of the Windows help directory (-8) is shared: its count is released, and the file
//   is deleted only when this release took the count from 1 to 0 and the installation had
//   placed the file itself;
// - a file of another predefined directory is deleted only when the installation placed it
//   (installed flag 1); a copy that was already there and was kept belongs to someone else;
// - a file of the application's own directories (ids 0 and up) is deleted in any case, so
//   that a second installation over the first, which logs its kept files with flag 0, is
//   still removed completely; a destination of the log that names a predefined directory or
//   a root is not the application's own and gets the rule of that directory (without counts);
// - the running setup program, its profile and the install log are left to the removal
//   helper, which deletes them once this program has ended;
// - a log record that cannot be read, a key that is not a plain file name (a path, "..",
//   wildcards) and a destination without a directory are passed over, each with an event
//   line: the removal never deletes outside the logged directories.
//
// The directories removed at the end are the application's destinations (ids 0 and up) and
// the directories between one of them and an enclosing destination (APP\DATA when APP and
// APP\DATA\DOCS are destinations), deepest first, each only when empty; never a predefined
// destination's directory or a drive's root.
//
// The engine talks to the machine only through CRemovalPlatform, so it runs and is tested on
// any platform.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/FilePath.h"
#include "support/StringUtil.h"

struct ProfileCollections;
class TargetMap;

// One file record of the install log.
struct RemovalFileRecord {
    std::int16_t destination = 0;
    bool installed = false;
    bool replaced = false;
};

// Parses "%d|%d|%d" (missing flags read as 0). False when field 0 is not a number.
bool ParseRemovalFileRecord(const std::string& value, RemovalFileRecord& out);

// True when name can be a logged file name: not empty, not "." or "..", no directory part
// ('\', '/', ':'), no wildcard or other character that no file name holds ('*', '?', '"',
// '<', '>', '|', control characters).
bool IsPlainFileName(const std::string& name);

class CRemovalPlatform {
public:
    virtual ~CRemovalPlatform() = default;
    // Shows the path being removed and handles a pending cancel; runs before every file.
    virtual void ShowRemoving(const CFilePath& path) = 0;
    // Deletes a file; false when it is not there or cannot be deleted.
    virtual bool DeleteLoggedFile(const CFilePath& path) = 0;
    // Releases one use of a shared file (never below 0; the count's value is deleted at 0).
    // Returns the count as it was before (0 when there was none).
    virtual std::uint32_t ReleaseSharedCount(const CFilePath& path) = 0;
    // Removes a directory when it is empty; false otherwise.
    virtual bool RemoveEmptyDirectory(const CFilePath& directory) = 0;
    // Deletes the Program Manager items of the installed targets and the group.
    virtual void DeleteProgramItems(const TargetMap& targets) = 0;
    // Unregisters the self-registering libraries.
    virtual void UnregisterLibraries() = 0;
    // Records a log entry that the removal passed over (an event line of the install log).
    virtual void LogRefusal(const std::string& message) = 0;
    // True when both paths name the same file; here by their texts, ignoring case.
    virtual bool IsSameFile(const CFilePath& a, const CFilePath& b);
};

class CRemovalEngine {
public:
    // All three must outlive the engine.
    CRemovalEngine(const ProfileCollections& collections, const CFilePath& installLog,
                   CRemovalPlatform& platform);

    // Files that the removal helper deletes after this program has ended (the running
    // program, its profile, the install log): never deleted by the engine.
    void LeaveToHelper(std::vector<CFilePath> files) { m_leftToHelper = std::move(files); }

    // The whole removal; every component is processed, selected or not.
    void RemoveInstallation();

    // The files of one component's log section, in file order. A missing or empty section
    // removes nothing.
    void RemoveComponentFiles(const std::string& componentKey);

    // One logged file (see the rules above).
    void RemoveFile(const std::string& name, const RemovalFileRecord& record);

    // Removes the application's empty directories (see above), deepest first, so that an
    // emptied subdirectory does not keep its parent. isLead decides lead bytes (tests pass
    // their own).
    void RemoveDestinationDirectories(LeadBytePredicate isLead = IsLeadByte);

    // Files deleted so far (for the tests and the event line).
    int GetDeletedCount() const { return m_deleted; }

private:
    bool IsLeftToHelper(const CFilePath& path) const;
    // The predefined destination whose directory holds file; kDestWindows for a root (which
    // gets the same rule), kDestApplication for any other directory.
    std::int16_t PredefinedPlaceOf(const CFilePath& file) const;

    const ProfileCollections& m_collections;
    CFilePath m_installLog;
    CRemovalPlatform& m_platform;
    std::vector<CFilePath> m_leftToHelper;
    int m_deleted = 0;
};
