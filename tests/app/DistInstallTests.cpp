// Real distributions end to end under Wine: the sample application (samples/viewer) built
// into two 1.44 MB diskettes by the distribution builder, installed unattended by the setup
// program. Covers a complete installation (files byte-identical with their times, log,
// registry, program group), a second installation over a newer present file, a damaged
// diskette, a missing diskette and a full target disk.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "DistBuilder.h"
#include "GuiHarness.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kTimeoutMs = 120000;
const char* const kSampleFiles[][2] = {{"VIEWER.EXE", ""},           {"VIEWREG.DLL", ""},
                                       {"VIEWER.HLP", ""},           {"README.TXT", ""},
                                       {"SAMPLE1.TXT", "SAMPLES\\"}, {"SAMPLE2.TXT", "SAMPLES\\"},
                                       {"SAMPLE3.TXT", "SAMPLES\\"}, {"PICTURES.DAT", "SAMPLES\\"}};
const char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Viewer 1.0";
const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\VIEWER.EXE";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

std::int64_t ModifyTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Profile(const std::string& file, const std::string& section, const std::string& key) {
    char value[512] = {};
    ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", value, sizeof(value),
                               file.c_str());
    return value;
}

std::string RegistryText(const char* key, const char* name) {
    HKEY handle;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return "<no key>";
    char value[512] = {};
    DWORD size = sizeof(value);
    LONG result =
        ::RegQueryValueExA(handle, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(handle);
    return result == ERROR_SUCCESS ? value : "<no value>";
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (::FindNextFileA(search, &entry));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string SystemDir() {
    char dir[MAX_PATH] = {};
    ::GetSystemDirectoryA(dir, MAX_PATH);
    return dir;
}

class DistInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = gui::MakeTempDirectory("dit");
        ASSERT_FALSE(m_dir.empty());
        m_dist = m_dir + "\\DIST";
        m_app = m_dir + "\\APP";
        // A copy left by an earlier run in this prefix (the README's by-hand run installs the
        // sample here too) would be kept as the same version, not installed.
        ::DeleteFileA((SystemDir() + "\\VIEWSHR.DLL").c_str());
    }

    void TearDown() override {
        m_process.Kill();
        m_process.Wait(5000);
        gui::RemoveShellGroup("Sample Viewer", 2000);
        gui::RemoveTree(m_dir);
        if (!m_appOutside.empty())
            gui::RemoveTree(m_appOutside);
        ::DeleteFileA((SystemDir() + "\\VIEWSHR.DLL").c_str());
        for (const char* key : {kUninstallKey, kAppPathsKey, "Software\\Sample Viewer"})
            ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    }

    // The sample's description with its application directory at appDir.
    void BuildDistribution(const std::string& appDir, const std::string& capacity = "") {
        std::string text = ReadFile(gui::WindowsPath(SAMPLE_DESCRIPTION));
        const std::string from = "0=SAMPVIEW|-1";
        ASSERT_NE(text.find(from), std::string::npos);
        text.replace(text.find(from), from.size(), "0=" + appDir + "|-1");
        WriteFile(m_dir + "\\viewer.ini", text);
        BuildOptions options;
        options.description = m_dir + "\\viewer.ini";
        options.folder = Sample("");
        options.output = m_dist;
        options.setupProgram = gui::WindowsPath(SAMPLE_SETUP);
        options.capacity = capacity;
        ::BuildDistribution(options);
        ASSERT_TRUE(Exists(m_dist + "\\DISK02\\SAMPLES.MF2"));
    }

    static std::string Sample(const std::string& name) {
        return gui::WindowsPath(SAMPLE_FOLDER) + "\\" + name;
    }

    void StartUnattended() {
        ASSERT_TRUE(m_process.Start(m_dist + "\\DISK01\\SETUP.EXE", "/B", m_dist + "\\DISK01"));
    }

    // The installation's log: in the application directory, beside the copies of the setup
    // program and its profile that the registered removal command runs.
    std::string Log() const { return m_app + "\\install.log"; }

    // The names of directory without those three files, which must be there.
    static std::vector<std::string> AppNames(const std::string& directory) {
        std::vector<std::string> names;
        int setupFiles = 0;
        for (const std::string& name : Names(directory)) {
            std::string upper = name;
            for (char& c : upper)
                c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
            if (upper == "SETUP.EXE" || upper == "SETUP.INI" || upper == "INSTALL.LOG") {
                ++setupFiles;
            } else {
                names.push_back(name);
            }
        }
        EXPECT_EQ(setupFiles, 3) << "setup program, profile and log in " << directory;
        return names;
    }

    DWORD WaitForExit() {
        DWORD exitCode = 99;
        EXPECT_TRUE(m_process.Wait(kTimeoutMs, &exitCode));
        return exitCode;
    }

    std::string Installed(const char* const file[2]) const {
        return m_app + "\\" + file[1] + file[0];
    }

    std::string m_dir, m_dist, m_app, m_appOutside;
    gui::CTestProcess m_process;
};

TEST_F(DistInstallTest, InstallsBothDiskettesExactlyAndKeepsANewerPresentFile) {
    BuildDistribution(m_app);
    StartUnattended();
    EXPECT_EQ(WaitForExit(), 0u);

    for (const auto& file : kSampleFiles) {
        EXPECT_EQ(ReadFile(Installed(file)), ReadFile(Sample(file[0]))) << file[0];
        EXPECT_EQ(ModifyTime(Installed(file)), ModifyTime(Sample(file[0]))) << file[0];
    }
    const std::string shared = SystemDir() + "\\VIEWSHR.DLL";
    EXPECT_EQ(ReadFile(shared), ReadFile(Sample("VIEWSHR.DLL")));
    EXPECT_EQ(AppNames(m_app), (std::vector<std::string>{"README.TXT", "SAMPLES", "VIEWER.EXE",
                                                         "VIEWER.HLP", "VIEWREG.DLL"}));

    const std::string log = Log();
    EXPECT_EQ(Profile(log, "Program", "VIEWER.EXE"), "0|1|0");
    EXPECT_EQ(Profile(log, "Program", "VIEWSHR.DLL"), "-3|1|0");
    EXPECT_EQ(Profile(log, "Samples", "PICTURES.DAT"), "1|1|0");
    EXPECT_EQ(Profile(log, "destinations", "1"), "SAMPLES|0|" + m_app + "\\SAMPLES\\");
    EXPECT_EQ(Profile(log, "targets", "VIEWER.HLP"),
              "0|-1|0|Sample Viewer Help||VIEWER.EXE|" + m_app + "\\VIEWER.HLP");
    EXPECT_EQ(RegistryText(kAppPathsKey, nullptr), m_app + "\\VIEWER.EXE");
    EXPECT_NE(RegistryText(kUninstallKey, "UninstallString").find(" /U"), std::string::npos);
    EXPECT_EQ(RegistryText("Software\\Sample Viewer", "Registered"), "VIEWREG.DLL");
    EXPECT_TRUE(gui::RemoveShellGroup("Sample Viewer"));

    // A present program of a newer version stays; the rest is installed again.
    const std::string newer = gui::WindowsPath(SETUP_VERSION_FIXTURE_DIR) + "ver_4_0_0_1.dll";
    ASSERT_TRUE(::CopyFileA(newer.c_str(), (m_app + "\\VIEWER.EXE").c_str(), FALSE));
    ::DeleteFileA((m_app + "\\README.TXT").c_str());
    StartUnattended();
    EXPECT_EQ(WaitForExit(), 0u);
    EXPECT_EQ(ReadFile(m_app + "\\VIEWER.EXE"), ReadFile(newer));
    // Kept, and still marked as placed: the first installation placed a file of that name
    // there, so a removal takes the kept copy away as well.
    EXPECT_EQ(Profile(log, "Program", "VIEWER.EXE"), "0|1|0");
    EXPECT_EQ(ReadFile(m_app + "\\README.TXT"), ReadFile(Sample("README.TXT")));
}

TEST_F(DistInstallTest, DamagedDisketteIsReportedForItsArchiveOnly) {
    BuildDistribution(m_app);
    const std::string volume = m_dist + "\\DISK02\\SAMPLES.MF2";
    std::string bytes = ReadFile(volume);
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x01);
    WriteFile(volume, bytes);

    // Unattended, the report is not shown: the run stops after that archive, with the
    // report's text as an event line, and ends as not installed.
    StartUnattended();
    EXPECT_EQ(WaitForExit(), 1603u);
    const std::string log = ReadFile(Log());
    EXPECT_NE(log.find("Unattended: Cancel Operation after: Cannot install files from 'SAMPLES.MF"),
              std::string::npos)
        << log;
    // The archives before it are complete; of the damaged one the members before the damage
    // are, and nothing of the damaged member is left.
    for (const auto& file : kSampleFiles) {
        if (std::string(file[0]) != "PICTURES.DAT") {
            EXPECT_EQ(ReadFile(Installed(file)), ReadFile(Sample(file[0]))) << file[0];
        }
    }
    EXPECT_EQ(Names(m_app + "\\SAMPLES"),
              (std::vector<std::string>{"SAMPLE1.TXT", "SAMPLE2.TXT", "SAMPLE3.TXT"}));
}

// Unattended, a diskette that is in neither the source nor its numbered folder ends the run:
// nobody could insert it. The prompt's text is the event line.
TEST_F(DistInstallTest, MissingDisketteEndsTheUnattendedRunWithThePromptAsEvent) {
    BuildDistribution(m_app);
    const std::string second = m_dist + "\\DISK02\\SAMPLES.MF2";
    ASSERT_TRUE(::DeleteFileA(second.c_str()));
    StartUnattended();
    EXPECT_EQ(WaitForExit(), 1603u);
    const std::string log = ReadFile(Log());
    EXPECT_NE(log.find("Unattended: Cancel after: Please insert the diskette labelled 'Sample "
                       "Viewer Disk 2'"),
              std::string::npos)
        << log;
    EXPECT_FALSE(Exists(m_app + "\\SAMPLES\\PICTURES.DAT"));
}

// Attended, the Insert Diskette prompt asks for it, and the installation goes on once it is
// in the drive.
TEST_F(DistInstallTest, MissingDisketteIsAskedForAndTheInstallationGoesOn) {
    BuildDistribution(m_app);
    const std::string second = m_dist + "\\DISK02\\SAMPLES.MF2";
    const std::string aside = m_dir + "\\SAMPLES.MF2";
    ASSERT_TRUE(::MoveFileA(second.c_str(), aside.c_str()));

    ASSERT_TRUE(m_process.Start(m_dist + "\\DISK01\\SETUP.EXE", "", m_dist + "\\DISK01"));
    for (int page : {IDD_WELCOME, IDD_SELECT_FOLDER, IDD_SELECT_GROUP}) {
        ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), page, kTimeoutMs)) << page;
        ASSERT_TRUE(gui::PressButton(gui::FindDialog(m_process.GetId(), page), IDOK));
    }
    ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_INSERT_DISKETTE, kTimeoutMs))
        << "current " << gui::CurrentDialogId(m_process.GetId());
    HWND prompt = gui::FindDialog(m_process.GetId(), IDD_INSERT_DISKETTE);
    EXPECT_NE(gui::ControlText(prompt, IDC_DISKETTE_TEXT).find("'Sample Viewer Disk 2'"),
              std::string::npos)
        << gui::ControlText(prompt, IDC_DISKETTE_TEXT);
    gui::SaveWindowPng(prompt, gui::ScreenshotPath("setup-page-113-insert-diskette"));
    // The user puts the second diskette into the drive the first was read from.
    ASSERT_TRUE(::CopyFileA(aside.c_str(), (m_dist + "\\DISK01\\SAMPLES.MF2").c_str(), FALSE));
    ASSERT_TRUE(gui::PressButton(prompt, IDOK));
    ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_COMPLETE, kTimeoutMs))
        << "current " << gui::CurrentDialogId(m_process.GetId());
    ASSERT_TRUE(gui::PressButton(gui::FindDialog(m_process.GetId(), IDD_COMPLETE), IDOK));
    EXPECT_EQ(WaitForExit(), 0u);
    gui::RemoveShellGroup("Sample Viewer");
    EXPECT_EQ(ReadFile(m_app + "\\SAMPLES\\PICTURES.DAT"), ReadFile(Sample("PICTURES.DAT")));
}

// C:\FULLDISK is a 700 KiB file system (mounted by the CTest fixture dist_full_disk).
TEST_F(DistInstallTest, FullDiskIsReportedAndNoFileIsHalfPlaced) {
    const std::string full = "C:\\FULLDISK";
    ASSERT_TRUE(Exists(full)) << "the full-disk fixture did not mount C:\\FULLDISK";
    m_app = m_appOutside = full + "\\APP";
    gui::RemoveTree(m_app);
    BuildDistribution(m_app);
    StartUnattended();
    // The cause reads "File Error." here: Wine's C runtime reports a full disk as EINVAL,
    // where Windows gives ENOSPC ("Disk full", tested natively with /dev/full).
    EXPECT_EQ(WaitForExit(), 1603u);
    const std::string log = ReadFile(Log());
    EXPECT_NE(log.find("Unattended: Cancel Operation after: Cannot install files from 'SAMPLES.MF"),
              std::string::npos)
        << log;
    // Whatever was placed is complete; the member that did not fit is not there at all.
    for (const auto& file : kSampleFiles) {
        if (Exists(Installed(file))) {
            EXPECT_EQ(ReadFile(Installed(file)), ReadFile(Sample(file[0]))) << file[0];
        }
    }
    EXPECT_FALSE(Exists(m_app + "\\SAMPLES\\PICTURES.DAT"));
    for (const std::string& name : Names(m_app + "\\SAMPLES"))
        EXPECT_EQ(name.rfind("SAMPLE", 0), 0u) << "left behind: " << name;
}

} // namespace
