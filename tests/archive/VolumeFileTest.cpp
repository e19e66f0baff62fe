#include "archive/VolumeFile.h"
#include "archive/Checksum.h"
#include "archive/Codec.h"
#include "errors/Exceptions.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::uint32_t ChecksumOf(const std::vector<std::uint8_t>& bytes) {
    CChecksum c;
    c.Update(bytes.data(), bytes.size());
    return c.GetValue();
}

// Records the order of reads and hook calls as text: "r1" for a read of 1 byte, "B" for a
// block boundary, "V" for a volume end.
class RecordingFile : public CVolumeFile {
public:
    std::vector<std::string> events;
    std::vector<std::string> nextVolumes; // opened in order on OnVolumeEnd
    int volumeEndAnswer = 1;

    void OnBlockBoundary() override { events.push_back("B"); }
    int OnVolumeEnd() override {
        events.push_back("V");
        if (!nextVolumes.empty()) {
            std::string next = nextVolumes.front();
            nextVolumes.erase(nextVolumes.begin());
            ReopenForReading(next);
            return 0;
        }
        return volumeEndAnswer;
    }
};

// Splits the counted reads into their platform reads by watching the count between hooks.
class SplittingFile : public RecordingFile {
public:
    std::int64_t lastCount = 0;
    void OnBlockBoundary() override {
        Note();
        RecordingFile::OnBlockBoundary();
    }
    int OnVolumeEnd() override {
        Note();
        return RecordingFile::OnVolumeEnd();
    }
    void Note() {
        if (GetCount(0) != lastCount)
            events.push_back("r" + std::to_string(GetCount(0) - lastCount));
        lastCount = GetCount(0);
    }
};

TEST(VolumeFile, ReadSplitsAtBlockBoundaries) {
    TempDir dir;
    auto data = Pattern(10000);
    WriteBytes(dir.File("a"), data);
    SplittingFile f;
    f.SetBlockSize(4096);
    f.OpenForReading(dir.File("a"));
    std::vector<std::uint8_t> skip(4095);
    ASSERT_EQ(f.Read(skip.data(), skip.size()), 4095u);
    f.events.clear();
    f.lastCount = f.GetCount(0);
    std::vector<std::uint8_t> buf(5000);
    ASSERT_EQ(f.Read(buf.data(), buf.size()), 5000u);
    f.Note();
    std::vector<std::string> expected = {"r1", "B", "r4096", "B", "r903"};
    EXPECT_EQ(f.events, expected);
    EXPECT_EQ(std::vector<std::uint8_t>(data.begin() + 4095, data.begin() + 9095), buf);
    EXPECT_EQ(f.GetCount(0), 9095);
}

TEST(VolumeFile, EndOfFileAtBoundaryCallsBothHooks) {
    TempDir dir;
    WriteBytes(dir.File("a"), Pattern(4096));
    RecordingFile f;
    f.SetBlockSize(4096);
    f.OpenForReading(dir.File("a"));
    std::vector<std::uint8_t> buf(4096);
    ASSERT_EQ(f.Read(buf.data(), 4096), 4096u);
    f.events.clear();
    EXPECT_EQ(f.Read(buf.data(), 10), 0u);
    std::vector<std::string> expected = {"B", "V"};
    EXPECT_EQ(f.events, expected);
}

TEST(VolumeFile, BlockSizeZeroNeverCallsBlockHook) {
    TempDir dir;
    WriteBytes(dir.File("a"), Pattern(20000));
    RecordingFile f;
    f.OpenForReading(dir.File("a"));
    std::vector<std::uint8_t> buf(30000);
    EXPECT_EQ(f.Read(buf.data(), buf.size()), 20000u);
    std::vector<std::string> expected = {"V"};
    EXPECT_EQ(f.events, expected);
    EXPECT_EQ(f.RemainingInBlock(0), CVolumeFile::kNoBlock);
}

TEST(VolumeFile, ContinueIntoNextVolumeChecksumsBoth) {
    TempDir dir;
    auto first = Pattern(3000, 1);
    auto second = Pattern(2500, 2);
    WriteBytes(dir.File("v1"), first);
    WriteBytes(dir.File("v2"), second);
    RecordingFile f;
    f.nextVolumes = {dir.File("v2")};
    f.OpenForReading(dir.File("v1"));
    std::vector<std::uint8_t> buf(5000);
    ASSERT_EQ(f.Read(buf.data(), buf.size()), 5000u);
    std::vector<std::uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.begin() + 2000);
    EXPECT_EQ(buf, expected);
    EXPECT_EQ(f.GetChecksum(), ChecksumOf(expected));
    EXPECT_EQ(f.GetCount(0), 5000);
    EXPECT_EQ(f.GetVolumeBase(0), 3000);
    EXPECT_EQ(f.GetPath(), dir.File("v2"));
}

TEST(VolumeFile, RawReadAndWriteLeaveCountsAndChecksum) {
    TempDir dir;
    WriteBytes(dir.File("a"), Pattern(100));
    CVolumeFile f;
    f.SetBlockSize(16);
    f.OpenForReading(dir.File("a"));
    std::vector<std::uint8_t> buf(50);
    EXPECT_EQ(f.ReadRaw(buf.data(), 50), 50u);
    EXPECT_EQ(f.GetCount(0), 0);
    EXPECT_EQ(f.GetChecksum(), 0u);

    CVolumeFile w;
    w.OpenForWriting(dir.File("b"));
    w.WriteRaw(buf.data(), buf.size());
    EXPECT_EQ(w.GetCount(1), 0);
    EXPECT_EQ(w.GetChecksum(), 0u);
    w.Write(buf.data(), 10);
    EXPECT_EQ(w.GetCount(1), 10);
    EXPECT_EQ(w.GetChecksum(), ChecksumOf({buf.begin(), buf.begin() + 10}));
    w.Close();
    EXPECT_EQ(ReadBytes(dir.File("b")).size(), 60u);
}

TEST(VolumeFile, CountDirections) {
    CVolumeFile f;
    f.SetCount(0, 7);
    f.SetCount(1, 9);
    EXPECT_EQ(f.GetCount(0), 7);
    EXPECT_EQ(f.GetCount(1), 9);
    EXPECT_EQ(f.GetCount(2), 0);
    EXPECT_EQ(f.GetCount(-1), 0);
    EXPECT_EQ(f.GetVolumeBase(2), 0);
    f.SetLimit(5);
    EXPECT_EQ(f.RemainingToLimit(0), 0); // count above limit: not negative
    EXPECT_EQ(f.RemainingToLimit(2), 5);
}

TEST(VolumeFile, ReadStopsAtLimit) {
    TempDir dir;
    WriteBytes(dir.File("a"), Pattern(1000));
    RecordingFile f;
    f.SetLimit(300);
    f.OpenForReading(dir.File("a"));
    std::vector<std::uint8_t> buf(1000);
    EXPECT_EQ(f.Read(buf.data(), buf.size()), 300u);
    std::vector<std::string> expected = {"V"};
    EXPECT_EQ(f.events, expected);
    // A hook that says "go on" without raising the limit must not spin forever.
    f.volumeEndAnswer = 0;
    EXPECT_EQ(f.Read(buf.data(), buf.size()), 0u);
}

TEST(VolumeFile, WriteAtLimitCallsVolumeEndAndThenFailsIfNotRaised) {
    TempDir dir;
    RecordingFile f;
    f.SetLimit(100);
    f.OpenForWriting(dir.File("out"));
    auto data = Pattern(100);
    f.Write(data.data(), 100);
    std::vector<std::string> expected = {"V"};
    EXPECT_EQ(f.events, expected);
    try {
        f.Write(data.data(), 1);
        FAIL() << "write past the limit succeeded";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kDiskFull);
    }
}

TEST(VolumeFile, CountsSurviveReopenAndOpenResetsBases) {
    TempDir dir;
    WriteBytes(dir.File("a"), Pattern(10));
    CVolumeFile f;
    f.OpenForReading(dir.File("a"));
    std::vector<std::uint8_t> buf(10);
    f.Read(buf.data(), 10);
    f.ReopenForReading(dir.File("a"));
    EXPECT_EQ(f.GetVolumeBase(0), 10);
    f.OpenForReading(dir.File("a"));
    EXPECT_EQ(f.GetVolumeBase(0), 0);
    EXPECT_EQ(f.GetCount(0), 10);
}

TEST(XFile, OpenFailuresCarryCauseAndPath) {
    TempDir dir;
    CXFile f;
    std::string missing = dir.File("missing.bin");
    try {
        f.OpenForReading(missing);
        FAIL() << "opened a missing file";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kFileNotFound);
        EXPECT_EQ(e.GetFileName(), missing);
        EXPECT_NE(e.GetOsError(), 0);
    }
    EXPECT_FALSE(f.IsOpen());
    EXPECT_TRUE(f.GetPath().empty());
    std::string nodir = dir.File("no-such-dir") + "/x.bin";
    EXPECT_THROW(f.OpenForWriting(nodir), CFileException);
}

#ifndef _WIN32
// A full disk is reported as one (cause 13, "Disk full"), not as a generic file error, so
// that the setup program's report says what went wrong.
TEST(XFile, WriteToAFullDeviceRaisesDiskFull) {
    CXFile f;
    f.OpenForWriting("/dev/full");
    std::vector<std::uint8_t> block(256 * 1024, 0x55);
    try {
        f.WritePlain(block.data(), block.size());
        f.Close();
        FAIL() << "writing to a full device succeeded";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kDiskFull);
        EXPECT_EQ(e.GetFileName(), "/dev/full");
    }
}
#endif

TEST(XFile, ReadExactRaisesEndOfFile) {
    TempDir dir;
    WriteBytes(dir.File("a"), Pattern(7));
    CXFile f;
    f.OpenForReading(dir.File("a"));
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(f.GetPath(), dir.File("a"));
    std::uint8_t buf[8];
    try {
        f.ReadExact(buf, 8);
        FAIL() << "short read accepted";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kEndOfFile);
        EXPECT_EQ(e.GetFileName(), dir.File("a"));
    }
}

// A codec that copies its source to its destination one byte at a time.
class ByteCopyCodec : public CCodec {
protected:
    void DoCompress() override {
        for (int c; (c = ReadByte()) >= 0;)
            WriteByte(static_cast<std::uint8_t>(c));
    }
    void DoExpand(std::uint32_t compressed, std::uint32_t) override {
        for (std::uint32_t i = 0; i < compressed; ++i) {
            int c = ReadByte();
            if (c < 0)
                throw CFileException(CFileException::kEndOfFile);
            WriteByte(static_cast<std::uint8_t>(c));
        }
    }
};

TEST(Codec, ExpandAndCompressRunThroughCountedStreams) {
    TempDir dir;
    auto data = Pattern(300);
    WriteBytes(dir.File("in"), data);
    CVolumeFile in, out;
    in.OpenForReading(dir.File("in"));
    out.OpenForWriting(dir.File("out"));
    ByteCopyCodec codec;
    codec.Abort();
    codec.Expand(in, out, 200, 200);
    EXPECT_FALSE(codec.IsAborted()); // cleared at the start of Expand
    EXPECT_EQ(in.GetCount(0), 200);
    EXPECT_EQ(out.GetCount(1), 200);
    EXPECT_EQ(out.GetChecksum(), ChecksumOf({data.begin(), data.begin() + 200}));
    codec.Compress(in, out);
    EXPECT_EQ(out.GetCount(1), 300);
    out.Close();
    EXPECT_EQ(ReadBytes(dir.File("out")), data);
    // Expanding past the end raises and leaves the codec detached and reusable.
    EXPECT_THROW(codec.Expand(in, out, 1, 1), CFileException);
}

} // namespace
