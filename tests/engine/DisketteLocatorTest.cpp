// Diskette location and the archive record over it: the numbered-directory rule, the prompt
// texts, where Locate looks and what it moves, and multi-volume archives read across
// DISK01..DISK03 with progress, prompting and cancels.
#include "engine/DisketteLocator.h"
#include "archive/ArchiveWriter.h"
#include "engine/ArchiveRecord.h"
#include "errors/Exceptions.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Asked = std::vector<std::pair<std::string, std::int32_t>>;

TEST(DisketteLocator, NumberedDirectory) {
    const struct {
        const char* directory;
        std::int32_t number;
        const char* expected;
    } cases[] = {
        {"D:\\SETUP\\DISK01\\", 3, "D:\\SETUP\\DISK03\\"},
        {"D:\\SETUP\\DISK01\\", 12, "D:\\SETUP\\DISK12\\"},
        {"D:\\SETUP\\DISK01\\", 123, "D:\\SETUP\\DISK123\\"},
        {"A:\\01\\", 2, "A:\\02\\"},
        {"/media/dist/DISK10/", 2, "/media/dist/DISK02/"},
        {"D:\\SETUP\\DISK1\\", 3, ""},  // "K1" is no number
        {"D:\\SETUP\\DISK00\\", 3, ""}, // value 0
        {"D:\\SETUP\\DISK1X\\", 3, ""}, // not two digits
        {"A:\\", 2, ""},                // the root: "\" only
        {"A:\\7\\", 2, ""},             // "\7" is not longer than two characters
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberedDisketteDirectory(c.directory, c.number), c.expected) << c.directory;
}

TEST(DisketteLocator, PromptTexts) {
    const std::string label = "Program Disk", empty, percent = "100% %s";
    EXPECT_EQ(InsertDisketteText(&label, 2, "A"),
              "Please insert the diskette labelled 'Program Disk' in drive A:");
    EXPECT_EQ(InsertDisketteText(nullptr, 2, "A"), "Please insert diskette 2 in drive A:");
    EXPECT_EQ(InsertDisketteText(&empty, 14, "B"), "Please insert diskette 14 in drive B:");
    EXPECT_EQ(InsertDisketteText(&percent, 1, "A"),
              "Please insert the diskette labelled '100% %s' in drive A:");
}

// A run as the engine makes one: the locator over the run's source directory, a prompt that
// records what it is asked (and may "insert the diskette" first), and a progress display
// that records the record's coded-byte count and may confirm a cancel.
class CTestRun : public CArchiveRun, public CDiskettePrompt, public CProgressSink {
public:
    explicit CTestRun(const std::string& source) : m_source(source), m_locator(m_source, *this) {}
    bool IsAborted() const override { return aborted; }
    void SetAbort() override { aborted = true; }
    CProgressSink* GetProgressSink() const override { return sink; }
    CFilePath GetSourceDirectory() const override { return m_source; }
    bool Locate(const std::string& name, std::int32_t disk) override {
        return m_locator.Locate(name, disk);
    }
    bool AskForDiskette(const CFilePath& filePath, std::int32_t number) override {
        asked.emplace_back(filePath.GetText(), number);
        return answer && answer(filePath);
    }
    void ShowProgress() override {
        shown.push_back(record->GetCount(CVolumeFile::dirRead));
        if (onProgress)
            onProgress();
    }

    bool aborted = false;
    CProgressSink* sink = this;
    CArchiveRecord* record = nullptr;
    std::function<bool(const CFilePath&)> answer;
    std::function<void()> onProgress;
    Asked asked;
    std::vector<std::int64_t> shown;

private:
    CFilePath m_source;
    CDisketteLocator m_locator;
};

class DisketteTest : public ::testing::Test {
protected:
    std::string Dir(const std::string& sub) const {
        return (m_dir.Path() / sub).string() + static_cast<char>(fs::path::preferred_separator);
    }
    void Put(const std::string& sub, const std::string& name) {
        fs::create_directories(m_dir.Path() / sub);
        WriteBytes(Dir(sub) + name, {1});
    }
    // Writes SET.MF1, SET.MF2, ... with one member per size; volume i goes into DISK0i
    // unless keepBeside (then it stays in the scratch directory). Returns the coded bytes.
    std::uint64_t WriteVolumes(std::int64_t volumeSize, std::int32_t method, bool keepBeside) {
        CArchiveWriter writer(m_dir.File("SET.MF1"), volumeSize);
        for (std::size_t i = 0; i < m_sizes.size(); ++i) {
            WriteBytes(m_dir.File("in"), Pattern(m_sizes[i], static_cast<std::uint32_t>(i + 7)));
            ArchiveMemberOptions options;
            options.method = method;
            writer.AddFile(m_dir.File("in"), options);
        }
        m_volumes = writer.Finish();
        for (std::size_t i = 0; i < m_volumes.size() && !keepBeside; ++i) {
            fs::create_directories(Dir("DISK0" + std::to_string(i + 1)));
            fs::rename(m_volumes[i],
                       Dir("DISK0" + std::to_string(i + 1)) + "SET.MF" + std::to_string(i + 1));
        }
        std::uint64_t coded = 0;
        for (const EntryHeader& header : writer.Headers())
            coded += header.compressedSize;
        return coded;
    }
    // Reads every member of SET.MF1 (disk 1) through a record of run and closes it; true when
    // every member came out as written. Exceptions pass.
    bool ExtractAll(CTestRun& run) {
        ArchiveRecordInfo info;
        info.fileName = "SET.MF1";
        m_record = std::make_unique<CArchiveRecord>(info, run);
        run.record = m_record.get();
        m_record->OpenArchive(m_record->GetSourcePath());
        auto entry = m_record->CreateEntry();
        std::size_t n = 0;
        while (m_record->ReadNextEntry(*entry, 0) != 0) {
            entry->SetOutputPath(m_dir.File("out"));
            m_record->Extract(*entry);
            if (ReadBytes(m_dir.File("out")) !=
                Pattern(m_sizes[n], static_cast<std::uint32_t>(n + 7)))
                return false;
            ++n;
        }
        m_record->Close();
        return n == m_sizes.size();
    }

    TempDir m_dir;
    std::vector<std::size_t> m_sizes = {4000, 12000, 500};
    std::vector<std::string> m_volumes;
    std::unique_ptr<CArchiveRecord> m_record;
};

TEST_F(DisketteTest, LocateLooksInSourceThenNumberedDirectoryThenAsks) {
    Put("DISK01", "A.MF1");
    Put("DISK03", "B.MF1");
    Put("DISK3", "C.MF1");
    CTestRun run(Dir("DISK01"));
    EXPECT_TRUE(run.Locate("A.MF1", 3));
    EXPECT_EQ(run.GetSourceDirectory().GetText(), Dir("DISK01"));
    EXPECT_TRUE(run.Locate("B.MF1", 3));
    EXPECT_EQ(run.GetSourceDirectory().GetText(), Dir("DISK03"));
    EXPECT_TRUE(run.asked.empty());
    // Missing: the prompt waits in the (moved) source directory and answers for Locate.
    EXPECT_FALSE(run.Locate("C.MF1", 4));
    run.answer = [](const CFilePath& path) { return WriteBytes(path.GetText(), {2}), true; };
    EXPECT_TRUE(run.Locate("C.MF1", 3));
    EXPECT_EQ(run.asked, (Asked{{Dir("DISK03") + "C.MF1", 4}, {Dir("DISK03") + "C.MF1", 3}}));
    EXPECT_EQ(run.GetSourceDirectory().GetText(), Dir("DISK03"));
}

TEST_F(DisketteTest, ArchiveContinuesAcrossNumberedDirectories) {
    WriteVolumes(7000, 3, false);
    ASSERT_EQ(m_volumes.size(), 3u);
    CTestRun run(Dir("DISK01"));
    EXPECT_TRUE(ExtractAll(run));
    EXPECT_EQ(m_record->diskNumber, 3);
    EXPECT_EQ(run.GetSourceDirectory().GetText(), Dir("DISK03"));
    EXPECT_TRUE(run.asked.empty());
    EXPECT_FALSE(run.aborted);
}

// Volume 3 is not on disk: the user is asked for diskette 3 in the directory of diskette 2,
// and either inserts it or gives up, which ends the archive as a cancel.
TEST_F(DisketteTest, MissingVolumeIsAskedFor) {
    for (const bool insert : {true, false}) {
        SCOPED_TRACE(insert);
        WriteVolumes(7000, 2, false);
        const fs::path third = m_dir.Path() / "third";
        fs::rename(Dir("DISK03") + "SET.MF3", third);
        CTestRun run(Dir("DISK01"));
        run.answer = [&](const CFilePath& path) {
            if (insert)
                fs::rename(third, path.GetText());
            return insert;
        };
        if (insert) {
            EXPECT_TRUE(ExtractAll(run));
        } else {
            EXPECT_THROW(ExtractAll(run), CUserException);
            EXPECT_FALSE(m_record->IsOpen());
        }
        EXPECT_EQ(run.asked, (Asked{{Dir("DISK02") + "SET.MF3", 3}}));
        EXPECT_EQ(m_record->diskNumber, 3);
        EXPECT_EQ(run.aborted, !insert);
        fs::remove_all(Dir("DISK02"));
        fs::remove_all(Dir("DISK03"));
    }
}

TEST_F(DisketteTest, ProgressOnlyAtFullBlocksOfCodedData) {
    const struct {
        std::vector<std::size_t> sizes;
        std::int64_t volumeSize;
        std::int32_t method;
        bool aborted;
    } cases[] = {
        {{4095}, 0, 2, false},
        {{4096}, 0, 2, false},
        {{10000}, 8 + 346 + 4096, 2, false}, // volume 1 ends at the first block boundary
        {{3000, 3000, 3000}, 0, 2, false},   // blocks counted over members
        {{30000, 20000}, 9000, 4, false},
        {{30000}, 0, 2, true}, // nothing shown once the run is aborted
    };
    for (const auto& c : cases) {
        m_sizes = c.sizes;
        const std::uint64_t coded = WriteVolumes(c.volumeSize, c.method, true);
        CTestRun run(Dir(""));
        run.aborted = c.aborted;
        ASSERT_TRUE(ExtractAll(run));
        // Each multiple of 4096 once (a read finding a volume's end right at a boundary
        // reports it again), nothing else.
        std::vector<std::int64_t> expected;
        for (std::uint64_t at = 4096; at <= coded && !c.aborted; at += 4096)
            expected.push_back(static_cast<std::int64_t>(at));
        run.shown.erase(std::unique(run.shown.begin(), run.shown.end()), run.shown.end());
        EXPECT_EQ(run.shown, expected) << m_sizes[0];
        for (const std::string& volume : m_volumes)
            fs::remove(volume);
    }
}

// A cancel confirmed during a zlib member (which still expands to its end) must not be
// followed by a prompt for the member's next diskette.
TEST_F(DisketteTest, ConfirmedCancelAsksForNoFurtherDiskette) {
    m_sizes = {60000};
    WriteVolumes(9000, 4, true);
    fs::remove(m_volumes[1]);
    CTestRun run(Dir(""));
    run.onProgress = [&] {
        run.SetAbort();
        m_record->Abort();
    };
    EXPECT_THROW(ExtractAll(run), CUserException);
    EXPECT_TRUE(run.asked.empty());
    EXPECT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(m_record->diskNumber, 1);
}

} // namespace
