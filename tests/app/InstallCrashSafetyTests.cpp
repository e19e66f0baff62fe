// The install log of a run that is killed: the setup program installs a distribution of many
// small files unattended and is killed at several moments of the copy phase. Each time the
// log on disk must be a complete INI file (every line whole, nothing cut off) that names
// every file placed more than a second before the kill, so that a removal can find them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "GuiHarness.h"
#include "archive/ArchiveWriter.h"

namespace {

constexpr DWORD kTimeoutMs = 120000;
constexpr int kMembers = 4000;
// How long before the kill a file must have been placed to be in the log, plus a margin for
// a loaded machine.
constexpr DWORD kLoggedWithinMs = 1000;
constexpr DWORD kMarginMs = 250;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsMemberName(const std::string& name) {
    return name.size() == 12 && name[0] == 'P' && name.compare(8, 4, ".TXT") == 0;
}

// The names of the members placed under their final names in dir.
std::set<std::string> PlacedMembers(const std::string& dir) {
    std::set<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = ::FindFirstFileA((dir + "\\P*.TXT").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsMemberName(entry.cFileName)) {
                names.insert(entry.cFileName);
            }
        } while (::FindNextFileA(search, &entry));
        ::FindClose(search);
    }
    return names;
}

// The file records of a log that may only hold whole lines: "[Main]" and then one
// "P0000123.TXT=0|1|0" line per file, each ended by CR LF; an "[Events]" section with the
// unattended run's decisions ("12:34:56:0078=Unattended: ...") may come before it. Any other
// line fails the test.
std::set<std::string> LoggedMembers(const std::string& text) {
    std::set<std::string> names;
    std::size_t at = 0;
    std::string section;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "a cut last line: " << text.substr(at);
        if (end == std::string::npos) {
            break;
        }
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (line == "[Main]" || line == "[Events]") {
            section = line;
            continue;
        }
        if (section == "[Events]") {
            EXPECT_NE(line.find("=Unattended: "), std::string::npos) << line;
            continue;
        }
        const std::string name = line.substr(0, line.find('='));
        EXPECT_TRUE(section == "[Main]" && IsMemberName(name) && line == name + "=0|1|0") << line;
        names.insert(name);
    }
    return names;
}

class InstallCrashSafetyTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = gui::MakeTempDirectory("icr");
        ASSERT_FALSE(m_dir.empty());
        m_dist = m_dir + "\\DIST";
        m_app = m_dir + "\\APP";
        ASSERT_TRUE(::CreateDirectoryA(m_dist.c_str(), nullptr));
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SETUP_PROGRAM).c_str(),
                                (m_dist + "\\setup.exe").c_str(), FALSE));
        WriteDistribution();
    }

    void TearDown() override {
        m_process.Kill();
        m_process.Wait(5000);
        gui::RemoveTree(m_dir);
    }

    void WriteDistribution() {
        const std::string source = m_dir + "\\SRC";
        ASSERT_TRUE(::CreateDirectoryA(source.c_str(), nullptr));
        CArchiveWriter writer(m_dist + "\\MANY.MFA");
        for (int i = 0; i < kMembers; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "P%07d.TXT", i);
            const std::string path = source + "\\" + name;
            std::ofstream(path, std::ios::binary) << std::string(200 + i % 300, 'a' + i % 26);
            ArchiveMemberOptions options;
            options.storedName = name;
            writer.AddFile(path, options);
        }
        writer.Finish();
        std::ofstream(m_dist + "\\setup.ini", std::ios::binary)
            << "[general]\r\nApp Title=Crash\r\nApp Setup=Crash Setup\r\nPM Group=Crash\r\n"
            << "[destinations]\r\n0=" << m_app << "|-1|\r\n"
            << "[groups]\r\nMain=Program|Main files|1|1|1\r\n"
            << "[Main]\r\nMANY.MFA=" << kMembers * 350 << "|1|" << kMembers << "|1|0|\r\n";
    }

    // The log wherever the program keeps it: beside itself or in the application directory.
    std::string LogText() const {
        const std::string inApp = m_app + "\\install.log";
        return ReadFile(::GetFileAttributesA(inApp.c_str()) != INVALID_FILE_ATTRIBUTES
                            ? inApp
                            : m_dist + "\\install.log");
    }

    // Starts an unattended run, waits until at least placedBefore files are in place, takes
    // the list of placed files, and kills the program a second (and the margin) later.
    // Returns the files placed before that second began.
    std::set<std::string> RunAndKill(std::size_t placedBefore) {
        gui::RemoveTree(m_app);
        ::DeleteFileA((m_dist + "\\install.log").c_str());
        EXPECT_TRUE(m_process.Start(m_dist + "\\setup.exe", "/B", m_dist));
        EXPECT_TRUE(
            gui::WaitUntil([&] { return PlacedMembers(m_app).size() >= placedBefore; }, kTimeoutMs))
            << PlacedMembers(m_app).size() << " placed";
        const std::set<std::string> placed = PlacedMembers(m_app);
        ::Sleep(kLoggedWithinMs + kMarginMs);
        EXPECT_TRUE(m_process.IsRunning()) << "the run ended before the kill";
        m_process.Kill();
        EXPECT_TRUE(m_process.Wait(kTimeoutMs));
        return placed;
    }

    std::string m_dir;
    std::string m_dist;
    std::string m_app;
    gui::CTestProcess m_process;
};

TEST_F(InstallCrashSafetyTest, KilledRunsLeaveACompleteLogOfThePlacedFiles) {
    for (std::size_t placedBefore : {50, 600, 1300}) {
        const std::set<std::string> placed = RunAndKill(placedBefore);
        ASSERT_GE(placed.size(), placedBefore);
        const std::set<std::string> logged = LoggedMembers(LogText());
        for (const std::string& name : placed) {
            EXPECT_EQ(logged.count(name), 1u)
                << name << " placed but not logged (" << placedBefore << ")";
        }
        // Nothing is logged that is not there.
        const std::set<std::string> present = PlacedMembers(m_app);
        for (const std::string& name : logged) {
            EXPECT_EQ(present.count(name), 1u) << name << " logged but not placed";
        }
        ASSERT_FALSE(HasFailure()) << "killed after " << placedBefore << " files";
    }
}

} // namespace
