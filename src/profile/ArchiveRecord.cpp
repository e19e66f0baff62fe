#include "profile/ArchiveRecord.h"

#include "profile/ComponentRecord.h"
#include "profile/RecordSection.h"
#include "support/StringUtil.h"

std::int64_t ArchiveRecordInfo::SpaceEstimate(std::int32_t clusterSize) const {
    const std::int64_t cluster = clusterSize;
    if (fileCount > 1) {
        return size + cluster * fileCount / 2;
    }
    if (cluster != 0) {
        return (size + cluster - 1) / cluster * cluster;
    }
    return size;
}

ArchiveRecordInfo ParseArchiveRecord(const std::string& key, const std::string& value) {
    ArchiveRecordInfo record;
    record.fileName = key;
    ExtractLongField(record.size, value, 0);
    ExtractShortField(record.kind, value, 1);
    ExtractShortField(record.fileCount, value, 2);
    std::int16_t disk = 1;
    ExtractShortField(disk, value, 3);
    record.laterOnDisk = disk < 0;
    record.diskNumber = disk < 0 ? -static_cast<std::int32_t>(disk) : disk;
    ExtractField(record.text, value, 5);
    ExtractShortField(record.destination, value, 4);
    return record;
}

void ArchiveList::Load(const CFilePath& file, const ComponentMap& components) {
    for (const auto& entry : components.Records()) {
        const ComponentRecord* component = &entry.second;
        ForEachRecord(file, component->key,
                      [this, component](const std::string& key, const std::string& value) {
                          ArchiveRecordInfo record = ParseArchiveRecord(key, value);
                          record.component = component;
                          Insert(record);
                      });
    }
}

void ArchiveList::Insert(const ArchiveRecordInfo& r) {
    auto it = m_records.begin();
    for (; it != m_records.end(); ++it) {
        if (it->diskNumber > r.diskNumber ||
            (it->diskNumber == r.diskNumber && it->laterOnDisk && !r.laterOnDisk)) {
            break;
        }
    }
    m_records.insert(it, r);
}

std::int64_t ArchiveList::Total(std::int32_t clusterSize, bool all) const {
    std::int64_t total = 0;
    for (const ArchiveRecordInfo& record : m_records) {
        if (all || (record.component != nullptr && record.component->selected)) {
            total += record.SpaceEstimate(clusterSize);
        }
    }
    return total;
}
