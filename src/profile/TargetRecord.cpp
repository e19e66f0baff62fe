#include "profile/TargetRecord.h"

#include "profile/RecordSection.h"
#include "support/StringUtil.h"

std::string TargetKey(const std::string& name) {
    std::string key = name;
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return key;
}

void TargetMap::Load(const CFilePath& file) {
    ForEachRecord(file, "targets", [this](const std::string& key, const std::string& value) {
        TargetRecord record;
        record.name = key;
        ExtractShortField(record.iconIndex, value, 0);
        ExtractShortField(record.hotKey, value, 1);
        ExtractBoolField(record.minimized, value, 2);
        ExtractField(record.itemTitle, value, 3);
        ExtractField(record.viewerArguments, value, 4);
        ExtractField(record.iconFile, value, 5);
        std::string installed;
        ExtractField(installed, value, 6);
        record.installedPath = installed;
        m_records[TargetKey(key)] = record;
    });
}

TargetRecord* TargetMap::Find(const std::string& fileName) {
    const auto found = m_records.find(TargetKey(fileName));
    return found == m_records.end() ? nullptr : &found->second;
}

const TargetRecord* TargetMap::Find(const std::string& fileName) const {
    const auto found = m_records.find(TargetKey(fileName));
    return found == m_records.end() ? nullptr : &found->second;
}

bool TargetMap::SetInstalledPath(const CFilePath& path) {
    TargetRecord* target = Find(path.GetFileName());
    if (target == nullptr) {
        return false;
    }
    target->installedPath = path;
    return true;
}

void TargetMap::WriteToLog(const CFilePath& log) const {
    for (const auto& entry : m_records) {
        const TargetRecord& record = entry.second;
        if (record.installedPath.IsEmpty()) {
            continue;
        }
        const std::string value =
            std::to_string(record.iconIndex) + "|" + std::to_string(record.hotKey) + "|" +
            (record.minimized ? "1" : "0") + "|" + record.itemTitle + "|" + record.viewerArguments +
            "|" + record.iconFile + "|" + record.installedPath.GetText();
        WriteRecord(log, "targets", entry.first, value);
    }
}
