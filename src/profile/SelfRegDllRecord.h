// Libraries to self-register: section "SelfRegisterDLLs", key = the library's file name
// relative to its destination directory, value = destination id|use entry point. Both fields
// are 0 when missing (destination 0; run the registration tool instead of the entry point).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/FilePath.h"

struct SelfRegDllRecord {
    std::string fileName;
    std::int16_t destination = 0;
    // true: call the library's own "DllRegisterServer"/"DllUnregisterServer"; false: run the
    // registration tool on it.
    bool useEntryPoint = false;
};

class SelfRegDllList {
public:
    // Appends one record per key of section "SelfRegisterDLLs" of file, in file order.
    void Load(const CFilePath& file);

    const std::vector<SelfRegDllRecord>& Records() const { return m_records; }
    std::size_t Size() const { return m_records.size(); }

private:
    std::vector<SelfRegDllRecord> m_records;
};
