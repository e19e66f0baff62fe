// The screenshot PNG writer: the bytes it writes must be a PNG that any viewer reads back
// to the same pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <zlib.h>

#include "PngWriter.h"

namespace {

uint32_t BigEndian32(const std::vector<uint8_t>& bytes, size_t at) {
    return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) |
           (uint32_t(bytes[at + 2]) << 8) | uint32_t(bytes[at + 3]);
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
    bool crcOk;
};

// Splits a PNG after its signature into chunks, checking each CRC.
std::vector<Chunk> ReadChunks(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = BigEndian32(png, at);
        if (at + 12 + length > png.size()) {
            break;
        }
        Chunk chunk;
        chunk.type.assign(png.begin() + at + 4, png.begin() + at + 8);
        chunk.data.assign(png.begin() + at + 8, png.begin() + at + 8 + length);
        const uLong crc = crc32(0L, png.data() + at + 4, 4 + length);
        chunk.crcOk = crc == BigEndian32(png, at + 8 + length);
        chunks.push_back(chunk);
        at += 12 + length;
    }
    return chunks;
}

TEST(PngWriter, EncodesPixelsThatDecodeBack) {
    // 3 x 2 pixels, distinct colours.
    const std::vector<uint8_t> rgb = {255, 0,  0,  0,  255, 0,  0,  0,  255,
                                      10,  20, 30, 40, 50,  60, 70, 80, 90};
    const std::vector<uint8_t> png = gui::EncodePng(3, 2, rgb);
    ASSERT_GT(png.size(), 8u);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature, signature + 8, png.begin()));

    const std::vector<Chunk> chunks = ReadChunks(png);
    ASSERT_EQ(3u, chunks.size());
    EXPECT_EQ("IHDR", chunks[0].type);
    EXPECT_EQ("IDAT", chunks[1].type);
    EXPECT_EQ("IEND", chunks[2].type);
    for (const Chunk& chunk : chunks) {
        EXPECT_TRUE(chunk.crcOk) << chunk.type;
    }
    ASSERT_EQ(13u, chunks[0].data.size());
    EXPECT_EQ(3u, BigEndian32(chunks[0].data, 0));
    EXPECT_EQ(2u, BigEndian32(chunks[0].data, 4));
    EXPECT_EQ(8, chunks[0].data[8]);
    EXPECT_EQ(2, chunks[0].data[9]);

    std::vector<uint8_t> raw(2 * (1 + 9));
    uLongf rawSize = static_cast<uLongf>(raw.size());
    ASSERT_EQ(Z_OK, uncompress(raw.data(), &rawSize, chunks[1].data.data(),
                               static_cast<uLong>(chunks[1].data.size())));
    ASSERT_EQ(raw.size(), rawSize);
    const std::vector<uint8_t> expected = {0, 255, 0,  0,  0,  255, 0,  0,  0,  255,
                                           0, 10,  20, 30, 40, 50,  60, 70, 80, 90};
    EXPECT_EQ(expected, raw);
}

TEST(PngWriter, RefusesMismatchedSizes) {
    EXPECT_TRUE(gui::EncodePng(2, 2, std::vector<uint8_t>(11)).empty());
    EXPECT_TRUE(gui::EncodePng(0, 1, {}).empty());
    EXPECT_TRUE(gui::EncodePng(-1, 1, std::vector<uint8_t>(3)).empty());
    EXPECT_FALSE(gui::WritePng("/nonexistent-dir/x.png", 1, 1, std::vector<uint8_t>(3)));
}

} // namespace
