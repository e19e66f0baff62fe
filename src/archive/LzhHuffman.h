// Canonical Huffman codes of the -lh5- stream: the decoder's lookup tables and the encoder's
// length-limited code construction.
//
// Codes are canonical: shorter codes come first, and codes of one length are assigned
// consecutively in symbol order. A code is valid only when its lengths (1..16) fill the code
// space exactly (sum of 2^(16 - length) = 2^16); an all-zero length set is an empty code.
#pragma once

#include <cstdint>
#include <vector>

// Decoding table: a direct table indexed by the next tableBits bits of the stream, with a
// second-level table of the remaining 16 - tableBits bits under each prefix that begins
// longer codes. Entries hold the symbol and its code length.
class CLzhDecodeTable {
public:
    explicit CLzhDecodeTable(int tableBits);

    // Builds the table for the given code lengths. Throws CMultiFileException 4 (corrupt
    // table) when a length exceeds 16 or the lengths do not form a complete prefix code.
    // All-zero lengths give an empty table; decoding with it throws the same exception.
    void Build(const std::uint8_t* lengths, int count);
    // Every bit pattern decodes to symbol, consuming no bits (a one-symbol alphabet).
    void SetSingle(std::uint16_t symbol);

    // Decodes from the next 16 bits of the stream (most significant first). Returns the
    // symbol in the low 16 bits and the code length in bits 16-20.
    std::uint32_t Lookup(std::uint32_t next16) const {
        std::uint32_t e = m_direct[next16 >> (16 - m_tableBits)];
        if (e >= kLink) {
            e = Resolve(e, next16);
        }
        return e;
    }

    static constexpr std::uint32_t kLink = 0x40000000u;
    static constexpr std::uint32_t kInvalid = 0x80000000u;

private:
    std::uint32_t Resolve(std::uint32_t entry, std::uint32_t next16) const;

    int m_tableBits;
    std::vector<std::uint32_t> m_direct;
    std::vector<std::uint32_t> m_sub;
};

// Builds Huffman code lengths for freq[0..count) limited to maxLength bits. Symbols with
// frequency 0 get length 0. Returns the number of symbols used; when it is below 2 the
// lengths are all 0 and the caller writes the one-symbol form.
int MakeCodeLengths(const std::uint32_t* freq, int count, int maxLength, std::uint8_t* lengths);

// Assigns the canonical codes for lengths[0..count) (codes right-aligned).
void MakeCanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes);
