// The archive record's two hooks over real multi-volume archives: progress at full blocks of
// coded data, continuation on the next diskette through the run, and the ways a cancel ends
// the archive.
#include "archive/ArchiveRecord.h"
#include "archive/ArchiveWriter.h"
#include "errors/Exceptions.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// A run that answers the record from plain members and records what it was asked.
class CTestRun : public CArchiveRun, public CProgressSink {
public:
    bool IsAborted() const override { return aborted; }
    void SetAbort() override { aborted = true; }
    CProgressSink* GetProgressSink() const override { return sink; }
    CFilePath GetSourceDirectory() const override { return source; }
    bool Locate(const std::string& fileName, std::int32_t diskNumber) override {
        located.emplace_back(fileName, diskNumber);
        return onLocate ? onLocate(fileName) : true;
    }
    void ShowProgress() override {
        progressCounts.push_back(record->GetCount(CVolumeFile::dirRead));
        if (onProgress)
            onProgress();
    }

    bool aborted = false;
    CProgressSink* sink = this;
    CFilePath source;
    CArchiveRecord* record = nullptr;
    std::function<bool(const std::string&)> onLocate;
    std::function<void()> onProgress;
    std::vector<std::pair<std::string, std::int32_t>> located;
    std::vector<std::int64_t> progressCounts;
};

std::string DirectoryOf(const std::filesystem::path& dir) {
    return dir.string() + static_cast<char>(std::filesystem::path::preferred_separator);
}

struct Written {
    std::vector<std::string> volumes;
    std::uint64_t codedBytes = 0;
};

// An archive "DATA.MF1" (DATA.MF2, ...) in dir of one member per entry of sizes.
Written WriteArchive(const TempDir& dir, const std::vector<std::size_t>& sizes,
                     std::int64_t volumeSize, std::int32_t method) {
    CArchiveWriter writer(dir.File("DATA.MF1"), volumeSize);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::string source = dir.File("in" + std::to_string(i));
        WriteBytes(source, Pattern(sizes[i], static_cast<std::uint32_t>(i + 3)));
        ArchiveMemberOptions options;
        options.method = method;
        options.storedName = "member" + std::to_string(i);
        writer.AddFile(source, options);
    }
    Written out;
    out.volumes = writer.Finish();
    for (const EntryHeader& header : writer.Headers())
        out.codedBytes += header.compressedSize;
    return out;
}

ArchiveRecordInfo RecordInfo(std::int32_t diskNumber) {
    ArchiveRecordInfo info;
    info.fileName = "DATA.MF1";
    info.kind = kArchiveKindMultiFile;
    info.diskNumber = diskNumber;
    return info;
}

// Extracts every member into dir ("out0", ...); returns how many were extracted.
std::size_t ExtractAll(CArchiveRecord& record, const TempDir& dir) {
    record.OpenArchive(record.GetSourcePath());
    auto entry = record.CreateEntry();
    std::size_t n = 0;
    while (record.ReadNextEntry(*entry, 0) != 0) {
        entry->SetOutputPath(dir.File("out" + std::to_string(n++)));
        record.Extract(*entry);
    }
    return n;
}

TEST(ArchiveRecord, ProgressOnlyAtFullBlocksOfCodedData) {
    struct Case {
        const char* what;
        std::vector<std::size_t> sizes;
        std::int64_t volumeSize;
        std::int32_t method;
    };
    const Case cases[] = {
        {"less than a block", {4095}, 0, 2},
        {"exactly a block", {4096}, 0, 2},
        // The first volume's data ends exactly at the first block boundary.
        {"volume ends at a block boundary", {10000}, 8 + 346 + 4096, 2},
        {"blocks counted over members", {3000, 3000, 3000}, 0, 2},
        {"compressed members over volumes", {30000, 20000}, 9000, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const Written archive = WriteArchive(dir, c.sizes, c.volumeSize, c.method);
        CTestRun run;
        run.source = DirectoryOf(dir.Path());
        CArchiveRecord record(RecordInfo(1), run);
        run.record = &record;
        ASSERT_EQ(ExtractAll(record, dir), c.sizes.size());
        // Every multiple of 4096 up to the coded bytes, nothing else. (A read that finds the
        // end of a volume right at a boundary reports that boundary once more.)
        std::vector<std::int64_t> expected;
        for (std::uint64_t at = 4096; at <= archive.codedBytes; at += 4096)
            expected.push_back(static_cast<std::int64_t>(at));
        std::vector<std::int64_t> shown = run.progressCounts;
        shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
        EXPECT_EQ(shown, expected);
    }
}

TEST(ArchiveRecord, NoProgressWhenAbortedOrWithoutSink) {
    TempDir dir;
    WriteArchive(dir, {20000}, 0, 2);
    for (const bool aborted : {false, true}) {
        CTestRun run;
        run.source = DirectoryOf(dir.Path());
        run.aborted = aborted;
        if (!aborted)
            run.sink = nullptr;
        CArchiveRecord record(RecordInfo(1), run);
        run.record = &record;
        EXPECT_EQ(ExtractAll(record, dir), 1u);
        EXPECT_TRUE(run.progressCounts.empty());
    }
}

// Each volume lives in a directory of its own; the run's Locate moves the source directory
// there, as the diskette locator does for numbered directories, and the record must reopen
// from the moved directory.
TEST(ArchiveRecord, ContinuesOnTheNextDisketteThroughTheRun) {
    TempDir dir;
    const std::vector<std::size_t> sizes = {5000, 9000, 300};
    const Written archive = WriteArchive(dir, sizes, 6000, 3);
    ASSERT_EQ(archive.volumes.size(), 3u);
    for (int disk = 1; disk <= 3; ++disk) {
        const auto sub = dir.Path() / ("D" + std::to_string(disk));
        std::filesystem::create_directory(sub);
        const std::string volume = "DATA.MF" + std::to_string(disk);
        std::filesystem::rename(dir.File(volume), sub / volume);
    }
    CTestRun run;
    run.source = DirectoryOf(dir.Path() / "D1");
    run.onLocate = [&](const std::string& name) {
        run.source = DirectoryOf(dir.Path() / ("D" + name.substr(name.size() - 1)));
        return true;
    };
    CArchiveRecord record(RecordInfo(1), run);
    run.record = &record;
    ASSERT_EQ(ExtractAll(record, dir), sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i)
        EXPECT_EQ(ReadBytes(dir.File("out" + std::to_string(i))),
                  Pattern(sizes[i], static_cast<std::uint32_t>(i + 3)));
    const std::vector<std::pair<std::string, std::int32_t>> expected = {{"DATA.MF2", 2},
                                                                        {"DATA.MF3", 3}};
    EXPECT_EQ(run.located, expected);
    EXPECT_EQ(record.diskNumber, 3);
    EXPECT_FALSE(run.aborted);
}

TEST(ArchiveRecord, UserGivingUpEndsTheArchiveAsACancel) {
    TempDir dir;
    const Written archive = WriteArchive(dir, {9000}, 5000, 2);
    ASSERT_EQ(archive.volumes.size(), 2u);
    CTestRun run;
    run.source = DirectoryOf(dir.Path());
    run.onLocate = [](const std::string&) { return false; };
    CArchiveRecord record(RecordInfo(4), run);
    run.record = &record;
    EXPECT_THROW(ExtractAll(record, dir), CUserException);
    EXPECT_TRUE(run.aborted);
    EXPECT_FALSE(record.IsOpen());
    EXPECT_EQ(run.located.size(), 1u);
    EXPECT_EQ(record.diskNumber, 5);
}

// A cancel confirmed at a block boundary of a zlib member (which expands to its end) must
// not be followed by a prompt for the member's next diskette.
TEST(ArchiveRecord, ConfirmedCancelAsksForNoFurtherDiskette) {
    TempDir dir;
    const Written archive = WriteArchive(dir, {60000}, 9000, 4);
    ASSERT_GE(archive.volumes.size(), 2u);
    CTestRun run;
    run.source = DirectoryOf(dir.Path());
    CArchiveRecord record(RecordInfo(1), run);
    run.record = &record;
    run.onProgress = [&] {
        run.SetAbort();
        record.Abort();
    };
    EXPECT_THROW(ExtractAll(record, dir), CUserException);
    EXPECT_TRUE(run.located.empty());
    EXPECT_EQ(run.progressCounts.size(), 1u);
    EXPECT_EQ(record.diskNumber, 1);
}

} // namespace
