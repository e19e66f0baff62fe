// Constants of the -lh5- bit stream (LZSS with static Huffman blocks) that method 3 uses.
//
// A stream is a sequence of blocks. Each block starts with a 16-bit token count and three
// code-length tables, then holds that many tokens, each a literal/length symbol and, for a
// match, a position symbol plus extra bits. All values are stored most significant bit first.
//   literal/length alphabet (NC = 510): 0-255 are literal byte values, 256-509 copy
//       (symbol - 253) bytes, 3..256, from the history;
//   position alphabet (NP = 14): symbol j > 1 is followed by j - 1 extra bits, the distance
//       minus one being 2^(j-1) + extra; symbols 0 and 1 stand for 0 and 1;
//   temporary alphabet (NT = 19): codes the literal/length code lengths (0: one zero length,
//       1: 3-18 zero lengths, 2: 20-531 zero lengths, 3-18: length 1-16).
#pragma once

#include <cstdint>

namespace lzh {

constexpr int kDictBits = 13;
constexpr std::uint32_t kDictSize = 1u << kDictBits; // 8192
constexpr int kMaxMatch = 256;
constexpr int kMinMatch = 3;

constexpr int kNC = 256 + kMaxMatch - kMinMatch + 1; // 510
constexpr int kNP = kDictBits + 1;                   // 14
constexpr int kNT = 16 + 3;                          // 19
constexpr int kCBits = 9;                            // width of the NC count
constexpr int kPBits = 4;                            // width of the NP count
constexpr int kTBits = 5;                            // width of the NT count
constexpr int kTSpecial = 3; // after this many temporary lengths, 2 bits count zero lengths
constexpr int kMaxCodeLength = 16;

constexpr int kCTableBits = 12;
constexpr int kPTableBits = 8;

} // namespace lzh
