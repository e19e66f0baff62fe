// The file installation engine over real archives in a scratch directory, with a test
// platform that does the file work with the portable path helpers and records what would go
// to the log, the error dialog and Program Manager.
#include "engine/InstallEngine.h"
#include "archive/ArchiveWriter.h"
#include "engine/ReplaceRules.h"
#include "errors/Exceptions.h"
#include "profile/ProfileCollections.h"
#include "profile/SystemFolders.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<std::uint8_t>(seed >> 16);
    }
    return bytes;
}

struct LogLine {
    std::string component;
    std::string path;
    int destination;
    bool installed;
    bool replaced;
    bool operator==(const LogLine& o) const {
        return component == o.component && path == o.path && destination == o.destination &&
               installed == o.installed && replaced == o.replaced;
    }
};
std::ostream& operator<<(std::ostream& out, const LogLine& l) {
    return out << l.component << ":" << l.path << "=" << l.destination << "|" << l.installed << "|"
               << l.replaced;
}

class CTestPlatform : public CInstallPlatform {
public:
    void MakeDirectory(const CFilePath& directory) override {
        made.push_back(directory.GetText());
        std::string text = directory.GetText();
        while (!text.empty() && (text.back() == '\\' || text.back() == '/'))
            text.pop_back();
        std::error_code error;
        fs::create_directories(text, error);
        if (error)
            throw CFileException(CFileException::kGeneric, error.value(), text);
    }
    bool Exists(const CFilePath& path) override {
        return allNamesTaken || fs::exists(path.GetText());
    }
    bool FileExists(const CFilePath& path) override {
        fileQueries.push_back(path.GetText());
        return fs::is_regular_file(path.GetText());
    }
    int ShouldReplace(const CFilePath& present, const CFilePath& newFile) override {
        CReplaceFacts a, b;
        a.modifyTime = present.GetModifyTime();
        b.modifyTime = newFile.GetModifyTime();
        return DecideReplacement(a, b);
    }
    bool DeletePresent(const CFilePath& path) override { return !presentInUse && path.Delete(); }
    void DeleteTemporary(const CFilePath& path) override { path.Delete(); }
    void CopySetupFile(const CFilePath& from, const CFilePath& to) override {
        if (copyFails) {
            throw CFileException(CFileException::kAccessDenied, 5, from);
        }
        fs::copy_file(from.GetText(), to.GetText());
    }
    bool IsSameFile(const CFilePath& a, const CFilePath& b) override {
        return fs::exists(a.GetText()) && fs::exists(b.GetText()) &&
               fs::equivalent(a.GetText(), b.GetText());
    }
    // As on Windows: a name that is taken is not replaced.
    RenameResult Rename(const CFilePath& from, const CFilePath& to,
                        std::int32_t& osError) override {
        ++renames;
        if (fs::is_regular_file(to.GetText()))
            return RenameResult::kNameTaken;
        if (renameFails || fs::exists(to.GetText())) {
            osError = 5;
            return RenameResult::kFailed;
        }
        return from.Rename(to) ? RenameResult::kMoved : RenameResult::kFailed;
    }
    void RemoveEmptyDirectory(const CFilePath& directory) override {
        std::error_code ignored;
        fs::remove(directory.GetText(), ignored);
    }
    bool DeferReplacement(const CFilePath& newFile, const CFilePath& present) override {
        deferred.push_back(newFile.GetText() + ">" + present.GetText());
        return deferWorks;
    }
    void WriteFileRecord(const CFilePath&, const std::string& componentKey,
                         const CFilePath& installedPath, std::int16_t destination, bool installed,
                         bool replaced) override {
        log.push_back({componentKey, installedPath.GetText(), destination, installed, replaced});
    }
    void WriteCollections(const ProfileCollections&, const CFilePath&) override {
        ++collectionsWritten;
    }
    void CreateProgramItems(const TargetMap&) override { ++itemsCreated; }
    void PumpMessages() override {
        if (onPump)
            onPump();
    }
    bool ReportArchiveError(const CException& error, const std::string& archiveName) override {
        reports.push_back(archiveName + ":" + error.GetRuntimeClassName());
        return continueAfterError;
    }

    int renames = 0;
    std::vector<std::string> made;
    bool allNamesTaken = false;
    bool presentInUse = false;
    bool renameFails = false;
    bool copyFails = false;
    bool deferWorks = true;
    bool continueAfterError = true;
    std::function<void()> onPump;
    std::vector<std::string> deferred;
    std::vector<std::string> fileQueries;
    std::vector<LogLine> log;
    std::vector<std::string> reports;
    int collectionsWritten = 0;
    int itemsCreated = 0;
};

class CTestRun : public CArchiveRun {
public:
    explicit CTestRun(std::string source) : m_source(std::move(source)) {}
    bool IsAborted() const override { return aborted; }
    void SetAbort() override { aborted = true; }
    CProgressSink* GetProgressSink() const override { return GetCurrentInstallProgress(); }
    CFilePath GetSourceDirectory() const override { return m_source; }
    bool Locate(const std::string& fileName, std::int32_t) override {
        located.push_back(fileName);
        return fileName != refused;
    }
    bool aborted = false;
    std::string refused;
    std::vector<std::string> located;

private:
    std::string m_source;
};

class CTestSink : public CInstallProgress {
public:
    void SetRange(std::uint32_t total) override { range = total; }
    void ShowSource(const std::string& text) override { sources.push_back(text); }
    void AddDone(std::uint32_t bytes) override { done += bytes; }
    void SetCurrentFile(CInstallFile* file) override { current = file; }
    void ShowProgress() override {
        ++shown;
        if (onProgress && current != nullptr)
            onProgress(*current);
    }
    std::uint32_t range = 0;
    std::uint32_t done = 0;
    int shown = 0;
    CInstallFile* current = nullptr;
    std::vector<std::string> sources;
    std::function<void(CInstallFile&)> onProgress;
};

struct Member {
    std::string name;
    std::size_t size;
    std::int16_t destination;
    std::int64_t time = 1000000000;
    std::int32_t method = 4;
};

class InstallEngineTest : public ::testing::Test {
protected:
    InstallEngineTest()
        : m_folders("C:\\W", "C:\\W\\S", "C:\\T\\", 4, ""), m_collections(m_folders),
          m_run(Dir("dist")) {
        fs::create_directories(Dir("dist"));
        Destination(0, "app");
        Destination(kDestWindows, "win");
        Destination(kDestSystem, "sys");
        // "Main" belongs to the typical setup, "Extras" to none.
        std::ofstream(m_dir.File("groups.ini")) << "[groups]\nMain=t|d|1|1|1\nExtras=t|d|0|0|1\n";
        m_collections.components.Load(CFilePath(m_dir.File("groups.ini")));
        m_collections.components.SelectBySetupType(2);
    }

    std::string Dir(const std::string& name) const { return m_dir.File(name) + "/"; }
    void Destination(std::int16_t id, const std::string& name) {
        m_collections.destinations.SetResolvedPath(id, CFilePath(Dir(name)));
    }
    const ComponentRecord* Find(const std::string& key) const {
        return m_collections.components.Find(key);
    }
    // Writes an archive named name into the distribution directory; every member's data is
    // a pattern seeded by its index. Returns the members' headers.
    std::vector<EntryHeader> Archive(const std::string& name, const std::vector<Member>& members) {
        CArchiveWriter writer(Dir("dist") + name);
        for (std::size_t i = 0; i < members.size(); ++i) {
            std::string flat = members[i].name;
            std::replace(flat.begin(), flat.end(), '\\', '_');
            const std::string source = m_dir.File("src-" + flat);
            WriteBytes(source, Pattern(members[i].size, static_cast<std::uint32_t>(i + 1)));
            CFileStatusInfo status;
            status.modifyTime = members[i].time;
            status.attributes = 0x20;
            CFilePath(source).ApplyFileStatus(status);
            ArchiveMemberOptions options;
            options.method = members[i].method;
            options.destinationId = members[i].destination;
            options.storedName = members[i].name;
            writer.AddFile(source, options);
        }
        writer.Finish();
        return writer.Headers();
    }
    void Record(const std::string& name, const std::string& component, std::int16_t kind,
                std::int32_t size, std::int16_t destination = -1) {
        ArchiveRecordInfo info;
        info.fileName = name;
        info.kind = kind;
        info.size = size;
        info.destination = destination;
        info.component = Find(component);
        m_collections.archives.Insert(info);
    }
    bool Run() {
        CInstallEngine engine(m_collections, CFilePath(m_dir.File("install.log")), m_run,
                              m_platform);
        return engine.InstallArchives(m_sink);
    }
    // Files in a directory, by name.
    std::vector<std::string> Files(const std::string& dir) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Dir(dir)))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir m_dir;
    CFixedSystemFolders m_folders;
    ProfileCollections m_collections;
    CTestRun m_run;
    CTestPlatform m_platform;
    CTestSink m_sink;
};

TEST(MemberFileName, KeepsOnlyTheLastComponentAndRefusesEmptyNames) {
    EXPECT_EQ(MemberFileName("APP.EXE"), "APP.EXE");
    EXPECT_EQ(MemberFileName("SUB\\DIR\\APP.EXE"), "APP.EXE");
    EXPECT_EQ(MemberFileName("..\\..\\WIN.INI"), "WIN.INI");
    EXPECT_EQ(MemberFileName("C:APP.EXE"), "APP.EXE");
    EXPECT_EQ(MemberFileName("a/b/c.txt"), "c.txt");
    for (const char* bad : {"", "DIR\\", "..", ".", "SUB\\..", "C:"})
        EXPECT_THROW(MemberFileName(bad), CFileException) << bad;
}

// A code page in the manner of Shift-JIS: 0x81-0x9F and 0xE0-0xFC are lead bytes.
bool TestLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

TEST(MemberFileName, RefusesDevicesAndUnsafeCharactersAndKeepsDoubleByteNamesWhole) {
    for (const char* bad : {"CON", "SUB\\nul.txt", "COM1.DAT", "LPT9", "CLOCK$", "A\x01.EXE",
                            "TAB\tX", "DEL\x7F", "NAME.", "NAME ", "A|B", "A?B", "A*B", "A<B"})
        EXPECT_THROW(MemberFileName(bad), CFileException) << bad;
    // "\x95\x5C" is one character whose trail byte is '\': no separator, no reserved character.
    const std::string character = "\x95\x5C";
    EXPECT_EQ(MemberFileName("DIR\\" + character + ".TXT", TestLeadByte), character + ".TXT");
    EXPECT_EQ(MemberFileName(character, TestLeadByte), character);
    EXPECT_EQ(MemberFileName(character + "\\APP.EXE", TestLeadByte), "APP.EXE");
    // Without the code page the same bytes end in a separator and leave no name.
    EXPECT_THROW(MemberFileName(character, [](unsigned char) { return false; }), CFileException);
}

// The copy already on the machine is looked for through the platform, and only a file counts:
// a directory of the member's name in the Windows directory is no present copy.
TEST_F(InstallEngineTest, PresentCopiesAreLookedForThroughThePlatform) {
    fs::create_directories(Dir("win") + "SHARED.DLL");
    Archive("A.MFA", {{"SHARED.DLL", 100, kDestSystem}});
    Record("A.MFA", "Main", kArchiveKindMultiFile, 100);
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_platform.fileQueries,
              (std::vector<std::string>{Dir("win") + "SHARED.DLL", Dir("sys") + "SHARED.DLL"}));
    EXPECT_EQ(ReadBytes(Dir("sys") + "SHARED.DLL"), Pattern(100, 1));
    EXPECT_TRUE(fs::is_directory(Dir("win") + "SHARED.DLL"));
    EXPECT_TRUE(m_platform.reports.empty());
}

TEST_F(InstallEngineTest, InstallsSelectedRecordsLogsThemAndCountsProgress) {
    Archive("APP.MFA", {{"SUB\\APP.EXE", 9000, 0, 1100000000},
                        {"SKIP.DAT", 3000, kDestNotInstalled},
                        {"SHARED.DLL", 5000, kDestSystem, 1200000000, 3}});
    Archive("EXTRA.MFA", {{"EXTRA.TXT", 100, 0}});
    WriteBytes(Dir("dist") + "README.TXT", Pattern(700, 9));
    Record("APP.MFA", "Main", kArchiveKindMultiFile, 17000);
    Record("README.TXT", "Main", kArchiveKindSingleFile, 500, 0); // size below the real one
    Record("NOTES.TXT", "Main", kArchiveKindSingleFile, 40, kDestNotInstalled);
    Record("ODD.BIN", "Main", 7, 60);
    Record("EXTRA.MFA", "Extras", kArchiveKindMultiFile, 100);
    std::ofstream(m_dir.File("targets.ini")) << "[targets]\nreadme.txt=0|-1|0|Read Me|x\n";
    m_collections.targets.Load(CFilePath(m_dir.File("targets.ini")));

    EXPECT_TRUE(Run());
    EXPECT_FALSE(m_run.aborted);
    EXPECT_TRUE(m_platform.reports.empty()) << m_platform.reports.front();

    // The unselected component's archive is neither asked for nor counted; the record of
    // an unknown kind is asked for but not counted.
    EXPECT_EQ(m_run.located,
              (std::vector<std::string>{"APP.MFA", "README.TXT", "NOTES.TXT", "ODD.BIN"}));
    EXPECT_EQ(m_sink.range, 17000u + 500 + 40 + 60);
    EXPECT_EQ(m_sink.done, 9000u + 3000 + 5000 + 700 + 40);
    EXPECT_EQ(m_sink.current, nullptr);
    EXPECT_EQ(GetCurrentInstallProgress(), nullptr);

    // Files in place with their data and times; the whole plain file is copied; no
    // temporary file is left anywhere.
    EXPECT_EQ(Files("app"), (std::vector<std::string>{"APP.EXE", "README.TXT"}));
    EXPECT_EQ(Files("sys"), (std::vector<std::string>{"SHARED.DLL"}));
    EXPECT_EQ(ReadBytes(Dir("app") + "APP.EXE"), Pattern(9000, 1));
    EXPECT_EQ(ReadBytes(Dir("sys") + "SHARED.DLL"), Pattern(5000, 3));
    EXPECT_EQ(ReadBytes(Dir("app") + "README.TXT"), Pattern(700, 9));
    EXPECT_EQ(CFilePath(Dir("app") + "APP.EXE").GetModifyTime(), 1100000000);
    EXPECT_EQ(CFilePath(Dir("sys") + "SHARED.DLL").GetModifyTime(), 1200000000);

    EXPECT_EQ(m_platform.log,
              (std::vector<LogLine>{{"Main", Dir("app") + "APP.EXE", 0, true, false},
                                    {"Main", Dir("sys") + "SHARED.DLL", kDestSystem, true, false},
                                    {"Main", Dir("app") + "README.TXT", 0, true, false}}));
    EXPECT_EQ(m_collections.targets.Find("README.TXT")->installedPath.GetText(),
              Dir("app") + "README.TXT");
    EXPECT_EQ(m_platform.itemsCreated, 1);
    EXPECT_EQ(m_platform.collectionsWritten, 1);
}

TEST_F(InstallEngineTest, ReplacementRuleDecidesOverPresentFiles) {
    const struct {
        const char* name;
        std::int16_t destination;
        const char* presentDir; // where the present copy lies
        std::int64_t presentTime;
        bool inUse;
        bool deferWorks;
        bool installed;
        bool replaced;
        const char* expectedIn; // the directory that holds the file afterwards
        bool newContent;
    } cases[] = {
        {"NEWER.DAT", 0, "app", 1500000000, false, true, false, false, "app", false},
        {"SAME.DAT", 0, "app", 1000000000, false, true, false, false, "app", false},
        {"OLDER.DAT", 0, "app", 900000000, false, true, true, true, "app", true},
        // Only the System directory has a copy of a Windows-directory file: that copy is
        // compared and deleted, the new file goes to the Windows directory.
        {"WINFILE.DLL", kDestWindows, "sys", 900000000, false, true, true, true, "win", true},
        // A present file in use keeps its place; the new one waits for a restart, or is
        // dropped when that cannot be arranged.
        {"BUSY.DLL", 0, "app", 900000000, true, true, false, true, "app", false},
        {"BUSY2.DLL", 0, "app", 900000000, true, false, false, true, "app", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_platform.log.clear();
        m_platform.deferred.clear();
        m_platform.presentInUse = c.inUse;
        m_platform.deferWorks = c.deferWorks;
        fs::remove_all(Dir("app"));
        fs::remove_all(Dir("win"));
        fs::remove_all(Dir("sys"));
        fs::create_directories(Dir(c.presentDir));
        const std::string present = Dir(c.presentDir) + c.name;
        WriteBytes(present, {'o', 'l', 'd'});
        CFileStatusInfo status;
        status.modifyTime = c.presentTime;
        CFilePath(present).ApplyFileStatus(status);

        Archive("A.MFA", {{c.name, 2000, c.destination, 1000000000}});
        ArchiveRecordInfo info;
        info.fileName = "A.MFA";
        info.kind = kArchiveKindMultiFile;
        info.component = Find("Main");
        CArchiveRecord record(info, m_run);
        CInstallEngine engine(m_collections, CFilePath(m_dir.File("install.log")), m_run,
                              m_platform);
        engine.InstallArchive(record, m_sink);

        ASSERT_EQ(m_platform.log.size(), 1u);
        const std::string destination = Dir(c.destination == kDestWindows ? "win" : "app") + c.name;
        EXPECT_EQ(m_platform.log[0],
                  (LogLine{"Main", destination, c.destination, c.installed, c.replaced}));
        const std::string kept = Dir(c.expectedIn) + c.name;
        EXPECT_EQ(ReadBytes(kept) == Pattern(2000, 1), c.newContent);
        EXPECT_EQ(m_platform.deferred.size(), c.inUse ? 1u : 0u);
        // Apart from a new file waiting for the restart, no temporary file stays.
        const std::size_t files = Files(c.expectedIn).size();
        EXPECT_EQ(files, c.inUse && c.deferWorks ? 2u : 1u);
        if (c.destination == kDestWindows) {
            EXPECT_TRUE(Files("sys").empty());
        }
        EXPECT_TRUE(m_platform.reports.empty());
    }
}

TEST_F(InstallEngineTest, DamagedArchiveReportsOnceAndKeepsWhatIsInstalled) {
    const std::vector<EntryHeader> headers =
        Archive("BAD.MFA", {{"ONE.DAT", 5000, 0}, {"TWO.DAT", 5000, 0}, {"THREE.DAT", 50, 0}});
    Archive("GOOD.MFA", {{"FOUR.DAT", 10, 0}});
    // Damage the middle of the second member's coded data.
    {
        std::fstream f(Dir("dist") + "BAD.MFA", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(8 + 2 * 346 + headers[0].compressedSize +
                                            headers[1].compressedSize / 2));
        const char junk[8] = {'\x55', '\x66', '\x77', '\x11', '\x22', '\x33', '\x44', '\x55'};
        f.write(junk, sizeof(junk));
    }
    fs::create_directories(Dir("app"));
    WriteBytes(Dir("app") + "TWO.DAT", {'k', 'e', 'e', 'p'});
    Record("BAD.MFA", "Main", kArchiveKindMultiFile, 10050);
    Record("GOOD.MFA", "Main", kArchiveKindMultiFile, 10);

    for (bool goOn : {true, false}) {
        SCOPED_TRACE(goOn);
        m_platform.continueAfterError = goOn;
        m_platform.reports.clear();
        m_platform.log.clear();
        m_run.aborted = false;
        fs::remove(Dir("app") + "ONE.DAT");
        fs::remove(Dir("app") + "FOUR.DAT");

        EXPECT_EQ(Run(), goOn);
        ASSERT_EQ(m_platform.reports.size(), 1u);
        EXPECT_EQ(m_platform.reports[0].rfind("BAD.MFA:", 0), 0u) << m_platform.reports[0];
        // The first member stays installed and logged; the present copy of the damaged one
        // is untouched, the third is not reached, and no temporary file is left.
        EXPECT_EQ(ReadBytes(Dir("app") + "ONE.DAT"), Pattern(5000, 1));
        EXPECT_EQ(ReadBytes(Dir("app") + "TWO.DAT"),
                  (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
        std::vector<std::string> expected{"ONE.DAT", "TWO.DAT"};
        if (goOn)
            expected.insert(expected.begin(), "FOUR.DAT");
        EXPECT_EQ(Files("app"), expected);
        EXPECT_EQ(m_platform.log.size(), goOn ? 2u : 1u);
        EXPECT_EQ(m_run.aborted, !goOn);
    }
    // A stopped run makes no items but still logs its collections for a removal.
    EXPECT_EQ(m_platform.itemsCreated, 1);
    EXPECT_EQ(m_platform.collectionsWritten, 2);
}

TEST_F(InstallEngineTest, CancelRefusedDisketteAndFailedPlacementEndTheRun) {
    Archive("BIG.MFA", {{"BIG.DAT", 300000, 0, 1000000000, 3}, {"NEXT.DAT", 10, 0}});
    Archive("LAST.MFA", {{"LAST.DAT", 10, 0}});
    Record("BIG.MFA", "Main", kArchiveKindMultiFile, 300010);
    Record("LAST.MFA", "Main", kArchiveKindMultiFile, 10);

    // A cancel confirmed during an extraction: no report, the member is not placed, the run
    // stops before the next archive.
    m_sink.onProgress = [this](CInstallFile& file) {
        m_run.SetAbort();
        file.GetArchive().Abort();
    };
    EXPECT_FALSE(Run());
    EXPECT_GT(m_sink.shown, 0);
    EXPECT_TRUE(m_platform.reports.empty());
    EXPECT_TRUE(m_platform.log.empty());
    EXPECT_TRUE(Files("app").empty());
    EXPECT_EQ(m_run.located, (std::vector<std::string>{"BIG.MFA"}));
    EXPECT_EQ(m_platform.itemsCreated, 0);
    EXPECT_EQ(m_platform.collectionsWritten, 1);

    // A cancel confirmed between two archives (while the messages are pumped): the next
    // archive is not asked for.
    m_sink.onProgress = nullptr;
    m_run.aborted = false;
    m_run.located.clear();
    m_platform.onPump = [this] {
        if (fs::exists(Dir("app") + "NEXT.DAT"))
            m_run.SetAbort();
    };
    EXPECT_FALSE(Run());
    EXPECT_EQ(m_run.located, (std::vector<std::string>{"BIG.MFA"}));
    EXPECT_EQ(Files("app"), (std::vector<std::string>{"BIG.DAT", "NEXT.DAT"}));
    m_platform.onPump = nullptr;
    fs::remove_all(Dir("app"));

    // The last record's diskette refused: the run is not complete either.
    m_sink.onProgress = nullptr;
    m_run.aborted = false;
    m_run.refused = "LAST.MFA";
    EXPECT_FALSE(Run());
    EXPECT_EQ(Files("app"), (std::vector<std::string>{"BIG.DAT", "NEXT.DAT"}));
    EXPECT_EQ(m_platform.itemsCreated, 0);

    // A rename that fails is reported and logged as not installed, not passed over.
    m_run.aborted = false;
    m_run.refused.clear();
    m_platform.renameFails = true;
    m_platform.log.clear();
    fs::remove_all(Dir("app"));
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_platform.reports,
              (std::vector<std::string>{"BIG.MFA:CFileException", "LAST.MFA:CFileException"}));
    ASSERT_EQ(m_platform.log.size(), 2u);
    EXPECT_FALSE(m_platform.log[0].installed);
    EXPECT_TRUE(Files("app").empty());

    // No free temporary name: reported, nothing expanded over an existing file.
    m_platform.renameFails = false;
    m_platform.allNamesTaken = true;
    m_platform.reports.clear();
    m_platform.log.clear();
    EXPECT_TRUE(Run());
    EXPECT_EQ(m_platform.reports.size(), 2u);
    EXPECT_TRUE(m_platform.log.empty());
    EXPECT_TRUE(Files("app").empty());
}

// Members are expanded in the run's own directory inside their destination directory, which
// is gone once the record is done; a file that has that directory's name makes the members
// go directly into the destination directory, and stays. Each destination directory is made
// once per run, and a new file takes one move.
TEST_F(InstallEngineTest, MembersAreExpandedInARunDirectoryOfTheirDestination) {
    Archive("A.MFA", {{"ONE.DAT", 9000, 0}, {"TWO.DAT", 9000, 0}});
    Archive("B.MFA", {{"THREE.DAT", 9000, 0}});
    Record("A.MFA", "Main", kArchiveKindMultiFile, 18000);
    Record("B.MFA", "Main", kArchiveKindMultiFile, 9000);
    std::vector<std::string> temporary;
    m_sink.onProgress = [&](CInstallFile& file) {
        if (temporary.empty() || temporary.back() != file.temporaryPath.GetText())
            temporary.push_back(file.temporaryPath.GetText());
    };

    EXPECT_TRUE(Run());
    ASSERT_EQ(temporary.size(), 3u);
    const std::string runDirectory = Dir("app") + CInstallEngine::kTemporaryDirectoryName + "/";
    for (const std::string& path : temporary) {
        EXPECT_EQ(path.rfind(runDirectory, 0), 0u) << path;
        EXPECT_EQ(path.size(), runDirectory.size() + 12) << path; // 8 hex digits and ".DAT"
    }
    EXPECT_EQ(Files("app"), (std::vector<std::string>{"ONE.DAT", "THREE.DAT", "TWO.DAT"}));
    // The destination directory once, the run's directory once per record.
    EXPECT_EQ(std::count_if(m_platform.made.begin(), m_platform.made.end(),
                            [](const std::string& made) {
                                return made.find(CInstallEngine::kTemporaryDirectoryName) ==
                                       std::string::npos;
                            }),
              1)
        << ::testing::PrintToString(m_platform.made);
    EXPECT_EQ(m_platform.renames, 3);

    fs::remove_all(Dir("app"));
    fs::create_directories(Dir("app"));
    WriteBytes(runDirectory.substr(0, runDirectory.size() - 1), {'m', 'i', 'n', 'e'});
    temporary.clear();
    EXPECT_TRUE(Run());
    ASSERT_EQ(temporary.size(), 3u);
    EXPECT_EQ(fs::path(temporary[0]).parent_path(), fs::path(Dir("app")).parent_path());
    EXPECT_EQ(Files("app"), (std::vector<std::string>{"ONE.DAT", "THREE.DAT", "TWO.DAT",
                                                      CInstallEngine::kTemporaryDirectoryName}));
    EXPECT_TRUE(m_platform.reports.empty());
}

// A member's name whose double-byte character has '\' as its trail byte: the member is
// expanded in the run directory of its destination, not of a directory that would end in the
// middle of that character.
TEST_F(InstallEngineTest, TemporaryPathOfADoubleByteNameIsInTheDestinationsRunDirectory) {
    CInstallEngine engine(m_collections, CFilePath(m_dir.File("install.log")), m_run, m_platform);
    const std::string runDirectory = Dir("app") + CInstallEngine::kTemporaryDirectoryName + "/";
    const CFilePath temporary =
        engine.MakeTemporaryPath(CFilePath(Dir("app") + "\x95\x5C.DAT"), TestLeadByte);
    EXPECT_EQ(temporary.GetText().rfind(runDirectory, 0), 0u) << temporary.GetText();
    EXPECT_EQ(m_platform.made, std::vector<std::string>{runDirectory});
}

// The setup's own files: the program and its profile go beside the application, replacing
// present copies whatever their age, the helper into the system directory by the rule; all
// are logged under the first selected component. A copy the archives placed is not made
// again; a program that runs from the application directory is logged, not copied.
TEST_F(InstallEngineTest, SetupFilesGoIntoPlaceAndAreLogged) {
    Archive("APP.MFA", {{"APP.EXE", 100, 0}, {"SETUP.INI", 10, 0}});
    Record("APP.MFA", "Main", kArchiveKindMultiFile, 110);
    WriteBytes(Dir("dist") + "SETUP.EXE", Pattern(300, 7));
    WriteBytes(Dir("dist") + "SETUP.INI", Pattern(20, 8));
    WriteBytes(Dir("dist") + "_XKTINST.EXE", Pattern(40, 9));
    fs::create_directories(Dir("app"));
    WriteBytes(Dir("app") + "SETUP.EXE", {'o', 'l', 'd'});
    CFileStatusInfo future;
    future.modifyTime = 2000000000;
    CFilePath(Dir("app") + "SETUP.EXE").ApplyFileStatus(future);

    CInstallEngine engine(m_collections, CFilePath(m_dir.File("install.log")), m_run, m_platform);
    engine.SetSetupFiles({{CFilePath(Dir("dist") + "SETUP.EXE"), 0, true},
                          {CFilePath(Dir("dist") + "SETUP.INI"), 0, true},
                          {CFilePath(Dir("dist") + "_XKTINST.EXE"), kDestSystem, false}});
    EXPECT_TRUE(engine.InstallArchives(m_sink));
    EXPECT_TRUE(m_platform.reports.empty());
    EXPECT_EQ(ReadBytes(Dir("app") + "SETUP.EXE"), Pattern(300, 7));
    // The archive's own profile stays: it was placed by the distribution.
    EXPECT_EQ(ReadBytes(Dir("app") + "SETUP.INI"), Pattern(10, 2));
    EXPECT_EQ(ReadBytes(Dir("sys") + "_XKTINST.EXE"), Pattern(40, 9));
    EXPECT_EQ(Files("app"), (std::vector<std::string>{"APP.EXE", "SETUP.EXE", "SETUP.INI"}));
    EXPECT_EQ(
        m_platform.log,
        (std::vector<LogLine>{{"Main", Dir("app") + "APP.EXE", 0, true, false},
                              {"Main", Dir("app") + "SETUP.INI", 0, true, false},
                              {"Main", Dir("app") + "SETUP.EXE", 0, true, true},
                              {"Main", Dir("sys") + "_XKTINST.EXE", kDestSystem, true, false}}));

    // Running from the application directory: nothing to copy, the file is still logged.
    m_platform.log.clear();
    CInstallEngine again(m_collections, CFilePath(m_dir.File("install.log")), m_run, m_platform);
    again.SetSetupFiles({{CFilePath(Dir("app") + "SETUP.EXE"), 0, true}});
    EXPECT_TRUE(again.InstallArchives(m_sink));
    EXPECT_EQ(ReadBytes(Dir("app") + "SETUP.EXE"), Pattern(300, 7));
    ASSERT_EQ(m_platform.log.size(), 3u);
    EXPECT_EQ(m_platform.log[2], (LogLine{"Main", Dir("app") + "SETUP.EXE", 0, false, false}));
    EXPECT_EQ(Files("app"), (std::vector<std::string>{"APP.EXE", "SETUP.EXE", "SETUP.INI"}));
}

// A setup file that cannot be copied is reported under its name; giving up there stops the
// run, and no temporary file is left.
TEST_F(InstallEngineTest, SetupFileThatCannotBeCopiedIsReported) {
    WriteBytes(Dir("dist") + "SETUP.EXE", Pattern(30, 7));
    m_platform.copyFails = true;
    for (bool goOn : {true, false}) {
        SCOPED_TRACE(goOn);
        m_platform.continueAfterError = goOn;
        m_platform.reports.clear();
        m_run.aborted = false;
        CInstallEngine engine(m_collections, CFilePath(m_dir.File("install.log")), m_run,
                              m_platform);
        engine.SetSetupFiles({{CFilePath(Dir("dist") + "SETUP.EXE"), 0, true}});
        EXPECT_EQ(engine.InstallArchives(m_sink), goOn);
        EXPECT_EQ(m_platform.reports, (std::vector<std::string>{"SETUP.EXE:CFileException"}));
        EXPECT_TRUE(Files("app").empty());
        EXPECT_TRUE(m_platform.log.empty());
    }
}

// Installing over an earlier installation: a present copy that the earlier one placed (same
// component, same destination) keeps its mark when this run keeps it; a copy the earlier one
// only found, or logged for another destination, is not claimed.
TEST_F(InstallEngineTest, ReinstallKeepsEarlierPlacedMarks) {
    Destination(kDestHelp, "help");
    std::ofstream(m_dir.File("install.log"))
        << "[Main]\nKEPT.DAT=0|1|0\nhelp.hlp=-8|1|0\nMOVED.DAT=1|1|0\nFOUND.DAT=0|0|0\n"
           "BROKEN.DAT=x|1|0\n[Extras]\nOTHER.DAT=0|1|0\n";
    Archive("APP.MFA", {{"KEPT.DAT", 10, 0},
                        {"HELP.HLP", 10, kDestHelp},
                        {"MOVED.DAT", 10, 0},
                        {"FOUND.DAT", 10, 0},
                        {"BROKEN.DAT", 10, 0},
                        {"OTHER.DAT", 10, 0},
                        {"NEW.DAT", 10, 0}});
    Record("APP.MFA", "Main", kArchiveKindMultiFile, 70);
    // Every file but the new one is present with a later time, so this run keeps it.
    CFileStatusInfo later;
    later.modifyTime = 1500000000;
    for (const char* name : {"KEPT.DAT", "MOVED.DAT", "FOUND.DAT", "BROKEN.DAT", "OTHER.DAT"}) {
        fs::create_directories(Dir("app"));
        WriteBytes(Dir("app") + name, {'o'});
        CFilePath(Dir("app") + name).ApplyFileStatus(later);
    }
    fs::create_directories(Dir("help"));
    WriteBytes(Dir("help") + "HELP.HLP", {'o'});
    CFilePath(Dir("help") + "HELP.HLP").ApplyFileStatus(later);

    EXPECT_TRUE(Run());
    EXPECT_EQ(m_platform.log,
              (std::vector<LogLine>{{"Main", Dir("app") + "KEPT.DAT", 0, true, false},
                                    {"Main", Dir("help") + "HELP.HLP", kDestHelp, true, false},
                                    {"Main", Dir("app") + "MOVED.DAT", 0, false, false},
                                    {"Main", Dir("app") + "FOUND.DAT", 0, false, false},
                                    {"Main", Dir("app") + "BROKEN.DAT", 0, false, false},
                                    {"Main", Dir("app") + "OTHER.DAT", 0, false, false},
                                    {"Main", Dir("app") + "NEW.DAT", 0, true, false}}));
}

} // namespace
