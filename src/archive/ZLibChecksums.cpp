#include "archive/ZLibChecksums.h"

#include "archive/Checksum.h"

namespace zlib_checksum {
namespace {

constexpr std::uint32_t kAdlerModulus = 65521;
// The longest run of bytes whose sums cannot overflow 32 bits before they are reduced:
// 255 n (n + 1) / 2 + (n + 1) (kAdlerModulus - 1) stays below 2^32.
constexpr std::size_t kAdlerRun = 5552;

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

// The archive checksum's byte table is the reflected CRC-32 table; only its step differs.
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t length) {
    const std::uint32_t* table = CChecksum::Table();
    std::uint32_t reg = ~crc;
    for (; length != 0; --length) {
        reg = table[(reg ^ *data++) & 0xFF] ^ (reg >> 8);
    }
    return ~reg;
}

} // namespace zlib_checksum
