// Adapters that let the codec engines read and write through a CCodec's counted source and
// destination files (ReadBlock and WriteBlock), so that the block hook, volume continuation
// and running checksum act underneath them.
#pragma once

#include "archive/ByteStream.h"
#include "archive/Codec.h"

class CCodecSource : public CByteSource {
public:
    explicit CCodecSource(CCodec& codec) : m_codec(codec) {}
    std::size_t ReadSome(void* buffer, std::size_t n) override {
        return m_codec.ReadBlock(buffer, n);
    }

private:
    CCodec& m_codec;
};

class CCodecSink : public CByteSink {
public:
    explicit CCodecSink(CCodec& codec) : m_codec(codec) {}
    void WriteAll(const void* buffer, std::size_t n) override {
        if (n != 0) {
            m_codec.WriteBlock(buffer, n);
        }
    }

private:
    CCodec& m_codec;
};
