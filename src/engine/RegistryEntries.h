// The program's traces in the registry, all under HKEY_LOCAL_MACHINE: the App Paths entry of
// the application's main program, the Uninstall entry that starts the removal, the reference
// count of each shared file under SharedDLLs, and the read-only "CommonFilesDir" value.
//
// None of these reports an error or stops the setup: a registry failure leaves the entry
// missing and the program goes on.
#pragma once

#include <cstdint>
#include <string>

#include "support/FilePath.h"
#include "support/Registry.h"

#define SETUP_CURRENT_VERSION_KEY "Software\\Microsoft\\Windows\\CurrentVersion"
constexpr const char* kCurrentVersionKey = SETUP_CURRENT_VERSION_KEY;
constexpr const char* kAppPathsKey = SETUP_CURRENT_VERSION_KEY "\\App Paths\\";
constexpr const char* kUninstallKey = SETUP_CURRENT_VERSION_KEY "\\Uninstall";
constexpr const char* kSharedDllsKey = SETUP_CURRENT_VERSION_KEY "\\SharedDLLs";
constexpr const char* kCommonFilesValue = "CommonFilesDir";
#undef SETUP_CURRENT_VERSION_KEY

// App Paths key named after exePath's file name: default value = exePath, "Path" = its drive
// and directory (no trailing backslash except at a root).
void RegisterAppPath(const CFilePath& exePath);
// Deletes the App Paths key of exePath's file name.
void UnregisterAppPath(const CFilePath& exePath);

// Uninstall\keyName: "UninstallString" = command, "DisplayName" = displayName (the key is
// created when missing; existing values are overwritten).
void RegisterUninstall(const std::string& command, const std::string& keyName,
                       const std::string& displayName);
// Deletes the Uninstall key keyName.
void UnregisterUninstall(const std::string& keyName);

// out = "CommonFilesDir" in directory form and true; when the value is missing or empty (or
// the key cannot be opened with full access), out = the system directory and false.
bool GetCommonFilesDir(CFilePath& out);
// As GetCommonFilesDir, but the fall-back is the root of the system directory's drive.
bool GetCommonFilesRoot(CFilePath& out);

// The number of installed applications that use a shared file: the REG_DWORD value named by
// the file's full path under SharedDLLs, read at construction (0 when absent). At destruction
// a count that is not 0 is written (creating the key when needed), and a count of 0 deletes
// the value.
class CSharedDllCount : public CRegistryDword {
public:
    explicit CSharedDllCount(const CFilePath& path);
    ~CSharedDllCount() override;

    void AddRef() { SetData(GetData() + 1); }
    // One less, never below 0.
    void Release() {
        if (GetData() > 0) {
            SetData(GetData() - 1);
        }
    }
    bool IsInUse() const { return GetData() != 0; }
    DWORD GetCount() const { return GetData(); }
};

// What installing a file into the system directory (-3) or the Windows help directory (-8)
// does to its count: an absent (or 0) count becomes 1, an existing count stays.
void CountSharedFileInstalled(const CFilePath& path);
// What removing a file of the system directory does: one less, the value deleted at 0.
void CountSharedFileRemoved(const CFilePath& path);

// Writes the install log's record of one handled file (key = the file name of installedPath,
// value "%d|%d|%d") into the component's section; for the system directory (-3) and the
// Windows help directory (-8) it then makes sure the file's shared-library count is set.
void WriteInstalledFileRecord(const CFilePath& log, const std::string& componentKey,
                              const CFilePath& installedPath, std::int16_t destination,
                              bool installed, bool replaced);
