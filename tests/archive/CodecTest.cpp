// The three codecs through CCodec over real counted files, and the stored and zlib engines'
// results and error paths.
#include "archive/Checksum.h"
#include "archive/CodecErrors.h"
#include "archive/CodecFactory.h"
#include "archive/CompressingCodecs.h"
#include "archive/LzhCodec.h"
#include "archive/StoredCodec.h"
#include "archive/VolumeFile.h"
#include "archive/ZLibCodec.h"

#include "CodecTestData.h"
#include "TempDir.h"
#include "errors/Exceptions.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cerrno>
#include <functional>
#include <memory>

namespace {

using codectest::Bytes;

std::unique_ptr<CCodec> MakeCodec(int method) {
    switch (method) {
    case 2:
        return std::make_unique<CStoredCodec>();
    case 3:
        return std::make_unique<CLzhCompressingCodec>();
    default:
        return std::make_unique<CZLibCompressingCodec>();
    }
}

// A volume file that counts its block boundaries and can run something at each.
class CHookedFile : public CVolumeFile {
public:
    void OnBlockBoundary() override {
        ++boundaries;
        if (onBoundary) {
            onBoundary();
        }
    }
    int boundaries = 0;
    std::function<void()> onBoundary;
};

std::uint32_t ChecksumOf(const Bytes& data) {
    CChecksum c;
    c.Update(data.data(), data.size());
    return c.GetValue();
}

// Compresses `data` with the codec of `method` from one file into another.
Bytes CompressFile(TempDir& dir, int method, const Bytes& data) {
    WriteBytes(dir.File("plain"), data);
    CVolumeFile in;
    CVolumeFile out;
    in.OpenForReading(dir.File("plain"));
    out.OpenForWriting(dir.File("coded"));
    MakeCodec(method)->Compress(in, out);
    out.Close();
    return ReadBytes(dir.File("coded"));
}

// The reader's codecs expand only: asked to compress, the -lh5- and zlib codecs refuse
// instead of writing an empty stream, and the writer's codecs compress every method.
TEST(Codec, ReaderCodecsRefuseToCompress) {
    TempDir dir;
    WriteBytes(dir.File("plain"), Bytes(100, 'p'));
    for (int method : {3, 4}) {
        SCOPED_TRACE(method);
        CVolumeFile in;
        CVolumeFile out;
        in.OpenForReading(dir.File("plain"));
        out.OpenForWriting(dir.File("coded"));
        EXPECT_THROW(CreateCodecForMethod(method)->Compress(in, out), CNotSupportedException);
    }
    for (int method : {2, 3, 4}) {
        SCOPED_TRACE(method);
        EXPECT_NE(CreateCodecForMethod(method), nullptr);
        EXPECT_NE(CreateCompressingCodecForMethod(method), nullptr);
    }
    EXPECT_EQ(CreateCodecForMethod(5), nullptr);
    EXPECT_EQ(CreateCompressingCodecForMethod(5), nullptr);
}

TEST(Codec, EveryMethodRoundTripsThroughCountedFiles) {
    const struct {
        const char* name;
        Bytes data;
    } inputs[] = {
        {"empty", {}},
        {"one byte", {0x7F}},
        {"8192", codectest::TextBytes(8192, 1)},
        {"8193", codectest::TextBytes(8193, 2)},
        {"dictionary edge", codectest::DictionaryEdgeBytes()},
        {"binary", codectest::BinaryBytes(150000, 3)},
        {"random", codectest::RandomBytes(70000, 4)},
    };
    for (int method : {2, 3, 4}) {
        for (const auto& input : inputs) {
            TempDir dir;
            const Bytes coded = CompressFile(dir, method, input.data);
            if (method == 2) {
                EXPECT_EQ(coded, input.data);
            }
            CHookedFile source;
            CVolumeFile destination;
            source.SetBlockSize(4096);
            source.OpenForReading(dir.File("coded"));
            destination.OpenForWriting(dir.File("expanded"));
            const std::unique_ptr<CCodec> codec = MakeCodec(method);
            codec->Expand(source, destination, static_cast<std::uint32_t>(coded.size()),
                          static_cast<std::uint32_t>(input.data.size()));
            destination.Close();
            EXPECT_EQ(ReadBytes(dir.File("expanded")), input.data)
                << "method " << method << " " << input.name;
            EXPECT_EQ(destination.GetChecksum(), ChecksumOf(input.data))
                << "method " << method << " " << input.name;
            EXPECT_EQ(destination.GetCount(1), static_cast<std::int64_t>(input.data.size()));
            EXPECT_LE(source.GetCount(0), static_cast<std::int64_t>(coded.size()));
            EXPECT_EQ(source.boundaries, static_cast<int>(source.GetCount(0) / 4096))
                << "method " << method << " " << input.name;
            EXPECT_FALSE(codec->IsAborted());
        }
    }
}

// Aborts from the block hook after the first 4096 coded bytes.
struct AbortRun {
    Bytes expanded;
    bool aborted = false;
};

AbortRun ExpandWithAbort(int method, const Bytes& data) {
    TempDir dir;
    const Bytes coded = CompressFile(dir, method, data);
    const std::unique_ptr<CCodec> codec = MakeCodec(method);
    CHookedFile source;
    CVolumeFile destination;
    source.SetBlockSize(4096);
    source.onBoundary = [&codec] { codec->Abort(); };
    source.OpenForReading(dir.File("coded"));
    destination.OpenForWriting(dir.File("expanded"));
    codec->Expand(source, destination, static_cast<std::uint32_t>(coded.size()),
                  static_cast<std::uint32_t>(data.size()));
    destination.Close();
    return {ReadBytes(dir.File("expanded")), codec->IsAborted()};
}

TEST(Codec, AbortStopsMethodThreeButStoredAndZLibFinishTheMember) {
    const Bytes data = codectest::RandomBytes(300000, 8);
    const AbortRun lzh = ExpandWithAbort(3, data);
    EXPECT_TRUE(lzh.aborted);
    ASSERT_LT(lzh.expanded.size(), data.size());
    EXPECT_EQ(lzh.expanded,
              Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(lzh.expanded.size())));
    for (int method : {2, 4}) {
        const AbortRun run = ExpandWithAbort(method, data);
        EXPECT_TRUE(run.aborted) << method;
        EXPECT_EQ(run.expanded, data) << method;
    }
}

// --- stored ---

void ExpandStored(const Bytes& coded, std::uint32_t compressedSize, CMemorySink& sink) {
    CMemorySource source(coded);
    std::uint8_t buffer[1000];
    StoredExpand(source, sink, compressedSize, buffer, sizeof buffer);
}

TEST(StoredCodec, CopiesExactlyTheCompressedSize) {
    const Bytes data = codectest::TextBytes(5000, 1);
    CMemorySink sink;
    ExpandStored(data, 3000, sink);
    EXPECT_EQ(sink.Data(), Bytes(data.begin(), data.begin() + 3000));
    CMemorySink empty;
    ExpandStored(data, 0, empty);
    EXPECT_TRUE(empty.Data().empty());
}

TEST(StoredCodec, DataEndingEarlyRaisesEndOfFile) {
    CMemorySink sink;
    try {
        ExpandStored(Bytes(100, 1), 101, sink);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kEndOfFile);
    }
    EXPECT_EQ(sink.Data().size(), 100u);
}

// --- zlib ---

Bytes ZCompress(const Bytes& data, int level, int windowBits = 15, int memLevel = 8,
                int strategy = Z_DEFAULT_STRATEGY) {
    z_stream s{};
    EXPECT_EQ(deflateInit2(&s, level, Z_DEFLATED, windowBits, memLevel, strategy), Z_OK);
    Bytes out(deflateBound(&s, static_cast<uLong>(data.size())) + 64);
    s.next_in = const_cast<Bytef*>(data.data());
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

Bytes ZExpand(const Bytes& coded, std::uint32_t expandedSize) {
    CMemorySource source(coded);
    CMemorySink sink;
    ZLibExpand(source, sink, static_cast<std::uint32_t>(coded.size()), expandedSize);
    return sink.Data();
}

TEST(ZLibCodec, DecodesStreamsOfEveryLevelAndStrategy) {
    const Bytes inputs[] = {codectest::TextBytes(200000, 1), codectest::BinaryBytes(100000, 2),
                            codectest::RandomBytes(50000, 3), Bytes(70000, 0), Bytes(1, 9)};
    for (const Bytes& data : inputs) {
        const auto size = static_cast<std::uint32_t>(data.size());
        for (int level = 0; level <= 9; ++level) {
            uLongf n = compressBound(static_cast<uLong>(data.size()));
            Bytes coded(n);
            ASSERT_EQ(
                compress2(coded.data(), &n, data.data(), static_cast<uLong>(data.size()), level),
                Z_OK);
            coded.resize(n);
            EXPECT_EQ(ZExpand(coded, size), data) << "level " << level;
        }
        for (int strategy : {Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
            EXPECT_EQ(ZExpand(ZCompress(data, 6, 15, 8, strategy), size), data)
                << "strategy " << strategy;
        }
        for (int windowBits : {9, 10, 12}) {
            EXPECT_EQ(ZExpand(ZCompress(data, 9, windowBits, 1), size), data)
                << "window bits " << windowBits;
        }
    }
}

TEST(ZLibCodec, OwnCompressorRoundTripsAndIsAZLibStream) {
    const Bytes data = codectest::TextBytes(123456, 5);
    CMemorySource source(data);
    CMemorySink sink;
    ZLibCompress(source, sink);
    Bytes plain(data.size());
    uLongf n = static_cast<uLongf>(plain.size());
    ASSERT_EQ(
        uncompress(plain.data(), &n, sink.Data().data(), static_cast<uLong>(sink.Data().size())),
        Z_OK);
    EXPECT_EQ(plain, data);
    EXPECT_EQ(ZExpand(sink.Data(), static_cast<std::uint32_t>(data.size())), data);
}

TEST(ZLibCodec, EmptyMembers) {
    EXPECT_TRUE(ZExpand({}, 0).empty()); // no coded data at all
    EXPECT_TRUE(ZExpand(ZCompress({}, 6), 0).empty());
}

TEST(ZLibCodec, NeverReadsPastTheCompressedSizeAndReadsTheTrailer) {
    const Bytes data = codectest::TextBytes(50000, 6);
    Bytes coded = ZCompress(data, 6);
    const std::size_t codedSize = coded.size();
    coded.insert(coded.end(), 64, 0xAB);
    CMemorySource source(coded);
    CMemorySink sink;
    ZLibExpand(source, sink, static_cast<std::uint32_t>(codedSize),
               static_cast<std::uint32_t>(data.size()));
    EXPECT_EQ(sink.Data(), data);
    EXPECT_EQ(source.GetPosition(), codedSize);
}

void ExpectZLibError(const Bytes& coded, std::uint32_t compressedSize, std::uint32_t expandedSize,
                     int cause, const char* what) {
    try {
        CMemorySource source(coded);
        CMemorySink sink;
        ZLibExpand(source, sink, compressedSize, expandedSize);
        ADD_FAILURE() << what << ": no exception";
    } catch (const CZLibException& e) {
        EXPECT_EQ(e.GetCause(), cause) << what;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": " << e.what();
    }
}

TEST(ZLibCodec, DamagedStreamsRaiseTheirErrors) {
    const Bytes data = codectest::TextBytes(30000, 7);
    const Bytes coded = ZCompress(data, 6);
    const auto size = static_cast<std::uint32_t>(data.size());
    const auto codedSize = static_cast<std::uint32_t>(coded.size());
    Bytes badHeader(coded);
    badHeader[0] = 0x79;
    ExpectZLibError(badHeader, codedSize, size, CZLibException::kDataError, "bad header");
    Bytes badTrailer(coded);
    badTrailer.back() ^= 1;
    ExpectZLibError(badTrailer, codedSize, size, CZLibException::kDataError, "bad Adler-32");
    ExpectZLibError(coded, codedSize, size + 1, CZLibException::kDataError,
                    "stream shorter than the expanded size");
    ExpectZLibError(coded, codedSize, size - 1, CZLibException::kDataError,
                    "stream longer than the expanded size");
    ExpectZLibError(coded, codedSize / 2, size, CZLibException::kBufferError,
                    "compressed size too small");
    ExpectZLibError(coded, codedSize - 2, size, CZLibException::kBufferError, "trailer cut");
    const Bytes half(coded.begin(), coded.begin() + coded.size() / 2);
    ExpectZLibError(half, codedSize, size, CZLibException::kBufferError, "source ends early");
    ExpectZLibError(Bytes{0x78, 0x9C, 0xFF, 0xFF}, 4, 10, CZLibException::kDataError,
                    "invalid block type");
}

TEST(ZLibCodec, CheckZLibMapsEveryResult) {
    EXPECT_NO_THROW(CheckZLib(Z_OK));
    EXPECT_NO_THROW(CheckZLib(Z_STREAM_END));
    errno = 0;
    EXPECT_NO_THROW(CheckZLib(Z_ERRNO));
    errno = ENOSPC;
    try {
        CheckZLib(Z_ERRNO);
        ADD_FAILURE() << "Z_ERRNO with ENOSPC: no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kDiskFull);
        EXPECT_EQ(e.GetOsError(), ENOSPC);
    }
    EXPECT_THROW(CheckZLib(Z_MEM_ERROR), CMemoryException);
    const struct {
        int result;
        int cause;
    } zlibCases[] = {
        {Z_STREAM_ERROR, 2}, {Z_DATA_ERROR, 3},    {Z_BUF_ERROR, 4},
        {Z_NEED_DICT, 1},    {Z_VERSION_ERROR, 1}, {42, 1},
    };
    for (const auto& c : zlibCases) {
        try {
            CheckZLib(c.result);
            ADD_FAILURE() << c.result << ": no exception";
        } catch (const CZLibException& e) {
            EXPECT_EQ(e.GetCause(), c.cause) << c.result;
        }
    }
}

} // namespace

namespace {

TEST(Codec, AllocationFailuresBecomeTheMemoryException) {
    EXPECT_THROW(RunWithMemoryException([] { throw std::bad_alloc(); }), CMemoryException);
    EXPECT_THROW(RunWithMemoryException([] { throw CZLibException(3); }), CZLibException);
}

} // namespace
