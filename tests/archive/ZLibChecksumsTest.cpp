#include "archive/ZLibChecksums.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using zlib_checksum::Adler32;
using zlib_checksum::Crc32;

// Lengths around the points where an implementation changes course: zlib's 16-byte unroll,
// the longest run of the Adler sums before they must be reduced, and several such runs.
const std::size_t kLengths[] = {0, 1, 15, 16, 17, 5551, 5552, 5553, 11104, 11105, 70000};

// One byte more than asked, so that even an empty buffer has an address: zlib takes a null
// buffer as a request for its start value.
std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> bytes(n + 1);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(gen());
    }
    return bytes;
}

TEST(ZLibChecksums, KnownValues) {
    const auto* text = reinterpret_cast<const std::uint8_t*>("123456789");
    EXPECT_EQ(Crc32(zlib_checksum::kCrc32Start, text, 9), 0xCBF43926u);
    EXPECT_EQ(Adler32(zlib_checksum::kAdler32Start, text, 9), 0x091E01DEu);
    const auto* wiki = reinterpret_cast<const std::uint8_t*>("Wikipedia");
    EXPECT_EQ(Adler32(zlib_checksum::kAdler32Start, wiki, 9), 0x11E60398u);
}

// Random data and all-0xFF data (the largest sums, where a run too long would overflow),
// from the start value and from the largest value a sum can have, whole and in two pieces.
TEST(ZLibChecksums, MatchZLibOverEveryLength) {
    for (unsigned seed = 0; seed < 2; ++seed) {
        for (const std::size_t n : kLengths) {
            std::vector<std::uint8_t> data = RandomBytes(n, seed);
            if (seed == 1) {
                std::memset(data.data(), 0xFF, n);
            }
            const auto len = static_cast<uInt>(n);
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", length " << n);
            EXPECT_EQ(Adler32(1, data.data(), n), adler32(1, data.data(), len));
            EXPECT_EQ(Crc32(0, data.data(), n), crc32(0, data.data(), len));
            EXPECT_EQ(Adler32(0xFFF0FFF0u, data.data(), n), adler32(0xFFF0FFF0u, data.data(), len));
            EXPECT_EQ(Crc32(0xDEADBEEFu, data.data(), n), crc32(0xDEADBEEFu, data.data(), len));
            const std::size_t half = n / 2;
            EXPECT_EQ(Adler32(Adler32(1, data.data(), half), data.data() + half, n - half),
                      adler32(1, data.data(), len));
            EXPECT_EQ(Crc32(Crc32(0, data.data(), half), data.data() + half, n - half),
                      crc32(0, data.data(), len));
        }
    }
}

} // namespace
