// The setup program installing a small distribution under Wine: archives written with the
// archive writer, a profile, an unattended run. Checks the installed files with their times
// and attributes, the replacement rule over present libraries, the install log, and a
// damaged archive that is reported while everything else is installed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GuiHarness.h"
#include "archive/ArchiveWriter.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kTimeoutMs = 60000;
constexpr std::int64_t kAppTime = 1100000000;
constexpr std::int64_t kNewLibraryTime = 1700000000;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

std::string Pattern(std::size_t n, unsigned seed) {
    std::string bytes(n, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

FILETIME ToFileTime(std::int64_t seconds) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(seconds) + 11644473600ull) * 10000000ull;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::int64_t ModifyTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ull) - 11644473600ll;
}

void SetModifyTime(const std::string& path, std::int64_t seconds) {
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME time = ToFileTime(seconds);
    ::SetFileTime(file, nullptr, nullptr, &time);
    ::CloseHandle(file);
}

std::string Profile(const std::string& file, const std::string& section, const std::string& key) {
    char value[512] = {};
    ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", value, sizeof(value),
                               file.c_str());
    return value;
}

std::vector<std::string> FileNames(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(entry.cFileName);
            }
        } while (::FindNextFileA(search, &entry));
        ::FindClose(search);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The program's message box (a dialog without template id), or nullptr.

struct Member {
    std::string name;
    std::string data;     // written to a source file unless fromFile is set
    std::string fromFile; // an existing file to archive instead
    std::int16_t destination;
    std::int64_t time;
    DWORD attributes;
};

class SetupInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = gui::MakeTempDirectory("sti");
        ASSERT_FALSE(m_dir.empty());
        m_dist = m_dir + "\\DIST";
        m_app = m_dir + "\\APP";
        ASSERT_TRUE(::CreateDirectoryA(m_dist.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryA(m_app.c_str(), nullptr));
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SETUP_PROGRAM).c_str(),
                                (m_dist + "\\setup.exe").c_str(), FALSE));
    }

    void TearDown() override {
        m_process.Kill();
        m_process.Wait(5000);
        gui::RemoveShellGroup("Demo");
        gui::RemoveTree(m_dir);
    }

    // Writes an archive into the distribution directory.
    void Archive(const std::string& archiveName, const std::vector<Member>& members) {
        CArchiveWriter writer(m_dist + "\\" + archiveName);
        for (const Member& m : members) {
            std::string flat = m.name;
            std::replace(flat.begin(), flat.end(), '\\', '_');
            std::string source = m.fromFile;
            if (source.empty()) {
                source = m_dir + "\\source-" + flat;
                WriteFile(source, m.data);
            } else {
                std::string copy = m_dir + "\\source-" + flat;
                ASSERT_TRUE(::CopyFileA(source.c_str(), copy.c_str(), FALSE));
                source = copy;
            }
            SetModifyTime(source, m.time);
            ::SetFileAttributesA(source.c_str(), m.attributes);
            ArchiveMemberOptions options;
            options.destinationId = m.destination;
            options.storedName = m.name;
            writer.AddFile(source, options);
            ::SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        writer.Finish();
    }

    void WriteProfile(const std::string& records) {
        std::ofstream out(m_dist + "\\setup.ini", std::ios::binary);
        out << "[general]\r\nApp Title=Demo App\r\nApp Setup=Demo App Setup\r\nPM Group=Demo\r\n"
            << "[destinations]\r\n0=" << m_app << "|-1|\r\n1=DATA|0|\r\n"
            << "[groups]\r\nMain=Program|Main files|1|1|1\r\n"
            << "[Main]\r\n"
            << records << "[targets]\r\nreadme.txt=0|-1|0|Read Me|-n\r\n";
    }

    std::string Fixture(const std::string& name) const {
        return gui::WindowsPath(SETUP_VERSION_FIXTURE_DIR) + name;
    }

    std::string m_dir;
    std::string m_dist;
    std::string m_app;
    gui::CTestProcess m_process;
};

TEST_F(SetupInstallTest, InstallsDistributionKeepsNewerLibraryAndSurvivesDamagedArchive) {
    const std::string appData = Pattern(20000, 1);
    Archive("APP.MFA", {{"BIN\\APP.EXE", appData, "", 0, kAppTime, FILE_ATTRIBUTE_READONLY},
                        {"DATA.DAT", Pattern(3000, 2), "", 1, kAppTime, FILE_ATTRIBUTE_HIDDEN},
                        // An older version than the present one, although dated later: kept out.
                        {"KEEP.DLL", "", Fixture("ver_4_0_0_0.dll"), 0, kNewLibraryTime, 0},
                        // A newer version than the present one: replaces it.
                        {"NEWER.DLL", "", Fixture("ver_4_0_0_1.dll"), 0, kNewLibraryTime, 0}});
    Archive("BAD.MFA", {{"GOOD.TXT", "fine", "", 0, kAppTime, 0},
                        {"VICTIM.DAT", Pattern(40000, 3), "", 0, kAppTime, 0}});
    Archive("LAST.MFA", {{"LAST.TXT", "last", "", 0, kAppTime, 0}});
    WriteFile(m_dist + "\\README.TXT", "read me");
    // Damage the coded data of BAD.MFA's second member.
    {
        std::string bytes = ReadFile(m_dist + "\\BAD.MFA");
        for (std::size_t i = bytes.size() - 2000; i < bytes.size() - 1900; ++i) {
            bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
        }
        WriteFile(m_dist + "\\BAD.MFA", bytes);
    }
    WriteProfile("APP.MFA=50000|1|4|1|0|\r\nREADME.TXT=7|0|1|1|0|\r\nBAD.MFA=40004|1|2|1|0|\r\n"
                 "LAST.MFA=4|1|1|1|0|\r\n");

    // Present copies: a newer library, an older one, and a file the damaged member would
    // replace.
    ASSERT_TRUE(
        ::CopyFileA(Fixture("ver_4_0_0_1.dll").c_str(), (m_app + "\\KEEP.DLL").c_str(), FALSE));
    ASSERT_TRUE(
        ::CopyFileA(Fixture("ver_4_0_0_0.dll").c_str(), (m_app + "\\NEWER.DLL").c_str(), FALSE));
    WriteFile(m_app + "\\VICTIM.DAT", "precious");
    SetModifyTime(m_app + "\\VICTIM.DAT", 900000000);
    const std::string keptLibrary = ReadFile(m_app + "\\KEEP.DLL");

    // Attended, so that the report waits for the user (an unattended run stops instead).
    ASSERT_TRUE(m_process.Start(m_dist + "\\setup.exe", "", m_dist));
    for (int page : {IDD_WELCOME, IDD_SELECT_FOLDER, IDD_SELECT_GROUP}) {
        ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), page, kTimeoutMs)) << page;
        ASSERT_TRUE(gui::PressButton(gui::FindDialog(m_process.GetId(), page), IDOK));
    }
    // The damaged archive is reported with the archive's name; Continue goes on.
    ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_ERROR, kTimeoutMs))
        << "current " << gui::CurrentDialogId(m_process.GetId());
    HWND report = gui::FindDialog(m_process.GetId(), IDD_ERROR);
    ASSERT_NE(report, nullptr);
    bool named = false;
    for (HWND child = ::GetWindow(report, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        named = named || gui::WindowText(child) == "Cannot install files from 'BAD.MFA':";
    }
    EXPECT_TRUE(named);
    ASSERT_TRUE(gui::PressButton(report, IDOK));
    ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_COMPLETE, kTimeoutMs));
    ASSERT_TRUE(gui::PressButton(gui::FindDialog(m_process.GetId(), IDD_COMPLETE), IDOK));
    DWORD exitCode = 0;
    ASSERT_TRUE(m_process.Wait(kTimeoutMs, &exitCode));
    // The run went on, but the damaged archive's files are missing: not a success.
    EXPECT_EQ(exitCode, 1603u);

    // Installed files with their data, times and attributes; a stored directory part is
    // dropped; the other destination's directory was made.
    EXPECT_EQ(ReadFile(m_app + "\\APP.EXE"), appData);
    EXPECT_EQ(ModifyTime(m_app + "\\APP.EXE"), kAppTime);
    EXPECT_TRUE(::GetFileAttributesA((m_app + "\\APP.EXE").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadFile(m_app + "\\DATA\\DATA.DAT"), Pattern(3000, 2));
    EXPECT_TRUE(::GetFileAttributesA((m_app + "\\DATA\\DATA.DAT").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ReadFile(m_app + "\\README.TXT"), "read me");
    EXPECT_EQ(ReadFile(m_app + "\\LAST.TXT"), "last");
    // The newer-versioned library stays; the older one is replaced.
    EXPECT_EQ(ReadFile(m_app + "\\KEEP.DLL"), keptLibrary);
    EXPECT_EQ(ReadFile(m_app + "\\NEWER.DLL"), ReadFile(Fixture("ver_4_0_0_1.dll")));
    // The damaged archive: its first member is installed, the present copy of the damaged
    // one is untouched, and no temporary file is left.
    EXPECT_EQ(ReadFile(m_app + "\\GOOD.TXT"), "fine");
    EXPECT_EQ(ReadFile(m_app + "\\VICTIM.DAT"), "precious");
    // The setup program and its profile came along, and the log is written beside them.
    EXPECT_EQ(FileNames(m_app),
              (std::vector<std::string>{"APP.EXE", "GOOD.TXT", "KEEP.DLL", "LAST.TXT", "NEWER.DLL",
                                        "README.TXT", "VICTIM.DAT", "install.log", "setup.exe",
                                        "setup.ini"}));
    EXPECT_EQ(ReadFile(m_app + "\\setup.exe"), ReadFile(m_dist + "\\setup.exe"));
    EXPECT_EQ(ReadFile(m_app + "\\setup.ini"), ReadFile(m_dist + "\\setup.ini"));
    EXPECT_FALSE(::GetFileAttributesA((m_dist + "\\install.log").c_str()) !=
                 INVALID_FILE_ATTRIBUTES);

    const std::string log = m_app + "\\install.log";
    EXPECT_EQ(Profile(log, "Main", "setup.exe"), "0|1|0");
    EXPECT_EQ(Profile(log, "Main", "setup.ini"), "0|1|0");
    EXPECT_EQ(Profile(log, "Main", "APP.EXE"), "0|1|0");
    EXPECT_EQ(Profile(log, "Main", "DATA.DAT"), "1|1|0");
    EXPECT_EQ(Profile(log, "Main", "KEEP.DLL"), "0|0|0");
    EXPECT_EQ(Profile(log, "Main", "NEWER.DLL"), "0|1|1");
    EXPECT_EQ(Profile(log, "Main", "README.TXT"), "0|1|0");
    EXPECT_EQ(Profile(log, "Main", "GOOD.TXT"), "0|1|0");
    EXPECT_EQ(Profile(log, "Main", "VICTIM.DAT"), "<none>");
    EXPECT_EQ(Profile(log, "Main", "LAST.TXT"), "0|1|0");
    EXPECT_NE(Profile(log, "destinations", "0").find("|-1|" + m_app + "\\"), std::string::npos);
    EXPECT_EQ(Profile(log, "groups", "Main"), "Program|Main files|1|1|1");
    // The program group was made (its items depend on what the shell accepts).
    EXPECT_TRUE(gui::RemoveShellGroup("Demo"));
    EXPECT_EQ(Profile(log, "targets", "README.TXT"),
              "0|-1|0|Read Me|-n||" + m_app + "\\README.TXT");
}

// Cancel on the copy page is asked about while the files are being expanded; Yes stops the
// run: page 116, the files installed so far stay and are logged, no temporary file is left
// and no program group is made.
TEST_F(SetupInstallTest, CancelOnCopyPageStopsTheRun) {
    constexpr int kMembers = 400;
    std::vector<Member> members;
    for (int i = 0; i < kMembers; ++i) {
        members.push_back(
            {"M" + std::to_string(i) + ".DAT", Pattern(12000, i), "", 0, kAppTime, 0});
    }
    Archive("MANY.MFA", members);
    WriteProfile("MANY.MFA=4800000|1|400|1|0|\r\n");

    ASSERT_TRUE(m_process.Start(m_dist + "\\setup.exe", "", m_dist));
    for (int page : {IDD_WELCOME, IDD_SELECT_FOLDER, IDD_SELECT_GROUP}) {
        ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), page, kTimeoutMs)) << page;
        ASSERT_TRUE(gui::PressButton(gui::FindDialog(m_process.GetId(), page), IDOK));
    }
    ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_COPYING, kTimeoutMs));
    HWND copy = gui::FindDialog(m_process.GetId(), IDD_COPYING);
    // The page shows the archive and the file being written.
    ASSERT_TRUE(gui::WaitUntil(
        [&] { return !gui::ControlText(copy, IDC_DESTINATION_FILE).empty(); }, kTimeoutMs));
    EXPECT_EQ(gui::ControlText(copy, IDC_SOURCE_FILE), "MANY.MFA");
    EXPECT_EQ(gui::ControlText(copy, IDC_DESTINATION_FILE).rfind(m_app + "\\M", 0), 0u);
    ASSERT_TRUE(gui::PressButton(copy, IDCANCEL));
    HWND box = gui::WaitForMessageBox(m_process.GetId(), kTimeoutMs);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(gui::PressButton(box, IDYES));
    ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_NOT_COMPLETE, kTimeoutMs));
    ASSERT_TRUE(gui::PressButton(gui::FindDialog(m_process.GetId(), IDD_NOT_COMPLETE), IDOK));
    ASSERT_TRUE(m_process.Wait(kTimeoutMs));

    std::vector<std::string> installed = FileNames(m_app);
    // The setup program and its profile are placed also after a cancel, so that the part
    // that was installed can be removed.
    for (const char* own : {"setup.exe", "setup.ini", "install.log"}) {
        const auto it = std::find(installed.begin(), installed.end(), own);
        ASSERT_NE(it, installed.end()) << own;
        installed.erase(it);
    }
    EXPECT_LT(installed.size(), static_cast<std::size_t>(kMembers));
    const std::string log = m_app + "\\install.log";
    EXPECT_EQ(Profile(log, "Main", "setup.exe"), "0|1|0");
    for (const std::string& name : installed) {
        EXPECT_EQ(name.rfind('M', 0), 0u) << name;
        EXPECT_EQ(Profile(log, "Main", name), "0|1|0") << name;
    }
    // The collections are logged so that a removal can take the installed files away.
    EXPECT_EQ(Profile(log, "groups", "Main"), "Program|Main files|1|1|1");
    EXPECT_FALSE(gui::RemoveShellGroup("Demo", 1000));
}

} // namespace
