#include "archive/ArchiveWriter.h"
#include "archive/MultiFile.h"
#include "errors/Exceptions.h"
#include "support/FilePath.h"

#include "ArchiveBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Source {
    std::string name;
    std::vector<std::uint8_t> data;
};

std::vector<Source> MakeSources(const TempDir& dir, const std::vector<std::size_t>& sizes) {
    std::vector<Source> out;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        Source s{dir.File("src" + std::to_string(i) + ".bin"),
                 Pattern(sizes[i], static_cast<std::uint32_t>(i + 11))};
        WriteBytes(s.name, s.data);
        out.push_back(s);
    }
    return out;
}

std::vector<std::string> WriteArchive(const std::string& path, std::int64_t volumeSize,
                                      const std::vector<Source>& sources, std::int32_t method = 2) {
    CArchiveWriter writer(path, volumeSize);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        ArchiveMemberOptions options;
        options.method = method;
        // Keep the chosen codec even where it does not pay, so that it is exercised.
        options.storeWhenNotSmaller = false;
        options.destinationId = static_cast<std::int16_t>(i % 3 == 2 ? -3 : 0);
        options.storedName = "dir\\member" + std::to_string(i) + ".bin";
        writer.AddFile(sources[i].name, options);
    }
    return writer.Finish();
}

struct ReadBack {
    std::vector<EntryHeader> headers;
    std::vector<std::vector<std::uint8_t>> data;
};

ReadBack ReadArchive(const std::string& path, const TempDir& dir) {
    ReadBack r;
    CMultiFile archive;
    archive.OpenArchive(path);
    auto entry = archive.CreateEntry();
    while (archive.ReadNextEntry(*entry, 0) != 0) {
        std::string out = dir.File("out" + std::to_string(r.data.size()));
        entry->SetOutputPath(out);
        archive.Extract(*entry);
        r.headers.push_back(entry->Header());
        r.data.push_back(ReadBytes(out));
    }
    return r;
}

TEST(ArchiveWriter, SingleVolumeRoundTripKeepsHeaderFields) {
    TempDir dir;
    auto sources = MakeSources(dir, {0, 1, 8192, 8193});
    CFileStatusInfo stamp;
    stamp.modifyTime = 1300000000;
    stamp.attributes = 0x20;
    CFilePath(sources[2].name).ApplyFileStatus(stamp);
    auto volumes = WriteArchive(dir.File("one.mf"), 0, sources);
    ASSERT_EQ(volumes.size(), 1u);
    auto r = ReadArchive(volumes[0], dir);
    ASSERT_EQ(r.data.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(r.data[i], sources[i].data) << i;
        EXPECT_EQ(r.headers[i].GetName(), "dir\\member" + std::to_string(i) + ".bin");
        EXPECT_EQ(r.headers[i].method, 2);
        EXPECT_EQ(r.headers[i].expandedSize, sources[i].data.size());
        EXPECT_EQ(r.headers[i].checksum, ChecksumOf(sources[i].data));
        EXPECT_EQ(r.headers[i].continued, 0);
    }
    EXPECT_EQ(r.headers[2].modifyTime, 1300000000);
    EXPECT_EQ(r.headers[2].destinationId, -3);
    EXPECT_EQ(ReadBytes(volumes[0]).size(), 8 + 4 * 346 + 1 + 8192 + 8193u);
}

// Every volume size from the smallest upwards over a mix of member sizes: every volume fits
// its size and starts with an archive header, every member reads back, and the continued
// fields are exactly those of members that a volume ends inside.
TEST(ArchiveWriter, MultiVolumeSweep) {
    TempDir dir;
    auto sources = MakeSources(dir, {1200, 0, 5, 3000, 1, 0, 700, 2});
    int sawThreeVolumeMember = 0;
    // An empty member between two others needs room for two entry headers and a byte of
    // the member before it in one volume.
    const std::int64_t smallest = 8 + 2 * 346 + 2;
    for (std::int64_t size = smallest; size < 7000; size += 97) {
        SCOPED_TRACE("volume size " + std::to_string(size));
        auto volumes = WriteArchive(dir.File("sweep.mfA"), size, sources);
        for (const auto& v : volumes) {
            auto bytes = ReadBytes(v);
            ASSERT_LE(static_cast<std::int64_t>(bytes.size()), size);
            ASSERT_GE(bytes.size(), 8u);
            ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "mflh");
        }
        auto r = ReadArchive(volumes[0], dir);
        ASSERT_EQ(r.data.size(), sources.size());
        for (std::size_t i = 0; i < sources.size(); ++i)
            ASSERT_EQ(r.data[i], sources[i].data) << "member " << i;
        if (volumes.size() >= 3 && r.headers[3].continued)
            ++sawThreeVolumeMember;
        for (const auto& v : volumes)
            std::remove(v.c_str());
    }
    EXPECT_GT(sawThreeVolumeMember, 0);
}

// Every method over varied inputs, in one volume and split over several.
TEST(ArchiveWriter, EveryMethodRoundTrips) {
    TempDir dir;
    std::vector<std::uint8_t> repeated(40000);
    for (std::size_t i = 0; i < repeated.size(); ++i)
        repeated[i] = static_cast<std::uint8_t>("setup archive "[i % 14]);
    std::vector<Source> sources = MakeSources(dir, {0, 1, 8192, 8193, 70000});
    sources.push_back({dir.File("repeated.txt"), repeated});
    WriteBytes(sources.back().name, repeated);
    for (std::int32_t method : {2, 3, 4}) {
        for (std::int64_t volumeSize : {std::int64_t{0}, std::int64_t{30000}, std::int64_t{9000}}) {
            SCOPED_TRACE("method " + std::to_string(method) + " volume size " +
                         std::to_string(volumeSize));
            std::string name =
                "rt" + std::to_string(method) + "_" + std::to_string(volumeSize) + ".mfA";
            auto volumes = WriteArchive(dir.File(name), volumeSize, sources, method);
            if (volumeSize == 9000) {
                EXPECT_GE(volumes.size(), 3u);
            }
            auto r = ReadArchive(volumes[0], dir);
            ASSERT_EQ(r.data.size(), sources.size());
            for (std::size_t i = 0; i < sources.size(); ++i) {
                EXPECT_EQ(r.data[i], sources[i].data) << "member " << i;
                EXPECT_EQ(r.headers[i].method, method);
            }
        }
    }
}

// The zlib codec stops once it has produced the expanded size, before the stream's trailer;
// when the volume ends inside that trailer the reader must still find the next member in
// the next volume.
TEST(ArchiveWriter, VolumeEndInsideAnUnreadZlibTrailer) {
    TempDir dir;
    auto sources = MakeSources(dir, {20000, 300});
    auto single = WriteArchive(dir.File("probe.mf"), 0, sources, 4);
    CMultiFile probe;
    probe.OpenArchive(single[0]);
    CMultiFileEntry entry;
    ASSERT_EQ(probe.ReadNextEntry(entry, 0), 1);
    const std::int64_t coded = entry.Header().compressedSize;
    probe.Close();
    for (std::int64_t intoTrailer : {1, 2, 3}) {
        std::int64_t size = 8 + 346 + coded - intoTrailer;
        auto volumes = WriteArchive(dir.File("trailer" + std::to_string(intoTrailer) + ".mf1"),
                                    size, sources, 4);
        ASSERT_EQ(volumes.size(), 2u);
        auto r = ReadArchive(volumes[0], dir);
        ASSERT_EQ(r.data.size(), 2u);
        EXPECT_EQ(r.headers[0].continued, 1);
        EXPECT_EQ(r.data[0], sources[0].data);
        EXPECT_EQ(r.data[1], sources[1].data);
    }
}

TEST(ArchiveWriter, SmallestVolumesWithoutEmptyMembers) {
    TempDir dir;
    auto sources = MakeSources(dir, {3, 1000, 1});
    auto volumes = WriteArchive(dir.File("tiny.m01"), CArchiveWriter::kMinVolumeSize, sources);
    EXPECT_GT(volumes.size(), 3u);
    auto r = ReadArchive(volumes[0], dir);
    ASSERT_EQ(r.data.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(r.data[i], sources[i].data);
}

TEST(ArchiveWriter, EntryHeaderThatWouldNotFitMovesToTheNextVolume) {
    TempDir dir;
    auto sources = MakeSources(dir, {1000, 50});
    // After the first member 8 + 346 + 1000 bytes are used; 100 more would not hold the
    // next entry header, so the first volume ends inside the first member's data.
    std::int64_t size = 8 + 346 + 1000 + 100;
    auto volumes = WriteArchive(dir.File("move.m01"), size, sources);
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(ReadBytes(volumes[0]).size(), 8 + 346 + 999u);
    auto second = ReadBytes(volumes[1]);
    ASSERT_EQ(second.size(), 8 + 1 + 346 + 50u);
    EXPECT_EQ(std::string(second.begin() + 9, second.begin() + 13), "mfen");
    auto r = ReadArchive(volumes[0], dir);
    ASSERT_EQ(r.headers.size(), 2u);
    EXPECT_EQ(r.headers[0].continued, 1);
    EXPECT_EQ(r.headers[1].continued, 0);
    EXPECT_EQ(r.data[1], sources[1].data);
    EXPECT_EQ(volumes[1], dir.File("move.m02"));
}

TEST(ArchiveWriter, RefusesImpossibleRequests) {
    TempDir dir;
    EXPECT_THROW(CArchiveWriter(dir.File("a.m01"), CArchiveWriter::kMinVolumeSize - 1),
                 CArchiveWriterError);
    EXPECT_THROW(CArchiveWriter(dir.File("a.m01"), -5), CArchiveWriterError);
    EXPECT_NO_THROW(CArchiveWriter(dir.File("a.m01"), CArchiveWriter::kMinVolumeSize));

    // Three empty members in a row cannot be split, and do not fit one small volume.
    auto sources = MakeSources(dir, {10, 0, 0, 0, 10});
    EXPECT_THROW(WriteArchive(dir.File("b.m01"), 8 + 346 * 2, sources), CArchiveWriterError);

    // '~' + 1 is not a usable character for a second volume's name.
    auto big = MakeSources(dir, {2000});
    EXPECT_THROW(WriteArchive(dir.File("c.mf~"), 1000, big), CArchiveWriterError);

    CArchiveWriter writer(dir.File("d.mf"));
    ArchiveMemberOptions bad;
    bad.method = 7;
    EXPECT_THROW(writer.AddFile(big[0].name, bad), CArchiveWriterError);
    ArchiveMemberOptions longName;
    longName.method = 2;
    longName.storedName = std::string(260, 'n');
    EXPECT_THROW(writer.AddFile(big[0].name, longName), CArchiveWriterError);
    ArchiveMemberOptions ok;
    ok.method = 2;
    EXPECT_THROW(writer.AddFile(dir.File("missing"), ok), CFileException);
}

// Incompressible data is stored instead of growing; the member after it is laid over the
// abandoned coded bytes and must still read back exactly.
TEST(ArchiveWriter, MemberThatWouldGrowIsStored) {
    TempDir dir;
    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(30000);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> text(30000, 'a');
    WriteBytes(dir.File("noise.bin"), noise);
    WriteBytes(dir.File("text.txt"), text);
    WriteBytes(dir.File("empty.txt"), {});
    for (std::int32_t method : {3, 4}) {
        SCOPED_TRACE("method " + std::to_string(method));
        std::string archive = dir.File("fb" + std::to_string(method) + ".mf");
        CArchiveWriter writer(archive);
        ArchiveMemberOptions options;
        options.method = method;
        for (const char* name : {"noise.bin", "text.txt", "empty.txt", "noise.bin"}) {
            options.storedName = name;
            writer.AddFile(dir.File(name), options);
        }
        writer.Finish();
        auto r = ReadArchive(archive, dir);
        ASSERT_EQ(r.headers.size(), 4u);
        EXPECT_EQ(r.headers[0].method, 2);
        EXPECT_EQ(r.headers[0].compressedSize, noise.size());
        EXPECT_EQ(r.headers[1].method, method);
        EXPECT_LT(r.headers[1].compressedSize, 1000u);
        EXPECT_EQ(r.headers[2].method, 2);
        EXPECT_EQ(r.headers[2].compressedSize, 0u);
        EXPECT_EQ(r.data[0], noise);
        EXPECT_EQ(r.data[1], text);
        EXPECT_TRUE(r.data[2].empty());
        EXPECT_EQ(r.data[3], noise);
        EXPECT_EQ(ReadBytes(archive).size(),
                  8 + 4 * 346 + 2 * noise.size() + r.headers[1].compressedSize);
    }
}

// The spool is the writer's own: an existing file of its name stays, and a failure to
// create it names the archive the caller gave.
TEST(ArchiveWriter, SpoolNeitherClobbersNorShowsThrough) {
    TempDir dir;
    WriteBytes(dir.File("a.mf.spool"), {1, 2, 3});
    auto sources = MakeSources(dir, {500});
    WriteArchive(dir.File("a.mf"), 0, sources);
    EXPECT_EQ(ReadBytes(dir.File("a.mf.spool")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(ReadArchive(dir.File("a.mf"), dir).data.at(0), sources[0].data);

    std::string inMissingDir = dir.File("nodir/b.mf");
    try {
        CArchiveWriter writer(inMissingDir);
        ADD_FAILURE() << "the spool was created in a missing folder";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetFileName(), inMissingDir);
    }
}

TEST(ArchiveWriter, VolumeNameCapacityAndHint) {
    EXPECT_EQ(CArchiveWriter::VolumeNameCapacity("full.mf1"), 9u);
    EXPECT_EQ(CArchiveWriter::VolumeNameCapacity("full.mf0"), 10u);
    EXPECT_EQ(CArchiveWriter::VolumeNameCapacity("full.mf9"), 1u);
    EXPECT_EQ(CArchiveWriter::VolumeNameCapacity("full.mfA"), 27u);
    std::string digit = CArchiveWriter::TooManyVolumesMessage("full.mf1", 12);
    EXPECT_NE(digit.find("needs 12 volumes"), std::string::npos) << digit;
    EXPECT_NE(digit.find("'full.mf9' (9 volumes)"), std::string::npos) << digit;
    EXPECT_NE(digit.find("'full.mfA' (up to 27 volumes)"), std::string::npos) << digit;
    std::string letter = CArchiveWriter::TooManyVolumesMessage("full.mfA", 30);
    EXPECT_EQ(letter.find("name the first volume"), std::string::npos) << letter;
}

TEST(ArchiveWriter, EmptyArchiveIsJustTheHeader) {
    TempDir dir;
    CArchiveWriter writer(dir.File("e.mf"), 1000);
    auto volumes = writer.Finish();
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_EQ(ReadBytes(volumes[0]).size(), 8u);
    EXPECT_TRUE(ReadArchive(volumes[0], dir).data.empty());
}

} // namespace
