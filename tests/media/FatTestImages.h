// Small FAT12 images built byte by byte for the reader's hostile-input tests: a 1.44 MB
// layout (512-byte sectors, 1 sector per cluster, FATs at sector 1 and 10, root directory
// at sector 19, data from sector 33) with helpers to poke entries and FAT links.
#pragma once

#include "media/FatImageWriter.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fattest {

constexpr std::size_t kFatOffset = 512;
constexpr std::size_t kRootOffset = 19 * 512;
constexpr std::size_t kDataOffset = 33 * 512;

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

inline std::vector<std::uint8_t> Filled(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 9));
    return v;
}

// Sets the 12-bit FAT entry of cluster in the first FAT.
inline void SetLink(std::vector<std::uint8_t>& image, std::uint32_t cluster, std::uint32_t value) {
    std::uint8_t* p = image.data() + kFatOffset + cluster + cluster / 2;
    if (cluster & 1) {
        p[0] = static_cast<std::uint8_t>((p[0] & 0x0F) | ((value & 0x0F) << 4));
        p[1] = static_cast<std::uint8_t>(value >> 4);
    } else {
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>((p[1] & 0xF0) | ((value >> 8) & 0x0F));
    }
}

// The 32-byte root entry number index (the label, when there is one, is entry 0).
inline std::uint8_t* RootEntry(std::vector<std::uint8_t>& image, std::size_t index) {
    return image.data() + kRootOffset + index * 32;
}

inline void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// A labelled image with A.TXT (3 clusters, from cluster 2) and B.TXT (2 clusters, from 5).
inline std::vector<std::uint8_t> TwoFileImage() {
    return BuildDisketteImage(
        "TWOFILES", {{"A.TXT", Filled(1300, 1), 0, 0x20}, {"B.TXT", Filled(700, 2), 0, 0x20}});
}

} // namespace fattest
