#include "archive/MultiFile.h"
#include "archive/ArchiveWriter.h"
#include "errors/Exceptions.h"
#include "support/FilePath.h"

#include "ArchiveBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// What a failing step raised: the thrown class, and the cause and short text a report shows.
struct Raised {
    std::string thrownClass;
    int cause = -1;
    std::string shortText;
    std::string fileName;
};

Raised Capture(const std::function<void()>& step) {
    try {
        step();
    } catch (const CException& e) {
        ExceptionDescription d = DescribeException(e);
        return {e.GetRuntimeClassName(), d.cause, d.message.shortText, d.fileName};
    }
    return {"(nothing)", -1, "", ""};
}

struct ExtractedMember {
    std::string name;
    std::vector<std::uint8_t> data;
    EntryHeader header;
};

// Reads every member of the archive at path, extracting those whose destination id is not
// -1 into dir (as m0, m1, ...).
std::vector<ExtractedMember> ExtractAll(CMultiFile& archive, const std::string& path,
                                        const TempDir& dir) {
    archive.OpenArchive(path);
    auto entry = archive.CreateEntry();
    std::vector<ExtractedMember> out;
    while (archive.ReadNextEntry(*entry, 0) != 0) {
        ExtractedMember m{entry->Header().GetName(), {}, entry->Header()};
        if (entry->Header().destinationId != -1) {
            std::string file = dir.File("m" + std::to_string(out.size()));
            entry->SetOutputPath(file);
            archive.Extract(*entry);
            m.data = ReadBytes(file);
        }
        out.push_back(m);
    }
    return out;
}

std::vector<ExtractedMember> ExtractAll(const std::string& path, const TempDir& dir) {
    CMultiFile archive;
    return ExtractAll(archive, path, dir);
}

RawMember Stored(const std::string& name, std::vector<std::uint8_t> data) {
    RawMember m;
    m.name = name;
    m.data = std::move(data);
    return m;
}

TEST(EntryHeader, FieldsAtTheirOffsetsLittleEndian) {
    EntryHeader h;
    h.modifyTime = 0x01020304;
    h.SetName("dir\\name.txt");
    h.expandedSize = 0x11223344;
    h.compressedSize = 0x55667788;
    h.checksum = 0x99AABBCC;
    h.method = 4;
    h.methodParameter = -2;
    h.destinationId = -3;
    h.attributes = 0x21;
    h.continued = 1;
    std::uint8_t b[EntryHeader::kSize];
    h.Encode(b);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 4), "mfen");
    EXPECT_EQ(b[4], 1);
    EXPECT_EQ(b[5], 0);
    EXPECT_EQ(b[6], 0x5A);
    EXPECT_EQ(b[7], 0x01);
    EXPECT_EQ(b[8], 0x04);
    EXPECT_EQ(b[11], 0x01);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b + 16)), "dir\\name.txt");
    EXPECT_EQ(b[276], 0x44);
    EXPECT_EQ(b[279], 0x11);
    EXPECT_EQ(b[280], 0x88);
    EXPECT_EQ(b[284], 0xCC);
    EXPECT_EQ(b[292], 4);
    EXPECT_EQ(b[296], 0xFE);
    EXPECT_EQ(b[299], 0xFF);
    EXPECT_EQ(b[300], 0xFD);
    EXPECT_EQ(b[301], 0xFF);
    EXPECT_EQ(b[302], 0x21);
    EXPECT_EQ(b[304], 1);
    EntryHeader back;
    back.Decode(b);
    EXPECT_EQ(back.GetName(), "dir\\name.txt");
    EXPECT_EQ(back.destinationId, -3);
    EXPECT_EQ(back.methodParameter, -2);
    EXPECT_EQ(back.modifyTime, 0x01020304);
    EXPECT_EQ(back.compressedSize, 0x55667788u);
}

TEST(EntryHeader, NameIsBoundedEvenWithoutTerminator) {
    std::uint8_t b[EntryHeader::kSize];
    EntryHeader().Encode(b);
    std::fill(b + 16, b + 276, 'x');
    EntryHeader h;
    h.Decode(b);
    EXPECT_EQ(h.GetName(), std::string(259, 'x'));
    h.SetName(std::string(300, 'y'));
    EXPECT_EQ(h.GetName(), std::string(259, 'y'));
    EXPECT_EQ(h.name[259], 0);
}

TEST(MultiFile, ArchiveOfEightBytesHasNoMembers) {
    TempDir dir;
    WriteBytes(dir.File("a.mf"), ArchiveHeaderBytes());
    CMultiFile archive;
    EXPECT_EQ(archive.OpenArchive(dir.File("a.mf")), 8);
    EXPECT_EQ(archive.GetBlockSize(), 4096);
    auto entry = archive.CreateEntry();
    EXPECT_EQ(entry->GetNextHeaderOffset(), 8);
    EXPECT_EQ(archive.ReadNextEntry(*entry, 0), 0);
}

// Every row of the container's failure table: the class raised, its cause, its short text.
TEST(MultiFile, FailureTable) {
    struct Row {
        const char* what;
        std::function<std::vector<std::uint8_t>()> bytes; // archive contents; empty = no file
        bool badOutput;
        const char* thrownClass;
        int cause;
        const char* text;
    };
    auto withMethod = [](std::int32_t method) {
        return [method] {
            RawMember m = Stored("x", {1, 2, 3});
            m.method = method;
            return BuildArchive({m});
        };
    };
    std::vector<Row> rows = {
        {"missing archive", nullptr, false, "CFileException", 2, "File not found."},
        {"7-byte archive", [] { return std::vector<std::uint8_t>{'m', 'f', 'l', 'h', 0, 0, 0}; },
         false, "CFileException", 14, "End of file."},
        {"wrong magic", [] { return std::vector<std::uint8_t>{'m', 'f', 'l', 'H', 0, 0, 0, 0}; },
         false, "CMultiFileException", 2, "File is not an archive file."},
        {"346 bytes without mfen",
         [] {
             auto b = ArchiveHeaderBytes();
             b.resize(8 + 346, 'z');
             return b;
         },
         false, "CMultiFileException", 3, "Archive file damaged (missing entry header)."},
        {"method 0", withMethod(0), false, "CMultiFileException", 1, "Unknown compression method."},
        {"method 1", withMethod(1), false, "CMultiFileException", 1, "Unknown compression method."},
        {"method 5", withMethod(5), false, "CMultiFileException", 1, "Unknown compression method."},
        {"checksum mismatch",
         [] {
             RawMember m = Stored("x", Pattern(5000));
             m.setChecksum = false;
             m.checksum = 0x12345678;
             return BuildArchive({m});
         },
         false, "CMultiFileException", 5, "Archive file damaged (CRC Mismatch)"},
        {"stored member cut short",
         [] {
             RawMember m = Stored("x", Pattern(100));
             m.compressedSize = 200;
             return BuildArchive({m});
         },
         false, "CFileException", 14, "End of file."},
        {"output cannot be created", [] { return BuildArchive({Stored("x", {1})}); }, true,
         "CFileException", 2, "File not found."},
    };
    for (const Row& row : rows) {
        TempDir dir;
        std::string path = dir.File("a.mf");
        if (row.bytes)
            WriteBytes(path, row.bytes());
        Raised r = Capture([&] {
            CMultiFile archive;
            archive.OpenArchive(path);
            auto entry = archive.CreateEntry();
            while (archive.ReadNextEntry(*entry, 0) != 0) {
                entry->SetOutputPath(row.badOutput ? dir.File("no/such/dir/out") : dir.File("out"));
                archive.Extract(*entry);
            }
        });
        EXPECT_EQ(r.thrownClass, row.thrownClass) << row.what;
        EXPECT_EQ(r.cause, row.cause) << row.what;
        EXPECT_EQ(r.shortText, row.text) << row.what;
    }
}

TEST(MultiFile, UnknownMethodLeavesAnEmptyOutputFile) {
    TempDir dir;
    RawMember m = Stored("x", {1, 2, 3});
    m.method = 5;
    WriteBytes(dir.File("a.mf"), BuildArchive({m}));
    CMultiFile archive;
    archive.OpenArchive(dir.File("a.mf"));
    CMultiFileEntry entry;
    ASSERT_EQ(archive.ReadNextEntry(entry, 0), 1);
    entry.SetOutputPath(dir.File("out"));
    EXPECT_THROW(archive.Extract(entry), CMultiFileException);
    EXPECT_EQ(archive.GetCodec(), nullptr);
    EXPECT_EQ(archive.GetCurrentEntry(), nullptr);
    entry.Close();
    EXPECT_TRUE(ReadBytes(dir.File("out")).empty());
}

TEST(MultiFile, ChecksumMismatchStillWritesAndStampsTheMember) {
    TempDir dir;
    RawMember m = Stored("x", Pattern(5000));
    m.setChecksum = false;
    m.checksum = 1;
    m.modifyTime = 946684800; // 2000-01-01
    WriteBytes(dir.File("a.mf"), BuildArchive({m}));
    EXPECT_THROW(ExtractAll(dir.File("a.mf"), dir), CMultiFileException);
    EXPECT_EQ(ReadBytes(dir.File("m0")), m.data);
    CFileStatusInfo st;
    CFilePath(dir.File("m0")).FillFromFile(st);
    EXPECT_EQ(st.modifyTime, 946684800);
}

TEST(MultiFile, UnverifiedAndEmptyMembers) {
    TempDir dir;
    RawMember unverified = Stored("a", Pattern(10));
    unverified.setChecksum = false; // checksum 0: never compared
    RawMember empty = Stored("b", {});
    empty.modifyTime = 1234567890;
    RawMember reserved = Stored("c", {7});
    auto bytes = BuildArchive({unverified, empty, reserved});
    // Reserved bytes and the ignored fields may hold anything.
    std::size_t third = 8 + 346 + 10 + 346;
    for (std::size_t off : {4, 6, 12, 288, 306, 345})
        bytes[third + off] = 0xA5;
    WriteBytes(dir.File("a.mf"), bytes);
    auto got = ExtractAll(dir.File("a.mf"), dir);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].data, unverified.data);
    EXPECT_TRUE(got[1].data.empty());
    CFileStatusInfo st;
    CFilePath(dir.File("m1")).FillFromFile(st);
    EXPECT_EQ(st.modifyTime, 1234567890);
    EXPECT_EQ(got[2].data, std::vector<std::uint8_t>{7});
}

TEST(MultiFile, ShortTrailingGarbageEndsTheArchive) {
    TempDir dir;
    auto bytes = BuildArchive({Stored("a", {1, 2})});
    bytes.resize(bytes.size() + 345, 'q');
    WriteBytes(dir.File("a.mf"), bytes);
    EXPECT_EQ(ExtractAll(dir.File("a.mf"), dir).size(), 1u);
}

TEST(MultiFile, ReadOnlyAttributeIsApplied) {
    TempDir dir;
    RawMember m = Stored("ro", {1});
    m.attributes = 0x21;
    WriteBytes(dir.File("a.mf"), BuildArchive({m}));
    ExtractAll(dir.File("a.mf"), dir);
    CFileStatusInfo st;
    CFilePath(dir.File("m0")).FillFromFile(st);
    EXPECT_EQ(st.attributes & 0x01, 0x01);
    // Make it removable again for the scratch directory's clean-up.
    CFileStatusInfo writable = st;
    writable.attributes = 0x20;
    writable.modifyTime = 0;
    CFilePath(dir.File("m0")).ApplyFileStatus(writable);
}

TEST(MultiFile, NextVolumeName) {
    struct Case {
        std::string path, next;
    } cases[] = {
        {"disk/app.mf1", "app.mf2"},
        {"APP.MFA", "APP.MFB"},
        {"app.mf9", "app.mf:"},
        {"x", "y"},
        {"dir/", ""},
        {"", ""},
        {std::string("a\xFF"), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CMultiFile::NextVolumeName(c.path), c.next) << c.path;
}

// Writes volumes name1, name2, ... from pieces of one logical stream: each piece becomes a
// volume with its own archive header.
std::vector<std::string> WriteVolumes(const TempDir& dir, const std::vector<std::uint8_t>& stream,
                                      const std::vector<std::size_t>& cuts) {
    std::vector<std::string> names;
    std::size_t from = 0;
    char last = '1';
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        std::size_t to = i < cuts.size() ? cuts[i] : stream.size();
        auto bytes = ArchiveHeaderBytes();
        bytes.insert(bytes.end(), stream.begin() + static_cast<long>(from),
                     stream.begin() + static_cast<long>(to));
        std::string name = dir.File(std::string("vol.mf") + last++);
        WriteBytes(name, bytes);
        names.push_back(name);
        from = to;
    }
    return names;
}

// The members' headers and data without the archive header: the logical stream.
std::vector<std::uint8_t> Stream(const std::vector<RawMember>& members) {
    auto all = BuildArchive(members);
    return std::vector<std::uint8_t>(all.begin() + 8, all.end());
}

TEST(MultiFile, MemberAcrossThreeVolumesThenNextMember) {
    TempDir dir;
    RawMember big = Stored("big", Pattern(10000, 3));
    big.continued = 1;
    RawMember after = Stored("after", Pattern(500, 4));
    auto stream = Stream({big, after});
    // Volume 2 holds nothing but continuation data.
    WriteVolumes(dir, stream, {346 + 3000, 346 + 7000});
    CMultiFile archive;
    auto got = ExtractAll(archive, dir.File("vol.mf1"), dir);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].data, big.data);
    EXPECT_EQ(got[1].data, after.data);
    EXPECT_EQ(archive.GetPath(), dir.File("vol.mf3"));
    EXPECT_EQ(archive.GetVolumeBase(0), 7000);
}

TEST(MultiFile, NotContinuedMemberDoesNotSwitchVolumes) {
    TempDir dir;
    RawMember big = Stored("big", Pattern(3000));
    auto stream = Stream({big});
    WriteVolumes(dir, stream, {346 + 1000});
    Raised r = Capture([&] { ExtractAll(dir.File("vol.mf1"), dir); });
    EXPECT_EQ(r.thrownClass, "CFileException");
    EXPECT_EQ(r.cause, 14);
}

TEST(MultiFile, ContinuedMemberWithoutNextVolumeFails) {
    TempDir dir;
    RawMember big = Stored("big", Pattern(3000));
    big.continued = 1;
    auto names = WriteVolumes(dir, Stream({big}), {346 + 1000});
    std::remove(names[1].c_str());
    Raised r = Capture([&] { ExtractAll(dir.File("vol.mf1"), dir); });
    EXPECT_EQ(r.thrownClass, "CFileException");
    EXPECT_EQ(r.cause, 14);
}

TEST(MultiFile, LaterVolumeWithWrongMagicIsNotAnArchive) {
    TempDir dir;
    RawMember big = Stored("big", Pattern(3000));
    big.continued = 1;
    auto names = WriteVolumes(dir, Stream({big}), {346 + 1000});
    auto second = ReadBytes(names[1]);
    second[0] = 'X';
    WriteBytes(names[1], second);
    Raised r = Capture([&] { ExtractAll(dir.File("vol.mf1"), dir); });
    EXPECT_EQ(r.thrownClass, "CMultiFileException");
    EXPECT_EQ(r.cause, 2);
}

TEST(MultiFile, PassedOverMembersAreSkippedAlsoAcrossVolumes) {
    TempDir dir;
    RawMember skipped = Stored("skipped", Pattern(6000, 5));
    skipped.destinationId = -1;
    skipped.continued = 1;
    RawMember kept = Stored("kept", Pattern(700, 6));
    RawMember skipped2 = Stored("skipped2", Pattern(50, 7));
    skipped2.destinationId = -1;
    RawMember last = Stored("last", Pattern(10, 8));
    WriteVolumes(dir, Stream({skipped, kept, skipped2, last}), {346 + 2500});
    auto got = ExtractAll(dir.File("vol.mf1"), dir);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[1].name, "kept");
    EXPECT_EQ(got[1].data, kept.data);
    EXPECT_EQ(got[3].data, last.data);
}

TEST(MultiFile, TruncatedPassedOverMemberIsEndOfFile) {
    TempDir dir;
    RawMember skipped = Stored("skipped", Pattern(600));
    skipped.destinationId = -1;
    auto bytes = BuildArchive({skipped});
    bytes.resize(bytes.size() - 1);
    WriteBytes(dir.File("a.mf"), bytes);
    Raised r = Capture([&] { ExtractAll(dir.File("a.mf"), dir); });
    EXPECT_EQ(r.thrownClass, "CFileException");
    EXPECT_EQ(r.cause, 14);
}

// A codec that uses only the first half of its coded data, like a zlib member whose trailer
// is not needed or an -lh5- member with spare bits.
class HalfReadingCodec : public CCodec {
protected:
    void DoCompress() override {}
    void DoExpand(std::uint32_t compressed, std::uint32_t) override {
        std::vector<std::uint8_t> buf(compressed / 2);
        std::size_t got = ReadBlock(buf.data(), buf.size());
        WriteBlock(buf.data(), got);
    }
};

class HalfReadingArchive : public CMultiFile {
public:
    std::unique_ptr<CCodec> CreateCodec(std::int32_t method, std::int32_t param) override {
        if (method == 9)
            return std::make_unique<HalfReadingCodec>();
        return CMultiFile::CreateCodec(method, param);
    }
};

TEST(MultiFile, NextMemberFoundAfterPartlyReadCodedData) {
    for (std::size_t cut : {346 + 100, 346 + 1500, 346 + 1999}) {
        TempDir dir;
        RawMember partial = Stored("partial", Pattern(2000, 9));
        partial.method = 9;
        partial.setChecksum = false;
        partial.continued = 1;
        RawMember next = Stored("next", Pattern(300, 10));
        WriteVolumes(dir, Stream({partial, next}), {cut});
        HalfReadingArchive archive;
        auto got = ExtractAll(archive, dir.File("vol.mf1"), dir);
        ASSERT_EQ(got.size(), 2u) << cut;
        EXPECT_EQ(got[0].data,
                  std::vector<std::uint8_t>(partial.data.begin(), partial.data.begin() + 1000));
        EXPECT_EQ(got[1].data, next.data) << cut;
    }
}

TEST(MultiFile, SeekFlagRereadsFromAnEntrysOffset) {
    TempDir dir;
    WriteBytes(dir.File("a.mf"), BuildArchive({Stored("a", {1, 2, 3}), Stored("b", {4, 5})}));
    CMultiFile archive;
    archive.OpenArchive(dir.File("a.mf"));
    CMultiFileEntry entry;
    ASSERT_EQ(archive.ReadNextEntry(entry, 1), 1);
    ASSERT_EQ(archive.ReadNextEntry(entry, 1), 1);
    EXPECT_EQ(entry.Header().GetName(), "b");
    EXPECT_EQ(entry.GetNextHeaderOffset(), 8 + 346 + 3 + 346 + 2);
    CMultiFileEntry fresh;
    ASSERT_EQ(archive.ReadNextEntry(fresh, 1), 1);
    EXPECT_EQ(fresh.Header().GetName(), "a");
    fresh.SetOutputPath(dir.File("out"));
    archive.Extract(fresh);
    EXPECT_EQ(ReadBytes(dir.File("out")), (std::vector<std::uint8_t>{1, 2, 3}));
}

// With the seek flag the next header is still found after a volume switch (the counted data
// read before a volume does not include the header bytes, so offsets cannot be used there).
TEST(MultiFile, SeekFlagAcrossVolumes) {
    TempDir dir;
    RawMember big = Stored("big", Pattern(5000, 12));
    big.continued = 1;
    RawMember second = Stored("second", Pattern(40, 13));
    RawMember third = Stored("third", Pattern(30, 14));
    WriteVolumes(dir, Stream({big, second, third}), {346 + 2000});
    for (bool extractBig : {true, false}) {
        CMultiFile archive;
        archive.OpenArchive(dir.File("vol.mf1"));
        CMultiFileEntry entry;
        std::vector<std::string> names;
        while (archive.ReadNextEntry(entry, 1) != 0) {
            names.push_back(entry.Header().GetName());
            if (names.back() == "big" && !extractBig)
                continue;
            entry.SetOutputPath(dir.File("out"));
            archive.Extract(entry);
        }
        EXPECT_EQ(names, (std::vector<std::string>{"big", "second", "third"})) << extractBig;
        EXPECT_EQ(ReadBytes(dir.File("out")), third.data);
    }
}

// Cancels from the block hook as a progress display would.
class CancellingArchive : public CMultiFile {
public:
    int boundaries = 0;
    void OnBlockBoundary() override {
        if (++boundaries == 2)
            Abort();
    }
};

TEST(MultiFile, AbortDuringExtractionRaisesUserExceptionAfterStamping) {
    TempDir dir;
    RawMember m = Stored("big", Pattern(20000));
    m.modifyTime = 1500000000;
    WriteBytes(dir.File("a.mf"), BuildArchive({m}));
    CancellingArchive archive;
    Raised r = Capture([&] { ExtractAll(archive, dir.File("a.mf"), dir); });
    EXPECT_EQ(r.thrownClass, "CUserException");
    EXPECT_EQ(r.shortText, "Operation cancelled.");
    // The stored codec does not stop early: the whole member is there and stamped.
    EXPECT_EQ(ReadBytes(dir.File("m0")), m.data);
    CFileStatusInfo st;
    CFilePath(dir.File("m0")).FillFromFile(st);
    EXPECT_EQ(st.modifyTime, 1500000000);
    // Abort with no codec running does nothing.
    archive.Abort();
}

TEST(MultiFile, AbsurdSizesFailCleanly) {
    TempDir dir;
    RawMember m = Stored("x", Pattern(10));
    m.compressedSize = 0xFFFFFFF0u;
    m.expandedSize = 0xFFFFFFF0u;
    WriteBytes(dir.File("a.mf"), BuildArchive({m}));
    Raised r = Capture([&] { ExtractAll(dir.File("a.mf"), dir); });
    EXPECT_EQ(r.thrownClass, "CFileException");
    EXPECT_EQ(r.cause, 14);
    m.destinationId = -1;
    WriteBytes(dir.File("b.mf"), BuildArchive({m, Stored("y", {1})}));
    r = Capture([&] { ExtractAll(dir.File("b.mf"), dir); });
    EXPECT_EQ(r.cause, 14);
}

} // namespace
