// Archive records: the distribution files listed in a component's section.
//
// Record: key = file name on the distribution medium; value = size|kind|file count|disk
// number|destination|text. A negative disk number means "later on that diskette". The archive
// list holds every record of every component, ordered by diskette so that each diskette is
// asked for as few times as possible.
//
// ArchiveRecordInfo holds the profile's fields only; the object that opens the distribution
// file as an archive holds (or derives from) one of these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/FilePath.h"

struct ComponentRecord;
class ComponentMap;

// Record kinds; any other value makes the engine skip the record.
constexpr std::int16_t kArchiveKindSingleFile = 0;
constexpr std::int16_t kArchiveKindMultiFile = 1;

struct ArchiveRecordInfo {
    // Name of the distribution file, looked up in the source directory.
    std::string fileName;
    // Bytes the record contributes to the progress range and the space estimate; for kind 0
    // also the length copied.
    std::int32_t size = 0;
    std::int16_t kind = kArchiveKindSingleFile;
    // Number of files it yields (space estimate only).
    std::int16_t fileCount = 0;
    // Diskette the file starts on: the absolute value of the profile field (1 when absent).
    std::int32_t diskNumber = 1;
    // Set when the profile's disk number was negative: placed after the other records of the
    // same diskette.
    bool laterOnDisk = false;
    // Kind 0: the destination of the copied file; -1 (also when absent) = not copied.
    std::int16_t destination = -1;
    std::string text;
    // The component whose section listed the record (owned by the component map).
    const ComponentRecord* component = nullptr;

    // Space the record takes with clusters of clusterSize bytes: with more than one file,
    // size + clusterSize * fileCount / 2; else size rounded up to whole clusters (size itself
    // for cluster size 0).
    std::int64_t SpaceEstimate(std::int32_t clusterSize) const;
};

// Builds a record from one profile line (fields absent from a short line keep their defaults).
ArchiveRecordInfo ParseArchiveRecord(const std::string& key, const std::string& value);

class ArchiveList {
public:
    // For every component in map order, reads the section named by its key from file and
    // inserts one record per key. A missing section contributes nothing.
    void Load(const CFilePath& file, const ComponentMap& components);

    // Inserts before the first record with a larger disk number, or with the same disk number
    // and the later-on-disk flag while r lacks it; appends otherwise.
    void Insert(const ArchiveRecordInfo& r);

    // Sum of the space estimates of the records of selected components (of all records when
    // all is set).
    std::int64_t Total(std::int32_t clusterSize, bool all) const;

    const std::vector<ArchiveRecordInfo>& Records() const { return m_records; }
    std::size_t Size() const { return m_records.size(); }

private:
    std::vector<ArchiveRecordInfo> m_records;
};
