// libFuzzer target: the -lh5- encoder. The first byte picks the encoder's settings (chain
// length and block size, including tiny blocks); the rest is compressed, expanded again and
// must come back unchanged, with the decoder taking every coded byte at most once.
#include "archive/LzhDecoder.h"
#include "archive/LzhEncoder.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzInput input(data, size);
    const std::uint8_t setting = input.TakeByte();
    CLzhEncoder::Options options;
    options.maxChain = 1 + (setting & 0x0F) * 17;
    static const int kBlocks[] = {1, 2, 3, 7, 100, 1000, 16384, 65535};
    options.blockTokens = kBlocks[(setting >> 4) & 7];
    CMemorySource plain(input.Rest(), input.RestSize());
    CMemorySink coded;
    CLzhEncoder encoder(options);
    encoder.Compress(plain, coded);

    CMemorySource source(coded.Data());
    CMemorySink expanded;
    CLzhDecoder decoder;
    decoder.Expand(source, expanded, static_cast<std::uint32_t>(coded.Data().size()),
                   static_cast<std::uint32_t>(input.RestSize()));
    FUZZ_CHECK(expanded.Data().size() == input.RestSize());
    FUZZ_CHECK(std::equal(expanded.Data().begin(), expanded.Data().end(), input.Rest()));
    return 0;
}
