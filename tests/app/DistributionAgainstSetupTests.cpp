// The distribution reader against the setup program itself: a two-diskette distribution is
// installed by setup.exe (unattended, from DISK01, finding DISK02 as its numbered sibling),
// and extracted by the reader from the same folders and from its images; the installed
// application directory and the extracted one hold the same files, byte for byte, with the
// same times.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <map>

#include "DistributionFixture.h"
#include "GuiHarness.h"
#include "distribution/Distribution.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kTimeoutMs = 120000;

struct FileFacts {
    std::vector<std::uint8_t> bytes;
    std::int64_t modified = 0;
};

std::int64_t ModifyTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ull) - 11644473600ll;
}

// Every file below root (names in upper case, as Windows compares them).
std::map<std::string, FileFacts> Tree(const std::string& root) {
    std::map<std::string, FileFacts> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        std::string name = fs::relative(entry.path(), root).generic_string();
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        tree[name] = {ReadBytes(entry.path().string()), ModifyTime(entry.path().string())};
    }
    return tree;
}

std::string Describe(const std::map<std::string, FileFacts>& tree) {
    std::string text;
    for (const auto& [name, facts] : tree)
        text += name + " " + std::to_string(facts.bytes.size()) + " " +
                std::to_string(facts.modified) + "\n";
    return text;
}

} // namespace

TEST(DistributionAgainstSetup, ExtractedFilesAreTheInstalledFiles) {
    const std::string work = gui::MakeTempDirectory("dxs");
    ASSERT_FALSE(work.empty());
    const std::string app = work + "\\APP";
    DistributionFixture fixture("DATA", app, 0);
    const std::string disk1 = gui::WindowsPath(fixture.Folders() + "\\DISK01");
    ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SETUP_PROGRAM).c_str(),
                            (disk1 + "\\setup.exe").c_str(), FALSE));

    gui::CTestProcess setup;
    ASSERT_TRUE(setup.Start(disk1 + "\\setup.exe", "/B", disk1));
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.Wait(kTimeoutMs, &exitCode))
        << "page " << gui::CurrentDialogId(setup.GetId());
    EXPECT_EQ(exitCode, 0u);
    gui::RemoveShellGroup("Test Group");

    // The setup program, its profile and the log that the installation keeps for its removal
    // are the setup's own files, not the application's: the reader does not lay them out.
    auto installed = Tree(app);
    for (const char* own : {"SETUP.EXE", "SETUP.INI", "INSTALL.LOG"}) {
        EXPECT_EQ(installed.erase(own), 1u) << own << "\n" << Describe(installed);
    }
    ASSERT_EQ(installed.size(), 5u) << Describe(installed);
    // The reader's folder for destination 0 is its path without the drive.
    const std::string appFolder = app.substr(3);
    for (const auto& inputs : {std::vector<std::string>{fixture.Folders()}, fixture.Images()}) {
        const std::string out = work + "\\OUT" + std::to_string(inputs.size());
        CDistribution distribution(CDisketteSet::Open(inputs));
        const auto report = distribution.Extract(out, {});
        EXPECT_TRUE(report.problems.empty());
        const auto extracted = Tree(out + "\\" + appFolder);
        EXPECT_EQ(Describe(extracted), Describe(installed));
        for (const auto& [name, facts] : installed)
            EXPECT_EQ(extracted.count(name) ? extracted.at(name).bytes
                                            : std::vector<std::uint8_t>{},
                      facts.bytes)
                << name;
    }
    std::error_code ec;
    fs::remove_all(work, ec);
}
