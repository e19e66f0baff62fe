// Helpers of the profile tests: fixture paths and scratch INI files in the test's working
// directory, named by absolute paths of the platform the test runs on.
#pragma once

#include <string>

#include "profile/SystemFolders.h"
#include "support/FilePath.h"

// Absolute path of a copied fixture (tests/data/profile/<name>).
CFilePath FixturePath(const std::string& name);

// A scratch file that is removed when the object goes (and before it is written).
class CScratchFile {
public:
    explicit CScratchFile(const std::string& name, const std::string& content = std::string());
    ~CScratchFile();
    CScratchFile(const CScratchFile&) = delete;
    CScratchFile& operator=(const CScratchFile&) = delete;

    const CFilePath& Path() const { return m_path; }

private:
    CFilePath m_path;
};

// The machine of most tests: C:\WINDOWS, C:\WINDOWS\SYSTEM, version 4, no CommonFilesDir.
const CSystemFolders& TestMachine();

// The value of key in section of file as the loaders see it ("" when missing).
std::string ReadValue(const CFilePath& file, const std::string& section, const std::string& key);
// Every key of section, in file order.
std::string KeysOf(const CFilePath& file, const std::string& section);
