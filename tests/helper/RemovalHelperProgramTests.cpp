// The real removal helper under Wine: it waits for the setup program to end, deletes the
// program, its profile, the install log and the emptied directory, schedules what it cannot
// delete for the restart, and refuses (deleting nothing) whatever is not an application
// directory with its setup program and log.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "GuiHarness.h"

namespace {

constexpr DWORD kTimeoutMs = 60000;
constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The entries of PendingFileRenameOperations, upper-cased.
std::vector<std::string> PendingOperations() {
    std::vector<std::string> entries;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return entries;
    }
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size() - 2);
    DWORD type = 0;
    if (::RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                           reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
        for (const char* p = data.data(); p < data.data() + size; p += std::strlen(p) + 1) {
            entries.push_back(Upper(p));
        }
    }
    ::RegCloseKey(key);
    return entries;
}

bool IsPending(const std::vector<std::string>& entries, const std::string& path) {
    for (const std::string& entry : entries) {
        if (entry.size() >= path.size() &&
            entry.compare(entry.size() - path.size(), path.size(), Upper(path)) == 0) {
            return true;
        }
    }
    return false;
}

std::string EventsOf(const std::string& log) {
    std::vector<char> buffer(8192);
    ::GetPrivateProfileSectionA("Events", buffer.data(), static_cast<DWORD>(buffer.size()),
                                log.c_str());
    std::string lines;
    for (const char* line = buffer.data(); *line != '\0'; line += std::strlen(line) + 1) {
        lines += std::string(line) + "\n";
    }
    return lines;
}

// An application directory as an installation leaves it: the setup program (a copy of the
// sleeper), its profile and the install log naming the directory as destination 0.
class RemovalHelperProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = gui::MakeTempDirectory("hlp");
        ASSERT_FALSE(m_dir.empty());
        m_program = m_dir + "\\SETUP.EXE";
        m_profile = m_dir + "\\SETUP.INI";
        m_log = m_dir + "\\install.log";
        ASSERT_TRUE(
            ::CopyFileA(gui::WindowsPath(SLEEPER_PROGRAM).c_str(), m_program.c_str(), FALSE));
        std::ofstream(m_profile) << "[general]\r\nApp Title=Helper Test\r\n";
        WriteLog(m_dir + "\\");
    }

    void TearDown() override {
        m_setup.Kill();
        m_setup.Wait(5000);
        for (const std::string& file : {m_program, m_profile, m_log, m_dir + "\\USER.TXT"}) {
            ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(file.c_str());
        }
        ::RemoveDirectoryA(m_dir.c_str());
    }

    void WriteLog(const std::string& applicationDirectory) {
        std::ofstream(m_log, std::ios::binary)
            << "[destinations]\r\n0=APP|-1|" << applicationDirectory << "\r\n[Main]\r\nA=0|1|0\r\n";
    }

    // Runs the helper with these arguments; its exit code, or -1 when it did not end.
    long RunHelper(const std::string& arguments, const std::string& directory = "") {
        gui::CTestProcess helper;
        if (!helper.Start(gui::WindowsPath(REMOVAL_HELPER), arguments, directory)) {
            return -1;
        }
        DWORD exitCode = 0;
        if (!helper.Wait(kTimeoutMs, &exitCode)) {
            return -1;
        }
        m_setupRanLongerThanHelper = m_setup.IsRunning();
        return static_cast<long>(exitCode);
    }

    bool AllThere() const { return Exists(m_program) && Exists(m_profile) && Exists(m_log); }

    std::string m_dir;
    std::string m_program;
    std::string m_profile;
    std::string m_log;
    gui::CTestProcess m_setup;
    bool m_setupRanLongerThanHelper = false;
};

} // namespace

TEST_F(RemovalHelperProgramTest, WaitsForTheProgramThenDeletesItsFilesAndTheDirectory) {
    ASSERT_TRUE(m_setup.Start(m_program, "1500", m_dir));
    ::SetFileAttributesA(m_profile.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(RunHelper("/U /PP:" + m_profile), 0);
    // The helper ended only after the program had.
    EXPECT_FALSE(m_setupRanLongerThanHelper);
    EXPECT_FALSE(Exists(m_program));
    EXPECT_FALSE(Exists(m_profile));
    EXPECT_FALSE(Exists(m_log));
    EXPECT_FALSE(Exists(m_dir));
}

// The setup program starts the helper from the application directory: the helper's own
// current directory must not keep that directory in use.
TEST_F(RemovalHelperProgramTest, RemovesTheDirectoryItWasStartedIn) {
    EXPECT_EQ(RunHelper("/U /PP:" + m_profile, m_dir), 0);
    EXPECT_FALSE(Exists(m_program));
    EXPECT_FALSE(Exists(m_dir));
}

TEST_F(RemovalHelperProgramTest, KeepsTheDirectoryWhileItHoldsOtherFiles) {
    std::ofstream(m_dir + "\\USER.TXT") << "mine";
    EXPECT_EQ(RunHelper("/U /PP:" + m_profile), 0);
    EXPECT_FALSE(Exists(m_program));
    EXPECT_FALSE(Exists(m_log));
    EXPECT_TRUE(Exists(m_dir + "\\USER.TXT"));
}

// A file held open by another program: deleted at the next restart, with the directory after
// it; everything else is done now, and nothing else is touched.
TEST_F(RemovalHelperProgramTest, SchedulesWhatItCannotDeleteForTheRestart) {
    HANDLE held = ::CreateFileA(m_log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::ofstream(m_dir + "\\USER.TXT") << "mine";
    const long exitCode = RunHelper("/U /PP:" + m_profile);
    ::CloseHandle(held);
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(Exists(m_program));
    EXPECT_FALSE(Exists(m_profile));
    EXPECT_TRUE(Exists(m_log));
    EXPECT_TRUE(Exists(m_dir + "\\USER.TXT"));
    const std::vector<std::string> pending = PendingOperations();
    EXPECT_TRUE(IsPending(pending, m_log));
    EXPECT_TRUE(IsPending(pending, m_dir));
    EXPECT_FALSE(IsPending(pending, m_dir + "\\USER.TXT"));
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
}

TEST_F(RemovalHelperProgramTest, RefusesAnythingButAnApplicationDirectory) {
    const std::string other = m_dir + "\\OTHER.INI";
    std::ofstream(other) << "[general]\r\n";
    const struct {
        std::string arguments;
        bool logged; // the refusal is an event line of the log beside the profile
    } cases[] = {
        {"/U", false},
        {"/PP:" + m_profile, false},
        {"/U /PP:SETUP.INI", false},
        {"/U /PP:" + m_dir + "\\..\\" + m_dir.substr(m_dir.find_last_of('\\') + 1) + "\\SETUP.INI",
         false},
        {"/U /PP:" + m_program, false},
        // No OTHER.EXE beside the profile.
        {"/U /PP:" + other, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(RunHelper(c.arguments), 1);
        EXPECT_TRUE(AllThere());
        EXPECT_EQ(EventsOf(m_log).empty(), !c.logged) << EventsOf(m_log);
    }
    ::DeleteFileA(other.c_str());

    // A log that names another application directory (the program beside it is not that
    // application's copy).
    ::WritePrivateProfileStringA("Events", nullptr, nullptr, m_log.c_str());
    WriteLog("C:\\ELSEWHERE\\");
    EXPECT_EQ(RunHelper("/U /PP:" + m_profile), 1);
    EXPECT_TRUE(AllThere());
    EXPECT_NE(EventsOf(m_log).find("Removal helper refused " + m_profile +
                                   ": not the application directory of its log"),
              std::string::npos)
        << EventsOf(m_log);

    // A setup program with profile and log in the system directory itself.
    char systemBuffer[MAX_PATH];
    ::GetSystemDirectoryA(systemBuffer, MAX_PATH);
    const std::string system = systemBuffer;
    const std::vector<std::string> systemFiles{system + "\\HLPTEST.EXE", system + "\\HLPTEST.INI",
                                               system + "\\install.log"};
    ASSERT_FALSE(Exists(systemFiles[2]));
    for (const std::string& file : systemFiles) {
        std::ofstream(file) << "[destinations]\r\n0=|-1|" << system << "\\\r\n";
    }
    EXPECT_EQ(RunHelper("/U /PP:" + systemFiles[1]), 1);
    for (const std::string& file : systemFiles) {
        EXPECT_TRUE(Exists(file)) << file;
        ::DeleteFileA(file.c_str());
    }
}
