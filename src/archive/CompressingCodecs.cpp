#include "archive/CompressingCodecs.h"

#include "archive/CodecErrors.h"
#include "archive/CodecFactory.h"
#include "archive/CodecStreams.h"
#include "archive/LzhEncoder.h"
#include "archive/StoredCodec.h"

#include <zlib.h>

#include <vector>

namespace {

constexpr std::size_t kInputSize = 16384;
constexpr std::size_t kOutputSize = 65536;

// Ends the zlib stream however the coding step ends.
class CDeflater {
public:
    explicit CDeflater(int level) { CheckZLib(deflateInit(&m_stream, level)); }
    ~CDeflater() { deflateEnd(&m_stream); }
    CDeflater(const CDeflater&) = delete;
    CDeflater& operator=(const CDeflater&) = delete;
    z_stream* operator->() { return &m_stream; }
    z_stream* get() { return &m_stream; }

private:
    z_stream m_stream{};
};

} // namespace

void ZLibCompress(CByteSource& source, CByteSink& sink, int level) {
    std::vector<Bytef> input(kInputSize);
    std::vector<Bytef> output(kOutputSize);
    CDeflater stream(level);
    bool more = true;
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        if (stream->avail_in == 0 && more) {
            const std::size_t n = source.ReadSome(input.data(), kInputSize);
            more = n != 0;
            stream->next_in = input.data();
            stream->avail_in = static_cast<uInt>(n);
        }
        stream->next_out = output.data();
        stream->avail_out = static_cast<uInt>(kOutputSize);
        result = deflate(stream.get(), more ? Z_NO_FLUSH : Z_FINISH);
        if (result != Z_BUF_ERROR) {
            CheckZLib(result);
        }
        const std::size_t produced = kOutputSize - stream->avail_out;
        if (produced != 0) {
            sink.WriteAll(output.data(), produced);
        }
    }
}

void CLzhCompressingCodec::DoCompress() {
    RunWithMemoryException([&] {
        CCodecSource source(*this);
        CCodecSink sink(*this);
        CLzhEncoder encoder;
        encoder.Compress(source, sink);
    });
}

void CZLibCompressingCodec::DoCompress() {
    RunWithMemoryException([&] {
        CCodecSource source(*this);
        CCodecSink sink(*this);
        ZLibCompress(source, sink);
    });
}

std::unique_ptr<CCodec> CreateCompressingCodecForMethod(std::int32_t method) {
    switch (static_cast<ArchiveMethod>(method)) {
    case ArchiveMethod::stored:
        return std::make_unique<CStoredCodec>();
    case ArchiveMethod::lzh:
        return std::make_unique<CLzhCompressingCodec>();
    case ArchiveMethod::zlib:
        return std::make_unique<CZLibCompressingCodec>();
    }
    return nullptr;
}
