#include "profile/SelfRegDllRecord.h"

#include "profile/RecordSection.h"
#include "support/StringUtil.h"

void SelfRegDllList::Load(const CFilePath& file) {
    ForEachRecord(file, "SelfRegisterDLLs",
                  [this](const std::string& key, const std::string& value) {
                      SelfRegDllRecord record;
                      record.fileName = key;
                      ExtractShortField(record.destination, value, 0);
                      ExtractBoolField(record.useEntryPoint, value, 1);
                      m_records.push_back(record);
                  });
}
