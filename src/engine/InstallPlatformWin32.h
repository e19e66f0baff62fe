// The installation engine's platform on Windows: the file system, the install log and the
// shared counts in the registry, the error dialog. Message pumping and the Program Manager
// items come from the caller (the copy page), which knows the windows and the program group.
#pragma once

#include <functional>
#include <utility>

#include "engine/InstallEngine.h"

class CWin32InstallPlatform : public CInstallPlatform {
public:
    // pump: runs between two members; createItems: makes the Program Manager items (either
    // may be empty).
    CWin32InstallPlatform(std::function<void()> pump,
                          std::function<void(const TargetMap&)> createItems)
        : m_pump(std::move(pump)), m_createItems(std::move(createItems)) {}

    void MakeDirectory(const CFilePath& directory) override;
    bool Exists(const CFilePath& path) override;
    int ShouldReplace(const CFilePath& present, const CFilePath& newFile) override;
    bool DeletePresent(const CFilePath& path) override;
    void DeleteTemporary(const CFilePath& path) override;
    // CopyFileA; the copy loses a read-only attribute, so it can be replaced later.
    void CopySetupFile(const CFilePath& from, const CFilePath& to) override;
    // Compares the short forms of both paths.
    bool IsSameFile(const CFilePath& a, const CFilePath& b) override;
    bool Rename(const CFilePath& from, const CFilePath& to, std::int32_t& osError) override;
    // Has the system replace the present file by the new one at the next restart.
    bool DeferReplacement(const CFilePath& newFile, const CFilePath& present) override;
    void WriteFileRecord(const CFilePath& log, const std::string& componentKey,
                         const CFilePath& installedPath, std::int16_t destination, bool installed,
                         bool replaced) override;
    void WriteCollections(const ProfileCollections& collections, const CFilePath& log) override;
    void CreateProgramItems(const TargetMap& targets) override;
    void PumpMessages() override;
    // The error dialog with string 17 and Continue Operation / Cancel Operation.
    bool ReportArchiveError(const CException& error, const std::string& archiveName) override;

private:
    std::function<void()> m_pump;
    std::function<void(const TargetMap&)> m_createItems;
};
