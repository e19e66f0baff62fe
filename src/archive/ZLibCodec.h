// CZLibCodec (method 4): a zlib stream (2-byte header, deflate data, Adler-32 trailer of
// the expanded data), through zlib's stream interface. This class only expands (the setup
// program carries no deflate code); CZLibCompressingCodec (archive/CompressingCodecs.h) adds
// compression.
//
// Expanding writes exactly the expanded size and then reads the stream to its end, so that
// zlib verifies the trailer. It takes at most the compressed size of coded bytes. Failures
// go through CheckZLib; besides zlib's own results:
//   the stream ends before the expanded size is reached, or holds more data than the
//       expanded size: CZLibException 3 (data error);
//   the coded data ends before the stream does: CZLibException 4 (buffer error).
// The abort flag is not consulted: a started member is always finished.
#pragma once

#include "archive/ByteStream.h"
#include "archive/Codec.h"

#include <cstdint>
#include <memory>

// Turns a zlib result into an exception: 0 (ok) and 1 (stream end) pass; -1 (system error)
// raises the CFileException for errno (nothing when errno is 0); -2 stream, -3 data and -5
// buffer errors raise CZLibException 2, 3 and 4; -4 raises CMemoryException; anything else
// CZLibException 1.
void CheckZLib(int result);

class CZLibCodec : public CCodec {
public:
    CZLibCodec();
    ~CZLibCodec() override;

protected:
    // Raises CNotSupportedException.
    void DoCompress() override;
    void DoExpand(std::uint32_t compressedSize, std::uint32_t expandedSize) override;
};

// The engine behind it, over plain byte streams.
void ZLibExpand(CByteSource& source, CByteSink& sink, std::uint32_t compressedSize,
                std::uint32_t expandedSize);
