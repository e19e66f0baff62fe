// Fuzz target: an arbitrary byte string as a diskette image. The FAT reader must either
// reject it with CFatImageException or list it; every file it lists must read back with
// exactly its size, and looking each one up by its path must find it.
#include "FuzzInput.h"

#include "media/FatImage.h"

#include <cstdint>
#include <vector>

namespace {

void ReadEverything(const CFatImage& image) {
    (void)image.VolumeLabel();
    for (const FatDirEntry& entry : image.ListAll()) {
        if (entry.IsDirectory()) {
            (void)image.ReadDirectory(entry);
            continue;
        }
        FUZZ_CHECK(image.ReadFile(entry).size() == entry.size);
        FUZZ_CHECK(image.Find(entry.path).firstCluster == entry.firstCluster);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const CFatImage image(std::vector<std::uint8_t>(data, data + size));
        ReadEverything(image);
    } catch (const CFatImageException&) {
    }
    return 0;
}
