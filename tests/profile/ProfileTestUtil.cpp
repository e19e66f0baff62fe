#include "ProfileTestUtil.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "profile/RecordSection.h"

namespace fs = std::filesystem;

CFilePath FixturePath(const std::string& name) {
    return CFilePath((fs::current_path() / "data" / name).string());
}

CScratchFile::CScratchFile(const std::string& name, const std::string& content)
    : m_path((fs::current_path() / name).string()) {
    std::error_code ignored;
    fs::remove(m_path.GetText(), ignored);
    if (!content.empty()) {
        std::ofstream out(m_path.GetText(), std::ios::binary);
        out << content;
    }
}

CScratchFile::~CScratchFile() {
    std::error_code ignored;
    fs::remove(m_path.GetText(), ignored);
}

const CSystemFolders& TestMachine() {
    static const CFixedSystemFolders machine("C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\TEMP\\", 4,
                                             "");
    return machine;
}

std::string ReadValue(const CFilePath& file, const std::string& section, const std::string& key) {
    std::string found;
    ForEachRecord(file, section, [&](const std::string& k, const std::string& v) {
        if (k == key) {
            found = v;
        }
    });
    return found;
}

std::string KeysOf(const CFilePath& file, const std::string& section) {
    std::string keys;
    ForEachRecord(file, section, [&](const std::string& k, const std::string&) {
        keys += keys.empty() ? k : "," + k;
    });
    return keys;
}
