#include "profile/ComponentRecord.h"

#include "profile/RecordSection.h"
#include "support/StringUtil.h"

void ComponentMap::Load(const CFilePath& file) {
    ForEachRecord(file, "groups", [this](const std::string& key, const std::string& value) {
        ComponentRecord record;
        record.key = key;
        ExtractField(record.text1, value, 0);
        ExtractField(record.description, value, 1);
        for (int type = 0; type < 3; ++type) {
            ExtractBoolField(record.typeFlags[type], value, 2 + type);
        }
        // Assigning keeps the record's address, which archive records point to.
        m_records[key] = record;
    });
}

void ComponentMap::SelectBySetupType(int type) {
    for (auto& entry : m_records) {
        ComponentRecord& record = entry.second;
        if (type <= 0) {
            record.selected = false;
        } else if (type <= 3) {
            record.selected = record.typeFlags[type - 1];
        } else {
            record.selected = true;
        }
    }
}

void ComponentMap::WriteToLog(const CFilePath& log) const {
    for (const auto& entry : m_records) {
        const ComponentRecord& record = entry.second;
        std::string value = record.text1 + "|" + record.description;
        for (bool flag : record.typeFlags) {
            value += flag ? "|1" : "|0";
        }
        WriteRecord(log, "groups", record.key, value);
    }
}

const ComponentRecord* ComponentMap::Find(const std::string& key) const {
    const auto found = m_records.find(key);
    return found == m_records.end() ? nullptr : &found->second;
}
