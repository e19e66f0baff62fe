#include "archive/Checksum.h"

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
