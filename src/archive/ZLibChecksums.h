// The two checksums of zlib's stream formats: Adler-32 (the zlib wrapper's trailer) and the
// reflected CRC-32 (the gzip wrapper's), with zlib's start values and results. The setup
// program links these in place of zlib's own, which weigh about 10 KB with their tables;
// inflate itself only ever checks an Adler-32.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zlib_checksum {

constexpr std::uint32_t kAdler32Start = 1;
constexpr std::uint32_t kCrc32Start = 0;

// adler continued over length bytes; adler is kAdler32Start or an earlier result.
std::uint32_t Adler32(std::uint32_t adler, const std::uint8_t* data, std::size_t length);

// crc continued over length bytes; crc is kCrc32Start or an earlier result.
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t length);

} // namespace zlib_checksum
