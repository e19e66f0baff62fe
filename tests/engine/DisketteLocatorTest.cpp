// Diskette location: the numbered-directory rule, the prompt texts, where Locate looks and
// what it moves, and a multi-volume archive record read across DISK01..DISK03.
#include "engine/DisketteLocator.h"
#include "archive/ArchiveRecord.h"
#include "archive/ArchiveWriter.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string DirectoryOf(const fs::path& dir) {
    return dir.string() + static_cast<char>(fs::path::preferred_separator);
}

// A prompt that records what it was asked and answers with `answer` (which may first put
// the file in place, as a user inserting the diskette does).
class CFakePrompt : public CDiskettePrompt {
public:
    bool AskForDiskette(const CFilePath& filePath, std::int32_t number) override {
        asked.emplace_back(filePath.GetText(), number);
        return answer ? answer(filePath) : false;
    }

    std::function<bool(const CFilePath&)> answer;
    std::vector<std::pair<std::string, std::int32_t>> asked;
};

TEST(DisketteLocator, NumberedDirectory) {
    const struct {
        const char* directory;
        std::int32_t number;
        const char* expected;
    } cases[] = {
        {"D:\\SETUP\\DISK01\\", 3, "D:\\SETUP\\DISK03\\"},
        {"D:\\SETUP\\DISK01\\", 12, "D:\\SETUP\\DISK12\\"},
        {"D:\\SETUP\\DISK01\\", 123, "D:\\SETUP\\DISK123\\"},
        {"D:\\SETUP\\DISK10\\", 2, "D:\\SETUP\\DISK02\\"},
        {"A:\\01\\", 2, "A:\\02\\"},
        {"\\\\server\\share\\CD07\\", 8, "\\\\server\\share\\CD08\\"},
        {"/media/dist/DISK01/", 2, "/media/dist/DISK02/"},
        {"D:\\SETUP\\DISK1\\", 3, ""},  // "K1" is no number
        {"D:\\SETUP\\DISK00\\", 3, ""}, // value 0
        {"D:\\SETUP\\DISK1X\\", 3, ""}, // not two digits
        {"D:\\SETUP\\DISK-1\\", 3, ""}, // a sign is no digit
        {"A:\\", 2, ""},                // the root: "\" only
        {"A:\\7\\", 2, ""},             // "\7" is not longer than two characters
        {"", 2, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberedDisketteDirectory(c.directory, c.number), c.expected) << c.directory;
}

TEST(DisketteLocator, PromptTexts) {
    const std::string label = "Program Disk";
    const std::string empty;
    const std::string percent = "100% %s";
    EXPECT_EQ(InsertDisketteText(&label, 2, "A"),
              "Please insert the diskette labelled 'Program Disk' in drive A:");
    EXPECT_EQ(InsertDisketteText(nullptr, 2, "A"), "Please insert diskette 2 in drive A:");
    EXPECT_EQ(InsertDisketteText(&empty, 14, "B"), "Please insert diskette 14 in drive B:");
    EXPECT_EQ(InsertDisketteText(&percent, 1, "A"),
              "Please insert the diskette labelled '100% %s' in drive A:");
}

class LocateTest : public ::testing::Test {
protected:
    // Creates dir/<sub>/<name>.
    void Put(const std::string& sub, const std::string& name) {
        fs::create_directories(m_dir.Path() / sub);
        WriteBytes((m_dir.Path() / sub / name).string(), {1, 2, 3});
    }
    std::string Dir(const std::string& sub) const { return DirectoryOf(m_dir.Path() / sub); }

    TempDir m_dir;
    CFakePrompt m_prompt;
};

TEST_F(LocateTest, FileInTheSourceDirectory) {
    Put("DISK01", "A.MF1");
    Put("DISK03", "A.MF1");
    CFilePath source = Dir("DISK01");
    EXPECT_TRUE(CDisketteLocator(source, m_prompt).Locate("A.MF1", 3));
    EXPECT_EQ(source.GetText(), Dir("DISK01"));
    EXPECT_TRUE(m_prompt.asked.empty());
}

TEST_F(LocateTest, NumberedSiblingBecomesTheSourceDirectory) {
    Put("DISK03", "B.MF1");
    Put("DISK03", "C.MF1");
    CFilePath source = Dir("DISK01");
    CDisketteLocator locator(source, m_prompt);
    EXPECT_TRUE(locator.Locate("B.MF1", 3));
    EXPECT_EQ(source.GetText(), Dir("DISK03"));
    // Later files of that diskette are found at once in the moved directory.
    EXPECT_TRUE(locator.Locate("C.MF1", 3));
    EXPECT_EQ(source.GetText(), Dir("DISK03"));
    EXPECT_TRUE(m_prompt.asked.empty());
}

// The prompt waits for the file in the source directory, also when a numbered directory was
// tried; its answer is Locate's, and the source directory stays.
TEST_F(LocateTest, MissingFileAsksForTheDiskette) {
    for (const std::string sub : {"DISK01", "DISK1"}) {
        SCOPED_TRACE(sub);
        Put(sub, "other");
        Put("DISK3", "D.MF1");
        for (const bool inserted : {false, true}) {
            m_prompt.asked.clear();
            m_prompt.answer = [&](const CFilePath& path) {
                if (inserted)
                    WriteBytes(path.GetText(), {4});
                return inserted;
            };
            CFilePath source = Dir(sub);
            EXPECT_EQ(CDisketteLocator(source, m_prompt).Locate("D.MF1", 3), inserted);
            EXPECT_EQ(source.GetText(), Dir(sub));
            const std::vector<std::pair<std::string, std::int32_t>> expected = {
                {Dir(sub) + "D.MF1", 3}};
            EXPECT_EQ(m_prompt.asked, expected);
        }
    }
}

// A run as the engine makes one: the locator over the run's source directory.
class CLocatorRun : public CArchiveRun {
public:
    CLocatorRun(const std::string& source, CDiskettePrompt& prompt)
        : m_source(source), m_locator(m_source, prompt) {}
    bool IsAborted() const override { return m_aborted; }
    void SetAbort() override { m_aborted = true; }
    CProgressSink* GetProgressSink() const override { return nullptr; }
    CFilePath GetSourceDirectory() const override { return m_source; }
    bool Locate(const std::string& fileName, std::int32_t diskNumber) override {
        return m_locator.Locate(fileName, diskNumber);
    }

private:
    CFilePath m_source;
    CDisketteLocator m_locator;
    bool m_aborted = false;
};

// A three-volume archive whose volumes were copied to DISK01, DISK02 and DISK03 (volume 3
// optionally left out, so that the user has to insert it into the drive of DISK02).
class NumberedArchiveTest : public LocateTest {
protected:
    void WriteVolumes(bool withThird) {
        CArchiveWriter writer(m_dir.File("SET.MF1"), 7000);
        for (std::size_t i = 0; i < m_sizes.size(); ++i) {
            const std::string source = m_dir.File("in" + std::to_string(i));
            WriteBytes(source, Pattern(m_sizes[i], static_cast<std::uint32_t>(i + 7)));
            ArchiveMemberOptions options;
            options.method = 2;
            writer.AddFile(source, options);
        }
        const std::vector<std::string> volumes = writer.Finish();
        ASSERT_EQ(volumes.size(), 3u);
        for (std::size_t i = 0; i < volumes.size(); ++i) {
            const std::string name = fs::path(volumes[i]).filename().string();
            const std::string sub = "DISK0" + std::to_string(i + 1);
            fs::create_directories(m_dir.Path() / sub);
            if (i < 2 || withThird)
                fs::rename(volumes[i], m_dir.Path() / sub / name);
            else
                m_third = volumes[i];
        }
    }

    // Reads every member of the record; true when all came out as written.
    bool ExtractAll(CArchiveRecord& record) {
        record.OpenArchive(record.GetSourcePath());
        auto entry = record.CreateEntry();
        std::size_t n = 0;
        while (record.ReadNextEntry(*entry, 0) != 0) {
            const std::string out = m_dir.File("out" + std::to_string(n));
            entry->SetOutputPath(out);
            record.Extract(*entry);
            if (ReadBytes(out) != Pattern(m_sizes[n], static_cast<std::uint32_t>(n + 7)))
                return false;
            ++n;
        }
        record.Close();
        return n == m_sizes.size();
    }

    const std::vector<std::size_t> m_sizes = {4000, 12000, 500};
    std::string m_third;
};

TEST_F(NumberedArchiveTest, ContinuesAcrossNumberedDirectories) {
    WriteVolumes(true);
    CLocatorRun run(Dir("DISK01"), m_prompt);
    ArchiveRecordInfo info;
    info.fileName = "SET.MF1";
    info.kind = kArchiveKindMultiFile;
    info.diskNumber = 1;
    CArchiveRecord record(info, run);
    EXPECT_TRUE(ExtractAll(record));
    EXPECT_EQ(record.diskNumber, 3);
    EXPECT_EQ(run.GetSourceDirectory().GetText(), Dir("DISK03"));
    EXPECT_TRUE(m_prompt.asked.empty());
    EXPECT_FALSE(run.IsAborted());
}

TEST_F(NumberedArchiveTest, MissingVolumeIsAskedFor) {
    WriteVolumes(false);
    // The user "inserts" the diskette: the volume appears where the prompt waits for it.
    m_prompt.answer = [&](const CFilePath& path) {
        fs::rename(m_third, path.GetText());
        return true;
    };
    CLocatorRun run(Dir("DISK01"), m_prompt);
    ArchiveRecordInfo info;
    info.fileName = "SET.MF1";
    info.diskNumber = 1;
    CArchiveRecord record(info, run);
    EXPECT_TRUE(ExtractAll(record));
    const std::vector<std::pair<std::string, std::int32_t>> expected = {
        {Dir("DISK02") + "SET.MF3", 3}};
    EXPECT_EQ(m_prompt.asked, expected);
    EXPECT_EQ(record.diskNumber, 3);
    EXPECT_EQ(run.GetSourceDirectory().GetText(), Dir("DISK02"));
}

} // namespace
