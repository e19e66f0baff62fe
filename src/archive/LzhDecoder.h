// The -lh5- decoder engine behind method 3 (see LzhFormat.h for the stream layout).
//
// It expands exactly expandedSize bytes and never takes more than compressedSize coded bytes
// from the source, reading them in blocks. Damaged input ends in an exception:
//   CMultiFileException 4 (corrupt table): a code-length table that is not a complete prefix
//       code, a length above 16, a count or zero run beyond its alphabet, a one-symbol table
//       naming a symbol outside the alphabet, or a symbol decoded through an empty table;
//   CFileException 14 (end of file): the decoder needs bits beyond the member's coded data
//       (the source ended early or the compressed size is too small).
// Any other damage decodes to wrong bytes, which the member's checksum reports.
// All state is per object, so several decoders may run at once.
#pragma once

#include "archive/ByteStream.h"
#include "archive/LzhFormat.h"
#include "archive/LzhHuffman.h"

#include <cstdint>
#include <memory>

class CLzhDecoder {
public:
    CLzhDecoder();
    CLzhDecoder(const CLzhDecoder&) = delete;
    CLzhDecoder& operator=(const CLzhDecoder&) = delete;

    // Expands one member. Stops after the current symbol once *abortFlag becomes nonzero
    // (it is read between symbols; the part decoded so far is still written).
    void Expand(CByteSource& source, CByteSink& sink, std::uint32_t compressedSize,
                std::uint32_t expandedSize, const int* abortFlag = nullptr);

    // Coded bytes taken from the source by the last Expand (at most its compressed size).
    std::uint32_t GetCodedBytesRead() const { return m_codedRead; }

private:
    void Refill();
    void RefillSlow();
    bool FillInput();
    std::uint32_t Peek16() const { return static_cast<std::uint32_t>(m_bitBuf >> 48); }
    void Skip(int n) {
        m_bitBuf <<= n;
        m_bitCount -= n;
    }
    std::uint32_t GetBits(int n);
    void StartBlock();
    void ReadPtLengths(int symbols, int countBits, int special, CLzhDecodeTable& table);
    void ReadCLengths();

    CByteSource* m_source = nullptr;
    std::unique_ptr<std::uint8_t[]> m_in;
    std::size_t m_inPos = 0;
    std::size_t m_inEnd = 0;
    std::uint32_t m_codedLeft = 0; // coded bytes not yet taken from the source
    std::uint32_t m_codedRead = 0;

    // Bits still to consume, left-aligned; m_bitCount of them are valid.
    std::uint64_t m_bitBuf = 0;
    int m_bitCount = 0;
    // Zero bits appended after the end of the coded data; consuming any of them means the
    // member was truncated.
    std::uint32_t m_padBits = 0;

    std::uint32_t m_blockLeft = 0;
    std::uint8_t m_cLen[lzh::kNC];
    std::uint8_t m_ptLen[lzh::kNT];
    CLzhDecodeTable m_cTable;
    CLzhDecodeTable m_pTable;
    CLzhDecodeTable m_tTable;

    std::unique_ptr<std::uint8_t[]> m_window;
};
