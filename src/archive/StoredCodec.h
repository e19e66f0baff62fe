// CStoredCodec (method 2): the member's bytes are stored unchanged.
//
// Expanding copies exactly the compressed size in bytes (the expanded size is not used: a
// plain file copied unchanged may be shorter or longer than its recorded length); coded data
// that ends early raises CFileException 14 (end of file). The abort flag is not consulted.
#pragma once

#include "archive/ByteStream.h"
#include "archive/Codec.h"

#include <cstdint>
#include <memory>

class CStoredCodec : public CCodec {
public:
    CStoredCodec();

protected:
    void DoCompress() override;
    void DoExpand(std::uint32_t compressedSize, std::uint32_t expandedSize) override;

private:
    std::unique_ptr<std::uint8_t[]> m_buffer;
};

// The engine behind it, over plain byte streams.
void StoredExpand(CByteSource& source, CByteSink& sink, std::uint32_t compressedSize,
                  std::uint8_t* buffer, std::size_t bufferSize);
void StoredCompress(CByteSource& source, CByteSink& sink, std::uint8_t* buffer,
                    std::size_t bufferSize);
