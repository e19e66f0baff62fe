// The archive tool never loses or replaces a user's file silently and says what is wrong.
// Every case checks the exit code, the message and that the files the user had are as they
// were.
#include "ArchiveTool.h"

#include "ArchiveBuilder.h"
#include "TempDir.h"
#include "archive/ArchiveWriter.h"
#include "support/FilePath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

ToolResult RunTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    ArchiveToolIo io{out, err, false};
    int code = RunArchiveTool(args, io);
    return {code, out.str(), err.str()};
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every file below a folder with its bytes, time and whether it is writable.
using Snapshot = std::map<std::string, std::tuple<std::vector<std::uint8_t>, long long, bool>>;

Snapshot TakeSnapshot(const fs::path& root) {
    Snapshot s;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file())
            continue;
        auto time = e.last_write_time().time_since_epoch().count();
        bool writable = (e.status().permissions() & fs::perms::owner_write) != fs::perms::none;
        s[e.path().lexically_relative(root).generic_string()] = {
            ReadBytes(e.path().string()), static_cast<long long>(time), writable};
    }
    return s;
}

// The files of before are all still there, unchanged; returns the names that are new.
std::vector<std::string> ExpectUnchanged(const Snapshot& before, const fs::path& root) {
    Snapshot after = TakeSnapshot(root);
    std::vector<std::string> added;
    for (const auto& [name, state] : after) {
        auto old = before.find(name);
        if (old == before.end())
            added.push_back(name);
        else
            EXPECT_TRUE(old->second == state) << name << " changed";
    }
    for (const auto& [name, state] : before)
        EXPECT_TRUE(after.count(name) != 0) << name << " is gone";
    return added;
}

void SetReadOnly(const std::string& path, bool readOnly) {
    CFileStatusInfo status;
    CFilePath(path).FillFromFile(status);
    status.attributes = readOnly ? 0x21 : 0x20;
    CFilePath(path).ApplyFileStatus(status);
}

RawMember Member(const std::string& name, std::vector<std::uint8_t> data) {
    RawMember m;
    m.name = name;
    m.data = std::move(data);
    return m;
}

using Names = std::vector<std::string>;

TEST(ArchiveToolSafety, MembersLandingOnOneFileAreRefusedOrRenamed) {
    TempDir dir;
    auto first = Pattern(100, 1), second = Pattern(200, 2), third = Pattern(50, 3);
    WriteBytes(dir.File("two.mf"),
               BuildArchive({Member("docs\\README.TXT", first), Member("misc\\README.TXT", second),
                             Member("readme.txt", third)}));
    fs::path out = dir.Path() / "out";
    ToolResult r = RunTool({"extract", "-C", out.string(), dir.File("two.mf")});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_TRUE(Contains(r.err, "misc\\README.TXT: not extracted")) << r.err;
    EXPECT_TRUE(Contains(r.err, "from member 'docs\\README.TXT' in this run")) << r.err;
    EXPECT_TRUE(Contains(r.err, "readme.txt: not extracted")) << r.err;
    EXPECT_EQ(TakeSnapshot(out).size(), 1u);
    EXPECT_EQ(ReadBytes((out / "README.TXT").string()), first);

    fs::path kept = dir.Path() / "kept";
    r = RunTool({"extract", "--rename", "-C", kept.string(), dir.File("two.mf")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(ReadBytes((kept / "README.TXT").string()), first);
    EXPECT_EQ(ReadBytes((kept / "README~2.TXT").string()), second);
    EXPECT_EQ(ReadBytes((kept / "readme~3.txt").string()), third);
    EXPECT_TRUE(Contains(r.out, "README~2.TXT (from misc\\README.TXT)")) << r.out;
}

TEST(ArchiveToolSafety, ExistingFilesAreNeverReplacedSilently) {
    TempDir dir;
    auto fresh = Pattern(300, 9);
    WriteBytes(dir.File("doc.mf"),
               BuildArchive({Member("doc1.txt", fresh), Member("new.txt", Pattern(10, 4))}));
    fs::path out = dir.Path() / "out";
    fs::create_directories(out);
    std::string doc1 = (out / "doc1.txt").string();
    WriteBytes(doc1, {'m', 'i', 'n', 'e'});
    SetReadOnly(doc1, true);
    Snapshot before = TakeSnapshot(dir.Path());

    ToolResult r = RunTool({"extract", "-C", out.string(), dir.File("doc.mf")});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_TRUE(Contains(r.err, "doc1.txt: already exists; not replaced (give --overwrite"))
        << r.err;
    EXPECT_EQ(ExpectUnchanged(before, dir.Path()), Names{"out/new.txt"});
    fs::remove(out / "new.txt");

    r = RunTool({"extract", "--keep", "-C", out.string(), dir.File("doc.mf")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_TRUE(Contains(r.out, "kept existing ")) << r.out;
    EXPECT_EQ(ExpectUnchanged(before, dir.Path()), Names{"out/new.txt"});

    r = RunTool({"extract", "--rename", "-C", out.string(), dir.File("doc.mf")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(ReadBytes((out / "doc1~2.txt").string()), fresh);
    EXPECT_EQ(ReadBytes((out / "new~2.txt").string()), Pattern(10, 4));

    r = RunTool({"extract", "--keep", "--overwrite", "-C", out.string(), dir.File("doc.mf")});
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_TRUE(Contains(r.err, "only one of --overwrite, --keep and --rename")) << r.err;

    r = RunTool({"extract", "--overwrite", "-C", out.string(), dir.File("doc.mf")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(ReadBytes(doc1), fresh);
    SetReadOnly(doc1, false);
}

TEST(ArchiveToolSafety, CreateStoresNamesRelativeToTheFolderGiven) {
    TempDir dir;
    fs::create_directories(dir.Path() / "tree" / "sub" / "deeper");
    WriteBytes(dir.File("tree/top.txt"), Pattern(10, 1));
    WriteBytes(dir.File("tree/sub/mid.txt"), Pattern(20, 2));
    WriteBytes(dir.File("tree/sub/deeper/low.dll"), Pattern(30, 3));
    WriteBytes(dir.File("-dash.txt"), Pattern(5, 4));
    fs::create_directories(dir.Path() / "work");
    std::string absolute = fs::absolute(dir.Path() / "-dash.txt").string();
    std::string archive = dir.File("work/out.mf");
    std::string up = (fs::path("..") / "tree" / "top.txt").string();

    Snapshot before = TakeSnapshot(dir.Path());
    ToolResult r = RunTool({"create", archive, dir.File("tree"), "--dest-id", "1", "--", absolute});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(ExpectUnchanged(before, dir.Path()), Names{"work/out.mf"});
    r = RunTool({"list", archive});
    for (const char* stored : {"sub\\deeper\\low.dll", "sub\\mid.txt", " top.txt", " -dash.txt"})
        EXPECT_TRUE(Contains(r.out, stored)) << stored << " in " << r.out;
    EXPECT_FALSE(Contains(r.out, "tree")) << r.out;
    EXPECT_FALSE(Contains(r.out, dir.Path().filename().string())) << r.out;

    // "../tree/top.txt", given from inside work, is stored as "top.txt".
    std::string second = dir.File("work/up.mf");
    fs::path cwd = fs::current_path();
    fs::current_path(dir.Path() / "work");
    r = RunTool({"create", "up.mf", up});
    fs::current_path(cwd);
    ASSERT_EQ(r.code, kExitOk) << r.err;
    r = RunTool({"list", second});
    EXPECT_TRUE(Contains(r.out, " top.txt\n")) << r.out;
    EXPECT_FALSE(Contains(r.out, "..")) << r.out;

    r = RunTool({"create", dir.File("x.mf"), "-dash.txt"});
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_TRUE(Contains(r.err, "put -- before a name that starts with '-'")) << r.err;
}

TEST(ArchiveToolSafety, CreateRefusesCollisionsAndExistingArchives) {
    TempDir dir;
    fs::create_directories(dir.Path() / "tree" / "a");
    fs::create_directories(dir.Path() / "tree" / "b");
    fs::create_directories(dir.Path() / "empty");
    WriteBytes(dir.File("tree/a/README.TXT"), Pattern(10, 1));
    WriteBytes(dir.File("tree/b/readme.txt"), Pattern(20, 2));
    WriteBytes(dir.File("one.txt"), Pattern(30, 3));
    WriteBytes(dir.File("old.mf"), {'k', 'e', 'e', 'p'});
    Snapshot before = TakeSnapshot(dir.Path());
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"create", dir.File("n.mf"), dir.File("tree")}, "would be extracted to the same file as"},
        {{"create", dir.File("n.mf"), dir.File("one.txt"), dir.File("one.txt")}, "is given twice"},
        {{"create", dir.File("old.mf"), dir.File("one.txt")},
         "old.mf: already exists; not replaced (give --overwrite"},
        {{"create", dir.File("tree"), dir.File("one.txt")}, "tree: is a directory"},
        {{"create", dir.File("n.mf"), dir.File("empty")}, "is an empty folder"},
        {{"create", dir.File("n.mf"), dir.File("missing.txt")}, "missing.txt: File not found."},
        {{"create", dir.File("nodir/n.mf"), dir.File("one.txt")}, "does not exist"},
        {{"create", "--overwrite", dir.File("one.txt"), dir.File("one.txt")},
         "is the archive being written"},
    };
    for (const Case& c : cases) {
        ToolResult r = RunTool(c.args);
        EXPECT_EQ(r.code, kExitFailure) << c.message;
        EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
        EXPECT_FALSE(Contains(r.err, ".spool")) << r.err;
        EXPECT_EQ(ExpectUnchanged(before, dir.Path()), Names{}) << c.message;
    }
    // The same final name in another destination is no collision.
    ToolResult r = RunTool(
        {"create", dir.File("n.mf"), dir.File("tree/a"), "--dest-id", "-3", dir.File("tree/b")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    r = RunTool({"create", "--overwrite", dir.File("old.mf"), dir.File("one.txt")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_TRUE(Contains(RunTool({"list", dir.File("old.mf")}).out, "one.txt"));
}

#ifndef _WIN32
// Names this system allows and Windows does not are refused before anything is written.
TEST(ArchiveToolSafety, CreateRefusesNamesWindowsCannotHold) {
    TempDir dir;
    fs::create_directories(dir.Path() / "tree" / "sub");
    WriteBytes(dir.File("tree/sub/a:b.txt"), Pattern(10, 1));
    Snapshot before = TakeSnapshot(dir.Path());
    ToolResult r = RunTool({"create", dir.File("n.mf"), dir.File("tree")});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_TRUE(Contains(r.err, "a:b.txt: cannot be stored: the name 'a:b.txt' contains the "
                                "character ':'"))
        << r.err;
    EXPECT_EQ(ExpectUnchanged(before, dir.Path()), Names{});
}
#endif

// A 3-volume set of stored members: a.bin runs from volume 1 into volume 2, b.bin from 2
// into 3.
std::vector<std::string> WriteThreeVolumes(const TempDir& dir) {
    WriteBytes(dir.File("a.bin"), Pattern(2500, 1));
    WriteBytes(dir.File("b.bin"), Pattern(1500, 2));
    CArchiveWriter writer(dir.File("full.mf1"), 2000);
    ArchiveMemberOptions options;
    options.method = 2;
    for (const char* name : {"a.bin", "b.bin"}) {
        options.storedName = name;
        writer.AddFile(dir.File(name), options);
    }
    return writer.Finish();
}

TEST(ArchiveToolSafety, ReadingMessagesNameTheVolumeAndWhatIsWrong) {
    TempDir dir;
    std::vector<std::string> volumes = WriteThreeVolumes(dir);
    ASSERT_EQ(volumes.size(), 3u);
    ASSERT_EQ(RunTool({"test", volumes[0]}).code, kExitOk);
    fs::create_directories(dir.Path() / "folder");
    WriteBytes(dir.File("zero.mf1"), {});
    WriteBytes(dir.File("short.mf1"), {'m', 'f', 'l'});
    fs::rename(volumes[2], dir.File("away.mf3"));
    Snapshot before = TakeSnapshot(dir.Path());
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> messages;
    } cases[] = {
        {{"test", volumes[0]}, {"volume 3 (", "full.mf3) is missing"}},
        {{"list", volumes[0]}, {"volume 3 (", "full.mf3) is missing"}},
        {{"extract", "-C", dir.File("out"), volumes[0]}, {"full.mf3) is missing"}},
        {{"list", volumes[1]}, {"full.mf2: is not the first volume of a set (start with "}},
        {{"list", dir.File("folder")}, {"folder: is a directory, not an archive"}},
        {{"test", dir.File("zero.mf1")}, {"zero.mf1: is empty: End of file."}},
        {{"list", dir.File("short.mf1")},
         {"short.mf1: is too short to be an archive (3 bytes): End of file."}},
    };
    for (const Case& c : cases) {
        ToolResult r = RunTool(c.args);
        EXPECT_EQ(r.code, kExitFailure) << c.messages[0];
        for (const std::string& m : c.messages)
            EXPECT_TRUE(Contains(r.err, m)) << m << " in " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err << r.out;
        EXPECT_FALSE(Contains(r.err, "~mf")) << r.err;
        std::vector<std::string> added = ExpectUnchanged(before, dir.Path());
        // Extraction got as far as the member that is whole.
        EXPECT_TRUE(added.empty() || added == Names{"out/a.bin"}) << added.size();
    }
}

TEST(ArchiveToolSafety, DamageIsReportedInTheVolumeWhereItIs) {
    TempDir dir;
    std::vector<std::string> volumes = WriteThreeVolumes(dir);
    std::vector<std::uint8_t> second = ReadBytes(volumes[1]);
    second[20] ^= 0xFF; // inside the rest of a.bin's data
    WriteBytes(volumes[1], second);
    Snapshot before = TakeSnapshot(dir.Path());
    ToolResult r = RunTool({"test", volumes[0]});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_TRUE(Contains(r.err, "full.mf2: a.bin: Archive file damaged (CRC Mismatch)")) << r.err;
    EXPECT_TRUE(Contains(r.out, "ok b.bin")) << r.out;
    EXPECT_EQ(ExpectUnchanged(before, dir.Path()), Names{});
}

TEST(ArchiveToolSafety, VolumeCountLimitIsCheckedBeforeTheWork) {
    TempDir dir;
    std::mt19937 random(3);
    std::vector<std::uint8_t> noise(6000);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    WriteBytes(dir.File("noise.bin"), noise);
    WriteBytes(dir.File("noise2.bin"), Pattern(6000, 5));
    Snapshot before = TakeSnapshot(dir.Path());
    for (const char* method : {"stored", "zlib"}) {
        ToolResult r = RunTool({"create", "--volume-size", "2000", dir.File("set.mf8"), "--method",
                                method, dir.File("noise.bin"), dir.File("noise2.bin")});
        EXPECT_EQ(r.code, kExitFailure) << method;
        EXPECT_TRUE(Contains(r.err, "count up only to '")) << r.err;
        EXPECT_TRUE(Contains(r.err, "set.mf9' (2 volumes): give a larger --volume-size")) << r.err;
        EXPECT_TRUE(Contains(r.err, "or name the first volume '")) << r.err;
        EXPECT_TRUE(Contains(r.err, "set.mfA' (up to 27 volumes)")) << r.err;
        EXPECT_EQ(ExpectUnchanged(before, dir.Path()), Names{}) << method;
    }
}

TEST(ArchiveToolSafety, RandomDataIsStoredNotGrown) {
    TempDir dir;
    std::mt19937 random(11);
    std::vector<std::uint8_t> noise(20000);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    WriteBytes(dir.File("noise.bin"), noise);
    ToolResult r = RunTool({"create", dir.File("n.mf"), "--method", "zlib", dir.File("noise.bin")});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(ReadBytes(dir.File("n.mf")).size(), 8 + 346 + noise.size());
    EXPECT_TRUE(Contains(RunTool({"list", dir.File("n.mf")}).out, "stored")) << r.out;
}

TEST(ArchiveToolSafety, VolumeSizesAsPeopleWriteThem) {
    struct Case {
        const char* text;
        long long bytes;
    } cases[] = {
        {"1.44m", 1457664},  {"1.44M", 1457664}, {"1.44MB", 1457664}, {"1440k", 1474560},
        {"1440KB", 1474560}, {"720K", 730112},   {"1.2M", 1213952},   {"2.88M", 2915328},
        {"2.5m", 2621440},   {"0.5k", 512},      {"1.5", -1},         {"1.m", -1},
        {"12q", -1},         {"k", -1},          {".5m", -1},         {"1.44", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseVolumeSize(c.text), c.bytes) << c.text;
}

} // namespace
