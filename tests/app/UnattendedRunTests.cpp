// Unattended runs (/B, /Y) of the real setup program under Wine: each way a run can end, with
// its exit code, the event lines that say what was decided for nobody, and the proof that no
// person was needed: the program ends by itself within the wait (a report, prompt or question
// left open would keep it running), and no report or prompt dialog ever appeared.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "GuiHarness.h"
#include "archive/ArchiveWriter.h"
#include "resources/resource.h"
#include "support/Handle.h"

namespace {

// Generous for a loaded machine; an unattended run here takes a few seconds.
constexpr DWORD kRunBoundMs = 60000;
constexpr std::int64_t kOldTime = 900000000;
constexpr std::int64_t kNewTime = 1700000000;
constexpr const char* kDisplayName = "Demo Unattended 1.0";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingRenames = "PendingFileRenameOperations";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The file's text, read while the program may write, replace or move it ("" when missing).
std::string ReadWhileInUse(const std::string& path) {
    const CFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (file && ::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

// What a look at a file without opening it tells: whether it exists, its size and its last
// write time. Opening the log while the program replaces it would make the replacement fail.
struct FileStamp {
    bool exists = false;
    DWORD size = 0;
    FILETIME written{};
    bool operator==(const FileStamp& other) const {
        return exists == other.exists && size == other.size &&
               ::CompareFileTime(&written, &other.written) == 0;
    }
};

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        stamp.exists = true;
        stamp.size = data.nFileSizeLow;
        stamp.written = data.ftLastWriteTime;
    }
    return stamp;
}

// The log's text once it has stayed unchanged for settledMs: a profile write rewrites the
// whole file in place, section by section, and a read in the middle sees only the first
// sections. Read only after a change, so the program is not kept from replacing the file.
class CLogWatch {
public:
    explicit CLogWatch(std::string path) : m_path(std::move(path)) {}
    // The settled text when it changed since the last call; "" otherwise.
    std::string ChangedText(DWORD settledMs) {
        FileStamp now = StampOf(m_path);
        if (now == m_seen || !now.exists) {
            return {};
        }
        for (FileStamp before = now;; before = now) {
            ::Sleep(settledMs);
            now = StampOf(m_path);
            if (now == before) {
                break;
            }
        }
        m_seen = now;
        return ReadWhileInUse(m_path);
    }

private:
    std::string m_path;
    FileStamp m_seen;
};

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

// Bytes that do not compress much, so that damage lands in coded data.
std::string Pattern(std::size_t n, unsigned seed) {
    std::string bytes(n, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetModifyTime(const std::string& path, std::int64_t seconds) {
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(seconds) + 11644473600ull) * 10000000ull;
    FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    ::SetFileTime(file, nullptr, nullptr, &time);
    ::CloseHandle(file);
}

// The values of the install log's "Events" section, in file order.
std::vector<std::string> EventLines(const std::string& log) {
    std::vector<std::string> events;
    std::istringstream in(ReadFile(log));
    std::string line;
    bool inEvents = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            inEvents = line == "[Events]";
        } else if (inEvents && line.find('=') != std::string::npos) {
            events.push_back(line.substr(line.find('=') + 1));
        }
    }
    return events;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

bool HasEventStartingWith(const std::vector<std::string>& events, const std::string& start) {
    return std::any_of(events.begin(), events.end(),
                       [&](const std::string& e) { return e.rfind(start, 0) == 0; });
}

// A REG_SZ / REG_MULTI_SZ value of HKEY_LOCAL_MACHINE as raw bytes; false when absent.
bool ReadMachineValue(const char* subkey, const char* name, std::string& data, DWORD& type) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    bool found = ::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        data.assign(size, '\0');
        found = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                   &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    ::RegCloseKey(key);
    return found;
}

// Keeps the prefix's pending renames as they were before the test.
class CPendingRenamesGuard {
public:
    CPendingRenamesGuard() {
        m_existed = ReadMachineValue(kSessionManager, kPendingRenames, m_data, m_type);
    }
    ~CPendingRenamesGuard() {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) !=
            ERROR_SUCCESS) {
            return;
        }
        if (m_existed) {
            ::RegSetValueExA(key, kPendingRenames, 0, m_type,
                             reinterpret_cast<const BYTE*>(m_data.data()),
                             static_cast<DWORD>(m_data.size()));
        } else {
            ::RegDeleteValueA(key, kPendingRenames);
        }
        ::RegCloseKey(key);
    }
    CPendingRenamesGuard(const CPendingRenamesGuard&) = delete;
    CPendingRenamesGuard& operator=(const CPendingRenamesGuard&) = delete;

private:
    bool m_existed = false;
    std::string m_data;
    DWORD m_type = REG_MULTI_SZ;
};

// The test library PageHook, hooked into every program: records the dialogs the setup
// program opens and, when asked, posts Cancel to one page as soon as it is up.
class CPageHook {
public:
    CPageHook(const std::string& logPath, int cancelPage) : m_logPath(logPath) {
        ::DeleteFileA(m_logPath.c_str());
        ::SetEnvironmentVariableA("SETUP_PAGE_LOG", m_logPath.c_str());
        ::SetEnvironmentVariableA("SETUP_CANCEL_PAGE",
                                  cancelPage != 0 ? std::to_string(cancelPage).c_str() : nullptr);
        m_library = ::LoadLibraryA(gui::WindowsPath(PAGE_HOOK_LIBRARY).c_str());
        auto proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void (*)()>(::GetProcAddress(m_library, "PageHookProc")));
        if (proc != nullptr) {
            m_hook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, proc, m_library, 0);
        }
    }
    ~CPageHook() {
        if (m_hook != nullptr) {
            ::UnhookWindowsHookEx(m_hook);
        }
        if (m_library != nullptr) {
            ::FreeLibrary(m_library);
        }
        ::SetEnvironmentVariableA("SETUP_PAGE_LOG", nullptr);
        ::SetEnvironmentVariableA("SETUP_CANCEL_PAGE", nullptr);
        ::DeleteFileA(m_logPath.c_str());
    }
    CPageHook(const CPageHook&) = delete;
    CPageHook& operator=(const CPageHook&) = delete;

    bool IsHooked() const { return m_hook != nullptr; }

    std::vector<int> Pages() const {
        std::vector<int> pages;
        std::istringstream in(ReadFile(m_logPath));
        int id = 0;
        long width = 0;
        long height = 0;
        while (in >> id >> width >> height) {
            pages.push_back(id);
        }
        return pages;
    }

private:
    std::string m_logPath;
    HMODULE m_library = nullptr;
    HHOOK m_hook = nullptr;
};

struct Member {
    std::string name;
    std::string data;
    std::int64_t time;
};

// What one run gave.
struct RunResult {
    bool ended = false;
    DWORD exitCode = 0;
    DWORD elapsedMs = 0;
    std::vector<int> pages;
};

class UnattendedRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = gui::MakeTempDirectory("unr");
        ASSERT_FALSE(m_dir.empty());
        m_dist = m_dir + "\\DIST";
        m_app = m_dir + "\\APP";
        ASSERT_TRUE(::CreateDirectoryA(m_dist.c_str(), nullptr));
        CopySetup(m_dist);
    }

    void TearDown() override {
        m_process.Kill();
        m_process.Wait(5000);
        gui::RemoveShellGroup("Demo");
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + kDisplayName).c_str());
        if (!m_helper.empty()) {
            ::DeleteFileA(m_helper.c_str());
        }
        gui::RemoveTree(m_dir);
    }

    void CopySetup(const std::string& dir) {
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SETUP_PROGRAM).c_str(),
                                (dir + "\\setup.exe").c_str(), FALSE));
    }

    void Archive(const std::string& path, const std::vector<Member>& members) {
        CArchiveWriter writer(path);
        for (const Member& m : members) {
            const std::string source = m_dir + "\\source-" + m.name;
            WriteFile(source, m.data);
            SetModifyTime(source, m.time);
            ArchiveMemberOptions options;
            options.destinationId = 0;
            options.storedName = m.name;
            writer.AddFile(source, options);
        }
        writer.Finish();
    }

    // A profile in dir whose one component installs the given archive records into m_app.
    void WriteProfile(const std::string& dir, const std::string& records,
                      const std::string& diskettes = "") {
        std::ofstream out(dir + "\\setup.ini", std::ios::binary);
        out << "[general]\r\nApp Title=Demo App\r\nApp Setup=Demo App Setup\r\nPM Group=Demo\r\n"
            << "Display Name=" << kDisplayName << "\r\n"
            << "[destinations]\r\n0=" << m_app << "|-1|\r\n"
            << "[groups]\r\nMain=Program|Main files|1|1|1\r\n"
            << "[Main]\r\n"
            << records << diskettes;
    }

    // Runs the program in dir with arguments and waits (bounded) for it to end by itself.
    RunResult Run(const std::string& program, const std::string& arguments, const std::string& dir,
                  int cancelPage = 0) {
        RunResult result;
        CPageHook hook(m_dir + "\\pages.txt", cancelPage);
        EXPECT_TRUE(hook.IsHooked());
        const DWORD start = ::GetTickCount();
        if (!m_process.Start(program, arguments, dir)) {
            ADD_FAILURE() << "cannot start " << program;
            return result;
        }
        result.ended = m_process.Wait(kRunBoundMs, &result.exitCode);
        result.elapsedMs = ::GetTickCount() - start;
        result.pages = hook.Pages();
        // For the record of how long an unattended run takes here.
        std::printf("[ measured ] %s %s: %lu ms, exit code %lu\n",
                    ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                    arguments.c_str(), static_cast<unsigned long>(result.elapsedMs),
                    static_cast<unsigned long>(result.exitCode));
        return result;
    }

    RunResult RunSetup(const std::string& arguments, int cancelPage = 0) {
        return Run(m_dist + "\\setup.exe", arguments, m_dist, cancelPage);
    }

    // The run ended by itself, with nothing that waits for a person ever shown, on the
    // given last page.
    static void ExpectEndedAlone(const RunResult& result, int lastPage) {
        ASSERT_TRUE(result.ended) << "still running after " << kRunBoundMs << " ms";
        EXPECT_LT(result.elapsedMs, kRunBoundMs);
        // The dialogs that wait for a person: the error report and the Insert Diskette prompt.
        for (int waiting : {IDD_ERROR, IDD_INSERT_DISKETTE}) {
            EXPECT_EQ(std::count(result.pages.begin(), result.pages.end(), waiting), 0) << waiting;
        }
        ASSERT_FALSE(result.pages.empty());
        EXPECT_EQ(result.pages.back(), lastPage);
    }

    // The log is beside the program until the folder page has fixed the application
    // directory, and there from then on.
    std::vector<std::string> Events() const {
        const std::string moved = m_app + "\\install.log";
        return EventLines(FileExists(moved) ? moved : m_dist + "\\install.log");
    }

    std::string m_dir;
    std::string m_dist;
    std::string m_app;
    std::string m_helper;
    gui::CTestProcess m_process;
};

TEST_F(UnattendedRunTest, CompleteInstallEndsWithZeroAndLogsTheChoicesMade) {
    Archive(m_dist + "\\APP.MFA", {{"APP.TXT", "application", kNewTime}});
    WriteProfile(m_dist, "APP.MFA=11|1|1|1|0|\r\n");
    const RunResult result = RunSetup("/B");
    ExpectEndedAlone(result, IDD_COMPLETE);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(ReadFile(m_app + "\\APP.TXT"), "application");

    const std::vector<std::string> events = Events();
    EXPECT_TRUE(HasEventStartingWith(events, "Unattended: Continue with the folder: " + m_app))
        << Joined(events);
    EXPECT_TRUE(HasEventStartingWith(events, "Unattended: Continue with the program group: Demo"))
        << Joined(events);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "Unattended: end of setup: complete, exit code 0");
}

TEST_F(UnattendedRunTest, CancelRequestIsTakenWithoutAskingAndEndsWith1602) {
    WriteProfile(m_dist, "");
    // A Cancel arrives while the Reading page works, as from a script closing the run.
    const RunResult result = RunSetup("/B", IDD_READING);
    ExpectEndedAlone(result, IDD_NOT_COMPLETE);
    EXPECT_EQ(result.exitCode, 1602u);
    EXPECT_EQ(std::count(result.pages.begin(), result.pages.end(), IDD_SELECT_FOLDER), 0);

    const std::vector<std::string> events = Events();
    EXPECT_TRUE(HasEventStartingWith(events, "Unattended: Yes without asking: Demo App  "
                                             "installation not complete. Do you really want "
                                             "to exit Setup?"))
        << Joined(events);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "Unattended: end of setup: cancelled, exit code 1602");
}

TEST_F(UnattendedRunTest, DamagedArchiveStopsTheRunWithTheReportAsEvent) {
    Archive(m_dist + "\\BAD.MFA", {{"VICTIM.DAT", Pattern(40000, 3), kNewTime}});
    Archive(m_dist + "\\LAST.MFA", {{"LAST.TXT", "last", kNewTime}});
    {
        std::string bytes = ReadFile(m_dist + "\\BAD.MFA");
        for (std::size_t i = bytes.size() - 2000; i < bytes.size() - 1900; ++i) {
            bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
        }
        WriteFile(m_dist + "\\BAD.MFA", bytes);
    }
    WriteProfile(m_dist, "BAD.MFA=40000|1|1|1|0|\r\nLAST.MFA=4|1|1|1|0|\r\n");
    const RunResult result = RunSetup("/B");
    ExpectEndedAlone(result, IDD_NOT_COMPLETE);
    EXPECT_EQ(result.exitCode, 1603u);
    // The report's answer was Cancel Operation: the run stopped before the next archive.
    EXPECT_FALSE(FileExists(m_app + "\\LAST.TXT"));
    EXPECT_FALSE(FileExists(m_app + "\\VICTIM.DAT"));

    const std::vector<std::string> events = Events();
    const std::string report = "Unattended: Cancel Operation after: Cannot install files from "
                               "'BAD.MFA': ";
    auto line = std::find_if(events.begin(), events.end(),
                             [&](const std::string& e) { return e.rfind(report, 0) == 0; });
    ASSERT_NE(line, events.end()) << Joined(events);
    // The short text and the error code line of the report follow.
    EXPECT_GT(line->size(), report.size() + 4);
    EXPECT_NE(line->find(" (17."), std::string::npos) << *line;
    EXPECT_EQ(events.back(), "Unattended: end of setup: failed, exit code 1603");
}

// The file records made before a damaged archive are on disk when its report is logged, as
// they are while an attended run shows the report: the log is watched while the run goes on,
// and the first settled text that holds the report line holds the records too.
TEST_F(UnattendedRunTest, DamagedArchiveIsLoggedAfterTheEarlierRecordsAreSaved) {
    constexpr DWORD kSettledMs = 5;
    Archive(m_dist + "\\BAD.MFA",
            {{"GOOD.TXT", "fine", kNewTime}, {"VICTIM.DAT", Pattern(40000, 3), kNewTime}});
    {
        std::string bytes = ReadFile(m_dist + "\\BAD.MFA");
        for (std::size_t i = bytes.size() - 2000; i < bytes.size() - 1900; ++i) {
            bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
        }
        WriteFile(m_dist + "\\BAD.MFA", bytes);
    }
    WriteProfile(m_dist, "BAD.MFA=40004|1|2|1|0|\r\n");
    // A large removal helper beside the program: placing it after the report takes a while,
    // so the log as the report leaves it stays long enough to be seen.
    WriteFile(m_dist + "\\_xktinst.exe", std::string(48u << 20, 'h'));
    char system[MAX_PATH];
    ::GetSystemDirectoryA(system, MAX_PATH);
    m_helper = std::string(system) + "\\_xktinst.exe";
    CLogWatch inApp(m_app + "\\install.log");
    CLogWatch inDist(m_dist + "\\install.log");
    // Started without waiting for its message loop: by then the run may be over.
    ASSERT_TRUE(m_process.Start(m_dist + "\\setup.exe", "/B", m_dist, false));
    std::string atReport;
    const DWORD start = ::GetTickCount();
    while (atReport.empty() && m_process.IsRunning() && ::GetTickCount() - start < kRunBoundMs) {
        for (CLogWatch* log : {&inApp, &inDist}) {
            const std::string text = log->ChangedText(kSettledMs);
            if (text.find("Unattended: Cancel Operation after:") != std::string::npos) {
                atReport = text;
            }
        }
    }
    DWORD exitCode = 0;
    ASSERT_TRUE(m_process.Wait(kRunBoundMs, &exitCode));
    EXPECT_EQ(exitCode, 1603u);
    ASSERT_FALSE(atReport.empty()) << "no report line seen in the log";
    EXPECT_NE(atReport.find("GOOD.TXT=0|1|0"), std::string::npos) << atReport;
}

TEST_F(UnattendedRunTest, MissingDisketteIsLookedForInNumberedFoldersThenGivenUp) {
    // DISK01 holds the program; diskette 2 is found in DISK02, diskette 3 nowhere.
    const std::string disk1 = m_dist + "\\DISK01";
    const std::string disk2 = m_dist + "\\DISK02";
    ASSERT_TRUE(::CreateDirectoryA(disk1.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(disk2.c_str(), nullptr));
    CopySetup(disk1);
    Archive(disk1 + "\\ONE.MFA", {{"ONE.TXT", "one", kNewTime}});
    Archive(disk2 + "\\TWO.MFA", {{"TWO.TXT", "two", kNewTime}});
    WriteProfile(disk1, "ONE.MFA=3|1|1|1|0|\r\nTWO.MFA=3|1|1|2|0|\r\nTHREE.MFA=5|1|1|3|0|\r\n",
                 "[diskettes]\r\n3=Extras Disk\r\n");
    const RunResult result = Run(disk1 + "\\setup.exe", "/B", disk1);
    ExpectEndedAlone(result, IDD_NOT_COMPLETE);
    EXPECT_EQ(result.exitCode, 1603u);
    EXPECT_EQ(ReadFile(m_app + "\\ONE.TXT"), "one");
    EXPECT_EQ(ReadFile(m_app + "\\TWO.TXT"), "two");

    const std::vector<std::string> events = EventLines(m_app + "\\install.log");
    // The prompt's own text, and the very file it would have waited for.
    const std::string drive = m_dist.substr(0, 1);
    EXPECT_TRUE(HasEventStartingWith(events, "Unattended: Cancel after: Please insert the "
                                             "diskette labelled 'Extras Disk' in drive " +
                                                 drive + ": (" + disk2 + "\\THREE.MFA not found)"))
        << Joined(events);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "Unattended: end of setup: failed, exit code 1603");
}

// Attended, the same missing diskette is the user's choice: Cancel on the prompt is a cancel.
TEST_F(UnattendedRunTest, AttendedRefusedDisketteEndsWith1602) {
    Archive(m_dist + "\\ONE.MFA", {{"ONE.TXT", "one", kNewTime}});
    WriteProfile(m_dist, "ONE.MFA=3|1|1|1|0|\r\nTWO.MFA=3|1|1|2|0|\r\n");
    ASSERT_TRUE(m_process.Start(m_dist + "\\setup.exe", "", m_dist));
    for (int page : {IDD_WELCOME, IDD_SELECT_FOLDER, IDD_SELECT_GROUP}) {
        ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), page, kRunBoundMs)) << page;
        ASSERT_TRUE(gui::PressButton(gui::FindDialog(m_process.GetId(), page), IDOK));
    }
    HWND prompt = gui::WaitForDialog(m_process.GetId(), IDD_INSERT_DISKETTE, kRunBoundMs);
    ASSERT_NE(prompt, nullptr);
    ASSERT_TRUE(gui::PressButton(prompt, IDCANCEL));
    ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_NOT_COMPLETE, kRunBoundMs));
    ASSERT_TRUE(gui::PressButton(gui::FindDialog(m_process.GetId(), IDD_NOT_COMPLETE), IDOK));
    DWORD exitCode = 0;
    ASSERT_TRUE(m_process.Wait(kRunBoundMs, &exitCode));
    EXPECT_EQ(exitCode, 1602u);
    // Attended runs write no unattended answers.
    for (const std::string& event : Events()) {
        EXPECT_NE(event.rfind("Unattended: ", 0), 0u) << event;
    }
}

TEST_F(UnattendedRunTest, MissingProfileEndsWith1603AndTheReportAsEvent) {
    const RunResult result = RunSetup("/B");
    ExpectEndedAlone(result, IDD_NOT_COMPLETE);
    EXPECT_EQ(result.exitCode, 1603u);
    const std::vector<std::string> events = Events();
    EXPECT_TRUE(HasEventStartingWith(events, "Unattended: OK after: Setup cannot continue: "
                                             "Incomplete or missing profile. (9."))
        << Joined(events);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "Unattended: end of setup: failed, exit code 1603");
}

TEST_F(UnattendedRunTest, FileInUseIsReplacedAtRestartAndEndsWith3010) {
    CPendingRenamesGuard pendingRenames;
    ASSERT_TRUE(::CreateDirectoryA(m_app.c_str(), nullptr));
    const std::string locked = m_app + "\\LOCKED.DAT";
    WriteFile(locked, "old");
    SetModifyTime(locked, kOldTime);
    Archive(m_dist + "\\APP.MFA",
            {{"LOCKED.DAT", "new", kNewTime}, {"FREE.TXT", "free", kNewTime}});
    WriteProfile(m_dist, "APP.MFA=7|1|2|1|0|\r\n");

    // Held open without delete sharing, as by a running program.
    HANDLE holder = ::CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const RunResult result = RunSetup("/B");
    ::CloseHandle(holder);
    ExpectEndedAlone(result, IDD_COMPLETE);
    EXPECT_EQ(result.exitCode, 3010u);
    EXPECT_EQ(ReadFile(locked), "old");
    EXPECT_EQ(ReadFile(m_app + "\\FREE.TXT"), "free");

    // The replacement waits for the restart.
    std::string pending;
    DWORD type = 0;
    ASSERT_TRUE(ReadMachineValue(kSessionManager, kPendingRenames, pending, type));
    EXPECT_NE(pending.find("LOCKED.DAT"), std::string::npos);

    const std::vector<std::string> events = Events();
    EXPECT_TRUE(HasEventStartingWith(events, "Unattended: restart needed: " + locked +
                                                 " is in use and is replaced at the next restart"))
        << Joined(events);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "Unattended: end of setup: restart needed, exit code 3010");
}

// The registered removal command with /Y removes the installation with nobody at the
// screen: the confirmation answers itself, and every page after it runs by itself.
TEST_F(UnattendedRunTest, RegisteredRemovalCommandWithConfirmOptionRemovesAlone) {
    Archive(m_dist + "\\APP.MFA", {{"APP.TXT", "application", kNewTime}});
    WriteProfile(m_dist, "APP.MFA=11|1|1|1|0|\r\n");
    const RunResult install = RunSetup("/B");
    ExpectEndedAlone(install, IDD_COMPLETE);
    ASSERT_EQ(install.exitCode, 0u);
    ASSERT_TRUE(FileExists(m_app + "\\APP.TXT"));

    std::string command;
    DWORD type = 0;
    ASSERT_TRUE(ReadMachineValue((std::string(kUninstallKey) + kDisplayName).c_str(),
                                 "UninstallString", command, type));
    command.resize(std::min(command.size(), command.find('\0')));
    // "<program> /U", the program in double quotes when its path holds a blank.
    std::string program;
    std::string arguments;
    if (!command.empty() && command.front() == '"') {
        const std::size_t close = command.find('"', 1);
        ASSERT_NE(close, std::string::npos) << command;
        program = command.substr(1, close - 1);
        arguments = command.substr(close + 1);
    } else {
        const std::size_t blank = command.find(' ');
        program = command.substr(0, blank);
        arguments = blank == std::string::npos ? "" : command.substr(blank);
    }
    EXPECT_EQ(arguments, " /U") << command;
    const std::string appDir = program.substr(0, program.find_last_of('\\'));
    // The program, its profile and the install log are in the application directory once the
    // installation puts them there; until then the test puts them there itself.
    if (!FileExists(program)) {
        CopySetup(appDir);
        ASSERT_TRUE(
            ::CopyFileA((m_dist + "\\setup.ini").c_str(), (appDir + "\\setup.ini").c_str(), FALSE));
        ASSERT_TRUE(::CopyFileA((m_dist + "\\install.log").c_str(),
                                (appDir + "\\install.log").c_str(), FALSE));
    }
    // The removal helper's stand-in records that it was started, and leaves the log alone.
    char system[MAX_PATH];
    ::GetSystemDirectoryA(system, MAX_PATH);
    m_helper = std::string(system) + "\\_xktinst.exe";
    ASSERT_TRUE(
        ::CopyFileA(gui::WindowsPath(REMOVAL_HELPER_STAND_IN).c_str(), m_helper.c_str(), FALSE));

    const RunResult removal = Run(program, arguments.substr(1) + " /Y", appDir);
    ExpectEndedAlone(removal, IDD_REMOVED);
    EXPECT_EQ(removal.exitCode, 0u);
    EXPECT_EQ(removal.pages, (std::vector<int>{IDD_REMOVE_CONFIRM, IDD_READING, IDD_REMOVING,
                                               IDD_UNREGISTERING, IDD_REMOVED}));
    EXPECT_FALSE(FileExists(m_app + "\\APP.TXT"));
    std::string ignored;
    EXPECT_FALSE(ReadMachineValue((std::string(kUninstallKey) + kDisplayName).c_str(),
                                  "UninstallString", ignored, type));
    EXPECT_TRUE(
        gui::WaitUntil([&] { return FileExists(appDir + "\\removal-helper.txt"); }, kRunBoundMs));

    const std::vector<std::string> events = EventLines(appDir + "\\install.log");
    EXPECT_TRUE(HasEventStartingWith(events, "Unattended: Continue without asking (option Y): "
                                             "You have chosen to remove Demo App."))
        << Joined(events);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "Unattended: end of setup: complete, exit code 0");
}

TEST_F(UnattendedRunTest, HelpOptionShowsOptionsAndExitCodes) {
    ASSERT_TRUE(m_process.Start(m_dist + "\\setup.exe", "/?", m_dist));
    HWND box = gui::WaitForMessageBox(m_process.GetId(), kRunBoundMs);
    ASSERT_NE(box, nullptr);
    std::string text;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        text += gui::WindowText(child) + "\n";
    }
    for (const char* part : {"/B", "/Y", "/U", "1602", "1603", "3010"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
    }
    EXPECT_TRUE(gui::SaveWindowPng(box, gui::ScreenshotPath("setup-help")));
    ASSERT_TRUE(gui::PressButton(box, IDOK));
    DWORD exitCode = 1;
    ASSERT_TRUE(m_process.Wait(kRunBoundMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);

    // Unattended, nothing is shown: the run ends at once.
    const RunResult quiet = RunSetup("/B /?");
    ASSERT_TRUE(quiet.ended);
    EXPECT_EQ(quiet.exitCode, 0u);
    EXPECT_TRUE(quiet.pages.empty());
}

} // namespace
