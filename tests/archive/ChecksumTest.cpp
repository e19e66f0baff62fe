#include "archive/Checksum.h"
#include "archive/ChecksumKernels.h"

#include "CodecTestData.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::uint32_t ChecksumOf(const void* data, std::size_t n) {
    CChecksum c;
    c.Update(data, n);
    return c.GetValue();
}

std::uint32_t ReferenceOf(const std::uint8_t* data, std::size_t n) {
    std::uint32_t reg = 0;
    for (std::size_t i = 0; i < n; ++i) {
        reg = CChecksum::UpdateByte(reg, data[i]);
    }
    return reg;
}

TEST(Checksum, KnownValues) {
    struct Case {
        const char* text;
        std::uint32_t value;
    } const cases[] = {
        {"", 0x00000000u},
        {"abc", 0x3E105F31u},
        {"123456789", 0xED2320DAu},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChecksumOf(c.text, std::strlen(c.text)), c.value) << c.text;
    }
}

TEST(Checksum, TableIsTheReflectedPolynomialTable) {
    const std::uint32_t* t = CChecksum::Table();
    EXPECT_EQ(t[0], 0x00000000u);
    EXPECT_EQ(t[1], 0x77073096u);
    EXPECT_EQ(t[128], 0xEDB88320u);
    EXPECT_EQ(t[255], 0x2D02EF8Du);
}

TEST(Checksum, ByteRuleMovesSixBitsAndKeepsTwentyFour) {
    // From register 0xFFFFFFFF and byte 0xFF: table[0] ^ (0xFFFFFFFF >> 6 & 0xFFFFFF).
    EXPECT_EQ(CChecksum::UpdateByte(0xFFFFFFFFu, 0xFF), 0x00FFFFFFu);
    EXPECT_EQ(CChecksum::UpdateByte(0, 1), CChecksum::Table()[1]);
}

TEST(Checksum, FastPathAgreesWithTheByteRuleAtEveryLengthAndAlignment) {
    const codectest::Bytes data = codectest::RandomBytes(300, 5);
    for (std::size_t offset = 0; offset < 9; ++offset) {
        for (std::size_t n = 0; n + offset <= data.size(); n += (n < 40 ? 1 : 37)) {
            ASSERT_EQ(ChecksumOf(data.data() + offset, n), ReferenceOf(data.data() + offset, n))
                << "offset " << offset << " length " << n;
        }
    }
}

TEST(Checksum, UpdatesInPiecesEqualOneUpdate) {
    const codectest::Bytes data = codectest::TextBytes(10000, 9);
    const std::uint32_t whole = ChecksumOf(data.data(), data.size());
    codectest::CRandom r(3);
    CChecksum c;
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t n = std::min<std::size_t>(r.Below(50), data.size() - pos);
        c.Update(data.data() + pos, n);
        pos += n;
    }
    EXPECT_EQ(c.GetValue(), whole);
    c.Reset();
    EXPECT_EQ(c.GetValue(), 0u);
}

} // namespace

namespace {

TEST(Checksum, LongBuffersAgreeWithTheByteRule) {
    // Lengths around the 4096-byte blocks of the fast path, at odd offsets, and split.
    const codectest::Bytes data = codectest::RandomBytes(3 * 4096 + 100, 6);
    for (std::size_t n : {4095u, 4096u, 4097u, 8191u, 8192u, 8200u, 12388u}) {
        for (std::size_t offset : {0u, 1u, 7u}) {
            if (offset + n > data.size()) {
                continue;
            }
            ASSERT_EQ(ChecksumOf(data.data() + offset, n), ReferenceOf(data.data() + offset, n))
                << "offset " << offset << " length " << n;
        }
    }
    CChecksum pieces;
    pieces.Update(data.data(), 5000);
    pieces.Update(data.data() + 5000, data.size() - 5000);
    EXPECT_EQ(pieces.GetValue(), ReferenceOf(data.data(), data.size()));
}

} // namespace

namespace {

std::uint32_t ReferenceFrom(std::uint32_t reg, const std::uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        reg = CChecksum::UpdateByte(reg, data[i]);
    }
    return reg;
}

// Both kernels, from arbitrary registers, over lengths around their block sizes (8, 128 and
// 4096 bytes) and at every alignment up to a cache line.
template <typename Kernel> void ExpectKernelMatchesByteRule(Kernel kernel) {
    const codectest::Bytes data = codectest::RandomBytes(20000, 11);
    codectest::CRandom r(17);
    const std::size_t lengths[] = {0,   1,    63,   64,   127,  128,  129,   511,  512,
                                   513, 1000, 4095, 4096, 4097, 8320, 16384, 19900};
    for (std::size_t n : lengths) {
        for (std::size_t offset = 0; offset < 64 && offset + n <= data.size(); offset += 13) {
            const std::uint32_t start = static_cast<std::uint32_t>(r.Below(0x10000)) << 16 |
                                        static_cast<std::uint32_t>(r.Below(0x10000));
            const std::uint8_t* p = data.data() + offset;
            ASSERT_EQ(kernel(start, p, n), ReferenceFrom(start, p, n))
                << "length " << n << " offset " << offset << " register " << start;
        }
    }
}

TEST(Checksum, TableKernelMatchesTheByteRule) {
    ExpectKernelMatchesByteRule(checksum::UpdateWithTables);
}

TEST(Checksum, WideKernelMatchesTheByteRule) {
    if (!checksum::HasWidePath()) {
        GTEST_SKIP() << "this processor has no wide checksum kernel";
    }
    ExpectKernelMatchesByteRule([](std::uint32_t reg, const std::uint8_t* p, std::size_t n) {
        EXPECT_TRUE(checksum::UpdateWide(reg, p, n));
        return reg;
    });
}

TEST(Checksum, WideKernelOnDataThatStressesSingleBitPlanes) {
    if (!checksum::HasWidePath()) {
        GTEST_SKIP() << "this processor has no wide checksum kernel";
    }
    // One set bit moving through every plane and position of a block, and all-ones data.
    codectest::Bytes data(1024, 0);
    for (std::size_t i = 0; i < data.size(); i += 67) {
        data[i] = static_cast<std::uint8_t>(1u << (i % 8));
    }
    for (const codectest::Bytes& d : {data, codectest::Bytes(1024, 0xFF)}) {
        std::uint32_t reg = 0xFFFFFFFFu;
        ASSERT_TRUE(checksum::UpdateWide(reg, d.data(), d.size()));
        EXPECT_EQ(reg, ReferenceFrom(0xFFFFFFFFu, d.data(), d.size()));
    }
}

} // namespace
