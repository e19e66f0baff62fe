// Minimal .lzh archive files for the interop tests with independent LHA tools: writing one
// member in a level-0 header around a raw -lh5- stream, and finding the raw streams of the
// members of an archive written with any header level (0, 1 or 2).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lzharchive {

using Bytes = std::vector<std::uint8_t>;

// The CRC-16 the .lzh format stores for a member's original data (reflected 0xA001, from 0).
std::uint16_t Crc16(const Bytes& data);

struct Member {
    std::string method;
    std::string name; // empty for level 2 headers (the name sits in an extended header)
    std::uint32_t originalSize = 0;
    std::uint16_t crc = 0;
    Bytes coded;
};

// An archive of level-0 headers around the members' raw coded data (method e.g. "-lh5-",
// names of at most 200 characters), ending with a zero byte.
Bytes MakeLevel0Archive(const std::vector<Member>& members);

// Members of an archive; stops at the end marker. Throws std::runtime_error on a header it
// cannot follow.
std::vector<Member> ParseArchive(const Bytes& archive);

} // namespace lzharchive
