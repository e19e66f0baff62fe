// The compressing side of the codecs, used to build archives (archive writer, tools, tests).
// The setup program only expands and links none of this: the expanding codecs
// (CLzhCodec, CZLibCodec) refuse to compress, and these subclasses add compression.
#pragma once

#include "archive/ByteStream.h"
#include "archive/Codec.h"
#include "archive/LzhCodec.h"
#include "archive/ZLibCodec.h"

#include <cstdint>
#include <memory>

// Method 3 both ways: expands as CLzhCodec, compresses with the -lh5- encoder.
class CLzhCompressingCodec final : public CLzhCodec {
protected:
    void DoCompress() override;
};

// Method 4 both ways: expands as CZLibCodec, compresses with zlib's deflate at its default
// level.
class CZLibCompressingCodec final : public CZLibCodec {
protected:
    void DoCompress() override;
};

// A new codec that can compress, for method 2, 3 or 4; null for any other method.
std::unique_ptr<CCodec> CreateCompressingCodecForMethod(std::int32_t method);

// The zlib engine over plain byte streams. level is zlib's (-1 = its default).
void ZLibCompress(CByteSource& source, CByteSink& sink, int level = -1);
