// The vector kernel behind checksum::UpdateWide (see ChecksumKernels.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace checksum {

constexpr std::size_t kWideBlock = 128;

// Whether this processor can run FoldBlocks.
bool WideKernelAvailable();

// Reduces `blocks` blocks of 128 bytes to 64 bytes with the same effect on a zero register:
// running the byte rule from register 0 over `folded` gives the same value as running it
// from register 0 over all blocks * 128 bytes. Only call it when WideKernelAvailable().
void FoldBlocks(const std::uint8_t* p, std::size_t blocks, std::uint8_t folded[64]);

} // namespace checksum
