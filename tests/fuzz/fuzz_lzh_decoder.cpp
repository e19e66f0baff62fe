// libFuzzer target: the -lh5- decoder. Input: 4 bytes expanded size (up to 256 KiB: a few
// coded bytes may legally expand to far more), 4 bytes compressed size (cut to what
// follows plus 16, so that a source ending early is exercised), then the coded bytes.
// Damaged input may only end in CMultiFileException 4 or CFileException 14; the decoder
// must never take more coded bytes than the compressed size or write more than the
// expanded size.
#include "archive/LzhDecoder.h"
#include "errors/Exceptions.h"

#include "FuzzInput.h"

#include <algorithm>

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
    CLzhDecoder decoder;
    try {
        decoder.Expand(source, sink, compressed, expanded);
        FUZZ_CHECK(sink.Data().size() == expanded);
    } catch (const CMultiFileException& e) {
        FUZZ_CHECK(e.GetCause() == CMultiFileException::kCorruptTable);
    } catch (const CFileException& e) {
        FUZZ_CHECK(e.GetCause() == CFileException::kEndOfFile);
    }
    FUZZ_CHECK(source.GetPosition() <= compressed);
    FUZZ_CHECK(sink.Data().size() <= expanded);
    return 0;
}
