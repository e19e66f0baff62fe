#include "ArchiveTool.h"
#include "MemberSources.h"

#include "ArchiveBuilder.h"
#include "TempDir.h"
#include "support/FilePath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ToolResult {
    int code;
    std::string out, err;
};

ToolResult RunTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    ArchiveToolIo io{out, err, false};
    int code = RunArchiveTool(args, io);
    return {code, out.str(), err.str()};
}

std::vector<std::string> FilesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(MemberNames, FinalComponent) {
    struct Case {
        std::string stored, final;
    } cases[] = {
        {"readme.txt", "readme.txt"},
        {"dir\\sub\\app.exe", "app.exe"},
        {"../../evil.txt", "evil.txt"},
        {"..\\..\\evil.txt", "evil.txt"},
        {"C:evil.dll", "evil.dll"},
        {"/etc/passwd", "passwd"},
        {"dir/", ""},
        {"C:\\WINDOWS\\win.ini", "win.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FinalComponent(c.stored), c.final) << c.stored;
}

TEST(MemberNames, UnsafeNamesAreRefused) {
    const char* refused[] = {"",       ".",       "..",       "CON",        "con.txt",
                             "Prn",    "aux.dat", "NUL",      "nul.tar.gz", "COM1",
                             "com9.x", "LPT1",    "lpt9.txt", "CON .txt",   "a\x01z",
                             "tab\tx", "del\x7f", "a<b",      "a>b",        "a\"b",
                             "a|b",    "a?b",     "a*b",      "name ",      "name."};
    for (const char* name : refused)
        EXPECT_FALSE(UnsafeNameReason(name).empty()) << "accepted '" << name << "'";
    const char* accepted[] = {"readme.txt", "COM0", "COM10",    "LPT0.x",  "CONSOLE.SYS",
                              "con_x",      "nul2", ".profile", "a b.txt", "\xE9t\xE9.txt"};
    for (const char* name : accepted)
        EXPECT_EQ(UnsafeNameReason(name), "") << name;
}

TEST(ArchiveTool, UsageErrorsExitWithOne) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "unknown command"},
        {{"list"}, "exactly one archive"},
        {{"test"}, "exactly one archive"},
        {{"test", "--json", "a"}, "unknown option"},
        {{"create", "a.mf"}, "at least one file"},
        {{"create", "--volume-size", "100", "a.mf1", "x"}, "too small"},
        {{"create", "--volume-size", "12q", "a.mf1", "x"}, "not a volume size"},
        {{"create", "a.mf", "--method", "rar", "x"}, "unknown method"},
        {{"create", "a.mf", "--dest-id", "40000", "x"}, "not a destination id"},
        {{"extract", "--dest", "0", "a.mf"}, "ID=DIRECTORY"},
        {{"extract", "--bogus", "a.mf"}, "unknown option"},
        {{"extract", "--dest"}, "needs a value"},
    };
    for (const auto& c : cases) {
        ToolResult r = RunTool(c.args);
        EXPECT_EQ(r.code, kExitUsage) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    ToolResult help = RunTool({"--help"});
    EXPECT_EQ(help.code, kExitOk);
    EXPECT_NE(help.out.find("exit codes"), std::string::npos);
}

TEST(ArchiveTool, VolumeSizeParsing) {
    EXPECT_EQ(ParseVolumeSize("1457664"), 1457664);
    EXPECT_EQ(ParseVolumeSize("1440k"), 1440 * 1024);
    EXPECT_EQ(ParseVolumeSize("2M"), 2 * 1024 * 1024);
    EXPECT_EQ(ParseVolumeSize(""), -1);
    EXPECT_EQ(ParseVolumeSize("k"), -1);
    EXPECT_EQ(ParseVolumeSize("10kb"), 10240);
    EXPECT_EQ(ParseVolumeSize("10kq"), -1);
    EXPECT_EQ(ParseVolumeSize("-5"), -1);
    EXPECT_EQ(ParseVolumeSize("99999999999999999999999"), -1);
}

TEST(ArchiveTool, CreateListTestExtractMultiVolume) {
    TempDir dir;
    auto a = Pattern(5000, 1), b = Pattern(0, 2), c = Pattern(3000, 3);
    WriteBytes(dir.File("a.bin"), a);
    WriteBytes(dir.File("b.txt"), b);
    WriteBytes(dir.File("c.dll"), c);
    std::string archive = dir.File("set.mf1");
    ToolResult r =
        RunTool({"create", "--volume-size", "2k", archive, "--method", "stored", dir.File("a.bin"),
                 dir.File("b.txt"), "--dest-id", "-3", dir.File("c.dll")});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("set.mf5"), std::string::npos) << r.out;

    r = RunTool({"list", archive});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("3 member(s)"), std::string::npos);
    EXPECT_NE(r.out.find("c.dll"), std::string::npos);
    EXPECT_NE(r.out.find("    -3 "), std::string::npos) << r.out;

    r = RunTool({"test", archive});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("3 member(s) ok"), std::string::npos);

    fs::path app = dir.Path() / "out" / "app", sys = dir.Path() / "out" / "sys";
    r = RunTool({"extract", "--dest", "0=" + app.string(), "--dest=-3=" + sys.string(), archive});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(ReadBytes((app / "a.bin").string()), a);
    EXPECT_TRUE(fs::exists(app / "b.txt"));
    EXPECT_EQ(ReadBytes((sys / "c.dll").string()), c);
    EXPECT_EQ(FilesIn(app), (std::vector<std::string>{"a.bin", "b.txt"}));
}

TEST(ArchiveTool, HostileNamesAreRefusedAndNothingEscapes) {
    TempDir dir;
    RawMember escape;
    escape.name = "..\\..\\escape.txt";
    escape.data = {1, 2, 3};
    RawMember dots;
    dots.name = "..";
    dots.data = {4};
    RawMember device;
    device.name = "dir/CON.txt";
    device.data = {5};
    RawMember absolute;
    absolute.name = "/tmp/abs.txt";
    absolute.data = {6};
    RawMember notInstalled;
    notInstalled.name = "skip.me";
    notInstalled.destinationId = -1;
    WriteBytes(dir.File("h.mf"), BuildArchive({escape, dots, device, absolute, notInstalled}));
    fs::path out = dir.Path() / "deep" / "out";
    ToolResult r = RunTool({"extract", "-C", out.string(), dir.File("h.mf")});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_NE(r.err.find("refused member name '..'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("device name"), std::string::npos) << r.err;
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"abs.txt", "escape.txt"}));
    EXPECT_EQ(FilesIn(dir.Path() / "deep"), (std::vector<std::string>{"out"}));
    EXPECT_NE(r.out.find("skipped (not installed) skip.me"), std::string::npos);
}

TEST(ArchiveTool, ReadOnlyMemberCanBeExtractedAgainOverItself) {
    TempDir dir;
    RawMember ro;
    ro.name = "locked.dat";
    ro.data = Pattern(64);
    ro.attributes = 0x21;
    WriteBytes(dir.File("ro.mf"), BuildArchive({ro}));
    fs::path out = dir.Path() / "out";
    for (int round = 0; round < 2; ++round) {
        ToolResult r = RunTool({"extract", "--overwrite", "-C", out.string(), dir.File("ro.mf")});
        ASSERT_EQ(r.code, kExitOk) << r.err;
    }
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"locked.dat"});
    EXPECT_EQ(ReadBytes((out / "locked.dat").string()), ro.data);
    CFileStatusInfo writable;
    writable.attributes = 0x20;
    CFilePath((out / "locked.dat").string()).ApplyFileStatus(writable);
}

TEST(ArchiveTool, HostileNamesFixture) {
    TempDir dir;
    std::string fixture = std::string(SETUP_TEST_DATA_DIR) + "/archives/hostile_names.mf";
    ToolResult r = RunTool({"extract", "-C", dir.File("x"), fixture});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(FilesIn(dir.Path() / "x"), std::vector<std::string>{"escape.txt"});
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"x"});
    EXPECT_NE(r.err.find("control character"), std::string::npos) << r.err;
}

TEST(ArchiveTool, DamagedMembersLeaveNoFileAndTheOthersAreStillExtracted) {
    TempDir dir;
    RawMember good;
    good.name = "good.bin";
    good.data = Pattern(100);
    RawMember badChecksum;
    badChecksum.name = "bad.bin";
    badChecksum.data = Pattern(9000);
    badChecksum.setChecksum = false;
    badChecksum.checksum = 0xBAD;
    RawMember badZlib;
    badZlib.name = "badz.bin";
    badZlib.method = 4;
    badZlib.data = {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    badZlib.expandedSize = 50;
    RawMember unknownMethod;
    unknownMethod.name = "odd.bin";
    unknownMethod.method = 9;
    unknownMethod.data = Pattern(30);
    RawMember last;
    last.name = "last.bin";
    last.data = Pattern(5000);
    WriteBytes(dir.File("d.mf"), BuildArchive({good, badChecksum, badZlib, unknownMethod, last}));
    fs::path out = dir.Path() / "out";
    ToolResult r = RunTool({"extract", "-C", out.string(), dir.File("d.mf")});
    EXPECT_EQ(r.code, kExitFailure);
    for (const char* text : {"d.mf: bad.bin: Archive file damaged (CRC Mismatch)",
                             "d.mf: badz.bin: Archive file damaged", "d.mf: odd.bin: "}) {
        EXPECT_NE(r.err.find(text), std::string::npos) << text << " in " << r.err;
    }
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"good.bin", "last.bin"}));

    r = RunTool({"test", dir.File("d.mf")});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_NE(r.out.find("ok last.bin"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 member(s) ok, 3 damaged"), std::string::npos) << r.out;
}

TEST(ArchiveTool, UnreadableArchivesEndTheRun) {
    TempDir dir;
    RawMember good;
    good.name = "good.bin";
    good.data = Pattern(3000);
    std::vector<std::uint8_t> cut = BuildArchive({good, good});
    cut.resize(cut.size() - 1000);
    WriteBytes(dir.File("cut.mf"), cut);
    ToolResult r = RunTool({"test", dir.File("cut.mf")});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_NE(r.out.find("ok good.bin"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("member(s) ok"), std::string::npos) << r.out;

    WriteBytes(dir.File("not.mf"), {'P', 'K', 3, 4, 0, 0, 0, 0});
    r = RunTool({"list", dir.File("not.mf")});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_NE(r.err.find("not.mf: File is not an archive file."), std::string::npos) << r.err;

    r = RunTool({"list", dir.File("missing.mf")});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_NE(r.err.find("missing.mf: File not found."), std::string::npos) << r.err;
}

TEST(ArchiveTool, ProgressGoesToTheErrorStreamOnlyWhenAsked) {
    TempDir dir;
    WriteBytes(dir.File("big.bin"), Pattern(300000));
    std::ostringstream out, err;
    ArchiveToolIo io{out, err, false};
    ASSERT_EQ(RunArchiveTool({"create", dir.File("p.mf"), "--method", "stored", dir.File("big.bin"),
                              "--progress"},
                             io),
              kExitOk);
    EXPECT_NE(err.str().find("adding"), std::string::npos);
    EXPECT_NE(err.str().find("%"), std::string::npos);
    ToolResult quiet = RunTool({"test", dir.File("p.mf")});
    EXPECT_EQ(quiet.err, "");
}

} // namespace
