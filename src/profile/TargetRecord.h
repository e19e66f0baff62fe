// Targets: installed files that get an item in the application's Program Manager group.
//
// Section "targets": key = file name (title and extension) of the installed file; value =
// icon index|hot key|minimized|item title|viewer arguments|icon file|installed path. The map
// is keyed by the name in upper case, so names match regardless of case and a later record
// whose name differs only in case replaces the earlier one.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "support/FilePath.h"

struct TargetRecord {
    std::string name;
    std::int16_t iconIndex = 0;
    // Program Manager hot-key code; -1 = none.
    std::int16_t hotKey = -1;
    bool minimized = false;
    // The item's caption, also its identity for replace and delete.
    std::string itemTitle;
    // Text between the viewer's name and the file path on the item's command line.
    std::string viewerArguments;
    // File name of the icon file in destination 0; empty = the default icon.
    std::string iconFile;
    // Full path of the installed file; empty until the engine has handled the file.
    CFilePath installedPath;
};

// The name in upper case as the targets map keys it (ASCII letters only, so bytes of
// double-byte characters are never changed).
std::string TargetKey(const std::string& name);

class TargetMap {
public:
    // Reads section "targets" of file; missing numeric fields keep the defaults above.
    void Load(const CFilePath& file);

    // The target for a file name (any case), or nullptr.
    TargetRecord* Find(const std::string& fileName);
    const TargetRecord* Find(const std::string& fileName) const;

    // Called by the engine after it handled a file to be installed: when a target has the
    // file name of path, its installed path becomes path. Returns whether one had.
    bool SetInstalledPath(const CFilePath& path);

    // Writes every target with an installed path, in map order, to section "targets" of the
    // log: key = the upper-cased name, value "%d|%d|%d|%s|%s|%s|%s".
    void WriteToLog(const CFilePath& log) const;

    // Records keyed by upper-cased name, in that key's order.
    const std::map<std::string, TargetRecord>& Records() const { return m_records; }
    std::size_t Size() const { return m_records.size(); }

private:
    std::map<std::string, TargetRecord> m_records;
};
