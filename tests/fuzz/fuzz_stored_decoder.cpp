// libFuzzer target: the stored member decoder. Input: 4 bytes compressed size (cut to what
// follows plus 16), then the member's bytes. It copies exactly the compressed size or ends
// in CFileException 14 when the data ends early, having copied what there was.
#include "archive/StoredCodec.h"
#include "errors/Exceptions.h"

#include "FuzzInput.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzInput input(data, size);
    const std::uint32_t compressed =
        input.TakeU32() % (static_cast<std::uint32_t>(input.RestSize()) + 17);
    CMemorySource source(input.Rest(), input.RestSize());
    CMemorySink sink;
    std::uint8_t buffer[37]; // odd size: many short reads
    bool ended = false;
    try {
        StoredExpand(source, sink, compressed, buffer, sizeof buffer);
    } catch (const CFileException& e) {
        FUZZ_CHECK(e.GetCause() == CFileException::kEndOfFile);
        ended = true;
    }
    FUZZ_CHECK(ended == (compressed > input.RestSize()));
    FUZZ_CHECK(sink.Data().size() == std::min<std::size_t>(compressed, input.RestSize()));
    FUZZ_CHECK(std::equal(sink.Data().begin(), sink.Data().end(), input.Rest()));
    return 0;
}
