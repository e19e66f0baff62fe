// CLzhCodec (method 3): LZSS with static Huffman blocks in the -lh5- bit stream. This class
// only expands (the setup program carries no encoder); CLzhCompressingCodec
// (archive/CompressingCodecs.h) adds compression.
//
// Expanding produces exactly the expanded size and takes at most the compressed size of
// coded bytes, in blocks. Abort stops it after the current symbol (what is decoded is still
// written). Failures: CMultiFileException 4 for a damaged code table, CFileException 14 when
// the coded data ends before the member does (LzhDecoder.h has the details).
#pragma once

#include "archive/Codec.h"
#include "archive/LzhDecoder.h"

#include <cstdint>
#include <memory>

class CLzhCodec : public CCodec {
public:
    CLzhCodec();
    void Abort() override;

    // Coded bytes the last Expand took from the source (at most its compressed size).
    std::uint32_t GetCodedBytesRead() const { return m_codedRead; }

protected:
    // Raises CNotSupportedException.
    void DoCompress() override;
    void DoExpand(std::uint32_t compressedSize, std::uint32_t expandedSize) override;

private:
    int m_stop = 0;
    std::uint32_t m_codedRead = 0;
};
