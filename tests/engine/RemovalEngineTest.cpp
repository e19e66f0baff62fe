// The removal engine's decisions over a recording platform that keeps a small disk (files and
// directories by path) and the shared counts; the install log is a real file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/RemovalEngine.h"
#include "profile/ProfileCollections.h"
#include "profile/SystemFolders.h"

namespace fs = std::filesystem;

namespace {

struct CFakeMachine final : CRemovalPlatform {
    std::set<std::string> files;
    std::set<std::string> directories;
    std::set<std::string> locked;
    std::map<std::string, std::uint32_t> counts;
    std::vector<std::string> calls;

    void ShowRemoving(const CFilePath& path) override { calls.push_back("show " + path.GetText()); }
    bool DeleteLoggedFile(const CFilePath& path) override {
        calls.push_back("delete " + path.GetText());
        return locked.count(path.GetText()) == 0 && files.erase(path.GetText()) == 1;
    }
    std::uint32_t ReleaseSharedCount(const CFilePath& path) override {
        const auto it = counts.find(path.GetText());
        if (it == counts.end()) {
            return 0;
        }
        const std::uint32_t before = it->second;
        if (--it->second == 0) {
            counts.erase(it);
        }
        return before;
    }
    bool RemoveEmptyDirectory(const CFilePath& directory) override {
        const std::string& dir = directory.GetText();
        calls.push_back("rmdir " + dir);
        auto holds = [&dir](const std::string& p) { return p != dir && p.rfind(dir, 0) == 0; };
        if (std::any_of(files.begin(), files.end(), holds) ||
            std::any_of(directories.begin(), directories.end(), holds)) {
            return false;
        }
        return directories.erase(dir) == 1;
    }
    void DeleteProgramItems(const TargetMap&) override { calls.push_back("items"); }
    void UnregisterLibraries() override { calls.push_back("unregister"); }
    void LogRefusal(const std::string& message) override { refusals.push_back(message); }
    std::vector<std::string> refusals;
};

const CFixedSystemFolders kMachine{"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\TEMP\\", 4, ""};

struct Fixture {
    fs::path dir = fs::current_path() / "removal";
    CFilePath log;
    ProfileCollections collections{kMachine};
    CFakeMachine machine;

    // The log text: components in "groups", their sections, the destinations.
    explicit Fixture(const std::string& logText) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        log = (dir / "install.log").string();
        std::ofstream(log.GetText()) << logText;
        collections.destinations.Load(log);
        collections.components.Load(log);
    }
    ~Fixture() { fs::remove_all(dir); }
};

} // namespace

TEST(RemovalEngineTest, ParsesFileRecords) {
    const struct {
        const char* value;
        bool ok;
        std::int16_t destination;
        bool installed;
    } cases[] = {
        {"3|1|0", true, 3, true},    {"-3|0|1", true, -3, false}, {"65533|1|1", true, -3, true},
        {"7", true, 7, false},       {"x|1|1", false, 0, false},  {"", false, 0, false},
        {"2x|1|1", false, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        RemovalFileRecord record;
        ASSERT_EQ(ParseRemovalFileRecord(c.value, record), c.ok);
        if (c.ok) {
            EXPECT_EQ(record.destination, c.destination);
            EXPECT_EQ(record.installed, c.installed);
        }
    }
    EXPECT_TRUE(IsPlainFileName("APP.EXE"));
    for (const char* bad : {"", ".", "..", "..\\WIN.INI", "C:WIN.INI", "SUB/X.DLL"}) {
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    }
}

// Which files go: system-directory files never (their count is released); help-directory
// files only at the last release of a file the installation placed; files of other
// predefined directories only when the installation placed them; the application's own
// files always.
TEST(RemovalEngineTest, DecidesWhichFilesAreDeleted) {
    const struct {
        std::int16_t destination;
        bool installed;
        std::uint32_t count; // 0 = no count value
        bool deleted;
        std::uint32_t countAfter;
    } cases[] = {
        {kDestSystem, true, 1, false, 0},      {kDestSystem, true, 2, false, 1},
        {kDestSystem, true, 0, false, 0},      {kDestSystem, false, 1, false, 0},
        {kDestHelp, true, 1, true, 0},         {kDestHelp, true, 3, false, 2},
        {kDestWindows, true, 0, true, 0},      {kDestWindows, false, 0, false, 0},
        {kDestApplication, false, 0, true, 0}, {kDestApplication, true, 0, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.destination) + (c.installed ? " installed" : " kept") +
                     " count " + std::to_string(c.count));
        Fixture f("[destinations]\n0=|-1|C:\\APP\\\n");
        CFilePath path;
        ASSERT_TRUE(f.collections.destinations.GetPath(c.destination, path));
        path.SetFileName("A.DLL");
        f.machine.files.insert(path.GetText());
        if (c.count != 0) {
            f.machine.counts[path.GetText()] = c.count;
        }
        CRemovalEngine engine(f.collections, f.log, f.machine);
        engine.RemoveFile("A.DLL", RemovalFileRecord{c.destination, c.installed, false});
        EXPECT_EQ(f.machine.files.count(path.GetText()) == 0, c.deleted);
        EXPECT_EQ(engine.GetDeletedCount(), c.deleted ? 1 : 0);
        const auto it = f.machine.counts.find(path.GetText());
        EXPECT_EQ(it == f.machine.counts.end() ? 0u : it->second, c.countAfter);
    }
}

// The whole run from a log: libraries first, every component's section in turn (a missing
// section, a damaged line, a name with a directory and an unknown destination are passed
// over), gone and locked files do not stop it, then the items, then the directories.
TEST(RemovalEngineTest, RemovesWhatTheLogListsInOrder) {
    Fixture f("[destinations]\n0=|-1|C:\\APP\\\n1=DATA|0|C:\\APP\\DATA\\\n"
              "[groups]\nMain=Main|x|1|1|1\nEmpty=Empty|x|1|1|1\nHelp=Help|x|1|1|1\n"
              "[Main]\nAPP.EXE=0|1|0\nGONE.TXT=0|1|0\nBUSY.DLL=0|1|0\n..\\..\\WIN.INI=0|1|0\n"
              "BAD=zz\nFAR.DAT=9|1|0\n"
              "[Help]\nDATA.BIN=1|0|0\n");
    f.machine.files = {"C:\\APP\\APP.EXE", "C:\\APP\\BUSY.DLL", "C:\\APP\\DATA\\DATA.BIN"};
    f.machine.locked = {"C:\\APP\\BUSY.DLL"};
    f.machine.directories = {"C:\\APP\\", "C:\\APP\\DATA\\"};
    CRemovalEngine engine(f.collections, f.log, f.machine);
    engine.RemoveInstallation();

    // Components in key order: Empty, Help, Main.
    EXPECT_EQ(f.machine.calls, (std::vector<std::string>{
                                   "unregister",
                                   "show C:\\APP\\DATA\\DATA.BIN",
                                   "delete C:\\APP\\DATA\\DATA.BIN",
                                   "show C:\\APP\\APP.EXE",
                                   "delete C:\\APP\\APP.EXE",
                                   "show C:\\APP\\GONE.TXT",
                                   "delete C:\\APP\\GONE.TXT",
                                   "show C:\\APP\\BUSY.DLL",
                                   "delete C:\\APP\\BUSY.DLL",
                                   "items",
                                   "rmdir C:\\APP\\DATA\\",
                                   "rmdir C:\\APP\\",
                               }));
    EXPECT_EQ(engine.GetDeletedCount(), 2);
    EXPECT_EQ(f.machine.files, (std::set<std::string>{"C:\\APP\\BUSY.DLL"}));
    // The subdirectory went; the application directory keeps the locked file.
    EXPECT_EQ(f.machine.directories, (std::set<std::string>{"C:\\APP\\"}));
    // Each entry passed over is an event line.
    EXPECT_EQ(f.machine.refusals, (std::vector<std::string>{
                                      "Removal passed over ..\\..\\WIN.INI: not a file name",
                                      "Removal passed over BAD in Main: not a file record",
                                      "Removal passed over FAR.DAT: no directory for destination 9",
                                  }));
}

// A hand-edited log: keys with separators or wildcards, records without a number and
// destinations the log does not define never reach a deletion; the running program's own
// files are left to the removal helper.
TEST(RemovalEngineTest, DamagedLogDeletesOnlyLoggedFilesOfKnownDirectories) {
    Fixture f("[destinations]\n0=|-1|C:\\APP\\\n"
              "[groups]\nMain=Main|x|1|1|1\nGhost=Ghost|x|1|1|1\n"
              "[Main]\nC:\\AUTOEXEC.BAT=0|1|0\n*.*=0|1|0\nA|B=0|1|0\n\\\\SRV\\X=0|1|0\n"
              "OK.TXT=0|1|0\nNONUM=|1|0\nSETUP.EXE=0|1|0\nSETUP.INI=0|1|0\nOTHER.DAT=-9|1|0\n"
              "WIN.INI=-2|0|0\n");
    f.machine.files = {"C:\\AUTOEXEC.BAT", "C:\\APP\\OK.TXT", "C:\\APP\\SETUP.EXE",
                       "C:\\APP\\SETUP.INI", "C:\\WINDOWS\\WIN.INI"};
    CRemovalEngine engine(f.collections, f.log, f.machine);
    engine.LeaveToHelper({CFilePath("C:\\APP\\SETUP.EXE"), CFilePath("C:\\APP\\SETUP.ini"),
                          CFilePath("C:\\APP\\install.log")});
    engine.RemoveInstallation();
    EXPECT_EQ(f.machine.files,
              (std::set<std::string>{"C:\\AUTOEXEC.BAT", "C:\\APP\\SETUP.EXE", "C:\\APP\\SETUP.INI",
                                     "C:\\WINDOWS\\WIN.INI"}));
    EXPECT_EQ(engine.GetDeletedCount(), 1);
    EXPECT_EQ(f.machine.refusals.size(), 6u);
    for (const std::string& refusal : f.machine.refusals) {
        EXPECT_EQ(refusal.rfind("Removal passed over ", 0), 0u) << refusal;
    }
}

// Application destinations that a hand-edited log points at a predefined directory or a root
// get that directory's rule: only placed files go, never system files, no count is touched.
TEST(RemovalEngineTest, OwnDestinationInAPredefinedDirectoryIsNotTheApplications) {
    Fixture f("[destinations]\n0=|-1|C:\\APP\\\n1=|-1|C:\\WINDOWS\\\n2=|-1|c:\\windows\\system\\\n"
              "3=|-1|D:\\\n[groups]\nMain=Main|x|1|1|1\n"
              "[Main]\nWIN.INI=1|0|0\nPLACED.DLL=1|1|0\nSYS.DLL=2|1|0\nROOT.TXT=3|0|0\n"
              "ROOTNEW.TXT=3|1|0\n");
    f.machine.files = {"C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\PLACED.DLL",
                       "c:\\windows\\system\\SYS.DLL", "D:\\ROOT.TXT", "D:\\ROOTNEW.TXT"};
    f.machine.counts["c:\\windows\\system\\SYS.DLL"] = 1;
    CRemovalEngine engine(f.collections, f.log, f.machine);
    engine.RemoveInstallation();
    EXPECT_EQ(f.machine.files,
              (std::set<std::string>{"C:\\WINDOWS\\WIN.INI", "c:\\windows\\system\\SYS.DLL",
                                     "D:\\ROOT.TXT"}));
    EXPECT_EQ(f.machine.counts["c:\\windows\\system\\SYS.DLL"], 1u);
}

// Directories made between two destinations go too, deepest first; the directory above the
// application directory and a directory that still holds a file stay.
TEST(RemovalEngineTest, RemovesDirectoriesBetweenDestinations) {
    Fixture f("[destinations]\n0=|-1|C:\\Apps\\App\\\n1=Data\\Docs\\Old|0|"
              "C:\\Apps\\App\\Data\\Docs\\Old\\\n2=|-1|C:\\Apps\\App\\Keep\\Sub\\\n");
    f.machine.directories = {"C:\\Apps\\",
                             "C:\\Apps\\App\\",
                             "C:\\Apps\\App\\Data\\",
                             "C:\\Apps\\App\\Data\\Docs\\",
                             "C:\\Apps\\App\\Data\\Docs\\Old\\",
                             "C:\\Apps\\App\\Keep\\",
                             "C:\\Apps\\App\\Keep\\Sub\\"};
    f.machine.files = {"C:\\Apps\\App\\Keep\\user.txt"};
    CRemovalEngine engine(f.collections, f.log, f.machine);
    engine.RemoveDestinationDirectories();
    EXPECT_EQ(f.machine.calls, (std::vector<std::string>{
                                   "rmdir C:\\Apps\\App\\Data\\Docs\\Old\\",
                                   "rmdir C:\\Apps\\App\\Data\\Docs\\",
                                   "rmdir C:\\Apps\\App\\Keep\\Sub\\",
                                   "rmdir C:\\Apps\\App\\Data\\",
                                   "rmdir C:\\Apps\\App\\Keep\\",
                                   "rmdir C:\\Apps\\App\\",
                               }));
    EXPECT_EQ(f.machine.directories,
              (std::set<std::string>{"C:\\Apps\\", "C:\\Apps\\App\\", "C:\\Apps\\App\\Keep\\"}));
}

// Only the application's own directories are removed, deepest first whatever their ids; one
// that is a predefined directory or a drive's root is never touched.
TEST(RemovalEngineTest, RemovesOnlyOwnDirectoriesDeepestFirst) {
    Fixture f("[destinations]\n0=|-1|C:\\APP\\\n1=A\\B|0|C:\\APP\\A\\B\\\n"
              "2=A|0|C:\\APP\\A\\\n3=|-1|C:\\WINDOWS\\\n4=|-1|D:\\\n5=|-1|\n");
    f.machine.directories = {"C:\\APP\\", "C:\\APP\\A\\", "C:\\APP\\A\\B\\", "C:\\WINDOWS\\",
                             "D:\\"};
    CRemovalEngine engine(f.collections, f.log, f.machine);
    engine.RemoveDestinationDirectories();
    EXPECT_EQ(f.machine.calls, (std::vector<std::string>{"rmdir C:\\APP\\A\\B\\",
                                                         "rmdir C:\\APP\\A\\", "rmdir C:\\APP\\"}));
    EXPECT_EQ(f.machine.directories, (std::set<std::string>{"C:\\WINDOWS\\", "D:\\"}));
}

// Directories of one depth go in the order of their ids, the deeper ones before them.
TEST(RemovalEngineTest, DirectoriesOfOneDepthGoInTheOrderOfTheirIds) {
    Fixture f("[destinations]\n0=|-1|C:\\APP\\\n1=YY|0|C:\\APP\\YY\\\n"
              "2=XX|0|C:\\APP\\XX\\\n3=XX\\Z|0|C:\\APP\\XX\\Z\\\n");
    f.machine.directories = {"C:\\APP\\", "C:\\APP\\YY\\", "C:\\APP\\XX\\", "C:\\APP\\XX\\Z\\"};
    CRemovalEngine engine(f.collections, f.log, f.machine);
    engine.RemoveDestinationDirectories();
    EXPECT_EQ(f.machine.calls,
              (std::vector<std::string>{"rmdir C:\\APP\\XX\\Z\\", "rmdir C:\\APP\\YY\\",
                                        "rmdir C:\\APP\\XX\\", "rmdir C:\\APP\\"}));
}

// A directory name with a double-byte character whose trail byte is '\': the directories
// between two destinations are found by whole characters, so no directory cut in the middle
// of that character is asked to go.
TEST(RemovalEngineTest, DirectoriesBetweenDestinationsKeepDoubleByteNamesWhole) {
    // 0x95 is a lead byte in the manner of Shift-JIS; "\x95\x5C" is one character.
    const std::string middle = "C:\\APP\\X\x95\x5CY\\";
    Fixture f("[destinations]\n0=|-1|C:\\APP\\\n1=SUB|0|" + middle + "SUB\\\n");
    f.machine.directories = {"C:\\APP\\", middle, middle + "SUB\\"};
    CRemovalEngine engine(f.collections, f.log, f.machine);
    engine.RemoveDestinationDirectories([](unsigned char c) { return c == 0x95; });
    EXPECT_EQ(f.machine.calls, (std::vector<std::string>{"rmdir " + middle + "SUB\\",
                                                         "rmdir " + middle, "rmdir C:\\APP\\"}));
    EXPECT_TRUE(f.machine.directories.empty());
}

// A destination whose name ends in a double-byte character with the trail byte '\\': its
// key keeps that character, so the directory below it finds it as its parent and no
// directory is asked to go twice.
TEST(RemovalEngineTest, DestinationEndingInADoubleByteCharacterIsOneDirectory) {
    const std::string lower = "C:\\APP\\x\x95\x5C\\";
    Fixture f("[destinations]\n0=|-1|C:\\APP\\\n1=X|0|" + lower + "\n2=SUB|1|" + lower + "SUB\\\n");
    f.machine.directories = {"C:\\APP\\", lower, lower + "SUB\\"};
    CRemovalEngine engine(f.collections, f.log, f.machine);
    engine.RemoveDestinationDirectories([](unsigned char c) { return c == 0x95; });
    EXPECT_EQ(f.machine.calls, (std::vector<std::string>{"rmdir " + lower + "SUB\\",
                                                         "rmdir " + lower, "rmdir C:\\APP\\"}));
    EXPECT_TRUE(f.machine.directories.empty());
}

#ifdef _WIN32
#include <windows.h>

#include "engine/RegistryEntries.h"
#include "engine/RemovalPlatformWin32.h"

namespace {
struct CFilesOnly final : CWin32RemovalFiles {
    void ShowRemoving(const CFilePath&) override {}
    void DeleteProgramItems(const TargetMap&) override {}
    void UnregisterLibraries() override {}
    void LogRefusal(const std::string&) override {}
};
} // namespace

// On the prefix's disk and registry: a read-only file of ours goes, a missing one is reported,
// a directory is removed only when empty, and a shared count loses one use per release.
TEST(RemovalPlatformWin32Test, FilesDirectoriesAndCounts) {
    const fs::path dir = fs::current_path() / "removal_win32";
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    const CFilePath file = (dir / "sub" / "RO.DLL").string();
    std::ofstream(file.GetText()) << "x";
    ::SetFileAttributesA(file.GetText().c_str(), FILE_ATTRIBUTE_READONLY);
    CFilesOnly files;
    const CFilePath sub = (dir / "sub").string() + "\\";
    EXPECT_FALSE(files.RemoveEmptyDirectory(sub));
    EXPECT_TRUE(files.DeleteLoggedFile(file));
    EXPECT_FALSE(fs::exists(file.GetText()));
    EXPECT_FALSE(files.DeleteLoggedFile(file));
    EXPECT_TRUE(files.RemoveEmptyDirectory(sub));
    EXPECT_FALSE(fs::exists(dir / "sub"));

    const CFilePath shared = "C:\\REMOVALTEST\\SHARED.DLL";
    {
        CSharedDllCount count(shared);
        count.AddRef();
        count.AddRef();
    }
    EXPECT_EQ(files.ReleaseSharedCount(shared), 2u);
    EXPECT_EQ(CSharedDllCount(shared).GetCount(), 1u);
    EXPECT_EQ(files.ReleaseSharedCount(shared), 1u);
    EXPECT_EQ(CSharedDllCount(shared).GetCount(), 0u);
    EXPECT_EQ(files.ReleaseSharedCount(shared), 0u);
    fs::remove_all(dir);
}

// The files left to the removal helper are recognised also when the log spells the
// application directory with short names.
TEST(RemovalPlatformWin32Test, SameFileUnderShortAndLongNames) {
    const fs::path dir = fs::current_path() / "removal long directory name";
    fs::create_directories(dir);
    const CFilePath file = (dir / "setup program.ini").string();
    std::ofstream(file.GetText()) << "x";
    char shortName[MAX_PATH + 1] = {};
    ASSERT_GT(::GetShortPathNameA(file.GetText().c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(std::string(shortName), file.GetText());
    CFilesOnly files;
    EXPECT_TRUE(files.IsSameFile(file, CFilePath(shortName)));
    EXPECT_TRUE(files.IsSameFile(CFilePath(shortName), file));
    EXPECT_FALSE(files.IsSameFile(file, CFilePath((dir / "other.ini").string())));
    fs::remove_all(dir);
}
#endif
