// Destinations: the target directories, each named by a 16-bit id.
//
// Seven predefined destinations with negative ids stand for system directories; the profile
// section "destinations" adds ids from 0 upwards (0 is the application directory) and may
// redirect a predefined one. A profile destination is either an absolute directory (its
// resolved path) or a relative path below a parent destination, resolved once its parent is.
//
// Profile record: key = id (decimal, low 16 bits); value = relative path|parent id|resolved
// path. The install log writes the same format for ids 0 and up, with field 2 filled in.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "support/FilePath.h"

class CSystemFolders;

// Ids of the predefined destinations. -1 is never a destination: where an id is expected it
// means that the file is not installed.
constexpr std::int16_t kDestNotInstalled = -1;
constexpr std::int16_t kDestApplication = 0;
constexpr std::int16_t kDestWindows = -2;
constexpr std::int16_t kDestSystem = -3;
constexpr std::int16_t kDestTemp = -4;
constexpr std::int16_t kDestFonts = -5;
constexpr std::int16_t kDestCommonFilesRoot = -6;
constexpr std::int16_t kDestCommonFiles = -7;
constexpr std::int16_t kDestHelp = -8;

struct DestinationRecord {
    std::int16_t id = 0;
    // Path below the parent's directory; may hold several levels.
    std::string relativePath;
    // The destination this one is relative to; -1 = none.
    std::int16_t parentId = kDestNotInstalled;
    // The absolute directory in directory form (ends with '\'); empty = not yet resolved.
    CFilePath resolvedPath;
};

class DestinationMap {
public:
    // Enters the seven predefined destinations from the machine's facts.
    explicit DestinationMap(const CSystemFolders& system);

    // Reads section "destinations" of file. Throws CInstallProfileException(0) when the
    // section has no keys. Each key finds or creates its record and sets the relative path,
    // the parent id (field 1, -1 when absent) and the resolved path (field 2 as given: an empty
    // field empties it, also for a predefined destination; a non-empty one gets a trailing
    // backslash when it lacks one). A key whose number is -1 is ignored.
    void Load(const CFilePath& file);

    // Finds or creates destination id and sets its resolved path (directory form).
    void SetResolvedPath(std::int16_t id, const CFilePath& path);

    // Resolves every relative destination whose parent is resolved, in up to n passes over
    // the map (n = its size), so chains of any depth and order resolve. Records already
    // resolved keep their path. Throws CInstallProfileException(1) when a destination's parent
    // is missing, stays unresolved or is part of a cycle.
    void ResolveAll();

    // The record of id, or nullptr when the map has none.
    const DestinationRecord* Find(std::int16_t id) const;
    DestinationRecord* Find(std::int16_t id);

    // True and out = the resolved directory of id; false (out untouched) when id is not a
    // destination or has no resolved directory.
    bool GetPath(std::int16_t id, CFilePath& out) const;

    // The resolved directory of id. Throws CInstallProfileException(1) when id is not a
    // destination or is not resolved: installing or removing a file there would otherwise
    // take the current directory for the destination.
    CFilePath PathOf(std::int16_t id) const;

    // Writes every destination with id 0 or more, in id order, to section "destinations" of
    // the log as "%s|%d|%s" (relative path, parent id, resolved path).
    void WriteToLog(const CFilePath& log) const;

    // Records in id order (ascending; the predefined ones first).
    const std::map<std::int16_t, DestinationRecord>& Records() const { return m_records; }
    std::size_t Size() const { return m_records.size(); }

private:
    DestinationRecord& FindOrCreate(std::int16_t id);
    bool ResolveOne(DestinationRecord& record);

    std::map<std::int16_t, DestinationRecord> m_records;
};
