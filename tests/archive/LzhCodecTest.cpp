#include "archive/LzhDecoder.h"
#include "archive/LzhEncoder.h"
#include "archive/LzhHuffman.h"

#include "CodecTestData.h"
#include "LzhBitWriter.h"
#include "errors/Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using codectest::Bytes;

Bytes Compress(const Bytes& data, const CLzhEncoder::Options& options = {}) {
    CMemorySource source(data);
    CMemorySink sink;
    CLzhEncoder encoder(options);
    encoder.Compress(source, sink);
    return sink.Data();
}

Bytes Expand(const Bytes& coded, std::uint32_t expandedSize) {
    CMemorySource source(coded);
    CMemorySink sink;
    CLzhDecoder decoder;
    decoder.Expand(source, sink, static_cast<std::uint32_t>(coded.size()), expandedSize);
    return sink.Data();
}

// Delivers at most `step` bytes per read, to drive the decoder's refill paths.
class CTrickleSource : public CByteSource {
public:
    CTrickleSource(const Bytes& data, std::size_t step) : m_data(data), m_step(step) {}
    std::size_t ReadSome(void* buffer, std::size_t n) override {
        const std::size_t count = std::min({n, m_step, m_data.size() - m_pos});
        std::copy_n(m_data.begin() + static_cast<std::ptrdiff_t>(m_pos), count,
                    static_cast<std::uint8_t*>(buffer));
        m_pos += count;
        if (onRead) {
            onRead();
        }
        return count;
    }
    std::function<void()> onRead;

private:
    const Bytes& m_data;
    std::size_t m_step;
    std::size_t m_pos = 0;
};

struct Input {
    std::string name;
    Bytes data;
};

std::vector<Input> Inputs() {
    Bytes repetitive;
    for (int i = 0; i < 3000; ++i) {
        const char* s = "abcabcabd";
        repetitive.insert(repetitive.end(), s, s + 9);
    }
    Bytes allValues;
    for (int i = 0; i < 512; ++i) {
        allValues.push_back(static_cast<std::uint8_t>(i * 7));
    }
    return {
        {"empty", {}},
        {"one byte", {0x42}},
        {"two bytes", {0x00, 0xFF}},
        {"text 8192", codectest::TextBytes(8192, 1)},
        {"text 8193", codectest::TextBytes(8193, 2)},
        {"zeros 8192", Bytes(8192, 0)},
        {"zeros 8193", Bytes(8193, 0)},
        {"zeros 1 MiB", Bytes(1 << 20, 0)},
        {"dictionary edge", codectest::DictionaryEdgeBytes()},
        {"repetitive", repetitive},
        {"all byte values", allValues},
        {"text 300 KiB", codectest::TextBytes(300000, 3)},
        {"binary 200 KiB", codectest::BinaryBytes(200000, 4)},
        {"random 100 KiB", codectest::RandomBytes(100000, 5)},
    };
}

TEST(LzhCodec, RoundTripsEveryInputWithEveryEncoderSetting) {
    const CLzhEncoder::Options settings[] = {
        {},     // default
        {1, 3}, // one chain step, tiny blocks: one-symbol tables nearly everywhere
        {16, 1},
        {256, 65535},
    };
    for (const Input& input : Inputs()) {
        for (const CLzhEncoder::Options& options : settings) {
            if (options.blockTokens < 10 && input.data.size() > 100000) {
                continue; // tiny blocks over large inputs only take time
            }
            const Bytes coded = Compress(input.data, options);
            const auto size = static_cast<std::uint32_t>(input.data.size());
            EXPECT_EQ(Expand(coded, size), input.data)
                << input.name << " chain " << options.maxChain << " block " << options.blockTokens;
        }
    }
}

TEST(LzhCodec, CompressesWhatIsCompressibleAndBarelyGrowsRandomData) {
    const Bytes text = codectest::TextBytes(300000, 3);
    EXPECT_LT(Compress(text).size(), text.size() / 3);
    EXPECT_LT(Compress(Bytes(1 << 20, 0)).size(), 6000u);
    const Bytes random = codectest::RandomBytes(100000, 5);
    EXPECT_LT(Compress(random).size(), random.size() + random.size() / 50);
    EXPECT_TRUE(Compress({}).empty());
}

TEST(LzhCodec, DecodesThroughASourceThatDeliversFewBytesAtATime) {
    const Bytes data = codectest::TextBytes(50000, 11);
    const Bytes coded = Compress(data);
    for (std::size_t step : {1u, 3u, 7u, 9u, 4096u}) {
        CTrickleSource source(coded, step);
        CMemorySink sink;
        CLzhDecoder decoder;
        decoder.Expand(source, sink, static_cast<std::uint32_t>(coded.size()),
                       static_cast<std::uint32_t>(data.size()));
        EXPECT_EQ(sink.Data(), data) << "step " << step;
    }
}

TEST(LzhCodec, NeverReadsPastTheCompressedSize) {
    const Bytes data = codectest::TextBytes(40000, 12);
    Bytes coded = Compress(data);
    const std::size_t codedSize = coded.size();
    coded.insert(coded.end(), 100, 0xEE); // the next member's bytes
    CMemorySource source(coded);
    CMemorySink sink;
    CLzhDecoder decoder;
    decoder.Expand(source, sink, static_cast<std::uint32_t>(codedSize),
                   static_cast<std::uint32_t>(data.size()));
    EXPECT_EQ(sink.Data(), data);
    EXPECT_LE(source.GetPosition(), codedSize);
    EXPECT_EQ(decoder.GetCodedBytesRead(), source.GetPosition());
}

TEST(LzhCodec, ExpandedSizeBelowTheStreamGivesThePrefix) {
    const Bytes data = codectest::TextBytes(100000, 13);
    const Bytes coded = Compress(data);
    for (std::uint32_t n : {1u, 8191u, 8192u, 65536u, 65537u, 99999u}) {
        EXPECT_EQ(Expand(coded, n), Bytes(data.begin(), data.begin() + n)) << n;
    }
}

TEST(LzhCodec, ExpandedSizeZeroReadsNothing) {
    const Bytes coded = Compress(codectest::TextBytes(1000, 1));
    CMemorySource source(coded);
    CMemorySink sink;
    CLzhDecoder decoder;
    decoder.Expand(source, sink, static_cast<std::uint32_t>(coded.size()), 0);
    EXPECT_TRUE(sink.Data().empty());
    EXPECT_EQ(source.GetPosition(), 0u);
}

TEST(LzhCodec, AbortStopsAfterTheCurrentSymbolAndKeepsWhatWasDecoded) {
    const Bytes data = codectest::RandomBytes(200000, 14);
    const Bytes coded = Compress(data);
    int abortFlag = 0;
    CTrickleSource source(coded, 4096);
    source.onRead = [&abortFlag] { abortFlag = 1; };
    CMemorySink sink;
    CLzhDecoder decoder;
    decoder.Expand(source, sink, static_cast<std::uint32_t>(coded.size()),
                   static_cast<std::uint32_t>(data.size()), &abortFlag);
    ASSERT_LT(sink.Data().size(), data.size());
    EXPECT_EQ(sink.Data(), Bytes(data.begin(), data.begin() + sink.Data().size()));
    EXPECT_LT(decoder.GetCodedBytesRead(), coded.size());
}

TEST(LzhCodec, DecodersKeepTheirOwnState) {
    // Two members decoded alternately, chunk by chunk, through interleaved sources.
    const Bytes a = codectest::TextBytes(150000, 21);
    const Bytes b = codectest::BinaryBytes(150000, 22);
    const Bytes codedA = Compress(a);
    const Bytes codedB = Compress(b);
    CLzhDecoder decoderA;
    CMemorySink sinkA;
    // The sink of A runs decoder B on every chunk A writes.
    class CNestedSink : public CByteSink {
    public:
        CNestedSink(CMemorySink& own, const Bytes& other, CMemorySink& otherSink)
            : m_own(own), m_other(other), m_otherSink(otherSink) {}
        void WriteAll(const void* buffer, std::size_t n) override {
            m_own.WriteAll(buffer, n);
            if (!m_done) {
                m_done = true;
                CMemorySource source(m_other);
                CLzhDecoder decoder;
                decoder.Expand(source, m_otherSink, static_cast<std::uint32_t>(m_other.size()),
                               150000);
            }
        }

    private:
        CMemorySink& m_own;
        const Bytes& m_other;
        CMemorySink& m_otherSink;
        bool m_done = false;
    };
    CMemorySink sinkB;
    CNestedSink nested(sinkA, codedB, sinkB);
    CMemorySource sourceA(codedA);
    decoderA.Expand(sourceA, nested, static_cast<std::uint32_t>(codedA.size()), 150000);
    EXPECT_EQ(sinkA.Data(), a);
    EXPECT_EQ(sinkB.Data(), b);
}

// --- Hand-made streams: one block header, then tokens ---

// A block of `tokens` tokens whose three tables are one-symbol forms.
CTestBitWriter OneSymbolBlock(std::uint32_t tokens, std::uint32_t cSymbol, std::uint32_t pSymbol) {
    CTestBitWriter w;
    w.Put(16, tokens);
    w.Put(5, 0).Put(5, 0);       // temporary alphabet: one symbol
    w.Put(9, 0).Put(9, cSymbol); // literal/length alphabet: one symbol
    w.Put(4, 0).Put(4, pSymbol); // position alphabet: one symbol
    return w;
}

TEST(LzhCodec, OneSymbolTablesDecodeWithoutConsumingBits) {
    EXPECT_EQ(Expand(OneSymbolBlock(5, 'A', 0).Bytes(), 5), Bytes(5, 'A'));
    // A match of 3 at distance 1 from the zeroed history, then literal-free repeats.
    EXPECT_EQ(Expand(OneSymbolBlock(2, 256, 0).Bytes(), 6), Bytes(6, 0));
}

TEST(LzhCodec, BlockCountZeroMeans65536Tokens) {
    EXPECT_EQ(Expand(OneSymbolBlock(0, 'B', 0).Bytes(), 65536), Bytes(65536, 'B'));
}

void ExpectCorruptTable(const Bytes& coded, std::uint32_t expandedSize, const char* what) {
    try {
        Expand(coded, expandedSize);
        ADD_FAILURE() << what << ": no exception";
    } catch (const CMultiFileException& e) {
        EXPECT_EQ(e.GetCause(), CMultiFileException::kCorruptTable) << what;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": " << e.what();
    }
}

TEST(LzhCodec, DamagedTablesRaiseCorruptTable) {
    struct Case {
        const char* what;
        CTestBitWriter stream;
    };
    std::vector<Case> cases;
    {
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 20); // 20 temporary lengths for a 19-symbol alphabet
        cases.push_back({"temporary count too large", w});
    }
    {
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 0).Put(5, 19);
        cases.push_back({"temporary one-symbol form outside the alphabet", w});
    }
    {
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 510);
        cases.push_back({"literal/length one-symbol form outside the alphabet", w});
    }
    {
        cases.push_back(
            {"position one-symbol form outside the alphabet", OneSymbolBlock(1, 'A', 14)});
    }
    {
        CTestBitWriter v;
        v.Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 'A').Put(4, 15);
        cases.push_back({"position count too large", v});
    }
    {
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 1).Put(3, 7).Put(10, 0x3FF).Put(1, 0); // length 17
        cases.push_back({"code length above 16", w});
    }
    {
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 2).Put(3, 1).Put(3, 2); // lengths 1 and 2: incomplete
        cases.push_back({"incomplete code", w});
    }
    {
        // Four codes of length 1 fill the code space twice over; in 16-bit arithmetic the
        // sum wraps to look complete.
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 4).Put(3, 1).Put(3, 1).Put(3, 1).Put(2, 0).Put(3, 1);
        cases.push_back({"oversubscribed code", w});
    }
    {
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 0).Put(5, 1).Put(9, 510); // temporary symbol 1: a zero run
        for (int run = 0; run < 29; ++run) {
            w.Put(4, 15); // 18 zero lengths each: the 29th run ends past 510
        }
        cases.push_back({"zero run past the alphabet", w});
    }
    {
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 0).Put(5, 2).Put(9, 510).Put(9, 511); // one run of 531 zeros
        cases.push_back({"long zero run past the alphabet", w});
    }
    {
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 5); // five zero lengths: empty code
        w.Put(4, 0).Put(4, 0);
        cases.push_back({"symbol read through an empty literal/length code", w});
    }
    {
        CTestBitWriter w;
        w.Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 256); // every token a match
        w.Put(4, 3).Put(3, 0).Put(3, 0).Put(3, 0);              // position code empty
        cases.push_back({"match read through an empty position code", w});
    }
    for (const Case& c : cases) {
        ExpectCorruptTable(c.stream.Bytes(), 100, c.what);
    }
}

void ExpectEndOfFile(const std::function<void()>& run, const char* what) {
    try {
        run();
        ADD_FAILURE() << what << ": no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kEndOfFile) << what;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": " << e.what();
    }
}

TEST(LzhCodec, TruncatedDataRaisesEndOfFile) {
    const Bytes data = codectest::TextBytes(60000, 15);
    const Bytes coded = Compress(data);
    const auto size = static_cast<std::uint32_t>(data.size());
    ExpectEndOfFile(
        [&] {
            const Bytes half(coded.begin(),
                             coded.begin() + static_cast<std::ptrdiff_t>(coded.size() / 2));
            Expand(half, size);
        },
        "compressed size too small");
    ExpectEndOfFile(
        [&] {
            const Bytes half(coded.begin(),
                             coded.begin() + static_cast<std::ptrdiff_t>(coded.size() / 2));
            CMemorySource source(half); // the source ends before the compressed size
            CMemorySink sink;
            CLzhDecoder decoder;
            decoder.Expand(source, sink, static_cast<std::uint32_t>(coded.size()), size);
        },
        "source ends early");
    ExpectEndOfFile([&] { Expand(OneSymbolBlock(5, 'A', 0).Bytes(), 6); },
                    "a second block past the end");
    ExpectEndOfFile([&] { Expand({}, 1); }, "no coded data at all");
}

TEST(LzhCodec, SizeOneShortOfTheStreamStillFailsCleanly) {
    // Removing the last byte must never read out of bounds; it either still decodes (the
    // last byte held only padding) or ends in the end-of-file error.
    const Bytes data = codectest::TextBytes(20000, 16);
    const Bytes coded = Compress(data);
    const Bytes cut(coded.begin(), coded.end() - 1);
    try {
        EXPECT_EQ(Expand(cut, static_cast<std::uint32_t>(data.size())), data);
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kEndOfFile);
    }
}

} // namespace

namespace {

// Code lengths of a complete code over `count` symbols with lengths up to 16: symbol i of a
// geometric distribution, the two rarest sharing the longest length.
std::vector<std::uint8_t> SkewedLengths(int count, int firstSymbol) {
    std::vector<std::uint8_t> lengths(static_cast<std::size_t>(count), 0);
    for (int i = 0; i < 16; ++i) {
        lengths[static_cast<std::size_t>((firstSymbol + i) % count)] =
            static_cast<std::uint8_t>(i < 15 ? i + 1 : 15);
    }
    return lengths;
}

TEST(LzhHuffman, TablesDecodeEveryCodeAndForgetThePreviousTable) {
    // Several tables built one after the other in the same objects, each with codes longer
    // than the direct table (second-level tables), checked code by code.
    for (int tableBits : {8, 12}) {
        const int count = tableBits == 12 ? 510 : 19;
        CLzhDecodeTable table(tableBits);
        codectest::CRandom random(static_cast<std::uint64_t>(tableBits));
        for (int round = 0; round < 6; ++round) {
            std::vector<std::uint8_t> lengths;
            if (round % 2 == 0) {
                lengths = SkewedLengths(count, round * 3);
            } else {
                std::vector<std::uint32_t> freq(static_cast<std::size_t>(count));
                for (auto& f : freq) {
                    f = 1u << random.Below(20);
                }
                lengths.resize(freq.size());
                MakeCodeLengths(freq.data(), count, 16, lengths.data());
            }
            std::vector<std::uint16_t> codes(lengths.size());
            MakeCanonicalCodes(lengths.data(), count, codes.data());
            table.Build(lengths.data(), count);
            for (int s = 0; s < count; ++s) {
                const int len = lengths[static_cast<std::size_t>(s)];
                if (len == 0) {
                    continue;
                }
                const std::uint32_t next16 =
                    (static_cast<std::uint32_t>(codes[static_cast<std::size_t>(s)]) << (16 - len)) |
                    (random.Below(1u << 16) & ((1u << (16 - len)) - 1));
                const std::uint32_t e = table.Lookup(next16);
                ASSERT_EQ(e & 0xFFFF, static_cast<std::uint32_t>(s)) << "round " << round;
                ASSERT_EQ(e >> 16, static_cast<std::uint32_t>(len)) << "round " << round;
            }
        }
    }
}

TEST(LzhHuffman, LengthsAreLimitedTo16BitsAndFormACompleteCode) {
    // Fibonacci frequencies give the deepest possible Huffman trees.
    std::uint32_t freq[lzh::kNC] = {};
    std::uint32_t a = 1;
    std::uint32_t b = 1;
    for (int s = 0; s < 40; ++s) {
        freq[s * 7] = a;
        const std::uint32_t next = a + b;
        a = b;
        b = next;
    }
    std::uint8_t lengths[lzh::kNC];
    ASSERT_EQ(MakeCodeLengths(freq, lzh::kNC, 16, lengths), 40);
    std::uint64_t kraft = 0;
    for (std::uint8_t len : lengths) {
        ASSERT_LE(len, 16);
        if (len != 0) {
            kraft += 1u << (16 - len);
        }
    }
    EXPECT_EQ(kraft, 1u << 16);
    EXPECT_EQ(lengths[39 * 7], 1); // the most frequent symbol
}

TEST(LzhCodec, RoundTripsBlocksThatAllHaveLongCodes) {
    // Skewed bytes in small blocks: every block has codes longer than 12 bits.
    codectest::CRandom random(99);
    Bytes data(400000);
    for (auto& byte : data) {
        const std::uint64_t r = random.Next();
        byte = static_cast<std::uint8_t>(r == 0 ? 63 : __builtin_ctzll(r) * 4 + (r >> 62));
    }
    CLzhEncoder::Options options;
    options.blockTokens = 3000;
    EXPECT_EQ(Expand(Compress(data, options), static_cast<std::uint32_t>(data.size())), data);
}

} // namespace
