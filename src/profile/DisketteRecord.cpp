#include "profile/DisketteRecord.h"

#include "profile/RecordSection.h"
#include "support/StringUtil.h"

void DisketteArray::Load(const CFilePath& file) {
    ForEachRecord(file, "diskettes", [this](const std::string& key, const std::string& value) {
        DisketteRecord record;
        ExtractField(record.label, value, 0);
        ExtractField(record.secondText, value, 1);
        Set(ParseLong(key), record);
    });
}

void DisketteArray::Set(std::int32_t number, const DisketteRecord& record) {
    if (number < 0 || number > kMaxNumber) {
        return;
    }
    const auto index = static_cast<std::size_t>(number);
    if (index >= m_records.size()) {
        m_records.resize(index + 1);
    }
    m_records[index] = std::make_unique<DisketteRecord>(record);
}

const DisketteRecord* DisketteArray::Find(std::int32_t number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= m_records.size()) {
        return nullptr;
    }
    return m_records[static_cast<std::size_t>(number)].get();
}

const std::string* DisketteArray::LabelOf(std::int32_t number) const {
    const DisketteRecord* record = Find(number);
    return record == nullptr ? nullptr : &record->label;
}
