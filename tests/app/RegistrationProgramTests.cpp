// The setup program's registration steps under Wine, in the test prefix's own registry: an
// unattended installation leaves the App Paths and Uninstall entries, the help file values and
// the self-registration events; an unattended removal takes the entries back and unregisters
// the libraries that the installation listed in its log.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GuiHarness.h"
#include "resources/resource.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr const char* kAppDir = "C:\\REGTEST APP";
constexpr const char* kDisplayName = "Reg Demo Application";
constexpr const char* kAppPathKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\REGDEMO.EXE";
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Reg Demo Application";
constexpr const char* kHelpKey = "SOFTWARE\\Microsoft\\Windows\\Help";

// A REG_SZ value under HKEY_LOCAL_MACHINE; "<no key>" or "<absent>" when it is not there.
std::string RegistryString(const std::string& subkey, const char* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<no key>";
    }
    char buffer[1024] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer) - 1;
    const LONG result =
        ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? buffer : "<absent>";
}

void DeleteHelpValues() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHelpKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        for (const char* name : {"qvntls32.dll", "qvnlnk32.dll", "qvnnav32.exe", "qvnnav32.hlp"}) {
            ::RegDeleteValueA(key, name);
        }
        ::RegCloseKey(key);
    }
}

// "value" lines of one section of an INI file, in file order.
std::string SectionValues(const std::string& file, const char* section) {
    std::string lines;
    std::vector<char> buffer(32768);
    ::GetPrivateProfileSectionA(section, buffer.data(), static_cast<DWORD>(buffer.size()),
                                file.c_str());
    for (const char* line = buffer.data(); *line != '\0'; line += std::strlen(line) + 1) {
        const char* value = std::strchr(line, '=');
        lines += std::string(value != nullptr ? value + 1 : line) + "\n";
    }
    return lines;
}

// The values of the install log's "Events" section without the lines of unattended answers
// (those are the unattended tests' business): the self-registration results, in order.
std::string RegistrationEvents(const std::string& file) {
    std::istringstream all(SectionValues(file, "Events"));
    std::string lines;
    for (std::string line; std::getline(all, line);) {
        if (line.rfind("Unattended: ", 0) != 0) {
            lines += line + "\n";
        }
    }
    return lines;
}

// A distribution directory with the setup program and a profile whose application directory
// (destination 0) has a blank in its name and holds one self-registering test library.
class RegistrationProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = gui::MakeTempDirectory("reg");
        ASSERT_FALSE(m_dir.empty());
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SETUP_PROGRAM).c_str(),
                                (m_dir + "\\setup.exe").c_str(), FALSE));
        fs::create_directories(kAppDir);
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SELFREG_OK_LIBRARY).c_str(),
                                (std::string(kAppDir) + "\\ok.dll").c_str(), FALSE));

        char windows[MAX_PATH];
        ::GetWindowsDirectoryA(windows, MAX_PATH);
        m_helpDir = std::string(windows) + "\\help";
        fs::create_directories(m_helpDir);
        std::ofstream(m_helpDir + "\\qvnnav32.hlp") << "help";
        DeleteHelpValues();
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathKey);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        // No removal helper: the files it would delete are checked instead.
        char system[MAX_PATH];
        ::GetSystemDirectoryA(system, MAX_PATH);
        ::DeleteFileA((std::string(system) + "\\_xktinst.exe").c_str());

        std::ofstream(m_dir + "\\setup.ini", std::ios::binary)
            << "[general]\r\nApp Title=Reg Demo\r\nApp Setup=Reg Demo Setup\r\n"
               "PM Group=Reg Demo\r\nPrimary NameExtension=REGDEMO.EXE\r\n"
               "Display Name="
            << kDisplayName << "\r\n[destinations]\r\n0=REGTEST APP|-1|" << kAppDir
            << "\\\r\n[groups]\r\nCore=Core|Core "
               "files|1|1|1\r\n[SelfRegisterDLLs]\r\nok.dll=0|1\r\nmissing.dll=0|1\r\n";
    }

    void TearDown() override {
        m_process.Kill();
        m_process.Wait(5000);
        // The installation made the profile's program group.
        gui::RemoveShellGroup("Reg Demo");
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathKey);
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        DeleteHelpValues();
        std::error_code ignored;
        fs::remove(m_helpDir + "\\qvnnav32.hlp", ignored);
        fs::remove_all(kAppDir, ignored);
        fs::remove_all(m_dir, ignored);
    }

    // The installation writes its log into the application directory, beside its copy of the
    // setup program, from where the removal runs.
    std::string Log() const { return std::string(kAppDir) + "\\install.log"; }

    std::string m_dir;
    std::string m_helpDir;
    gui::CTestProcess m_process;
};

} // namespace

TEST_F(RegistrationProgramTest, InstallRegistersAndRemovalTakesBack) {
    ASSERT_TRUE(m_process.Start(m_dir + "\\setup.exe", "/B", m_dir));
    DWORD exitCode = 1;
    ASSERT_TRUE(m_process.Wait(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);

    const std::string app = kAppDir;
    EXPECT_EQ(RegistryString(kAppPathKey, ""), app + "\\REGDEMO.EXE");
    EXPECT_EQ(RegistryString(kAppPathKey, "Path"), app);
    EXPECT_EQ(RegistryString(kUninstallKey, "DisplayName"), kDisplayName);
    // The program's path in destination 0, quoted since it holds a blank.
    EXPECT_EQ(RegistryString(kUninstallKey, "UninstallString"), "\"" + app + "\\setup.exe\" /U");
    // Only the help file that lies in the help directory, with the directory as its value.
    EXPECT_EQ(RegistryString(kHelpKey, "qvnnav32.hlp"), m_helpDir);
    EXPECT_EQ(RegistryString(kHelpKey, "qvntls32.dll"), "<absent>");
    EXPECT_EQ(RegistrationEvents(Log()), "Successful Register of ok.dll\n"
                                         "Register of missing.dll failed: file not found\n");
    EXPECT_EQ(SectionValues(Log(), "SelfRegisterDLLs"), "0|1\n0|1\n");

    // The removal reads the log as its profile; its destinations are written by the copy step,
    // here again in case that step wrote none.
    ::WritePrivateProfileStringA("destinations", "0", ("REGTEST APP|-1|" + app + "\\").c_str(),
                                 Log().c_str());
    // The profile placed no files; the log lists the library and a file of the application as
    // if it had, so that the removal takes them and then the emptied directory away.
    std::ofstream(app + "\\README.TXT") << "readme";
    ::WritePrivateProfileStringA("groups", "Core", "Core|Core files|1|1|1", Log().c_str());
    ::WritePrivateProfileStringA("Core", "ok.dll", "0|1|0", Log().c_str());
    ::WritePrivateProfileStringA("Core", "README.TXT", "0|1|0", Log().c_str());
    // The registered command runs the copy in the application directory.
    ASSERT_TRUE(m_process.Start(app + "\\setup.exe", "/U /B", app));
    HWND confirm = gui::WaitForDialog(m_process.GetId(), IDD_REMOVE_CONFIRM, kTimeoutMs);
    ASSERT_NE(confirm, nullptr);
    ASSERT_TRUE(gui::PressButton(confirm, IDOK));
    ASSERT_TRUE(m_process.Wait(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);

    EXPECT_EQ(RegistryString(kAppPathKey, ""), "<no key>");
    EXPECT_EQ(RegistryString(kUninstallKey, "DisplayName"), "<no key>");
    // The help viewer's values are shared with other applications and stay.
    EXPECT_EQ(RegistryString(kHelpKey, "qvnnav32.hlp"), m_helpDir);
    EXPECT_EQ(RegistrationEvents(Log()), "Successful Register of ok.dll\n"
                                         "Register of missing.dll failed: file not found\n"
                                         "Successful Unregister of ok.dll\n"
                                         "Unregister of missing.dll failed: file not found\n");
    // The library was unregistered before its file went; only the files that the removal
    // helper deletes after the program has ended are left (no helper is installed here).
    EXPECT_FALSE(fs::exists(app + "\\ok.dll"));
    EXPECT_FALSE(fs::exists(app + "\\README.TXT"));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(app)) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"install.log", "setup.exe", "setup.ini"}));
}
