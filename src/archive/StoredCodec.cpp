#include "archive/StoredCodec.h"

#include "archive/CodecErrors.h"
#include "archive/CodecStreams.h"

#include <algorithm>

namespace {
constexpr std::size_t kBufferSize = 65536;
}

void StoredExpand(CByteSource& source, CByteSink& sink, std::uint32_t compressedSize,
                  std::uint8_t* buffer, std::size_t bufferSize) {
    std::uint32_t remaining = compressedSize;
    while (remaining != 0) {
        const std::size_t n = source.ReadSome(buffer, std::min<std::size_t>(remaining, bufferSize));
        if (n == 0) {
            ThrowEndOfCodedData();
        }
        sink.WriteAll(buffer, n);
        remaining -= static_cast<std::uint32_t>(n);
    }
}

void StoredCompress(CByteSource& source, CByteSink& sink, std::uint8_t* buffer,
                    std::size_t bufferSize) {
    for (;;) {
        const std::size_t n = source.ReadSome(buffer, bufferSize);
        if (n == 0) {
            return;
        }
        sink.WriteAll(buffer, n);
    }
}

CStoredCodec::CStoredCodec() {
    RunWithMemoryException([this] { m_buffer.reset(new std::uint8_t[kBufferSize]); });
}

void CStoredCodec::DoExpand(std::uint32_t compressedSize, std::uint32_t /*expandedSize*/) {
    CCodecSource source(*this);
    CCodecSink sink(*this);
    StoredExpand(source, sink, compressedSize, m_buffer.get(), kBufferSize);
}

void CStoredCodec::DoCompress() {
    CCodecSource source(*this);
    CCodecSink sink(*this);
    StoredCompress(source, sink, m_buffer.get(), kBufferSize);
}
