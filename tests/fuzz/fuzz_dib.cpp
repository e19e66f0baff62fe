// Fuzz target: an arbitrary byte string as bitmap file. The reader must refuse it or give a
// block whose header agrees with its size and with the limits, holding only bytes that came
// from the file, and never read outside the input.
#include "FuzzInput.h"

#include "support/DibFile.h"

#include <cstdint>
#include <cstring>
#include <optional>

namespace {

std::uint64_t PaddedRows(const CDibBlock& block) {
    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(block.Width()) * block.BitCount() + 31) / 32 * 4;
    return rowBytes * static_cast<std::uint64_t>(block.Height());
}

std::uint32_t FileU32(const std::uint8_t* at) {
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// The colour table and the pixels are the file's bytes from where its header puts them
// (comparing them also touches every byte of the block).
void CheckCopiedBytes(const CDibBlock& block, const std::uint8_t* file) {
    const std::uint32_t pixelOffset = FileU32(file + 10);
    const std::size_t tableOffset = kDibFileHeaderSize + FileU32(file + kDibFileHeaderSize);
    const std::size_t tableBytes = 4 * block.ColorCount();
    const std::size_t pixelStart = pixelOffset != 0 ? pixelOffset : tableOffset + tableBytes;
    FUZZ_CHECK(std::memcmp(block.ColorTable(), file + tableOffset, tableBytes) == 0);
    FUZZ_CHECK(std::memcmp(block.Bits(), file + pixelStart, block.ImageSize()) == 0);
}

void CheckBlock(const CDibBlock& block, std::size_t fileSize) {
    FUZZ_CHECK(block.Data()[0] == kDibInfoHeaderSize);
    FUZZ_CHECK(block.Width() > 0 && block.Width() <= kDibMaxDimension);
    FUZZ_CHECK(block.Height() > 0 && block.Height() <= kDibMaxDimension);
    const std::uint32_t colors = block.ColorCount();
    FUZZ_CHECK(colors <= kDibMaxColors);
    FUZZ_CHECK(block.ImageSize() <= kDibMaxImageBytes);
    FUZZ_CHECK(block.Size() == kDibInfoHeaderSize + 4ull * colors + block.ImageSize());
    // Colour table and pixels are copies of file bytes: never more than the file had.
    FUZZ_CHECK(4ull * colors + block.ImageSize() <= fileSize);
    if (block.Compression() == kDibUncompressed) {
        FUZZ_CHECK(block.ImageSize() == PaddedRows(block));
    } else {
        FUZZ_CHECK(block.ImageSize() != 0);
    }
    // The pixel rows end where the block ends.
    FUZZ_CHECK(block.Bits() + block.ImageSize() == block.Data() + block.Size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CMemoryDibSource source(data, size);
    std::optional<CDibBlock> block = ReadDib(source);
    if (block) {
        CheckBlock(*block, size);
        CheckCopiedBytes(*block, data);
    }
    return 0;
}
