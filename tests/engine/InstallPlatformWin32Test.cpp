// The engine's Windows platform on the real (Wine) file system and registry: the operations
// whose failures the engine relies on, and the replacement that waits for a restart.
#include "engine/InstallPlatformWin32.h"
#include "errors/Exceptions.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// The user of the archive error report: answers as told and notes what the install log on
// disk held when it was asked.
class CRecordingUserInterface : public CInstallUserInterface {
public:
    bool ReportArchiveError(const CException& error, const std::string& archiveName) override {
        ++reports;
        reportedArchive = archiveName;
        const CFileException* file = AsFileException(error);
        reportedCause = file != nullptr ? file->GetCause() : -1;
        char value[64] = {};
        ::GetPrivateProfileStringA("Program", "VIEWER.EXE", "", value, sizeof(value),
                                   logPath.c_str());
        recordOnDisk = value;
        return answer;
    }

    std::string logPath;
    bool answer = false;
    int reports = 0;
    std::string reportedArchive;
    int reportedCause = 0;
    std::string recordOnDisk;
};

class InstallPlatformWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        char name[MAX_PATH];
        ::GetTempFileNameA(temp, "ipw", 0, name);
        ::DeleteFileA(name);
        m_dir = name;
        ASSERT_TRUE(::CreateDirectoryA(m_dir.c_str(), nullptr));
    }
    void TearDown() override {
        for (const char* file :
             {"a.tmp", "b.dat", "c.dat", "deep\\er\\x", "block", "install.log"}) {
            ::SetFileAttributesA((m_dir + "\\" + file).c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA((m_dir + "\\" + file).c_str());
        }
        ::RemoveDirectoryA((m_dir + "\\deep\\er").c_str());
        ::RemoveDirectoryA((m_dir + "\\deep").c_str());
        ::RemoveDirectoryA(m_dir.c_str());
    }
    std::string Touch(const std::string& name) {
        const std::string path = m_dir + "\\" + name;
        HANDLE file =
            ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ::CloseHandle(file);
        return path;
    }

    std::string m_dir;
    CRecordingUserInterface m_user;
    CWin32InstallPlatform m_platform{{}, {}, m_user};
};

TEST_F(InstallPlatformWin32Test, FileOperationsReportTheirFailures) {
    // Directories with their parents; a file in the way is an error.
    m_platform.MakeDirectory(CFilePath(m_dir + "\\deep\\er\\"));
    EXPECT_TRUE(m_platform.Exists(CFilePath(m_dir + "\\deep\\er")));
    Touch("block");
    EXPECT_THROW(m_platform.MakeDirectory(CFilePath(m_dir + "\\block\\sub\\")), CFileException);

    // A read-only temporary file still goes.
    const std::string temporary = Touch("a.tmp");
    ::SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_READONLY);
    m_platform.DeleteTemporary(CFilePath(temporary));
    EXPECT_FALSE(m_platform.Exists(CFilePath(temporary)));

    // A rename onto an existing file fails with the system's error and says the name is
    // taken; onto a directory it is a failure of its own; onto a free name it moves.
    using Result = CInstallPlatform::RenameResult;
    const std::string from = Touch("b.dat");
    const std::string to = Touch("c.dat");
    std::int32_t error = 0;
    EXPECT_EQ(m_platform.Rename(CFilePath(from), CFilePath(to), error), Result::kNameTaken);
    EXPECT_NE(error, 0);
    EXPECT_TRUE(m_platform.Exists(CFilePath(from)));
    error = 0;
    EXPECT_EQ(m_platform.Rename(CFilePath(from), CFilePath(m_dir + "\\deep"), error),
              Result::kFailed);
    EXPECT_NE(error, 0);
    ::DeleteFileA(to.c_str());
    EXPECT_EQ(m_platform.Rename(CFilePath(from), CFilePath(to), error), Result::kMoved);
    EXPECT_TRUE(m_platform.Exists(CFilePath(to)));

    // Only an empty directory is removed.
    m_platform.RemoveEmptyDirectory(CFilePath(m_dir + "\\deep"));
    EXPECT_TRUE(m_platform.Exists(CFilePath(m_dir + "\\deep\\er")));
    m_platform.RemoveEmptyDirectory(CFilePath(m_dir + "\\deep\\er"));
    EXPECT_FALSE(m_platform.Exists(CFilePath(m_dir + "\\deep\\er")));

    // A present file that is open cannot be deleted.
    HANDLE open = ::CreateFileA(to.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(m_platform.DeletePresent(CFilePath(to)));
    ::CloseHandle(open);
    EXPECT_TRUE(m_platform.DeletePresent(CFilePath(to)));
}

// The new file replaces the one in use at the next restart: the system's list of pending
// renames names both (the entry is taken out again here).
TEST_F(InstallPlatformWin32Test, DeferredReplacementIsListedForTheRestart) {
    const std::string newFile = Touch("a.tmp");
    const std::string present = Touch("b.dat");
    ASSERT_TRUE(m_platform.DeferReplacement(CFilePath(newFile), CFilePath(present)));

    const char* key = "System\\CurrentControlSet\\Control\\Session Manager";
    HKEY session = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &session), ERROR_SUCCESS);
    char data[8192] = {};
    DWORD size = sizeof(data);
    ASSERT_EQ(::RegQueryValueExA(session, "PendingFileRenameOperations", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    const std::string pending(data, size);
    EXPECT_NE(pending.find("a.tmp"), std::string::npos);
    EXPECT_NE(pending.find("!\\??\\" + present), std::string::npos) << pending;
    ::RegDeleteValueA(session, "PendingFileRenameOperations");
    ::RegCloseKey(session);
}

// The archive error report goes to the user interface with the failure and the archive's
// name, and its answer decides; the file records written before are on disk by then.
TEST_F(InstallPlatformWin32Test, ArchiveErrorReportSeesTheSavedLog) {
    const CFilePath log(m_dir + "\\install.log");
    m_user.logPath = log.GetText();
    m_platform.WriteFileRecord(log, "Program", CFilePath(m_dir + "\\VIEWER.EXE"), 0, true, false);

    const CFileException failure(CFileException::kEndOfFile, 0, "SAMPLES.MF1");
    m_user.answer = true;
    EXPECT_TRUE(m_platform.ReportArchiveError(failure, "SAMPLES.MF1"));
    EXPECT_EQ(m_user.reports, 1);
    EXPECT_EQ(m_user.reportedArchive, "SAMPLES.MF1");
    EXPECT_EQ(m_user.reportedCause, CFileException::kEndOfFile);
    EXPECT_EQ(m_user.recordOnDisk, "0|1|0");

    m_user.answer = false;
    EXPECT_FALSE(m_platform.ReportArchiveError(failure, "SAMPLES.MF2"));
    EXPECT_EQ(m_user.reports, 2);
    EXPECT_EQ(m_user.reportedArchive, "SAMPLES.MF2");
}

} // namespace
