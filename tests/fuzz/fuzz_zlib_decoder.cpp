// libFuzzer target: the zlib member decoder. Input: 4 bytes expanded size (up to 256 KiB),
// 4 bytes compressed size (cut to what follows plus 16), then the coded bytes. Damaged input
// may only end in CZLibException 1-4; the decoder never takes more coded bytes than the
// compressed size and writes exactly the expanded size when it succeeds.
#include "archive/ZLibCodec.h"
#include "errors/Exceptions.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzInput input(data, size);
    // Low 4 bits: a size class from 8 bytes to 256 KiB, so that small members (fast runs)
    // are common and large ones possible.
    const std::uint32_t sizeWord = input.TakeU32();
    const std::uint32_t expanded = (sizeWord >> 4) % (8u << (sizeWord & 0x0F));
    const std::uint32_t compressed =
        input.TakeU32() % (static_cast<std::uint32_t>(input.RestSize()) + 17);
    CMemorySource source(input.Rest(), input.RestSize());
    CMemorySink sink;
    try {
        ZLibExpand(source, sink, compressed, expanded);
        FUZZ_CHECK(sink.Data().size() == expanded);
    } catch (const CZLibException& e) {
        FUZZ_CHECK(e.GetCause() >= 1 && e.GetCause() <= 4);
    }
    FUZZ_CHECK(source.GetPosition() <= compressed);
    FUZZ_CHECK(sink.Data().size() <= expanded);
    return 0;
}
