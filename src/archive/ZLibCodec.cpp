#include "archive/ZLibCodec.h"

#include "archive/CodecErrors.h"
#include "archive/CodecStreams.h"
#include "errors/Exceptions.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

constexpr std::size_t kInputSize = 16384;
constexpr std::size_t kOutputSize = 65536;

// Ends the zlib stream however the coding step ends.
class CInflater {
public:
    CInflater() { CheckZLib(inflateInit(&m_stream)); }
    ~CInflater() { inflateEnd(&m_stream); }
    CInflater(const CInflater&) = delete;
    CInflater& operator=(const CInflater&) = delete;
    z_stream* operator->() { return &m_stream; }
    z_stream* get() { return &m_stream; }

private:
    z_stream m_stream{};
};

} // namespace

void CheckZLib(int result) {
    switch (result) {
    case Z_OK:
    case Z_STREAM_END:
        return;
    case Z_ERRNO: {
        const int error = errno;
        if (error != 0) {
            ThrowFileExceptionFromErrno(error, std::string());
        }
        return;
    }
    case Z_MEM_ERROR:
        throw CMemoryException();
    default:
        throw CZLibException(CZLibException::CauseFromZlibResult(result));
    }
}

void ZLibExpand(CByteSource& source, CByteSink& sink, std::uint32_t compressedSize,
                std::uint32_t expandedSize) {
    // An empty member may have no coded data at all.
    if (compressedSize == 0 && expandedSize == 0) {
        return;
    }
    std::vector<Bytef> input(kInputSize);
    std::vector<Bytef> output(kOutputSize);
    CInflater stream;
    std::uint32_t codedLeft = compressedSize;
    std::uint32_t expandedLeft = expandedSize;
    bool ended = false;
    while (!ended) {
        if (stream->avail_in == 0 && codedLeft != 0) {
            const std::size_t n =
                source.ReadSome(input.data(), std::min<std::size_t>(kInputSize, codedLeft));
            // A source that ends early leaves the rest missing; inflate then reports it.
            codedLeft = n == 0 ? 0 : codedLeft - static_cast<std::uint32_t>(n);
            stream->next_in = input.data();
            stream->avail_in = static_cast<uInt>(n);
        }
        // Never produce more than the expanded size; once it is reached, one spare byte
        // shows whether the stream holds more data than the member should have.
        Bytef spare = 0;
        const std::size_t room = std::min<std::size_t>(kOutputSize, expandedLeft);
        stream->next_out = room != 0 ? output.data() : &spare;
        stream->avail_out = room != 0 ? static_cast<uInt>(room) : 1;
        const int result = inflate(stream.get(), Z_NO_FLUSH);
        const std::size_t produced = room != 0 ? room - stream->avail_out : 1 - stream->avail_out;
        if (room == 0 && produced != 0) {
            throw CZLibException(CZLibException::kDataError);
        }
        if (produced != 0) {
            sink.WriteAll(output.data(), produced);
            expandedLeft -= static_cast<std::uint32_t>(produced);
        }
        if (result == Z_STREAM_END) {
            ended = true;
        } else if (result == Z_BUF_ERROR && stream->avail_in == 0 && codedLeft == 0) {
            // No progress possible: the coded data ended before the stream did.
            throw CZLibException(CZLibException::kBufferError);
        } else if (result != Z_BUF_ERROR) {
            CheckZLib(result);
        }
    }
    if (expandedLeft != 0) {
        throw CZLibException(CZLibException::kDataError);
    }
}

CZLibCodec::CZLibCodec() = default;
CZLibCodec::~CZLibCodec() = default;

void CZLibCodec::DoExpand(std::uint32_t compressedSize, std::uint32_t expandedSize) {
    RunWithMemoryException([&] {
        CCodecSource source(*this);
        CCodecSink sink(*this);
        ZLibExpand(source, sink, compressedSize, expandedSize);
    });
}

void CZLibCodec::DoCompress() {
    throw CNotSupportedException();
}
