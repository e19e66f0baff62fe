// The reader against images that dosfstools and mtools made, and the writer's images
// checked by them: fsck.fat -n must find nothing, mdir must list the label and the files,
// mcopy must give back the same bytes.
#include "FatTestImages.h"
#include "TempDir.h"
#include "media/FatImage.h"
#include "media/FatImageWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace fattest;

namespace {

// Runs a shell command; returns its exit status and its standard output in out.
int RunShell(const std::string& command, std::string* out = nullptr) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        text.append(buffer, n);
    const int status = pclose(pipe.release());
    if (out != nullptr)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

void RequireTools() {
    if (RunShell("command -v mkfs.fat || test -x /usr/sbin/mkfs.fat") != 0 ||
        RunShell("command -v mcopy") != 0)
        GTEST_FAIL() << "dosfstools and mtools are needed (scripts/bootstrap installs them)";
}

std::string Tool(const std::string& name) {
    return RunShell("command -v " + name) == 0 ? name : "/usr/sbin/" + name;
}

struct ToolImage {
    TempDir dir;
    std::string image = dir.File("disk.img");

    void Make(const std::string& mkfsArguments) {
        // mkfs.fat -C FILE [options] BLOCKS: options must come before the block count.
        const std::size_t lastBlank = mkfsArguments.rfind(' ');
        const std::string options =
            lastBlank == std::string::npos ? "" : mkfsArguments.substr(0, lastBlank);
        const std::string blocks = mkfsArguments.substr(lastBlank + 1);
        std::string out;
        ASSERT_EQ(
            RunShell(Tool("mkfs.fat") + " " + options + " -C " + Quote(image) + " " + blocks, &out),
            0)
            << out;
    }
    void Copy(const std::string& name, const std::vector<std::uint8_t>& contents,
              const std::string& target) {
        WriteBytes(dir.File(name), contents);
        ASSERT_EQ(
            RunShell("mcopy -i " + Quote(image) + " " + Quote(dir.File(name)) + " ::" + target), 0);
    }
};

} // namespace

TEST(FatInterop, ReadsA144ImageWithSubdirectoriesMadeByMtools) {
    RequireTools();
    ToolImage t;
    t.Make("-n SETUPDISK1 1440");
    ASSERT_EQ(RunShell("mmd -i " + Quote(t.image) + " ::SUB ::SUB/DEEPER"), 0);
    t.Copy("one.bin", Filled(70000, 9), "/SETUP.EXE");
    t.Copy("empty.txt", {}, "/EMPTY.TXT");
    t.Copy("two.txt", Bytes("hello"), "/SUB/DEEPER/README.TXT");

    const CFatImage image = CFatImage::Load(t.image);
    EXPECT_EQ(image.Type(), FatType::fat12);
    EXPECT_EQ(image.VolumeLabel(), "SETUPDISK1");
    const auto all = image.ListAll();
    std::vector<std::string> paths;
    for (const auto& e : all)
        paths.push_back(e.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"SUB", "SETUP.EXE", "EMPTY.TXT", "SUB/DEEPER",
                                               "SUB/DEEPER/README.TXT"}));
    EXPECT_EQ(image.ReadFile(image.Find("SETUP.EXE")), Filled(70000, 9));
    EXPECT_EQ(image.ReadFile(image.Find("sub/deeper/readme.txt")), Bytes("hello"));
}

TEST(FatInterop, ReadsOtherDisketteSizesAndFat16) {
    RequireTools();
    struct Case {
        const char* arguments;
        FatType type;
    };
    for (const Case& c : {Case{"360", FatType::fat12}, Case{"2880", FatType::fat12},
                          Case{"-F 16 -s 4 16384", FatType::fat16}}) {
        ToolImage t;
        t.Make(c.arguments);
        t.Copy("data.bin", Filled(12345, 5), "/DATA.BIN");
        const CFatImage image = CFatImage::Load(t.image);
        EXPECT_EQ(image.Type(), c.type) << c.arguments;
        EXPECT_EQ(image.VolumeLabel(), "") << c.arguments;
        EXPECT_EQ(image.ReadFile(image.Find("DATA.BIN")), Filled(12345, 5)) << c.arguments;
    }
}

TEST(FatInterop, WrittenImagePassesFsckAndMtools) {
    RequireTools();
    TempDir dir;
    const std::string path = dir.File("disk1.img");
    WriteDisketteImage(path, "Program Disk",
                       {{"SETUP.INI", Bytes("[general]\r\n"), 1000000000, 0x20},
                        {"APP.MF1", Filled(300000, 7), 1000000000, 0x21},
                        {"EMPTY.TXT", {}, 1000000000, 0x20}});
    std::string out;
    EXPECT_EQ(RunShell(Tool("fsck.fat") + " -n " + Quote(path), &out), 0) << out;
    ASSERT_EQ(RunShell("mdir -i " + Quote(path) + " ::", &out), 0) << out;
    EXPECT_NE(out.find("Volume in drive : is PROGRAM DIS"), std::string::npos) << out;
    EXPECT_NE(out.find("APP      MF1    300000 2001-09-09"), std::string::npos) << out;
    EXPECT_NE(out.find("3 files"), std::string::npos) << out;
    ASSERT_EQ(RunShell("mcopy -n -i " + Quote(path) + " ::APP.MF1 " + Quote(dir.File("out.bin"))),
              0);
    EXPECT_EQ(ReadBytes(dir.File("out.bin")), Filled(300000, 7));
}

TEST(FatInterop, FsckFindsTheDamageThatTheReaderRefuses) {
    RequireTools();
    TempDir dir;
    auto bytes = TwoFileImage();
    Put16(RootEntry(bytes, 2) + 26, 3); // cross-linked with A.TXT
    WriteBytes(dir.File("bad.img"), bytes);
    EXPECT_NE(RunShell(Tool("fsck.fat") + " -n " + Quote(dir.File("bad.img"))), 0);
    EXPECT_THROW(CFatImage::Load(dir.File("bad.img")).ListAll(), CFatImageException);
}
