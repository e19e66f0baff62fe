#include "archive/LzhEncoder.h"

#include "archive/LzhHuffman.h"

#include <algorithm>
#include <cstring>

namespace {

// The text buffer holds the dictionary behind the current position and the lookahead. When
// the lookahead runs short the buffer slides so that exactly one dictionary of history
// stays in front of the position.
constexpr std::int32_t kTextSize = 1 << 16;
constexpr std::int32_t kLookahead = lzh::kMaxMatch + 1; // the lazy step looks one further
constexpr int kHashBits = 15;
constexpr std::uint32_t kHashMask = (1u << kHashBits) - 1;
constexpr std::int32_t kNil = -1;
// A three-byte match that far back saves nothing over three literals.
constexpr std::int32_t kFarForThree = 4096;
constexpr std::size_t kOutFlush = 60000;

int BitLength(std::uint32_t v) {
    int n = 0;
    while (v != 0) {
        ++n;
        v >>= 1;
    }
    return n;
}

} // namespace

struct CLzhEncoder::State {
    std::vector<std::uint8_t> text = std::vector<std::uint8_t>(kTextSize + 8, 0);
    std::vector<std::int32_t> head = std::vector<std::int32_t>(1u << kHashBits, kNil);
    std::vector<std::int32_t> prev = std::vector<std::int32_t>(kTextSize, kNil);
    std::int32_t pos = 0;
    std::int32_t end = 0;
    bool eof = false;

    std::vector<std::uint16_t> tokenSymbol;
    std::vector<std::uint16_t> tokenPosition;
    std::uint32_t cFreq[lzh::kNC] = {};
    std::uint32_t pFreq[lzh::kNP] = {};

    std::vector<std::uint8_t> out;
    std::uint64_t bits = 0;
    int bitCount = 0;
    CByteSink* sink = nullptr;
    bool lastBlockTakesNoBits = false; // its literal/length alphabet has one symbol

    std::uint32_t Hash(std::int32_t p) const {
        return ((static_cast<std::uint32_t>(text[p]) << 10) ^
                (static_cast<std::uint32_t>(text[p + 1]) << 5) ^ text[p + 2]) &
               kHashMask;
    }

    // Writes the low n bits of v (n <= 16), most significant first.
    void Put(int n, std::uint32_t v) {
        bits = (bits << n) | (v & ((1u << n) - 1));
        bitCount += n;
        if (bitCount >= 32) {
            bitCount -= 32;
            const auto word = static_cast<std::uint32_t>(bits >> bitCount);
            const std::uint8_t bytes[4] = {
                static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
            out.insert(out.end(), bytes, bytes + 4);
        }
    }

    void FlushOut(bool final) {
        if (final) {
            // Some decoders stop as soon as their input is used up, even when the symbols
            // still owed take no bits (a one-symbol block); a zero byte keeps them going.
            if (lastBlockTakesNoBits && bitCount % 8 == 0) {
                Put(8, 0);
            }
            while (bitCount >= 8) {
                bitCount -= 8;
                out.push_back(static_cast<std::uint8_t>(bits >> bitCount));
            }
            if (bitCount > 0) {
                out.push_back(static_cast<std::uint8_t>(bits << (8 - bitCount)));
                bitCount = 0;
            }
        }
        if (!out.empty() && (final || out.size() >= kOutFlush)) {
            sink->WriteAll(out.data(), out.size());
            out.clear();
        }
    }

    void Fill(CByteSource& source) {
        if (eof || end - pos >= kLookahead) {
            return;
        }
        const std::int32_t keep = static_cast<std::int32_t>(lzh::kDictSize);
        if (pos > keep) {
            const std::int32_t shift = pos - keep;
            std::memmove(text.data(), text.data() + shift, static_cast<std::size_t>(end - shift));
            std::memmove(prev.data(), prev.data() + shift,
                         static_cast<std::size_t>(end - shift) * sizeof(std::int32_t));
            auto rebase = [shift](std::int32_t& v) { v = v >= shift ? v - shift : kNil; };
            std::for_each(head.begin(), head.end(), rebase);
            std::for_each(prev.begin(), prev.begin() + (end - shift), rebase);
            pos -= shift;
            end -= shift;
        }
        while (end < kTextSize && !eof) {
            const std::size_t got =
                source.ReadSome(text.data() + end, static_cast<std::size_t>(kTextSize - end));
            if (got == 0) {
                eof = true;
            }
            end += static_cast<std::int32_t>(got);
        }
    }

    void Insert(std::int32_t p) {
        if (end - p >= lzh::kMinMatch) {
            const std::uint32_t h = Hash(p);
            prev[p] = head[h];
            head[h] = p;
        }
    }

    // Longest match for position p among the candidates chained from cand.
    int FindMatch(std::int32_t p, std::int32_t cand, int maxChain, std::int32_t& distance) const {
        const int maxLen = std::min<std::int32_t>(lzh::kMaxMatch, end - p);
        int best = lzh::kMinMatch - 1;
        const std::uint8_t* cur = text.data() + p;
        while (cand != kNil && p - cand <= static_cast<std::int32_t>(lzh::kDictSize) &&
               maxChain-- > 0) {
            const std::uint8_t* m = text.data() + cand;
            if (m[best] == cur[best] && m[0] == cur[0] && m[1] == cur[1]) {
                int len = 2;
                while (len < maxLen && m[len] == cur[len]) {
                    ++len;
                }
                if (len > best) {
                    best = len;
                    distance = p - cand;
                    if (len >= maxLen) {
                        break;
                    }
                }
            }
            cand = prev[cand];
        }
        if (best == lzh::kMinMatch && distance > kFarForThree) {
            return 0;
        }
        return best >= lzh::kMinMatch ? best : 0;
    }

    void EmitLiteral(std::uint8_t c, int blockTokens) {
        tokenSymbol.push_back(c);
        tokenPosition.push_back(0);
        ++cFreq[c];
        if (static_cast<int>(tokenSymbol.size()) >= blockTokens) {
            SendBlock();
        }
    }

    void EmitMatch(int length, std::int32_t distance, int blockTokens) {
        const auto symbol = static_cast<std::uint16_t>(length + 253);
        const auto position = static_cast<std::uint16_t>(distance - 1);
        tokenSymbol.push_back(symbol);
        tokenPosition.push_back(position);
        ++cFreq[symbol];
        ++pFreq[BitLength(position)];
        if (static_cast<int>(tokenSymbol.size()) >= blockTokens) {
            SendBlock();
        }
    }

    // Lengths of the temporary or position alphabet: 0-6 in three bits, 7 and more as
    // (length - 3) bits of ones ending in a zero; after `special` entries, two bits count
    // the zero lengths that follow (up to three).
    void WritePtLengths(const std::uint8_t* len, int symbols, int countBits, int special) {
        int n = symbols;
        while (n > 0 && len[n - 1] == 0) {
            --n;
        }
        Put(countBits, static_cast<std::uint32_t>(n));
        int i = 0;
        while (i < n) {
            const int k = len[i++];
            if (k <= 6) {
                Put(3, static_cast<std::uint32_t>(k));
            } else {
                Put(k - 3, (1u << (k - 3)) - 2);
            }
            if (i == special) {
                int zeros = 0;
                while (zeros < 3 && i < symbols && len[i] == 0) {
                    ++i;
                    ++zeros;
                }
                Put(2, static_cast<std::uint32_t>(zeros));
            }
        }
    }

    // Runs the literal/length code lengths through the temporary alphabet; with write false
    // only counts the temporary symbols.
    void CodeCLengths(const std::uint8_t* cLen, std::uint32_t* tFreq, const std::uint8_t* tLen,
                      const std::uint16_t* tCode, bool write) {
        int n = lzh::kNC;
        while (n > 0 && cLen[n - 1] == 0) {
            --n;
        }
        if (write) {
            Put(lzh::kCBits, static_cast<std::uint32_t>(n));
        }
        auto emit = [&](int t) {
            if (write) {
                Put(tLen[t], tCode[t]);
            } else {
                ++tFreq[t];
            }
        };
        int i = 0;
        while (i < n) {
            const int k = cLen[i++];
            if (k != 0) {
                emit(k + 2);
                continue;
            }
            int run = 1;
            while (i < n && cLen[i] == 0) {
                ++i;
                ++run;
            }
            if (run <= 2) {
                for (int r = 0; r < run; ++r) {
                    emit(0);
                }
            } else if (run <= 18) {
                emit(1);
                if (write) {
                    Put(4, static_cast<std::uint32_t>(run - 3));
                }
            } else if (run == 19) {
                emit(0);
                emit(1);
                if (write) {
                    Put(4, 15);
                }
            } else {
                emit(2);
                if (write) {
                    Put(lzh::kCBits, static_cast<std::uint32_t>(run - 20));
                }
            }
        }
    }

    static int OnlySymbol(const std::uint32_t* freq, int count) {
        for (int s = 0; s < count; ++s) {
            if (freq[s] != 0) {
                return s;
            }
        }
        return 0;
    }

    void SendBlock() {
        const std::size_t tokens = tokenSymbol.size();
        if (tokens == 0) {
            return;
        }
        std::uint8_t cLen[lzh::kNC];
        std::uint16_t cCode[lzh::kNC];
        std::uint8_t pLen[lzh::kNP];
        std::uint16_t pCode[lzh::kNP];
        const int cUsed = MakeCodeLengths(cFreq, lzh::kNC, lzh::kMaxCodeLength, cLen);
        MakeCanonicalCodes(cLen, lzh::kNC, cCode);
        const int pUsed = MakeCodeLengths(pFreq, lzh::kNP, lzh::kMaxCodeLength, pLen);
        MakeCanonicalCodes(pLen, lzh::kNP, pCode);

        Put(16, static_cast<std::uint32_t>(tokens));
        lastBlockTakesNoBits = cUsed < 2;
        if (cUsed >= 2) {
            std::uint32_t tFreq[lzh::kNT] = {};
            std::uint8_t tLen[lzh::kNT];
            std::uint16_t tCode[lzh::kNT];
            CodeCLengths(cLen, tFreq, nullptr, nullptr, false);
            const int tUsed = MakeCodeLengths(tFreq, lzh::kNT, lzh::kMaxCodeLength, tLen);
            MakeCanonicalCodes(tLen, lzh::kNT, tCode);
            if (tUsed >= 2) {
                WritePtLengths(tLen, lzh::kNT, lzh::kTBits, lzh::kTSpecial);
            } else {
                Put(lzh::kTBits, 0);
                Put(lzh::kTBits, static_cast<std::uint32_t>(OnlySymbol(tFreq, lzh::kNT)));
            }
            CodeCLengths(cLen, nullptr, tLen, tCode, true);
        } else {
            Put(lzh::kTBits, 0);
            Put(lzh::kTBits, 0);
            Put(lzh::kCBits, 0);
            Put(lzh::kCBits, static_cast<std::uint32_t>(OnlySymbol(cFreq, lzh::kNC)));
        }
        if (pUsed >= 2) {
            WritePtLengths(pLen, lzh::kNP, lzh::kPBits, -1);
        } else {
            Put(lzh::kPBits, 0);
            Put(lzh::kPBits, static_cast<std::uint32_t>(OnlySymbol(pFreq, lzh::kNP)));
        }

        for (std::size_t i = 0; i < tokens; ++i) {
            const std::uint16_t symbol = tokenSymbol[i];
            Put(cLen[symbol], cCode[symbol]);
            if (symbol < 256) {
                continue;
            }
            const std::uint32_t position = tokenPosition[i];
            const int bitsOfPosition = BitLength(position);
            Put(pLen[bitsOfPosition], pCode[bitsOfPosition]);
            if (bitsOfPosition > 1) {
                Put(bitsOfPosition - 1, position);
            }
        }
        tokenSymbol.clear();
        tokenPosition.clear();
        std::fill(std::begin(cFreq), std::end(cFreq), 0u);
        std::fill(std::begin(pFreq), std::end(pFreq), 0u);
        FlushOut(false);
    }
};

CLzhEncoder::CLzhEncoder() : CLzhEncoder(Options{}) {}

CLzhEncoder::CLzhEncoder(const Options& options) : m_options(options) {
    m_options.blockTokens = std::clamp(m_options.blockTokens, 1, 65535);
    m_options.maxChain = std::max(m_options.maxChain, 1);
}

CLzhEncoder::~CLzhEncoder() = default;

void CLzhEncoder::Compress(CByteSource& source, CByteSink& sink) {
    m_state = std::make_unique<State>();
    State& s = *m_state;
    s.sink = &sink;
    s.tokenSymbol.reserve(static_cast<std::size_t>(m_options.blockTokens));
    s.tokenPosition.reserve(static_cast<std::size_t>(m_options.blockTokens));
    const int blockTokens = m_options.blockTokens;

    // One step of lazy matching: a match found at p is emitted only if the match at p + 1
    // is not longer; otherwise p goes out as a literal and the later match is kept.
    int prevLength = 0;
    std::int32_t prevDistance = 0;
    bool pending = false; // the byte at pos - 1 is not yet emitted
    for (;;) {
        s.Fill(source);
        if (s.pos >= s.end) {
            break;
        }
        int length = 0;
        std::int32_t distance = 0;
        if (s.end - s.pos >= lzh::kMinMatch) {
            const std::uint32_t h = s.Hash(s.pos);
            const std::int32_t cand = s.head[h];
            s.prev[s.pos] = cand;
            s.head[h] = s.pos;
            if (prevLength < lzh::kMaxMatch) {
                length = s.FindMatch(s.pos, cand, m_options.maxChain, distance);
            }
        }
        if (pending && prevLength >= lzh::kMinMatch && length <= prevLength) {
            s.EmitMatch(prevLength, prevDistance, blockTokens);
            const std::int32_t stop = s.pos - 1 + prevLength;
            for (std::int32_t q = s.pos + 1; q < stop; ++q) {
                s.Insert(q);
            }
            s.pos = stop;
            pending = false;
            prevLength = 0;
            continue;
        }
        if (pending) {
            s.EmitLiteral(s.text[s.pos - 1], blockTokens);
        }
        pending = true;
        prevLength = length;
        prevDistance = distance;
        ++s.pos;
    }
    if (pending) {
        s.EmitLiteral(s.text[s.pos - 1], blockTokens);
    }
    s.SendBlock();
    s.FlushOut(true);
    m_state.reset();
}
