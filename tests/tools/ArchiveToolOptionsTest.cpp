// mfarc's options beside the commands: --version, -q, -d, member patterns, list --json, and
// the dist commands reached through the tool's own command line.
#include "ArchiveTool.h"
#include "DistributionFixture.h"
#include "MemberSources.h"

#include "distribution/SafeNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int code = 0;
    std::string out, err;
};

ToolRun Mfarc(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    ArchiveToolIo io{out, err, false};
    ToolRun run;
    run.code = RunArchiveTool(args, io);
    run.out = out.str();
    run.err = err.str();
    return run;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// An archive of three small files in a scratch folder.
struct ThreeFiles {
    TempDir dir;
    std::string archive = dir.File("t.mf");
    ThreeFiles() {
        for (const char* name : {"one.txt", "two.txt", "app.dll"})
            WriteBytes(dir.File(name), Pattern(100, 3));
        const ToolRun made = Mfarc(
            {"create", archive, dir.File("one.txt"), dir.File("two.txt"), dir.File("app.dll")});
        EXPECT_EQ(made.code, 0) << made.err;
    }
};

} // namespace

TEST(ArchiveToolOptions, VersionAndHelp) {
    const ToolRun version = Mfarc({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("mfarc ", 0), 0u) << version.out;
    EXPECT_TRUE(Has(Mfarc({"--help"}).out, "dist extract")) << "help names the dist commands";
}

TEST(ArchiveToolOptions, PatternsSelectMembersForListTestAndExtract) {
    ThreeFiles t;
    const ToolRun list = Mfarc({"list", t.archive, "*.TXT"});
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_TRUE(Has(list.out, "one.txt") && Has(list.out, "two.txt")) << list.out;
    EXPECT_FALSE(Has(list.out, "app.dll")) << list.out;
    EXPECT_TRUE(Has(list.out, "2 member(s)")) << list.out;

    const ToolRun quiet = Mfarc({"-q", "test", t.archive, "o?e.*"});
    EXPECT_EQ(quiet.code, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "1 member(s) ok\n");

    const std::string out = t.dir.File("out");
    const ToolRun extract = Mfarc({"extract", "-d", out, t.archive, "APP.DLL"});
    EXPECT_EQ(extract.code, 0) << extract.err;
    EXPECT_TRUE(fs::exists(out + "/app.dll"));
    EXPECT_FALSE(fs::exists(out + "/one.txt"));

    const ToolRun none = Mfarc({"test", t.archive, "*.exe"});
    EXPECT_EQ(none.code, 2);
    EXPECT_TRUE(Has(none.err, "mfarc: *.exe: no member matches")) << none.err;
}

TEST(ArchiveToolOptions, JsonListOfOneArchive) {
    ThreeFiles t;
    const ToolRun json = Mfarc({"list", "--json", t.archive, "two.txt"});
    EXPECT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\n  \"archive\": ", 0), 0u) << json.out;
    EXPECT_TRUE(Has(json.out, "\"name\": \"two.txt\"")) << json.out;
    EXPECT_TRUE(Has(json.out, "\"expandedSize\": 100")) << json.out;
    EXPECT_FALSE(Has(json.out, "one.txt")) << json.out;
}

TEST(ArchiveToolOptions, DistThroughTheToolsCommandLine) {
    DistributionFixture fixture;
    const ToolRun run = Mfarc({"-q", "dist", "test", fixture.Folders()});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "7 file(s) ok\n");
    EXPECT_EQ(Mfarc({"dist"}).code, 1);
}

TEST(ArchiveToolOptions, TheDistributionReadersNameGateIsTheToolsGate) {
    for (const char* name :
         {"",          ".",         "..",    "CON",     "con.txt", "COM1", "COM10", "LPT9.DAT",
          "a:b",       "a\\b",      "a/b",   "x?",      "x*",      "x|y",  "x<y",   "x\"y",
          "trailing.", "trailing ", "tab\t", "APP.EXE", "a b.txt", "..x",  "NUL",   "AUX.C"})
        EXPECT_EQ(UnsafeNameReason(name).empty(), UnsafeComponentReason(name).empty())
            << "'" << name << "'";
}
