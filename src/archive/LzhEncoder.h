// The -lh5- encoder engine behind method 3 (see LzhFormat.h for the stream layout).
//
// LZSS over an 8 KiB dictionary with hash chains on three bytes and one step of lazy
// matching, then static Huffman blocks: each block's codes are built from its own symbol
// counts and limited to 16 bits. The stream ends with zero bits up to the next byte
// boundary. Any -lh5- decoder reads the result.
#pragma once

#include "archive/ByteStream.h"
#include "archive/LzhFormat.h"

#include <cstdint>
#include <memory>
#include <vector>

class CLzhEncoder {
public:
    struct Options {
        int maxChain = 256;      // hash-chain candidates tried per position
        int blockTokens = 16384; // tokens per Huffman block (at most 65535)
    };

    CLzhEncoder();
    explicit CLzhEncoder(const Options& options);
    ~CLzhEncoder();
    CLzhEncoder(const CLzhEncoder&) = delete;
    CLzhEncoder& operator=(const CLzhEncoder&) = delete;

    // Reads the source to its end and writes the coded stream to the sink.
    void Compress(CByteSource& source, CByteSink& sink);

private:
    struct State;
    Options m_options;
    std::unique_ptr<State> m_state;
};
