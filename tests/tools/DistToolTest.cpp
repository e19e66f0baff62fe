#include "DistTool.h"
#include "DistBuilder.h"
#include "DistErrors.h"
#include "MemberCoding.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ToolResult {
    int code;
    std::string out, err;
};

ToolResult RunDist(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    DistToolIo io{out, err, false};
    int code = RunDistTool(args, io);
    return {code, out.str(), err.str()};
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<std::uint8_t>(random());
    return v;
}

std::vector<std::uint8_t> TextBytes(std::size_t lines) {
    std::string s;
    for (std::size_t i = 0; i < lines; ++i)
        s += "line " + std::to_string(i) + " of the sample text, told again and again\r\n";
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

const char* kDescription = R"([general]
App Title=Test App
App Setup=Test App Setup
PM Group=Test Group
Primary NameExtension=APP.EXE
Display Name=Test App 1.0

[distribution]
Capacity=720K

[destinations]
0=TESTAPP|-1
1=HELP|0

[components]
Program=Program files|The program|1|1|1
Help=Help files|Help and text|0|1|1

[targets]
APP.HLP=0|-1|0|Test App Help||APP.EXE|

[SelfRegisterDLLs]
APPREG.DLL=0|1

[files:Program]
bin\APP.EXE=0
bin\*.DLL=0
bin\BIG.DAT=0
shared\SHARED.DLL=-3

[files:Help]
help\*.HLP=1
help\README.TXT=1|lh5
)";

// A folder of application files, a description and a setup program in a scratch directory.
class DistFixture : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* dir : {"app/bin", "app/help", "app/shared"})
            fs::create_directories(m_dir.Path() / dir);
        WriteBytes(Src("bin/APP.EXE"), RandomBytes(300000, 1));
        WriteBytes(Src("bin/APPREG.DLL"), TextBytes(200));
        WriteBytes(Src("bin/BIG.DAT"), RandomBytes(900000, 2));
        WriteBytes(Src("shared/SHARED.DLL"), TextBytes(50));
        WriteBytes(Src("shared/README.TXT"), TextBytes(10));
        WriteBytes(Src("help/APP.HLP"), TextBytes(3000));
        WriteBytes(Src("help/README.TXT"), TextBytes(100));
        WriteBytes(m_dir.File("setup.exe"), RandomBytes(60000, 3));
        WriteDescription(kDescription);
    }

    std::string Src(const std::string& relative) const {
        return (m_dir.Path() / "app" / relative).string();
    }
    void WriteDescription(const std::string& text) {
        std::ofstream(m_dir.File("desc.ini"), std::ios::binary) << text;
    }
    // The description with one text replaced.
    void Edit(const std::string& from, const std::string& to) {
        std::string text = kDescription;
        std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        WriteDescription(text.replace(at, from.size(), to));
    }
    ToolResult Build(const std::string& out, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--setup", m_dir.File("setup.exe")};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {m_dir.File("desc.ini"), m_dir.File("app"), m_dir.File(out)});
        return RunDist(args);
    }
    std::string Out(const std::string& relative) const { return m_dir.File(relative); }

    TempDir m_dir;
};

std::map<std::string, std::vector<std::uint8_t>> TreeContents(const fs::path& root) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).generic_string()] = ReadBytes(e.path().string());
    return files;
}

std::string ReadText(const std::string& path) {
    auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(DistCapacity, NamedSizesAndNumbers) {
    EXPECT_EQ(ParseCapacity("1.44M").bytes, 1457664);
    EXPECT_EQ(ParseCapacity("1.44m").cluster, 512);
    EXPECT_EQ(ParseCapacity("720K").bytes, 730112);
    EXPECT_EQ(ParseCapacity("720K").cluster, 1024);
    EXPECT_EQ(ParseCapacity("1.2M").bytes, 1213952);
    EXPECT_EQ(ParseCapacity("2.88M").bytes, 2931712);
    EXPECT_EQ(ParseCapacity("0").bytes, 0);
    EXPECT_EQ(ParseCapacity("100000").bytes, 100000);
    EXPECT_EQ(ParseCapacity("100000").cluster, 1);
    for (const char* bad : {"", "1.4M", "-5", "12x", "100"})
        EXPECT_THROW(ParseCapacity(bad), CDistError) << bad;
}

TEST(DistCoding, SmallestMethodPerFile) {
    TempDir dir;
    WriteBytes(dir.File("random"), RandomBytes(20000, 5));
    WriteBytes(dir.File("text"), TextBytes(500));
    WriteBytes(dir.File("empty"), {});
    CodedMember random = CodeFile(dir.File("random"), "smallest", false);
    EXPECT_EQ(random.method, 2);
    EXPECT_EQ(random.coded.size(), 20000u);
    CodedMember text = CodeFile(dir.File("text"), "smallest", false);
    EXPECT_NE(text.method, 2);
    EXPECT_LT(text.coded.size(), CodeFile(dir.File("text"), "lh5", false).coded.size() + 1);
    EXPECT_LT(text.coded.size(), CodeFile(dir.File("text"), "zlib", false).coded.size() + 1);
    EXPECT_EQ(CodeFile(dir.File("text"), "lh5", false).method, 3);
    EXPECT_EQ(CodeFile(dir.File("empty"), "smallest", false).coded.size(), 0u);
    if (HaveBestCompression()) {
        CodedMember best = CodeFile(dir.File("text"), "zlib", true);
        EXPECT_EQ(best.method, 4);
        EXPECT_LE(best.coded.size(), CodeFile(dir.File("text"), "zlib", false).coded.size());
    }
}

TEST_F(DistFixture, ErrorsNameTheProblemWithTheirExitCode) {
    struct Case {
        std::string from, to;
        int code;
        std::string says;
    } cases[] = {
        {"App Title=", "App Titel=", kDistDescription, "unknown key 'App Titel'"},
        {"[targets]", "[target]", kDistDescription, "unknown section [target]"},
        {"Capacity=720K", "Capacity=720", kDistDescription, "capacity '720'"},
        {"|1|1|1\nHelp", "|1|yes|1\nHelp", kDistDescription, "setup-type flag 2"},
        {"bin\\BIG.DAT=0", "bin\\HUGE.DAT=0", kDistMissingSource, "HUGE.DAT' is missing"},
        {"help\\*.HLP=1", "help\\*.CNT=1", kDistNoMatch, "matches no file"},
        {"shared\\SHARED.DLL=-3", "shared\\SHARED.DLL=7", kDistUndefinedDestination,
         "destination id 7"},
        {"1=HELP|0", "1=HELP|4", kDistUndefinedDestination, "destination id 4"},
        {"[files:Help]\nhelp\\*.HLP=1\nhelp\\README.TXT=1|lh5\n", "", kDistNoFiles,
         "component 'Help' has no files"},
        {"shared\\SHARED.DLL=-3", "shared\\SHARED.DLL=-3\nshared\\README.TXT=1", kDistBadName,
         "would be extracted to the same file"},
        {"shared\\SHARED.DLL=-3", "shared\\SHARED.DLL=-3\nhelp\\APP.HLP=0", kDistBadName,
         "is given twice"},
        {"Help=Help files", "Groups=x|y|0|0|0\nHelp=Help files", kDistBadName,
         "another profile section"},
        {"Help=Help files", "program=x|y|0|0|0\nHelp=Help files", kDistDescription,
         "appears twice"},
        {"|0|1|1\n", "|0|1|1||HELPFILES.MF1\n", kDistBadName, "not an 8.3 name"},
        {"APP.HLP=0", "APP.CNT=0", kDistDescription, "target 'APP.CNT'"},
        {"Capacity=720K", "Capacity=40000", kDistTooBig, "diskette 1"},
    };
    for (const Case& c : cases) {
        Edit(c.from, c.to);
        ToolResult r = Build("out");
        EXPECT_EQ(r.code, c.code) << c.to << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(Out("out"))) << c.to << ": a failed build leaves its output";
        fs::remove_all(Out("out"));
    }
}

TEST_F(DistFixture, UsageErrors) {
    EXPECT_EQ(RunDist({"--frobnicate"}).code, kDistUsage);
    EXPECT_EQ(RunDist({m_dir.File("desc.ini"), m_dir.File("app"), Out("o")}).code, kDistUsage);
    EXPECT_EQ(RunDist({"--help"}).code, kDistOk);
    fs::create_directories(Out("full"));
    WriteBytes(Out("full/keep.txt"), {1, 2, 3});
    ToolResult r = Build("full");
    EXPECT_EQ(r.code, kDistUsage) << r.err;
    EXPECT_TRUE(fs::exists(Out("full/keep.txt")));
    EXPECT_EQ(
        RunDist({"--setup", Out("nosuch.exe"), m_dir.File("desc.ini"), m_dir.File("app"), Out("o")})
            .code,
        kDistMissingSource);
}

TEST_F(DistFixture, SameInputGivesByteIdenticalOutput) {
    ASSERT_EQ(Build("one").code, kDistOk);
    ASSERT_EQ(Build("two").code, kDistOk);
    auto one = TreeContents(Out("one"));
    auto two = TreeContents(Out("two"));
    EXPECT_EQ(one.size(), 5u);
    EXPECT_TRUE(one == two);
    EXPECT_EQ(fs::last_write_time(Out("one/DISK01/SETUP.INI")),
              fs::last_write_time(Out("two/DISK01/SETUP.INI")));
}

TEST_F(DistFixture, DiskettesAreFilledAndNeverOverfilled) {
    ToolResult r = Build("out");
    ASSERT_EQ(r.code, kDistOk) << r.err;
    // 1.2 MB of incompressible data on 720K diskettes: two diskettes.
    ASSERT_TRUE(fs::exists(Out("out/DISK02")));
    EXPECT_FALSE(fs::exists(Out("out/DISK03")));
    for (const char* disk : {"out/DISK01", "out/DISK02"}) {
        std::int64_t used = 0;
        for (const auto& e : fs::directory_iterator(Out(disk)))
            used += (static_cast<std::int64_t>(e.file_size()) + 1023) / 1024 * 1024;
        EXPECT_LE(used, 730112) << disk;
    }
    EXPECT_TRUE(fs::exists(Out("out/DISK01/SETUP.EXE")));
    EXPECT_NE(r.out.find("(setup program 60,000 bytes)"), std::string::npos) << r.out;
    std::string profile = ReadText(Out("out/DISK01/SETUP.INI"));
    // Help sorts before Program: its archive comes first and fits on diskette 1; Program's
    // continues on diskette 2 and is marked to come after the others of diskette 1.
    EXPECT_NE(profile.find("[Help]\r\nHELP.MF1="), std::string::npos) << profile;
    EXPECT_NE(profile.find("|1|2|1|0|Help files\r\n"), std::string::npos) << profile;
    std::uintmax_t programBytes = 0;
    for (const char* f : {"bin/APP.EXE", "bin/APPREG.DLL", "bin/BIG.DAT", "shared/SHARED.DLL"})
        programBytes += fs::file_size(Src(f));
    EXPECT_NE(
        profile.find("PROGRAM.MF1=" + std::to_string(programBytes) + "|1|4|-1|0|Program files"),
        std::string::npos)
        << profile;
    EXPECT_NE(profile.find("2=Test App Disk 2|"), std::string::npos);
    EXPECT_TRUE(fs::exists(Out("out/DISK02/PROGRAM.MF2")));

    ToolResult check = RunDist({"--check", Out("out")});
    EXPECT_EQ(check.code, kDistOk) << check.out;
}

TEST_F(DistFixture, OneDirectoryWithCapacityZero) {
    ToolResult r = Build("out", {"--capacity", "0"});
    ASSERT_EQ(r.code, kDistOk) << r.err;
    EXPECT_FALSE(fs::exists(Out("out/DISK01")));
    EXPECT_TRUE(fs::exists(Out("out/SETUP.INI")));
    EXPECT_TRUE(fs::exists(Out("out/PROGRAM.MF1")));
    EXPECT_FALSE(fs::exists(Out("out/PROGRAM.MF2")));
    EXPECT_EQ(RunDist({"--check", Out("out")}).code, kDistOk);
}

// The removal helper goes beside the setup program on the first diskette, and counts
// towards its capacity; one that does not exist is a missing source file.
TEST_F(DistFixture, RemovalHelperGoesOntoTheFirstDiskette) {
    WriteBytes(m_dir.File("_xktinst.exe"), RandomBytes(20000, 4));
    ToolResult r = Build("out", {"--helper", m_dir.File("_xktinst.exe")});
    ASSERT_EQ(r.code, kDistOk) << r.err;
    EXPECT_EQ(ReadBytes(Out("out/DISK01/_XKTINST.EXE")), RandomBytes(20000, 4));
    EXPECT_EQ(RunDist({"--check", Out("out")}).code, kDistOk);

    ToolResult missing = Build("out2", {"--helper", m_dir.File("none.exe")});
    EXPECT_EQ(missing.code, kDistMissingSource);
    EXPECT_NE(missing.err.find("none.exe"), std::string::npos) << missing.err;

    // A helper that leaves no room for the profile on diskette 1 is named in the error.
    WriteBytes(m_dir.File("_xktinst.exe"), RandomBytes(1450000, 5));
    ToolResult tooBig = Build("out3", {"--helper", m_dir.File("_xktinst.exe")});
    EXPECT_EQ(tooBig.code, kDistTooBig);
    EXPECT_NE(tooBig.err.find("removal helper"), std::string::npos) << tooBig.err;
}

#ifndef _WIN32
// Diskette images as independent tools read them: a clean FAT, the diskette's label, and
// the files of its folder.
TEST_F(DistFixture, ImagesHoldEachDisketteUnderItsLabel) {
    ToolResult r = Build("out", {"--images"});
    ASSERT_EQ(r.code, kDistOk) << r.err;
    int images = 0;
    for (int n = 1; fs::exists(Out("out/DISK0" + std::to_string(n))); ++n) {
        const std::string disk = "DISK0" + std::to_string(n);
        const std::string image = Out("out/" + disk + ".IMG");
        ASSERT_EQ(fs::file_size(image), 1474560u) << image;
        ++images;
        EXPECT_EQ(std::system(("fsck.fat -n '" + image + "' >/dev/null 2>&1").c_str()), 0) << image;
        const std::string listing = Out(disk + ".txt");
        ASSERT_EQ(
            std::system(
                ("MTOOLS_SKIP_CHECK=1 mdir -i '" + image + "' :: >'" + listing + "' 2>&1").c_str()),
            0);
        const std::string text = ReadText(listing);
        EXPECT_NE(text.find("TEST APP DI"), std::string::npos) << text;
        for (const auto& entry : fs::directory_iterator(Out("out/" + disk))) {
            const std::string name = entry.path().filename().string();
            EXPECT_NE(text.find(name.substr(0, name.find('.'))), std::string::npos)
                << name << " in\n"
                << text;
        }
    }
    EXPECT_GE(images, 2);
    // Images need diskettes no larger than 1.44 MB.
    EXPECT_EQ(Build("out2", {"--images", "--capacity", "0"}).code, kDistUsage);
}
#endif

TEST_F(DistFixture, CheckFindsDamagedAndMissingDiskettes) {
    ASSERT_EQ(Build("out").code, kDistOk);
    auto bytes = ReadBytes(Out("out/DISK02/PROGRAM.MF2"));
    bytes[bytes.size() / 2] ^= 0x40;
    WriteBytes(Out("out/DISK02/PROGRAM.MF2"), bytes);
    ToolResult damaged = RunDist({"--check", Out("out")});
    EXPECT_EQ(damaged.code, kDistCheckFailed);
    EXPECT_NE(damaged.out.find("PROBLEM: PROGRAM.MF1"), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.out.find("HELP.MF1: 2 files"), std::string::npos) << damaged.out;

    fs::remove_all(Out("out/DISK02"));
    ToolResult missing = RunDist({"--check", Out("out")});
    EXPECT_EQ(missing.code, kDistCheckFailed);
    EXPECT_NE(missing.out.find("PROGRAM.MF1"), std::string::npos) << missing.out;

    fs::remove(Out("out/DISK01/SETUP.EXE"));
    EXPECT_NE(RunDist({"--check", Out("out")}).out.find("SETUP.EXE is not beside"),
              std::string::npos);
    EXPECT_EQ(RunDist({"--check", Out("nothing")}).code, kDistCheckFailed);
}
