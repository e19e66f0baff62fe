// The codec for a member's method number: 2 stored, 3 -lh5-, 4 zlib, as the archive reader
// (CMultiFile::CreateCodec) makes it: it expands only. The archive writer makes codecs that
// also compress (archive/CompressingCodecs.h).
#pragma once

#include "archive/Codec.h"

#include <cstdint>
#include <memory>

enum class ArchiveMethod : std::int32_t { stored = 2, lzh = 3, zlib = 4 };

// A new codec for method 2, 3 or 4; null for any other method.
std::unique_ptr<CCodec> CreateCodecForMethod(std::int32_t method);
