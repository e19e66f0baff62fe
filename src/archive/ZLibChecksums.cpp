#include "archive/ZLibChecksums.h"

#include <array>

namespace zlib_checksum {
namespace {

constexpr std::uint32_t kAdlerModulus = 65521;
// The longest run of bytes whose sums cannot overflow 32 bits before they are reduced:
// 255 n (n + 1) / 2 + (n + 1) (kAdlerModulus - 1) stays below 2^32.
constexpr std::size_t kAdlerRun = 5552;

// The CRC-32 register advanced over four zero bits, for every value of its low nibble.
constexpr std::array<std::uint32_t, 16> MakeNibbleTable() {
    std::array<std::uint32_t, 16> table{};
    for (std::uint32_t i = 0; i < 16; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 4; ++bit) {
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
        table[i] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 16> kNibbleTable = MakeNibbleTable();

} // namespace

std::uint32_t Adler32(std::uint32_t adler, const std::uint8_t* data, std::size_t length) {
    std::uint32_t a = adler & 0xFFFF;
    std::uint32_t b = adler >> 16;
    do {
        std::size_t run = length < kAdlerRun ? length : kAdlerRun;
        length -= run;
        for (; run != 0; --run) {
            a += *data++;
            b += a;
        }
        a %= kAdlerModulus;
        b %= kAdlerModulus;
    } while (length != 0);
    return (b << 16) | a;
}

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t length) {
    std::uint32_t reg = ~crc;
    for (; length != 0; --length) {
        reg ^= *data++;
        reg = (reg >> 4) ^ kNibbleTable[reg & 15];
        reg = (reg >> 4) ^ kNibbleTable[reg & 15];
    }
    return ~reg;
}

} // namespace zlib_checksum
