#include "archive/LzhDecoder.h"

#include "archive/CodecErrors.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kInputSize = 16384;
// The output is decoded into one linear buffer: kHistory bytes of history (the dictionary)
// followed by up to kChunk new bytes, so that matches never wrap. After each chunk is written
// the last kHistory bytes move to the front. The slack takes a match that starts just before
// the chunk's end and the 8-byte steps of the match copy.
constexpr std::size_t kHistory = lzh::kDictSize;
constexpr std::size_t kChunk = 65536;
constexpr std::size_t kWindowSize = kHistory + kChunk + lzh::kMaxMatch + 16;

std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) {
        v = (v << 8) | p[i];
    }
    return v;
}

} // namespace

CLzhDecoder::CLzhDecoder()
    : m_in(new std::uint8_t[kInputSize]), m_cTable(lzh::kCTableBits), m_pTable(lzh::kPTableBits),
      m_tTable(lzh::kPTableBits), m_window(new std::uint8_t[kWindowSize]) {}

bool CLzhDecoder::FillInput() {
    const std::size_t tail = m_inEnd - m_inPos;
    if (m_codedLeft == 0) {
        return false;
    }
    std::memmove(m_in.get(), m_in.get() + m_inPos, tail);
    m_inPos = 0;
    m_inEnd = tail;
    const std::size_t want = std::min<std::size_t>(kInputSize - tail, m_codedLeft);
    const std::size_t got = m_source->ReadSome(m_in.get() + tail, want);
    m_inEnd += got;
    m_codedRead += static_cast<std::uint32_t>(got);
    // A source that delivers nothing while coded bytes are owed has ended early: what is
    // missing counts as absent, and the decoder fails only if it really needs it.
    m_codedLeft = got == 0 ? 0 : m_codedLeft - static_cast<std::uint32_t>(got);
    return got != 0;
}

// Makes at least 56 bits valid: eight bytes at a time while the input buffer has them.
inline void CLzhDecoder::Refill() {
    if (m_inEnd - m_inPos >= 8) {
        m_bitBuf |= LoadBigEndian64(m_in.get() + m_inPos) >> m_bitCount;
        m_inPos += static_cast<std::size_t>(63 - m_bitCount) >> 3;
        m_bitCount |= 56;
    } else {
        RefillSlow();
    }
}

void CLzhDecoder::RefillSlow() {
    if (m_inEnd - m_inPos < 8 && FillInput() && m_inEnd - m_inPos >= 8) {
        Refill();
        return;
    }
    while (m_bitCount <= 56) {
        if (m_inPos == m_inEnd && !FillInput()) {
            m_padBits += 8; // a zero byte past the end
        } else {
            m_bitBuf |= static_cast<std::uint64_t>(m_in[m_inPos++]) << (56 - m_bitCount);
        }
        m_bitCount += 8;
    }
    if (m_padBits > static_cast<std::uint32_t>(m_bitCount)) {
        ThrowEndOfCodedData();
    }
}

std::uint32_t CLzhDecoder::GetBits(int n) {
    if (m_bitCount < 16) {
        Refill();
    }
    const std::uint32_t v = n == 0 ? 0 : static_cast<std::uint32_t>(m_bitBuf >> (64 - n));
    Skip(n);
    return v;
}

// Reads the code lengths of the temporary or the position alphabet.
void CLzhDecoder::ReadPtLengths(int symbols, int countBits, int special, CLzhDecodeTable& table) {
    const std::uint32_t count = GetBits(countBits);
    if (count == 0) {
        const std::uint32_t symbol = GetBits(countBits);
        if (symbol >= static_cast<std::uint32_t>(symbols)) {
            ThrowCorruptTable();
        }
        std::fill_n(m_ptLen, symbols, std::uint8_t{0});
        table.SetSingle(static_cast<std::uint16_t>(symbol));
        return;
    }
    if (count > static_cast<std::uint32_t>(symbols)) {
        ThrowCorruptTable();
    }
    int i = 0;
    while (i < static_cast<int>(count)) {
        if (m_bitCount < 16) {
            Refill();
        }
        // Lengths 0-6 take three bits; 7 and more are 111 followed by (length - 7) ones
        // and a zero.
        std::uint32_t len = Peek16() >> 13;
        if (len == 7) {
            for (std::uint32_t mask = 1u << 12; (Peek16() & mask) != 0; mask >>= 1) {
                ++len;
                if (len > lzh::kMaxCodeLength) {
                    ThrowCorruptTable();
                }
            }
        }
        Skip(len < 7 ? 3 : static_cast<int>(len) - 3);
        m_ptLen[i++] = static_cast<std::uint8_t>(len);
        if (i == special) {
            const std::uint32_t zeros = GetBits(2);
            for (std::uint32_t z = 0; z < zeros; ++z) {
                m_ptLen[i++] = 0;
            }
        }
    }
    std::fill(m_ptLen + i, m_ptLen + symbols, std::uint8_t{0});
    table.Build(m_ptLen, symbols);
}

void CLzhDecoder::ReadCLengths() {
    const std::uint32_t count = GetBits(lzh::kCBits);
    if (count == 0) {
        const std::uint32_t symbol = GetBits(lzh::kCBits);
        if (symbol >= static_cast<std::uint32_t>(lzh::kNC)) {
            ThrowCorruptTable();
        }
        std::fill_n(m_cLen, lzh::kNC, std::uint8_t{0});
        m_cTable.SetSingle(static_cast<std::uint16_t>(symbol));
        return;
    }
    if (count > static_cast<std::uint32_t>(lzh::kNC)) {
        ThrowCorruptTable();
    }
    std::uint32_t i = 0;
    while (i < count) {
        if (m_bitCount < 32) {
            Refill();
        }
        const std::uint32_t e = m_tTable.Lookup(Peek16());
        Skip(static_cast<int>(e >> 16));
        const std::uint32_t c = e & 0xFFFF;
        if (c <= 2) {
            std::uint32_t run = 1;
            if (c == 1) {
                run = GetBits(4) + 3;
            } else if (c == 2) {
                run = GetBits(lzh::kCBits) + 20;
            }
            if (i + run > static_cast<std::uint32_t>(lzh::kNC)) {
                ThrowCorruptTable();
            }
            std::fill_n(m_cLen + i, run, std::uint8_t{0});
            i += run;
        } else {
            m_cLen[i++] = static_cast<std::uint8_t>(c - 2);
        }
    }
    std::fill(m_cLen + i, m_cLen + lzh::kNC, std::uint8_t{0});
    m_cTable.Build(m_cLen, lzh::kNC);
}

void CLzhDecoder::StartBlock() {
    // A count of 0 stands for 65536 tokens (the 16-bit counter wraps).
    m_blockLeft = GetBits(16);
    if (m_blockLeft == 0) {
        m_blockLeft = 65536;
    }
    ReadPtLengths(lzh::kNT, lzh::kTBits, lzh::kTSpecial, m_tTable);
    ReadCLengths();
    ReadPtLengths(lzh::kNP, lzh::kPBits, -1, m_pTable);
}

void CLzhDecoder::Expand(CByteSource& source, CByteSink& sink, std::uint32_t compressedSize,
                         std::uint32_t expandedSize, const int* abortFlag) {
    static const int kNoAbort = 0;
    const int* abort = abortFlag != nullptr ? abortFlag : &kNoAbort;
    m_source = &source;
    m_inPos = m_inEnd = 0;
    m_codedLeft = compressedSize;
    m_codedRead = 0;
    m_bitBuf = 0;
    m_bitCount = 0;
    m_padBits = 0;
    m_blockLeft = 0;
    if (expandedSize == 0) {
        m_source = nullptr;
        return;
    }

    std::uint8_t* const window = m_window.get();
    std::memset(window, 0, kHistory);
    std::uint32_t left = expandedSize;
    bool stopped = false;
    while (left != 0 && !stopped) {
        std::size_t p = kHistory;
        const std::size_t limit = kHistory + std::min<std::size_t>(kChunk, left);
        while (p < limit) {
            if (*abort != 0) {
                stopped = true;
                break;
            }
            if (m_blockLeft == 0) {
                StartBlock();
            }
            --m_blockLeft;
            if (m_bitCount < 48) {
                Refill();
            }
            std::uint32_t e = m_cTable.Lookup(Peek16());
            Skip(static_cast<int>(e >> 16));
            const std::uint32_t symbol = e & 0xFFFF;
            if (symbol < 256) {
                window[p++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            // A match: copy (symbol - 253) bytes from distance position + 1.
            const std::size_t length = symbol - 253;
            e = m_pTable.Lookup(Peek16());
            Skip(static_cast<int>(e >> 16));
            std::uint32_t position = e & 0xFFFF;
            if (position > 1) {
                const int extra = static_cast<int>(position) - 1;
                position = (1u << extra) | static_cast<std::uint32_t>(m_bitBuf >> (64 - extra));
                Skip(extra);
            }
            const std::size_t distance = position + 1;
            std::uint8_t* dst = window + p;
            const std::uint8_t* src = dst - distance;
            if (distance >= 8) {
                for (std::size_t i = 0; i < length; i += 8) {
                    std::memcpy(dst + i, src + i, 8);
                }
            } else if (distance == 1) {
                std::memset(dst, *src, length);
            } else {
                for (std::size_t i = 0; i < length; ++i) {
                    dst[i] = src[i];
                }
            }
            p += length;
        }
        const std::size_t produced = std::min<std::size_t>(p - kHistory, left);
        sink.WriteAll(window + kHistory, produced);
        left -= static_cast<std::uint32_t>(produced);
        std::memmove(window, window + p - kHistory, kHistory);
    }
    // Symbols read from the zero padding after the data mean the member was cut short.
    if (m_padBits > static_cast<std::uint32_t>(m_bitCount)) {
        ThrowEndOfCodedData();
    }
    m_source = nullptr;
}
