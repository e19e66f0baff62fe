#include "archive/LzhCodec.h"

#include "archive/CodecErrors.h"
#include "archive/CodecStreams.h"
#include "errors/Exceptions.h"

CLzhCodec::CLzhCodec() = default;

void CLzhCodec::Abort() {
    CCodec::Abort();
    m_stop = 1;
}

void CLzhCodec::DoExpand(std::uint32_t compressedSize, std::uint32_t expandedSize) {
    m_stop = 0;
    m_codedRead = 0;
    RunWithMemoryException([&] {
        CCodecSource source(*this);
        CCodecSink sink(*this);
        CLzhDecoder decoder;
        try {
            decoder.Expand(source, sink, compressedSize, expandedSize, &m_stop);
        } catch (...) {
            m_codedRead = decoder.GetCodedBytesRead();
            throw;
        }
        m_codedRead = decoder.GetCodedBytesRead();
    });
}

void CLzhCodec::DoCompress() {
    throw CNotSupportedException();
}
