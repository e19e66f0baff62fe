// Deterministic inputs for the codec tests, the fuzz seeds and the benchmark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace codectest {

using Bytes = std::vector<std::uint8_t>;

// A small fixed generator (xorshift64*), so that inputs are the same on every platform.
class CRandom {
public:
    explicit CRandom(std::uint64_t seed) : m_state(seed * 2654435761u + 0x9E3779B97F4A7C15ull) {}
    std::uint64_t Next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

private:
    std::uint64_t m_state;
};

inline Bytes RandomBytes(std::size_t n, std::uint64_t seed) {
    CRandom r(seed);
    Bytes out(n);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(r.Next() >> 56);
    }
    return out;
}

// English-like text: words from a small vocabulary, punctuation and line breaks.
inline Bytes TextBytes(std::size_t n, std::uint64_t seed) {
    static const char* const words[] = {
        "the",     "archive", "member",  "setup",   "file",    "diskette", "install",
        "program", "group",   "of",      "and",     "to",      "is",       "directory",
        "window",  "copy",    "profile", "log",     "a",       "in",       "registry",
        "value",   "version", "shared",  "library", "removal", "page",     "wizard"};
    CRandom r(seed);
    std::string s;
    s.reserve(n + 16);
    while (s.size() < n) {
        s += words[r.Below(sizeof(words) / sizeof(words[0]))];
        const std::uint32_t p = r.Below(20);
        s += p == 0 ? ".\r\n" : p == 1 ? ", " : " ";
    }
    s.resize(n);
    return Bytes(s.begin(), s.end());
}

// Structured binary: little-endian records with slowly changing fields and some noise,
// roughly like program code and tables.
inline Bytes BinaryBytes(std::size_t n, std::uint64_t seed) {
    CRandom r(seed);
    Bytes out;
    out.reserve(n + 16);
    std::uint32_t counter = 0x1000;
    while (out.size() < n) {
        counter += r.Below(16);
        const std::uint32_t fields[4] = {
            counter, 0x00400000u + (r.Below(64) << 4),
            r.Below(4) == 0 ? static_cast<std::uint32_t>(r.Next()) : 0u, 0xC3u | (r.Below(3) << 8)};
        for (std::uint32_t f : fields) {
            for (int i = 0; i < 4; ++i) {
                out.push_back(static_cast<std::uint8_t>(f >> (8 * i)));
            }
        }
    }
    out.resize(n);
    return out;
}

// A random block followed by copies of itself at exactly the dictionary distance and one
// byte further, so the best matches sit at the edge of the 8 KiB dictionary.
inline Bytes DictionaryEdgeBytes() {
    Bytes block = RandomBytes(8192, 77);
    Bytes out(block);
    out.insert(out.end(), block.begin(), block.end());
    out.push_back(0x55);
    out.insert(out.end(), block.begin(), block.begin() + 4000);
    return out;
}

} // namespace codectest
