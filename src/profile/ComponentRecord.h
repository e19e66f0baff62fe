// Components and their archive lists.
//
// Section "groups" lists the components: key = component key (kept exactly as written, so
// keys that differ only in case are two components); value = text 1|description|type-1
// flag|type-2 flag|type-3 flag. Each component has a section of its own, named by its key,
// listing the distribution files that carry its contents (see ArchiveRecord.h).
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "support/FilePath.h"

struct ComponentRecord {
    std::string key;
    // Stored and written back to the log; nothing else reads it.
    std::string text1;
    std::string description;
    // The component's archives are installed.
    bool selected = false;
    // Membership in setup types 1 (Minimum), 2 (Typical) and 3.
    bool typeFlags[3] = {false, false, false};
};

class ComponentMap {
public:
    // Reads section "groups" of file; a key already present replaces the earlier record.
    // Missing flag fields read as 0.
    void Load(const CFilePath& file);

    // Setup type 0 deselects every component, 1 to 3 select the members of that type, 4 (and
    // anything above) selects all of them.
    void SelectBySetupType(int type);

    // Writes every component in map order to section "groups" of the log as "%s|%s|%d|%d|%d";
    // the selected flag is not written.
    void WriteToLog(const CFilePath& log) const;

    const ComponentRecord* Find(const std::string& key) const;
    // Records in key order (byte-wise, case-sensitive). Their addresses stay valid for the
    // map's lifetime: a record is replaced in place, never erased.
    const std::map<std::string, ComponentRecord>& Records() const { return m_records; }
    std::size_t Size() const { return m_records.size(); }

private:
    std::map<std::string, ComponentRecord> m_records;
};
