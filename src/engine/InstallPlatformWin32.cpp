#include "engine/InstallPlatformWin32.h"

#include <windows.h>

#include "engine/RegistryEntries.h"
#include "engine/ReplaceRules.h"
#include "errors/Exceptions.h"
#include "profile/DestinationRecord.h"
#include "profile/ProfileCollections.h"

void CWin32InstallPlatform::MakeDirectory(const CFilePath& directory) {
    CFilePath path = directory;
    path.MakeDirectoryOrThrow(true);
}

bool CWin32InstallPlatform::Exists(const CFilePath& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CWin32InstallPlatform::FileExists(const CFilePath& path) {
    return path.Exists();
}

int CWin32InstallPlatform::ShouldReplace(const CFilePath& present, const CFilePath& newFile) {
    return ::ShouldReplace(present, newFile);
}

bool CWin32InstallPlatform::DeletePresent(const CFilePath& path) {
    return ::DeleteFileA(path.c_str()) != FALSE;
}

void CWin32InstallPlatform::DeleteTemporary(const CFilePath& path) {
    // The member's attributes may have made it read-only.
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
}

void CWin32InstallPlatform::CopySetupFile(const CFilePath& from, const CFilePath& to) {
    if (!::CopyFileA(from.c_str(), to.c_str(), TRUE)) {
        throw CFileException(CFileException::kGeneric, static_cast<std::int32_t>(::GetLastError()),
                             from);
    }
    const DWORD attributes = ::GetFileAttributesA(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesA(to.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

bool CWin32InstallPlatform::IsSameFile(const CFilePath& a, const CFilePath& b) {
    char shortA[MAX_PATH + 1] = {};
    char shortB[MAX_PATH + 1] = {};
    const DWORD lengthA = ::GetShortPathNameA(a.c_str(), shortA, MAX_PATH);
    const DWORD lengthB = ::GetShortPathNameA(b.c_str(), shortB, MAX_PATH);
    if (lengthA == 0 || lengthA > MAX_PATH || lengthB == 0 || lengthB > MAX_PATH) {
        return false; // one of them does not exist
    }
    return ::lstrcmpiA(shortA, shortB) == 0;
}

CInstallPlatform::RenameResult
CWin32InstallPlatform::Rename(const CFilePath& from, const CFilePath& to, std::int32_t& osError) {
    if (::MoveFileA(from.c_str(), to.c_str())) {
        return RenameResult::kMoved;
    }
    const DWORD error = ::GetLastError();
    osError = static_cast<std::int32_t>(error);
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
        return RenameResult::kFailed;
    }
    const DWORD attributes = ::GetFileAttributesA(to.c_str());
    const bool file =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return file ? RenameResult::kNameTaken : RenameResult::kFailed;
}

void CWin32InstallPlatform::RemoveEmptyDirectory(const CFilePath& directory) {
    ::RemoveDirectoryA(directory.c_str());
}

bool CWin32InstallPlatform::DeferReplacement(const CFilePath& newFile, const CFilePath& present) {
    return ::MoveFileExA(newFile.c_str(), present.c_str(),
                         MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) != FALSE;
}

CWin32InstallPlatform::~CWin32InstallPlatform() = default;

CInstallLogWriter& CWin32InstallPlatform::LogWriter(const CFilePath& log) {
    if (m_log == nullptr || m_log->GetFile().GetText() != log.GetText()) {
        m_log.reset();
        m_log = std::make_unique<CInstallLogWriter>(log);
    }
    return *m_log;
}

void CWin32InstallPlatform::SaveLog() {
    if (m_log != nullptr) {
        m_log->Save();
    }
}

void CWin32InstallPlatform::SaveLogIfDue() {
    if (m_log != nullptr) {
        m_log->SaveIfDue();
    }
}

void CWin32InstallPlatform::WriteFileRecord(const CFilePath& log, const std::string& componentKey,
                                            const CFilePath& installedPath,
                                            std::int16_t destination, bool installed,
                                            bool replaced) {
    CInstallLogWriter& writer = LogWriter(log);
    writer.WriteFileRecord(componentKey, installedPath.GetFileName(), destination, installed,
                           replaced);
    if (destination == kDestSystem || destination == kDestHelp) {
        CountSharedFileInstalled(installedPath);
    }
    writer.SaveIfDue();
}

void CWin32InstallPlatform::WriteCollections(const ProfileCollections& collections,
                                             const CFilePath& log) {
    SaveLog();
    WriteCollectionsToLog(collections, log);
}

void CWin32InstallPlatform::CreateProgramItems(const TargetMap& targets) {
    if (m_createItems) {
        m_createItems(targets);
    }
}

void CWin32InstallPlatform::PumpMessages() {
    if (m_pump) {
        m_pump();
    }
}

bool CWin32InstallPlatform::ReportArchiveError(const CException& error,
                                               const std::string& archiveName) {
    // The records so far are on disk while the user looks at the report, and stay there
    // when the run ends with it.
    SaveLog();
    return m_userInterface.ReportArchiveError(error, archiveName);
}
