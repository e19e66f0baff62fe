// The installation engine's platform on Windows: the file system, the install log and the
// shared counts in the registry. What the user sees (the archive error report), message
// pumping and the Program Manager items come from the caller (the copy page), which knows
// the windows and the program group.
//
// File records go through a CInstallLogWriter, which saves the log as a whole at most a
// fraction of a second after a record: the caller calls SaveLogIfDue while the user looks
// at a dialog (a timer), and the log is saved before an error is reported, before the
// collections are written and when the platform is destroyed.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "engine/InstallEngine.h"
#include "engine/InstallUserInterface.h"
#include "profile/InstallLogWriter.h"

class CWin32InstallPlatform : public CInstallPlatform {
public:
    // pump: runs between two members; createItems: makes the Program Manager items (either
    // may be empty); userInterface: shows the archive error report (it must outlive the
    // platform).
    CWin32InstallPlatform(std::function<void()> pump,
                          std::function<void(const TargetMap&)> createItems,
                          CInstallUserInterface& userInterface)
        : m_userInterface(userInterface), m_pump(std::move(pump)),
          m_createItems(std::move(createItems)) {}
    ~CWin32InstallPlatform() override;
    CWin32InstallPlatform(const CWin32InstallPlatform&) = delete;
    CWin32InstallPlatform& operator=(const CWin32InstallPlatform&) = delete;

    void MakeDirectory(const CFilePath& directory) override;
    bool Exists(const CFilePath& path) override;
    bool FileExists(const CFilePath& path) override;
    int ShouldReplace(const CFilePath& present, const CFilePath& newFile) override;
    bool DeletePresent(const CFilePath& path) override;
    void DeleteTemporary(const CFilePath& path) override;
    // CopyFileA; the copy loses a read-only attribute, so it can be replaced later.
    void CopySetupFile(const CFilePath& from, const CFilePath& to) override;
    // Compares the short forms of both paths.
    bool IsSameFile(const CFilePath& a, const CFilePath& b) override;
    RenameResult Rename(const CFilePath& from, const CFilePath& to, std::int32_t& osError) override;
    void RemoveEmptyDirectory(const CFilePath& directory) override;
    // Has the system replace the present file by the new one at the next restart.
    bool DeferReplacement(const CFilePath& newFile, const CFilePath& present) override;
    void WriteFileRecord(const CFilePath& log, const std::string& componentKey,
                         const CFilePath& installedPath, std::int16_t destination, bool installed,
                         bool replaced) override;
    void WriteCollections(const ProfileCollections& collections, const CFilePath& log) override;
    void CreateProgramItems(const TargetMap& targets) override;
    void PumpMessages() override;
    // Saves the install log, then has the user interface report the failure.
    bool ReportArchiveError(const CException& error, const std::string& archiveName) override;

    // Saves the file records written so far when the oldest of them waits long enough.
    void SaveLogIfDue();

protected:
    // Saves the file records written so far (for a report that a subclass answers itself).
    void SaveLog();

private:
    // The writer of log, replacing (and saving) one for another path.
    CInstallLogWriter& LogWriter(const CFilePath& log);

    CInstallUserInterface& m_userInterface;
    std::unique_ptr<CInstallLogWriter> m_log;
    std::function<void()> m_pump;
    std::function<void(const TargetMap&)> m_createItems;
};
