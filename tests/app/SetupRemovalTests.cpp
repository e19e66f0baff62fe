// Installation and removal end to end under Wine: a two-diskette distribution (installed also
// from a read-only view of it), the removal started with the exact command the installation
// registered, a second installation over the first, and a file the removal helper cannot
// delete. Afterwards nothing of the application may be left but what the rules keep: files
// of the system directory (their counts released), help files still counted by others.
//
// Program Manager is the engine tests' recording server answering as "PROGMAN", so that the
// commands can be checked and the emptied group is reported empty.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GuiHarness.h"
#include "archive/ArchiveWriter.h"
#include "engine/ProgramManager.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kTimeoutMs = 120000;
constexpr const char* kAppDir = "C:\\RMVTEST APP";
constexpr const char* kGroup = "Removal Demo";
constexpr const char* kAppPathKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\RMVDEMO.EXE";
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Removal Demo Application";
constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr std::int64_t kMemberTime = 1100000000;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(::toupper(c)); });
    return text;
}

std::string LogValue(const std::string& file, const char* section, const char* key) {
    char value[512] = {};
    ::GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file.c_str());
    return value;
}

std::string RegistryString(const std::string& subkey, const char* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<no key>";
    }
    char buffer[1024] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer - 1;
    const LONG result =
        ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? buffer : "<absent>";
}

// The SharedDLLs count of a path; 0 when it has none.
DWORD SharedCount(const std::string& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD count = 0;
    DWORD size = sizeof count;
    if (::RegQueryValueExA(key, path.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&count),
                           &size) != ERROR_SUCCESS) {
        count = 0;
    }
    ::RegCloseKey(key);
    return count;
}

void SetSharedCount(const std::string& path, DWORD count) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (count == 0) {
        ::RegDeleteValueA(key, path.c_str());
    } else {
        ::RegSetValueExA(key, path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                         sizeof count);
    }
    ::RegCloseKey(key);
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
    if (::RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
        for (const char* p = data.data(); p < data.data() + size; p += std::strlen(p) + 1) {
            entries.push_back(Upper(p));
        }
    }
    ::RegCloseKey(key);
    return entries;
}

bool IsPending(const std::string& path) {
    const std::string wanted = Upper(path);
    for (const std::string& entry : PendingOperations()) {
        if (entry.size() >= wanted.size() &&
            entry.compare(entry.size() - wanted.size(), wanted.size(), wanted) == 0) {
            return true;
        }
    }
    return false;
}

// Every file and directory below dir, as paths relative to it, sorted.
void ListTree(const std::string& dir, const std::string& prefix, std::vector<std::string>& out) {
    WIN32_FIND_DATAA entry;
    HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        out.push_back(prefix + name);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ListTree(dir + "\\" + name, prefix + name + "\\", out);
        }
    } while (::FindNextFileA(search, &entry));
    ::FindClose(search);
}

std::vector<std::string> Tree(const std::string& dir) {
    std::vector<std::string> names;
    ListTree(dir, "", names);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Pattern(std::size_t n, unsigned seed) {
    std::string bytes(n, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

void SetModifyTime(const std::string& path, std::int64_t seconds) {
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(seconds) + 11644473600ull) * 10000000ull;
    FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    ::SetFileTime(file, nullptr, nullptr, &time);
    ::CloseHandle(file);
}

struct Member {
    std::string name;
    std::int16_t destination;
};

class SetupRemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_scratch = gui::MakeTempDirectory("rmv");
        ASSERT_FALSE(m_scratch.empty());
        char buffer[MAX_PATH];
        ::GetSystemDirectoryA(buffer, MAX_PATH);
        m_systemDir = buffer;
        ::GetWindowsDirectoryA(buffer, MAX_PATH);
        m_helpDir = std::string(buffer) + "\\help";
        ::CreateDirectoryA(m_helpDir.c_str(), nullptr);
        CleanMachine();
        // Another application's copy of a help file that the distribution carries too: newer
        // than ours, counted twice.
        WriteFile(HelpFile("RMVOTHER.HLP"), "other application's help");
        SetModifyTime(HelpFile("RMVOTHER.HLP"), kMemberTime + 1000);
        SetSharedCount(HelpFile("RMVOTHER.HLP"), 2);
        ASSERT_TRUE(StartProgmanServer());
    }

    void TearDown() override {
        m_process.Kill();
        m_process.Wait(5000);
        m_server.Kill();
        m_server.Wait(5000);
        CleanMachine();
        gui::RemoveTree(m_scratch);
    }

    // Nothing of an earlier run: the application, the system and help files with their
    // counts, the registry entries, restart operations, the shell's group folder.
    void CleanMachine() {
        gui::RemoveTree(kAppDir);
        for (const std::string& file : {SystemFile("_xktinst.exe"), SystemFile("RMVSHARE.DLL"),
                                        HelpFile("RMVHELP.HLP"), HelpFile("RMVOTHER.HLP")}) {
            ::DeleteFileA(file.c_str());
            SetSharedCount(file, 0);
        }
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathKey);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key) ==
            ERROR_SUCCESS) {
            ::RegDeleteValueA(key, "PendingFileRenameOperations");
            ::RegCloseKey(key);
        }
        gui::RemoveShellGroup(kGroup, 0);
    }

    std::string SystemFile(const std::string& name) const { return m_systemDir + "\\" + name; }
    std::string HelpFile(const std::string& name) const { return m_helpDir + "\\" + name; }
    static std::string AppFile(const std::string& name) {
        return std::string(kAppDir) + "\\" + name;
    }

    // The recording Program Manager; restarted until it is the one that answers "PROGMAN"
    // (the shell's server of Wine's desktop process may come up later and take over).
    bool StartProgmanServer() {
        const std::string groups = m_scratch + "\\groups.txt";
        const std::string items = m_scratch + "\\items.txt";
        WriteFile(groups, "Accessories\r\nRmv Marker Group\r\n");
        // A group's contents: its own line and no item, so the removal may delete it.
        WriteFile(items, "\"Removal Demo\",removal.grp,0\r\n");
        m_record = m_scratch + "\\progman.txt";
        for (int attempt = 0; attempt < 5; ++attempt) {
            m_server.Kill();
            m_server.Wait(5000);
            const std::string ready = m_scratch + "\\ready.txt";
            ::DeleteFileA(ready.c_str());
            if (!m_server.Start(gui::WindowsPath(PROGMAN_TEST_SERVER),
                                "--ready \"" + ready + "\" --groups \"" + groups +
                                    "\" --group-items \"" + items + "\" --record \"" + m_record +
                                    "\" --lifetime 600000") ||
                !gui::WaitUntil([&] { return Exists(ready); }, kTimeoutMs)) {
                return false;
            }
            CDdeClient client;
            std::string list;
            if (client.Initialize() && client.Connect("PROGMAN", "PROGMAN") &&
                client.Request("Progman", list) &&
                list.find("Rmv Marker Group") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    // Writes an archive of the given members (data seeded by their names) to path.
    void Archive(const std::string& path, const std::vector<Member>& members) {
        CArchiveWriter writer(path);
        for (const Member& m : members) {
            const std::string source = m_scratch + "\\src-" + m.name;
            WriteFile(source,
                      Pattern(1000 + m.name.size() * 100, static_cast<unsigned>(m.name[0])));
            SetModifyTime(source, kMemberTime);
            ArchiveMemberOptions options;
            options.destinationId = m.destination;
            options.storedName = m.name;
            writer.AddFile(source, options);
        }
        writer.Finish();
    }

    // A two-diskette distribution in root: DISK01 with the setup program, the removal helper,
    // the profile and the first archive; DISK02 with the second archive.
    void WriteDistribution(const std::string& root) {
        const std::string disk1 = root + "\\DISK01";
        const std::string disk2 = root + "\\DISK02";
        ASSERT_TRUE(::CreateDirectoryA(disk1.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryA(disk2.c_str(), nullptr));
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SETUP_PROGRAM).c_str(),
                                (disk1 + "\\setup.exe").c_str(), FALSE));
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(REMOVAL_HELPER).c_str(),
                                (disk1 + "\\_xktinst.exe").c_str(), FALSE));
        Archive(disk1 + "\\APP.MFA", {{"RMVDEMO.EXE", 0},
                                      {"README.TXT", 0},
                                      {"RMVSHARE.DLL", -3},
                                      {"RMVHELP.HLP", -8},
                                      {"RMVOTHER.HLP", -8}});
        Archive(disk2 + "\\DOCS.MFA", {{"GUIDE.TXT", 1}});
        WriteFile(disk1 + "\\setup.ini",
                  "[general]\r\nApp Title=Removal Demo\r\nApp Setup=Removal Demo Setup\r\n"
                  "PM Group=Removal Demo\r\nPrimary NameExtension=RMVDEMO.EXE\r\n"
                  "Display Name=Removal Demo Application\r\n"
                  "[destinations]\r\n0=RMVTEST APP|-1|\r\n1=DATA\\DOCS|0|\r\n"
                  "[groups]\r\nMain=Program|Main files|1|1|1\r\n"
                  "[Main]\r\nAPP.MFA=9000|1|5|1|0|\r\nDOCS.MFA=2000|1|1|2|0|\r\n"
                  "[diskettes]\r\n1=Removal Demo 1|\r\n2=Removal Demo 2|\r\n"
                  "[targets]\r\nreadme.txt=0|-1|0|Read Me|-n\r\n");
    }

    void Install(const std::string& disk1) {
        ASSERT_TRUE(m_process.Start(disk1 + "\\setup.exe", "/B", disk1));
        DWORD exitCode = 1;
        ASSERT_TRUE(m_process.Wait(kTimeoutMs, &exitCode))
            << "current page " << gui::CurrentDialogId(m_process.GetId());
        EXPECT_EQ(exitCode, 0u);
        ASSERT_TRUE(Exists(AppFile("install.log")));
    }

    // Starts the registered removal command exactly as the system would, confirms 1545 and
    // the final page, and waits until the program has ended.
    void RunRegisteredRemoval() {
        std::string command = RegistryString(kUninstallKey, "UninstallString");
        ASSERT_EQ(command, std::string("\"") + kAppDir + "\\setup.exe\" /U");
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     "C:\\", &startup, &info));
        ::CloseHandle(info.hThread);
        const DWORD id = info.dwProcessId;
        HWND confirm = gui::WaitForDialog(id, IDD_REMOVE_CONFIRM, kTimeoutMs);
        EXPECT_NE(confirm, nullptr) << "current page " << gui::CurrentDialogId(id);
        if (confirm != nullptr) {
            EXPECT_TRUE(gui::PressButton(confirm, IDOK));
            HWND removed = gui::WaitForDialog(id, IDD_REMOVED, kTimeoutMs);
            EXPECT_NE(removed, nullptr) << "current page " << gui::CurrentDialogId(id);
            if (removed != nullptr) {
                EXPECT_TRUE(gui::PressButton(removed, IDOK));
            }
        }
        const DWORD waited = ::WaitForSingleObject(info.hProcess, kTimeoutMs);
        if (waited != WAIT_OBJECT_0) {
            ::TerminateProcess(info.hProcess, 1);
        }
        ::CloseHandle(info.hProcess);
        ASSERT_EQ(waited, WAIT_OBJECT_0);
    }

    // After a complete removal: nothing of the application, only what the rules keep.
    void ExpectNothingLeft() {
        // The helper removes the setup program, its profile and log, and the directory.
        EXPECT_TRUE(gui::WaitUntil([] { return !Exists(kAppDir); }, kTimeoutMs))
            << "left: " << ::testing::PrintToString(Tree(kAppDir));
        EXPECT_EQ(RegistryString(kAppPathKey, ""), "<no key>");
        EXPECT_EQ(RegistryString(kUninstallKey, "UninstallString"), "<no key>");
        // System-directory files stay; the counts the installation set are given back.
        EXPECT_TRUE(Exists(SystemFile("RMVSHARE.DLL")));
        EXPECT_EQ(SharedCount(SystemFile("RMVSHARE.DLL")), 0u);
        EXPECT_TRUE(Exists(SystemFile("_xktinst.exe")));
        EXPECT_EQ(SharedCount(SystemFile("_xktinst.exe")), 0u);
        // Our help file went with its count; the other application's copy stays, counted.
        EXPECT_FALSE(Exists(HelpFile("RMVHELP.HLP")));
        EXPECT_EQ(SharedCount(HelpFile("RMVHELP.HLP")), 0u);
        EXPECT_EQ(ReadFile(HelpFile("RMVOTHER.HLP")), "other application's help");
        EXPECT_EQ(SharedCount(HelpFile("RMVOTHER.HLP")), 1u);
        // The item and the emptied group were deleted.
        const std::string record = ReadFile(m_record);
        EXPECT_NE(record.find("[DeleteItem (Read Me)]"), std::string::npos) << record;
        EXPECT_NE(record.find("[DeleteGroup(\"Removal Demo\")]"), std::string::npos) << record;
        EXPECT_FALSE(IsPending(kAppDir));
    }

    std::string m_scratch;
    std::string m_systemDir;
    std::string m_helpDir;
    std::string m_record;
    gui::CTestProcess m_server;
    gui::CTestProcess m_process;
};

} // namespace

// The distribution lies on a read-only view: the installation writes nothing there, copies
// the setup program, its profile and the log into the application directory, and the
// registered command removes everything.
TEST_F(SetupRemovalTest, ReadOnlyTwoDisketteInstallGoesByItsRegisteredCommand) {
    const std::string writable = gui::WindowsPath(RO_DIST_WRITABLE);
    const std::string readonly = gui::WindowsPath(RO_DIST_READONLY);
    const std::string probe = readonly + "\\probe.txt";
    WriteFile(probe, "x");
    if (Exists(probe)) {
        ::DeleteFileA(probe.c_str());
        GTEST_SKIP() << "no read-only view of " << writable << " (mounting refused; see the "
                     << "output of the setup_removal_ro_mount test)";
    }
    gui::RemoveTree(writable + "\\DISK01");
    gui::RemoveTree(writable + "\\DISK02");
    WriteDistribution(writable);
    const std::vector<std::string> distribution = Tree(writable);

    Install(readonly + "\\DISK01");
    EXPECT_EQ(Tree(writable), distribution);
    EXPECT_EQ(Tree(kAppDir),
              (std::vector<std::string>{"DATA", "DATA\\DOCS", "DATA\\DOCS\\GUIDE.TXT", "README.TXT",
                                        "RMVDEMO.EXE", "install.log", "setup.exe", "setup.ini"}));
    EXPECT_EQ(ReadFile(AppFile("setup.exe")), ReadFile(writable + "\\DISK01\\setup.exe"));
    EXPECT_EQ(ReadFile(AppFile("setup.ini")), ReadFile(writable + "\\DISK01\\setup.ini"));
    EXPECT_EQ(ReadFile(SystemFile("_xktinst.exe")), ReadFile(writable + "\\DISK01\\_xktinst.exe"));
    const std::string log = AppFile("install.log");
    EXPECT_EQ(LogValue(log, "Main", "setup.exe"), "0|1|0");
    EXPECT_EQ(LogValue(log, "Main", "setup.ini"), "0|1|0");
    EXPECT_EQ(LogValue(log, "Main", "_xktinst.exe"), "-3|1|0");
    EXPECT_EQ(LogValue(log, "Main", "GUIDE.TXT"), "1|1|0");
    EXPECT_EQ(LogValue(log, "Main", "RMVOTHER.HLP"), "-8|0|0");
    EXPECT_EQ(SharedCount(SystemFile("_xktinst.exe")), 1u);
    EXPECT_EQ(SharedCount(SystemFile("RMVSHARE.DLL")), 1u);
    EXPECT_EQ(SharedCount(HelpFile("RMVHELP.HLP")), 1u);
    EXPECT_EQ(SharedCount(HelpFile("RMVOTHER.HLP")), 2u);

    RunRegisteredRemoval();
    ExpectNothingLeft();
    EXPECT_EQ(Tree(writable), distribution);
}

// A second installation over the first keeps the marks of what the first placed, so the
// removal still takes every such file away (the help file with its count).
TEST_F(SetupRemovalTest, ReinstallOverTheFirstThenRemovalTakesEverything) {
    WriteDistribution(m_scratch);
    Install(m_scratch + "\\DISK01");
    Install(m_scratch + "\\DISK01");
    const std::string log = AppFile("install.log");
    // The second run kept the copies of the first (same times), which stay marked placed.
    EXPECT_EQ(LogValue(log, "Main", "RMVDEMO.EXE"), "0|1|0");
    EXPECT_EQ(LogValue(log, "Main", "RMVHELP.HLP"), "-8|1|0");
    EXPECT_EQ(LogValue(log, "Main", "_xktinst.exe"), "-3|1|0");
    EXPECT_EQ(LogValue(log, "Main", "RMVOTHER.HLP"), "-8|0|0");
    EXPECT_EQ(SharedCount(HelpFile("RMVHELP.HLP")), 1u);

    RunRegisteredRemoval();
    ExpectNothingLeft();
}

// The helper cannot delete the install log (held open): it is deleted at the restart, with
// the directory after it; everything else is removed now, and a file the user added stays.
TEST_F(SetupRemovalTest, FileTheHelperCannotDeleteWaitsForTheRestart) {
    WriteDistribution(m_scratch);
    Install(m_scratch + "\\DISK01");
    WriteFile(AppFile("USER.TXT"), "the user's own");
    HANDLE held = ::CreateFileA(AppFile("install.log").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    RunRegisteredRemoval();
    const bool scheduled = gui::WaitUntil(
        [] { return IsPending(AppFile("install.log")) && IsPending(kAppDir); }, kTimeoutMs);
    ::CloseHandle(held);
    EXPECT_TRUE(scheduled);
    EXPECT_EQ(Tree(kAppDir), (std::vector<std::string>{"USER.TXT", "install.log"}));
    EXPECT_FALSE(IsPending(AppFile("USER.TXT")));
    EXPECT_TRUE(Exists(SystemFile("RMVSHARE.DLL")));
    EXPECT_FALSE(Exists(HelpFile("RMVHELP.HLP")));
    EXPECT_EQ(RegistryString(kUninstallKey, "UninstallString"), "<no key>");
}
